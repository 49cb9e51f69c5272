#pragma once

#include <string>

#include "FileSystem.h"
#include "WalkReport.h"

namespace tolvane {

struct RunRoots {
    std::string source;
    std::string target;
};

// What the walk needs of its owner: the options, a status line, a copy counter, the stop
// query and the end-of-run notice. The main window and the command line implement it. Every
// call comes from the worker thread; none of them may block on the owner's thread.
class UpdateContext {
public:
    virtual ~UpdateContext() = default;

    // The two roots, copied once at the start of a run.
    virtual RunRoots Roots() = 0;
    // The flags, read for every file as they stand at that moment.
    virtual bool CopyWhenLarger() = 0;
    virtual bool DeleteFromSource() = 0;
    // A dry run changes nothing and reports what a run would do.
    virtual bool IsDryRun() { return false; }

    // The source path of every entry visited, directories too, in walk order.
    virtual void ShowStatus(const std::string& path) = 0;
    // Once per copy made (or, in a dry run, that would be made).
    virtual void CountCopy() = 0;
    // Polled between entries: the walk ends after the entry in hand.
    virtual bool IsStopRequested() = 0;
    // Polled inside a file copy: the copy in hand is abandoned and its partial target removed.
    virtual bool IsAbandonRequested() { return false; }

    virtual void OnAction(const WalkEvent& /*event*/) {}
    virtual void OnFailure(const WalkFailure& /*failure*/) {}

    // The end-of-run notice, exactly once per run, as the walk's last step.
    virtual void UpdateDone(const WalkSummary& summary) = 0;

    virtual FileSystem& Files();
};

}  // namespace tolvane
