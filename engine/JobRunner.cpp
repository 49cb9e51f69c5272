#include "JobRunner.h"

#include <system_error>

namespace tolvane {

CJobRunner::~CJobRunner() {
    Stop();
}

void CJobRunner::SetJob(JobCallback callback, void* parameter) {
    if (IsRunRecorded()) {
        Stop();
    }
    m_pfnJob = callback;
    m_pJobParam = parameter;
}

bool CJobRunner::Start() {
    if (m_pfnJob == nullptr) {
        return false;
    }
    if (IsRunRecorded()) {
        Stop();
    }
    JoinFinishedRun();
    {
        std::lock_guard guard(m_lock);
        m_bStop = false;
    }
    m_bJobReturned.store(false);
    try {
        m_thread = std::thread(JobThreadProc, this);
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

int CJobRunner::Stop() {
    if (!IsRunRecorded()) {
        JoinFinishedRun();
        return 0;
    }
    {
        std::lock_guard guard(m_lock);
        m_bStop = true;
    }
    // Joining rather than waiting on a completion signal: a signal left pending by a run that
    // ended by itself can never end this wait early, and once join returns the worker has
    // finished touching the runner.
    m_thread.join();
    return 0;
}

void CJobRunner::RequestStop() {
    std::lock_guard guard(m_lock);
    m_bStop = true;
}

void CJobRunner::JoinFinishedRun() {
    // The job has returned; the thread is at most a few instructions from its end.
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

bool CJobRunner::IsStopRequested() {
    std::lock_guard guard(m_lock);
    return m_bStop;
}

unsigned CJobRunner::JobThreadProc(void* runner) {
    auto* self = static_cast<CJobRunner*>(runner);
    const int result = self->m_pfnJob(self->m_pJobParam);
    self->m_bJobReturned.store(true);
    return static_cast<unsigned>(result);
}

}  // namespace tolvane
