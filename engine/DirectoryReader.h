#pragma once

#include <dirent.h>

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
    // How many reads from the folder filled the buffer: the names of one fill share their
    // addresses with those of the next.
    size_t Fills() const { return m_fills; }
    // Calls visit(name, type) for the entry Next gave last and those after it that the
    // buffer holds, until visit returns false.
    template <typename Visit>
    void VisitBuffered(Visit visit) const {
        for (size_t offset = m_current; offset < m_filled;) {
            const auto* entry = reinterpret_cast<const dirent64*>(m_buffer.get() + offset);
            if (!visit(static_cast<const char*>(entry->d_name), entry->d_type)) {
                return;
            }
            offset += entry->d_reclen;
        }
    }

  private:
    FileSystem* m_files;
    int m_fd;
    std::unique_ptr<char[]> m_buffer;  // allocated on first use
    size_t m_filled = 0;
    size_t m_offset = 0;
    size_t m_current = 0;  // of the entry Next gave last
    size_t m_fills = 0;
};

}  // namespace tolvane
