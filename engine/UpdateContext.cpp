#include "UpdateContext.h"

#include "PosixFileSystem.h"

namespace tolvane {

FileSystem& UpdateContext::Files() {
    return PosixFileSystem::Instance();
}

}  // namespace tolvane
