#include "ProgressLine.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <cinttypes>

#include "PathText.h"

namespace tolvane {

namespace {

constexpr auto kRedrawInterval = std::chrono::milliseconds(200);
constexpr size_t kDefaultWidth = 80;
constexpr std::string_view kEllipsis = "\u2026";

std::string FormatBytes(double bytes) {
    static constexpr const char* kUnits[] = {"B", "KiB", "MiB", "GiB", "TiB", "PiB"};
    size_t unit = 0;
    while (bytes >= 1024 && unit + 1 < std::size(kUnits)) {
        bytes /= 1024;
        ++unit;
    }
    char text[32];
    if (unit == 0) {
        std::snprintf(text, sizeof text, "%.0f B", bytes);
    } else {
        std::snprintf(text, sizeof text, "%.1f %s", bytes, kUnits[unit]);
    }
    return text;
}

bool IsContinuationByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// Terminal columns of UTF-8 text; wide East Asian characters take two.
size_t Columns(std::string_view text) {
    size_t columns = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (IsContinuationByte(text[i])) {
            continue;
        }
        // From U+3000 on most characters are wide (CJK, kana, Hangul, emoji); an estimate
        // without a width table, good enough for shortening a status line.
        const bool wide = byte >= 0xE3;
        columns += wide ? 2 : 1;
    }
    return columns;
}

// The end of text that fits in columns, with a leading ellipsis when something was cut.
std::string TailFitting(std::string_view text, size_t columns) {
    if (Columns(text) <= columns) {
        return std::string(text);
    }
    if (columns == 0) {
        return {};
    }
    size_t start = text.size();
    size_t used = 0;
    while (start > 0) {
        size_t previous = start - 1;
        while (previous > 0 && IsContinuationByte(text[previous])) {
            --previous;
        }
        const size_t character = Columns(text.substr(previous, start - previous));
        if (used + character > columns - 1) {
            break;
        }
        used += character;
        start = previous;
    }
    return std::string(kEllipsis) + std::string(text.substr(start));
}

}  // namespace

std::string FormatProgress(const ProgressCounts& counts, double seconds, std::string_view path,
                           size_t width) {
    const double rate = seconds > 0 ? static_cast<double>(counts.bytes) / seconds : 0;
    char head[128];
    std::snprintf(head, sizeof head, "%" PRIu64 " entries, %" PRIu64 " copied, ", counts.entries,
                  counts.copies);
    std::string line = head;
    line += FormatBytes(static_cast<double>(counts.bytes));
    line += ", ";
    line += FormatBytes(rate);
    line += "/s";
    if (Columns(line) >= width) {
        return TailFitting(line, width);
    }
    if (!path.empty() && Columns(line) + 2 < width) {
        line += ", ";
        line += TailFitting(path, width - Columns(line));
    }
    return line;
}

ProgressLine::ProgressLine(std::FILE* stream, bool enabled)
    : m_stream(stream),
      m_enabled(enabled),
      m_start(std::chrono::steady_clock::now()),
      m_lastDrawn(m_start) {}

void ProgressLine::Update(const ProgressCounts& counts, std::string_view path) {
    if (!m_enabled) {
        return;
    }
    const auto now = std::chrono::steady_clock::now();
    if (now - m_lastDrawn < kRedrawInterval) {
        return;
    }
    m_lastDrawn = now;
    const double seconds = std::chrono::duration<double>(now - m_start).count();
    // One column stays free: writing into the last one makes some terminals wrap early.
    const std::string line = FormatProgress(counts, seconds, EscapePath(path), Width() - 1);
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

size_t ProgressLine::Width() const {
    winsize size{};
    if (::ioctl(fileno(m_stream), TIOCGWINSZ, &size) == 0 && size.ws_col > 1) {
        return size.ws_col;
    }
    return kDefaultWidth;
}

}  // namespace tolvane
