#include "framework/TaskThread.h"

void CTaskThread::Run() {
    WPARAM outcome = kTaskFinished;
    try {
        m_task();
    } catch (...) {
        outcome = kTaskFailed;
    }
    ::PostMessageW(m_notify, m_msg, outcome, 0);
}
