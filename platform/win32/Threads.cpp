// Threads over std::thread, waitable through their handles.
#include "platform/win32/Threads.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

#include "platform/win32/KernelObject.h"

namespace {

class ThreadObject : public qrvkernel::KernelObject {
public:
    DWORD Wait(DWORD milliseconds) override {
        std::unique_lock<std::mutex> lock(m_lock);
        auto done = [this] { return m_finished; };
        if (milliseconds == INFINITE)
            m_cv.wait(lock, done);
        else if (!m_cv.wait_for(lock, std::chrono::milliseconds(milliseconds), done))
            return WAIT_TIMEOUT;
        return WAIT_OBJECT_0;
    }
    void Finish(DWORD code) {
        std::lock_guard<std::mutex> lock(m_lock);
        m_exitCode = code;
        m_finished = true;
        m_cv.notify_all();
    }
    DWORD ExitCode() {
        std::lock_guard<std::mutex> lock(m_lock);
        return m_finished ? m_exitCode : STILL_ACTIVE;
    }

private:
    std::mutex m_lock;
    std::condition_variable m_cv;
    bool m_finished = false;
    DWORD m_exitCode = STILL_ACTIVE;
};

}  // namespace

HANDLE CreateThread(void* /*securityAttributes*/, size_t /*stackSize*/, LPTHREAD_START_ROUTINE start,
                    LPVOID parameter, DWORD flags, LPDWORD threadId) {
    if (!start || (flags & CREATE_SUSPENDED)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto object = std::make_shared<ThreadObject>();
    std::mutex idLock;
    std::condition_variable idReady;
    DWORD id = 0;
    bool haveId = false;
    try {
        // The thread keeps its object alive until it has recorded its exit code, so closing the
        // handle early is safe; it is detached and ends on its own.
        std::thread t([object, start, parameter, &idLock, &idReady, &id, &haveId] {
            {
                std::lock_guard<std::mutex> lock(idLock);
                id = GetCurrentThreadId();
                haveId = true;
                idReady.notify_all();
            }
            object->Finish(start(parameter));
        });
        t.detach();
    } catch (const std::system_error&) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    {
        std::unique_lock<std::mutex> lock(idLock);
        idReady.wait(lock, [&] { return haveId; });
    }
    if (threadId)
        *threadId = id;
    return qrvkernel::NewHandle(object);
}

DWORD GetCurrentThreadId() {
    return (DWORD)::syscall(SYS_gettid);
}

BOOL GetExitCodeThread(HANDLE thread, LPDWORD exitCode) {
    auto object = qrvkernel::ResolveAs<ThreadObject>(thread);
    if (!object || !exitCode) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    *exitCode = object->ExitCode();
    return TRUE;
}

void Sleep(DWORD milliseconds) {
    if (milliseconds == 0)
        std::this_thread::yield();
    else
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}
