#include "ProgressLine.h"

#include <cinttypes>

#include "PathText.h"
#include "ReportLines.h"
#include "TerminalText.h"

namespace tolvane {

namespace {

constexpr auto kRedrawInterval = std::chrono::milliseconds(200);
constexpr size_t kMinimumWidth = 20;
constexpr size_t kUnknownWidth = 80;  // --progress on a stream that is no terminal

std::string Counters(const ProgressCounts& counts, double seconds) {
    const double rate = seconds > 0 ? static_cast<double>(counts.bytes) / seconds : 0;
    char head[64];
    std::snprintf(head, sizeof head, "%" PRIu64 " entries, %" PRIu64 " copied, ", counts.entries,
                  counts.copies);
    return head + FormatBytes(static_cast<double>(counts.bytes)) + ", " + FormatBytes(rate) + "/s";
}

}  // namespace

std::string FormatProgress(const ProgressCounts& counts, double seconds, std::string_view path,
                           size_t width) {
    if (width < kMinimumWidth) {
        return {};
    }
    std::string line = counts.toVerify > 0 ? "verifying " + std::to_string(counts.verified) + "/" +
                                                 std::to_string(counts.toVerify) + " files"
                                           : Counters(counts, seconds);
    size_t used = TerminalColumns(line);
    if (used >= width) {
        return FitEnd(line, width);
    }
    const bool percentShown = counts.filePercent >= 0 && counts.toVerify == 0 && used + 6 < width;
    if (percentShown) {
        line += ", " + std::to_string(counts.filePercent) + "%";
        used = TerminalColumns(line);
    }
    if (!path.empty() && used + 2 < width) {
        line += percentShown ? " " : ", ";
        line += FitMiddle(path, width - TerminalColumns(line));
    }
    return line;
}

ProgressLine::ProgressLine(std::FILE* stream, bool enabled)
    : m_stream(stream),
      m_start(std::chrono::steady_clock::now()),
      m_lastDrawn(m_start - kRedrawInterval) {
    if (enabled) {
        m_width.emplace(fileno(stream));
    }
}

void ProgressLine::Update(const ProgressCounts& counts, std::string_view path) {
    if (!m_width) {
        return;
    }
    const auto now = std::chrono::steady_clock::now();
    if (now - m_lastDrawn < kRedrawInterval) {
        return;
    }
    m_lastDrawn = now;
    const size_t columns = m_width->Columns();
    const double seconds = std::chrono::duration<double>(now - m_start).count();
    // One column stays free: writing into the last one makes some terminals wrap early.
    const std::string line = FormatProgress(counts, seconds, EscapePath(path),
                                            (columns == 0 ? kUnknownWidth : columns) - 1);
    if (line.empty()) {
        Clear();
        return;
    }
    std::fprintf(m_stream, "\r%s\x1b[K", line.c_str());
    std::fflush(m_stream);
    m_shown = true;
}

void ProgressLine::Clear() {
    if (!m_shown) {
        return;
    }
    std::fputs("\r\x1b[K", m_stream);
    std::fflush(m_stream);
    m_shown = false;
}

}  // namespace tolvane
