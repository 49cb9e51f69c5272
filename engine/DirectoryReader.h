#pragma once

#include <cstddef>
#include <memory>

#include "FileSystem.h"

namespace tolvane {

// Lists a folder through a descriptor that stays its owner's: unlike a directory stream, the
// listing does not take over the descriptor, so the same one serves the walk and the
// deletions that wait on the folder after the walk has left it.
class DirectoryReader {
  public:
    DirectoryReader(FileSystem& files, int fd) : m_files(&files), m_fd(fd) {}

    // The next entry, "." and ".." included: 0 with name and type set, name null at the end;
    // or -errno. name is valid until the next call.
    int Next(const char*& name, unsigned char& type);

  private:
    FileSystem* m_files;
    int m_fd;
    std::unique_ptr<char[]> m_buffer;  // allocated on first use
    size_t m_filled = 0;
    size_t m_offset = 0;
};

}  // namespace tolvane
