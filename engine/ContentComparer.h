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
    // The same for two open files, each read from where it stands. targetDirect: target was
    // opened with O_DIRECT, whose reads must start on a block boundary.
    int CompareOpen(int source, int target, bool targetDirect, bool& equal);

  private:
    ssize_t ReadChunk(int fd, char* buffer, bool direct);

    struct FreeBuffers {
        void operator()(char* buffers) const;
    };

    FileSystem& m_files;
    AbandonQuery m_abandon;
    // Two chunks, allocated on first use, aligned for O_DIRECT reads.
    std::unique_ptr<char[], FreeBuffers> m_buffers;
};

}  // namespace tolvane
