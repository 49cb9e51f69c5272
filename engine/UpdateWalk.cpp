#include "UpdateWalk.h"

#include <sys/resource.h>

#include <mutex>

#include "PosixFileSystem.h"
#include "TreeUpdater.h"

namespace tolvane {

namespace {

// The walk keeps two descriptors open per folder level, and a batch of deletions keeps more,
// so a deep tree needs more than the usual soft limit of 1024; the hard limit is the real
// bound. Raised once per process, before the deletion batch sizes itself on it.
void RaiseDescriptorLimit() {
    static std::once_flag once;
    std::call_once(once, [] {
        struct rlimit limit {};
        if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
            limit.rlim_cur = limit.rlim_max;
            ::setrlimit(RLIMIT_NOFILE, &limit);
        }
    });
}

}  // namespace

WalkSummary RunUpdate(const UpdateRequest& request, UpdateObserver& observer, FileSystem& files) {
    RaiseDescriptorLimit();
    TreeUpdater updater(request, observer, files);
    return updater.Run();
}

WalkSummary RunUpdate(const UpdateRequest& request, UpdateObserver& observer) {
    return RunUpdate(request, observer, PosixFileSystem::Instance());
}

int UpdateThreadProc(void* context) {
    auto* updateContext = static_cast<UpdateContext*>(context);
    const WalkSummary summary =
        RunUpdate(updateContext->Request(), *updateContext, updateContext->Files());
    updateContext->UpdateDone(summary);
    return 0;
}

}  // namespace tolvane
