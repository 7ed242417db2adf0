#include "app/MainDlg.h"

#include "ads/AdListDownloader.h"
#include "app/resource.h"
#include "framework/AppMessages.h"
#include "framework/WinApp.h"
#include "skin/SkinButton.h"

#include <windowsx.h>

CMainDlg::CMainDlg(CWnd* parent)
    : CDialog(IDD_MAIN, parent), m_nCurrentAd(-1), m_nHoverLink(-1), m_bTrackingLeave(false) {
    m_hIcon = ::LoadIconW(AfxGetResourceHandle(), MAKEINTRESOURCEW(IDI_MAIN));
    m_pAdDownloader = std::make_unique<CAdListDownloader>(this);
}

CMainDlg::~CMainDlg() {
    // The downloader goes first: its thread must not outlive the window it reports to.
    m_pAdDownloader.reset();
}

void CMainDlg::DoDataExchange(CDataExchange* pDX) { CDialog::DoDataExchange(pDX); }

BOOL CMainDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    SetWindowText(AfxGetAppName());
    CSkinButton::s_cursorId = IDC_LINK_CURSOR;

    // The window has no caption bar, but it keeps a system menu (Alt+Space, the taskbar).
    ModifyStyle(0, WS_SYSMENU, 0);
    AddSystemMenuItems();

    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));

    ComposeBackground();
    const CPackedDib& picture = m_background.Image();
    // Origin unchanged, so the dialog is centred once initialisation returns.
    MoveWindow(0, 0, picture.Width() > 0 ? picture.Width() : 510, picture.Height() > 0 ? picture.Height() : 310, TRUE);

    CreateSkinButtons();
    m_banner.Create(RECT{40, 282, 495, 306}, this);
    m_pAdDownloader->Start();
    return TRUE;
}

void CMainDlg::CreateSkinButtons() {
    struct ButtonPlace {
        UINT id;
        int x, y;
        UINT firstPng;
    };
    static const ButtonPlace kButtons[std::tuple_size<decltype(m_buttons)>::value] = {
        {IDC_HELP_BUTTON, 405, 1, IDB_HELP_NORMAL},      {IDCANCEL, 461, 1, IDB_EXIT_NORMAL},
        {IDC_CACHE, 14, 92, IDB_CACHE_NORMAL},           {IDC_COOKIE, 176, 92, IDB_COOKIE_NORMAL},
        {IDC_CACHE_COOKIE, 338, 92, IDB_CACHE_COOKIE_NORMAL},
    };
    for (size_t i = 0; i < m_buttons.size(); ++i) {
        const ButtonPlace& b = kButtons[i];
        m_buttons[i].Init(this, b.id, b.x, b.y, b.firstPng, SBS_NORMAL | SBS_HOVER | SBS_PRESSED);
    }
}

LRESULT CMainDlg::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_SYSCOMMAND:
        OnSysCommand(static_cast<UINT>(wp));
        return 0;
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_QUERYDRAGICON:
        return reinterpret_cast<LRESULT>(OnQueryDragIcon());
    case WM_COMMAND:
        if (HIWORD(wp) == BN_CLICKED) {
            switch (LOWORD(wp)) {
            case IDC_CACHE: OnCache(); return 0;
            case IDC_COOKIE: OnCookie(); return 0;
            case IDC_CACHE_COOKIE: OnCacheCookie(); return 0;
            case IDC_HELP_BUTTON: OnHelpButton(); return 0;
            default: break;
            }
        }
        break;
    case WM_DESTROY:
        OnDestroy();
        return 0;
    case WM_TIMER:
        OnTimer(wp);
        return 0;
    case WM_ERASEBKGND:
        return OnEraseBkgnd(reinterpret_cast<HDC>(wp));
    case WM_NCHITTEST:
        return OnNcHitTest(POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
    case WM_SETCURSOR:
        return OnSetCursor(LOWORD(lp));
    case WM_LBUTTONDOWN:
        OnLButtonDown(POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
        return 0;
    case WM_MOUSEMOVE:
        OnMouseMove(POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
        return 0;
    case WM_AD_LIST_READY:
        return OnAdListReady();
    case WM_MOUSELEAVE:
        return OnMouseLeave();
    default:
        break;
    }
    return CDialog::WindowProc(msg, wp, lp);
}

void CMainDlg::OnCache() { DeleteEntries(true, false); }

void CMainDlg::OnCookie() { DeleteEntries(false, true); }

void CMainDlg::OnCacheCookie() { DeleteEntries(true, true); }
