#include "DirectoryHandle.h"

#include <fcntl.h>

namespace tolvane {

std::shared_ptr<DirectoryHandle> DirectoryHandle::Reopen(FileSystem& files, int dirFd,
                                                         std::string path) {
    const int fd = files.Open(dirFd, ".", O_RDONLY | O_DIRECTORY);
    return fd < 0 ? nullptr : std::make_shared<DirectoryHandle>(files, fd, std::move(path));
}

}  // namespace tolvane
