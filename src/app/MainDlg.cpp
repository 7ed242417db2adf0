#include "app/MainDlg.h"

#include "ads/AdListDownloader.h"
#include "app/resource.h"
#include "framework/AppMessages.h"
#include "framework/WinApp.h"
#include "skin/SkinButton.h"

#include <windowsx.h>

#include <iterator>

namespace {
constexpr SIZE kWindowSize{510, 310};
constexpr RECT kBannerRect{40, 282, 495, 306};
// Not in the headers for the oldest Windows the program supports.
constexpr UINT kGetDpiScaledSize = 0x02E4;  // WM_GETDPISCALEDSIZE

// In the order Tab visits them: the cleanings first, as a reader's list of the window begins.
// The name is the words the button's picture shows: the window text, which a screen reader
// reads as the button's name (the template's own words are placeholders).
struct ButtonPlace {
    UINT id;
    int x, y;
    UINT firstPng;
    const wchar_t* name;
};
const ButtonPlace kButtons[5] = {
    {IDC_CACHE, 14, 92, IDB_CACHE_NORMAL, L"キャッシュを削除"},
    {IDC_COOKIE, 176, 92, IDB_COOKIE_NORMAL, L"クッキーを削除"},
    {IDC_CACHE_COOKIE, 338, 92, IDB_CACHE_COOKIE_NORMAL, L"キャッシュとクッキーを削除"},
    {IDC_HELP_BUTTON, 405, 1, IDB_HELP_NORMAL, L"ヘルプ"},
    {IDCANCEL, 461, 1, IDB_EXIT_NORMAL, L"終了"},
};

// The user asked Windows to show the keyboard cues always ("underline access keys").
bool KeyboardCuesAlways() {
    BOOL always = FALSE;
    return ::SystemParametersInfoW(SPI_GETKEYBOARDCUES, 0, &always, 0) && always;
}

// The window lays out its own controls at each scale: the dialog manager's rescaling of a
// template (Windows 10 1703 and later) would move the skin buttons off their art.
void KeepDialogManagerFromRescaling(HWND dialog) {
    using SetBehaviorFn = BOOL(WINAPI*)(HWND, int, int);
    const auto setBehavior = reinterpret_cast<SetBehaviorFn>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleA("user32.dll"), "SetDialogDpiChangeBehavior")));
    constexpr int kDisableAll = 0x0001;  // DDC_DISABLE_ALL
    if (setBehavior != nullptr) setBehavior(dialog, kDisableAll, kDisableAll);
}
}  // namespace

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

    m_scale = CDpiScale::ForWindow(m_hWnd);
    KeepDialogManagerFromRescaling(m_hWnd);
    CreateSkinButtons();
    HideFocusUntilTheKeyboardIsUsed();
    m_banner.Create(m_scale.Scale(kBannerRect), this, m_scale.Dpi());
    // The buttons and the banner are made at this scale already: only the window follows,
    // sized to its picture and centred in one move.
    ComposeBackground();
    CenterWindow(BackgroundSize());
    // The system menu's own items, the icons and the ad download wait for the first idle
    // moment (OnKickIdle): the first picture needs none of them.
    return TRUE;
}

// Once the window stands painted. Windows takes a window's icons at any time, and the taskbar
// button follows them.
BOOL CMainDlg::OnKickIdle() {
    AddSystemMenuItems();
    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));
    m_pAdDownloader->Start();
    PostMessage(WM_SIGNIN_NOTICE);
    return FALSE;  // nothing more to do when idle
}

// The window's size at m_scale: its background's, or the design's if the picture is missing.
SIZE CMainDlg::BackgroundSize() const {
    const CPackedDib& picture = m_background.Image();
    return SIZE{picture.Width() > 0 ? picture.Width() : m_scale.Scale(kWindowSize.cx),
                picture.Height() > 0 ? picture.Height() : m_scale.Scale(kWindowSize.cy)};
}

