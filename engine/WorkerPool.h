#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace tolvane {

// A fixed set of threads that run tasks in the order they are submitted. Each task learns
// the index of the thread that runs it, so that it can use that thread's own resources.
class WorkerPool {
  public:
    using Task = std::function<void(size_t worker)>;

    // Starts up to workers threads; Size() says how many could be started.
    explicit WorkerPool(size_t workers);
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;
    // Runs what is still queued, then ends the threads.
    ~WorkerPool();

    size_t Size() const { return m_threads.size(); }
    void Submit(Task task);

  private:
    void Work(size_t index);

    std::mutex m_lock;
    std::condition_variable m_wake;
    std::deque<Task> m_tasks;  // guarded by m_lock
    bool m_closing = false;    // guarded by m_lock
    std::vector<std::thread> m_threads;
};

}  // namespace tolvane
