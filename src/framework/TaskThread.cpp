#include "framework/TaskThread.h"

void CTaskThread::Run() {
    End end = End::Finished;
    try {
        m_task();
    } catch (...) {
        end = End::Failed;
    }
    ::PostMessageW(m_notify, m_msg, static_cast<WPARAM>(end), 0);
}
