#include "WorkerPool.h"

#include <system_error>

namespace tolvane {

WorkerPool::WorkerPool(size_t workers) {
    m_threads.reserve(workers);
    for (size_t i = 0; i < workers; ++i) {
        try {
            m_threads.emplace_back(&WorkerPool::Work, this, i);
        } catch (const std::system_error&) {
            break;  // fewer threads than asked: the pool works with those it has
        }
    }
}

WorkerPool::~WorkerPool() {
    {
        std::lock_guard guard(m_lock);
        m_closing = true;
    }
    m_wake.notify_all();
    for (std::thread& thread : m_threads) {
        thread.join();
    }
}

void WorkerPool::Submit(Task task) {
    {
        std::lock_guard guard(m_lock);
        m_tasks.push_back(std::move(task));
    }
    m_wake.notify_one();
}

void WorkerPool::Work(size_t index) {
    for (;;) {
        Task task;
        {
            std::unique_lock lock(m_lock);
            m_wake.wait(lock, [this] { return m_closing || !m_tasks.empty(); });
            if (m_tasks.empty()) {
                return;
            }
            task = std::move(m_tasks.front());
            m_tasks.pop_front();
        }
        task(index);
    }
}

}  // namespace tolvane
