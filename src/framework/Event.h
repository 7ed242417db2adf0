// CEvent: an unnamed kernel event, owned, closed with its object.
#pragma once

#include "UniqueHandle.h"

class CEvent {
public:
    explicit CEvent(bool manualReset = false) : m_event(::CreateEventA(nullptr, manualReset, FALSE, nullptr)) {}

    bool SetEvent() { return ::SetEvent(m_event.get()) != FALSE; }
    bool ResetEvent() { return ::ResetEvent(m_event.get()) != FALSE; }
    // Null when the system could not create the event.
    HANDLE Handle() const { return m_event.get(); }

private:
    CKernelHandle m_event;
};
