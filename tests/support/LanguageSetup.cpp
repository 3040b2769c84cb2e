// Language files and the registry entries that point the language services at them, for tests.
#include "tests/support/LanguageSetup.h"

#include <cstdlib>

#include "platform/win32/Registry.h"

namespace qrvtest {

namespace {

void WriteMachineValue(const std::string& key, const std::string& value, const std::string& data) {
    HKEY hKey = nullptr;
    // A test whose set-up cannot be written would only fail later and further from the cause.
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &hKey, nullptr) !=
        ERROR_SUCCESS)
        std::abort();
    RegSetValueExA(hKey, value.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                   static_cast<DWORD>(data.size() + 1));
    RegCloseKey(hKey);
}

}  // namespace

std::string LanguageFileText(LONG lLanguageID, const std::vector<std::string>& body) {
    std::string text = "; L_VER:0\n; L_ID:" + std::to_string(lLanguageID) + "\n";
    for (const std::string& line : body)
        text += line + "\n";
    return text;
}

void SetLanguageDirectory(const std::string& directory) {
    WriteMachineValue("Software\\Ostrany\\Quorvel", "LangDir", directory);
}

void SetLanguageName(LONG lDisplay, LONG lLanguageID, const std::string& name) {
    WriteMachineValue("Software\\Ostrany\\Languages\\" + std::to_string(lDisplay),
                      std::to_string(lLanguageID), name);
}

}  // namespace qrvtest
