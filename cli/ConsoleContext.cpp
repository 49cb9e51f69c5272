#include "ConsoleContext.h"

#include <unistd.h>

#include "ReportLines.h"

namespace tolvane {

namespace {

bool ProgressWanted(const CommandLine& command, std::FILE* err) {
    if (command.verbosity == Verbosity::Quiet) {
        return false;
    }
    switch (command.progress) {
        case ProgressMode::On:
            return true;
        case ProgressMode::Off:
            return false;
        case ProgressMode::Auto:
            return ::isatty(fileno(err)) == 1;
    }
    return false;
}

}  // namespace

ConsoleContext::ConsoleContext(const CommandLine& command, std::FILE* out, std::FILE* err,
                               const StopSignals& stops)
    : m_command(command),
      m_out(out),
      m_err(err),
      m_stops(stops),
      m_progress(err, ProgressWanted(command, err)) {}

void ConsoleContext::OnEntry(std::string_view path) {
    ++m_counts.entries;
    m_progress.Update(m_counts, path);
}

void ConsoleContext::OnAction(const WalkEvent& event) {
    if (event.action == WalkAction::Copy || event.action == WalkAction::Link) {
        ++m_counts.copies;
        m_counts.bytes += event.bytes;
    }
    if (m_command.verbosity == Verbosity::Verbose) {
        WriteLine(m_out, FormatAction(event));
    }
}

void ConsoleContext::OnFailure(const WalkFailure& failure) {
    WriteLine(m_err, FormatFailure(failure));
}

void ConsoleContext::WriteLine(std::FILE* stream, const std::string& line) {
    m_progress.Clear();
    std::fputs(line.c_str(), stream);
    std::fputc('\n', stream);
    if (m_progress.Enabled()) {
        // The line must be on the terminal before the progress line is drawn below it.
        std::fflush(stream);
    }
}

}  // namespace tolvane
