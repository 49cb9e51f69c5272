#pragma once

#include <cstdint>
#include <cstdio>

#include "CommandLine.h"
#include "ProgressLine.h"
#include "StopSignals.h"
#include "UpdateContext.h"

namespace tolvane {

// The walk's owner on the command line: hands it the roots and flags of the command, shows
// its actions on out (with --verbose), its failures on err, a progress line on err (when
// asked for), and lets signals stop it. The walk runs on the calling thread.
class ConsoleContext : public UpdateContext {
  public:
    ConsoleContext(const CommandLine& command, std::FILE* out, std::FILE* err,
                   const StopSignals& stops);

    RunRoots Roots() override;
    bool CopyWhenLarger() override { return true; }
    bool DeleteFromSource() override { return m_command.deleteFromSource; }
    bool IsDryRun() override { return m_command.dryRun; }

    void ShowStatus(const std::string& path) override;
    void CountCopy() override { ++m_counts.copies; }
    bool IsStopRequested() override { return m_stops.StopRequested(); }
    bool IsAbandonRequested() override { return m_stops.AbandonRequested(); }

    void OnAction(const WalkEvent& event) override;
    void OnFailure(const WalkFailure& failure) override;
    void UpdateDone(const WalkSummary& summary) override;

    // Valid after the walk: its totals, and the copies counted one by one.
    const WalkSummary& Summary() const { return m_summary; }
    std::uint64_t Copies() const { return m_counts.copies; }
    std::uint64_t FailuresShown() const { return m_failuresShown; }

    // Removes the progress line before the closing lines are written.
    void ClearProgress() { m_progress.Clear(); }

  private:
    void WriteLine(std::FILE* stream, const std::string& line);
    void CountBytes(const WalkEvent& event);

    const CommandLine& m_command;
    std::FILE* m_out;
    std::FILE* m_err;
    const StopSignals& m_stops;
    ProgressLine m_progress;
    ProgressCounts m_counts;
    std::uint64_t m_failuresShown = 0;
    WalkSummary m_summary;
};

}  // namespace tolvane
