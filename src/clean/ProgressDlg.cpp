#include "clean/ProgressDlg.h"
#include "clean/ProgressIds.h"
#include "clean/CompletionText.h"
#include "clean/SecondPassText.h"

CProgressDlg::CProgressDlg(const CleaningPlan* pPlan, CWnd* parent, CSecondPass* pSecond)
    : CDialog(IDD_PROGRESS, parent), m_pWorker(new CDeleteThread(this, pPlan, pSecond)) {}

CProgressDlg::~CProgressDlg() {
    // The worker posts to this window: it is stopped before the window can go.
    delete m_pWorker;
    m_pWorker = nullptr;
}

void CProgressDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_PROGRESS, m_progress);
}

BOOL CProgressDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    m_progress.SetRange(0, 100);
    m_progress.SetPos(0);
    // Fully painted before the worker can keep the system busy.
    ShowWindow(SW_SHOW);
    ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    m_pWorker->Start();
    return TRUE;
}

LRESULT CProgressDlg::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_COMMAND:
        if (HIWORD(wp) == BN_CLICKED && LOWORD(wp) == IDC_END_BUTTON) {
            OnEndButton();
            return 0;
        }
        break;
    case WM_DELETE_PROGRESS: return OnProgress(wp, lp);
    case WM_DELETE_DONE: return OnDeleteDone(wp, lp);
    case WM_DELETE_STAGE: return OnStage(wp, lp);
    default: break;
    }
    return CDialog::WindowProc(msg, wp, lp);
}

void CProgressDlg::OnEndButton() { EndDialog(IDOK); }

LRESULT CProgressDlg::OnProgress(WPARAM wp, LPARAM) {
    m_progress.SetPos(static_cast<int>(wp));
    return 1;
}

LRESULT CProgressDlg::OnDeleteDone(WPARAM wp, LPARAM) {
    // An interrupted run leaves the bar where the work stopped: 100 would report it as done.
    const bool finished = wp != kDeleteInterrupted;
    if (finished) m_progress.SetPos(100);
    ::ShowWindow(::GetDlgItem(m_hWnd, IDC_END_BUTTON), SW_SHOW);
    // The worker has posted its last message: its result is complete and no longer written.
    if (finished && m_pWorker->m_pSecond != nullptr) {
        ::SetDlgItemTextW(m_hWnd, IDC_STATUS, CompletionTextOfBoth(m_pWorker->m_result, m_pWorker->m_second).c_str());
        return 1;
    }
        SetDlgItemText(IDC_STATUS, finished ? CompletionText(m_pWorker->m_result).c_str() : L"削除を中断しました");
    return 1;
}

LRESULT CProgressDlg::OnStage(WPARAM wp, LPARAM) {
    ::SetDlgItemTextW(m_hWnd, IDC_STATUS, StageStatusText(wp).c_str());
    return 1;
}
