#include <clocale>
#include <cstdio>
#include <span>

#include "CommandLine.h"
#include "ReportLines.h"
#include "StopSignals.h"
#include "UpdateCommand.h"

namespace {

int PrintText(std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    return tolvane::FinishOutput(stdout, stderr) ? tolvane::kExitDone : tolvane::kExitSomeFailed;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace tolvane;
    // The user's locale, for the width of characters on the progress line.
    std::setlocale(LC_ALL, "");
    const std::span<const char* const> arguments(argv + 1, static_cast<size_t>(argc - 1));
    const ParsedCommandLine parsed = ParseCommandLine(arguments);
    if (!parsed.error.empty()) {
        std::fprintf(stderr, "%s\nTry 'tolvane-update --help' for more information.\n",
                     ErrorLine(parsed.error).c_str());
        return kExitRefused;
    }
    switch (parsed.command.request) {
        case CommandRequest::Help:
            return PrintText(UsageText());
        case CommandRequest::Version:
            return PrintText(VersionText());
        case CommandRequest::Update:
            break;
    }
    const StopSignals stops;
    return RunUpdateCommand(parsed.command, stdout, stderr, stops);
}
