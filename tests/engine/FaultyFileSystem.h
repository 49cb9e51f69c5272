#pragma once

#include <atomic>
#include <cerrno>
#include <chrono>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "PosixFileSystem.h"

namespace tolvane::test {

// The real file system with failures injected at chosen calls, for what a real folder
// cannot produce on demand: a full disk, an I/O error, a file that vanishes. Workers may call
// it at once: what they count is atomic.
class FaultyFileSystem : public PosixFileSystem {
  public:
    // The data moved by the n-th (from 1) data call fails with error after half a chunk.
    int failDataCallAt = 0;
    int dataError = ENOSPC;
    std::atomic<int> dataCalls{0};
    // Refuse the fast paths so that read/write does the copy.
    bool refuseRange = false;
    bool refuseSend = false;
    bool rangeMovesNothing = false;  // copy_file_range moves nothing, as from procfs or sysfs
    off_t dataEndsAt = -1;  // reads stop here, as procfs data ends before the size it claims
    int syncError = 0;
    int failDataSyncFrom = 0;  // the n-th (from 1) DataSync and every later one answer EIO
    std::atomic<int> dataSyncs{0};
    std::vector<off_t> syncedSizes;  // the size of each file a DataSync flushed, in order
    bool skipRealSync = false;       // count and order syncs without waiting for the disk
    std::function<void()> beforeSync;
    std::function<void()> beforeDataSync;
    std::string vanishingName;  // StatAt of this name answers ENOENT
    std::string unreadableDir;  // opening this folder answers EACCES
    std::string unlistableDir;  // listing this folder answers EIO
    unsigned inodeFlags = 0;    // InodeFlags answers these when set
    // StatAt of otherSpelling, where no such entry is, answers for listedSpelling, as a
    // folder that folds more than ASCII letters does.
    std::string otherSpelling;
    std::string listedSpelling;
    bool refuseUnnamed = false;  // O_TMPFILE answers EOPNOTSUPP, as on FAT or NFS

    int chownError = 0;                     // Chown answers this
    int setTimesError = 0;                  // SetTimes answers this
    int closeErrorOfWritten = 0;            // closing a file opened for writing answers this
    bool shortWrites = false;               // Write takes at most half of what it is given
    bool failWrites = false;                // Write counts as a data call (see failDataCallAt)
    bool corruptWrites = false;             // Write stores its first byte altered
    long fileSystemType = 0;                // FileSystemType answers this when set
    std::function<void()> onSetTimes;       // called as a copy is being finished
    std::chrono::microseconds statDelay{};  // each StatAt waits this long, as on a cold disk

    std::atomic<int> creations{0};  // Open calls that made or could make a file
    // StatAt of these names in the folder of this inode answers ENOENT, though they are
    // there: a folder that refuses names it does not answer to (vfat with iocharset=utf8).
    std::set<std::string> hiddenNames;
    ino_t hiddenInFolder = 0;
    int hiddenError = ENOENT;      // what a status read of a hidden name answers
    std::string refuseRenameFrom;  // RenameNoReplace of this name answers EIO

    std::atomic<int> refusedUnlinks{0};  // this many Unlink calls answer EACCES
    std::string refuseUnlinkOf;          // every Unlink of this name answers EACCES

    int Open(int dirFd, const char* name, int flags, mode_t mode) override;
    ssize_t ReadDirectory(int fd, void* buffer, size_t length) override;
    int InodeFlags(int fd, unsigned& flags) override;
    // Cloning would copy in one call and bypass every injected data fault.
    int CloneFile(int /*inFd*/, int /*outFd*/) override { return -EOPNOTSUPP; }
    int Unlink(int dirFd, const char* name) override;
    int StatAt(int dirFd, const char* name, struct stat& st) override;
    int RenameNoReplace(int dirFd, const char* from, const char* to) override;
    ssize_t CopyRange(int inFd, int outFd, size_t length) override;
    ssize_t SendFile(int outFd, int inFd, size_t length) override;
    ssize_t Read(int fd, void* buffer, size_t length) override;
    int SyncFileSystem(int fd) override;
    int DataSync(int fd) override;
    int Close(int fd) override;
    int Chown(int fd, uid_t owner, gid_t group) override;
    int SetTimes(int fd, const timespec times[2]) override;
    ssize_t Write(int fd, const void* buffer, size_t length) override;
    int FileSystemType(int fd, long& type) override;
    std::atomic<int> syncCalls{0};
    std::atomic<int> statCalls{0};  // StatAt calls

  private:
    bool FailNow();
    bool DataEnded(int inFd) const;
    std::mutex m_writtenLock;
    std::set<int> m_written;     // guarded by m_writtenLock
    std::set<int> m_unlistable;  // guarded by m_writtenLock
};

}  // namespace tolvane::test
