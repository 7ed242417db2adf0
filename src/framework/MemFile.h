// A read-only file over a block of memory that it does not own (a locked resource, for
// example). Reading past the end returns fewer bytes; the caller decides what that means.
#pragma once

#include "Afx.h"

#include <cstring>

class CMemFile {
public:
    CMemFile(const BYTE* buffer, UINT size, UINT growBytes = 0)
        : m_buffer(buffer), m_size(buffer != nullptr ? size : 0), m_growBytes(growBytes) {}
    CMemFile(const CMemFile&) = delete;
    CMemFile& operator=(const CMemFile&) = delete;

    UINT Read(void* data, UINT count) {
        UINT left = m_size - m_position;
        if (count > left) count = left;
        if (count > 0) std::memcpy(data, m_buffer + m_position, count);
        m_position += count;
        return count;
    }
    UINT GetLength() const { return m_size; }
    UINT GetPosition() const { return m_position; }
    UINT GetGrowBytes() const { return m_growBytes; }

private:
    const BYTE* m_buffer;
    UINT m_size;
    UINT m_position = 0;
    UINT m_growBytes;  // 0: the file never grows
};
