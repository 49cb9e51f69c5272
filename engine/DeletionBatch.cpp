#include "DeletionBatch.h"

#include <sys/resource.h>

#include <algorithm>

#include <cerrno>

namespace tolvane {

namespace {

// Bounds on what a batch holds: entries (memory, about 150 bytes each) and folders (each
// keeps two descriptors open). Every flush costs a sync, so the bounds are generous.
constexpr size_t kMaxEntries = 16384;
constexpr size_t kMaxFolders = 512;

// A quarter of the descriptors the process may open, at most kMaxFolders folders: the walk
// itself needs two per level of depth.
size_t FolderBound() {
    struct rlimit limit {};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) {
        return kMaxFolders;
    }
    return std::clamp<size_t>(limit.rlim_cur / 8, 1, kMaxFolders);
}

bool SameTime(const timespec& a, const timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

}  // namespace

DeletionBatch::DeletionBatch(FileSystem& files, UpdateObserver& observer, WalkSummary& summary)
    : m_files(files),
      m_observer(observer),
      m_summary(summary),
      m_readBack(files, [&observer] { return observer.IsAbandonRequested(); }),
      m_maxFolders(FolderBound()) {}

void DeletionBatch::Add(const std::shared_ptr<DirectoryHandle>& sourceDir,
                        const std::shared_ptr<DirectoryHandle>& targetDir, dev_t targetDevice,
                        const char* name, const struct stat& sourceStat,
                        const std::string& linkText, const struct stat& targetStat,
                        bool targetOnOverlay, Checks checks) {
    if (m_pending.empty() || m_pending.back().sourceDir != sourceDir) {
        ++m_foldersHeld;
    }
    m_pending.push_back({sourceDir, targetDir, targetDevice, sourceStat.st_dev, sourceStat.st_ino,
                         sourceStat.st_size, sourceStat.st_mtim, targetStat.st_ino,
                         targetStat.st_mtim, targetOnOverlay, checks, name, linkText});
    if (m_pending.size() >= kMaxEntries || m_foldersHeld >= m_maxFolders) {
        Flush();
    }
}

void DeletionBatch::Flush() {
    if (m_pending.empty()) {
        return;
    }
    m_readBacks = static_cast<std::uint64_t>(std::count_if(
        m_pending.begin(), m_pending.end(), [](const Pending& p) { return p.checks.readBack; }));
    m_readBacksDone = 0;
    for (const Pending& pending : m_pending) {
        Settle(pending);
    }
    m_pending.clear();
    m_synced.clear();
    m_foldersHeld = 0;
}

void DeletionBatch::Settle(const Pending& pending) {
    const int syncError = SyncTargetOf(pending);
    const char* notHeld = syncError == 0 ? WhyNotHeld(pending) : nullptr;
    if (syncError != 0) {
        Fail(pending, syncError, "the target could not be written to disk");
    } else if (notHeld != nullptr) {
        Fail(pending, 0, notHeld);
    } else if ((!pending.checks.readBack || ReadsBack(pending)) && pending.checks.deleteSource) {
        Delete(pending);
    }
}

// Reads the entry's target back from the storage and compares it with the source: true when
// they are equal. Otherwise reports why, removes the target when this run wrote it, and
// returns false; also when stopped, without a report.
bool DeletionBatch::ReadsBack(const Pending& pending) {
    if (m_observer.IsStopRequested()) {
        return false;
    }
    ShowVerifyProgress(pending);
    const auto start = std::chrono::steady_clock::now();
    bool equal = false;
    const int error = m_readBack.Compare(pending.sourceDir->Fd(), pending.targetDir->Fd(),
                                         pending.name.c_str(), equal);
    m_summary.verifySeconds +=
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    ++m_readBacksDone;
    if (error == ECANCELED) {
        return false;
    }
    ++m_summary.filesVerified;
    if (error != 0) {
        Fail(pending, error, "the target could not be read back from the storage");
        return false;
    }
    if (!equal) {
        Fail(pending, 0, RemoveTarget(pending));
        return false;
    }
    m_summary.bytesVerified += static_cast<std::uint64_t>(pending.size);
    return true;
}

// Tells the observer how far the read-back has come, a few times a second at most.
void DeletionBatch::ShowVerifyProgress(const Pending& pending) {
    constexpr auto kProgressInterval = std::chrono::milliseconds(200);
    const auto now = std::chrono::steady_clock::now();
    if (now - m_lastProgress >= kProgressInterval) {
        m_lastProgress = now;
        m_observer.OnVerifyProgress({SourcePath(pending), m_readBacksDone, m_readBacks});
    }
}

// Removes a target that reads back otherwise when this run wrote it, so that the next run
// does not take it as held. Returns the reason to report.
std::string_view DeletionBatch::RemoveTarget(const Pending& pending) {
    const bool written = pending.checks.written;
    const bool removed =
        written && RemoveFileForce(m_files, pending.targetDir->Fd(), pending.name.c_str()) == 0;
    if (removed) {
        --m_summary.copies;
    }
    if (!pending.checks.deleteSource) {
        return removed ? "the copy reads back different data; it was removed"
                       : "the copy reads back different data and could not be removed";
    }
    return written && !removed ? "the target reads back different data and could not be removed"
                               : "the target reads back different data";
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
    struct stat source {};
    struct stat target {};
    if (m_files.StatAt(pending.sourceDir->Fd(), pending.name.c_str(), source) != 0 ||
        m_files.StatAt(pending.targetDir->Fd(), pending.name.c_str(), target) != 0) {
        return "it changed while the update ran";
    }
    if (source.st_ino == target.st_ino &&
        (source.st_dev == target.st_dev || pending.targetOnOverlay)) {
        return "the target is the source file itself";
    }
    const bool sourceUnchanged =
        source.st_dev == pending.sourceDevice && source.st_ino == pending.sourceInode &&
        source.st_size == pending.size && SameTime(source.st_mtim, pending.modified);
    const bool held =
        pending.linkText.empty()
            ? S_ISREG(target.st_mode) && target.st_size == pending.size &&
                  target.st_ino == pending.targetInode &&
                  SameTime(target.st_mtim, pending.targetModified)
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
    m_observer.OnAction({WalkAction::Delete, SourcePath(pending), {}, {}});
}

void DeletionBatch::Fail(const Pending& pending, int error, std::string_view reason) {
    ++m_summary.failures;
    if (pending.checks.deleteSource) {
        m_observer.OnFailure({FailedOperation::Delete, SourcePath(pending), {}, error, reason});
    } else {
        const std::string target = TargetPath(pending);
        m_observer.OnFailure({FailedOperation::Copy, SourcePath(pending), target, error, reason});
    }
}

int RemoveFileForce(FileSystem& files, int dirFd, const char* name) {
    if (name == nullptr || name[0] == '\0') {
        return 0;
    }
    const int result = files.Unlink(dirFd, name);
    if (result != -EACCES && result != -EPERM) {
        return result;
    }
    struct stat st {};
    if (files.StatAt(dirFd, name, st) != 0 || S_ISLNK(st.st_mode) ||
        files.ChmodAt(dirFd, name, st.st_mode | S_IWUSR) != 0) {
        return result;
    }
    if (files.Unlink(dirFd, name) == 0) {
        return 0;
    }
    files.ChmodAt(dirFd, name, st.st_mode & 07777);  // leave the file as it was found
    return result;
}

const std::string& DeletionBatch::SourcePath(const Pending& pending) {
    m_pathScratch.assign(pending.sourceDir->Path());
    m_pathScratch.append(pending.name);
    return m_pathScratch;
}

std::string DeletionBatch::TargetPath(const Pending& pending) const {
    return std::string(pending.targetDir->Path()) + pending.name;
}

}  // namespace tolvane
