#include "ads/AdBannerWnd.h"

#include "ads/WebLink.h"
#include "app/resource.h"
#include "framework/ShellOpen.h"
#include "framework/WinApp.h"

namespace {
constexpr UINT kTextFormat = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX;
}  // namespace

POINT GetCursorClientPos(HWND wnd) {
    POINT pt{};
    ::GetCursorPos(&pt);
    ::ScreenToClient(wnd, &pt);
    return pt;
}

CAdBannerWnd::~CAdBannerWnd() = default;

BOOL CAdBannerWnd::Create(const RECT& rect, CWnd* parent) {
    if (!CreateEx(0, "", WS_CHILD | WS_VISIBLE, rect, parent, 0)) return FALSE;
    m_font.reset(::CreateFontA(12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                               CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "ＭＳ Ｐゴシック"));
    return TRUE;
}

bool CAdBannerWnd::SetAd(AdEntry ad) {
    // Pointing at an ad keeps it: the user may be about to click it.
    if (IsCursorOverText()) return false;

    m_strCaption = ad.caption;
    m_strLink = ad.link;
    // Without a window there is nothing to measure against, and a null window would mean
    // the whole screen to the calls below.
    if (m_hWnd == nullptr) return true;

    ClientDC dc(m_hWnd);
    SelectGuard font(dc.get(), m_font.get());
    ::GetClientRect(m_hWnd, &m_rcText);
    ::DrawTextA(dc.get(), m_strCaption.c_str(), -1, &m_rcText, DT_CALCRECT | kTextFormat);

    Invalidate(TRUE);
    return true;
}

bool CAdBannerWnd::IsCursorOverText() {
    POINT pt = GetCursorClientPos(m_hWnd);
    return ::PtInRect(&m_rcText, pt) != FALSE;
}

LRESULT CAdBannerWnd::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_SETCURSOR:
        if (OnSetCursor(LOWORD(lp))) return TRUE;
        break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        // The cursor's position now counts, not the point the message carries.
        OnLButtonDown();
        return 0;
    default:
        break;
    }
    return CWnd::WindowProc(msg, wp, lp);
}

void CAdBannerWnd::OnPaint() {
    PaintDC dc(m_hWnd);
    RECT client;
    ::GetClientRect(m_hWnd, &client);

    BrushHandle back(::CreateSolidBrush(kBackColor));
    ::FillRect(dc.get(), &client, back.get());

    SelectGuard font(dc.get(), m_font.get());
    ::SetTextColor(dc.get(), kTextColor);
    ::SetBkMode(dc.get(), TRANSPARENT);
    ::DrawTextA(dc.get(), m_strCaption.c_str(), -1, &client, kTextFormat);
}

BOOL CAdBannerWnd::OnSetCursor(UINT hitTest) {
    if (hitTest != HTCLIENT || !IsCursorOverText()) return FALSE;
    ::SetCursor(::LoadCursorA(AfxGetResourceHandle(), MAKEINTRESOURCEA(IDC_LINK_CURSOR)));
    return TRUE;
}

void CAdBannerWnd::OnLButtonDown() {
    if (IsCursorOverText()) OpenLink();
}

void CAdBannerWnd::OpenLink() {
    CWaitCursor wait;
    // A link that is not a plain web address is dropped as silently as a failed open.
    if (IsSafeWebLink(m_strLink)) ShellOpen(m_strLink.c_str());
}
