#pragma once

#include <dirent.h>
#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace tolvane {

// The file-system calls the engine makes, one virtual per system call, so that tests can
// inject failures a real folder cannot produce on demand (disk full, I/O error, a file that
// vanishes between two calls). Every call returns a non-negative value on success and
// -errno on failure; none of them sets or relies on errno. All paths are relative to an
// open directory descriptor. PosixFileSystem is the only implementation in the product.
class FileSystem {
  public:
    virtual ~FileSystem() = default;

    // openat(2). Returns the new descriptor.
    virtual int Open(int dirFd, const char* name, int flags, mode_t mode = 0) = 0;
    virtual int Close(int fd) = 0;

    // getdents64(2): fills buffer with the next entries of the folder fd; 0 at its end.
    virtual ssize_t ReadDirectory(int fd, void* buffer, size_t length) = 0;

    // fstatat(2) without following a final symbolic link.
    virtual int StatAt(int dirFd, const char* name, struct stat& st) = 0;
    virtual int Stat(int fd, struct stat& st) = 0;

    virtual int MakeDir(int dirFd, const char* name, mode_t mode) = 0;
    virtual int Unlink(int dirFd, const char* name) = 0;
    // renameat(2) within one folder, replacing an existing entry of that name.
    virtual int Rename(int dirFd, const char* from, const char* to) = 0;
    // renameat2(2) with RENAME_NOREPLACE: -EEXIST when to exists.
    virtual int RenameNoReplace(int dirFd, const char* from, const char* to) = 0;
    // Gives the open file fd (made with O_TMPFILE) the name name in dirFd; -EEXIST when taken.
    virtual int LinkOpenFile(int fd, int dirFd, const char* name) = 0;
    virtual int ChmodAt(int dirFd, const char* name, mode_t mode) = 0;
    virtual int Chmod(int fd, mode_t mode) = 0;
    virtual int SetTimes(int fd, const timespec times[2]) = 0;
    virtual int Chown(int fd, uid_t owner, gid_t group) = 0;
    virtual int Truncate(int fd, off_t length) = 0;
    // lseek(2); SEEK_DATA and SEEK_HOLE included. Returns the new offset.
    virtual off_t Seek(int fd, off_t offset, int whence) = 0;

    // Extended attributes of an open file: the names, each ending in '\0'; one value; set one.
    virtual int ListAttributes(int fd, std::string& names) = 0;
    virtual int GetAttribute(int fd, const char* name, std::string& value) = 0;
    virtual int SetAttribute(int fd, const char* name, const std::string& value) = 0;

    // readlinkat(2) into text; symlinkat(2) making name point at text.
    virtual int ReadLink(int dirFd, const char* name, std::string& text) = 0;
    virtual int SymLink(const std::string& text, int dirFd, const char* name) = 0;

    // Data transfer, each returning the bytes moved. CloneFile returns 0 on success.
    virtual int CloneFile(int inFd, int outFd) = 0;
    virtual ssize_t CopyRange(int inFd, int outFd, size_t length) = 0;
    virtual ssize_t SendFile(int outFd, int inFd, size_t length) = 0;
    virtual ssize_t Read(int fd, void* buffer, size_t length) = 0;
    virtual ssize_t Write(int fd, const void* buffer, size_t length) = 0;

    virtual int DataSync(int fd) = 0;
    virtual int SyncFileSystem(int fd) = 0;
    // posix_fadvise(2) POSIX_FADV_DONTNEED over the whole file: its clean cached pages go.
    virtual int DropCachedPages(int fd) = 0;
    // Counts the pages of the first size bytes of fd that the page cache holds (mincore(2)
    // over a read-only private mapping, which reads nothing).
    virtual int CachedPages(int fd, off_t size, std::uint64_t& pages) = 0;

    // The file-system type of fd (fstatfs(2) f_type), and a folder's inode flags
    // (FS_IOC_GETFLAGS: case folding among them).
    virtual int FileSystemType(int fd, long& type) = 0;
    virtual int InodeFlags(int fd, unsigned& flags) = 0;

    // flock(2) LOCK_EX | LOCK_NB: -EWOULDBLOCK when another open file holds the lock.
    virtual int LockExclusive(int fd) = 0;
};

}  // namespace tolvane
