#include "TargetFileSystems.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <fstream>
#include <sstream>
#include <string>

#include "BlockDevice.h"
#include "FileSystemProbe.h"

namespace tolvane {

namespace {

// f_type values from linux/magic.h and the file systems' own headers.
constexpr long kVfat = 0x4d44;
constexpr long kExfat = 0x2011BAB0;
constexpr long kCifs = 0xFF534D42;
constexpr long kSmb2 = 0xFE534D42;
constexpr long kHfsPlus = 0x482b;
constexpr long kExt4 = 0xEF53;
constexpr long kF2fs = 0xF2F52010;
constexpr long kTmpfs = 0x01021994;
constexpr long kBtrfs = 0x9123683E;
constexpr long kXfs = 0x58465342;
constexpr long kZfs = 0x2FC12FC1;
constexpr long kOverlay = 0x794c7630;
constexpr long kFuse = 0x65735546;
constexpr long kNfs = 0x6969;
constexpr long kNinePee = 0x01021997;
constexpr long kCeph = 0x00c36400;
// FS_CASEFOLD_FL, the per-folder case-folding flag of ext4, f2fs and tmpfs.
constexpr unsigned kCaseFoldFlag = 0x40000000;

TargetFileSystems::Traits TraitsOf(long type) {
    TargetFileSystems::Traits traits;
    switch (type) {
        case kVfat:
            traits.timePrecisionNs = 2'000'000'000;
            traits.caseInsensitive = true;
            break;
        case kExfat:
            traits.timePrecisionNs = 10'000'000;
            traits.caseInsensitive = true;
            break;
        case kCifs:
        case kSmb2:
            traits.timePrecisionNs = 100;
            traits.caseInsensitive = true;
            traits.remote = true;
            break;
        case kHfsPlus:
            traits.timePrecisionNs = 1'000'000'000;
            traits.caseInsensitive = true;
            break;
        case kExt4:
        case kF2fs:
        case kTmpfs:
            traits.caseFoldingPossible = true;
            break;
        case kBtrfs:
        case kXfs:
        case kZfs:
            break;
        case kOverlay:
            traits.overlay = true;
            break;
        case kFuse:
        case kNfs:
        case kNinePee:
        case kCeph:
            // A share, or whatever a daemon shows: a Mac's or Windows' share, a phone, a stick.
            traits.remote = true;
            traits.unsettled = true;
            break;
        default:
            // NTFS and every type not named here: case and times are asked of it.
            traits.unsettled = true;
            break;
    }
    return traits;
}

}  // namespace

std::string DeviceNumbers(dev_t device) {
    return std::to_string(major(device)) + ":" + std::to_string(minor(device));
}

MountEntry MountOf(dev_t device) {
    std::ifstream mounts("/proc/self/mountinfo");
    const std::string wanted = DeviceNumbers(device);
    std::string line;
    while (std::getline(mounts, line)) {
        // "36 35 98:0 /root /mnt rw,noatime master:1 - ext3 /dev/root rw": the third field is
        // the device; the type and the source follow the " - " that ends the optional fields.
        std::istringstream fields(line);
        std::string id;
        std::string parent;
        std::string numbers;
        fields >> id >> parent >> numbers;
        const size_t separator = line.find(" - ");
        if (numbers == wanted && separator != std::string::npos) {
            std::istringstream rest(line.substr(separator + 3));
            MountEntry entry;
            rest >> entry.type >> entry.source;
            return entry;
        }
    }
    return {};
}

TargetFileSystems::Known& TargetFileSystems::KnownOf(int folderFd, dev_t device) {
    for (Known& known : m_known) {
        if (known.device == device) {
            return known;
        }
    }
    long type = 0;
    m_files.FileSystemType(folderFd, type);
    Traits traits = TraitsOf(type);
    if (type == kFuse && MountOf(device).type == "fuseblk") {
        traits.remote = false;  // a disk of this machine (exFAT, NTFS on a USB disk)
    }
    return m_known.emplace_back(Known{device, traits, !traits.unsettled});
}

const TargetFileSystems::Traits& TargetFileSystems::Of(int folderFd, dev_t device) {
    Known& known = KnownOf(folderFd, device);
    if (!known.observed) {
        known.observed = true;
        const FileSystemProbe::Findings findings =
            FileSystemProbe(m_files, folderFd).Run(m_mayCreate);
        known.traits.caseInsensitive = findings.caseInsensitive;
        known.traits.timePrecisionNs = findings.timePrecisionNs;
    }
    return known.traits;
}

bool TargetFileSystems::IsRemote(int folderFd, dev_t device) {
    return KnownOf(folderFd, device).traits.remote;
}

bool TargetFileSystems::IsRemovable(int folderFd, dev_t device) {
    Known& known = KnownOf(folderFd, device);
    if (known.removable < 0) {
        known.removable = BlockDevice(device).Removable() ? 1 : 0;
    }
    return known.removable == 1;
}

bool TargetFileSystems::FoldsCase(int folderFd, dev_t device) {
    const Traits& traits = Of(folderFd, device);
    if (traits.caseInsensitive || !traits.caseFoldingPossible) {
        return traits.caseInsensitive;
    }
    unsigned flags = 0;
    return m_files.InodeFlags(folderFd, flags) == 0 && (flags & kCaseFoldFlag) != 0;
}

}  // namespace tolvane
