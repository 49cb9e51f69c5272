#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

#include "TerminalWidth.h"

namespace tolvane {

struct ProgressCounts {
    std::uint64_t entries = 0;
    std::uint64_t copies = 0;
    std::uint64_t bytes = 0;  // copied so far, the file in hand included
    int filePercent = -1;     // of the file in hand, once its copy takes a while; else -1
    // While targets are read back: how many are done, of how many (0 when not verifying).
    std::uint64_t verified = 0;
    std::uint64_t toVerify = 0;
};

// One status line, at most width columns: "E entries, C copied, SIZE, RATE/s, P% PATH", or,
// while targets are read back, "verifying V/T files, PATH"; the path shortened in its middle
// to fit. Empty when width is below 20 columns, where nothing
// useful fits.
std::string FormatProgress(const ProgressCounts& counts, double seconds, std::string_view path,
                           size_t width);

// A live status line on a terminal, drawn at the first update and then redrawn in place at
// most five times a second. Lines written to the same terminal by others must be preceded
// by Clear().
class ProgressLine {
  public:
    ProgressLine(std::FILE* stream, bool enabled);

    bool Enabled() const { return m_width.has_value(); }
    // Redraws the line when the last drawing is old enough; path is raw file-system bytes.
    void Update(const ProgressCounts& counts, std::string_view path);
    // Removes the line, so that the next output starts on a clean row.
    void Clear();

  private:
    std::FILE* m_stream;
    std::optional<TerminalWidth> m_width;
    bool m_shown = false;
    std::chrono::steady_clock::time_point m_start;
    std::chrono::steady_clock::time_point m_lastDrawn;
};

}  // namespace tolvane
