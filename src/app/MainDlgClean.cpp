#include "app/MainDlg.h"
#include "clean/Cleaning.h"
#include "framework/WinApp.h"

const KeepListSource& CMainDlg::KeepList() {
    if (!m_keepList) m_keepList = StoredKeepList();
    return *m_keepList;
}

void CMainDlg::DeleteEntries(bool bCache, bool bCookie) {
    // Both caches are walked first, so that the question can say how much will go; the
    // entries it counts are the ones deleted, and a copy that is not told to go deletes none.
    CCleaning cleaning(bCache, bCookie, m_planSecondPass(bCache, bCookie));
    CString error;
    if (!cleaning.Plan(KeepList(), error)) {
        AfxMessageBox(error.c_str(), MB_OK | MB_ICONSTOP);
        return;
    }
    if (AfxMessageBox(cleaning.Question().c_str(), MB_YESNO | MB_ICONQUESTION) != IDYES) {
        cleaning.Cancel();
        return;
    }
    CWaitCursor wait;
    cleaning.Run(true);
    EndDialog(IDOK);
}
