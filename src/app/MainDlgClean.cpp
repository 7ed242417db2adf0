#include "app/MainDlg.h"
#include "clean/Cleaning.h"
#include "framework/WinApp.h"

const KeepListSource& CMainDlg::KeepList() {
    if (!m_keepList) m_keepList = StoredKeepList();
    return *m_keepList;
}

void CMainDlg::DeleteEntries(bool bCache, bool bCookie) {
    // Both caches are looked at first, on a worker, so that the question can say how much will
    // go; the entries it counts are the ones deleted, and a copy that is not told to go
    // deletes none. 中止 during the look, like No, leaves everything as it was.
    CCleaning cleaning({bCache, bCookie, KeepList(), m_protectedCache()});
    switch (cleaning.PlanUnder(this, m_planningShowAfterMs)) {
    case CCleaning::Planned::Yes: break;
    case CCleaning::Planned::Cancelled: return;
    case CCleaning::Planned::KeepListBroken:
    case CCleaning::Planned::Failed: AfxMessageBox(cleaning.Error().c_str(), MB_OK | MB_ICONSTOP); return;
    }
    if (AfxMessageBox(cleaning.Question().c_str(), MB_YESNO | MB_ICONQUESTION) != IDYES) {
        cleaning.Cancel();
        return;
    }
    cleaning.RunUnderDialog(nullptr);
    EndDialog(IDOK);
}
