#pragma once

#include <signal.h>

namespace tolvane {

// Turns SIGINT and SIGTERM into stop requests for the run in progress: the first asks the
// walk to end after the entry in hand, the second also abandons the file being copied. After
// the second the signals take their default action again, so a third one ends the process
// should the walk hang in a system call. The handlers are installed for the object's life.
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

    struct sigaction m_previousInt {};
    struct sigaction m_previousTerm {};
};

}  // namespace tolvane
