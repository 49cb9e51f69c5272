#include "ConsoleContext.h"

#include <sys/stat.h>
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

RunRoots ConsoleContext::Roots() {
    return {m_command.source, m_command.target};
}

void ConsoleContext::ShowStatus(const std::string& path) {
    ++m_counts.entries;
    m_progress.Update(m_counts, path);
}

void ConsoleContext::OnAction(const WalkEvent& event) {
    CountBytes(event);
    if (m_command.verbosity == Verbosity::Verbose) {
        WriteLine(m_out, FormatAction(event));
    }
}

void ConsoleContext::OnFailure(const WalkFailure& failure) {
    ++m_failuresShown;
    WriteLine(m_err, FormatFailure(failure));
}

void ConsoleContext::UpdateDone(const WalkSummary& summary) {
    m_summary = summary;
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

// The walk reports bytes only in its totals; the progress line learns a copy's size from the
// source it was made from, one status read per copy and only while the line is shown.
void ConsoleContext::CountBytes(const WalkEvent& event) {
    if (!m_progress.Enabled() || event.action != WalkAction::Copy || m_command.dryRun) {
        return;
    }
    struct stat st {};
    const std::string source(event.source);
    if (::lstat(source.c_str(), &st) == 0) {
        m_counts.bytes += static_cast<std::uint64_t>(st.st_size);
    }
}

}  // namespace tolvane
