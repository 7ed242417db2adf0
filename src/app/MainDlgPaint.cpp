// The main window's picture: composed once at start-up, then copied to the screen.
#include "app/MainDlg.h"

#include "app/CreditLine.h"
#include "app/resource.h"

#include "about/VersionInfo.h"
#include "framework/Gdi.h"
#include "framework/WinApp.h"
#include "framework/WinUtil.h"
#include "skin/OffscreenDC.h"


namespace {
constexpr COLORREF kVersionColor = RGB(255, 255, 255);
constexpr COLORREF kTextColor = RGB(0, 0, 0);
constexpr COLORREF kLinkColor = 0x00744E1C;  // RGB(28, 78, 116)
constexpr RECT kVersionRect{15, 2, 168, 34};
constexpr RECT kDescriptionRect{17, 52, 445, 87};
constexpr int kCreditTop = 263;
constexpr int kCreditRight = 495;

constexpr wchar_t kDescription[] =
    L"Internet Explorerのキャッシュまたはクッキーを削除します。\n"
    L"削除したい内容のボタンをクリックしてください。";

CString OwnFileVersion() {
    CVersionInfo info;
    info.Read(GetModuleFilePath());
    return info.GetFileVersion();
}
}  // namespace

const wchar_t* const kCreditSegments[4] = {L"制作：", L"Harrowmint", L"　イラスト：", L"Quillimore"};

void CMainDlg::ComposeBackground() {
    m_background.Load(IDB_BACKGROUND, m_scale.Dpi());
    CPackedDib& picture = m_background.Image();
    // The texts sit in two bands of the picture: the rest of it never passes through GDI. The
    // bands move three bytes per pixel; any other picture stays as loaded.
    if (picture.Width() <= 0 || picture.Height() <= 0 || picture.BitCount() != 24) return;

    CFont font = CreateAppFont(m_scale.Dpi());
    const RECT versionRect = m_scale.Scale(kVersionRect), descriptionRect = m_scale.Scale(kDescriptionRect);
    // DrawText keeps to its rectangle: the version and the description end with the latter.
    DrawOnRows(picture, 0, descriptionRect.bottom, [&](CDC& dc) {
        dc.SetBkMode(TRANSPARENT);
        CSelectObject selectFont(dc, font);
        dc.SetTextColor(kVersionColor);
        CString version = CString(AfxGetAppName()) + L" " + OwnFileVersion();
        RECT rc = versionRect;
        dc.DrawText(version.c_str(), &rc, DT_SINGLELINE | DT_VCENTER);
        dc.SetTextColor(kTextColor);
        rc = descriptionRect;
        dc.DrawText(kDescription, &rc, 0);
    });
    // The credit line, from its top to the picture's foot.
    DrawOnRows(picture, m_scale.Scale(kCreditTop), picture.Height(), [&](CDC& dc) {
        dc.SetBkMode(TRANSPARENT);
        CSelectObject selectFont(dc, font);
        DrawCreditLine(dc);
    });
}

// Right-aligned at x 495; the two names are remembered as the link rectangles.
void CMainDlg::DrawCreditLine(CDC& dc) {
    const int creditTop = m_scale.Scale(kCreditTop);
    SIZE extent[4];
    int total = 0;
    for (int i = 0; i < 4; ++i) {
        extent[i] = dc.GetTextExtent(kCreditSegments[i]);
        total += extent[i].cx;
    }
    int x = m_scale.Scale(kCreditRight) - total;
    for (int i = 0; i < 4; ++i) {
        dc.SetTextColor(i % 2 == 0 ? kTextColor : kLinkColor);
        dc.TextOut(x, creditTop, kCreditSegments[i]);
        if (i % 2 == 1) m_rcLink[i / 2] = RECT{x, creditTop, x + extent[i].cx, creditTop + extent[i].cy};
        x += extent[i].cx;
    }
}

BOOL CMainDlg::OnEraseBkgnd(HDC dc) {
    if (m_background.Image().Bits() == nullptr) {
        // No picture: at least a plain face instead of whatever was on the screen.
        RECT rc;
        ::GetClientRect(m_hWnd, &rc);
        ::FillRect(dc, &rc, ::GetSysColorBrush(COLOR_BTNFACE));
        return TRUE;
    }
    m_background.Image().Draw(dc, 0, 0);
    return TRUE;
}

void CMainDlg::OnPaint() {
    CPaintDC dc(m_hWnd);
    if (::IsIconic(m_hWnd)) {
        SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.m_hDC), 0);
        RECT rc;
        ::GetClientRect(m_hWnd, &rc);
        int x = (rc.right - rc.left - ::GetSystemMetrics(SM_CXICON) + 1) / 2;
        int y = (rc.bottom - rc.top - ::GetSystemMetrics(SM_CYICON) + 1) / 2;
        dc.DrawIcon(x, y, m_hIcon);
        return;
    }
    if (m_nHoverLink == 0 || m_nHoverLink == 1) {
        const RECT& link = m_rcLink[m_nHoverLink];
        RECT underline{link.left, link.bottom, link.right, link.bottom + m_scale.Line(1)};
        dc.FillSolidRect(&underline, kLinkColor);
    }
}
