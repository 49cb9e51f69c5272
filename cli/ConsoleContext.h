#pragma once

#include <cstdint>
#include <cstdio>

#include "CommandLine.h"
#include "ProgressLine.h"
#include "StopSignals.h"
#include "UpdateObserver.h"

namespace tolvane {

// What the command line makes of a run: its actions on out (with --verbose), its failures on
// err, a progress line on err (when asked for); signals stop it. The run is on the calling
// thread.
class ConsoleContext : public UpdateObserver {
  public:
    ConsoleContext(const CommandLine& command, std::FILE* out, std::FILE* err,
                   const StopSignals& stops);

    void OnEntry(std::string_view path) override;
    void OnAction(const WalkEvent& event) override;
    void OnFailure(const WalkFailure& failure) override;
    void OnProgress(const CopyProgress& progress) override;
    void OnVerifyProgress(const VerifyProgress& progress) override;
    bool IsStopRequested() override;
    bool IsAbandonRequested() override;

    // Removes the progress line before the closing lines are written.
    void ClearProgress() { m_progress.Clear(); }

  private:
    void WriteLine(std::FILE* stream, const std::string& line);
    void NoticeStop();

    const CommandLine& m_command;
    std::FILE* m_out;
    std::FILE* m_err;
    const StopSignals& m_stops;
    ProgressLine m_progress;
    ProgressCounts m_counts;
    std::uint64_t m_bytesDone = 0;  // of the files whose copy has ended
    bool m_stopNoticed = false;
};

}  // namespace tolvane
