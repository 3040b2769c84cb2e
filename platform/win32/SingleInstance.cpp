// Named mutexes as cross-process markers: an exclusive flock on a lock file per name.
#include "platform/win32/SingleInstance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>
#include <map>
#include <mutex>
#include <string>

#include "platform/win32/KernelObject.h"
#include "platform/win32/MachineRoot.h"

namespace {

// Holds the lock file open (and locked) while a handle to it exists.
class MutexObject : public qrvkernel::KernelObject {
public:
    explicit MutexObject(int fd) : m_fd(fd) {}
    ~MutexObject() override {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    DWORD Wait(DWORD) override { return WAIT_OBJECT_0; }

private:
    int m_fd;
};

std::mutex g_lock;
std::map<std::string, std::weak_ptr<MutexObject>>& Held() {
    static std::map<std::string, std::weak_ptr<MutexObject>> held;
    return held;
}

// "<dir>/<name>.lock", with characters that do not belong in a file name replaced.
std::string LockPath(const char* name) {
    std::string dir;
    if (const char* run = std::getenv("XDG_RUNTIME_DIR");
        run && *run && std::getenv("QUORVEL_ROOT") == nullptr)
        dir = run;
    else
        dir = GetMachineRoot();
    EnsureDirectory(dir);
    std::string file = "qrv-mutex-";
    for (const char* p = name; *p; ++p)
        file += (*p == '/' || *p == '\\' || (unsigned char)*p < 0x20) ? '_' : *p;
    return dir + "/" + file + ".lock";
}

}  // namespace

HANDLE CreateMutexA(void* /*securityAttributes*/, BOOL /*initialOwner*/, LPCSTR name) {
    if (!name || !*name) {
        SetLastError(ERROR_SUCCESS);
        return qrvkernel::NewHandle(std::make_shared<MutexObject>(-1));
    }
    std::lock_guard<std::mutex> lock(g_lock);
    if (auto mine = Held()[name].lock()) {
        SetLastError(ERROR_ALREADY_EXISTS);
        return qrvkernel::NewHandle(mine);
    }
    std::string path = LockPath(name);
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        // Another process holds it: a handle that holds nothing, flagged as existing.
        ::close(fd);
        SetLastError(ERROR_ALREADY_EXISTS);
        return qrvkernel::NewHandle(std::make_shared<MutexObject>(-1));
    }
    auto object = std::make_shared<MutexObject>(fd);
    Held()[name] = object;
    SetLastError(ERROR_SUCCESS);
    return qrvkernel::NewHandle(object);
}

HANDLE OpenMutexA(DWORD /*desiredAccess*/, BOOL /*inheritHandle*/, LPCSTR name) {
    if (!name || !*name) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::lock_guard<std::mutex> lock(g_lock);
    if (auto mine = Held()[name].lock())
        return qrvkernel::NewHandle(mine);
    std::string path = LockPath(name);
    int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return nullptr;
    }
    // Held elsewhere exactly when the lock cannot be had; a lock taken here is given back at once.
    bool held = ::flock(fd, LOCK_EX | LOCK_NB) != 0;
    ::close(fd);
    if (!held) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return nullptr;
    }
    return qrvkernel::NewHandle(std::make_shared<MutexObject>(-1));
}
