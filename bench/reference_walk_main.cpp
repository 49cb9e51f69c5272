// bench_reference_walk: the yardstick walk of the benchmark, and its cache warmer.
//   bench_reference_walk [-d] SOURCE TARGET   update TARGET from SOURCE (-d: move)
//   bench_reference_walk --warm FOLDER...     read every file, so the page cache holds it
#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <memory>

#include "ReferenceWalk.h"

namespace {

constexpr size_t kWarmBuffer = size_t{1} << 20;

// Reads every regular file below dirFd to its end; takes over dirFd.
void WarmFolder(int dirFd, char* buffer) {
    DIR* dir = ::fdopendir(dirFd);
    if (dir == nullptr) {
        ::close(dirFd);
        return;
    }
    while (const dirent* entry = ::readdir(dir)) {
        const char* name = entry->d_name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) {
            continue;
        }
        const bool folder = entry->d_type == DT_DIR;
        if (!folder && entry->d_type != DT_REG) {
            continue;
        }
        const int flags = O_RDONLY | O_NOFOLLOW | O_CLOEXEC | (folder ? O_DIRECTORY : 0);
        const int fd = ::openat(dirFd, name, flags);
        if (fd < 0) {
            continue;
        }
        if (folder) {
            WarmFolder(fd, buffer);
            continue;
        }
        while (::read(fd, buffer, kWarmBuffer) > 0) {
        }
        ::close(fd);
    }
    ::closedir(dir);
}

// The move keeps one pair of descriptors per folder open until its deletion pass.
void RaiseDescriptorLimit() {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        ::setrlimit(RLIMIT_NOFILE, &limit);
    }
}

int Usage() {
    std::fputs(
        "usage: bench_reference_walk [-d] SOURCE TARGET\n"
        "       bench_reference_walk --warm FOLDER...\n",
        stderr);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "--warm") == 0) {
        auto buffer = std::make_unique<char[]>(kWarmBuffer);
        for (int i = 2; i < argc; ++i) {
            const int fd = ::open(argv[i], O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            if (fd >= 0) {
                WarmFolder(fd, buffer.get());
            }
        }
        return 0;
    }
    const bool move = argc == 4 && std::strcmp(argv[1], "-d") == 0;
    if (argc != 3 && !move) {
        return Usage();
    }
    RaiseDescriptorLimit();
    tolvane::bench::ReferenceWalk walk(move);
    const int status = walk.Run(argv[argc - 2], argv[argc - 1]);
    std::printf("%llu copied, %llu deleted, %llu failed\n",
                static_cast<unsigned long long>(walk.Copies()),
                static_cast<unsigned long long>(walk.Deletions()),
                static_cast<unsigned long long>(walk.Failures()));
    return status;
}
