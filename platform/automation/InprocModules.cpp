// The table of in-process modules: what an "InprocServer32" value may name in this program.
#include "platform/automation/InprocModules.h"

#include <strings.h>

#include "platform/automation/MailClient.h"

namespace {

const struct {
    const char* pszName;
    PFN_GET_CLASS_OBJECT pfnGetClassObject;
} MODULES[] = {
    {MAILCLIENT_MODULE, MailClientGetClassObject},
};

}  // namespace

PFN_GET_CLASS_OBJECT FindInprocModule(const char* pszModule) {
    if (pszModule == nullptr)
        return nullptr;
    for (const auto& module : MODULES) {
        if (strcasecmp(module.pszName, pszModule) == 0)
            return module.pfnGetClassObject;
    }
    return nullptr;
}
