#pragma once

#include <sys/types.h>

#include <string>

namespace tolvane {

// What sysfs tells of the disk behind a file system: the file system's own block device, or,
// for one without (FUSE over a disk, as fuseblk), the block device it was mounted from. A
// partition's disk is the folder above it.
class BlockDevice {
  public:
    // sysfsRoot: where sysfs is mounted (see SysfsRoot).
    explicit BlockDevice(dev_t fileSystemDevice, const std::string& sysfsRoot = SysfsRoot());

    // True when the disk says it spins (queue/rotational): requests in folder order serve it
    // best, and few at a time.
    bool Rotational() const;
    // True when sysfs calls the disk removable: USB sticks, SD cards in a reader.
    bool Removable() const;

    // /sys, or the folder that TOLVANE_SYSFS_ROOT names, through which the tests show the
    // engine removable media where the machine has none.
    static std::string SysfsRoot();

  private:
    std::string ReadDiskAttribute(const char* name) const;

    std::string m_disk;  // the disk's folder in sysfs, empty when sysfs does not know it
};

}  // namespace tolvane
