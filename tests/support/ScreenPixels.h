// Reads what is on the screen: a rectangle of the (Xvfb) screen copied into memory.
#pragma once

#include <windows.h>

#include <vector>

class ScreenPixels {
public:
    // Copies the screen rectangle; coordinates of At() are relative to its top-left corner.
    explicit ScreenPixels(const RECT& screenRect);
    COLORREF At(int x, int y) const;
    int Width() const { return m_width; }
    int Height() const { return m_height; }

private:
    int m_width;
    int m_height;
    std::vector<BYTE> m_bgr;  // top-down rows, 3 bytes a pixel
};

// A window's client area as the screen shows it.
ScreenPixels CaptureClient(HWND hwnd);

// Real mouse input through the system's input queue.
void MouseMoveTo(int screenX, int screenY);
void MouseDown();
void MouseUp();
