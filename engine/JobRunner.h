#pragma once

#include <atomic>
#include <mutex>
#include <thread>

namespace tolvane {

// Runs one job at a time on a worker thread, with a cooperative stop. A job is a plain
// callback with one untyped parameter. SetJob, Start, Stop and the destructor belong to the
// owner's thread; the job calls IsStopRequested on the worker as often as it likes.
//
// Stop returns only once the job of the run it stops has returned, and the worker has left
// the runner for good by then (Stop joins the thread), so the owner may destroy the runner
// right after it. A completed run leaves nothing behind that could end a later Stop early.
class CJobRunner {
  public:
    using JobCallback = int (*)(void* parameter);

    CJobRunner() = default;
    CJobRunner(const CJobRunner&) = delete;
    CJobRunner& operator=(const CJobRunner&) = delete;
    virtual ~CJobRunner();

    // Records the job; a run in progress is stopped and waited for first.
    void SetJob(JobCallback callback, void* parameter);
    // Runs the recorded job on a new worker thread, after stopping a run in progress.
    // Returns false when no job is recorded or the thread could not be started; the runner
    // then stays ready and no job runs.
    bool Start();
    // Asks the current run to stop and waits until its job has returned. Returns 0.
    int Stop();
    // Asks the current run to stop and returns at once; the job ends in its own time.
    void RequestStop();
    bool IsStopRequested();
    // True from a successful Start until the job has returned.
    bool IsRunRecorded() const { return m_thread.joinable() && !m_bJobReturned.load(); }

    // Guards the stop flag; the owner may use it for data it shares with the job. Hold it only
    // for a single read or update, never across a call into the runner.
    std::mutex m_lock;

  private:
    // The worker's entry: runs the job and marks the run as over.
    static unsigned JobThreadProc(void* runner);
    void JoinFinishedRun();

    std::thread m_thread;
    JobCallback m_pfnJob = nullptr;  // written before the thread starts, read by the worker
    void* m_pJobParam = nullptr;
    std::atomic<bool> m_bJobReturned{false};
    bool m_bStop = false;  // guarded by m_lock
};

}  // namespace tolvane
