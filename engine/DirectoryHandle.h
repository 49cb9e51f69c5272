#pragma once

#include <string>

#include "FileSystem.h"

namespace tolvane {

// An open directory descriptor that closes itself, with the folder's whole path (ending in
// '/') for reports; shared by the walk and the deletions waiting on one folder, so that the
// folder can be reached after the walk has left it.
class DirectoryHandle {
  public:
    DirectoryHandle(FileSystem& files, int fd, std::string path)
        : m_files(files), m_fd(fd), m_path(std::move(path)) {}
    DirectoryHandle(const DirectoryHandle&) = delete;
    DirectoryHandle& operator=(const DirectoryHandle&) = delete;
    ~DirectoryHandle() { m_files.Close(m_fd); }

    int Fd() const { return m_fd; }
    const std::string& Path() const { return m_path; }

  private:
    FileSystem& m_files;
    int m_fd;
    std::string m_path;
};

}  // namespace tolvane
