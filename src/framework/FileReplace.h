// Writing a file whole or not at all: the bytes go to a new file beside it, which then takes
// its place. A reader never sees half a file, a crash leaves the old one, and no file the
// program did not create itself is ever truncated on the way.
#pragma once

#include "Afx.h"

#include <string>

// Replaces (or creates) the file at path with bytes. Paths of any length work. False, with
// the side file removed and the old file untouched, when it could not be done.
bool ReplaceFileWith(const std::wstring& path, const std::string& bytes);

// Owns a kernel handle of a file (CreateFileW's INVALID_HANDLE_VALUE for none).
class CFileHandle {
public:
    explicit CFileHandle(HANDLE h = INVALID_HANDLE_VALUE) : m_h(h) {}
    ~CFileHandle() { Close(); }
    CFileHandle(CFileHandle&& other) noexcept : m_h(other.m_h) { other.m_h = INVALID_HANDLE_VALUE; }
    CFileHandle(const CFileHandle&) = delete;
    CFileHandle& operator=(const CFileHandle&) = delete;
    HANDLE get() const { return m_h; }
    explicit operator bool() const { return m_h != INVALID_HANDLE_VALUE; }
    bool Close() {
        const bool closed = m_h == INVALID_HANDLE_VALUE || ::CloseHandle(m_h) != FALSE;
        m_h = INVALID_HANDLE_VALUE;
        return closed;
    }

private:
    HANDLE m_h;
};
