#include "PosixFileSystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/sendfile.h>
#include <sys/vfs.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <string>

namespace tolvane {

namespace {

// Turns a system call's -1/errno result into this interface's -errno form, retrying EINTR.
template <typename Call>
auto Checked(Call call) -> decltype(call()) {
    for (;;) {
        auto result = call();
        if (result >= 0) {
            return result;
        }
        if (errno != EINTR) {
            return -errno;
        }
    }
}

}  // namespace

int PosixFileSystem::Open(int dirFd, const char* name, int flags, mode_t mode) {
    return Checked([&] { return ::openat(dirFd, name, flags | O_CLOEXEC, mode); });
}

int PosixFileSystem::Close(int fd) {
    // Linux releases the descriptor even when close reports EINTR: never retry it.
    return ::close(fd) == 0 ? 0 : (errno == EINTR ? 0 : -errno);
}

ssize_t PosixFileSystem::ReadDirectory(int fd, void* buffer, size_t length) {
    return Checked([&] { return ::getdents64(fd, buffer, length); });
}

int PosixFileSystem::StatAt(int dirFd, const char* name, struct stat& st) {
    return Checked([&] { return ::fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW); });
}

int PosixFileSystem::Stat(int fd, struct stat& st) {
    return Checked([&] { return ::fstat(fd, &st); });
}

int PosixFileSystem::MakeDir(int dirFd, const char* name, mode_t mode) {
    return Checked([&] { return ::mkdirat(dirFd, name, mode); });
}

int PosixFileSystem::Unlink(int dirFd, const char* name) {
    return Checked([&] { return ::unlinkat(dirFd, name, 0); });
}

int PosixFileSystem::Rename(int dirFd, const char* from, const char* to) {
    return Checked([&] { return ::renameat(dirFd, from, dirFd, to); });
}

int PosixFileSystem::RenameNoReplace(int dirFd, const char* from, const char* to) {
    return Checked([&] { return ::renameat2(dirFd, from, dirFd, to, RENAME_NOREPLACE); });
}

int PosixFileSystem::LinkOpenFile(int fd, int dirFd, const char* name) {
    // AT_EMPTY_PATH names the descriptor itself, but only for a process that may read any
    // folder (root); others go through the descriptor's entry in /proc, a longer lookup.
    static std::atomic<bool> emptyPathWorks{true};
    if (emptyPathWorks.load(std::memory_order_relaxed)) {
        const int result = Checked([&] { return ::linkat(fd, "", dirFd, name, AT_EMPTY_PATH); });
        if (result != -ENOENT) {
            return result;
        }
        emptyPathWorks.store(false, std::memory_order_relaxed);
    }
    const std::string path = "/proc/self/fd/" + std::to_string(fd);
    return Checked(
        [&] { return ::linkat(AT_FDCWD, path.c_str(), dirFd, name, AT_SYMLINK_FOLLOW); });
}

int PosixFileSystem::ChmodAt(int dirFd, const char* name, mode_t mode) {
    // Never through a symbolic link that was swapped in since the caller looked.
    return Checked([&] { return ::fchmodat(dirFd, name, mode, AT_SYMLINK_NOFOLLOW); });
}

int PosixFileSystem::Chmod(int fd, mode_t mode) {
    return Checked([&] { return ::fchmod(fd, mode); });
}

int PosixFileSystem::SetTimes(int fd, const timespec times[2]) {
    return Checked([&] { return ::futimens(fd, times); });
}

int PosixFileSystem::Chown(int fd, uid_t owner, gid_t group) {
    return Checked([&] { return ::fchown(fd, owner, group); });
}

int PosixFileSystem::Truncate(int fd, off_t length) {
    return Checked([&] { return ::ftruncate(fd, length); });
}

off_t PosixFileSystem::Seek(int fd, off_t offset, int whence) {
    return Checked([&] { return ::lseek(fd, offset, whence); });
}

namespace {

// Reads a list or value whose size is only known by asking: grows until it fits.
template <typename Call>
int ReadSized(std::string& text, Call call) {
    for (size_t size = 256;; size *= 4) {
        text.resize(size);
        const ssize_t n = Checked([&] { return call(text.data(), size); });
        if (n >= 0) {
            text.resize(static_cast<size_t>(n));
            return 0;
        }
        if (n != -ERANGE || size > (size_t{1} << 24)) {
            text.clear();
            return static_cast<int>(n);
        }
    }
}

}  // namespace

