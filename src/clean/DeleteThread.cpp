#include "clean/DeleteThread.h"
#include "clean/ProgressDlg.h"
#include "clean/UrlCache.h"

void CDeleteThread::Post(UINT msg, WPARAM wp) { ::PostMessageA(m_pDialog->GetSafeHwnd(), msg, wp, 0); }

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
    const int count = static_cast<int>(m_pList->size());
    int accumulated = 0;
    int last = 0;
    for (auto it = m_pList->begin(); it != m_pList->end();) {
        auto node = it++;
        const CString url = *node;
        // Only whole-percent changes are posted: at most 99 messages, however long the list.
        const int percent = accumulated / count;
        if (percent != last) {
            Post(WM_DELETE_PROGRESS, static_cast<WPARAM>(percent));
            last = percent;
        }
        UrlCache().DeleteEntry(url.c_str());  // an entry in use or already gone is simply passed over
        ::Sleep(1);
        accumulated += 100;
    }
}
