#pragma once

#include <atomic>
#include <cerrno>
#include <functional>
#include <mutex>
#include <set>
#include <string>

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
    int syncError = 0;
    int failDataSyncFrom = 0;  // the n-th (from 1) DataSync and every later one answer EIO
    std::atomic<int> dataSyncs{0};
    bool skipRealSync = false;  // count and order syncs without waiting for the disk
    std::function<void()> beforeSync;
    std::string vanishingName;   // StatAt of this name answers ENOENT
    std::string unreadableDir;   // opening this folder answers EACCES
    bool refuseUnnamed = false;  // O_TMPFILE answers EOPNOTSUPP, as on FAT or NFS

    int chownError = 0;                // Chown answers this
    int setTimesError = 0;             // SetTimes answers this
    int closeErrorOfWritten = 0;       // closing a file opened for writing answers this
    bool shortWrites = false;          // Write takes at most half of what it is given
    bool failWrites = false;           // Write counts as a data call (see failDataCallAt)
    bool corruptWrites = false;        // Write stores its first byte altered
    long fileSystemType = 0;           // FileSystemType answers this when set
    std::function<void()> onSetTimes;  // called as a copy is being finished

    std::atomic<int> refusedUnlinks{0};  // this many Unlink calls answer EACCES
    std::string refuseUnlinkOf;          // every Unlink of this name answers EACCES

    int Open(int dirFd, const char* name, int flags, mode_t mode) override;
    // Cloning would copy in one call and bypass every injected data fault.
    int CloneFile(int /*inFd*/, int /*outFd*/) override { return -EOPNOTSUPP; }
    int Unlink(int dirFd, const char* name) override;
    int StatAt(int dirFd, const char* name, struct stat& st) override;
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

  private:
    bool FailNow();
    std::mutex m_writtenLock;
    std::set<int> m_written;  // guarded by m_writtenLock
};

}  // namespace tolvane::test
