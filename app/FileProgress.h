#pragma once

#include <chrono>
#include <mutex>
#include <string>
#include <string_view>

#include "WalkReport.h"

namespace tolvane {

// The share of the copy in hand, handed from the run's thread to the window's. The run stores
// every progress event and the end of every entry; the window reads the newest share, which is
// shown only once the file has been copying for a while, so that small files do not flicker.
class FileProgress {
  public:
    static constexpr std::chrono::seconds kShownAfter{1};

    // On the run's thread. A progress event for another file than the one in hand starts
    // that file's clock.
    void Note(const CopyProgress& progress);
    // On the run's thread: the entry is done with (copied, skipped or failed). Returns whether
    // it was the file in hand, whose share is then no longer shown.
    bool End(std::string_view source);
    void Clear();

    // On the window's thread: the copy in hand's percentage, 0 to 100, once it has lasted
    // kShownAfter; -1 otherwise.
    int ShownPercent() const;

  private:
    mutable std::mutex lock;
    std::string source;  // the file in hand, empty when none
    std::chrono::steady_clock::time_point started;
    int percent = 0;
};

}  // namespace tolvane
