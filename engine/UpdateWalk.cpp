#include "UpdateWalk.h"

#include <cerrno>

#include "TreeUpdater.h"

namespace tolvane {

int UpdateThreadProc(void* context) {
    auto* updateContext = static_cast<UpdateContext*>(context);
    const WalkSummary summary = RunUpdate(*updateContext);
    updateContext->UpdateDone(summary);
    return 0;
}

WalkSummary RunUpdate(UpdateContext& context) {
    TreeUpdater updater(context);
    return updater.Run();
}

int RemoveFileForce(FileSystem& files, int dirFd, const char* name) {
    if (name == nullptr || name[0] == '\0') {
        return 0;
    }
    const int result = files.Unlink(dirFd, name);
    if (result != -EACCES && result != -EPERM) {
        return result;
    }
    struct stat st {};
    if (files.StatAt(dirFd, name, st) != 0 || S_ISLNK(st.st_mode) ||
        files.ChmodAt(dirFd, name, st.st_mode | S_IWUSR) != 0) {
        return result;
    }
    if (files.Unlink(dirFd, name) == 0) {
        return 0;
    }
    files.ChmodAt(dirFd, name, st.st_mode & 07777);  // leave the file as it was found
    return result;
}

}  // namespace tolvane
