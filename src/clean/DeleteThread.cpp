#include "clean/DeleteThread.h"
#include "clean/ProgressDlg.h"
#include "clean/SecondPassText.h"

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
    m_result.walkFailed = m_pPlan->walkFailed;
    m_result.kept = m_pPlan->kept.size();
    m_second = SecondPassResult();
    m_pauses = 0;
    const SelectedEntries& entries = m_pPlan->entries;
    const size_t count = entries.size();
    // With a second pass the bar gives each pass half its length.
    const int firstEnd = m_pSecond != nullptr ? 50 : 100;
    int last = 0;
    // Only whole-percent changes are posted, and only then does the worker pause: at most 99
    // messages and 99 pauses, however long the lists, which keeps the machine responsive
    // without a pause per entry.
    auto advance = [&](int percent) {
        if (percent <= last || percent >= 100) return;
        Post(WM_DELETE_PROGRESS, static_cast<WPARAM>(percent));
        last = percent;
        ::Sleep(kPauseMs);
        ++m_pauses;
    };
    if (m_pSecond != nullptr) Post(WM_DELETE_STAGE, kUsualCacheStage);
    DeleteSelected(entries, m_result, [&](size_t index, const SelectedEntry&, DeleteOutcome) {
        // The share done before the next entry.
        advance(static_cast<int>((index + 1) * firstEnd / count));
    });
    if (m_pSecond == nullptr) return;
    advance(firstEnd);
    Post(WM_DELETE_STAGE, kProtectedCacheStage);
    m_second = m_pSecond->Go(entries, [&](size_t done, size_t chosen) {
        if (chosen != 0) advance(firstEnd + static_cast<int>(done * (100 - firstEnd) / chosen));
    });
}
