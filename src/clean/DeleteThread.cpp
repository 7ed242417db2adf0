#include "clean/DeleteThread.h"
#include "clean/ProgressDlg.h"

void CDeleteThread::Post(UINT msg, WPARAM wp) { ::PostMessageW(m_pDialog->GetSafeHwnd(), msg, wp, 0); }

void CDeleteThread::Run() {
    try {
        DeleteAll();
    } catch (...) {
        // Without this the dialog would wait for a completion that never comes, with its
        // close button hidden. Tell it the work stopped, then let the thread end as usual.
        Post(WM_DELETE_DONE, kDeleteInterrupted);
        throw;
    }
    Post(WM_DELETE_DONE, kDeleteFinished);
}

void CDeleteThread::DeleteAll() {
    m_result = DeletionResult();
    m_result.walkFailed = m_walkFailed;
    m_pauses = 0;
    const size_t count = m_pList->size();
    int last = 0;
    DeleteSelected(*m_pList, m_result, [&](size_t index, const SelectedEntry&, DeleteOutcome) {
        // The share done before the next entry. Only whole-percent changes are posted, and
        // only then does the worker pause: at most 99 messages and 99 pauses, however long
        // the list, which keeps the machine responsive without a pause per entry.
        const int percent = static_cast<int>((index + 1) * 100 / count);
        if (percent == last || percent >= 100) return;
        Post(WM_DELETE_PROGRESS, static_cast<WPARAM>(percent));
        last = percent;
        ::Sleep(kPauseMs);
        ++m_pauses;
    });
}
