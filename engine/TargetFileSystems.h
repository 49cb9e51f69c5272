#pragma once

#include <sys/types.h>

#include <vector>

#include "FileSystem.h"

namespace tolvane {

// What the engine must know of a target's file system to tell whether it holds a file: how
// finely it keeps modification times, whether it matches names without regard to case, and
// whether it is an overlay that shows another file system's files under their inode numbers.
// Looked up once per device; the per-folder case-folding flag once per folder.
class TargetFileSystems {
  public:
    struct Traits {
        long timePrecisionNs = 1;
        bool caseInsensitive = false;
        bool caseFoldingPossible = false;  // folders may fold case one by one (ext4, f2fs)
        bool overlay = false;
        bool remote = false;
    };

    explicit TargetFileSystems(FileSystem& files) : m_files(files) {}

    // The traits of the file system that folderFd (on device) lies on.
    const Traits& Of(int folderFd, dev_t device);
    // True when the file system of folderFd answers over a network or through a user-space
    // daemon, where every request waits on a round trip.
    bool IsRemote(int folderFd, dev_t device);
    // True when the folder folderFd matches names without regard to case.
    bool FoldsCase(int folderFd, dev_t device);

  private:
    FileSystem& m_files;
    std::vector<std::pair<dev_t, Traits>> m_known;
};

}  // namespace tolvane
