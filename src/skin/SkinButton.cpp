#include "skin/SkinButton.h"

#include "framework/Gdi.h"
#include "framework/WinApp.h"
#include "framework/WinUtil.h"

UINT CSkinButton::s_cursorId = 0;

void CSkinButton::Init(CWnd* parent, UINT controlId, int x, int y, UINT firstPngId, UINT imageMask, int dpi) {
    m_imageMask = imageMask;
    m_firstPngId = firstPngId;
    SubclassDlgItem(controlId, parent);
    // The template's push button becomes BS_OWNERDRAW (0xB): it draws nothing of its own.
    ModifyStyle(0, BS_OWNERDRAW, 0);
    m_focusHidden = (::SendMessageW(m_hWnd, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS) != 0;
    Place(x, y, dpi);
}

void CSkinButton::Place(int x, int y, int dpi) {
    m_dpi = dpi;
    m_triedMask = 0;
    for (CSkinImage& image : m_images) image.Image().Release();
    const CPackedDib& normal = LoadedImage(0).Image();
    SetWindowPos(nullptr, x, y, normal.Width(), normal.Height(), SWP_NOZORDER | SWP_NOACTIVATE);
    // A button not on the screen yet is painted whole when it is shown.
    if (::IsWindowVisible(m_hWnd)) InvalidateRect(nullptr, TRUE);
}

const CSkinImage& CSkinButton::LoadedImage(int slot) {
    const UINT bit = 1u << slot;
    if ((m_imageMask & bit) != 0 && (m_triedMask & bit) == 0) {
        m_triedMask |= bit;
        // The images of the mask's bits have consecutive ids, in the order of the bits.
        UINT id = m_firstPngId;
        for (int lower = 0; lower < slot; ++lower) {
            if ((m_imageMask & (1u << lower)) != 0) ++id;
        }
        m_images[slot].Load(id, m_dpi);
    }
    return m_images[slot];
}

int CSkinButton::ImageForState(UINT stateBit) {
    for (int slot = 0; slot < 8; ++slot) {
        if (stateBit == (1u << slot)) return slot;
    }
    return 0;
}

void CSkinButton::DrawState(HDC dc, UINT stateBit) { LoadedImage(ImageForState(stateBit)).Image().Draw(dc, 0, 0); }

void CSkinButton::DrawItem(DRAWITEMSTRUCT* dis) {
    const bool pressed = (dis->itemState & ODS_SELECTED) != 0;
    const bool disabled = (dis->itemState & ODS_DISABLED) != 0;
    UINT state = SBS_NORMAL;
    if (disabled && (m_imageMask & SBS_DISABLED) != 0) {
        state = SBS_DISABLED;
    } else if (pressed) {
        state = SBS_PRESSED;  // even without a pressed image: then nothing is drawn
    } else if (m_hover && (m_imageMask & SBS_HOVER) != 0) {
        state = SBS_HOVER;
    }
    DrawState(dis->hDC, state);
    // The focus shows only once the keyboard is in use: the window's keyboard-cue state, as the
    // system passes it in the item state or as the button followed it (WM_UPDATEUISTATE).
    const bool cuesHidden = (dis->itemState & ODS_NOFOCUSRECT) != 0 || m_focusHidden;
    if ((dis->itemState & ODS_FOCUS) != 0 && !cuesHidden) DrawFocusFrame(dis->hDC, dis->rcItem, m_dpi);
}

RECT CSkinButton::FocusFrame(const RECT& item, int dpi, int& thickness) {
    // Two pixels at 96 DPI, three at 144: as clear at every scale as at the smallest.
    thickness = ::MulDiv(kFocusThickness, dpi, 96);
    const int inset = ::MulDiv(kFocusInset, dpi, 96);
    return RECT{item.left + inset, item.top + inset, item.right - inset, item.bottom - inset};
}

void CSkinButton::DrawFocusFrame(HDC dc, const RECT& item, int dpi) {
    int t = 0;
    const RECT r = FocusFrame(item, dpi, t);
    if (r.right - r.left <= 2 * t || r.bottom - r.top <= 2 * t) return;
    // The system's own highlight colour: what the user's theme makes stand out.
    HBRUSH brush = ::GetSysColorBrush(COLOR_HIGHLIGHT);
    const RECT sides[4] = {{r.left, r.top, r.right, r.top + t},
                           {r.left, r.bottom - t, r.right, r.bottom},
                           {r.left, r.top + t, r.left + t, r.bottom - t},
                           {r.right - t, r.top + t, r.right, r.bottom - t}};
    for (const RECT& side : sides) ::FillRect(dc, &side, brush);
}

BOOL CSkinButton::PreTranslateMessage(MSG* msg) {
    // An owner-drawn button reports a double click as BN_DOUBLECLICKED, not as a click; as a
    // plain press, the second click of a double click is a click of its own.
    if (msg->message == WM_LBUTTONDBLCLK) msg->message = WM_LBUTTONDOWN;
    return CButton::PreTranslateMessage(msg);
}

// Tab or Alt has shown the cues (or a click hid them): the frame follows at once. The change is
// followed as it arrives, not read back: Wine keeps no state to read.
void CSkinButton::OnUpdateUIState(UINT action, UINT flags) {
    if ((flags & UISF_HIDEFOCUS) != 0 && (action == UIS_SET || action == UIS_CLEAR)) {
        m_focusHidden = action == UIS_SET;
        if (::GetFocus() == m_hWnd) InvalidateRect(nullptr, TRUE);
    }
}

BOOL CSkinButton::OnSetCursor(UINT hitTest) {
    HCURSOR hand = hitTest == HTCLIENT ? GetAppCursor(s_cursorId) : nullptr;
    // Without a cursor resource keep the class cursor rather than none at all.
    if (hand == nullptr) return CButton::OnSetCursor(hitTest);
    ::SetCursor(hand);
    return TRUE;
}

LRESULT CSkinButton::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_MOUSEMOVE:
        if (!m_hover) {
            m_hover = true;
            TrackMouseLeave(m_hWnd);
            if ((m_imageMask & SBS_HOVER) != 0) InvalidateRect(nullptr, TRUE);
        }
        break;  // the button still needs the move while it holds the capture
    case WM_ERASEBKGND:
        return TRUE;  // the image covers every pixel
    case WM_MOUSELEAVE:
        m_hover = false;
        InvalidateRect(nullptr, TRUE);
        return 0;
    default:
        break;
    }
    return CButton::WindowProc(msg, wp, lp);
}
