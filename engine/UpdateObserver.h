#pragma once

#include <string_view>

#include "WalkReport.h"

namespace tolvane {

// Receives what a run does, as it happens. Every call comes from the thread that runs the
// update, except IsAbandonRequested, which the run's workers ask too; none may block on
// another thread. Paths are valid only during the call.
class UpdateObserver {
  public:
    virtual ~UpdateObserver() = default;

    // The source path of every entry visited, folders too, in walk order.
    virtual void OnEntry(std::string_view /*path*/) {}
    virtual void OnAction(const WalkEvent& /*event*/) {}
    virtual void OnFailure(const WalkFailure& /*failure*/) {}
    // A copy in progress, a few times a second at most while bytes move.
    virtual void OnProgress(const CopyProgress& /*progress*/) {}
    // Targets being read back from the storage, a few times a second at most.
    virtual void OnVerifyProgress(const VerifyProgress& /*progress*/) {}

    // Polled between entries: the run ends after the entry in hand.
    virtual bool IsStopRequested() { return false; }
    // Polled inside a file copy: the copy in hand is abandoned and what it wrote removed.
    virtual bool IsAbandonRequested() { return false; }
};

}  // namespace tolvane
