// The machine root and the Windows directory beneath it.
#include "platform/win32/MachineRoot.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
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

bool EnsurePrivateDirectory(const std::string& path) {
    int made = ::mkdir(path.c_str(), 0700) == 0 ? 0 : errno;
    if (made == ENOENT) {
        size_t slash = path.find_last_not_of('/');
        slash = slash == std::string::npos ? std::string::npos : path.rfind('/', slash);
        if (slash != std::string::npos && slash > 0)
            EnsureDirectory(path.substr(0, slash));
        made = ::mkdir(path.c_str(), 0700) == 0 ? 0 : errno;
    }
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) {
        if (errno == ENOENT && made != 0 && made != EEXIST)
            errno = made;  // why it could not be made
        return false;
    }
    if (!S_ISDIR(st.st_mode)) {
        errno = ENOTDIR;
        return false;
    }
    // Someone else's folder cannot be made private, and what is kept in it would be theirs to read.
    if (st.st_uid != ::geteuid()) {
        errno = EACCES;
        return false;
    }
    if ((st.st_mode & 07777) != 0700 && ::chmod(path.c_str(), 0700) != 0)
        return false;
    return true;
}

UINT GetWindowsDirectoryA(LPSTR buf, UINT size) {
    std::string dir = GetWindowsDirectoryPath();
    if (!buf || size < dir.size() + 1)
        return (UINT)dir.size() + 1;
    std::memcpy(buf, dir.c_str(), dir.size() + 1);
    return (UINT)dir.size();
}
