// CPlanningDlg: the wait while a piece of work runs on a worker thread before anything is
// asked (a cleaning's look at both caches). It stays hidden for a short moment, so that a
// quick look shows nothing; then it says the cache is being looked at, with 中止. 中止, Esc
// and the work's own end close it; the window's thread only pumps messages meanwhile.
#pragma once

#include "framework/Dialog.h"
#include "framework/TaskThread.h"

#include <atomic>
#include <functional>

class CPlanningDlg : public CDialog {
public:
    // Runs on the worker; it stops as soon as it can once cancel is set.
    using Work = std::function<void(const std::atomic<bool>& cancel)>;
    // DoModal returns IDOK when the work ended by itself, IDCANCEL when 中止 stopped it, IDABORT
    // when it failed or could not be started.
    CPlanningDlg(Work work, CWnd* parent, DWORD showAfterMs = kShowAfterMs);
    ~CPlanningDlg() override;

    // Long enough that a quick look shows no window at all, short enough that a slow one is
    // seen to be under way well before it could pass for a hang.
    static constexpr DWORD kShowAfterMs = 400;
    static constexpr UINT_PTR kShowTimerId = 1;

protected:
    // Starts the work on its worker; false when no thread could be made.
    virtual bool StartWork();

    BOOL OnInitDialog() override;
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
    bool ShowsAtOnce() const override { return false; }
    void OnOK() override {}
    void OnCancel() override;

private:
    Work m_work;
    std::atomic<bool> m_cancel{false};
    CTaskThread m_worker;
    DWORD m_showAfterMs;
};
