// bench_delayfs: a pass-through FUSE file system that answers every request after a fixed
// delay, so that bench/run can measure copies onto and from a share with network latency. It
// can also behave like the file systems that phones, USB sticks and other systems' shares
// show through FUSE, for the tests: names matched without regard to case, a rename onto an
// existing name refused, times kept only to a coarser step; and like a fake-capacity stick
// that accepts every write but keeps only so many bytes (--store-limit), dropping the rest or
// wrapping them around onto what it holds already (--wrap-around), with the page cache on
// (--cached), so that a read right after a write shows what was written, not what was kept.
//
//   bench_delayfs [--delay-ms=MS] [--stats=FILE] [--fold-case] [--no-replace]
//                 [--time-step-ns=NS] [--cached] [--store-limit=BYTES [--wrap-around]]
//                 BACKING MOUNTPOINT [FUSE options]
//
// Every request that reaches this daemon and waits for an answer sleeps MS milliseconds
// (default 1) before it is served from the folder BACKING. The kernel is kept from hiding that
// latency: attribute, entry and negative timeouts default to 0 (every path step and every
// stat goes to the daemon, as on a share without client-side caching), files are opened with
// direct I/O (every read and write is a request, none is answered from the page cache), and
// the daemon serves requests on up to 256 threads, so that requests sent in parallel wait
// in parallel, as they would on a file server. Later -o options override these defaults.
#define FUSE_USE_VERSION 314

#include <dirent.h>
#include <fcntl.h>
#include <fuse.h>
#include <fuse_opt.h>
#include <strings.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cmath>
#include <csignal>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Settings {
    double delayMs = 1.0;
    const char* stats = nullptr;    // --stats=FILE: where the request counts go
    const char* backing = nullptr;  // the first operand, not passed on to FUSE
    int foldCase = 0;               // --fold-case: names match without regard to ASCII case
    int noReplace = 0;              // --no-replace: a rename onto an existing name is refused
    long timeStepNs = 1;            // --time-step-ns: times set are cut to a multiple of this
    int cached = 0;                 // --cached: the kernel's page cache keeps file data
    long long storeLimit = 0;       // --store-limit: data bytes kept of all written; 0 all
    int wrapAround = 0;             // --wrap-around: writes past the limit land over earlier ones
    int showHelp = 0;
};

Settings gSettings;
int gRootFd = -1;       // the backing folder, base of every *at() call
std::string gRootPath;  // its absolute path, for the xattr calls that only take paths
timespec gDelay{0, 0};

// The operations that serve requests. A request is counted under the first operation that
// serves it (a setattr under chmod, chown, truncate or utimens; a lookup under getattr).
enum class Op {
    kGetAttr,
    kReadLink,
    kMkNod,
    kMkDir,
    kUnlink,
    kRmDir,
    kSymLink,
    kRename,
    kLink,
    kChMod,
    kChOwn,
    kTruncate,
    kUTimeNs,
    kOpen,
    kCreate,
    kRead,
    kWrite,
    kStatFs,
    kFlush,
    kRelease,
    kFSync,
    kSetXAttr,
    kGetXAttr,
    kListXAttr,
    kRemoveXAttr,
    kOpenDir,
    kReadDir,
    kReleaseDir,
    kAccess,
    kFAllocate,
    kLSeek,
    kCount,
};

// Their names in the request counts, in the order of Op.
const char* const kOpNames[] = {
    "getattr",  "readlink",  "mknod",     "mkdir",       "unlink",   "rmdir",   "symlink",
    "rename",   "link",      "chmod",     "chown",       "truncate", "utimens", "open",
    "create",   "read",      "write",     "statfs",      "flush",    "release", "fsync",
    "setxattr", "getxattr",  "listxattr", "removexattr", "opendir",  "readdir", "releasedir",
    "access",   "fallocate", "lseek"};
static_assert(sizeof(kOpNames) / sizeof(kOpNames[0]) == static_cast<size_t>(Op::kCount));
std::atomic<unsigned long> gCounts[static_cast<size_t>(Op::kCount)];
std::atomic<unsigned long long> gBytesRead{0};  // file data the reads handed out

