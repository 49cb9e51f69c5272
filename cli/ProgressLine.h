#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace tolvane {

struct ProgressCounts {
    std::uint64_t entries = 0;
    std::uint64_t copies = 0;
    std::uint64_t bytes = 0;
};

// One status line, at most width columns: "E entries, C copied, SIZE, RATE/s, PATH", with the
// path shortened at its front ("…tail") when the line would be too wide.
std::string FormatProgress(const ProgressCounts& counts, double seconds, std::string_view path,
                           size_t width);

// A live status line on a terminal, redrawn in place at most five times a second. Lines
// written to the same terminal by others must be preceded by Clear().
class ProgressLine {
  public:
    ProgressLine(std::FILE* stream, bool enabled);

    bool Enabled() const { return m_enabled; }
    // Redraws the line when the last drawing is old enough; path is raw file-system bytes.
    void Update(const ProgressCounts& counts, std::string_view path);
    // Removes the line, so that the next output starts on a clean row.
    void Clear();

  private:
    size_t Width() const;

    std::FILE* m_stream;
    bool m_enabled;
    bool m_shown = false;
    std::chrono::steady_clock::time_point m_start;
    std::chrono::steady_clock::time_point m_lastDrawn;
};

}  // namespace tolvane
