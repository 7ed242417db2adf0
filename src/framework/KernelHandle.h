// Owns one kernel handle. Files say "none" with INVALID_HANDLE_VALUE, everything else
// (processes, threads, tokens, pipes) with null: the two owners differ only in that.
#pragma once

#include "Afx.h"

template <bool kNoneIsInvalid>
class CHandleOwner {
public:
    static HANDLE None() { return kNoneIsInvalid ? INVALID_HANDLE_VALUE : nullptr; }

    explicit CHandleOwner(HANDLE h = None()) : m_h(h) {}
    ~CHandleOwner() { Reset(); }
    CHandleOwner(CHandleOwner&& other) noexcept : m_h(other.Release()) {}
    CHandleOwner& operator=(CHandleOwner&& other) noexcept {
        if (this != &other) Reset(other.Release());
        return *this;
    }
    CHandleOwner(const CHandleOwner&) = delete;
    CHandleOwner& operator=(const CHandleOwner&) = delete;

    HANDLE get() const { return m_h; }
    // For the functions that hand a new handle out through a pointer.
    HANDLE* Receive() {
        Reset();
        return &m_h;
    }
    explicit operator bool() const { return m_h != None(); }
    HANDLE Release() {
        HANDLE h = m_h;
        m_h = None();
        return h;
    }
    void Reset(HANDLE h = None()) {
        Close();
        m_h = h;
    }
    // Closes the handle now; false if the system refused (a file's last write can fail here).
    bool Close() {
        const bool closed = m_h == None() || ::CloseHandle(m_h) != FALSE;
        m_h = None();
        return closed;
    }

private:
    HANDLE m_h;
};

using CKernelHandle = CHandleOwner<false>;
using CFileHandle = CHandleOwner<true>;
