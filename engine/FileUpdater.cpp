#include "FileUpdater.h"

#include <cerrno>

namespace tolvane {

namespace {

bool TimesMatch(const timespec& a, const timespec& b, long precisionNs) {
    const long long difference =
        (static_cast<long long>(a.tv_sec) - b.tv_sec) * 1'000'000'000LL + (a.tv_nsec - b.tv_nsec);
    return difference < precisionNs && -difference < precisionNs;
}

// Reached through a second path to the same folder (a bind mount), or an overlay that shows
// the files of its lower layer under their own inode numbers.
bool IsSameFile(const FileJob& job, const struct stat& target) {
    return target.st_ino == job.source.st_ino &&
           (target.st_dev == job.source.st_dev || job.targetOnOverlay);
}

}  // namespace

std::string CaseCollision(const char* name, const std::string& other) {
    return "the target folder does not tell '" + std::string(name) + "' from '" + other + "'";
}

FileUpdater::FileUpdater(const UpdateRequest& request, FileSystem& files,
                         FileCopier::ChunkQuery beforeChunk, ContentComparer::AbandonQuery abandon,
                         PartialIndex* partials)
    : m_request(request),
      m_files(files),
      m_copier(files, std::move(beforeChunk), partials, request.resumable),
      m_comparer(files, std::move(abandon)) {}

void FileUpdater::Update(const FileJob& job, FileReport& report) {
    if (!m_request.copyWhenLarger) {
        return;  // the rule is off: nothing is copied or deleted
    }
    const struct stat& source = job.source;
    struct stat target = job.target;
    bool targetExists = job.targetExists;
    if (!job.statted) {
        const int error = StatTarget(job, target, targetExists);
        if (error != 0) {
            report.Failure(FailedOperation::Copy, error, {});
            return;
        }
    }
    // In a target folder that does not tell case apart, an entry counts only under exactly
    // the source's name: the second of two names that fold together is neither copied nor
    // deleted.
    if (job.targetNames != nullptr) {
        const std::string other = job.targetNames->Claim(job.name, targetExists);
        if (!other.empty()) {
            report.Failure(FailedOperation::Copy, 0, CaseCollision(job.name, other));
            return;
        }
    }
    if (targetExists && !S_ISREG(target.st_mode)) {
        report.Failure(FailedOperation::Copy, 0,
                       "an entry that is not a regular file is in the way");
        return;
    }
    const off_t targetSize = targetExists ? target.st_size : -1;
    if (source.st_size < targetSize) {
        report.Action(WalkAction::Skip, "the target is larger", 0, 0);
        return;
    }
    const bool copy = source.st_size > targetSize;
    if (copy && !CopyFile(job, targetExists ? &target : nullptr, report)) {
        return;
    }
    const bool readBack = job.verify && !m_request.dryRun;
    if (!m_request.deleteFromSource) {
        if (copy && readBack && m_files.StatAt(job.targetFd, job.name, target) == 0) {
            report.ReadBack(source, target, true);
        }
        return;
    }
    if (targetExists && IsSameFile(job, target)) {
        report.Failure(FailedOperation::Delete, 0, "the target is the source file itself");
        return;
    }
    if (copy && !m_request.dryRun && m_files.StatAt(job.targetFd, job.name, target) != 0) {
        report.Failure(FailedOperation::Delete, 0, "it changed while the update ran");
        return;
    }
    if (readBack) {
        report.ReadBack(source, target, copy);
        return;
    }
    if ((!copy || job.verify) && !TargetHoldsData(job, target, copy, report)) {
        return;
    }
    report.Deletion(source, target);
}

std::string FileUpdater::NameTakenReason(const FileJob& job) {
    struct stat existing {};
    if (job.targetNames == nullptr && m_files.StatAt(job.targetFd, job.name, existing) == 0) {
        return "it changed while the update ran";
    }
    return CaseCollision(job.name, "another spelling");
}

int FileUpdater::StatTarget(const FileJob& job, struct stat& target, bool& exists) {
    exists = false;
    if (job.targetFd < 0 || job.targetFolderNew) {
        return 0;
    }
    const int error = -m_files.StatAt(job.targetFd, job.name, target);
    exists = error == 0;
    return error == ENOENT ? 0 : error;
}

bool FileUpdater::WillCopy(const FileJob& job) const {
    return m_request.copyWhenLarger &&
           (!job.targetExists ||
            (S_ISREG(job.target.st_mode) && job.source.st_size > job.target.st_size));
}

// Reports the copy; returns true when the target now holds the whole source as compared.
bool FileUpdater::CopyFile(const FileJob& job, const struct stat* replaced, FileReport& report) {
    off_t bytes = job.source.st_size;
    off_t resumed = 0;
    if (!m_request.dryRun) {
        const CopyResult result = m_copier.Copy(job.sourceFd, job.targetFd, job.targetDevice,
                                                job.name, job.source, replaced, job.relativePath);
        const std::string_view kept =
            result.partialKept ? "the part copied is kept for the next run to resume" : "";
        if (result.error == EAGAIN) {
            report.Failure(FailedOperation::Copy, 0, "it changed while the update ran");
            return false;
        }
        if (result.error == EEXIST) {
            // The name was free when looked up, yet its creation was refused: something made
            // it meanwhile, or the folder holds it under a spelling the lookup did not
            // find. What is there is left alone.
            report.Failure(FailedOperation::Copy, 0, NameTakenReason(job));
            return false;
        }
        if (result.error == ECANCELED) {
            report.Failure(FailedOperation::Copy, 0,
                           "the update was stopped during the copy" +
                               std::string(kept.empty() ? "" : "; ") + std::string(kept));
            return false;
        }
        if (result.error != 0) {
            report.Failure(FailedOperation::Copy, result.error, kept);
            return false;
        }
        if (result.attributesDropped) {
            report.AttributesDropped();
        }
        if (result.shortData) {
            report.Failure(FailedOperation::Copy, 0,
                           "its data ended before its size; copied as far as it goes");
            return false;
        }
        bytes = result.bytes - result.resumed;
        resumed = result.resumed;
    }
    report.Action(resumed > 0 ? WalkAction::Resume : WalkAction::Copy, {},
                  static_cast<std::uint64_t>(bytes), static_cast<std::uint64_t>(resumed));
    return true;
}

// Proof that an equal-sized target holds the source's data: the same modification time, as
// finely as the target's file system keeps it (copies made by this program carry the
// source's time), or else equal contents. With verify, contents are always compared.
bool FileUpdater::TargetHoldsData(const FileJob& job, const struct stat& target, bool copied,
                                  FileReport& report) {
    if (copied && m_request.dryRun) {
        return true;
    }
    if (!job.verify && TimesMatch(job.source.st_mtim, target.st_mtim, job.timePrecisionNs)) {
        return true;
    }
    bool equal = false;
    const int error = m_comparer.Compare(job.sourceFd, job.targetFd, job.name, equal);
    if (error == ECANCELED) {
        report.Failure(FailedOperation::Delete, 0, "the update was stopped during the comparison");
    } else if (error != 0) {
        report.Failure(FailedOperation::Delete, error, {});
    } else if (!equal) {
        report.Failure(FailedOperation::Delete, 0, "the target holds other data of the same size");
    }
    return error == 0 && equal;
}

}  // namespace tolvane
