#include "ReportLines.h"

#include <cstdio>
#include <cstring>
#include <iterator>

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
        case WalkAction::Resume:
            line += EscapePath(event.source) + " -> " + EscapePath(event.target) + " at " +
                    FormatBytes(static_cast<double>(event.resumed)) + " of " +
                    FormatBytes(static_cast<double>(event.resumed + event.bytes));
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
    std::string what = std::string(OperationWord(failure.operation)) + ' ';
    switch (failure.operation) {
        case FailedOperation::Copy:
            what += QuotePath(failure.source) + " to " + QuotePath(failure.target);
            break;
        case FailedOperation::Create:
            what += QuotePath(failure.target);
            break;
        case FailedOperation::Delete:
        case FailedOperation::Read:
            what += QuotePath(failure.source);
            break;
    }
    return "cannot " + what + ": " + FailureReason(failure);
}

std::string FormatSummary(const WalkSummary& summary, const CommandLine& command) {
    const char* would = command.dryRun ? " would be" : "";
    std::string text;
    if (command.deleteFromSource) {
        text += std::to_string(summary.deletions) + " source file(s)" + would + " deleted.\n";
    }
    text += std::to_string(summary.copies) + " file(s)" + would + " updated.\n";
    return text;
}

std::string FormatTotals(const WalkSummary& summary, const CommandLine& command, double seconds) {
    std::string text = command.dryRun ? "Would copy " : "Copied ";
    text += FormatBytes(static_cast<double>(summary.bytesCopied));
    text += command.dryRun ? "; looked in " : " in ";
    text += FormatDuration(seconds);
    if (summary.bytesResumed > 0) {
        text += " (" + FormatBytes(static_cast<double>(summary.bytesResumed)) + " resumed)";
    }
    text += summary.stopped ? ", then stopped.\n" : ".\n";
    return text;
}

std::string FormatVerifyTotals(const WalkSummary& summary) {
    if (summary.filesVerified == 0) {
        return {};
    }
    return "Verified " + FormatBytes(static_cast<double>(summary.bytesVerified)) + " in " +
           FormatDuration(summary.verifySeconds) + ".\n";
}

std::string FormatBytes(double bytes) {
    static constexpr const char* kUnits[] = {"B", "KiB", "MiB", "GiB", "TiB", "PiB"};
    size_t unit = 0;
    while (bytes >= 1024 && unit + 1 < std::size(kUnits)) {
        bytes /= 1024;
        ++unit;
    }
    char text[32];
    std::snprintf(text, sizeof text, unit == 0 ? "%.0f %s" : "%.1f %s", bytes, kUnits[unit]);
    return text;
}

std::string FormatDuration(double seconds) {
    char text[32];
    const auto whole = static_cast<long long>(seconds);
    if (seconds < 60) {
        std::snprintf(text, sizeof text, "%.1f s", seconds);
    } else if (whole < 3600) {
        std::snprintf(text, sizeof text, "%lld min %02lld s", whole / 60, whole % 60);
    } else {
        std::snprintf(text, sizeof text, "%lld h %02lld min", whole / 3600, whole % 3600 / 60);
    }
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
