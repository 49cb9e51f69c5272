#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "FileSystem.h"

namespace tolvane {

// What the engine must know of a target's file system to tell whether it holds a file: how
// finely it keeps modification times, whether it matches names without regard to case, and
// whether it is an overlay that shows another file system's files under their inode numbers.
// Known from the type where the type settles it; otherwise asked of the file system itself,
// once per device and run (see FileSystemProbe). The per-folder case-folding flag is read
// once per folder.
class TargetFileSystems {
  public:
    struct Traits {
        long timePrecisionNs = 1;
        bool caseInsensitive = false;
        bool caseFoldingPossible = false;  // folders may fold case one by one (ext4, f2fs)
        bool overlay = false;
        bool remote = false;
        bool unsettled = false;  // the type tells neither case nor time precision
    };

    // mayCreate: the probe may make (and remove) an entry of its own in a target folder;
    // false in a dry run.
    TargetFileSystems(FileSystem& files, bool mayCreate) : m_files(files), m_mayCreate(mayCreate) {}

    // The traits of the file system that the target folder folderFd (on device) lies on.
    const Traits& Of(int folderFd, dev_t device);
    // True when the file system of folderFd answers over a network or through a user-space
    // daemon, where every request waits on a round trip. Asks nothing of the folder itself,
    // so that it serves the source too.
    bool IsRemote(int folderFd, dev_t device);
    // True when the target folder folderFd matches names without regard to case.
    bool FoldsCase(int folderFd, dev_t device);
    // True when device lies on removable media (see BlockDevice); asked once per device.
    bool IsRemovable(int folderFd, dev_t device);

  private:
    struct Known {
        dev_t device;
        Traits traits;
        bool observed;
        int removable = -1;  // not yet asked
    };
    Known& KnownOf(int folderFd, dev_t device);

    FileSystem& m_files;
    const bool m_mayCreate;
    std::vector<Known> m_known;
};

// A mount as /proc/self/mountinfo shows it: its type ("fuseblk") and what it was mounted
// from ("/dev/sdb1"); both empty when device is not mounted.
struct MountEntry {
    std::string type;
    std::string source;
};
MountEntry MountOf(dev_t device);

// A device's numbers as the kernel writes them ("8:17"), in the mount table and in sysfs.
std::string DeviceNumbers(dev_t device);

}  // namespace tolvane
