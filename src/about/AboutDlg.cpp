#include "about/AboutDlg.h"
#include "about/VersionInfo.h"
#include "about/AboutIds.h"
#include "framework/WinApp.h"
#include "framework/WinUtil.h"

CAboutDlg::CAboutDlg() : CDialog(IDD_ABOUTBOX) {}

BOOL CAboutDlg::OnInitDialog() {
    CDialog::OnInitDialog();

    CVersionInfo info;
    info.Read(GetModuleFilePath());

    const CString versionLine = CString(AfxGetAppName()) + L" Version " + info.GetFileVersion();
    SetDlgItemText(IDC_VERSION_LINE, versionLine.c_str());
    SetDlgItemText(IDC_COPYRIGHT_LINE, info.GetLegalCopyright().c_str());
    return TRUE;
}
