#pragma once

#include "FileSystem.h"
#include "UpdateContext.h"
#include "UpdateObserver.h"
#include "UpdateRequest.h"

namespace tolvane {

// Brings request.target up to date from request.source: checks and locks the roots (creating
// a missing target), walks the tree and returns the totals. A refused pair of roots returns
// at once with summary.refusal set and nothing on disk changed.
WalkSummary RunUpdate(const UpdateRequest& request, UpdateObserver& observer, FileSystem& files);
WalkSummary RunUpdate(const UpdateRequest& request, UpdateObserver& observer);

// The job the window hands to its runner: context is an UpdateContext*. Runs the context's
// request and ends with exactly one UpdateDone notice. Always returns 0.
int UpdateThreadProc(void* context);

}  // namespace tolvane
