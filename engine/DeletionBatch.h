#pragma once

#include <sys/stat.h>

#include <memory>
#include <string>
#include <vector>

#include "DirectoryHandle.h"
#include "UpdateContext.h"

namespace tolvane {

// Source entries waiting to be deleted because the target holds them. A source file is only
// deleted once the target's data has reached the disk (one syncfs on the target for the whole
// batch, far cheaper than an fsync per file), and only if, right before the deletion, the
// source still has the size and modification time it had when it was compared or copied,
// the target still holds that size, and the target is not the source file itself.
class DeletionBatch {
public:
    DeletionBatch(FileSystem& files, UpdateContext& context, WalkSummary& summary);

    // The target root; its file system is the one synced before deleting.
    void SetTargetRoot(int fd) { m_targetRootFd = fd; }

    // Records name (shown as sourcePath) for deletion. linkText is set for a symbolic link,
    // which the target must hold with the same text.
    void Add(const std::shared_ptr<DirectoryHandle>& sourceDir,
             const std::shared_ptr<DirectoryHandle>& targetDir, const char* name,
             const std::string& sourcePath, const struct stat& sourceStat,
             const std::string& linkText);

    // Syncs the target and deletes every recorded entry that still qualifies.
    void Flush();

private:
    struct Pending {
        std::shared_ptr<DirectoryHandle> sourceDir;
        std::shared_ptr<DirectoryHandle> targetDir;
        std::string name;
        std::string sourcePath;
        struct stat sourceStat;
        std::string linkText;
    };

    bool StillHeld(const Pending& pending);
    bool LinkTextIs(int dirFd, const char* name, const std::string& text);
    void Delete(const Pending& pending);
    void Fail(const Pending& pending, int error, std::string_view reason);

    FileSystem& m_files;
    UpdateContext& m_context;
    WalkSummary& m_summary;
    int m_targetRootFd = -1;
    std::vector<Pending> m_pending;
    size_t m_foldersHeld = 0;  // folders the pending entries keep open
    std::string m_linkScratch;
};

}  // namespace tolvane
