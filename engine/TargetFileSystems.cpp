#include "TargetFileSystems.h"

#include <linux/fs.h>

namespace tolvane {

namespace {

// f_type values from linux/magic.h and the file systems' own headers.
constexpr long kVfat = 0x4d44;
constexpr long kExfat = 0x2011BAB0;
constexpr long kNtfs = 0x5346544e;
constexpr long kCifs = 0xFF534D42;
constexpr long kSmb2 = 0xFE534D42;
constexpr long kHfsPlus = 0x482b;
constexpr long kExt4 = 0xEF53;
constexpr long kF2fs = 0xF2F52010;
constexpr long kOverlay = 0x794c7630;
constexpr long kFuse = 0x65735546;
constexpr long kNfs = 0x6969;
constexpr long kNinePee = 0x01021997;
constexpr long kCeph = 0x00c36400;
// FS_CASEFOLD_FL, the per-folder case-folding flag of ext4 and f2fs.
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
        case kNtfs:
        case kCifs:
        case kSmb2:
            traits.timePrecisionNs = 100;
            traits.caseInsensitive = type != kNtfs;
            traits.remote = type != kNtfs;
            break;
        case kFuse:
        case kNfs:
        case kNinePee:
        case kCeph:
            traits.remote = true;
            break;
        case kHfsPlus:
            traits.timePrecisionNs = 1'000'000'000;
            traits.caseInsensitive = true;
            break;
        case kExt4:
        case kF2fs:
            traits.caseFoldingPossible = true;
            break;
        case kOverlay:
            traits.overlay = true;
            break;
        default:
            break;
    }
    return traits;
}

}  // namespace

const TargetFileSystems::Traits& TargetFileSystems::Of(int folderFd, dev_t device) {
    for (const auto& [known, traits] : m_known) {
        if (known == device) {
            return traits;
        }
    }
    long type = 0;
    m_files.FileSystemType(folderFd, type);
    m_known.emplace_back(device, TraitsOf(type));
    return m_known.back().second;
}

bool TargetFileSystems::IsRemote(int folderFd, dev_t device) {
    return Of(folderFd, device).remote;
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