// The background composed for m_scale, and the window sized to it where it stands.
void CMainDlg::FitToBackground() {
    ComposeBackground();
    const SIZE size = BackgroundSize();
    SetWindowPos(nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// Everything whose size depends on the scale, rebuilt for m_scale.
void CMainDlg::ApplyScale() {
    FitToBackground();
    PlaceSkinButtons();
    m_banner.Rescale(m_scale.Scale(kBannerRect), m_scale.Dpi());
    InvalidateRect(nullptr, TRUE);
}

// Windows suggests where the window goes on the monitor it moved to; the size is the one
// WM_GETDPISCALEDSIZE asked for.
void CMainDlg::OnDpiChanged(UINT dpi, const RECT& suggested) {
    m_scale = CDpiScale(static_cast<int>(dpi));
    SetWindowPos(nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    ApplyScale();
}

// The exact size of the art at the new scale, instead of the old size times the ratio.
BOOL CMainDlg::OnGetDpiScaledSize(int dpi, SIZE& size) const {
    const CDpiScale next(dpi);
    size = SIZE{next.Scale(kWindowSize.cx), next.Scale(kWindowSize.cy)};
    return TRUE;
}

void CMainDlg::CreateSkinButtons() {
    static_assert(std::size(kButtons) == std::tuple_size<decltype(m_buttons)>::value, "one place a button");
    HWND previous = HWND_TOP;
    for (size_t i = 0; i < m_buttons.size(); ++i) {
        const ButtonPlace& b = kButtons[i];
        m_buttons[i].Init(this, b.id, m_scale.Scale(b.x), m_scale.Scale(b.y), b.firstPng,
                          SBS_NORMAL | SBS_HOVER | SBS_PRESSED, m_scale.Dpi());
        m_buttons[i].SetWindowText(b.name);
        // The order of the children is the order of Tab.
        ::SetWindowPos(m_buttons[i].m_hWnd, previous, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        previous = m_buttons[i].m_hWnd;
    }
}

// A mouse user sees no focus cue; the first key of the keyboard (Tab, an arrow, Alt) shows it,
// through the window's keyboard-cue state. A user who asked the system for the cues always
// (SPI_GETKEYBOARDCUES) has them from the start.
void CMainDlg::HideFocusUntilTheKeyboardIsUsed() {
    if (!KeyboardCuesAlways()) SendMessage(WM_CHANGEUISTATE, MAKEWPARAM(UIS_SET, UISF_HIDEFOCUS | UISF_HIDEACCEL));
}

// The keys that move the focus or call the menu show the cues before the dialog manager moves
// it: Windows' own dialog manager does the same, Wine's does not.
BOOL CMainDlg::PreTranslateMessage(MSG* msg) {
    const bool moves = msg->wParam == VK_TAB || (msg->wParam >= VK_LEFT && msg->wParam <= VK_DOWN);
    const bool cueKey = (msg->message == WM_KEYDOWN && moves) || (msg->message == WM_SYSKEYDOWN && msg->wParam == VK_MENU);
    if (cueKey && (msg->hwnd == m_hWnd || ::IsChild(m_hWnd, msg->hwnd))) {
        SendMessage(WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS | UISF_HIDEACCEL));
    }
    return CDialog::PreTranslateMessage(msg);
}

// Enter presses the button that has the focus, as Space does: the picture buttons are no push
// buttons to the dialog manager, which would otherwise end the window as if OK were pressed.
void CMainDlg::OnOK() {
    const HWND focus = ::GetFocus();
    for (CSkinButton& button : m_buttons) {
        if (button.m_hWnd == focus) {
            SendMessage(WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(focus), BN_CLICKED), reinterpret_cast<LPARAM>(focus));
            return;
        }
    }
}

// The system passes a change of the keyboard cues on to the controls; Wine neither keeps nor
// passes it on, so the picture buttons are told here as well (the same change twice is no change).
void CMainDlg::OnChangeUIState(UINT action, UINT flags) {
    if (action == UIS_CLEAR || (action == UIS_SET && !KeyboardCuesAlways())) {
        for (CSkinButton& button : m_buttons) button.SendMessage(WM_UPDATEUISTATE, MAKEWPARAM(action, flags), 0);
    }
}

void CMainDlg::PlaceSkinButtons() {
    for (size_t i = 0; i < m_buttons.size(); ++i) {
        m_buttons[i].Place(m_scale.Scale(kButtons[i].x), m_scale.Scale(kButtons[i].y), m_scale.Dpi());
    }
}

// One line a message; the messages whose parameters pack several values reach their handlers
// through the framework (OnButtonClicked, OnSetCursor, OnDpiChanged).
LRESULT CMainDlg::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    const POINT pt{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};  // for the mouse messages
    switch (msg) {
    case WM_KICKIDLE: return OnKickIdle();
    case WM_SYSCOMMAND: OnSysCommand(static_cast<UINT>(wp)); return 0;
    case WM_PAINT: OnPaint(); return 0;
    case WM_ERASEBKGND: return OnEraseBkgnd(reinterpret_cast<HDC>(wp));
    case WM_QUERYDRAGICON: return reinterpret_cast<LRESULT>(OnQueryDragIcon());
    case WM_TIMER: OnTimer(wp); return 0;
    case WM_DESTROY: OnDestroy(); return 0;
    case WM_NCHITTEST: return OnNcHitTest(pt);
    case WM_LBUTTONDOWN: OnLButtonDown(pt); return 0;
    case WM_MOUSEMOVE: OnMouseMove(pt); return 0;
    case WM_MOUSELEAVE: return OnMouseLeave();
    case kGetDpiScaledSize: return OnGetDpiScaledSize(static_cast<int>(wp), *reinterpret_cast<SIZE*>(lp));
    case WM_AD_LIST_READY: return OnAdListReady();
    case WM_SIGNIN_NOTICE: OnSignInNotice(); return 0;
    default: return CDialog::WindowProc(msg, wp, lp);
    }
}

bool CMainDlg::OnButtonClicked(int id) {
    switch (id) {
    case IDC_CACHE: OnCache(); return true;
    case IDC_COOKIE: OnCookie(); return true;
    case IDC_CACHE_COOKIE: OnCacheCookie(); return true;
    case IDC_HELP_BUTTON: OnHelpButton(); return true;
    default: return CDialog::OnButtonClicked(id);
    }
}

void CMainDlg::OnCache() { DeleteEntries(true, false); }

void CMainDlg::OnCookie() { DeleteEntries(false, true); }

void CMainDlg::OnCacheCookie() { DeleteEntries(true, true); }
