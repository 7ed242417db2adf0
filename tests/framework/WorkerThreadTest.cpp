// The stop protocol every worker of the program relies on.
#include "Waiting.h"
#include "framework/WorkerThread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <new>

namespace {

// Keeps a copy of the thread handle, so that the exit code can be read after Stop has
// released the thread object.
HANDLE DuplicateThreadHandle(const CWorkerThread& worker) {
    HANDLE copy = nullptr;
    ::DuplicateHandle(::GetCurrentProcess(), worker.m_pThread->m_hThread.get(), ::GetCurrentProcess(), &copy, 0, FALSE,
                      DUPLICATE_SAME_ACCESS);
    return copy;
}

DWORD ExitCodeOf(HANDLE thread) {
    DWORD code = 0xDEADBEEF;
    ::WaitForSingleObject(thread, 5000);
    ::GetExitCodeThread(thread, &code);
    return code;
}

class Worker : public CWorkerThread {
public:
    explicit Worker(DWORD busyMs = 0, bool throws = false) : m_busyMs(busyMs), m_throws(throws) {}
    ~Worker() override { Stop(); }  // Run reads this object's fields
    void Run() override {
        m_sawRunning = m_bRunning.load();
        m_priority = ::GetThreadPriority(::GetCurrentThread());
        ::Sleep(m_busyMs);
        if (m_throws) throw std::bad_alloc();
        m_finished = true;
    }
    DWORD m_busyMs;
    bool m_throws;
    std::atomic<bool> m_sawRunning{false};
    std::atomic<bool> m_finished{false};
    std::atomic<int> m_priority{-99};
};

TEST(WorkerThread, StopWithoutStartReturnsAtOnceAndLeavesTheFlagsFalse) {
    Worker w;
    w.Stop();
    EXPECT_EQ(w.m_pThread, nullptr);
    EXPECT_FALSE(w.m_bRunning);
    EXPECT_FALSE(w.m_bStop);
}

TEST(WorkerThread, ARunThatReturnedByItselfIsStoppedWithoutWaiting) {
    Worker w;
    w.Start();
    ASSERT_NE(w.m_pThread, nullptr);
    HANDLE thread = DuplicateThreadHandle(w);
    EXPECT_EQ(ExitCodeOf(thread), 0u);
    EXPECT_TRUE(w.m_sawRunning) << "m_bRunning is set before Run";
    EXPECT_FALSE(w.m_bRunning);
    EXPECT_TRUE(w.m_finished);
    EXPECT_EQ(w.m_priority, THREAD_PRIORITY_NORMAL);
    ASSERT_NE(w.m_pThread, nullptr) << "the ended thread's object is kept until Stop";

    DWORD start = ::GetTickCount();
    w.Stop();
    EXPECT_LT(::GetTickCount() - start, 1000u);
    EXPECT_EQ(w.m_pThread, nullptr);
    EXPECT_FALSE(w.m_bStop);
    ::CloseHandle(thread);
}

TEST(WorkerThread, AnExceptionFromRunEndsTheThreadNormally) {
    Worker w(0, true);
    w.Start();
    HANDLE thread = DuplicateThreadHandle(w);
    EXPECT_EQ(ExitCodeOf(thread), 0u);
    EXPECT_FALSE(w.m_bRunning);
    EXPECT_FALSE(w.m_finished);
    w.Stop();
    EXPECT_EQ(w.m_pThread, nullptr);
    ::CloseHandle(thread);
}

TEST(WorkerThread, StartingAgainEndsTheEarlierThreadFirst) {
    Worker w(300);
    w.Start();
    HANDLE first = DuplicateThreadHandle(w);
    w.Start();
    EXPECT_EQ(::WaitForSingleObject(first, 0), WAIT_OBJECT_0) << "the first thread had ended before the second began";
    EXPECT_EQ(ExitCodeOf(first), 0u);
    HANDLE second = DuplicateThreadHandle(w);
    w.Stop();
    EXPECT_EQ(ExitCodeOf(second), 0u);
    EXPECT_TRUE(w.m_finished);
    ::CloseHandle(first);
    ::CloseHandle(second);
}

TEST(WorkerThread, DeletingABusyWorkerWaitsForItsRun) {
    std::atomic<bool> finished{false};
    struct Flagging : CWorkerThread {
        explicit Flagging(std::atomic<bool>& f) : done(f) {}
        void Run() override {
            ::Sleep(500);
            done = true;
        }
        std::atomic<bool>& done;
    };
    auto* w = new Flagging(finished);
    w->Start();
    // Once Run has begun; before that, destruction would already have replaced the override.
    while (!w->m_bRunning) ::Sleep(1);
    HANDLE thread = DuplicateThreadHandle(*w);
    CWorkerThread* base = w;
    delete base;
    EXPECT_TRUE(finished);
    EXPECT_EQ(ExitCodeOf(thread), 0u);
    ::CloseHandle(thread);
}

TEST(WorkerThread, ARunStillBusyAfterTheStopBoundIsTerminated) {
    Worker w(60000);
    // The program waits ten seconds; the protocol is the same with a shorter bound.
    w.SetStopTimeout(300);
    w.Start();
    ASSERT_TRUE(WaitUntil([&] { return w.m_bRunning.load(); }, 2000));
    HANDLE thread = DuplicateThreadHandle(w);
    w.Stop();
    EXPECT_EQ(ExitCodeOf(thread), 0xFFFFFFFFu);
    EXPECT_FALSE(w.m_bRunning);
    EXPECT_FALSE(w.m_bStop);
    EXPECT_EQ(w.m_pThread, nullptr);
    EXPECT_FALSE(w.m_finished);
    ::CloseHandle(thread);
}

}  // namespace
