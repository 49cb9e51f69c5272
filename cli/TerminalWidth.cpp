#include "TerminalWidth.h"

#include <sys/ioctl.h>

#include <atomic>

namespace tolvane {

namespace {

std::atomic<bool> g_resized{false};
static_assert(std::atomic<bool>::is_always_lock_free);

}  // namespace

TerminalWidth::TerminalWidth(int fd) : m_fd(fd) {
    struct sigaction action {};
    action.sa_handler = &TerminalWidth::Handle;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGWINCH, &action, &m_previous);
    Read();
}

TerminalWidth::~TerminalWidth() {
    sigaction(SIGWINCH, &m_previous, nullptr);
}

size_t TerminalWidth::Columns() {
    if (g_resized.exchange(false, std::memory_order_relaxed)) {
        Read();
    }
    return m_columns;
}

void TerminalWidth::Handle(int /*signalNumber*/) {
    g_resized.store(true, std::memory_order_relaxed);
}

void TerminalWidth::Read() {
    winsize size{};
    m_columns = ::ioctl(m_fd, TIOCGWINSZ, &size) == 0 ? size.ws_col : 0;
}

}  // namespace tolvane
