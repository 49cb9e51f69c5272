#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

namespace tolvane::test {

// What a finished program left: its exit status (128 + the signal when a signal ended it)
// and everything it wrote.
struct ProgramResult {
    int status = -1;
    std::string out;
    std::string err;
};

struct ProgramOptions {
    std::string workingDirectory;  // empty: the test's own
    std::string stdoutPath;        // empty: captured through a pipe
    int stdoutPipeSize = 0;        // 0: the system's default capacity
};

// A program started with its stdout and stderr captured, for tests that watch it while it
// runs or send it signals. The destructor kills a program that is still running.
class ChildProcess {
  public:
    ChildProcess(const std::string& program, const std::vector<std::string>& arguments,
                 const ProgramOptions& options = {});
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess();

    // Reads until stdout holds marker; false when the program ended or time ran out first.
    bool WaitForOutput(std::string_view marker, std::chrono::milliseconds timeout);
    void Signal(int signalNumber) const;
    pid_t Pid() const { return m_pid; }
    // Reads everything to the end and waits for the program.
    ProgramResult Finish(std::chrono::milliseconds timeout = std::chrono::seconds(30));

  private:
    bool ReadSome(std::chrono::milliseconds timeout);

    pid_t m_pid = -1;
    int m_outFd = -1;
    int m_errFd = -1;
    ProgramResult m_result;
};

// Runs a program to its end.
ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                         const ProgramOptions& options = {});

}  // namespace tolvane::test
