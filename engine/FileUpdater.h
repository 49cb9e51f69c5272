#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "ContentComparer.h"
#include "FileCopier.h"
#include "FileSystem.h"
#include "TargetNames.h"
#include "UpdateRequest.h"
#include "WalkReport.h"

namespace tolvane {

// One regular file of the source, with what the rule needs to know of its folders. The
// descriptors stay the walk's; the traits are those of the target folder's file system.
struct FileJob {
    int sourceFd = -1;
    int targetFd = -1;  // -1 when the target folder does not exist (only in a dry run)
    dev_t targetDevice = 0;
    const char* name = nullptr;
    struct stat source {};
    long timePrecisionNs = 1;
    bool targetOnOverlay = false;
    // The target folder was made by this run: no file can be in it yet but what the run puts
    // there, so its status is not read.
    bool targetFolderNew = false;
    // Set when the walk has already read the source's status (source) and the target's
    // (target; targetExists false when there is none), so that they are not read again.
    bool statted = false;
    bool targetExists = false;
    struct stat target {};
    TargetNames* targetNames = nullptr;  // set when the target folder does not tell case apart
    // Read the target back from the storage before the source is deleted (or, without
    // deletion, after the copy), and compare contents even where size and time match.
    bool verify = false;
    std::string_view relativePath;  // the target's path below the target root
};

// What the rule did to one file, in the order it did it.
class FileReport {
  public:
    virtual ~FileReport() = default;
    // bytes: those a copy wrote in this run; resumed: those of a Resume an earlier run wrote.
    virtual void Action(WalkAction action, std::string_view reason, std::uint64_t bytes,
                        std::uint64_t resumed) = 0;
    virtual void Failure(FailedOperation operation, int error, std::string_view reason) = 0;
    // The target holds the source: delete it once the target has reached the disk.
    virtual void Deletion(const struct stat& source, const struct stat& target) = 0;
    // The target must first read back from the storage as the source, once the target has
    // reached the disk; the source is deleted then, when deletion is on. written: this run
    // wrote the target (which is removed when it reads back otherwise).
    virtual void ReadBack(const struct stat& source, const struct stat& target, bool written) = 0;
    // The target's file system refused the source's extended attributes or ACLs.
    virtual void AttributesDropped() = 0;
};

// "the target folder does not tell 'NAME' from 'OTHER'"
std::string CaseCollision(const char* name, const std::string& other);

// The size rule on one regular file: copy when the target is missing or shorter, leave a
// longer target alone, and take an equal size as already updated; with deletion on, delete
// the source once the target provably holds it. Sizes compare as signed 64-bit values. Uses
// no state of the walk, so that several files can be updated at once, one per updater.
class FileUpdater {
  public:
    // partials lists the run's resumable copies; null (a dry run) makes none.
    FileUpdater(const UpdateRequest& request, FileSystem& files, FileCopier::ChunkQuery beforeChunk,
                ContentComparer::AbandonQuery abandon, PartialIndex* partials);

    void Update(const FileJob& job, FileReport& report);

    // Reads the status of job's target (unless its folder is new) into target, and whether
    // there is one into exists. Returns 0 or the errno that failed it.
    int StatTarget(const FileJob& job, struct stat& target, bool& exists);
    // True when the rule copies job's source (its target's status read by StatTarget).
    bool WillCopy(const FileJob& job) const;

  private:
    bool CopyFile(const FileJob& job, const struct stat* replaced, FileReport& report);
    std::string NameTakenReason(const FileJob& job);
    bool TargetHoldsData(const FileJob& job, const struct stat& target, bool copied,
                         FileReport& report);

    const UpdateRequest& m_request;
    FileSystem& m_files;
    FileCopier m_copier;
    ContentComparer m_comparer;
};

}  // namespace tolvane
