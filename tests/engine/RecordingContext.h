#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "UpdateContext.h"

namespace tolvane::test {

// An update context that records everything the walk tells it, for assertions.
// The number of workers the engine tests run with: TOLVANE_TEST_JOBS, else one, so that the
// same tests check the sequential walk and the one with workers.
unsigned JobsOfThisRun();

class RecordingContext : public UpdateContext {
  public:
    RecordingContext(std::string source, std::string target);

    UpdateRequest Request() override {
        return {source, target,
                larger, deleteFromSource,
                dryRun, verify ? UpdateRequest::Verify::Always : UpdateRequest::Verify::Automatic,
                jobs,   resumable};
    }
    void OnEntry(std::string_view path) override;
    bool IsStopRequested() override;
    bool IsAbandonRequested() override {
        return abandonAfterChunks >= 0 && abandonPolls++ >= abandonAfterChunks;
    }
    void OnAction(const WalkEvent& event) override;
    void OnFailure(const WalkFailure& failure) override;
    void OnVerifyProgress(const VerifyProgress& progress) override;
    void UpdateDone(const WalkSummary& summary) override;
    FileSystem& Files() override { return files != nullptr ? *files : UpdateContext::Files(); }

    // Lines such as "copy SRC -> DST" or "fail copy SRC: reason", with the roots cut away.
    bool Has(const std::string& line) const;
    // Whether a line begins so ("fail copy SRC:"): the kind, operation and entry, whatever
    // the reason's wording.
    bool HasStart(const std::string& start) const;
    std::string Relative(std::string_view path) const;

    std::string source;
    std::string target;
    bool larger = true;
    bool deleteFromSource = false;
    bool dryRun = false;
    bool verify = false;  // always; otherwise as the engine chooses
    unsigned jobs = JobsOfThisRun();
    UpdateRequest::Resumable resumable;
    FileSystem* files = nullptr;
    std::function<void()> onEntry;       // called once, at the first entry
    std::function<void()> onEveryEntry;  // called at every entry
    int stopAfterStatuses = -1;          // ask for a stop once this many entries were shown
    int abandonAfterChunks = -1;
    std::atomic<int> abandonPolls{0};

    std::vector<std::string> statuses;
    std::vector<std::string> actions;
    std::vector<std::string> failures;
    // The last read-back progress shown: files read back, of how many. The first one waits
    // verifyPauseMs, long enough for the next to be shown too.
    std::uint64_t verifyDone = 0;
    std::uint64_t verifyTotal = 0;
    int verifyPauseMs = 0;
    std::atomic<unsigned> copyCount{0};
    int doneNotices = 0;
    WalkSummary summary;
};

}  // namespace tolvane::test
