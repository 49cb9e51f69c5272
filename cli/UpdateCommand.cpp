#include "UpdateCommand.h"

#include <unistd.h>

#include <cerrno>
#include <chrono>

#include "ConsoleContext.h"
#include "PathText.h"
#include "ReportLines.h"
#include "UpdateWalk.h"

namespace tolvane {

namespace {

// The message for a refused pair of roots.
std::string RefusalText(const CommandLine& command, const WalkSummary& summary) {
    const std::string source = QuotePath(command.source);
    const std::string target = QuotePath(command.target);
    const std::string error = ErrorText(summary.refusalError);
    switch (summary.refusal) {
        case RootRefusal::None:
            return {};
        case RootRefusal::SourceUnusable:
            return "cannot read " + source + ": " + error;
        case RootRefusal::SourceNotFolder:
            return "cannot read " + source + ": the source is not a folder";
        case RootRefusal::SameFolder:
            return "cannot update " + target + " from " + source +
                   ": source and target are the same folder";
        case RootRefusal::TargetNotFolder:
            return "cannot create " + target + ": the target is not a folder";
        case RootRefusal::TargetUnusable:
            return "cannot create " + target + ": " + error;
        case RootRefusal::SourceBusy:
            return source + " is being updated by another run";
        case RootRefusal::TargetBusy:
            return target + " is being updated by another run";
    }
    return {};
}

void PrintError(std::FILE* err, const std::string& message) {
    std::fprintf(err, "%s\n", ErrorLine(message).c_str());
}

// The bytes-and-time line is for people: with --verbose, or when a person reads stdout.
bool TotalsWanted(const CommandLine& command, std::FILE* out) {
    switch (command.verbosity) {
        case Verbosity::Quiet:
            return false;
        case Verbosity::Verbose:
            return true;
        case Verbosity::Normal:
            return ::isatty(fileno(out)) == 1;
    }
    return false;
}

UpdateRequest RequestOf(const CommandLine& command) {
    UpdateRequest request;
    request.source = command.source;
    request.target = command.target;
    request.deleteFromSource = command.deleteFromSource;
    request.verify = command.verify == VerifyMode::On    ? UpdateRequest::Verify::Always
                     : command.verify == VerifyMode::Off ? UpdateRequest::Verify::Never
                                                         : UpdateRequest::Verify::Automatic;
    request.jobs = command.jobs;
    request.dryRun = command.dryRun;
    return request;
}

}  // namespace

int RunUpdateCommand(const CommandLine& command, std::FILE* out, std::FILE* err,
                     const StopSignals& stops) {
    const auto start = std::chrono::steady_clock::now();
    ConsoleContext context(command, out, err, stops);
    const WalkSummary summary = RunUpdate(RequestOf(command), context);
    context.ClearProgress();
    if (summary.refusal != RootRefusal::None) {
        PrintError(err, RefusalText(command, summary));
        return kExitRefused;
    }

    if (TotalsWanted(command, out)) {
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        std::fputs(FormatTotals(summary, command, elapsed.count()).c_str(), out);
        std::fputs(FormatVerifyTotals(summary).c_str(), out);
    }
    if (command.verbosity != Verbosity::Quiet) {
        std::fputs(FormatSummary(summary, command).c_str(), out);
    }
    int status = summary.failures > 0 ? kExitSomeFailed : kExitDone;
    if (stops.StopRequested()) {
        status = kExitStopped;
    }
    if (!FinishOutput(out, err) && status == kExitDone) {
        status = kExitSomeFailed;
    }
    return status;
}

bool FinishOutput(std::FILE* out, std::FILE* err) {
    errno = 0;
    if (std::fflush(out) == 0 && std::ferror(out) == 0) {
        return true;
    }
    const int error = errno != 0 ? errno : EIO;
    PrintError(err, std::string("cannot write the report: ") + ErrorText(error));
    return false;
}

}  // namespace tolvane
