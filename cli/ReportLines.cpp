#include "ReportLines.h"

#include <cstring>

#include "PathText.h"

namespace tolvane {

namespace {

std::string FailureReason(const WalkFailure& failure) {
    if (failure.error == 0) {
        return std::string(failure.reason);
    }
    std::string reason = ErrorText(failure.error);
    if (!failure.reason.empty()) {
        reason = std::string(failure.reason) + " (" + reason + ")";
    }
    return reason;
}

const char* ActionWord(WalkAction action) {
    switch (action) {
        case WalkAction::MakeDir:
            return "mkdir";
        case WalkAction::Copy:
            return "copy";
        case WalkAction::Link:
            return "link";
        case WalkAction::Delete:
            return "delete";
        case WalkAction::Skip:
            return "skip";
    }
    return "";
}

}  // namespace

std::string FormatAction(const WalkEvent& event) {
    std::string line = ActionWord(event.action);
    line += ' ';
    switch (event.action) {
        case WalkAction::MakeDir:
            line += EscapePath(event.target);
            break;
        case WalkAction::Copy:
        case WalkAction::Link:
            line += EscapePath(event.source) + " -> " + EscapePath(event.target);
            break;
        case WalkAction::Delete:
            line += EscapePath(event.source);
            break;
        case WalkAction::Skip:
            line += EscapePath(event.source) + ": " + std::string(event.reason);
            break;
    }
    return line;
}

std::string FormatFailure(const WalkFailure& failure) {
    return ErrorLine(DescribeFailure(failure));
}

std::string DescribeFailure(const WalkFailure& failure) {
    std::string what;
    switch (failure.operation) {
        case FailedOperation::Copy:
            what = "copy " + QuotePath(failure.source) + " to " + QuotePath(failure.target);
            break;
        case FailedOperation::Create:
            what = "create " + QuotePath(failure.target);
            break;
        case FailedOperation::Delete:
            what = "delete " + QuotePath(failure.source);
            break;
        case FailedOperation::Read:
            what = "read " + QuotePath(failure.source);
            break;
    }
    return "cannot " + what + ": " + FailureReason(failure);
}

std::string FormatSummary(std::uint64_t copies, std::uint64_t deletions, bool deletionsAsked) {
    std::string text;
    if (deletionsAsked) {
        text += std::to_string(deletions) + " source file(s) deleted.\n";
    }
    text += std::to_string(copies) + " file(s) updated.\n";
    return text;
}

std::string ErrorText(int error) {
    char buffer[256];
    return ::strerror_r(error, buffer, sizeof buffer);  // the GNU form returns the text
}

std::string ErrorLine(const std::string& message) {
    return "tolvane-update: " + message;
}

}  // namespace tolvane
