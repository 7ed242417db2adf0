// CTaskThread: a worker that runs one task it is given and then tells a window so, whatever
// the task is. A task that throws is told as failed: a window never waits for a word that
// does not come.
#pragma once

#include "framework/WorkerThread.h"

#include <functional>

class CTaskThread : public CWorkerThread {
public:
    explicit CTaskThread(std::function<void()> task) : m_task(std::move(task)) {}
    ~CTaskThread() override { Stop(); }  // Run reads this object's fields

    // How the task ended, told as the wParam of the message posted at its end.
    enum class End : WPARAM { Finished = 0, Failed = 1 };
    // The end a posted wParam tells; anything but Finished is a failure.
    static End EndOf(WPARAM wp) { return wp == static_cast<WPARAM>(End::Finished) ? End::Finished : End::Failed; }

    // Runs the task, then posts msg to notify with its End as wParam. False when no
    // thread could be made: then nothing runs and nothing is posted.
    bool Start(HWND notify, UINT msg) {
        m_notify = notify;
        m_msg = msg;
        return CWorkerThread::Start();
    }
    void Run() override;

private:
    std::function<void()> m_task;
    HWND m_notify = nullptr;
    UINT m_msg = 0;
};
