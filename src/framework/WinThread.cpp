#include "WinThread.h"

#include <memory>
#include <process.h>

bool CWinThread::CreateThread(DWORD createFlags, UINT stackSize) {
    // Always created suspended, so that the object is complete before the thread runs.
    unsigned id = 0;
    uintptr_t h = _beginthreadex(nullptr, stackSize, Entry, this, CREATE_SUSPENDED, &id);
    if (h == 0) return false;
    m_hThread.Reset(reinterpret_cast<HANDLE>(h));
    if ((createFlags & CREATE_SUSPENDED) == 0) ResumeThread();
    return true;
}

unsigned __stdcall CWinThread::Entry(void* p) {
    auto* self = static_cast<CWinThread*>(p);
    return self->m_pfnThreadProc(self->m_pThreadParams);
}

CWinThread* AfxBeginThread(AFX_THREADPROC proc, LPVOID param, int priority, UINT stackSize, DWORD createFlags,
                           LPSECURITY_ATTRIBUTES) {
    auto thread = std::make_unique<CWinThread>(proc, param);
    if (!thread->CreateThread(createFlags | CREATE_SUSPENDED, stackSize)) return nullptr;
    thread->SetThreadPriority(priority);
    if ((createFlags & CREATE_SUSPENDED) == 0) thread->ResumeThread();
    return thread.release();
}
