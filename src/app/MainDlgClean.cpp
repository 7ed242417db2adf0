#include "app/MainDlg.h"
#include "clean/CleaningPlan.h"
#include "clean/LowIntegrityPass.h"
#include "clean/ProgressDlg.h"
#include "framework/WinApp.h"

const KeepListSource& CMainDlg::KeepList() {
    if (!m_keepList) m_keepList = StoredKeepList();
    return *m_keepList;
}

void CMainDlg::DeleteEntries(bool bCache, bool bCookie) {
    // The walk comes first, so that the question can say how much will go; the entries it
    // names are the ones deleted. Declared before the dialog: the worker reads the list until
    // the dialog has stopped it.
    CleaningPlan plan;
    CString error;
    bool planned;
    {
        CWaitCursor wait;
        planned = PlanCleaning(bCache, bCookie, KeepList(), plan, error);
    }
    if (!planned) {
        AfxMessageBox(error.c_str(), MB_OK | MB_ICONSTOP);
        return;
    }
    if (AfxMessageBox(DeletionPrompt(bCache, bCookie, plan).c_str(), MB_YESNO | MB_ICONQUESTION) != IDYES) return;

    CWaitCursor wait;
    // The Protected Mode cache's pass follows, under the same kind and the keep list as the
    // question read it.
    std::optional<SecondPassRequest> second = PlanSecondPass(bCache, bCookie);
    if (second) second->keep = plan.keep;
    {
        // Shown even for an empty list, so that every confirmed cleaning ends the same way.
        CProgressDlg progress(&plan.entries, nullptr, plan.walkFailed, plan.kept.size(), second ? &*second : nullptr);
        progress.DoModal();
        EndDialog(IDOK);
    }
}
