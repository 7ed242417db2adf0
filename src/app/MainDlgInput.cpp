// The main window towards the mouse and the system menu: dragging by the top strip, the two
// maker links, the folder and about commands, the help button, and the end of the window.
#include "app/MainDlg.h"

#include "about/AboutDlg.h"
#include "ads/AdIds.h"
#include "ads/AdListDownloader.h"
#include "app/KeepListDlg.h"
#include "app/MainIds.h"
#include "app/SignInDlg.h"
#include "framework/MakerSites.h"
#include "framework/ShellOpen.h"
#include "framework/WinApp.h"
#include "framework/WinUtil.h"

#include <shlobj.h>

namespace {
constexpr RECT kDragStrip{0, 0, 405, 36};
}  // namespace

void CMainDlg::AddSystemMenuItems() {
    HMENU menu = ::GetSystemMenu(m_hWnd, FALSE);
    if (menu == nullptr) return;
    ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    ::AppendMenuW(menu, MF_STRING, IDM_OPEN_CACHE_FOLDER, L"キャッシュフォルダを開く(&A)");
    ::AppendMenuW(menu, MF_STRING, IDM_OPEN_COOKIE_FOLDER, L"クッキーフォルダを開く(&O)");
    ::AppendMenuW(menu, MF_STRING, IDM_KEEP_LIST, L"残すサイト(&K)...");
    ::AppendMenuW(menu, MF_STRING, IDM_SIGN_IN, L"サインイン時の削除(&S)...");
    ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    ::AppendMenuW(menu, MF_STRING, IDM_ABOUTBOX, L"バージョン情報(&A)...");
    ::DeleteMenu(menu, SC_MAXIMIZE, MF_BYCOMMAND);
    ::DeleteMenu(menu, SC_SIZE, MF_BYCOMMAND);
}

LRESULT CMainDlg::OnNcHitTest(POINT screenPt) {
    LRESULT hit = Default();
    if (hit == HTCLIENT) {
        POINT pt = screenPt;
        ::ScreenToClient(m_hWnd, &pt);
        // The strip stands in for the missing caption bar.
        const RECT strip = m_scale.Scale(kDragStrip);
        if (::PtInRect(&strip, pt)) return HTCAPTION;
    }
    return hit;
}

int CMainDlg::LinkAt(POINT pt) const {
    if (::PtInRect(&m_rcLink[0], pt)) return 0;
    if (::PtInRect(&m_rcLink[1], pt)) return 1;
    return -1;
}

BOOL CMainDlg::OnSetCursor(UINT hitTest) {
    if (hitTest == HTCLIENT && LinkAt(GetCursorClientPos(m_hWnd)) >= 0) {
        ::SetCursor(GetAppCursor(IDC_LINK_CURSOR));
        return TRUE;
    }
    return CDialog::OnSetCursor(hitTest);
}

void CMainDlg::OnLButtonDown(POINT pt) {
    switch (LinkAt(pt)) {
    case 0: ShellOpen(kFirstMakerSite); return;
    case 1: ShellOpen(kSecondMakerSite); return;
    default: Default(); return;
    }
}

void CMainDlg::InvalidateUnderline(int link) {
    const RECT& r = m_rcLink[link];
    RECT row{r.left, r.bottom, r.right, r.bottom + m_scale.Line(1)};
    InvalidateRect(&row, TRUE);
}

void CMainDlg::OnMouseMove(POINT pt) {
    if (!m_bTrackingLeave) {
        m_bTrackingLeave = true;
        TrackMouseLeave(m_hWnd);
    }
    int link = LinkAt(pt);
    if (link != m_nHoverLink) {
        int old = m_nHoverLink;
        m_nHoverLink = link;
        if (old == 0 || link == 0) InvalidateUnderline(0);
        if (old == 1 || link == 1) InvalidateUnderline(1);
    }
    Default();
}

LRESULT CMainDlg::OnMouseLeave() {
    int old = m_nHoverLink;
    m_bTrackingLeave = false;
    m_nHoverLink = -1;
    if (old == 0 || old == 1) InvalidateUnderline(old);
    return 1;
}

void CMainDlg::OnSysCommand(UINT id) {
    switch (id & 0xFFF0) {
    case IDM_ABOUTBOX: {
        CAboutDlg about;
        about.DoModal();
        return;
    }
    case IDM_OPEN_CACHE_FOLDER:
        ShellOpen(GetSpecialFolderPath(CSIDL_INTERNET_CACHE).c_str());
        return;
    case IDM_OPEN_COOKIE_FOLDER:
        ShellOpen(GetSpecialFolderPath(CSIDL_COOKIES).c_str());
        return;
    case IDM_KEEP_LIST:
        EditKeepList(KeepList(), m_protectedCache().copy, this);
        return;
    case IDM_SIGN_IN:
        EditSignIn(this);
        return;
    default:
        Default();
        return;
    }
}

void CMainDlg::OnHelpButton() { ShellOpen(kHelpPages); }

void CMainDlg::OnDestroy() {
    Default();
    // A download still under way gives up at once; the forced end after 10 seconds is only
    // the last resort of the worker base.
    m_pAdDownloader->Stop();
}
