// CEvent: an unnamed kernel event, owned, closed with its object.
#pragma once

#include "Afx.h"

class CEvent {
public:
    explicit CEvent(bool manualReset = false) : m_hObject(::CreateEventA(nullptr, manualReset, FALSE, nullptr)) {}
    ~CEvent() {
        if (m_hObject != nullptr) ::CloseHandle(m_hObject);
    }
    CEvent(const CEvent&) = delete;
    CEvent& operator=(const CEvent&) = delete;

    bool SetEvent() { return ::SetEvent(m_hObject) != FALSE; }
    bool ResetEvent() { return ::ResetEvent(m_hObject) != FALSE; }
    // Null when the system could not create the event.
    HANDLE Handle() const { return m_hObject; }

private:
    HANDLE m_hObject;
};
