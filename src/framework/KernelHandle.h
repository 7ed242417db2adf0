// Owns a kernel handle whose "none" is null: processes, threads, tokens, pipes. (Files, whose
// "none" is INVALID_HANDLE_VALUE, have CFileHandle.)
#pragma once

#include "Afx.h"

class CKernelHandle {
public:
    explicit CKernelHandle(HANDLE h = nullptr) : m_h(h) {}
    ~CKernelHandle() { Reset(); }
    CKernelHandle(CKernelHandle&& other) noexcept : m_h(other.Release()) {}
    CKernelHandle& operator=(CKernelHandle&& other) noexcept {
        if (this != &other) Reset(other.Release());
        return *this;
    }
    CKernelHandle(const CKernelHandle&) = delete;
    CKernelHandle& operator=(const CKernelHandle&) = delete;

    HANDLE get() const { return m_h; }
    // For the functions that hand a new handle out through a pointer.
    HANDLE* Receive() {
        Reset();
        return &m_h;
    }
    explicit operator bool() const { return m_h != nullptr; }
    HANDLE Release() {
        HANDLE h = m_h;
        m_h = nullptr;
        return h;
    }
    void Reset(HANDLE h = nullptr) {
        if (m_h != nullptr) ::CloseHandle(m_h);
        m_h = h;
    }

private:
    HANDLE m_h;
};
