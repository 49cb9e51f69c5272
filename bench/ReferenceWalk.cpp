#include "ReferenceWalk.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/sendfile.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <limits>

namespace tolvane::bench {

namespace {

constexpr size_t kNoFolder = std::numeric_limits<size_t>::max();
constexpr size_t kChunk = size_t{8} << 20;

bool IsDotOrDotDot(const char* name) {
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

bool SameTime(const timespec& a, const timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

// copy_file_range within one file system, sendfile across two.
bool CopyData(int in, int out, off_t size) {
    off_t done = 0;
    bool useRange = true;
    while (done < size) {
        const size_t want = static_cast<size_t>(std::min<off_t>(size - done, kChunk));
        ssize_t n = useRange ? ::copy_file_range(in, nullptr, out, nullptr, want, 0)
                             : ::sendfile(out, in, nullptr, want);
        if (n < 0 && useRange && done == 0 && (errno == EXDEV || errno == EOPNOTSUPP)) {
            useRange = false;
            continue;
        }
        if (n <= 0) {
            return n == 0;
        }
        done += n;
    }
    return true;
}

}  // namespace

ReferenceWalk::~ReferenceWalk() {
    for (const FolderPair& pair : m_folders) {
        ::close(pair.sourceFd);
        ::close(pair.targetFd);
    }
}

int ReferenceWalk::Run(const char* source, const char* target) {
    const int sourceFd = ::open(source, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (sourceFd < 0) {
        return 1;
    }
    ::mkdir(target, 0777);
    const int targetFd = ::open(target, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (targetFd < 0) {
        ::close(sourceFd);
        return 1;
    }
    Walk(sourceFd, targetFd);  // takes over sourceFd
    if (m_deleteFromSource) {
        DeletePending(targetFd);
    }
    ::close(targetFd);
    return m_failures == 0 ? 0 : 1;
}

// Walks one folder pair; takes over sourceFd, leaves targetFd to the caller.
void ReferenceWalk::Walk(int sourceFd, int targetFd) {
    DIR* dir = ::fdopendir(sourceFd);
    if (dir == nullptr) {
        ::close(sourceFd);
        ++m_failures;
        return;
    }
    size_t folder = kNoFolder;
    while (const dirent* entry = ::readdir(dir)) {
        if (IsDotOrDotDot(entry->d_name)) {
            continue;
        }
        if (entry->d_type == DT_DIR) {
            Directory(sourceFd, targetFd, entry->d_name);
        } else if (entry->d_type == DT_REG) {
            File(sourceFd, targetFd, entry->d_name, folder);
        }
    }
    ::closedir(dir);
}

void ReferenceWalk::Directory(int sourceFd, int targetFd, const char* name) {
    if (::mkdirat(targetFd, name, 0777) != 0 && errno != EEXIST) {
        ++m_failures;
        return;
    }
    const int childSource =
        ::openat(sourceFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    const int childTarget =
        ::openat(targetFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (childSource >= 0 && childTarget >= 0) {
        Walk(childSource, childTarget);
    } else {
        ++m_failures;
        if (childSource >= 0) {
            ::close(childSource);
        }
    }
    if (childTarget >= 0) {
        ::close(childTarget);
    }
}

void ReferenceWalk::File(int sourceFd, int targetFd, const char* name, size_t& folder) {
    struct stat source {};
    struct stat target {};
    if (::fstatat(sourceFd, name, &source, AT_SYMLINK_NOFOLLOW) != 0) {
        ++m_failures;
        return;
    }
    const bool targetExists = ::fstatat(targetFd, name, &target, AT_SYMLINK_NOFOLLOW) == 0;
    const off_t targetSize = targetExists ? target.st_size : -1;
    if (source.st_size < targetSize) {
        return;
    }
    if (source.st_size > targetSize && !Copy(sourceFd, targetFd, name, source, targetExists)) {
        ++m_failures;
        return;
    }
    if (!m_deleteFromSource) {
        return;
    }
    if (folder == kNoFolder) {
        folder = m_folders.size();
        m_folders.push_back(
            {::fcntl(sourceFd, F_DUPFD_CLOEXEC, 0), ::fcntl(targetFd, F_DUPFD_CLOEXEC, 0)});
    }
    m_pending.push_back({folder, name, source.st_size, source.st_mtim});
}

bool ReferenceWalk::Copy(int sourceFd, int targetFd, const char* name, const struct stat& source,
                         bool targetExists) {
    const int in = ::openat(sourceFd, name, O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (in < 0) {
        return false;
    }
    if (targetExists) {
        ::unlinkat(targetFd, name, 0);
    }
    const int out =
        ::openat(targetFd, name, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    bool copied = out >= 0 && CopyData(in, out, source.st_size);
    if (copied) {
        const timespec times[2] = {source.st_atim, source.st_mtim};
        copied = ::fchmod(out, source.st_mode & 0777) == 0 && ::futimens(out, times) == 0;
    }
    if (out >= 0 && ::close(out) != 0) {
        copied = false;
    }
    ::close(in);
    if (copied) {
        ++m_copies;
    }
    return copied;
}

// One syncfs puts every copy on the disk; a source file goes only when it and its target
// still have the size (and the source its modification time) that was compared.
void ReferenceWalk::DeletePending(int targetRootFd) {
    if (m_pending.empty()) {
        return;
    }
    if (::syncfs(targetRootFd) != 0) {
        m_failures += m_pending.size();
        return;
    }
    for (const Pending& pending : m_pending) {
        const FolderPair& pair = m_folders[pending.folder];
        struct stat source {};
        struct stat target {};
        const bool held =
            ::fstatat(pair.sourceFd, pending.name.c_str(), &source, AT_SYMLINK_NOFOLLOW) == 0 &&
            ::fstatat(pair.targetFd, pending.name.c_str(), &target, AT_SYMLINK_NOFOLLOW) == 0 &&
            source.st_size == pending.size && SameTime(source.st_mtim, pending.modified) &&
            target.st_size == pending.size;
        if (held && ::unlinkat(pair.sourceFd, pending.name.c_str(), 0) == 0) {
            ++m_deletions;
        } else {
            ++m_failures;
        }
    }
}

}  // namespace tolvane::bench
