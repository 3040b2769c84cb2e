// Critical sections and process-local events.
#include "platform/win32/Sync.h"

#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "platform/win32/KernelObject.h"

namespace {

class EventObject : public qrvkernel::KernelObject {
public:
    EventObject(bool manualReset, bool initialState) : m_manual(manualReset), m_signalled(initialState) {}
    DWORD Wait(DWORD milliseconds) override {
        std::unique_lock<std::mutex> lock(m_lock);
        auto ready = [this] { return m_signalled; };
        if (milliseconds == INFINITE)
            m_cv.wait(lock, ready);
        else if (!m_cv.wait_for(lock, std::chrono::milliseconds(milliseconds), ready))
            return WAIT_TIMEOUT;
        if (!m_manual)
            m_signalled = false;  // an auto-reset event lets exactly one waiter through
        return WAIT_OBJECT_0;
    }
    void Set() {
        std::lock_guard<std::mutex> lock(m_lock);
        m_signalled = true;
        if (m_manual)
            m_cv.notify_all();
        else
            m_cv.notify_one();
    }
    void Reset() {
        std::lock_guard<std::mutex> lock(m_lock);
        m_signalled = false;
    }

private:
    std::mutex m_lock;
    std::condition_variable m_cv;
    bool m_manual;
    bool m_signalled;
};

// Named events of this process. The table holds weak references: the name goes with the last
// handle, as on the platform.
std::mutex g_namesLock;
std::map<std::string, std::weak_ptr<EventObject>>& Names() {
    static std::map<std::string, std::weak_ptr<EventObject>> names;
    return names;
}

std::recursive_mutex* Impl(LPCRITICAL_SECTION cs) {
    return static_cast<std::recursive_mutex*>(cs->m_impl);
}

}  // namespace

void InitializeCriticalSection(LPCRITICAL_SECTION cs) {
    cs->m_impl = new std::recursive_mutex;
}

void DeleteCriticalSection(LPCRITICAL_SECTION cs) {
    delete Impl(cs);
    cs->m_impl = nullptr;
}

void EnterCriticalSection(LPCRITICAL_SECTION cs) {
    Impl(cs)->lock();
}

BOOL TryEnterCriticalSection(LPCRITICAL_SECTION cs) {
    return Impl(cs)->try_lock() ? TRUE : FALSE;
}

void LeaveCriticalSection(LPCRITICAL_SECTION cs) {
    Impl(cs)->unlock();
}

HANDLE CreateEventA(void* /*securityAttributes*/, BOOL manualReset, BOOL initialState, LPCSTR name) {
    if (!name || !*name) {
        SetLastError(ERROR_SUCCESS);
        return qrvkernel::NewHandle(
            std::make_shared<EventObject>(manualReset != FALSE, initialState != FALSE));
    }
    std::lock_guard<std::mutex> lock(g_namesLock);
    auto& names = Names();
    if (auto existing = names[name].lock()) {
        SetLastError(ERROR_ALREADY_EXISTS);
        return qrvkernel::NewHandle(existing);
    }
    auto event = std::make_shared<EventObject>(manualReset != FALSE, initialState != FALSE);
    names[name] = event;
    SetLastError(ERROR_SUCCESS);
    return qrvkernel::NewHandle(event);
}

HANDLE OpenEventA(DWORD /*desiredAccess*/, BOOL /*inheritHandle*/, LPCSTR name) {
    if (!name || !*name) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::lock_guard<std::mutex> lock(g_namesLock);
    auto& names = Names();
    auto it = names.find(name);
    std::shared_ptr<EventObject> event = it != names.end() ? it->second.lock() : nullptr;
    if (!event) {
        if (it != names.end())
            names.erase(it);
        SetLastError(ERROR_FILE_NOT_FOUND);
        return nullptr;
    }
    return qrvkernel::NewHandle(event);
}

BOOL SetEvent(HANDLE event) {
    auto object = qrvkernel::ResolveAs<EventObject>(event);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    object->Set();
    return TRUE;
}

BOOL ResetEvent(HANDLE event) {
    auto object = qrvkernel::ResolveAs<EventObject>(event);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    object->Reset();
    return TRUE;
}
