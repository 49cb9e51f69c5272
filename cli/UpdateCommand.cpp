#include "UpdateCommand.h"

#include <cerrno>

#include "ConsoleContext.h"
#include "DirectoryPath.h"
#include "PathText.h"
#include "ReportLines.h"
#include "RootCheck.h"
#include "UpdateWalk.h"

namespace tolvane {

namespace {

// The reason a pair of roots is refused, or an empty string when the run may go ahead.
std::string RefusalOf(const CommandLine& command, const RootCheck& check) {
    const std::string source = QuotePath(command.source);
    const std::string target = QuotePath(command.target);
    const std::string_view description = DescribeRootProblem(check.problem);
    switch (check.problem) {
        case RootProblem::None:
            return {};
        case RootProblem::SourceMissing:
            return "cannot read " + source + ": " + ErrorText(check.error);
        case RootProblem::SourceNotDirectory:
            return "cannot read " + source + ": " + std::string(description);
        case RootProblem::SameDirectory:
            return "cannot update " + target + " from " + source + ": " + std::string(description);
        case RootProblem::TargetNotDirectory:
            return "cannot create " + target + ": " + std::string(description);
    }
    return {};
}

// Makes the missing target with its missing parents; returns the refusal when it cannot.
std::string CreateTarget(const CommandLine& command) {
    const int error = MakeDirectoryPath(command.target + "/");
    if (error == 0) {
        return {};
    }
    return "cannot create " + QuotePath(command.target) + ": " + ErrorText(error);
}

// A folder as the walk shows it: without its trailing '/'.
std::string_view ShownFolder(std::string_view path) {
    if (path.size() > 1 && path.back() == '/') {
        path.remove_suffix(1);
    }
    return path;
}

void PrintError(std::FILE* err, const std::string& message) {
    std::fprintf(err, "%s\n", ErrorLine(message).c_str());
}

}  // namespace

int RunUpdateCommand(const CommandLine& command, std::FILE* out, std::FILE* err,
                     const StopSignals& stops) {
    const RootCheck check = CheckRoots(command.source, command.target);
    std::string refusal = RefusalOf(command, check);
    // Made here rather than by the walk, so that a target that cannot be made is refused
    // like the other roots; a dry run leaves it to the walk to report.
    const bool makeTarget = refusal.empty() && check.targetMissing && !command.dryRun;
    if (makeTarget) {
        refusal = CreateTarget(command);
    }
    if (!refusal.empty()) {
        PrintError(err, refusal);
        return kExitRefused;
    }

    ConsoleContext context(command, out, err, stops);
    if (makeTarget) {
        context.OnAction({WalkAction::MakeDir, {}, ShownFolder(command.target), {}});
    }
    UpdateThreadProc(&context);
    context.ClearProgress();

    const WalkSummary& summary = context.Summary();
    if (command.verbosity != Verbosity::Quiet) {
        const std::string closing =
            FormatSummary(context.Copies(), summary.deletions, command.deleteFromSource);
        std::fputs(closing.c_str(), out);
    }
    int status = kExitDone;
    if (summary.failures > 0 || context.FailuresShown() > 0) {
        status = kExitSomeFailed;
    }
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
