// The main window's picture: composed once at start-up, then copied to the screen.
#include "app/MainDlg.h"

#include "app/CreditLine.h"
#include "app/resource.h"

#include "about/VersionInfo.h"
#include "framework/Gdi.h"
#include "framework/WinApp.h"
#include "framework/WinUtil.h"
#include "skin/DibSection.h"
#include "skin/OffscreenDC.h"

#include <cstring>

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
    // The copy-back below moves three bytes per pixel; any other picture stays as loaded.
    if (picture.Width() <= 0 || picture.Height() <= 0 || picture.BitCount() != 24) return;

    CDibSection section;
    if (!section.Create(picture.Width(), picture.Height(), 24)) return;
    {
        COffscreenDC dc(section.Bitmap());
        picture.Draw(dc.GetSafeHdc(), 0, 0);
        dc.SetBkMode(TRANSPARENT);
        dc.SetTextColor(kVersionColor);
        CFont font = CreateAppFont(m_scale.Dpi());
        CSelectObject selectFont(dc, font);

        CString version = CString(AfxGetAppName()) + L" " + OwnFileVersion();
        RECT rc = m_scale.Scale(kVersionRect);
        dc.DrawText(version.c_str(), &rc, DT_SINGLELINE | DT_VCENTER);

        dc.SetTextColor(kTextColor);
        rc = m_scale.Scale(kDescriptionRect);
        dc.DrawText(kDescription, &rc, 0);

        DrawCreditLine(dc);
    }

    // Both sides are bottom-up 24-bit rows, but each has its own row length.
    const int rowBytes = picture.Width() * 3;
    const int sectionPitch = section.PaddedWidth() * section.BytesPerPixel();
    for (int row = 0; row < picture.Height(); ++row) {
        std::memcpy(picture.Bits() + row * picture.Stride(), section.Bits() + row * sectionPitch,
                    static_cast<size_t>(rowBytes));
    }
    section.Release();
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