int PosixFileSystem::ListAttributes(int fd, std::string& names) {
    return ReadSized(names, [&](char* data, size_t size) { return ::flistxattr(fd, data, size); });
}

int PosixFileSystem::GetAttribute(int fd, const char* name, std::string& value) {
    return ReadSized(value,
                     [&](char* data, size_t size) { return ::fgetxattr(fd, name, data, size); });
}

int PosixFileSystem::SetAttribute(int fd, const char* name, const std::string& value) {
    return Checked([&] { return ::fsetxattr(fd, name, value.data(), value.size(), 0); });
}

int PosixFileSystem::ReadLink(int dirFd, const char* name, std::string& text) {
    // A link's text can be as long as the file system allows; grow until it fits.
    size_t size = 256;
    for (;;) {
        text.resize(size);
        ssize_t n = Checked([&] { return ::readlinkat(dirFd, name, text.data(), size); });
        if (n < 0) {
            text.clear();
            return static_cast<int>(n);
        }
        if (static_cast<size_t>(n) < size) {
            text.resize(static_cast<size_t>(n));
            return 0;
        }
        size *= 2;
    }
}

int PosixFileSystem::SymLink(const std::string& text, int dirFd, const char* name) {
    return Checked([&] { return ::symlinkat(text.c_str(), dirFd, name); });
}

int PosixFileSystem::CloneFile(int inFd, int outFd) {
    return Checked([&] { return ::ioctl(outFd, FICLONE, inFd); });
}

ssize_t PosixFileSystem::CopyRange(int inFd, int outFd, size_t length) {
    return Checked([&] { return ::copy_file_range(inFd, nullptr, outFd, nullptr, length, 0); });
}

ssize_t PosixFileSystem::SendFile(int outFd, int inFd, size_t length) {
    return Checked([&] { return ::sendfile(outFd, inFd, nullptr, length); });
}

ssize_t PosixFileSystem::Read(int fd, void* buffer, size_t length) {
    return Checked([&] { return ::read(fd, buffer, length); });
}

ssize_t PosixFileSystem::Write(int fd, const void* buffer, size_t length) {
    return Checked([&] { return ::write(fd, buffer, length); });
}

int PosixFileSystem::DataSync(int fd) {
    return Checked([&] { return ::fdatasync(fd); });
}

int PosixFileSystem::SyncFileSystem(int fd) {
    return Checked([&] { return ::syncfs(fd); });
}

int PosixFileSystem::DropCachedPages(int fd) {
    return -::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);  // returns the error itself
}

int PosixFileSystem::CachedPages(int fd, off_t size, std::uint64_t& pages) {
    pages = 0;
    if (size <= 0) {
        return 0;
    }
    const auto length = static_cast<size_t>(size);
    void* const map = ::mmap(nullptr, length, PROT_READ, MAP_PRIVATE, fd, 0);
    if (map == MAP_FAILED) {
        return -errno;
    }
    const auto pageSize = static_cast<size_t>(::sysconf(_SC_PAGESIZE));
    const size_t total = (length + pageSize - 1) / pageSize;
    unsigned char resident[4096];
    int result = 0;
    for (size_t first = 0; first < total && result == 0; first += sizeof resident) {
        const size_t count = std::min(sizeof resident, total - first);
        if (::mincore(static_cast<char*>(map) + first * pageSize, count * pageSize, resident) !=
            0) {
            result = -errno;
        }
        for (size_t i = 0; i < count && result == 0; ++i) {
            pages += resident[i] & 1U;
        }
    }
    ::munmap(map, length);
    return result;
}

int PosixFileSystem::FileSystemType(int fd, long& type) {
    struct statfs info {};
    const int result = Checked([&] { return ::fstatfs(fd, &info); });
    type = result == 0 ? static_cast<long>(info.f_type) : 0;
    return result;
}

int PosixFileSystem::InodeFlags(int fd, unsigned& flags) {
    int value = 0;
    const int result = Checked([&] { return ::ioctl(fd, FS_IOC_GETFLAGS, &value); });
    flags = result == 0 ? static_cast<unsigned>(value) : 0;
    return result;
}

int PosixFileSystem::LockExclusive(int fd) {
    return Checked([&] { return ::flock(fd, LOCK_EX | LOCK_NB); });
}

PosixFileSystem& PosixFileSystem::Instance() {
    static PosixFileSystem instance;
    return instance;
}

}  // namespace tolvane
