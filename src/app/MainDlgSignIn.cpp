// The main window and the cleaning at sign-in: the one time it says that the last run did not
// end well.
#include "app/MainDlg.h"

#include "app/SignInRun.h"
#include "framework/WinApp.h"

void CMainDlg::OnSignInNotice() {
    // Read after the first picture: the note is a few bytes, the shell's folder lookup is not.
    if (const std::optional<CString> notice = TakeSignInNotice(SignInFolder())) {
        AfxMessageBox(notice->c_str(), MB_OK | MB_ICONWARNING);
    }
}
