// The display scale of a window: its DPI (96 at 100 %) and the mapping of the skin's 96-DPI
// design coordinates onto it.
#pragma once

#include "framework/Afx.h"

constexpr int kDesignDpi = 96;

class CDpiScale {
public:
    explicit CDpiScale(int dpi = kDesignDpi) : m_dpi(dpi > 0 ? dpi : kDesignDpi) {}

    // The window's own DPI where Windows tracks one per window (10 1607 and later), its
    // monitor's where Windows knows one per monitor (8.1), the system's DPI on older systems.
    static CDpiScale ForWindow(HWND wnd);

    // A system metric (SM_CXVSCROLL, ...) at this scale: the system's own figure for this DPI
    // where it has one per DPI (10 1607 and later), else the system-DPI figure scaled.
    int Metric(int index) const;

    int Dpi() const { return m_dpi; }
    // A design length at this scale, rounded to the nearest pixel.
    int Scale(int designPixels) const { return ::MulDiv(designPixels, m_dpi, kDesignDpi); }
    // A design rectangle at this scale; its edges round as lone coordinates do, so that
    // rectangles which touch at 96 DPI still touch.
    RECT Scale(const RECT& design) const {
        return RECT{Scale(design.left), Scale(design.top), Scale(design.right), Scale(design.bottom)};
    }
    // A line width: never thinner than one pixel.
    int Line(int designPixels) const {
        const int scaled = Scale(designPixels);
        return scaled > 0 ? scaled : 1;
    }

private:
    int m_dpi;
};
