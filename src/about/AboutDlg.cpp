#include "about/AboutDlg.h"
#include "about/VersionInfo.h"
#include "app/resource.h"
#include "framework/WinApp.h"

#include <string>

namespace {
// The full path of the running program, however long it is.
std::string OwnModulePath() {
    std::string path(MAX_PATH, '\0');
    for (;;) {
        DWORD len = ::GetModuleFileNameA(nullptr, &path[0], static_cast<DWORD>(path.size()));
        if (len == 0) return std::string();
        // A path that fills the buffer may have been cut short (and left unterminated).
        if (len < path.size()) {
            path.resize(len);
            return path;
        }
        if (path.size() >= 32768) return std::string();
        path.resize(path.size() * 2);
    }
}
}  // namespace

CAboutDlg::CAboutDlg() : CDialog(IDD_ABOUTBOX) {}

BOOL CAboutDlg::OnInitDialog() {
    CDialog::OnInitDialog();

    CVersionInfo info;
    info.Read(OwnModulePath());

    std::string versionLine = std::string(AfxGetAppName()) + " Version " + info.GetFileVersion();
    SetDlgItemText(IDC_VERSION_LINE, versionLine.c_str());
    SetDlgItemText(IDC_COPYRIGHT_LINE, info.GetLegalCopyright().c_str());
    return TRUE;
}
