// Threads, critical sections, events and handle validation.
#include <gtest/gtest.h>

#include <atomic>

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

}  // namespace

TEST(Threads, RunWaitAndExitCode) {
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
    EXPECT_EQ(WaitForSingleObject(t1, INFINITE), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(t2, INFINITE), WAIT_OBJECT_0);
    EXPECT_EQ(g_counter.load(), 2000);
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeThread(t1, &code));
    EXPECT_EQ(code, 7u);
    EXPECT_TRUE(CloseHandle(t1));
    EXPECT_TRUE(CloseHandle(t2));
    DeleteCriticalSection(&cs);
}

TEST(Threads, TryEnterFromAnotherThreadFailsWhileHeld) {
    CRITICAL_SECTION cs;
    InitializeCriticalSection(&cs);
    EnterCriticalSection(&cs);
    HANDLE t = CreateThread(
        nullptr, 0,
        [](LPVOID p) -> DWORD {
            auto* c = static_cast<CRITICAL_SECTION*>(p);
            if (TryEnterCriticalSection(c)) {
                LeaveCriticalSection(c);
                return 1;
            }
            return 0;
        },
        &cs, 0, nullptr);
    WaitForSingleObject(t, INFINITE);
    DWORD code = 9;
    GetExitCodeThread(t, &code);
    EXPECT_EQ(code, 0u);
    CloseHandle(t);
    LeaveCriticalSection(&cs);
    DeleteCriticalSection(&cs);
}

TEST(Events, NamedStopEventReachesTheLoaderThread) {
    HANDLE stop = CreateEventA(nullptr, TRUE, FALSE, "QRV_LANGUAGE_MODULE_THREAD");
    ASSERT_NE(stop, nullptr);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_SUCCESS);
    HANDLE t = CreateThread(nullptr, 0, WaitForNamedStop, nullptr, 0, nullptr);
    EXPECT_EQ(WaitForSingleObject(t, 50), WAIT_TIMEOUT);
    EXPECT_TRUE(SetEvent(stop));
    EXPECT_EQ(WaitForSingleObject(t, 10000), WAIT_OBJECT_0);
    DWORD code = 9;
    GetExitCodeThread(t, &code);
    EXPECT_EQ(code, 0u);
    // A manual-reset event stays signalled until reset.
    EXPECT_EQ(WaitForSingleObject(stop, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(stop, 0), WAIT_OBJECT_0);
    ResetEvent(stop);
    EXPECT_EQ(WaitForSingleObject(stop, 0), WAIT_TIMEOUT);
    CloseHandle(t);
    CloseHandle(stop);
    // The name goes with its last handle.
    EXPECT_EQ(OpenEventA(SYNCHRONIZE, FALSE, "QRV_LANGUAGE_MODULE_THREAD"), nullptr);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_FILE_NOT_FOUND);
}

TEST(Events, AutoResetLetsOneWaiterThrough) {
    HANDLE e = CreateEventA(nullptr, FALSE, TRUE, nullptr);
    EXPECT_EQ(WaitForSingleObject(e, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(e, 0), WAIT_TIMEOUT);
    CloseHandle(e);
}

TEST(Events, SecondCreateOfANameOpensTheSameEvent) {
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

TEST(Threads, HandleClosedBeforeTheThreadEnds) {
    HANDLE t = CreateThread(
        nullptr, 0,
        [](LPVOID) -> DWORD {
            Sleep(20);
            return 0;
        },
        nullptr, 0, nullptr);
    EXPECT_TRUE(CloseHandle(t));
    Sleep(60);  // the thread ends on its own without its handle
}
