#pragma once

#include <signal.h>

#include <array>

namespace tolvane {

// Turns SIGINT, SIGTERM and SIGHUP into stop requests for the run in progress: the first asks
// the walk to end after the entry in hand, the second also abandons the file being copied.
// After the second the signals take their default action again, so a third one ends the
// process should the walk hang in a system call. A signal that was ignored when the program
// started (nohup, a background job) stays ignored. The handlers are installed for the
// object's life.
class StopSignals {
  public:
    StopSignals();
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    bool StopRequested() const;
    bool AbandonRequested() const;

  private:
    static void Handle(int signalNumber);

    std::array<struct sigaction, 3> m_previous{};
};

}  // namespace tolvane
