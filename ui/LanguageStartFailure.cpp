// The cause of a start that found no usable language files: the registry hive, the language
// folder it names, or a language file whose language has no name.
#include "ui/LanguageStartFailure.h"

#include <cstdio>
#include <vector>

#include "language/LanguageDict.h"
#include "language/LanguageFile.h"
#include "language/LanguageSettings.h"
#include "platform/win32/FindFile.h"
#include "platform/win32/MachineRoot.h"
#include "platform/win32/Registry.h"

namespace {

const char kProductKey[] = QRV_REGKEY_VENDOR "Quorvel";
const char kMend[] = "run qrvinstall to register the language files beside the program";

std::string HivePath() {
    return GetMachineRoot() + "/registry/HKEY_LOCAL_MACHINE.reg";
}

// A text value of a key under HKEY_LOCAL_MACHINE; the status of the first step that failed.
LSTATUS ReadMachineText(const std::string& key, const std::string& value, std::string& text) {
    HKEY hKey = nullptr;
    LSTATUS status = RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &hKey);
    if (status != ERROR_SUCCESS)
        return status;
    DWORD cbData = 0;
    status = RegQueryValueExA(hKey, value.c_str(), nullptr, nullptr, nullptr, &cbData);
    std::vector<char> buffer(cbData + 1, '\0');
    if (status == ERROR_SUCCESS)
        status = RegQueryValueExA(hKey, value.c_str(), nullptr, nullptr,
                                  reinterpret_cast<LPBYTE>(buffer.data()), &cbData);
    RegCloseKey(hKey);
    if (status == ERROR_SUCCESS)
        text = buffer.data();
    return status;
}

}  // namespace

std::string DescribeLanguageStartFailure(HRESULT hr) {
    std::string directory;
    LSTATUS status = ReadMachineText(kProductKey, QRV_REGVAL_LANGDIR, directory);
    if (status == ERROR_BADDB)
        return HivePath() +
               ": the file is damaged, so the language files cannot be found; mend or remove it, "
               "then " +
               kMend;
    if (status != ERROR_SUCCESS || directory.empty())
        return std::string("the language folder is not registered (HKEY_LOCAL_MACHINE\\") + kProductKey +
               "\\" + QRV_REGVAL_LANGDIR + "); " + kMend;

    std::string folder = directory;
    while (folder.size() > 1 && (folder.back() == '/' || folder.back() == '\\'))
        folder.pop_back();
    WIN32_FIND_DATAA findData;
    HANDLE hFind = FindFirstFileA((folder + "/*.lng").c_str(), &findData);
    if (hFind == INVALID_HANDLE_VALUE)
        return "no language files (*.lng) in " + directory + ", the registered language folder; " + kMend;
    bool bAnyUsable = false;
    std::string unnamed;
    do {
        if (findData.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            continue;
        const std::string path = folder + "/" + findData.cFileName;
        LONG lLanguageID = 0;
        CLanguageFile file;
        if (!file.IsCapableToLoad(path.c_str(), &lLanguageID))
            continue;
        bAnyUsable = true;
        // The names are read in the default language, as the language module lists them.
        char szKey[64];
        char szValue[16];
        std::snprintf(szKey, sizeof szKey, "%s\\%ld", QRV_REGKEY_LANGUAGES, (long)QRV_DEFAULT_LANGUAGE_ID);
        std::snprintf(szValue, sizeof szValue, "%ld", (long)lLanguageID);
        std::string name;
        if (unnamed.empty() && (ReadMachineText(szKey, szValue, name) != ERROR_SUCCESS || name.empty()))
            unnamed = path + ": its language " + szValue + " has no name under HKEY_LOCAL_MACHINE\\" + szKey +
                      "; remove the file, or name the language there";
    } while (FindNextFileA(hFind, &findData));
    FindClose(hFind);
    if (!unnamed.empty())
        return unnamed;
    if (!bAnyUsable)
        return "no usable language file in " + directory + ": each must start with its language id; " + kMend;
    char szCode[16];
    std::snprintf(szCode, sizeof szCode, "0x%08lx", (unsigned long)(ULONG)hr);
    return std::string("the language files in ") + directory + " cannot be loaded (error " + szCode + "); " +
           kMend;
}
