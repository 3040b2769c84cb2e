// The table of open kernel-object handles: validation, waiting and closing.
#include "platform/win32/Handle.h"

#include <mutex>
#include <unordered_set>

#include "platform/win32/KernelObject.h"

namespace qrvkernel {

namespace {

std::mutex& TableLock() {
    static std::mutex lock;
    return lock;
}

// Handles are the addresses of their handle records; a record is valid while it is in this set.
std::unordered_set<const void*>& Table() {
    static std::unordered_set<const void*> table;
    return table;
}

struct HandleRecord {
    std::shared_ptr<KernelObject> object;
};

}  // namespace

HANDLE NewHandle(std::shared_ptr<KernelObject> object) {
    auto* record = new HandleRecord{std::move(object)};
    std::lock_guard<std::mutex> lock(TableLock());
    Table().insert(record);
    return record;
}

std::shared_ptr<KernelObject> Resolve(HANDLE handle) {
    std::lock_guard<std::mutex> lock(TableLock());
    if (!handle || Table().count(handle) == 0)
        return nullptr;
    return static_cast<HandleRecord*>(handle)->object;
}

size_t OpenHandleCount() {
    std::lock_guard<std::mutex> lock(TableLock());
    return Table().size();
}

}  // namespace qrvkernel

BOOL CloseHandle(HANDLE handle) {
    qrvkernel::HandleRecord* record = nullptr;
    {
        std::lock_guard<std::mutex> lock(qrvkernel::TableLock());
        if (!handle || qrvkernel::Table().erase(handle) == 0) {
            SetLastError(ERROR_INVALID_HANDLE);
            return FALSE;
        }
        record = static_cast<qrvkernel::HandleRecord*>(handle);
    }
    delete record;  // outside the lock: the object's destructor may take locks of its own
    return TRUE;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
    std::shared_ptr<qrvkernel::KernelObject> object = qrvkernel::Resolve(handle);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return WAIT_FAILED;
    }
    return object->Wait(milliseconds);
}
