#include "BlockDevice.h"

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "TargetFileSystems.h"

namespace tolvane {

namespace {

// The device's folder below sysfsRoot/dev/block, with a partition's resolved to its disk's.
std::string DiskFolderOf(dev_t device, const std::string& sysfsRoot) {
    std::error_code error;
    std::filesystem::path folder =
        std::filesystem::canonical(sysfsRoot + "/dev/block/" + DeviceNumbers(device), error);
    if (error) {
        return {};
    }
    if (std::filesystem::exists(folder / "partition", error)) {
        folder = folder.parent_path();
    }
    return folder.string();
}

}  // namespace

BlockDevice::BlockDevice(dev_t fileSystemDevice, const std::string& sysfsRoot)
    : m_disk(DiskFolderOf(fileSystemDevice, sysfsRoot)) {
    if (!m_disk.empty()) {
        return;
    }
    const std::string source = MountOf(fileSystemDevice).source;
    struct stat node {};
    if (source.starts_with('/') && ::stat(source.c_str(), &node) == 0 && S_ISBLK(node.st_mode)) {
        m_disk = DiskFolderOf(node.st_rdev, sysfsRoot);
    }
}

std::string BlockDevice::SysfsRoot() {
    const char* root = std::getenv("TOLVANE_SYSFS_ROOT");
    return root != nullptr && root[0] != '\0' ? root : "/sys";
}

std::string BlockDevice::ReadDiskAttribute(const char* name) const {
    std::ifstream file(m_disk + "/" + name);
    std::string value;
    return !m_disk.empty() && file >> value ? value : std::string();
}

bool BlockDevice::Rotational() const {
    return ReadDiskAttribute("queue/rotational") == "1";
}

bool BlockDevice::Removable() const {
    return ReadDiskAttribute("removable") == "1";
}

}  // namespace tolvane
