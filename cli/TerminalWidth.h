#pragma once

#include <signal.h>

#include <cstddef>

namespace tolvane {

// The width of the terminal behind a descriptor, read once and again after each SIGWINCH.
// Installs its SIGWINCH handler for the object's life; one object at a time.
class TerminalWidth {
  public:
    explicit TerminalWidth(int fd);
    ~TerminalWidth();
    TerminalWidth(const TerminalWidth&) = delete;
    TerminalWidth& operator=(const TerminalWidth&) = delete;

    // Columns, or 0 when the descriptor is no terminal or does not know its size.
    size_t Columns();

  private:
    static void Handle(int signalNumber);
    void Read();

    int m_fd;
    size_t m_columns = 0;
    struct sigaction m_previous {};
};

}  // namespace tolvane
