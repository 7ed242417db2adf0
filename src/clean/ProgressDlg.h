// CProgressDlg: the modal dialog that runs the deletion worker and shows how far it has
// come. It cannot be cancelled; its one button appears when the worker has finished.
#pragma once

#include "clean/DeleteThread.h"
#include "framework/Controls.h"
#include "framework/Dialog.h"

class CProgressDlg : public CDialog {
public:
    // The plan is lent for the dialog's lifetime: its entries are deleted, and the completion
    // counts the cookies it kept and says whether its walk ended early. parent null makes the
    // main window the owner. pSecond (lent too): the Protected Mode cache's copy, planned and
    // told to go after the plan's entries, or null.
    CProgressDlg(const CleaningPlan* pPlan, CWnd* parent, CSecondPass* pSecond = nullptr);
    ~CProgressDlg() override;

    // What the worker did; complete once the dialog has ended.
    const DeletionResult& Result() const { return m_pWorker->m_result; }
    // The second pass's outcome, once the dialog has ended; null when none was asked for.
    const SecondPassResult* SecondPass() const { return m_pWorker->m_pSecond != nullptr ? &m_pWorker->m_second : nullptr; }

    CDeleteThread* m_pWorker;
    CProgressCtrl m_progress;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;

    // Enter, Esc and a close request must not end a deletion, nor hide its result.
    void OnOK() override {}
    void OnCancel() override {}

    void OnEndButton();
    LRESULT OnProgress(WPARAM wp, LPARAM lp);
    LRESULT OnDeleteDone(WPARAM wp, LPARAM lp);
    LRESULT OnStage(WPARAM wp, LPARAM lp);
};
