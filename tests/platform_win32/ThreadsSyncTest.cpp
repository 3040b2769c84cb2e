// Threads, critical sections, events, the per-thread last error and handle validation.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/win32/Sync.h"
#include "platform/win32/Threads.h"

namespace {

std::atomic<int> g_counter{0};

DWORD Increment(LPVOID param) {
    auto* cs = static_cast<CRITICAL_SECTION*>(param);
    for (int i = 0; i < 1000; ++i) {
        EnterCriticalSection(cs);
        EnterCriticalSection(cs);  // recursive
        int v = g_counter.load(std::memory_order_relaxed);
        g_counter.store(v + 1, std::memory_order_relaxed);
        LeaveCriticalSection(cs);
        LeaveCriticalSection(cs);
    }
    return 7;
}

DWORD WaitForNamedStop(LPVOID) {
    HANDLE stop = OpenEventA(SYNCHRONIZE, FALSE, "QRV_LANGUAGE_MODULE_THREAD");
    if (!stop)
        return 1;
    DWORD rc = WaitForSingleObject(stop, 10000);
    CloseHandle(stop);
    return rc == WAIT_OBJECT_0 ? 0 : 2;
}

DWORD ExitCodeOf(HANDLE thread) {
    EXPECT_EQ(WaitForSingleObject(thread, 10000), WAIT_OBJECT_0);
    DWORD code = 9;
    EXPECT_TRUE(GetExitCodeThread(thread, &code));
    CloseHandle(thread);
    return code;
}

}  // namespace

TEST(Threads, RunWaitExitCodeAndTryEnterWhileHeldElsewhere) {
    CRITICAL_SECTION cs;
    InitializeCriticalSection(&cs);
    g_counter = 0;
    DWORD id1 = 0, id2 = 0;
    HANDLE t1 = CreateThread(nullptr, 0, Increment, &cs, 0, &id1);
    HANDLE t2 = CreateThread(nullptr, 0, Increment, &cs, 0, &id2);
    ASSERT_NE(t1, nullptr);
    ASSERT_NE(t2, nullptr);
    EXPECT_NE(id1, id2);
    EXPECT_NE(id1, GetCurrentThreadId());
    EXPECT_EQ(ExitCodeOf(t1), 7u);
    EXPECT_EQ(ExitCodeOf(t2), 7u);
    EXPECT_EQ(g_counter.load(), 2000);
    // Held here, the section cannot be entered from another thread.
    EnterCriticalSection(&cs);
    auto tryEnter = [](LPVOID p) -> DWORD {
        auto* c = static_cast<CRITICAL_SECTION*>(p);
        if (TryEnterCriticalSection(c)) {
            LeaveCriticalSection(c);
            return 1;
        }
        return 0;
    };
    EXPECT_EQ(ExitCodeOf(CreateThread(nullptr, 0, tryEnter, &cs, 0, nullptr)), 0u);
    LeaveCriticalSection(&cs);
    DeleteCriticalSection(&cs);
}

TEST(Threads, HandleClosedBeforeTheThreadEnds) {
    // The thread waits for 'go' before it does its last work: its handle is closed while it runs.
    struct Shared {
        HANDLE go = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        HANDLE done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        std::atomic<int> stage{0};
    } shared;
    auto waiting = [](LPVOID p) -> DWORD {
        auto* s = static_cast<Shared*>(p);
        s->stage = 1;
        WaitForSingleObject(s->go, INFINITE);
        s->stage = 2;
        SetEvent(s->done);
        return 5;
    };
    HANDLE thread = CreateThread(nullptr, 0, waiting, &shared, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    EXPECT_TRUE(CloseHandle(thread));
    // Closing neither waited for the thread nor ended it, and the handle is gone.
    EXPECT_NE(shared.stage.load(), 2);
    EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_FAILED);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
    DWORD code = 0;
    EXPECT_FALSE(GetExitCodeThread(thread, &code));
    EXPECT_FALSE(CloseHandle(thread));
    // Let go, the thread runs to its end on its own.
    EXPECT_TRUE(SetEvent(shared.go));
    EXPECT_EQ(WaitForSingleObject(shared.done, 10000), WAIT_OBJECT_0);
    EXPECT_EQ(shared.stage.load(), 2);
    CloseHandle(shared.go);
    CloseHandle(shared.done);
}

TEST(Threads, LastErrorIsPerThread) {
    SetLastError(ERROR_ACCESS_DENIED);
    DWORD seenByOther = 1;
    std::thread t([&] { seenByOther = GetLastError(); });
    t.join();
    EXPECT_EQ(seenByOther, (DWORD)ERROR_SUCCESS);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_ACCESS_DENIED);
}

TEST(Events, NamedStopEventReachesTheLoaderThread) {
    HANDLE stop = CreateEventA(nullptr, TRUE, FALSE, "QRV_LANGUAGE_MODULE_THREAD");
    ASSERT_NE(stop, nullptr);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_SUCCESS);
    HANDLE t = CreateThread(nullptr, 0, WaitForNamedStop, nullptr, 0, nullptr);
    EXPECT_EQ(WaitForSingleObject(t, 50), WAIT_TIMEOUT);
    EXPECT_TRUE(SetEvent(stop));
    EXPECT_EQ(ExitCodeOf(t), 0u);
    EXPECT_EQ(WaitForSingleObject(stop, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(stop, 0), WAIT_OBJECT_0);
    ResetEvent(stop);
    EXPECT_EQ(WaitForSingleObject(stop, 0), WAIT_TIMEOUT);
    CloseHandle(stop);
    // The name goes with its last handle.
    EXPECT_EQ(OpenEventA(SYNCHRONIZE, FALSE, "QRV_LANGUAGE_MODULE_THREAD"), nullptr);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_FILE_NOT_FOUND);
}

TEST(Events, AutoResetLetsOneWaiterThroughAndASecondCreateOpensTheSameEvent) {
    HANDLE e = CreateEventA(nullptr, FALSE, TRUE, nullptr);
    EXPECT_EQ(WaitForSingleObject(e, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(e, 0), WAIT_TIMEOUT);
    CloseHandle(e);
    HANDLE a = CreateEventA(nullptr, TRUE, FALSE, "shared");
    HANDLE b = CreateEventA(nullptr, TRUE, FALSE, "shared");
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_ALREADY_EXISTS);
    SetEvent(a);
    EXPECT_EQ(WaitForSingleObject(b, 0), WAIT_OBJECT_0);
    CloseHandle(a);
    CloseHandle(b);
}

TEST(Handles, ClosedAndForeignHandlesAreRefused) {
    HANDLE e = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ASSERT_TRUE(CloseHandle(e));
    EXPECT_FALSE(CloseHandle(e));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
    EXPECT_EQ(WaitForSingleObject(e, 0), WAIT_FAILED);
    int notAHandle = 0;
    EXPECT_FALSE(SetEvent(&notAHandle));
    EXPECT_EQ(CreateThread(nullptr, 0, nullptr, nullptr, 0, nullptr), nullptr);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
}
