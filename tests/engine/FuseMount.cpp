#include "FuseMount.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace tolvane::test {

namespace {

constexpr long kFuseType = 0x65735546;

bool IsFuse(const std::string& path) {
    struct statfs st {};
    return ::statfs(path.c_str(), &st) == 0 && st.f_type == kFuseType;
}

}  // namespace

FuseMount::FuseMount(const std::string& backing, const std::string& mountPoint,
                     const std::vector<std::string>& options)
    : m_mountPoint(mountPoint) {
#ifndef TOLVANE_TEST_FUSEFS
    (void)backing;
    (void)options;
    m_whyNot = "built without libfuse3 (libfuse3-dev)";
#else
    if (::access("/dev/fuse", R_OK | W_OK) != 0) {
        m_whyNot = "/dev/fuse cannot be opened here";
        return;
    }
    std::vector<std::string> words = {TOLVANE_TEST_FUSEFS, "--delay-ms=0"};
    words.insert(words.end(), options.begin(), options.end());
    words.insert(words.end(), {backing, mountPoint});
    std::vector<char*> argv;
    for (std::string& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);
    // Without -f the daemon goes to the background once the mount is in place.
    pid_t pid = 0;
    int status = 0;
    if (::posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0 ||
        ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0 ||
        !IsFuse(mountPoint)) {
        m_whyNot = "the FUSE file system could not be mounted here";
    }
#endif
}

FuseMount::~FuseMount() {
    if (!m_whyNot.empty() || ::umount2(m_mountPoint.c_str(), MNT_DETACH) == 0) {
        return;
    }
    // Not root: the mount belongs to fusermount3, which takes it down too.
    char program[] = "fusermount3";
    char options[] = "-uz";
    char* argv[] = {program, options, m_mountPoint.data(), nullptr};
    pid_t pid = 0;
    if (::posix_spawnp(&pid, program, nullptr, nullptr, argv, environ) == 0) {
        ::waitpid(pid, nullptr, 0);
    }
}

bool FuseMount::Answers() const {
    struct stat st {};
    return IsFuse(m_mountPoint) && ::stat(m_mountPoint.c_str(), &st) == 0;
}

}  // namespace tolvane::test
