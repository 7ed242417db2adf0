// A dialog's push button turned into a picture button: owner-drawn from up to eight state
// images, lit while the mouse is over it, with the hand cursor, and a double click that
// counts as two clicks. Clicks reach the parent as the standard BN_CLICKED. The focus shows as
// a frame in the system's highlight colour once the keyboard is in use.
#pragma once

#include "framework/Controls.h"
#include "skin/SkinImage.h"


// State bits; image slot i belongs to bit 2^i.
constexpr UINT SBS_NORMAL = 0x01;
constexpr UINT SBS_HOVER = 0x02;
constexpr UINT SBS_PRESSED = 0x04;
constexpr UINT SBS_DISABLED = 0x08;

class CSkinButton : public CButton {
public:
    // Cursor resource shown over every skin button; set by the owner before Init.
    static UINT s_cursorId;

    CSkinButton() = default;
    ~CSkinButton() override = default;

    // Binds the parent's control controlId, makes it owner-drawn, takes one image per bit of
    // imageMask from consecutive PNG ids starting at firstPngId, and places it (see Place).
    void Init(CWnd* parent, UINT controlId, int x, int y, UINT firstPngId, UINT imageMask, int dpi = 96);
    // Loads the normal image drawn for dpi and moves the button to (x, y) of its parent, at
    // that image's size: (x, y) are the parent's pixels, already at that scale. The other
    // images are loaded when first drawn: at start-up, and above all at scales that resample
    // their art, only what the window shows is decoded.
    void Place(int x, int y, int dpi);
    // The slot of a state bit; anything but a single known bit selects slot 0.
    static int ImageForState(UINT stateBit);
    void DrawState(HDC dc, UINT stateBit);

    void DrawItem(DRAWITEMSTRUCT* dis) override;
    // The focus cue: a frame of the system's highlight colour inside the item's rectangle,
    // its thickness (returned) and inset scaled to dpi.
    static RECT FocusFrame(const RECT& item, int dpi, int& thickness);
    static void DrawFocusFrame(HDC dc, const RECT& item, int dpi);
    static constexpr int kFocusThickness = 2;  // at 96 DPI
    static constexpr int kFocusInset = 3;
    BOOL PreTranslateMessage(MSG* msg) override;

    bool IsHover() const { return m_hover; }
    UINT ImageMask() const { return m_imageMask; }
    const CSkinImage& StateImage(int slot) const { return m_images[slot]; }

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
    void OnUpdateUIState(UINT action, UINT flags) override;
    BOOL OnSetCursor(UINT hitTest) override;

private:
    CSkinImage m_images[8];
    bool m_hover = false;
    bool m_focusHidden = false;  // the window's keyboard cues are hidden
    UINT m_imageMask = 0;
    UINT m_firstPngId = 0;
    int m_dpi = 96;
    UINT m_triedMask = 0;  // slots loaded (or failed: a broken image is reported once) at m_dpi

    const CSkinImage& LoadedImage(int slot);
};
