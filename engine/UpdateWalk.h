#pragma once

#include "FileSystem.h"
#include "UpdateContext.h"

namespace tolvane {

// The job the front ends hand to their runner: context is an UpdateContext*. Brings the
// context's target root up to date from its source root, creating a missing target root
// first, and ends with exactly one UpdateDone notice. Always returns 0.
int UpdateThreadProc(void* context);

// Runs the same walk and returns its totals, without the UpdateDone notice.
WalkSummary RunUpdate(UpdateContext& context);

// Deletes name in dirFd. When the deletion is refused (EACCES or EPERM), the owner's write
// bit is added and the deletion tried once more; if that fails too, the mode is put back.
// Returns 0 or -errno of the first refusal.
int RemoveFileForce(FileSystem& files, int dirFd, const char* name);

}  // namespace tolvane
