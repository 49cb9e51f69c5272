#pragma once

#include <sys/stat.h>

#include <chrono>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "DirectoryHandle.h"
#include "FileSystem.h"
#include "TargetReadBack.h"
#include "UpdateObserver.h"

namespace tolvane {

// Source entries waiting to be deleted because the target holds them. A source file is only
// deleted once the target's data has reached the disk (one syncfs per target file system for
// the whole batch, far cheaper than an fsync per file), and only if, right before the deletion, the
// source still has the size and modification time it had when it was compared or copied,
// the target still holds that size, and the target is not the source file itself.
//
// Entries may ask for a read-back: once the whole batch is durable, and right before its
// deletions, such a target is read back from the storage (see TargetReadBack) and compared
// with its source, so that a fake-capacity stick that wraps later writes around onto earlier
// ones is caught too. A target this run wrote that reads back otherwise is removed (its size
// and time would make the next run take it as held), and its source is kept. A copy without
// deletion can be read back the same way.
class DeletionBatch {
  public:
    // What an entry asks for beyond the checks that every deletion gets.
    struct Checks {
        bool readBack = false;     // the target must read back from the storage as the source
        bool written = false;      // this run wrote the target
        bool deleteSource = true;  // false: a copy that is only read back
    };

    DeletionBatch(FileSystem& files, UpdateObserver& observer, WalkSummary& summary);

    // Records name in sourceDir for deletion. The target folder lies on targetDevice, and
    // the target file was found as targetStat (on an overlay when targetOnOverlay). linkText
    // is set for a symbolic link, which the target must hold with the same text.
    void Add(const std::shared_ptr<DirectoryHandle>& sourceDir,
             const std::shared_ptr<DirectoryHandle>& targetDir, dev_t targetDevice,
             const char* name, const struct stat& sourceStat, const std::string& linkText,
             const struct stat& targetStat, bool targetOnOverlay, Checks checks);

    // Syncs the target, reads back the entries that ask for it, and deletes every recorded
    // entry that still qualifies. Once a stop is requested, nothing more is read back, and
    // no entry whose read-back did not finish is deleted.
    void Flush();

  private:
    // Kept small: a batch holds thousands of these.
    struct Pending {
        std::shared_ptr<DirectoryHandle> sourceDir;
        std::shared_ptr<DirectoryHandle> targetDir;
        dev_t targetDevice;
        dev_t sourceDevice;
        ino_t sourceInode;
        off_t size;
        timespec modified;
        ino_t targetInode;
        timespec targetModified;
        bool targetOnOverlay;
        Checks checks;
        std::string name;
        std::string linkText;
    };

    void Settle(const Pending& pending);
    int SyncTargetOf(const Pending& pending);
    bool ReadsBack(const Pending& pending);
    void ShowVerifyProgress(const Pending& pending);
    std::string_view RemoveTarget(const Pending& pending);
    const char* WhyNotHeld(const Pending& pending);
    bool LinkTextIs(int dirFd, const char* name, const std::string& text);
    void Delete(const Pending& pending);
    void Fail(const Pending& pending, int error, std::string_view reason);
    const std::string& SourcePath(const Pending& pending);
    std::string TargetPath(const Pending& pending) const;

    FileSystem& m_files;
    UpdateObserver& m_observer;
    WalkSummary& m_summary;
    TargetReadBack m_readBack;
    std::vector<Pending> m_pending;
    std::uint64_t m_readBacks = 0;  // entries of this flush that are read back, and done
    std::uint64_t m_readBacksDone = 0;
    std::chrono::steady_clock::time_point m_lastProgress;
    std::vector<std::pair<dev_t, int>> m_synced;  // file systems synced in this flush, errno
    size_t m_foldersHeld = 0;                     // folders the pending entries keep open
    size_t m_maxFolders;
    std::string m_linkScratch;
    std::string m_pathScratch;
};

// Deletes name in dirFd. When the deletion is refused (EACCES or EPERM), the owner's write
// bit is added and the deletion tried once more; if that fails too, the mode is put back.
// Returns 0 or -errno of the first refusal.
int RemoveFileForce(FileSystem& files, int dirFd, const char* name);

}  // namespace tolvane
