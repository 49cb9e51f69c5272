#include "StatusReader.h"

#include <algorithm>
#include <chrono>
#include <functional>

namespace tolvane {

namespace {

// Tells the processor that this is a wait loop (cheaper for the other hardware thread).
inline void CpuRelax() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#elif defined(__aarch64__)
    asm volatile("yield");
#endif
}

// Spins until ready() holds or the time is out; returns whether it held.
template <typename Ready>
bool SpinUntil(Ready ready, std::chrono::nanoseconds time) {
    constexpr int kPausesPerCheck = 16;
    const auto deadline = std::chrono::steady_clock::now() + time;
    while (!ready()) {
        for (int i = 0; i < kPausesPerCheck; ++i) {
            CpuRelax();
        }
        if (std::chrono::steady_clock::now() > deadline) {
            return ready();
        }
    }
    return true;
}

}  // namespace

StatusReader::StatusReader(FileSystem& files) : m_files(files), m_thread([this] { Read(); }) {}

StatusReader::~StatusReader() {
    Stop();
    {
        std::lock_guard guard(m_lock);
        m_quit = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

void StatusReader::Start(int dirFd, std::span<const char* const> names) {
    Stop();
    m_dirFd = dirFd;
    m_names.assign(names.begin(), names.end());
    m_copies.clear();
    m_copyOffsets.clear();
    for (const char* name : names) {
        m_copyOffsets.push_back(m_copies.size());
        m_copies.append(name).push_back('\0');
    }
    m_statuses.resize(names.size());
    m_errors.resize(names.size());
    m_read.store(0, std::memory_order_relaxed);
    m_walkNext.store(0, std::memory_order_relaxed);
    m_next = 0;
    {
        std::lock_guard guard(m_lock);
        m_pending = true;
    }
    m_wake.notify_one();
}

void StatusReader::Stop() {
    m_stop.store(true, std::memory_order_relaxed);
    std::unique_lock lock(m_lock);
    m_pending = false;
    m_wake.wait(lock, [this] { return !m_running; });
    m_stop.store(false, std::memory_order_relaxed);
    m_names.clear();
    Judge();
}

void StatusReader::Judge() {
    constexpr size_t kJudged = 256;
    constexpr size_t kRestingFiles = 4096;
    if (m_taken + m_missed >= kJudged) {
        // Behind is three in four missed, two spans in a row: a busy machine leaves the thread
        // out for whole spans, while a quiet one misses at most half of one or two now and
        // then (the first readings of a run, while the thread's core wakes up).
        m_spansBehind = m_missed > 3 * m_taken ? m_spansBehind + 1 : 0;
        if (m_spansBehind == 2) {
            m_restingFiles = kRestingFiles;
            m_spansBehind = 0;
        }
        m_taken = 0;
        m_missed = 0;
    }
}

bool StatusReader::Resting() {
    if (m_restingFiles == 0) {
        return false;
    }
    --m_restingFiles;
    return true;
}

bool StatusReader::Take(const char* name, struct stat& status, int& error) {
    // The walk reads the status itself rather than wait longer than a read takes.
    constexpr std::chrono::microseconds kWait{2};
    while (m_next < m_names.size() && std::less<>{}(m_names[m_next], name)) {
        ++m_next;
    }
    if (m_next == m_names.size() || m_names[m_next] != name) {
        return false;
    }
    const size_t index = m_next++;
    // A thread that has read nothing of the reading yet is still waking up: no use waiting.
    const size_t read = m_read.load(std::memory_order_acquire);
    const bool ready =
        read > index ||
        (read != 0 &&
         SpinUntil([&] { return m_read.load(std::memory_order_acquire) > index; }, kWait));
    if (ready) {
        ++m_taken;
        status = m_statuses[index];
        error = m_errors[index];
    } else {
        ++m_missed;
    }
    // Only now: the thread may pass over this name once it sees the walk is past it.
    m_walkNext.store(index + 1, std::memory_order_release);
    return ready;
}

bool StatusReader::Past(const char* name) const {
    return m_names.empty() || std::less<>{}(m_names.back(), name);
}

void StatusReader::Read() {
    // A walk that finds little to do starts the next reading within tens of microseconds:
    // waiting that long awake spares it the wake-up of a sleeping thread.
    constexpr std::chrono::microseconds kAwake{50};
    std::unique_lock lock(m_lock);
    for (;;) {
        lock.unlock();
        SpinUntil([this] { return m_pending.load(std::memory_order_relaxed); }, kAwake);
        lock.lock();
        m_wake.wait(lock, [this] { return m_pending || m_quit; });
        if (m_quit) {
            return;
        }
        m_pending = false;
        m_running = true;
        lock.unlock();
        for (size_t i = 0; i < m_copyOffsets.size() && !m_stop.load(std::memory_order_relaxed);
             ++i) {
            // A thread woken late does not read what the walk has read itself meanwhile:
            // it goes on from the walk's place, ahead of it.
            i = std::max(i, m_walkNext.load(std::memory_order_acquire));
            if (i == m_copyOffsets.size()) {
                break;
            }
            m_errors[i] =
                -m_files.StatAt(m_dirFd, m_copies.data() + m_copyOffsets[i], m_statuses[i]);
            m_read.store(i + 1, std::memory_order_release);
        }
        lock.lock();
        m_running = false;
        m_wake.notify_all();
    }
}

}  // namespace tolvane
