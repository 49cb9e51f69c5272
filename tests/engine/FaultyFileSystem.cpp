#include "FaultyFileSystem.h"

#include <fcntl.h>

#include <unistd.h>
#include <algorithm>
#include <thread>

namespace tolvane::test {

bool FaultyFileSystem::FailNow() {
    return ++dataCalls == failDataCallAt;
}

bool FaultyFileSystem::DataEnded(int inFd) const {
    return dataEndsAt >= 0 && ::lseek(inFd, 0, SEEK_CUR) >= dataEndsAt;
}

int FaultyFileSystem::Open(int dirFd, const char* name, int flags, mode_t mode) {
    if (refuseUnnamed && (flags & O_TMPFILE) == O_TMPFILE) {
        return -EOPNOTSUPP;
    }
    if ((flags & O_DIRECTORY) != 0 && name == unreadableDir) {
        return -EACCES;
    }
    if ((flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE) {
        ++creations;
    }
    const int fd = PosixFileSystem::Open(dirFd, name, flags, mode);
    if (fd >= 0 && (flags & O_ACCMODE) == O_WRONLY) {
        std::lock_guard guard(m_writtenLock);
        m_written.insert(fd);
    }
    if (fd >= 0 && (flags & O_DIRECTORY) != 0 && name == unlistableDir) {
        std::lock_guard guard(m_writtenLock);
        m_unlistable.insert(fd);
    }
    return fd;
}

ssize_t FaultyFileSystem::ReadDirectory(int fd, void* buffer, size_t length) {
    {
        std::lock_guard guard(m_writtenLock);
        if (m_unlistable.count(fd) != 0) {
            return -EIO;
        }
    }
    return PosixFileSystem::ReadDirectory(fd, buffer, length);
}

int FaultyFileSystem::InodeFlags(int fd, unsigned& flags) {
    const int result = PosixFileSystem::InodeFlags(fd, flags);
    flags = inodeFlags != 0 ? inodeFlags : flags;
    return inodeFlags != 0 ? 0 : result;
}

int FaultyFileSystem::Close(int fd) {
    bool written = false;
    {
        std::lock_guard guard(m_writtenLock);
        written = m_written.erase(fd) > 0;
        m_unlistable.erase(fd);
    }
    const int result = PosixFileSystem::Close(fd);
    return written && closeErrorOfWritten != 0 ? -closeErrorOfWritten : result;
}

int FaultyFileSystem::Chown(int fd, uid_t owner, gid_t group) {
    return chownError != 0 ? -chownError : PosixFileSystem::Chown(fd, owner, group);
}

int FaultyFileSystem::SetTimes(int fd, const timespec times[2]) {
    if (onSetTimes) {
        onSetTimes();
    }
    return setTimesError != 0 ? -setTimesError : PosixFileSystem::SetTimes(fd, times);
}

ssize_t FaultyFileSystem::Write(int fd, const void* buffer, size_t length) {
    if (failWrites && FailNow()) {
        return -dataError;
    }
    const size_t take = shortWrites ? length / 2 + 1 : length;
    if (!corruptWrites || take == 0) {
        return PosixFileSystem::Write(fd, buffer, take);
    }
    std::string altered(static_cast<const char*>(buffer), take);
    altered[0] = static_cast<char>(altered[0] ^ 1);
    return PosixFileSystem::Write(fd, altered.data(), take);
}

int FaultyFileSystem::FileSystemType(int fd, long& type) {
    const int result = PosixFileSystem::FileSystemType(fd, type);
    type = fileSystemType != 0 ? fileSystemType : type;
    return result;
}

int FaultyFileSystem::Unlink(int dirFd, const char* name) {
    if (name == refuseUnlinkOf) {
        return -EACCES;
    }
    for (int left = refusedUnlinks.load(); left > 0;) {
        if (refusedUnlinks.compare_exchange_weak(left, left - 1)) {
            return -EACCES;
        }
    }
    return PosixFileSystem::Unlink(dirFd, name);
}

int FaultyFileSystem::RenameNoReplace(int dirFd, const char* from, const char* to) {
    return from == refuseRenameFrom ? -EIO : PosixFileSystem::RenameNoReplace(dirFd, from, to);
}

int FaultyFileSystem::StatAt(int dirFd, const char* name, struct stat& st) {
    ++statCalls;
    std::this_thread::sleep_for(statDelay);
    struct stat folder {};
    if (hiddenNames.count(name) != 0 && PosixFileSystem::Stat(dirFd, folder) == 0 &&
        folder.st_ino == hiddenInFolder) {
        return -hiddenError;
    }
    if (name == vanishingName) {
        return -ENOENT;
    }
    const int result = PosixFileSystem::StatAt(dirFd, name, st);
    if (result == -ENOENT && !otherSpelling.empty() && name == otherSpelling) {
        return PosixFileSystem::StatAt(dirFd, listedSpelling.c_str(), st);
    }
    return result;
}

ssize_t FaultyFileSystem::CopyRange(int inFd, int outFd, size_t length) {
    if (refuseRange) {
        return -EXDEV;
    }
    if (rangeMovesNothing || DataEnded(inFd)) {
        return 0;
    }
    return FailNow() ? -dataError : PosixFileSystem::CopyRange(inFd, outFd, length / 2 + 1);
}

ssize_t FaultyFileSystem::SendFile(int outFd, int inFd, size_t length) {
    if (refuseSend) {
        return -EINVAL;
    }
    if (DataEnded(inFd)) {
        return 0;
    }
    return FailNow() ? -dataError : PosixFileSystem::SendFile(outFd, inFd, length / 2 + 1);
}

ssize_t FaultyFileSystem::Read(int fd, void* buffer, size_t length) {
    if (DataEnded(fd)) {
        return 0;
    }
    // Short reads, as pipes and networks give them; a file opened with O_DIRECT reads whole
    // blocks, so it is read short by whole blocks.
    constexpr size_t kBlock = 4096;
    const bool direct = (::fcntl(fd, F_GETFL) & O_DIRECT) != 0;
    const size_t take = direct ? std::max(kBlock, length / 2 / kBlock * kBlock) : length / 2 + 1;
    return FailNow() ? -dataError : PosixFileSystem::Read(fd, buffer, std::min(length, take));
}

int FaultyFileSystem::DataSync(int fd) {
    if (beforeDataSync) {
        beforeDataSync();
    }
    if (failDataSyncFrom > 0 && ++dataSyncs >= failDataSyncFrom) {
        return -EIO;
    }
    const int error = PosixFileSystem::DataSync(fd);
    struct stat flushed {};
    if (error == 0 && PosixFileSystem::Stat(fd, flushed) == 0) {
        std::lock_guard guard(m_writtenLock);
        syncedSizes.push_back(flushed.st_size);
    }
    return error;
}

int FaultyFileSystem::SyncFileSystem(int fd) {
    ++syncCalls;
    if (beforeSync) {
        beforeSync();
    }
    if (syncError != 0 || skipRealSync) {
        return -syncError;
    }
    return PosixFileSystem::SyncFileSystem(fd);
}

}  // namespace tolvane::test
