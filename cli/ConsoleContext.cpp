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
    m_counts.bytes = m_bytesDone;
    m_counts.filePercent = -1;
    m_counts.toVerify = 0;
    m_progress.Update(m_counts, path);
}

void ConsoleContext::OnAction(const WalkEvent& event) {
    if (IsCopy(event.action)) {
        ++m_counts.copies;
        m_bytesDone += event.bytes;
        m_counts.bytes = m_bytesDone;
    }
    if (m_command.verbosity == Verbosity::Verbose) {
        WriteLine(m_out, FormatAction(event));
    }
}

void ConsoleContext::OnFailure(const WalkFailure& failure) {
    WriteLine(m_err, FormatFailure(failure));
}

// The engine calls this only for a copy that lasts a while, which is when the file's share
// is worth showing.
void ConsoleContext::OnProgress(const CopyProgress& progress) {
    m_counts.bytes = m_bytesDone + progress.fileBytes - progress.fileResumed;
    m_counts.filePercent = progress.fileSize == 0
                               ? 100
                               : static_cast<int>(progress.fileBytes * 100 / progress.fileSize);
    m_progress.Update(m_counts, progress.source);
}

void ConsoleContext::OnVerifyProgress(const VerifyProgress& progress) {
    m_counts.verified = progress.files;
    m_counts.toVerify = progress.filesTotal;
    m_progress.Update(m_counts, progress.source);
}

bool ConsoleContext::IsStopRequested() {
    NoticeStop();
    return m_stops.StopRequested();
}

// Asked by the run's workers too, so it only reads the signals' count: the notice is the
// walk's to write.
bool ConsoleContext::IsAbandonRequested() {
    return m_stops.AbandonRequested();
}

// Tells someone at the terminal, once, what the signal does and how to cut it short.
void ConsoleContext::NoticeStop() {
    if (m_stopNoticed || !m_stops.StopRequested()) {
        return;
    }
    m_stopNoticed = true;
    if (::isatty(fileno(m_err)) == 1) {
        WriteLine(m_err, ErrorLine("stopping after the file in hand; a second signal abandons it"));
    }
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
