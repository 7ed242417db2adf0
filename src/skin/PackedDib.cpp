#include "skin/PackedDib.h"

#include <cstring>
#include <new>

int StrideFor(int width, int bitCount) { return ((width * bitCount + 31) / 32) * 4; }

namespace {
bool IsPackedBitCount(int bitCount) {
    switch (bitCount) {
    case 1: case 4: case 8: case 16: case 24: case 32: return true;
    default: return false;
    }
}
}  // namespace

CPackedDib::~CPackedDib() { Release(); }

bool CPackedDib::Create(int width, int height, int bitCount) {
    Release();
    if (!IsPackedBitCount(bitCount)) return false;
    // A block over 2 GiB cannot be described by the header's 32-bit fields.
    if (width < 0 || height < 0) return false;
    const int stride = StrideFor(width, bitCount);
    const int paletteBytes = bitCount <= 8 ? 4 * (1 << bitCount) - 4 : 0;
    const long long size = static_cast<long long>(stride) * height + paletteBytes + 44;
    if (size > 0x7FFFFFFF) throw std::bad_alloc();

    m_block.reset(new BYTE[static_cast<size_t>(size)]());
    m_size = static_cast<int>(size);
    m_width = width;
    m_height = height;
    m_bitCount = bitCount;
    m_stride = stride;
    m_colors = reinterpret_cast<RGBQUAD*>(m_block.get() + 40);
    m_bits = m_block.get() + paletteBytes + 44;

    BITMAPINFOHEADER header{};
    header.biSize = sizeof(BITMAPINFOHEADER);
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = static_cast<WORD>(bitCount);
    std::memcpy(m_block.get(), &header, sizeof(header));
    return true;
}

void CPackedDib::SetColorTable(const RGBQUAD* colors) {
    if (m_block == nullptr || m_bitCount > 8) return;
    std::memcpy(m_colors, colors, sizeof(RGBQUAD) << m_bitCount);
}

int CPackedDib::Draw(HDC hdc, int x, int y) const {
    if (m_block == nullptr) return 0;
    return ::StretchDIBits(hdc, x, y, m_width, m_height, 0, 0, m_width, m_height, m_bits,
                           reinterpret_cast<const BITMAPINFO*>(m_block.get()), DIB_RGB_COLORS, SRCCOPY);
}

void CPackedDib::Release() {
    m_block.reset();
    m_size = 0;
    m_width = m_height = m_bitCount = m_stride = 0;
    m_colors = nullptr;
    m_bits = nullptr;
}
