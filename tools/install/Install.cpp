// The install step: runs each part of the install in order.
#include "tools/install/Install.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/win32/MachineRoot.h"
#include "platform/win32/Module.h"

namespace {

struct InstallStep {
    const char* pszName;
    PFN_INSTALL_STEP pfnStep;
};

// Each subsystem that needs something on the machine adds its step here, in a file of its own:
//   - the automation class registration under HKEY_CLASSES_ROOT.
const InstallStep INSTALL_STEPS[] = {
    {"languages", InstallLanguages},
    {"property tables", InstallIniTables},
    {"automation classes", InstallAutomationClasses},
};

// The reason a file cannot be made in dir: the first folder on the way that is missing and cannot
// be made, or is no folder; else what making a file in it says. Empty when a file can be made.
std::string WhyNoFileIn(const std::string& dir) {
    struct stat st;
    if (::stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        const int made = ::mkdir(dir.c_str(), 0755) == 0 ? 0 : errno;
        if (made == 0) {
            ::rmdir(dir.c_str());
        } else if (made != ENOENT) {
            return dir + ": " + std::strerror(made);
        }
        const size_t slash = dir.find_last_of('/');
        if (slash == std::string::npos || slash == 0)
            return dir + ": " + std::strerror(made == 0 ? ENOENT : made);
        return WhyNoFileIn(dir.substr(0, slash));
    }
    std::string name = dir + "/.qrvinstall-XXXXXX";
    std::vector<char> buffer(name.begin(), name.end());
    buffer.push_back('\0');
    const int fd = ::mkstemp(buffer.data());
    if (fd < 0)
        return dir + ": " + std::strerror(errno);
    ::close(fd);
    ::unlink(buffer.data());
    return std::string();
}

}  // namespace

std::string DescribeWriteFailure(const std::string& path, LONG status) {
    char code[32] = "";
    if (status != 0)
        std::snprintf(code, sizeof(code), " (error %ld)", static_cast<long>(status));
    if (status == ERROR_BADDB)
        return path + ": the file is damaged; mend or remove it" + code;
    struct stat st;
    if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode))
        return path + ": not a regular file" + code;
    const size_t slash = path.find_last_of('/');
    std::string why = slash == std::string::npos ? std::string() : WhyNoFileIn(path.substr(0, slash));
    if (why.empty() && ::access(path.c_str(), F_OK) == 0 && ::access(path.c_str(), W_OK) != 0)
        why = path + ": " + std::strerror(errno);
    return (why.empty() ? path : why) + code;
}

std::string DescribeRegistryWriteFailure(const char* pszHive, LONG status) {
    return DescribeWriteFailure(GetMachineRoot() + "/registry/" + pszHive + ".reg", status);
}

HRESULT RunInstall(const std::string& programDirectory, std::string& error) {
    InstallContext context;
    context.programDirectory = programDirectory.empty() ? GetProgramDirectory() : programDirectory;
    if (context.programDirectory.empty()) {
        error = "cannot determine the program directory";
        return E_FAIL;
    }
    if (context.programDirectory.back() != '/')
        context.programDirectory += '/';
    for (const InstallStep& step : INSTALL_STEPS) {
        std::string stepError;
        HRESULT hr = step.pfnStep(context, stepError);
        if (FAILED(hr)) {
            error = std::string(step.pszName) + ": " + stepError;
            return hr;
        }
    }
    return S_OK;
}
