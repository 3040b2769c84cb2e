// The machine root and the Windows directory beneath it.
#include "platform/win32/MachineRoot.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

std::string GetMachineRoot() {
    if (const char* root = std::getenv("QUORVEL_ROOT"); root && *root)
        return root;
    std::string base;
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg && xdg[0] == '/') {
        base = xdg;
    } else {
        const char* home = std::getenv("HOME");
        base = std::string(home && *home ? home : "/tmp") + "/.local/share";
    }
    return base + "/quorvel";
}

std::string GetWindowsDirectoryPath() {
    return GetMachineRoot() + "/windows";
}

bool EnsureDirectory(const std::string& path) {
    std::error_code ec;
    std::filesystem::create_directories(path, ec);
    return std::filesystem::is_directory(path, ec);
}

UINT GetWindowsDirectoryA(LPSTR buf, UINT size) {
    std::string dir = GetWindowsDirectoryPath();
    if (!buf || size < dir.size() + 1)
        return (UINT)dir.size() + 1;
    std::memcpy(buf, dir.c_str(), dir.size() + 1);
    return (UINT)dir.size();
}
