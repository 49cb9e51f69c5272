#include "TargetReadBack.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdint>

namespace tolvane {

namespace {

constexpr int kReadFlags = O_RDONLY | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK;
constexpr long kTmpfs = 0x01021994;
constexpr long kRamfs = 0x858458f6;

}  // namespace

TargetReadBack::TargetReadBack(FileSystem& files, ContentComparer::AbandonQuery abandon)
    : m_files(files), m_comparer(files, std::move(abandon)) {}

int TargetReadBack::Compare(int sourceDir, int targetDir, const char* name, bool& equal) {
    equal = false;
    const int source = m_files.Open(sourceDir, name, kReadFlags);
    if (source < 0) {
        return -source;
    }
    bool direct = false;
    const int target = OpenFromStorage(targetDir, name, direct);
    const int error = target < 0 ? -target : m_comparer.CompareOpen(source, target, direct, equal);
    if (target >= 0) {
        m_files.Close(target);
    }
    m_files.Close(source);
    return error;
}

// Opens name in targetDir so that what is read from it comes from the storage; direct tells
// that it was opened with O_DIRECT. Returns the descriptor or -errno.
//
// O_DIRECT first: it reads from the storage whatever the cache holds, and costs nothing
// beyond the read. Dropping the cached pages instead costs every core a drain of its page
// lists per file (about 150 us each here, three times the read of a small file), so it
// serves only where the file system refuses O_DIRECT.
int TargetReadBack::OpenFromStorage(int targetDir, const char* name, bool& direct) {
    direct = true;
    const int directFd = m_files.Open(targetDir, name, kReadFlags | O_DIRECT);
    if (directFd >= 0 || directFd != -EINVAL) {
        return directFd;
    }
    direct = false;
    const int fd = m_files.Open(targetDir, name, kReadFlags);
    if (fd < 0) {
        return fd;
    }
    struct stat st {};
    if (m_files.Stat(fd, st) != 0 || !S_ISREG(st.st_mode) || InMemory(fd, st.st_dev)) {
        return fd;  // memory is the storage here; anything else fails on reading
    }
    // The batch's sync has made its data durable, so the pages drop at once; a page that is
    // still dirty (written since) or briefly held by another reader stays: flush and ask
    // again.
    if (CacheDropped(fd, st.st_size, false) || CacheDropped(fd, st.st_size, true)) {
        return fd;
    }
    m_files.Close(fd);
    return -EIO;  // the storage cannot be read past the cache: not proof of anything
}

// Whether fd lies on tmpfs or ramfs, asked once per device: a round trip on a share.
bool TargetReadBack::InMemory(int fd, dev_t device) {
    if (!m_deviceKnown || device != m_device) {
        long type = 0;
        m_deviceInMemory =
            m_files.FileSystemType(fd, type) == 0 && (type == kTmpfs || type == kRamfs);
        m_device = device;
        m_deviceKnown = true;
    }
    return m_deviceInMemory;
}

// Drops fd's cached pages, after flushing its data when flush, and tells whether none of
// them is left.
bool TargetReadBack::CacheDropped(int fd, off_t size, bool flush) {
    std::uint64_t pages = 0;
    return (!flush || m_files.DataSync(fd) == 0) && m_files.DropCachedPages(fd) == 0 &&
           m_files.CachedPages(fd, size, pages) == 0 && pages == 0;
}

}  // namespace tolvane
