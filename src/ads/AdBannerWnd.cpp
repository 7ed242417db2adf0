#include "ads/AdBannerWnd.h"

#include "ads/WebLink.h"
#include "ads/AdIds.h"
#include "framework/ShellOpen.h"
#include "framework/WinApp.h"
#include "framework/WinUtil.h"

namespace {
constexpr UINT kTextFormat = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX;
}  // namespace

CAdBannerWnd::~CAdBannerWnd() = default;

BOOL CAdBannerWnd::Create(const RECT& rect, CWnd* parent, int dpi) {
    if (!CreateEx(0, L"", WS_CHILD | WS_VISIBLE, rect, parent, 0)) return FALSE;
    m_dpi = dpi;
    return TRUE;
}

// Made when there is a caption to draw or measure: an empty banner, as at start-up, needs none.
const CFont& CAdBannerWnd::Font() {
    if (m_font.GetSafeHandle() == nullptr) m_font = CreateAppFont(m_dpi);
    return m_font;
}

void CAdBannerWnd::Rescale(const RECT& rect, int dpi) {
    m_dpi = dpi;
    m_font.DeleteObject();
    ::SetWindowPos(m_hWnd, nullptr, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    // The caption's clickable extent follows the new font.
    MeasureText();
    Invalidate(TRUE);
}

bool CAdBannerWnd::SetAd(AdEntry ad) {
    // Pointing at an ad keeps it: the user may be about to click it.
    if (IsCursorOverText()) return false;

    m_strCaption = ad.caption;
    m_strLink = ad.link;
    // Without a window there is nothing to measure against, and a null window would mean
    // the whole screen to the calls below.
    if (m_hWnd == nullptr) return true;

    // The caption is the banner's name too: a screen reader reads the window text, and is told
    // when it changes. It reads '&' as a mnemonic's mark, as in a button's text, so each is
    // doubled to be read as itself.
    CString name;
    for (wchar_t c : m_strCaption) name.append(c == L'&' ? 2 : 1, c);
    SetWindowText(name.c_str());
    MeasureText();
    Invalidate(TRUE);
    return true;
}

void CAdBannerWnd::MeasureText() {
    CClientDC dc(m_hWnd);
    CSelectObject font(dc, Font());
    ::GetClientRect(m_hWnd, &m_rcText);
    dc.DrawText(m_strCaption, &m_rcText, DT_CALCRECT | kTextFormat);
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
    CPaintDC dc(m_hWnd);
    RECT client;
    ::GetClientRect(m_hWnd, &client);
    dc.FillSolidRect(&client, kBackColor);
    if (m_strCaption.empty()) return;

    CSelectObject font(dc, Font());
    dc.SetTextColor(kTextColor);
    dc.SetBkMode(TRANSPARENT);
    dc.DrawText(m_strCaption, &client, kTextFormat);
}

BOOL CAdBannerWnd::OnSetCursor(UINT hitTest) {
    if (hitTest != HTCLIENT || !IsCursorOverText()) return CWnd::OnSetCursor(hitTest);
    ::SetCursor(GetAppCursor(IDC_LINK_CURSOR));
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
