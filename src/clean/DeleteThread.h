// CDeleteThread: deletes the collected URL cache entries one by one on a worker thread, tells
// the progress dialog how far it has come and keeps the result for it.
#pragma once

#include "clean/CleaningPlan.h"
#include "clean/EntryDeletion.h"
#include "clean/LowIntegrityPass.h"
#include "framework/WorkerThread.h"
#include "framework/AppMessages.h"

class CProgressDlg;

// wParam of WM_DELETE_DONE: every entry was processed, or the worker failed part-way.
constexpr WPARAM kDeleteFinished = 0;
constexpr WPARAM kDeleteInterrupted = 1;

class CDeleteThread : public CWorkerThread {
public:
    // Neither the dialog, the plan nor the second pass is owned; all outlive the thread. The
    // plan's entries are deleted; its kept cookies and a walk that ended early go into the
    // result. pSecond: the Protected Mode cache's copy, planned and waiting to be told to go,
    // or null for none.
    CDeleteThread(CProgressDlg* pDialog, const CleaningPlan* pPlan, CSecondPass* pSecond = nullptr)
        : m_pDialog(pDialog), m_pPlan(pPlan), m_pSecond(pSecond) {}
    ~CDeleteThread() override = default;

    void Run() override;

    // Once per whole percent, never per entry, the worker gives up the rest of its time slice
    // to any thread that is waiting for the processor, the dialog's among them. Any longer
    // sleep would wait out a timer tick (15.6 ms by default on Windows) for nothing.
    static constexpr DWORD kPauseMs = 0;

    CProgressDlg* m_pDialog;
    const CleaningPlan* m_pPlan;
    // Written by the worker only; read by the dialog once WM_DELETE_DONE has arrived.
    DeletionResult m_result;
    CSecondPass* m_pSecond;
    // The second pass's outcome (read like m_result); not run until the first pass is done.
    SecondPassResult m_second;
    // How many times the worker paused (at most one per progress message, and 99 at most).
    int m_pauses = 0;

private:
    void Post(UINT msg, WPARAM wp);
    void DeleteAll();
};
