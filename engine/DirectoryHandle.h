#pragma once

#include <memory>

#include "FileSystem.h"

namespace tolvane {

// An open directory descriptor that closes itself; shared by the deletions waiting on one
// folder so that the folder can be reached after the walk has left it.
class DirectoryHandle {
public:
    DirectoryHandle(FileSystem& files, int fd) : m_files(files), m_fd(fd) {}
    DirectoryHandle(const DirectoryHandle&) = delete;
    DirectoryHandle& operator=(const DirectoryHandle&) = delete;
    ~DirectoryHandle() { m_files.Close(m_fd); }

    int Fd() const { return m_fd; }

    // A second descriptor for the folder dirFd is open on; null when it cannot be opened.
    static std::shared_ptr<DirectoryHandle> Reopen(FileSystem& files, int dirFd);

private:
    FileSystem& m_files;
    int m_fd;
};

}  // namespace tolvane
