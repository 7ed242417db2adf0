#include "skin/DibSection.h"

#include <cstdlib>
#include <new>

CDibSection::~CDibSection() { Release(); }

bool CDibSection::Create(int width, int height, int bitCount) {
    Release();
    if (bitCount != 8 && bitCount != 16 && bitCount != 24 && bitCount != 32) return false;
    m_width = width;
    m_height = height;
    m_bytesPerPixel = bitCount / 8;
    m_paddedWidth = width;
    while ((m_paddedWidth * m_bytesPerPixel) % 4 != 0) ++m_paddedWidth;

    const size_t infoSize = sizeof(BITMAPINFOHEADER) + (bitCount == 8 ? 256 * sizeof(RGBQUAD) : sizeof(RGBQUAD));
    m_info = static_cast<BITMAPINFO*>(std::calloc(1, infoSize));
    if (m_info == nullptr) throw std::bad_alloc();
    m_colors = m_info->bmiColors;
    BITMAPINFOHEADER& header = m_info->bmiHeader;
    header.biSize = sizeof(BITMAPINFOHEADER);
    header.biWidth = m_paddedWidth;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = static_cast<WORD>(bitCount);

    HDC screen = ::GetDC(nullptr);
    m_bitmap = ::CreateDIBSection(screen, m_info, DIB_RGB_COLORS, &m_bits, nullptr, 0);
    ::ReleaseDC(nullptr, screen);
    if (m_bitmap == nullptr) {
        m_bits = nullptr;
        return false;
    }
    m_imageSize = m_bytesPerPixel * height * m_paddedWidth;
    return true;
}

void CDibSection::Release() {
    std::free(m_info);
    m_info = nullptr;
    m_colors = nullptr;
    if (m_bitmap != nullptr) ::DeleteObject(m_bitmap);
    m_bitmap = nullptr;
    m_bits = nullptr;
    m_width = m_height = m_imageSize = 0;
}