// The lying storage of --store-limit: each write takes the next device offsets from a
// running counter, as a drive that fills itself from the start does. Without --wrap-around,
// the bytes at device offsets past the limit are dropped (they read back as zeros); with it,
// every byte is kept at its device offset modulo the limit, in gImage, and the reads of a
// file are mapped back through its extents, so that later writes show over earlier ones.
std::atomic<unsigned long long> gDeviceOffset{0};
struct Extent {
    off_t offset;  // in the file
    size_t length;
    unsigned long long device;  // where its first byte went
};
std::mutex gImageLock;
std::vector<char> gImage;                       // --wrap-around: guarded by gImageLock
std::map<ino_t, std::vector<Extent>> gExtents;  // per backing inode, oldest first

// Set by an operation that the library follows, within the same request and on the same
// thread, by a getattr (the attributes of a made entry, or of an entry after setattr): the
// request has then already waited, and that getattr does not wait again. Each request that
// reaches the daemon thus waits exactly once.
thread_local bool tAlreadyWaited = false;

void Wait(Op op) {
    if (tAlreadyWaited) {
        tAlreadyWaited = false;
        return;
    }
    gCounts[static_cast<size_t>(op)].fetch_add(1, std::memory_order_relaxed);
    timespec left = gDelay;
    while (::nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}

// For the operations that the library follows by a getattr on success.
int WaitThenMark(int result) {
    tAlreadyWaited = (result == 0);
    return result;
}

// The spelling under which folder (below gRootFd) holds name, ignoring ASCII case; name
// itself when no entry matches.
std::string FoldedSpelling(const std::string& folder, const std::string& name) {
    const int fd = ::openat(gRootFd, folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* dir = fd < 0 ? nullptr : ::fdopendir(fd);
    if (dir == nullptr) {
        if (fd >= 0) {
            ::close(fd);
        }
        return name;
    }
    std::string spelling = name;
    while (const dirent* entry = ::readdir(dir)) {
        if (::strcasecmp(entry->d_name, name.c_str()) == 0) {
            spelling = entry->d_name;
            break;
        }
    }
    ::closedir(dir);
    return spelling;
}

// The backing entry of a FUSE path: "/a/b" is "a/b" below gRootFd, "/" is ".". With
// --fold-case, a component that does not exist as spelt takes the spelling of an entry that
// matches it without regard to case, as a file system that ignores case finds it.
std::string Rel(const char* path) {
    while (*path == '/') {
        ++path;
    }
    if (*path == '\0') {
        return ".";
    }
    if (gSettings.foldCase == 0) {
        return path;
    }
    std::string resolved;
    for (const char* part = path; *part != '\0';) {
        const char* end = std::strchr(part, '/');
        const std::string name = end == nullptr ? std::string(part) : std::string(part, end);
        const std::string folder = resolved.empty() ? "." : resolved;
        std::string candidate = resolved.empty() ? name : resolved + "/" + name;
        struct stat st {};
        if (::fstatat(gRootFd, candidate.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            const std::string spelling = FoldedSpelling(folder, name);
            candidate = resolved.empty() ? spelling : resolved + "/" + spelling;
        }
        resolved = candidate;
        part = end == nullptr ? part + name.size() : end + 1;
    }
    return resolved;
}

std::string Full(const char* path) {
    return gRootPath + "/" + Rel(path);
}

int Result(int rc) {
    return rc < 0 ? -errno : 0;
}

// Appends one line to the stats file: "pid N" when started, then on each SIGUSR1 the counts of
// the requests served since the line before ("requests N getattr=N ..."), which start again
// from zero. The daemon has no terminal once it runs in the background; the file is how
// bench/run learns how many round trips each command made.
void AppendStats(const std::string& line) {
    if (gSettings.stats == nullptr) {
        return;
    }
    if (FILE* file = std::fopen(gSettings.stats, "a")) {
        std::fprintf(file, "%s\n", line.c_str());
        std::fclose(file);
    }
}

void ReportCounts() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGUSR1);
    for (;;) {
        int received = 0;
        if (sigwait(&set, &received) != 0) {
            return;
        }
        unsigned long total = 0;
        std::string detail;
        for (size_t i = 0; i < static_cast<size_t>(Op::kCount); ++i) {
            const unsigned long n = gCounts[i].exchange(0, std::memory_order_relaxed);
            if (n != 0) {
                total += n;
                detail += " " + std::string(kOpNames[i]) + "=" + std::to_string(n);
            }
        }
        const unsigned long long bytes = gBytesRead.exchange(0, std::memory_order_relaxed);
        if (bytes != 0) {
            detail += " read-bytes=" + std::to_string(bytes);
        }
        AppendStats("requests " + std::to_string(total) + detail);
    }
}

void* Init(fuse_conn_info* conn, fuse_config* cfg) {
    // Started here, after the daemon has forked into the background. SIGUSR1 is blocked in
    // every thread (see main), so only this one takes it.
    if (gSettings.stats != nullptr) {
        AppendStats("pid " + std::to_string(::getpid()));
        std::thread(ReportCounts).detach();
    }
    cfg->use_ino = 1;  // the backing inode numbers, stable as on a real share
    cfg->readdir_ino = 1;
    cfg->hard_remove = 1;  // unlink open files at once, no hidden renames (and their getattrs)
    // Every read and write goes to the daemon, and nothing is kept in the page cache across
    // opens; --cached keeps what was written or read in the cache, across opens too.
    cfg->direct_io = gSettings.cached == 0 ? 1 : 0;
    cfg->kernel_cache = gSettings.cached;
    cfg->auto_cache = 0;
    if (gSettings.cached != 0) {
        // A file's pages would go whenever its time changes, which every write does.
        conn->want &= ~FUSE_CAP_AUTO_INVAL_DATA;
    }
    return nullptr;
}

int GetAttr(const char* path, struct stat* st, fuse_file_info* fi) {
    Wait(Op::kGetAttr);
    if (fi != nullptr) {
        return Result(::fstat(static_cast<int>(fi->fh), st));
    }
    return Result(::fstatat(gRootFd, Rel(path).c_str(), st, AT_SYMLINK_NOFOLLOW));
}

int ReadLink(const char* path, char* buffer, size_t size) {
    Wait(Op::kReadLink);
    if (size == 0) {
        return -EINVAL;
    }
    const ssize_t n = ::readlinkat(gRootFd, Rel(path).c_str(), buffer, size - 1);
    if (n < 0) {
        return -errno;
    }
    buffer[n] = '\0';
    return 0;
}

int MkNod(const char* path, mode_t mode, dev_t device) {
    Wait(Op::kMkNod);
    return WaitThenMark(Result(::mknodat(gRootFd, Rel(path).c_str(), mode, device)));
}

int MkDir(const char* path, mode_t mode) {
    Wait(Op::kMkDir);
    return WaitThenMark(Result(::mkdirat(gRootFd, Rel(path).c_str(), mode)));
}

int Unlink(const char* path) {
    Wait(Op::kUnlink);
    return Result(::unlinkat(gRootFd, Rel(path).c_str(), 0));
}

int RmDir(const char* path) {
    Wait(Op::kRmDir);
    return Result(::unlinkat(gRootFd, Rel(path).c_str(), AT_REMOVEDIR));
}

int SymLink(const char* text, const char* path) {
    Wait(Op::kSymLink);
    return WaitThenMark(Result(::symlinkat(text, gRootFd, Rel(path).c_str())));
}

int Rename(const char* from, const char* to, unsigned int flags) {
    Wait(Op::kRename);
    const std::string source = Rel(from);
    const std::string target = Rel(to);
    struct stat st {};
    if (gSettings.noReplace != 0 && source != target &&
        ::fstatat(gRootFd, target.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
        return -EPERM;
    }
    return Result(::renameat2(gRootFd, source.c_str(), gRootFd, target.c_str(), flags));
}

int Link(const char* from, const char* to) {
    Wait(Op::kLink);
    return WaitThenMark(Result(::linkat(gRootFd, Rel(from).c_str(), gRootFd, Rel(to).c_str(), 0)));
}

// chmod, chown, truncate and utimens serve one setattr request, which the library ends with
// a getattr.
int ChMod(const char* path, mode_t mode, fuse_file_info* fi) {
    Wait(Op::kChMod);
    const int rc = fi != nullptr ? ::fchmod(static_cast<int>(fi->fh), mode)
                                 : ::fchmodat(gRootFd, Rel(path).c_str(), mode, 0);
    return WaitThenMark(Result(rc));
}

int ChOwn(const char* path, uid_t uid, gid_t gid, fuse_file_info* fi) {
    Wait(Op::kChOwn);
    const int rc = fi != nullptr
                       ? ::fchown(static_cast<int>(fi->fh), uid, gid)
                       : ::fchownat(gRootFd, Rel(path).c_str(), uid, gid, AT_SYMLINK_NOFOLLOW);
    return WaitThenMark(Result(rc));
}

int Truncate(const char* path, off_t size, fuse_file_info* fi) {
    Wait(Op::kTruncate);
    if (fi != nullptr) {
        return WaitThenMark(Result(::ftruncate(static_cast<int>(fi->fh), size)));
    }
    const int fd = ::openat(gRootFd, Rel(path).c_str(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) {
        return WaitThenMark(-errno);
    }
    const int rc = Result(::ftruncate(fd, size));
    ::close(fd);
    return WaitThenMark(rc);
}

// Cuts a time to the step the file system keeps (--time-step-ns).
timespec Stepped(timespec time) {
    const long long step = gSettings.timeStepNs;
    if (step <= 1 || time.tv_nsec == UTIME_NOW || time.tv_nsec == UTIME_OMIT) {
        return time;
    }
    const long long ns = static_cast<long long>(time.tv_sec) * 1'000'000'000LL + time.tv_nsec;
    const long long kept = ns - ns % step;
    return {static_cast<time_t>(kept / 1'000'000'000LL), static_cast<long>(kept % 1'000'000'000LL)};
}

int UTimeNs(const char* path, const timespec given[2], fuse_file_info* fi) {
    Wait(Op::kUTimeNs);
    const timespec times[2] = {Stepped(given[0]), Stepped(given[1])};
    const int rc = fi != nullptr
                       ? ::futimens(static_cast<int>(fi->fh), times)
                       : ::utimensat(gRootFd, Rel(path).c_str(), times, AT_SYMLINK_NOFOLLOW);
    return WaitThenMark(Result(rc));
}

// Forgets where the data of the backing file fd went, for a file that starts anew.
void ForgetExtents(int fd) {
    struct stat st {};
    if (gSettings.wrapAround != 0 && ::fstat(fd, &st) == 0) {
        const std::lock_guard<std::mutex> lock(gImageLock);
        gExtents.erase(st.st_ino);
    }
}

// The backing file is never opened with O_DIRECT: the buffers the library hands over are not
// aligned for it. What the kernel asked for, it has done already.
int BackingFlags(int flags) {
    return (flags & ~O_DIRECT) | O_CLOEXEC;
}

int Open(const char* path, fuse_file_info* fi) {
    Wait(Op::kOpen);
    const int fd = ::openat(gRootFd, Rel(path).c_str(), BackingFlags(fi->flags));
    if (fd >= 0 && (fi->flags & O_TRUNC) != 0) {
        ForgetExtents(fd);
    }
    if (fd < 0) {
        return -errno;
    }
    fi->fh = static_cast<uint64_t>(fd);
    return 0;
}

int Create(const char* path, mode_t mode, fuse_file_info* fi) {
    Wait(Op::kCreate);
    const int fd = ::openat(gRootFd, Rel(path).c_str(), BackingFlags(fi->flags) | O_CREAT, mode);
    if (fd < 0) {
        return WaitThenMark(-errno);
    }
    ForgetExtents(fd);  // the inode number of a removed file may come back
    fi->fh = static_cast<uint64_t>(fd);
    return WaitThenMark(0);
}

// Copies the bytes of the image that the extents of inode put at [offset, offset + size) of
// the file over buffer, the latest write last.
void ReadFromImage(ino_t inode, char* buffer, size_t size, off_t offset) {
    const std::lock_guard<std::mutex> lock(gImageLock);
    const auto found = gExtents.find(inode);
    if (found == gExtents.end()) {
        return;
    }
    const unsigned long long limit = gImage.size();
    for (const Extent& extent : found->second) {
        const off_t from = std::max(offset, extent.offset);
        const off_t to = std::min(offset + static_cast<off_t>(size),
                                  extent.offset + static_cast<off_t>(extent.length));
        for (off_t at = from; at < to; ++at) {
            const unsigned long long device =
                extent.device + static_cast<unsigned long long>(at - extent.offset);
            buffer[at - offset] = gImage[device % limit];
        }
    }
}

int Read(const char* /*path*/, char* buffer, size_t size, off_t offset, fuse_file_info* fi) {
    Wait(Op::kRead);
    const int fd = static_cast<int>(fi->fh);
    const ssize_t n = ::pread(fd, buffer, size, offset);
    if (n < 0) {
        return -errno;
    }
    struct stat st {};
    if (gSettings.wrapAround != 0 && ::fstat(fd, &st) == 0) {
        ReadFromImage(st.st_ino, buffer, static_cast<size_t>(n), offset);
    }
    gBytesRead.fetch_add(static_cast<unsigned long long>(n), std::memory_order_relaxed);
    return static_cast<int>(n);
}

int WriteAll(int fd, const char* buffer, size_t size, off_t offset) {
    for (size_t done = 0; done < size;) {
        const ssize_t n =
            ::pwrite(fd, buffer + done, size - done, offset + static_cast<off_t>(done));
        if (n < 0) {
            return -errno;
        }
        done += static_cast<size_t>(n);
    }
    return 0;
}

// A write to a drive that keeps only --store-limit bytes: answered as done in full. The bytes
// that fit reach the backing file; past the limit, the file only grows, its new bytes a hole
// (zeros), or, with --wrap-around, the bytes go to the image over what it held there.
int LyingWrite(int fd, const char* buffer, size_t size, off_t offset) {
    const unsigned long long limit = static_cast<unsigned long long>(gSettings.storeLimit);
    const unsigned long long device = gDeviceOffset.fetch_add(size);
    if (gSettings.wrapAround != 0) {
        struct stat st {};
        if (::fstat(fd, &st) != 0) {
            return -errno;
        }
        const std::lock_guard<std::mutex> lock(gImageLock);
        for (size_t i = 0; i < size; ++i) {
            gImage[(device + i) % limit] = buffer[i];
        }
        gExtents[st.st_ino].push_back({offset, size, device});
    }
    // With --wrap-around the backing file keeps every byte, and the image what reads back.
    size_t kept = size;
    if (gSettings.wrapAround == 0) {
        kept = device >= limit
                   ? 0
                   : static_cast<size_t>(std::min<unsigned long long>(size, limit - device));
    }
    const int error = WriteAll(fd, buffer, kept, offset);
    if (error != 0) {
        return error;
    }
    struct stat st {};
    const off_t end = offset + static_cast<off_t>(size);
    if (kept < size && ::fstat(fd, &st) == 0 && st.st_size < end && ::ftruncate(fd, end) != 0) {
        return -errno;
    }
    return static_cast<int>(size);
}

int Write(const char* /*path*/, const char* buffer, size_t size, off_t offset, fuse_file_info* fi) {
    Wait(Op::kWrite);
    if (gSettings.storeLimit > 0) {
        return LyingWrite(static_cast<int>(fi->fh), buffer, size, offset);
    }
    const ssize_t n = ::pwrite(static_cast<int>(fi->fh), buffer, size, offset);
    return n < 0 ? -errno : static_cast<int>(n);
}

int StatFs(const char* /*path*/, struct statvfs* st) {
    Wait(Op::kStatFs);
    return Result(::fstatvfs(gRootFd, st));
}

// A close() of a file on the share is one request, as on a network file system that
// writes back on close.
int Flush(const char* /*path*/, fuse_file_info* fi) {
    Wait(Op::kFlush);
    const int fd = ::dup(static_cast<int>(fi->fh));
    if (fd < 0) {
        return -errno;
    }
    return Result(::close(fd));
}

int Release(const char* /*path*/, fuse_file_info* fi) {
    Wait(Op::kRelease);
    ::close(static_cast<int>(fi->fh));
    return 0;
}

int FSync(const char* /*path*/, int dataOnly, fuse_file_info* fi) {
    Wait(Op::kFSync);
    const int fd = static_cast<int>(fi->fh);
    return Result(dataOnly != 0 ? ::fdatasync(fd) : ::fsync(fd));
}

int SetXAttr(const char* path, const char* name, const char* value, size_t size, int flags) {
    Wait(Op::kSetXAttr);
    return Result(::lsetxattr(Full(path).c_str(), name, value, size, flags));
}

int GetXAttr(const char* path, const char* name, char* value, size_t size) {
    Wait(Op::kGetXAttr);
    const ssize_t n = ::lgetxattr(Full(path).c_str(), name, value, size);
    return n < 0 ? -errno : static_cast<int>(n);
}

int ListXAttr(const char* path, char* list, size_t size) {
    Wait(Op::kListXAttr);
    const ssize_t n = ::llistxattr(Full(path).c_str(), list, size);
    return n < 0 ? -errno : static_cast<int>(n);
}

int RemoveXAttr(const char* path, const char* name) {
    Wait(Op::kRemoveXAttr);
    return Result(::lremovexattr(Full(path).c_str(), name));
}

// An open folder: its stream and the offset the next entry will have.
struct Folder {
    DIR* dir;
    off_t next;
};

int OpenDir(const char* path, fuse_file_info* fi) {
    Wait(Op::kOpenDir);
    const int fd = ::openat(gRootFd, Rel(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return -errno;
    }
    DIR* dir = ::fdopendir(fd);
    if (dir == nullptr) {
        const int error = errno;
        ::close(fd);
        return -error;
    }
    fi->fh = reinterpret_cast<uint64_t>(new Folder{dir, 0});
    return 0;
}

// Entries are handed over with their offsets, so that each readdir request of the kernel
// reaches this function (and waits) instead of being served from the library's buffer.
int ReadDir(const char* /*path*/, void* buffer, fuse_fill_dir_t fill, off_t offset,
            fuse_file_info* fi, fuse_readdir_flags /*flags*/) {
    Wait(Op::kReadDir);
    auto* folder = reinterpret_cast<Folder*>(fi->fh);
    if (offset != folder->next) {
        ::seekdir(folder->dir, offset);
        folder->next = offset;
    }
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(folder->dir);
        if (entry == nullptr) {
            return errno != 0 ? -errno : 0;
        }
        struct stat st {};
        st.st_ino = entry->d_ino;
        st.st_mode = static_cast<mode_t>(DTTOIF(entry->d_type));
        const off_t next = ::telldir(folder->dir);
        if (fill(buffer, entry->d_name, &st, next, static_cast<fuse_fill_dir_flags>(0)) != 0) {
            // The kernel's buffer is full: this entry comes first in the next request.
            ::seekdir(folder->dir, folder->next);
            return 0;
        }
        folder->next = next;
    }
}

int ReleaseDir(const char* /*path*/, fuse_file_info* fi) {
    Wait(Op::kReleaseDir);
    auto* folder = reinterpret_cast<Folder*>(fi->fh);
    ::closedir(folder->dir);
    delete folder;
    return 0;
}

int Access(const char* path, int mask) {
    Wait(Op::kAccess);
    return Result(::faccessat(gRootFd, Rel(path).c_str(), mask, AT_SYMLINK_NOFOLLOW));
}

int FAllocate(const char* /*path*/, int mode, off_t offset, off_t length, fuse_file_info* fi) {
    Wait(Op::kFAllocate);
    return Result(::fallocate(static_cast<int>(fi->fh), mode, offset, length));
}

off_t LSeek(const char* /*path*/, off_t offset, int whence, fuse_file_info* fi) {
    Wait(Op::kLSeek);
    const off_t result = ::lseek(static_cast<int>(fi->fh), offset, whence);
    return result < 0 ? -errno : result;
}

fuse_operations Operations() {
    fuse_operations ops{};
    ops.getattr = GetAttr;
    ops.readlink = ReadLink;
    ops.mknod = MkNod;
    ops.mkdir = MkDir;
    ops.unlink = Unlink;
    ops.rmdir = RmDir;
    ops.symlink = SymLink;
    ops.rename = Rename;
    ops.link = Link;
    ops.chmod = ChMod;
    ops.chown = ChOwn;
    ops.truncate = Truncate;
    ops.open = Open;
    ops.read = Read;
    ops.write = Write;
    ops.statfs = StatFs;
    ops.flush = Flush;
    ops.release = Release;
    ops.fsync = FSync;
    ops.setxattr = SetXAttr;
    ops.getxattr = GetXAttr;
    ops.listxattr = ListXAttr;
    ops.removexattr = RemoveXAttr;
    ops.opendir = OpenDir;
    ops.readdir = ReadDir;
    ops.releasedir = ReleaseDir;
    ops.init = Init;
    ops.access = Access;
    ops.create = Create;
    ops.utimens = UTimeNs;
    ops.fallocate = FAllocate;
    ops.lseek = LSeek;
    return ops;
}

// Takes --delay-ms and the first operand (BACKING); the rest goes to FUSE.
int ParseArgument(void* data, const char* arg, int key, fuse_args* /*out*/) {
    auto* settings = static_cast<Settings*>(data);
    if (key == FUSE_OPT_KEY_NONOPT && settings->backing == nullptr) {
        settings->backing = arg;
        return 0;
    }
    if (key == 1) {
        settings->showHelp = 1;
    }
    return 1;
}

void Usage(const char* program) {
    std::printf(
        "usage: %s [--delay-ms=MS] [--stats=FILE] [--fold-case] [--no-replace]\n"
        "          [--time-step-ns=NS] [--cached] [--store-limit=BYTES [--wrap-around]]\n"
        "          BACKING MOUNTPOINT [FUSE options]\n"
        "Mounts BACKING at MOUNTPOINT; every request waits MS milliseconds (default 1).\n"
        "--fold-case matches names without regard to ASCII case; --no-replace refuses a\n"
        "rename onto an existing name (EPERM); --time-step-ns keeps times set to NS.\n"
        "--cached lets the page cache keep file data (no direct I/O). --store-limit\n"
        "keeps only the first BYTES of data written, across all files, and reads zeros\n"
        "for the rest; with --wrap-around, writes past BYTES land over earlier ones.\n"
        "Every write is answered as done.\n"
        "With --stats, each SIGUSR1 appends the counts of requests served since the last\n"
        "one (and the bytes read) to FILE.\n"
        "Defaults: -o attr_timeout=0,entry_timeout=0,negative_timeout=0,max_threads=256,\n"
        "direct I/O on every file. Unmount with umount or fusermount3 -u.\n\n",
        program);
}

}  // namespace

int main(int argc, char** argv) {
    const fuse_opt options[] = {
        {"--delay-ms=%lf", offsetof(Settings, delayMs), 0},
        {"--stats=%s", offsetof(Settings, stats), 0},
        {"--fold-case", offsetof(Settings, foldCase), 1},
        {"--no-replace", offsetof(Settings, noReplace), 1},
        {"--time-step-ns=%ld", offsetof(Settings, timeStepNs), 0},
        {"--cached", offsetof(Settings, cached), 1},
        {"--store-limit=%lld", offsetof(Settings, storeLimit), 0},
        {"--wrap-around", offsetof(Settings, wrapAround), 1},
        FUSE_OPT_KEY("-h", 1),
        FUSE_OPT_KEY("--help", 1),
        FUSE_OPT_END,
    };
    fuse_args args = FUSE_ARGS_INIT(argc, argv);
    if (fuse_opt_parse(&args, &gSettings, options, ParseArgument) != 0) {
        return 2;
    }
    if (gSettings.showHelp != 0) {
        Usage(argv[0]);
        const fuse_operations ops = Operations();
        return fuse_main(args.argc, args.argv, &ops, nullptr);
    }
    if (gSettings.backing == nullptr || !(gSettings.delayMs >= 0) || gSettings.storeLimit < 0 ||
        (gSettings.wrapAround != 0 && gSettings.storeLimit == 0)) {
        Usage(argv[0]);
        return 2;
    }
    const double ns = std::round(gSettings.delayMs * 1e6);
    gDelay.tv_sec = static_cast<time_t>(ns / 1e9);
    gDelay.tv_nsec = static_cast<long>(ns - static_cast<double>(gDelay.tv_sec) * 1e9);

    char resolved[PATH_MAX];
    if (::realpath(gSettings.backing, resolved) == nullptr) {
        std::fprintf(stderr, "%s: %s: %s\n", argv[0], gSettings.backing, std::strerror(errno));
        return 2;
    }
    gRootPath = resolved;
    if (gSettings.wrapAround != 0) {
        gImage.resize(static_cast<size_t>(gSettings.storeLimit));
    }
    gRootFd = ::open(resolved, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (gRootFd < 0) {
        std::fprintf(stderr, "%s: %s: %s\n", argv[0], resolved, std::strerror(errno));
        return 2;
    }

    // Blocked before any thread starts, so that every thread inherits the mask.
    sigset_t usr1;
    sigemptyset(&usr1);
    sigaddset(&usr1, SIGUSR1);
    pthread_sigmask(SIG_BLOCK, &usr1, nullptr);

    // The defaults come first, so that options on the command line override them.
    std::vector<char*> argv2;
    argv2.push_back(args.argv[0]);
    char defaults[] = "-oattr_timeout=0,entry_timeout=0,negative_timeout=0,max_threads=256";
    argv2.push_back(defaults);
    for (int i = 1; i < args.argc; ++i) {
        argv2.push_back(args.argv[i]);
    }
    const fuse_operations ops = Operations();
    const int status = fuse_main(static_cast<int>(argv2.size()), argv2.data(), &ops, nullptr);
    fuse_opt_free_args(&args);
    return status;
}
