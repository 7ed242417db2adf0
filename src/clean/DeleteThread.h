// CDeleteThread: deletes the collected URL cache entries one by one on a worker thread and
// tells the progress dialog how far it has come.
#pragma once

#include "clean/EntrySelection.h"
#include "clean/WorkerThread.h"
#include "framework/AppMessages.h"

class CProgressDlg;

// wParam of WM_DELETE_DONE: every entry was processed, or the worker failed part-way.
constexpr WPARAM kDeleteFinished = 0;
constexpr WPARAM kDeleteInterrupted = 1;

class CDeleteThread : public CWorkerThread {
public:
    // Neither the dialog nor the list is owned; both outlive the thread.
    CDeleteThread(CProgressDlg* pDialog, const CStringList* pList) : m_pDialog(pDialog), m_pList(pList) {}
    ~CDeleteThread() override = default;

    void Run() override;

    CProgressDlg* m_pDialog;
    const CStringList* m_pList;

private:
    void Post(UINT msg, WPARAM wp);
    void DeleteAll();
};
