#include "BlockDevice.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <fstream>

#include "TargetFileSystems.h"

namespace tolvane {

namespace {

std::string SysfsPathOf(dev_t device) {
    return "/sys/dev/block/" + std::to_string(major(device)) + ":" + std::to_string(minor(device));
}

}  // namespace

BlockDevice::BlockDevice(dev_t fileSystemDevice) {
    const MountEntry mount = MountOf(fileSystemDevice);
    struct stat node {};
    if (mount.type == "fuseblk" && ::stat(mount.source.c_str(), &node) == 0 &&
        S_ISBLK(node.st_mode)) {
        fileSystemDevice = node.st_rdev;
    }
    const std::string path = SysfsPathOf(fileSystemDevice);
    if (::access(path.c_str(), F_OK) == 0) {
        m_sysfsPath = path;
    }
}

// A partition has no queue of its own: its disk's is one folder up.
std::string BlockDevice::ReadDiskAttribute(const char* name) const {
    for (const char* folder : {"/", "/../"}) {
        std::ifstream file(m_sysfsPath + folder + name);
        std::string value;
        if (!m_sysfsPath.empty() && file >> value) {
            return value;
        }
    }
    return {};
}

bool BlockDevice::Rotational() const {
    return ReadDiskAttribute("queue/rotational") == "1";
}

}  // namespace tolvane
