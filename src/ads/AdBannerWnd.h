// CAdBannerWnd: the one-line ad strip at the bottom of the main window. It paints one
// caption on light blue; a click on the caption's text opens the ad's link. While the mouse
// rests on the caption the banner refuses new ads, which holds the rotation. Its window text,
// the name a screen reader reads, is the caption on show.
#pragma once

#include "ads/AdEntry.h"
#include "framework/Gdi.h"
#include "framework/Wnd.h"

class CAdBannerWnd : public CWnd {
public:
    CAdBannerWnd() = default;
    ~CAdBannerWnd() override;

    // Creates the banner as a child of parent at rect (parent's client coordinates), its text
    // drawn for dpi.
    BOOL Create(const RECT& rect, CWnd* parent, int dpi = 96);
    // Moves the banner to rect and draws its text for dpi from now on.
    void Rescale(const RECT& rect, int dpi);
    // Shows ad; false, with nothing changed, while the cursor lies over the current caption.
    bool SetAd(AdEntry ad);
    // Whether the mouse cursor lies in the caption's measured rectangle (by position alone).
    bool IsCursorOverText();

    static constexpr COLORREF kBackColor = RGB(164, 219, 250);
    static constexpr COLORREF kTextColor = RGB(28, 78, 116);

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;

    void OnPaint();
    BOOL OnSetCursor(UINT hitTest) override;
    void OnLButtonDown();
    void OpenLink();
    void MeasureText();
    const CFont& Font();

    int m_dpi = 96;
    CFont m_font;  // made on first use
    RECT m_rcText{};
    CString m_strCaption;
    CString m_strLink;
};
