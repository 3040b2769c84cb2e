// Class registration in HKEY_CLASSES_ROOT and the lookups of class ids by ProgID.
#include "platform/automation/ClassRegistry.h"

#include <cctype>
#include <cstdio>
#include <vector>

#include "platform/win32/CodePage.h"
#include "platform/win32/Registry.h"

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Reads 'digits' hex digits at text[pos] into value.
bool ReadHex(const std::string& text, size_t pos, int digits, uint32_t& value) {
    value = 0;
    for (int i = 0; i < digits; ++i) {
        const int d = HexDigit(text[pos + i]);
        if (d < 0)
            return false;
        value = (value << 4) | uint32_t(d);
    }
    return true;
}

// Reads the default value of a key below HKCR as text; false when key or value are missing.
bool ReadDefaultValue(const std::string& subKey, std::string& value) {
    HKEY hKey = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, subKey.c_str(), 0, KEY_READ, &hKey) != ERROR_SUCCESS)
        return false;
    DWORD type = 0;
    DWORD cb = 0;
    bool ok = false;
    if (RegQueryValueExA(hKey, nullptr, nullptr, &type, nullptr, &cb) == ERROR_SUCCESS && type == REG_SZ) {
        std::vector<char> buffer(cb + 1, '\0');
        if (RegQueryValueExA(hKey, nullptr, nullptr, &type, reinterpret_cast<LPBYTE>(buffer.data()), &cb) ==
            ERROR_SUCCESS) {
            value.assign(buffer.data());
            ok = true;
        }
    }
    RegCloseKey(hKey);
    return ok;
}

LSTATUS WriteDefaultValue(const std::string& subKey, const char* pszName, const std::string& value) {
    HKEY hKey = nullptr;
    LSTATUS status =
        RegCreateKeyExA(HKEY_CLASSES_ROOT, subKey.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &hKey, nullptr);
    if (status != ERROR_SUCCESS)
        return status;
    status = RegSetValueExA(hKey, pszName, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                            static_cast<DWORD>(value.size() + 1));
    RegCloseKey(hKey);
    return status;
}

