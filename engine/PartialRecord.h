#pragma once

#include <sys/stat.h>

#include <cstdint>

#include "FileSystem.h"

namespace tolvane {

// What a partial copy is a copy of, and how much of it is known to be on the storage. It is
// kept in a small file of its own beside the partial rather than in an extended attribute,
// so that it works alike on every target (vfat, exFAT and many FUSE file systems keep no
// attributes), and is one fixed-size block rewritten in place: a checksum tells a torn or
// foreign block, which then counts as no record at all.
struct PartialRecord {
    std::uint64_t device = 0;  // the source's
    std::uint64_t inode = 0;
    std::int64_t size = 0;
    timespec modified{};
    timespec changed{};
    // The bytes of the partial that were flushed with fdatasync before this record was
    // written: after a power loss, what lies past them may be anything.
    std::int64_t durable = 0;

    static PartialRecord Of(const struct stat& source, off_t durable);
    // True when source is the very file this record was made for, unchanged since.
    bool Describes(const struct stat& source) const;

    // Writes the record at the start of fd. Returns 0 or -errno.
    int Write(FileSystem& files, int fd) const;
    // Reads the record at the start of fd; false when there is none, or it is torn or of
    // another format.
    static bool Read(FileSystem& files, int fd, PartialRecord& record);
};

}  // namespace tolvane
