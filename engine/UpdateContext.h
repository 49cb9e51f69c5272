#pragma once

#include "FileSystem.h"
#include "UpdateObserver.h"
#include "UpdateRequest.h"

namespace tolvane {

// The owner of a run started through a job runner (the main window): it hands over the
// request when the run starts, observes it, and receives the end-of-run notice. Every call
// comes from the worker thread; none of them may block on the owner's thread.
class UpdateContext : public UpdateObserver {
  public:
    // Read once, when the run starts.
    virtual UpdateRequest Request() = 0;
    // The end-of-run notice, exactly once per run, as the run's last step.
    virtual void UpdateDone(const WalkSummary& summary) = 0;
    virtual FileSystem& Files();
};

}  // namespace tolvane
