#pragma once

#include "FileSystem.h"

namespace tolvane {

// The file-system interface over the real system calls; EINTR is retried here.
class PosixFileSystem : public FileSystem {
  public:
    int Open(int dirFd, const char* name, int flags, mode_t mode) override;
    int Close(int fd) override;
    ssize_t ReadDirectory(int fd, void* buffer, size_t length) override;
    int StatAt(int dirFd, const char* name, struct stat& st) override;
    int Stat(int fd, struct stat& st) override;
    int MakeDir(int dirFd, const char* name, mode_t mode) override;
    int Unlink(int dirFd, const char* name) override;
    int Rename(int dirFd, const char* from, const char* to) override;
    int RenameNoReplace(int dirFd, const char* from, const char* to) override;
    int LinkOpenFile(int fd, int dirFd, const char* name) override;
    int ChmodAt(int dirFd, const char* name, mode_t mode) override;
    int Chmod(int fd, mode_t mode) override;
    int SetTimes(int fd, const timespec times[2]) override;
    int Chown(int fd, uid_t owner, gid_t group) override;
    int Truncate(int fd, off_t length) override;
    off_t Seek(int fd, off_t offset, int whence) override;
    int ListAttributes(int fd, std::string& names) override;
    int GetAttribute(int fd, const char* name, std::string& value) override;
    int SetAttribute(int fd, const char* name, const std::string& value) override;
    int ReadLink(int dirFd, const char* name, std::string& text) override;
    int SymLink(const std::string& text, int dirFd, const char* name) override;
    int CloneFile(int inFd, int outFd) override;
    ssize_t CopyRange(int inFd, int outFd, size_t length) override;
    ssize_t SendFile(int outFd, int inFd, size_t length) override;
    ssize_t Read(int fd, void* buffer, size_t length) override;
    ssize_t Write(int fd, const void* buffer, size_t length) override;
    int DataSync(int fd) override;
    int SyncFileSystem(int fd) override;
    int DropCachedPages(int fd) override;
    int CachedPages(int fd, off_t size, std::uint64_t& pages) override;
    int FileSystemType(int fd, long& type) override;
    int InodeFlags(int fd, unsigned& flags) override;
    int LockExclusive(int fd) override;

    // The one instance the front ends use.
    static PosixFileSystem& Instance();
};

}  // namespace tolvane
