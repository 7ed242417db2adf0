#include "app/MainDlg.h"
#include "clean/EntrySelection.h"
#include "clean/LowIntegrityPass.h"
#include "clean/ProgressDlg.h"
#include "framework/WinApp.h"

void CMainDlg::DeleteEntries(bool bCache, bool bCookie) {
    if (AfxMessageBox(DeletionPrompt(bCache, bCookie).c_str(), MB_YESNO | MB_ICONQUESTION) != IDYES) return;

    CWaitCursor wait;
    // Declared before the dialog: the worker reads the list until the dialog has stopped it.
    SelectedEntries list;
    const bool walked = CollectEntries(bCache, bCookie, list);
    const std::optional<SecondPassRequest> second = PlanSecondPass(bCache, bCookie);
    {
        // Shown even for an empty list, so that every confirmed cleaning ends the same way.
        CProgressDlg progress(&list, nullptr, !walked, second ? &*second : nullptr);
        progress.DoModal();
        EndDialog(IDOK);
    }
}
