#include "PartialRecord.h"

#include <fcntl.h>

#include <cstring>

namespace tolvane {

namespace {

constexpr char kMagic[16] = {'t', 'o', 'l', 'v', 'a', 'n', 'e', ' ',
                             'p', 'a', 'r', 't', 'i', 'a', 'l', '1'};
constexpr size_t kFields = 8;
constexpr size_t kBlockSize = sizeof kMagic + (kFields + 1) * sizeof(std::uint64_t);  // + sum

std::uint64_t Checksum(const unsigned char* data, size_t length) {
    std::uint64_t hash = 14695981039346656037ULL;  // FNV-1a
    for (size_t i = 0; i < length; ++i) {
        hash = (hash ^ data[i]) * 1099511628211ULL;
    }
    return hash;
}

}  // namespace

PartialRecord PartialRecord::Of(const struct stat& source, off_t durable) {
    PartialRecord record;
    record.device = source.st_dev;
    record.inode = source.st_ino;
    record.size = source.st_size;
    record.modified = source.st_mtim;
    record.changed = source.st_ctim;
    record.durable = durable;
    return record;
}

bool PartialRecord::Describes(const struct stat& source) const {
    return S_ISREG(source.st_mode) && device == source.st_dev && inode == source.st_ino &&
           size == source.st_size && modified.tv_sec == source.st_mtim.tv_sec &&
           modified.tv_nsec == source.st_mtim.tv_nsec && changed.tv_sec == source.st_ctim.tv_sec &&
           changed.tv_nsec == source.st_ctim.tv_nsec && durable >= 0 && durable <= size;
}

int PartialRecord::Write(FileSystem& files, int fd) const {
    const std::uint64_t fields[kFields] = {
        device,
        inode,
        static_cast<std::uint64_t>(size),
        static_cast<std::uint64_t>(modified.tv_sec),
        static_cast<std::uint64_t>(modified.tv_nsec),
        static_cast<std::uint64_t>(changed.tv_sec),
        static_cast<std::uint64_t>(changed.tv_nsec),
        static_cast<std::uint64_t>(durable),
    };
    unsigned char block[kBlockSize];
    std::memcpy(block, kMagic, sizeof kMagic);
    std::memcpy(block + sizeof kMagic, fields, sizeof fields);
    const std::uint64_t sum = Checksum(block, kBlockSize - sizeof sum);
    std::memcpy(block + kBlockSize - sizeof sum, &sum, sizeof sum);
    const off_t at = files.Seek(fd, 0, SEEK_SET);
    if (at < 0) {
        return static_cast<int>(at);
    }
    // One write of a block this small is never split by the file systems in use; should it
    // be torn all the same, the checksum tells.
    const ssize_t n = files.Write(fd, block, kBlockSize);
    return n < 0 ? static_cast<int>(n) : (n == static_cast<ssize_t>(kBlockSize) ? 0 : -EIO);
}

bool PartialRecord::Read(FileSystem& files, int fd, PartialRecord& record) {
    unsigned char block[kBlockSize + 1];
    if (files.Seek(fd, 0, SEEK_SET) != 0) {
        return false;
    }
    size_t got = 0;
    while (got < sizeof block) {
        const ssize_t n = files.Read(fd, block + got, sizeof block - got);
        if (n < 0) {
            return false;
        }
        if (n == 0) {
            break;
        }
        got += static_cast<size_t>(n);
    }
    if (got != kBlockSize) {
        return false;
    }
    std::uint64_t sum = 0;
    std::memcpy(&sum, block + kBlockSize - sizeof sum, sizeof sum);
    if (std::memcmp(block, kMagic, sizeof kMagic) != 0 ||
        sum != Checksum(block, kBlockSize - sizeof sum)) {
        return false;
    }
    std::uint64_t fields[kFields];
    std::memcpy(fields, block + sizeof kMagic, sizeof fields);
    record.device = fields[0];
    record.inode = fields[1];
    record.size = static_cast<std::int64_t>(fields[2]);
    record.modified = {static_cast<time_t>(fields[3]), static_cast<long>(fields[4])};
    record.changed = {static_cast<time_t>(fields[5]), static_cast<long>(fields[6])};
    record.durable = static_cast<std::int64_t>(fields[7]);
    return true;
}

}  // namespace tolvane
