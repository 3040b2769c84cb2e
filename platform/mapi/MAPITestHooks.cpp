// Fault injection and live counters of the message-store service.
#include "platform/mapi/MAPITestHooks.h"

#include <atomic>
#include <mutex>
#include <utility>

#include "platform/mapi/HookState.h"

namespace qrvmapi {
namespace {

// One armed fault: counts calls down and fires once on the nth.
struct CFault {
    std::mutex m_lock;
    ULONG m_remaining = 0;
    HRESULT m_hr = S_OK;

    void Arm(ULONG nth, HRESULT hr) {
        std::lock_guard<std::mutex> guard(m_lock);
        m_remaining = nth;
        m_hr = hr;
    }
    HRESULT Next() {
        std::lock_guard<std::mutex> guard(m_lock);
        if (m_remaining == 0) {
            return S_OK;
        }
        if (--m_remaining == 0) {
            return m_hr;
        }
        return S_OK;
    }
};

CFault g_allocFault;
CFault g_openFault;
CFault g_queryFault;
std::atomic<ULONG> g_readProcessors{0};
std::atomic<ULONG> g_busyTimeout{0};
std::mutex g_beforeLockGuard;
std::function<void()> g_beforeLock;
thread_local bool t_inBeforeLock = false;
std::atomic<LONG> g_liveBuffers{0};
std::atomic<LONG> g_liveObjects{0};
std::mutex g_initLock;
LONG g_initCount = 0;
// The calls themselves, unclamped: one MAPIUninitialize too many must show in the tests, not
// vanish into the service's count, which cannot go below 0.
LONG g_initBalance = 0;

}  // namespace

bool AllocationFaultFires() {
    return FAILED(g_allocFault.Next());
}
HRESULT OpenEntryFault() {
    return g_openFault.Next();
}
HRESULT QueryRowsFault() {
    return g_queryFault.Next();
}
ULONG ReadProcessors() {
    return g_readProcessors;
}
int BusyTimeout() {
    const ULONG ulSet = g_busyTimeout;
    return ulSet != 0 ? (int)ulSet : 10000;
}
void BeforeWriteLock() {
    if (t_inBeforeLock) {
        return;
    }
    std::function<void()> before;
    {
        std::lock_guard<std::mutex> guard(g_beforeLockGuard);
        before = g_beforeLock;
    }
    if (before) {
        t_inBeforeLock = true;
        before();
        t_inBeforeLock = false;
    }
}
void CountBuffer(LONG delta) {
    g_liveBuffers += delta;
}
void CountObject(LONG delta) {
    g_liveObjects += delta;
}
LONG CountInitialize(LONG delta) {
    std::lock_guard<std::mutex> guard(g_initLock);
    g_initCount += delta;
    g_initBalance += delta;
    if (g_initCount < 0) {
        g_initCount = 0;
    }
    return g_initCount;
}
LONG InitializeCount() {
    std::lock_guard<std::mutex> guard(g_initLock);
    return g_initCount;
}
LONG InitializeBalance() {
    std::lock_guard<std::mutex> guard(g_initLock);
    return g_initBalance;
}

}  // namespace qrvmapi

void CMAPITestHooks::FailAllocation(ULONG nth) {
    qrvmapi::g_allocFault.Arm(nth, E_OUTOFMEMORY);
}
void CMAPITestHooks::FailOpenEntry(ULONG nth, HRESULT hr) {
    qrvmapi::g_openFault.Arm(nth, hr);
}
void CMAPITestHooks::FailQueryRows(ULONG nth, HRESULT hr) {
    qrvmapi::g_queryFault.Arm(nth, hr);
}
void CMAPITestHooks::SetReadProcessors(ULONG n) {
    qrvmapi::g_readProcessors = n;
}
void CMAPITestHooks::SetBeforeWriteLock(std::function<void()> before) {
    std::lock_guard<std::mutex> guard(qrvmapi::g_beforeLockGuard);
    qrvmapi::g_beforeLock = std::move(before);
}
void CMAPITestHooks::SetBusyTimeout(ULONG ulMilliseconds) {
    qrvmapi::g_busyTimeout = ulMilliseconds;
}
void CMAPITestHooks::Reset() {
    SetReadProcessors(0);
    SetBusyTimeout(0);
    SetBeforeWriteLock(nullptr);
    FailAllocation(0);
    FailOpenEntry(0, S_OK);
    FailQueryRows(0, S_OK);
}
LONG CMAPITestHooks::LiveBuffers() {
    return qrvmapi::g_liveBuffers;
}
LONG CMAPITestHooks::LiveObjects() {
    return qrvmapi::g_liveObjects;
}
LONG CMAPITestHooks::InitializeBalance() {
    return qrvmapi::InitializeBalance();
}
