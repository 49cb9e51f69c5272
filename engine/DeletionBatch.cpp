#include "DeletionBatch.h"

#include "UpdateWalk.h"

namespace tolvane {

namespace {

// Bounds on what a batch holds: entries (memory) and folders (each keeps two descriptors open).
constexpr size_t kMaxEntries = 4096;
constexpr size_t kMaxFolders = 64;

bool SameTime(const timespec& a, const timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

}  // namespace

DeletionBatch::DeletionBatch(FileSystem& files, UpdateContext& context, WalkSummary& summary)
    : m_files(files), m_context(context), m_summary(summary) {}

void DeletionBatch::Add(const std::shared_ptr<DirectoryHandle>& sourceDir,
                        const std::shared_ptr<DirectoryHandle>& targetDir, dev_t targetDevice,
                        const char* name, const std::string& sourcePath,
                        const struct stat& sourceStat, const std::string& linkText) {
    if (m_pending.empty() || m_pending.back().sourceDir != sourceDir) {
        ++m_foldersHeld;
    }
    m_pending.push_back(
        {sourceDir, targetDir, targetDevice, name, sourcePath, sourceStat, linkText});
    if (m_pending.size() >= kMaxEntries || m_foldersHeld >= kMaxFolders) {
        Flush();
    }
}

void DeletionBatch::Flush() {
    if (m_pending.empty()) {
        return;
    }
    for (const Pending& pending : m_pending) {
        const int syncError = SyncTargetOf(pending);
        const char* notHeld = syncError == 0 ? WhyNotHeld(pending) : nullptr;
        if (syncError != 0) {
            Fail(pending, syncError, "the target could not be written to disk");
        } else if (notHeld != nullptr) {
            Fail(pending, 0, notHeld);
        } else {
            Delete(pending);
        }
    }
    m_pending.clear();
    m_synced.clear();
    m_foldersHeld = 0;
}

// Syncs the file system of the entry's target, once per flush for each file system: the
// target tree may span several (a disk mounted inside it). Returns 0 or the sync's errno.
int DeletionBatch::SyncTargetOf(const Pending& pending) {
    for (const auto& [device, error] : m_synced) {
        if (device == pending.targetDevice) {
            return error;
        }
    }
    const int error = -m_files.SyncFileSystem(pending.targetDir->Fd());
    m_synced.emplace_back(pending.targetDevice, error);
    return error;
}

// Returns nullptr when the target still holds the source entry as it was compared, else why
// the source must be kept.
const char* DeletionBatch::WhyNotHeld(const Pending& pending) {
    const struct stat& was = pending.sourceStat;
    struct stat source {};
    struct stat target {};
    if (m_files.StatAt(pending.sourceDir->Fd(), pending.name.c_str(), source) != 0 ||
        m_files.StatAt(pending.targetDir->Fd(), pending.name.c_str(), target) != 0) {
        return "it changed while the update ran";
    }
    if (source.st_dev == target.st_dev && source.st_ino == target.st_ino) {
        return "the target is the source file itself";
    }
    const bool sourceUnchanged = source.st_dev == was.st_dev && source.st_ino == was.st_ino &&
                                 source.st_size == was.st_size &&
                                 SameTime(source.st_mtim, was.st_mtim);
    const bool held =
        pending.linkText.empty()
            ? S_ISREG(target.st_mode) && target.st_size == was.st_size
            : S_ISLNK(target.st_mode) &&
                  LinkTextIs(pending.targetDir->Fd(), pending.name.c_str(), pending.linkText) &&
                  LinkTextIs(pending.sourceDir->Fd(), pending.name.c_str(), pending.linkText);
    return sourceUnchanged && held ? nullptr : "it changed while the update ran";
}

bool DeletionBatch::LinkTextIs(int dirFd, const char* name, const std::string& text) {
    return m_files.ReadLink(dirFd, name, m_linkScratch) == 0 && m_linkScratch == text;
}

void DeletionBatch::Delete(const Pending& pending) {
    const int error = -RemoveFileForce(m_files, pending.sourceDir->Fd(), pending.name.c_str());
    if (error != 0) {
        Fail(pending, error, {});
        return;
    }
    ++m_summary.deletions;
    m_context.OnAction({WalkAction::Delete, pending.sourcePath, {}, {}});
}

void DeletionBatch::Fail(const Pending& pending, int error, std::string_view reason) {
    ++m_summary.failures;
    m_context.OnFailure({FailedOperation::Delete, pending.sourcePath, {}, error, reason});
}

}  // namespace tolvane
