// CProgressDlg: the modal dialog that runs a piece of work on a worker thread and shows how
// far it has come. It cannot be cancelled; its one button appears when the work has ended,
// under the text the work ended with. It knows progress only: what the work is, and what it
// did, stay with whoever gave it.
#pragma once

#include "clean/ProgressSink.h"
#include "framework/Controls.h"
#include "framework/Dialog.h"
#include "framework/TaskThread.h"

#include <functional>
#include <string>

class CProgressDlg : public CDialog {
public:
    // Runs on the worker and reports through the sink it is given; returns the completion.
    using Work = std::function<CString(CProgressSink& progress)>;
    // parent null makes the main window the owner.
    CProgressDlg(Work work, CWnd* parent);
    ~CProgressDlg() override;

    // The work was started (once the dialog has ended: it also ran to its end or failed).
    bool WorkStarted() const { return m_started; }

    // The status while no work has yet been started, and when it never was.
    static const wchar_t kNotStarted[];

protected:
    // Starts the work on its worker; false when no thread could be made.
    virtual bool StartWork();

    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
    bool OnButtonClicked(int id) override;

    // Enter, Esc and a close request must not end the work, nor hide its result.
    void OnOK() override {}
    void OnCancel() override {}

private:
    class CPoster;

    void Finish(const CString& status, bool barFull);

    Work m_work;
    CTaskThread m_worker;
    CProgressCtrl m_progress;
    // Written by the worker before it posts WM_DELETE_DONE, read by the dialog after.
    CString m_completion;
    bool m_started = false;
};
