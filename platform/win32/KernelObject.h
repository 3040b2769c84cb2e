// The base of threads, events and mutexes behind HANDLE values.
#pragma once

#include <memory>

#include "platform/win32/Handle.h"
#include "platform/win32/WinTypes.h"

namespace qrvkernel {

class KernelObject {
public:
    virtual ~KernelObject() = default;
    // WAIT_OBJECT_0 when signalled within the time, else WAIT_TIMEOUT.
    virtual DWORD Wait(DWORD milliseconds) = 0;
};

// A new handle to the object; each handle holds one reference.
HANDLE NewHandle(std::shared_ptr<KernelObject> object);
// The object behind an open handle, or null.
std::shared_ptr<KernelObject> Resolve(HANDLE handle);
// How many handles are open: a program that has shut down cleanly has none left.
size_t OpenHandleCount();

template <class T>
std::shared_ptr<T> ResolveAs(HANDLE handle) {
    return std::dynamic_pointer_cast<T>(Resolve(handle));
}

}  // namespace qrvkernel
