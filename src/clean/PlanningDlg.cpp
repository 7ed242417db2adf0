#include "clean/PlanningDlg.h"

#include "clean/ProgressIds.h"
#include "framework/AppMessages.h"

CPlanningDlg::CPlanningDlg(Work work, CWnd* parent, DWORD showAfterMs)
    : CDialog(IDD_PLANNING, parent),
      m_work(std::move(work)),
      m_worker([this] { m_work(m_cancel); }),
      m_showAfterMs(showAfterMs) {}

CPlanningDlg::~CPlanningDlg() {
    // The worker posts to this window: it is stopped before the window can go.
    m_cancel = true;
    m_worker.Stop();
}

bool CPlanningDlg::StartWork() { return m_worker.Start(m_hWnd, WM_PLANNING_DONE); }

BOOL CPlanningDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    m_cancel = false;
    if (!StartWork()) {
        EndDialog(IDABORT);
        return TRUE;
    }
    ::SetTimer(m_hWnd, kShowTimerId, m_showAfterMs, nullptr);
    return TRUE;
}

LRESULT CPlanningDlg::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_TIMER:
        if (wp != kShowTimerId) break;
        ::KillTimer(m_hWnd, kShowTimerId);
        ShowWindow(SW_SHOWNORMAL);
        return 0;
    case WM_PLANNING_DONE:
        ::KillTimer(m_hWnd, kShowTimerId);
        EndDialog(m_cancel ? IDCANCEL : CTaskThread::EndOf(wp) == CTaskThread::End::Finished ? IDOK : IDABORT);
        return 1;
    default: break;
    }
    return CDialog::WindowProc(msg, wp, lp);
}

void CPlanningDlg::OnCancel() {
    if (m_cancel) return;
    m_cancel = true;
    // The work ends within moments (the copy is ended, the walk stops after the entry at
    // hand); until then the window says so and takes no second 中止.
    ::SetDlgItemTextW(m_hWnd, IDC_PLANNING_STATUS, L"中止しています…");
    ::EnableWindow(::GetDlgItem(m_hWnd, IDCANCEL), FALSE);
}
