#include "skin/DibSection.h"

#include "framework/Gdi.h"

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
    m_infoBlock.reset(new BYTE[infoSize]());
    BITMAPINFO* info = reinterpret_cast<BITMAPINFO*>(m_infoBlock.get());
    m_colors = info->bmiColors;
    BITMAPINFOHEADER& header = info->bmiHeader;
    header.biSize = sizeof(BITMAPINFOHEADER);
    header.biWidth = m_paddedWidth;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = static_cast<WORD>(bitCount);

    m_bitmap.Attach(::CreateDIBSection(CClientDC(nullptr), info, DIB_RGB_COLORS, &m_bits, nullptr, 0));
    if (m_bitmap.GetSafeHandle() == nullptr) {
        m_bits = nullptr;
        return false;
    }
    m_imageSize = m_bytesPerPixel * height * m_paddedWidth;
    return true;
}

void CDibSection::Release() {
    m_infoBlock.reset();
    m_colors = nullptr;
    m_bitmap.DeleteObject();
    m_bits = nullptr;
    m_width = m_height = m_imageSize = 0;
}
