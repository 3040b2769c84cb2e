// The automation part of the install: the mail client's class registration under HKEY_CLASSES_ROOT.
#include "platform/automation/MailClient.h"
#include "tools/install/Install.h"

HRESULT InstallAutomationClasses(const InstallContext&, std::string& error) {
    const HRESULT hr = RegisterMailClientClasses();
    if (FAILED(hr))
        error = "cannot register " MAILCLIENT_PROGID " under HKEY_CLASSES_ROOT: " +
                DescribeRegistryWriteFailure("HKEY_CLASSES_ROOT", 0);
    return hr;
}
