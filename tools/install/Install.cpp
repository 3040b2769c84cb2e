// The install step: runs each part of the install in order.
#include "tools/install/Install.h"

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

}  // namespace

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
