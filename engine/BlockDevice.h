#pragma once

#include <sys/types.h>

#include <string>

namespace tolvane {

// What sysfs tells of the disk behind a file system: the file system's device (st_dev), or,
// for a FUSE file system over a block device (fuseblk), the device it was mounted from.
class BlockDevice {
  public:
    explicit BlockDevice(dev_t fileSystemDevice);

    // True when the disk says it spins (queue/rotational): requests in folder order serve it
    // best, and few at a time.
    bool Rotational() const;

  private:
    std::string ReadDiskAttribute(const char* name) const;

    std::string m_sysfsPath;  // /sys/dev/block/MAJ:MIN, empty when there is none
};

}  // namespace tolvane
