#pragma once

#include <cstdint>
#include <string_view>

namespace tolvane {

// What the walk did to one entry, for front ends that list actions.
enum class WalkAction {
    MakeDir,  // a target folder was created
    Copy,     // a file was copied
    Resume,   // a copy that an earlier run was cut off in was finished from where it stopped
    Link,     // a symbolic link was recreated
    Delete,   // a source file was deleted
    Skip,     // an entry was left alone on purpose (reason says why)
};

// The operation that failed, worded by the front end ("cannot copy", "cannot create", ...).
enum class FailedOperation { Copy, Create, Delete, Read };

// The word a report line uses for an action: "mkdir", "copy", "resume", "link", "delete",
// "skip".
constexpr const char* ActionWord(WalkAction action) {
    switch (action) {
        case WalkAction::MakeDir:
            return "mkdir";
        case WalkAction::Copy:
            return "copy";
        case WalkAction::Resume:
            return "resume";
        case WalkAction::Link:
            return "link";
        case WalkAction::Delete:
            return "delete";
        case WalkAction::Skip:
            return "skip";
    }
    return "";
}

// The verb of a failed operation: "copy", "create", "delete", "read".
constexpr const char* OperationWord(FailedOperation operation) {
    switch (operation) {
        case FailedOperation::Copy:
            return "copy";
        case FailedOperation::Create:
            return "create";
        case FailedOperation::Delete:
            return "delete";
        case FailedOperation::Read:
            return "read";
    }
    return "";
}

// Paths are whole paths in the file system's bytes; they are valid only during the call.
struct WalkEvent {
    WalkAction action;
    std::string_view source;
    std::string_view target;    // empty for Delete and Skip
    std::string_view reason;    // set for Skip only
    std::uint64_t bytes = 0;    // the bytes a Copy or Resume wrote in this run
    std::uint64_t resumed = 0;  // the bytes of a Resume that an earlier run had written
};

// Whether an action brought an entry over (a copy, a resumed copy or a link).
constexpr bool IsCopy(WalkAction action) {
    return action == WalkAction::Copy || action == WalkAction::Resume || action == WalkAction::Link;
}

// error is an errno value, or 0 when reason says what went wrong.
struct WalkFailure {
    FailedOperation operation;
    std::string_view source;  // empty for Create
    std::string_view target;  // empty for Read and Delete
    int error;
    std::string_view reason;
};

// A copy under way: the file's bytes written so far of its size. fileBytes includes what an
// earlier run had written of a resumed copy (fileResumed).
struct CopyProgress {
    std::string_view source;
    std::uint64_t fileBytes = 0;
    std::uint64_t fileSize = 0;
    std::uint64_t fileResumed = 0;
};

// A read-back of the targets of a deletion batch under way: files of the batch read back so
// far, of those it reads back, and the one in hand.
struct VerifyProgress {
    std::string_view source;
    std::uint64_t files = 0;
    std::uint64_t filesTotal = 0;
};

// Why a run did not start. Nothing on disk was changed.
enum class RootRefusal {
    None,
    SourceUnusable,   // the source cannot be opened as a folder (error says why)
    SourceNotFolder,  // the source exists but is not a folder
    SameFolder,       // both roots name the same folder, however spelt
    TargetNotFolder,  // the target exists but is not a folder
    TargetUnusable,   // the target cannot be opened or created (error says why)
    SourceBusy,       // another run is updating from or into the source
    TargetBusy,       // another run is updating from or into the target
};

// The totals of one run.
struct WalkSummary {
    std::uint64_t entriesVisited = 0;
    std::uint64_t copies = 0;
    std::uint64_t deletions = 0;
    std::uint64_t failures = 0;
    std::uint64_t bytesCopied = 0;   // written by this run
    std::uint64_t bytesResumed = 0;  // kept from earlier runs in the copies this run resumed
    unsigned workers = 1;            // threads that updated files at once (the walk alone: 1)
    // Targets read back from the storage and compared with their sources, the bytes of those
    // that read back right, and the time it took.
    std::uint64_t filesVerified = 0;
    std::uint64_t bytesVerified = 0;
    double verifySeconds = 0;
    bool stopped = false;
    RootRefusal refusal = RootRefusal::None;
    int refusalError = 0;  // errno behind SourceUnusable and TargetUnusable
};

}  // namespace tolvane
