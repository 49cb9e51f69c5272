#pragma once

#include <cstdint>
#include <string_view>

namespace tolvane {

// What the walk did to one entry, for front ends that list actions.
enum class WalkAction {
    MakeDir,  // a target folder was created
    Copy,     // a file was copied
    Link,     // a symbolic link was recreated
    Delete,   // a source file was deleted
    Skip,     // an entry was left alone on purpose (reason says why)
};

// The operation that failed, worded by the front end ("cannot copy", "cannot create", ...).
enum class FailedOperation { Copy, Create, Delete, Read };

// Paths are whole paths in the file system's bytes; they are valid only during the call.
struct WalkEvent {
    WalkAction action;
    std::string_view source;
    std::string_view target;  // empty for Delete and Skip
    std::string_view reason;  // set for Skip only
};

// error is an errno value, or 0 when reason says what went wrong.
struct WalkFailure {
    FailedOperation operation;
    std::string_view source;  // empty for Create
    std::string_view target;  // empty for Read and Delete
    int error;
    std::string_view reason;
};

// The totals of one run, handed to the end-of-run notice.
struct WalkSummary {
    std::uint64_t entriesVisited = 0;
    std::uint64_t copies = 0;
    std::uint64_t deletions = 0;
    std::uint64_t failures = 0;
    std::uint64_t bytesCopied = 0;
    bool stopped = false;
};

}  // namespace tolvane
