#include "ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>

namespace tolvane::test {

namespace {

void ClosePipe(int& fd) {
    if (fd >= 0) {
        ::close(fd);
        fd = -1;
    }
}

[[noreturn]] void ExecChild(const std::string& program, const std::vector<std::string>& arguments,
                            const ProgramOptions& options, int outFd, int errFd) {
    if (!options.workingDirectory.empty() && ::chdir(options.workingDirectory.c_str()) != 0) {
        ::_exit(127);
    }
    if (!options.stdoutPath.empty()) {
        outFd = ::open(options.stdoutPath.c_str(), O_WRONLY);
    }
    if (outFd < 0 || ::dup2(outFd, STDOUT_FILENO) < 0 || ::dup2(errFd, STDERR_FILENO) < 0) {
        ::_exit(127);
    }
    const int nullFd = ::open("/dev/null", O_RDONLY);
    ::dup2(nullFd, STDIN_FILENO);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    ::execv(program.c_str(), argv.data());
    ::_exit(127);
}

}  // namespace

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& arguments,
                           const ProgramOptions& options) {
    int outPipe[2] = {-1, -1};
    int errPipe[2];
    if (::pipe2(errPipe, O_CLOEXEC) != 0 ||
        (options.stdoutPath.empty() && ::pipe2(outPipe, O_CLOEXEC) != 0)) {
        throw std::runtime_error("pipe failed");
    }
    if (options.stdoutPipeSize > 0 && outPipe[1] >= 0) {
        ::fcntl(outPipe[1], F_SETPIPE_SZ, options.stdoutPipeSize);
    }
    m_pid = ::fork();
    if (m_pid == 0) {
        ExecChild(program, arguments, options, outPipe[1], errPipe[1]);
    }
    ClosePipe(outPipe[1]);
    ClosePipe(errPipe[1]);
    m_outFd = outPipe[0];
    m_errFd = errPipe[0];
    if (m_pid < 0) {
        throw std::runtime_error("fork failed");
    }
}

ChildProcess::~ChildProcess() {
    if (m_pid > 0) {
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
    }
    ClosePipe(m_outFd);
    ClosePipe(m_errFd);
}

// Waits up to timeout for either pipe, then reads what is there. False once both are closed.
bool ChildProcess::ReadSome(std::chrono::milliseconds timeout) {
    pollfd fds[2] = {{m_outFd, POLLIN, 0}, {m_errFd, POLLIN, 0}};
    std::string* sinks[2] = {&m_result.out, &m_result.err};
    int* owners[2] = {&m_outFd, &m_errFd};
    if (m_outFd < 0 && m_errFd < 0) {
        return false;
    }
    if (::poll(fds, 2, static_cast<int>(timeout.count())) <= 0) {
        return true;
    }
    for (int i = 0; i < 2; ++i) {
        if (fds[i].fd < 0 || fds[i].revents == 0) {
            continue;
        }
        char buffer[65536];
        const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
        if (n > 0) {
            sinks[i]->append(buffer, static_cast<size_t>(n));
        } else {
            ClosePipe(*owners[i]);
        }
    }
    return true;
}

bool ChildProcess::WaitForOutput(std::string_view marker, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (m_result.out.find(marker) == std::string::npos) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || !ReadSome(left)) {
            return false;
        }
    }
    return true;
}

void ChildProcess::Signal(int signalNumber) const {
    ::kill(m_pid, signalNumber);
}

ProgramResult ChildProcess::Finish(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline &&
           ReadSome(std::chrono::milliseconds(100))) {
    }
    int status = 0;
    if (m_outFd >= 0 || m_errFd >= 0) {
        ::kill(m_pid, SIGKILL);  // ran out of time: the result shows it killed
    }
    ::waitpid(m_pid, &status, 0);
    m_pid = -1;
    m_result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return m_result;
}

ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                         const ProgramOptions& options) {
    ChildProcess child(program, arguments, options);
    return child.Finish();
}

}  // namespace tolvane::test
