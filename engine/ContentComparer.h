#pragma once

#include <functional>
#include <memory>

#include "FileSystem.h"

namespace tolvane {

// Compares the contents of two files in large chunks, so that a source is deleted only when
// the target provably holds its data.
class ContentComparer {
  public:
    // Polled between chunks; returning true abandons the comparison (ECANCELED).
    using AbandonQuery = std::function<bool()>;

    ContentComparer(FileSystem& files, AbandonQuery abandon);

    // 0 with equal set, or an errno value. name is opened in both folders, never through a
    // symbolic link.
    int Compare(int sourceDir, int targetDir, const char* name, bool& equal);

  private:
    int CompareOpen(int source, int target, bool& equal);
    ssize_t ReadChunk(int fd, char* buffer);

    FileSystem& m_files;
    AbandonQuery m_abandon;
    std::unique_ptr<char[]> m_buffers;  // two chunks, allocated on first use
};

}  // namespace tolvane
