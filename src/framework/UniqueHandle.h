// CUniqueHandle: the one owner of every kind of system handle. A kind is its handle type, the
// function object that closes it and the value that means "none": files and find handles say
// "none" with INVALID_HANDLE_VALUE (-1), everything else with null, and the owner never closes
// that value. Move-only; whatever it holds when it goes, is reset or is moved over, it closes
// exactly once, and never after Release() handed it on.
#pragma once

#include "Afx.h"

#include <cstdint>
#include <utility>

// The "none" of the kinds whose functions fail with INVALID_HANDLE_VALUE.
constexpr std::intptr_t kNoneIsInvalidHandleValue = -1;

// TClose is called with a handle that is not "none" and says whether the system closed it. It
// may carry state (the cache an enumeration belongs to); a stateless one costs no room.
template <class T, class TClose, std::intptr_t kNone = 0>
class CUniqueHandle : private TClose {
public:
    static T None() { return reinterpret_cast<T>(kNone); }

    CUniqueHandle() : m_h(None()) {}
    explicit CUniqueHandle(T h, TClose close = TClose()) : TClose(std::move(close)), m_h(h) {}
    ~CUniqueHandle() { Close(); }
    CUniqueHandle(CUniqueHandle&& other) noexcept : TClose(std::move(other.Closer())), m_h(other.Release()) {}
    CUniqueHandle& operator=(CUniqueHandle&& other) noexcept {
        if (this != &other) {
            Reset(other.Release());
            Closer() = std::move(other.Closer());
        }
        return *this;
    }
    CUniqueHandle(const CUniqueHandle&) = delete;
    CUniqueHandle& operator=(const CUniqueHandle&) = delete;

    T get() const { return m_h; }
    explicit operator bool() const { return m_h != None(); }
    // For the functions that hand a new handle out through a pointer: what was held is closed first.
    T* Receive() {
        Close();
        return &m_h;
    }
    // Hands the handle on; the owner holds none and closes nothing.
    T Release() { return std::exchange(m_h, None()); }
    void Reset(T h = None()) {
        Close();
        m_h = h;
    }
    // Closes the handle now; false if the system refused (a file's last write can fail here).
    bool Close() {
        const T h = Release();
        return h == None() || Closer()(h);
    }

private:
    TClose& Closer() { return *this; }

    T m_h;
};

struct CCloseKernelHandle {
    bool operator()(HANDLE h) const { return ::CloseHandle(h) != FALSE; }
};
struct CCloseRegistryKey {
    bool operator()(HKEY key) const { return ::RegCloseKey(key) == ERROR_SUCCESS; }
};
struct CCloseFind {
    bool operator()(HANDLE find) const { return ::FindClose(find) != FALSE; }
};
// A block the system allocated for the caller with LocalAlloc (CommandLineToArgvW's array).
struct CLocalFree {
    template <class T>
    bool operator()(T block) const {
        return ::LocalFree(block) == nullptr;
    }
};

// Processes, threads, tokens, pipes, jobs, events, mutexes.
using CKernelHandle = CUniqueHandle<HANDLE, CCloseKernelHandle>;
// What CreateFile opens.
using CFileHandle = CUniqueHandle<HANDLE, CCloseKernelHandle, kNoneIsInvalidHandleValue>;
using CRegistryKey = CUniqueHandle<HKEY, CCloseRegistryKey>;
// What FindFirstFile opens.
using CFindHandle = CUniqueHandle<HANDLE, CCloseFind, kNoneIsInvalidHandleValue>;
template <class T>
using CLocalBlock = CUniqueHandle<T, CLocalFree>;
