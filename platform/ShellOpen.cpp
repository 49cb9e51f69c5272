#include "ShellOpen.h"

#include <sys/wait.h>

#include <cerrno>
#include <optional>
#include <thread>
#include <vector>

#include "ProgramLauncher.h"
#include "ShellResultCodes.h"

namespace tolvane {

namespace {

constexpr std::chrono::milliseconds kPollInterval{10};

// The exit status of child once it ends within patience; empty while it is still running.
// A child killed by a signal reads as status -1.
std::optional<int> WaitAtMost(pid_t child, std::chrono::milliseconds patience) {
    const auto deadline = std::chrono::steady_clock::now() + patience;
    for (;;) {
        int status = 0;
        const pid_t done = waitpid(child, &status, WNOHANG);
        if (done == child) {
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        if (done < 0 && errno != EINTR) {
            return -1;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return std::nullopt;
        }
        std::this_thread::sleep_for(kPollInterval);
    }
}

}  // namespace

int ShellCodeForOpenerExit(int exitStatus) {
    switch (exitStatus) {
        case 0:
            return kShellOpened;
        case 2:
            return SE_ERR_FNF;
        case 3:
            return SE_ERR_NOASSOC;
        default:
            return SE_ERR_ASSOCINCOMPLETE;
    }
}

int ShellOpen(const std::string& url, std::chrono::milliseconds patience) {
    // xdg-open takes a leading '-' as an option and has no "--" to end them.
    if (url.empty() || url.front() == '-') {
        return SE_ERR_FNF;
    }
    const std::optional<std::string> opener = FindProgram("xdg-open");
    if (!opener) {
        return SE_ERR_NOASSOC;
    }
    pid_t child = 0;
    const int error = SpawnChild(*opener, {"xdg-open", url}, &child);
    if (error != 0) {
        return StartErrorCode(error, *opener);
    }
    const std::optional<int> exitStatus = WaitAtMost(child, patience);
    if (!exitStatus) {
        ReapInBackground(child);
        return kShellOpened;
    }
    return ShellCodeForOpenerExit(*exitStatus);
}

}  // namespace tolvane
