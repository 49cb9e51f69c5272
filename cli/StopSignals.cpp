#include "StopSignals.h"

#include <atomic>

namespace tolvane {

namespace {

// Only a lock-free atomic may be touched from a signal handler.
std::atomic<int> g_signalsReceived{0};
static_assert(std::atomic<int>::is_always_lock_free);

}  // namespace

StopSignals::StopSignals() {
    g_signalsReceived.store(0);
    struct sigaction action {};
    action.sa_handler = &StopSignals::Handle;
    sigemptyset(&action.sa_mask);
    // SA_RESTART: the walk's system calls continue; it notices the request between entries.
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, &m_previousInt);
    sigaction(SIGTERM, &action, &m_previousTerm);
}

StopSignals::~StopSignals() {
    sigaction(SIGINT, &m_previousInt, nullptr);
    sigaction(SIGTERM, &m_previousTerm, nullptr);
}

bool StopSignals::StopRequested() const {
    return g_signalsReceived.load(std::memory_order_relaxed) >= 1;
}

bool StopSignals::AbandonRequested() const {
    return g_signalsReceived.load(std::memory_order_relaxed) >= 2;
}

void StopSignals::Handle(int /*signalNumber*/) {
    if (g_signalsReceived.fetch_add(1) + 1 >= 2) {
        struct sigaction action {};
        action.sa_handler = SIG_DFL;
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, nullptr);
        sigaction(SIGTERM, &action, nullptr);
    }
}

}  // namespace tolvane
