#include "StopSignals.h"

#include <atomic>

namespace tolvane {

namespace {

constexpr std::array kStopSignals{SIGINT, SIGTERM, SIGHUP};

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
    for (size_t i = 0; i < kStopSignals.size(); ++i) {
        sigaction(kStopSignals[i], nullptr, &m_previous[i]);
        if (m_previous[i].sa_handler != SIG_IGN) {
            sigaction(kStopSignals[i], &action, nullptr);
        }
    }
}

StopSignals::~StopSignals() {
    for (size_t i = 0; i < kStopSignals.size(); ++i) {
        sigaction(kStopSignals[i], &m_previous[i], nullptr);
    }
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
        for (const int signalNumber : kStopSignals) {
            struct sigaction current {};
            sigaction(signalNumber, nullptr, &current);
            if (current.sa_handler == &StopSignals::Handle) {
                sigaction(signalNumber, &action, nullptr);
            }
        }
    }
}

}  // namespace tolvane
