// CWinThread: one worker thread of the framework, created suspended.
#pragma once

#include "UniqueHandle.h"

using AFX_THREADPROC = UINT(__cdecl*)(LPVOID);

class CWinThread {
public:
    CWinThread(AFX_THREADPROC proc, LPVOID param) : m_pfnThreadProc(proc), m_pThreadParams(param) {}
    CWinThread(const CWinThread&) = delete;
    CWinThread& operator=(const CWinThread&) = delete;

    // Creates the thread (it runs the procedure once and ends). False if the system refused.
    bool CreateThread(DWORD createFlags, UINT stackSize);
    bool SetThreadPriority(int priority) { return ::SetThreadPriority(m_hThread.get(), priority) != FALSE; }
    DWORD ResumeThread() { return ::ResumeThread(m_hThread.get()); }

    CKernelHandle m_hThread;  // closed when the object goes; the thread itself is not touched

private:
    static unsigned __stdcall Entry(void* self);

    AFX_THREADPROC m_pfnThreadProc;
    LPVOID m_pThreadParams;
};

// Creates a worker thread with the given priority; null if it could not be created.
// With CREATE_SUSPENDED the caller resumes it.
CWinThread* AfxBeginThread(AFX_THREADPROC proc, LPVOID param, int priority = THREAD_PRIORITY_NORMAL,
                           UINT stackSize = 0, DWORD createFlags = 0, LPSECURITY_ATTRIBUTES security = nullptr);