// Deletes a key and everything below it (the registry deletes only keys without sub keys).
LSTATUS DeleteTree(const std::string& subKey) {
    HKEY hKey = nullptr;
    LSTATUS status = RegOpenKeyExA(HKEY_CLASSES_ROOT, subKey.c_str(), 0, KEY_READ, &hKey);
    if (status == ERROR_FILE_NOT_FOUND)
        return ERROR_SUCCESS;
    if (status != ERROR_SUCCESS)
        return status;
    std::vector<std::string> children;
    for (DWORD i = 0;; ++i) {
        char name[256];
        DWORD cch = sizeof(name);
        if (RegEnumKeyExA(hKey, i, name, &cch, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        children.emplace_back(name, cch);
    }
    RegCloseKey(hKey);
    for (const std::string& child : children) {
        status = DeleteTree(subKey + "\\" + child);
        if (status != ERROR_SUCCESS)
            return status;
    }
    status = RegDeleteKeyA(HKEY_CLASSES_ROOT, subKey.c_str());
    return status == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : status;
}

}  // namespace

std::string GuidToString(REFGUID g) {
    char text[40];
    std::snprintf(text, sizeof(text), "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", unsigned(g.Data1),
                  unsigned(g.Data2), unsigned(g.Data3), g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3],
                  g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
    return text;
}

bool GuidFromString(const std::string& text, GUID* pGuid) {
    // {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}: exactly 38 characters.
    if (text.size() != 38 || text[0] != '{' || text[37] != '}' || text[9] != '-' || text[14] != '-' ||
        text[19] != '-' || text[24] != '-')
        return false;
    GUID g{};
    uint32_t v = 0;
    if (!ReadHex(text, 1, 8, v))
        return false;
    g.Data1 = v;
    if (!ReadHex(text, 10, 4, v))
        return false;
    g.Data2 = static_cast<WORD>(v);
    if (!ReadHex(text, 15, 4, v))
        return false;
    g.Data3 = static_cast<WORD>(v);
    static const size_t bytePos[8] = {20, 22, 25, 27, 29, 31, 33, 35};
    for (int i = 0; i < 8; ++i) {
        if (!ReadHex(text, bytePos[i], 2, v))
            return false;
        g.Data4[i] = static_cast<BYTE>(v);
    }
    *pGuid = g;
    return true;
}

HRESULT CLSIDFromString(LPCOLESTR lpsz, LPCLSID pclsid) {
    if (lpsz == nullptr || pclsid == nullptr)
        return E_INVALIDARG;
    return GuidFromString(Utf16ToUtf8(lpsz), pclsid) ? S_OK : CO_E_CLASSSTRING;
}

int StringFromGUID2(REFGUID rguid, LPOLESTR lpsz, int cchMax) {
    const std::u16string text = Utf8ToUtf16(GuidToString(rguid));
    if (lpsz == nullptr || cchMax < int(text.size()) + 1)
        return 0;
    for (size_t i = 0; i < text.size(); ++i)
        lpsz[i] = text[i];
    lpsz[text.size()] = 0;
    return int(text.size()) + 1;
}

HRESULT CLSIDFromProgID(LPCOLESTR lpszProgID, LPCLSID lpclsid) {
    if (lpszProgID == nullptr || lpclsid == nullptr)
        return E_INVALIDARG;
    const std::string progId = Utf16ToUtf8(lpszProgID);
    // A ProgID is one key name: separators would reach into other keys of the hive.
    if (progId.empty() || progId.find_first_of("\\/") != std::string::npos)
        return CO_E_CLASSSTRING;
    std::string text;
    if (!ReadDefaultValue(progId + "\\CLSID", text))
        return CO_E_CLASSSTRING;
    CLSID clsid{};
    if (!GuidFromString(text, &clsid))
        return CO_E_CLASSSTRING;
    *lpclsid = clsid;
    return S_OK;
}

HRESULT RegisterAutomationClass(const std::string& progId, REFCLSID clsid, const std::string& description,
                                const std::string& module) {
    if (progId.empty() || progId.find_first_of("\\/") != std::string::npos || module.empty())
        return E_INVALIDARG;
    HRESULT hr = UnregisterAutomationClass(progId, clsid);
    if (FAILED(hr))
        return hr;
    const std::string classKey = "CLSID\\" + GuidToString(clsid);
    const struct {
        std::string key;
        const char* name;
        std::string value;
    } values[] = {
        {progId, nullptr, description},
        {progId + "\\CLSID", nullptr, GuidToString(clsid)},
        {classKey, nullptr, description},
        {classKey + "\\ProgID", nullptr, progId},
        {classKey + "\\InprocServer32", nullptr, module},
        {classKey + "\\InprocServer32", "ThreadingModel", "Apartment"},
    };
    for (const auto& v : values) {
        const LSTATUS status = WriteDefaultValue(v.key, v.name, v.value);
        if (status != ERROR_SUCCESS)
            return HRESULT_FROM_WIN32(static_cast<DWORD>(status));
    }
    return S_OK;
}

HRESULT UnregisterAutomationClass(const std::string& progId, REFCLSID clsid) {
    if (progId.empty() || progId.find_first_of("\\/") != std::string::npos)
        return E_INVALIDARG;
    LSTATUS status = DeleteTree(progId);
    if (status == ERROR_SUCCESS)
        status = DeleteTree("CLSID\\" + GuidToString(clsid));
    return status == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(static_cast<DWORD>(status));
}

HRESULT GetInprocServerModule(REFCLSID clsid, std::string& module) {
    module.clear();
    const std::string classKey = "CLSID\\" + GuidToString(clsid);
    HKEY hKey = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, classKey.c_str(), 0, KEY_READ, &hKey) != ERROR_SUCCESS)
        return REGDB_E_CLASSNOTREG;
    RegCloseKey(hKey);
    if (!ReadDefaultValue(classKey + "\\InprocServer32", module) || module.empty())
        return REGDB_E_CLASSNOTREG;
    return S_OK;
}
