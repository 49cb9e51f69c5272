#include "RunRoots.h"

#include <fcntl.h>
#include <limits.h>
#include <unistd.h>

#include <cerrno>

#include "DirectoryPath.h"

namespace tolvane {

namespace {

constexpr int kRootFlags = O_RDONLY | O_DIRECTORY;

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// The path without its last component ("a/b/c" -> "a/b", "a" -> ".", "/a" -> "/").
std::string ParentOf(const std::string& path) {
    size_t end = path.find_last_not_of('/');
    if (end == std::string::npos) {
        return "/";
    }
    const size_t slash = path.rfind('/', end);
    if (slash == std::string::npos) {
        return ".";
    }
    end = path.find_last_not_of('/', slash);
    return end == std::string::npos ? "/" : path.substr(0, end + 1);
}

// 0 when every folder of path that does not exist yet could be created by this process:
// the path fits, each name fits, and the nearest existing folder above it may be written to.
int CheckCreatable(const std::string& path) {
    if (path.size() >= PATH_MAX) {
        return ENAMETOOLONG;
    }
    size_t start = 0;
    while (start < path.size()) {
        const size_t slash = path.find('/', start);
        const size_t end = slash == std::string::npos ? path.size() : slash;
        if (end - start > NAME_MAX) {
            return ENAMETOOLONG;
        }
        start = end + 1;
    }
    std::string existing = ParentOf(path);
    struct stat st {};
    while (::stat(existing.c_str(), &st) != 0) {
        if (errno != ENOENT) {
            return errno;
        }
        existing = ParentOf(existing);
    }
    if (!S_ISDIR(st.st_mode)) {
        return ENOTDIR;
    }
    return ::faccessat(AT_FDCWD, existing.c_str(), W_OK | X_OK, AT_EACCESS) == 0 ? 0 : errno;
}

// A path that exists but names no folder, told apart from one whose parent is not a folder.
bool ExistsAsNonFolder(const std::string& path, int openError) {
    struct stat st {};
    return openError == ENOTDIR && ::stat(path.c_str(), &st) == 0;
}

}  // namespace

RunRoots::~RunRoots() {
    if (m_sourceFd >= 0) {
        m_files.Close(m_sourceFd);
    }
    if (m_targetFd >= 0) {
        m_files.Close(m_targetFd);
    }
}

RootRefusal RunRoots::Open(const UpdateRequest& request, int& error) {
    error = 0;
    // An empty root names no folder; it must never become "." or "/".
    if (request.source.empty()) {
        error = ENOENT;
        return RootRefusal::SourceUnusable;
    }
    if (request.target.empty()) {
        error = ENOENT;
        return RootRefusal::TargetUnusable;
    }
    RootRefusal refusal = OpenSource(request.source, error);
    if (refusal == RootRefusal::None) {
        refusal = OpenTarget(request.target, request.dryRun, error);
    }
    return refusal;
}

RootRefusal RunRoots::OpenSource(const std::string& path, int& error) {
    // The roots themselves may be symbolic links: the user named them.
    m_sourceFd = m_files.Open(AT_FDCWD, path.c_str(), kRootFlags);
    if (m_sourceFd < 0) {
        error = -m_sourceFd;
        return ExistsAsNonFolder(path, error) ? RootRefusal::SourceNotFolder
                                              : RootRefusal::SourceUnusable;
    }
    m_files.Stat(m_sourceFd, m_source);
    error = Lock(m_sourceFd);
    return error == 0 ? RootRefusal::None : RootRefusal::SourceBusy;
}

RootRefusal RunRoots::OpenTarget(const std::string& path, bool dryRun, int& error) {
    m_targetFd = m_files.Open(AT_FDCWD, path.c_str(), kRootFlags);
    if (m_targetFd == -ENOENT) {
        m_targetFd = -1;
        return CreateTarget(path, dryRun, error);
    }
    if (m_targetFd < 0) {
        error = -m_targetFd;
        m_targetFd = -1;
        return ExistsAsNonFolder(path, error) ? RootRefusal::TargetNotFolder
                                              : RootRefusal::TargetUnusable;
    }
    m_files.Stat(m_targetFd, m_target);
    if (SameFile(m_source, m_target)) {
        // Every file would "hold" itself: with deletion on, the whole source would go.
        return RootRefusal::SameFolder;
    }
    error = Lock(m_targetFd);
    return error == 0 ? RootRefusal::None : RootRefusal::TargetBusy;
}

RootRefusal RunRoots::CreateTarget(const std::string& path, bool dryRun, int& error) {
    error = CheckCreatable(path);
    if (error != 0 || dryRun) {
        return error == 0 ? RootRefusal::None : RootRefusal::TargetUnusable;
    }
    error = MakeDirectoryPath(path + "/");
    if (error == 0) {
        m_targetFd = m_files.Open(AT_FDCWD, path.c_str(), kRootFlags);
        error = m_targetFd < 0 ? -m_targetFd : 0;
    }
    if (error != 0) {
        m_targetFd = -1;
        return RootRefusal::TargetUnusable;
    }
    m_madeTarget = true;
    m_files.Stat(m_targetFd, m_target);
    error = Lock(m_targetFd);
    return error == 0 ? RootRefusal::None : RootRefusal::TargetBusy;
}

// 0, or EWOULDBLOCK when another run holds the folder. A file system that has no locks
// (ENOLCK, EOPNOTSUPP) cannot tell, and is not a reason to refuse.
int RunRoots::Lock(int fd) {
    const int error = -m_files.LockExclusive(fd);
    return error == EWOULDBLOCK ? error : 0;
}

}  // namespace tolvane
