// CWorkerThread: the base of every worker of the program. A derived class puts its work
// in Run; Stop waits for the thread at most 10 seconds and then ends it by force.
#pragma once

#include "framework/WinThread.h"

#include <atomic>
#include <memory>

class CWorkerThread {
public:
    CWorkerThread() = default;
    virtual ~CWorkerThread();
    CWorkerThread(const CWorkerThread&) = delete;
    CWorkerThread& operator=(const CWorkerThread&) = delete;

    // False when the system would not create the thread: then nothing runs.
    virtual bool Start();
    virtual void Run() {}
    virtual void Stop();
    virtual int GetPriority() { return THREAD_PRIORITY_NORMAL; }

    // Forced termination is the last resort: a worker that watches m_bStop ends long before.
    // Tests that prove the last resort shorten the wait; the program keeps the default.
    void SetStopTimeout(DWORD ms) { m_stopTimeoutMs = ms; }

    static constexpr DWORD kStopTimeoutMs = 10000;
    static constexpr DWORD kTerminatedExitCode = 0xFFFFFFFF;

    // Written and read by two threads: the stopping one and the worker.
    std::atomic<bool> m_bStop{false};
    std::unique_ptr<CWinThread> m_pThread;
    std::atomic<bool> m_bRunning{false};

protected:
    static UINT __cdecl ThreadProc(LPVOID param);

private:
    void StopThread();

    DWORD m_stopTimeoutMs = kStopTimeoutMs;
};
