#include "clean/ProgressDlg.h"

#include "clean/ProgressIds.h"
#include "clean/SecondPassText.h"
#include "framework/AppMessages.h"

const wchar_t CProgressDlg::kNotStarted[] = L"削除を始められませんでした（何も削除していません）";

// The worker's side of the dialog: each report becomes a message to the dialog's window.
class CProgressDlg::CPoster : public CProgressSink {
public:
    explicit CPoster(HWND dialog) : m_dialog(dialog) {}
    void Stage(WPARAM stage) override { ::PostMessageW(m_dialog, WM_DELETE_STAGE, stage, 0); }
    void Percent(int percent) override {
        ::PostMessageW(m_dialog, WM_DELETE_PROGRESS, static_cast<WPARAM>(percent), 0);
    }

private:
    HWND m_dialog;
};

CProgressDlg::CProgressDlg(Work work, CWnd* parent)
    : CDialog(IDD_PROGRESS, parent), m_work(std::move(work)), m_worker([this] {
          CPoster poster(m_hWnd);
          m_completion = m_work(poster);
      }) {}

CProgressDlg::~CProgressDlg() {
    // The worker posts to this window: it is stopped before the window can go.
    m_worker.Stop();
}

bool CProgressDlg::StartWork() { return m_worker.Start(m_hWnd, WM_DELETE_DONE); }

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
    m_started = StartWork();
    // No worker, no word from it: the dialog says so and can be closed at once.
    if (!m_started) Finish(kNotStarted, false);
    return TRUE;
}

LRESULT CProgressDlg::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_DELETE_PROGRESS:
        m_progress.SetPos(static_cast<int>(wp));
        return 1;
    case WM_DELETE_STAGE:
        ::SetDlgItemTextW(m_hWnd, IDC_STATUS, StageStatusText(wp).c_str());
        return 1;
    case WM_DELETE_DONE:
        // An interrupted run leaves the bar where the work stopped: 100 would report it as done.
        // The worker has posted its last message: the completion is written and stays so.
        if (CTaskThread::EndOf(wp) == CTaskThread::End::Failed) {
            Finish(L"削除を中断しました", false);
        } else {
            Finish(m_completion, true);
        }
        return 1;
    default: break;
    }
    return CDialog::WindowProc(msg, wp, lp);
}

bool CProgressDlg::OnButtonClicked(int id) {
    if (id != IDC_END_BUTTON) return CDialog::OnButtonClicked(id);
    EndDialog(IDOK);
    return true;
}

void CProgressDlg::Finish(const CString& status, bool barFull) {
    // The close button comes last: whoever sees it (a user, a screen reader, a test) finds the
    // end text and the bar already in place.
    if (barFull) m_progress.SetPos(100);
    ::SetDlgItemTextW(m_hWnd, IDC_STATUS, status.c_str());
    ::ShowWindow(::GetDlgItem(m_hWnd, IDC_END_BUTTON), SW_SHOW);
}
