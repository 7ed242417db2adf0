#include "framework/WorkerThread.h"

CWorkerThread::~CWorkerThread() {
    // A derived object is already gone here, so the base's own steps run, never an override.
    StopThread();
}

bool CWorkerThread::Start() {
    Stop();
    m_pThread.reset(AfxBeginThread(ThreadProc, this, GetPriority(), 0, CREATE_SUSPENDED, nullptr));
    if (m_pThread == nullptr) return false;  // no thread: the object stays safe to stop and delete
    m_pThread->ResumeThread();
    return true;
}

void CWorkerThread::Stop() { StopThread(); }

void CWorkerThread::StopThread() {
    if (m_pThread == nullptr) return;
    m_bStop = true;
    if (::WaitForSingleObject(m_pThread->m_hThread.get(), m_stopTimeoutMs) == WAIT_TIMEOUT) {
        ::TerminateThread(m_pThread->m_hThread.get(), kTerminatedExitCode);
    }
    m_bStop = false;
    m_pThread.reset();
    m_bRunning = false;
}

UINT __cdecl CWorkerThread::ThreadProc(LPVOID param) {
    auto* self = static_cast<CWorkerThread*>(param);
    self->m_bRunning = true;
    try {
        self->Run();
    } catch (...) {
        // A worker's failure ends its work silently.
    }
    self->m_bRunning = false;
    return 0;
}
