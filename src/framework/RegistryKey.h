// Owns one open registry key, closed when its owner goes.
#pragma once

#include "Afx.h"

class CRegistryKey {
public:
    explicit CRegistryKey(HKEY key = nullptr) : m_key(key) {}
    ~CRegistryKey() { Reset(); }
    CRegistryKey(CRegistryKey&& other) noexcept : m_key(other.m_key) { other.m_key = nullptr; }
    CRegistryKey& operator=(CRegistryKey&& other) noexcept {
        if (this != &other) {
            Reset();
            m_key = other.m_key;
            other.m_key = nullptr;
        }
        return *this;
    }
    CRegistryKey(const CRegistryKey&) = delete;
    CRegistryKey& operator=(const CRegistryKey&) = delete;

    HKEY get() const { return m_key; }
    // For the functions that hand a new key out through a pointer.
    HKEY* Receive() {
        Reset();
        return &m_key;
    }
    explicit operator bool() const { return m_key != nullptr; }
    void Reset() {
        if (m_key != nullptr) ::RegCloseKey(m_key);
        m_key = nullptr;
    }

private:
    HKEY m_key;
};
