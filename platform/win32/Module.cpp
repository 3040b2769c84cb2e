// The program's own path from /proc/self/exe.
#include "platform/win32/Module.h"

#include <unistd.h>

#include <cstring>

namespace {

std::string ExecutablePath() {
    char buf[4096];
    ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0)
        return std::string();
    return std::string(buf, (size_t)n);
}

}  // namespace

DWORD GetModuleFileNameA(HMODULE module, LPSTR buf, DWORD size) {
    if (module != nullptr || !buf || size == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::string path = ExecutablePath();
    if (path.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return 0;
    }
    if (path.size() + 1 > size) {
        std::memcpy(buf, path.data(), size - 1);
        buf[size - 1] = 0;
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return size;
    }
    std::memcpy(buf, path.c_str(), path.size() + 1);
    SetLastError(ERROR_SUCCESS);
    return (DWORD)path.size();
}

std::string GetProgramDirectory() {
    std::string path = ExecutablePath();
    size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return std::string();
    return path.substr(0, slash + 1);
}
