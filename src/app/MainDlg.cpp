#include "app/MainDlg.h"
#include "app/resource.h"
#include "framework/WinApp.h"

CMainDlg::CMainDlg(CWnd* parent) : CDialog(IDD_MAIN, parent) {
    m_hIcon = ::LoadIconA(AfxGetResourceHandle(), MAKEINTRESOURCEA(IDI_MAIN));
}

CMainDlg::~CMainDlg() = default;

void CMainDlg::DoDataExchange(CDataExchange* pDX) { CDialog::DoDataExchange(pDX); }

BOOL CMainDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    SetWindowText(AfxGetAppName());
    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));
    return TRUE;
}

LRESULT CMainDlg::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_COMMAND:
        if (HIWORD(wp) == BN_CLICKED) {
            switch (LOWORD(wp)) {
            case IDC_CACHE: OnCache(); return 0;
            case IDC_COOKIE: OnCookie(); return 0;
            case IDC_CACHE_COOKIE: OnCacheCookie(); return 0;
            default: break;
            }
        }
        break;
    default:
        break;
    }
    return CDialog::WindowProc(msg, wp, lp);
}

void CMainDlg::OnCache() { DeleteEntries(true, false); }

void CMainDlg::OnCookie() { DeleteEntries(false, true); }

void CMainDlg::OnCacheCookie() { DeleteEntries(true, true); }
