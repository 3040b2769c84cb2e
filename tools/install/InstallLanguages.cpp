// The language part of the install: the language directory and the language names in the registry.
#include <cstdio>
#include <iterator>

#include "language/LanguageDict.h"
#include "language/LanguageSettings.h"
#include "platform/win32/FindFile.h"
#include "platform/win32/Registry.h"
#include "tools/install/Install.h"

namespace {

// The languages the product ships, each named in every shipped display language.
struct LanguageName {
    LONG lDisplayLanguage;
    LONG lLanguageID;
    const char* pszName;
};

const LanguageName LANGUAGE_NAMES[] = {
    {2057, 2057, "English"},
    {2057, 1031, "German"},
    {1031, 2057, "Englisch"},
    {1031, 1031, "Deutsch"},
};

std::string FormatLong(LONG lValue) {
    char szText[16];
    std::snprintf(szText, sizeof(szText), "%ld", static_cast<long>(lValue));
    return szText;
}

LSTATUS WriteText(const std::string& strKey, const std::string& strValue, const std::string& strData) {
    HKEY hKey = nullptr;
    LSTATUS status = RegCreateKeyExA(HKEY_LOCAL_MACHINE, strKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                     KEY_WRITE, nullptr, &hKey, nullptr);
    if (status != ERROR_SUCCESS)
        return status;
    status = RegSetValueExA(hKey, strValue.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(strData.c_str()),
                            static_cast<DWORD>(strData.size() + 1));
    RegCloseKey(hKey);
    return status;
}

// The user's language starts as the default, as an installer sets it; a language the user chose
// already (or any value there) stays as it is.
LSTATUS WriteDefaultLanguage(const std::string& strKey) {
    HKEY hKey = nullptr;
    LSTATUS status = RegCreateKeyExA(HKEY_CURRENT_USER, strKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                     KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &hKey, nullptr);
    if (status != ERROR_SUCCESS)
        return status;
    DWORD cbData = 0;
    status = RegQueryValueExA(hKey, QRV_REGVAL_CURRENT_LANGUAGE, nullptr, nullptr, nullptr, &cbData);
    if (status == ERROR_FILE_NOT_FOUND) {
        const DWORD dwDefault = QRV_DEFAULT_LANGUAGE_ID;
        status = RegSetValueExA(hKey, QRV_REGVAL_CURRENT_LANGUAGE, 0, REG_DWORD,
                                reinterpret_cast<const BYTE*>(&dwDefault), sizeof dwDefault);
    }
    RegCloseKey(hKey);
    return status;
}

}  // namespace

HRESULT InstallLanguages(const InstallContext& context, std::string& error) {
    // The program would start and find no language at all: say so now, where it can be mended.
    WIN32_FIND_DATAA findData;
    HANDLE hFind = FindFirstFileA((context.programDirectory + "*.lng").c_str(), &findData);
    if (hFind == INVALID_HANDLE_VALUE) {
        error = "no language files (*.lng) in " + context.programDirectory;
        return E_FAIL;
    }
    FindClose(hFind);

    // Where the language module looks for the language directory and the language names.
    const std::string strProductKey = QRV_REGKEY_VENDOR "Quorvel";
    LSTATUS status = WriteText(strProductKey, QRV_REGVAL_LANGDIR, context.programDirectory);
    if (status != ERROR_SUCCESS) {
        error = "cannot write HKLM\\" + strProductKey + "\\" QRV_REGVAL_LANGDIR ": " +
                DescribeRegistryWriteFailure("HKEY_LOCAL_MACHINE", status);
        return E_FAIL;
    }
    const std::string strUserKey = QRV_REGKEY_USER_SETTINGS;
    status = WriteDefaultLanguage(strUserKey);
    if (status != ERROR_SUCCESS) {
        error = "cannot write HKCU\\" + strUserKey + "\\" QRV_REGVAL_CURRENT_LANGUAGE ": " +
                DescribeRegistryWriteFailure("HKEY_CURRENT_USER", status);
        return E_FAIL;
    }
    for (const LanguageName& entry : LANGUAGE_NAMES) {
        std::string strKey = QRV_REGKEY_LANGUAGES "\\" + FormatLong(entry.lDisplayLanguage);
        status = WriteText(strKey, FormatLong(entry.lLanguageID), entry.pszName);
        if (status != ERROR_SUCCESS) {
            error = "cannot write HKLM\\" + strKey + ": " +
                    DescribeRegistryWriteFailure("HKEY_LOCAL_MACHINE", status);
            return E_FAIL;
        }
    }
    return S_OK;
}
