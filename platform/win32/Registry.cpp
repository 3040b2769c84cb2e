// The registry calls over the three file-backed hives.
#include "platform/win32/Registry.h"

#include <cstring>
#include <iterator>
#include <map>
#include <mutex>
#include <unordered_set>

#include "platform/win32/RegistryHive.h"

#define ERROR_KEY_DELETED 1018L

struct HKEY__ {
    qrvreg::Hive* hive;
    std::vector<std::string> path;  // folded segments below the hive root
    REGSAM access;
};

namespace {

std::recursive_mutex g_lock;

// The hives and the open handles live until the process ends: objects destroyed at exit may still
// close their keys.
struct RegistryState {
    qrvreg::Hive classesRoot{"HKEY_CLASSES_ROOT"};
    qrvreg::Hive currentUser{"HKEY_CURRENT_USER"};
    qrvreg::Hive localMachine{"HKEY_LOCAL_MACHINE"};
    std::unordered_set<HKEY> open;
};

RegistryState& State() {
    static RegistryState* state = new RegistryState;
    return *state;
}

LSTATUS Done(LSTATUS rc) {
    SetLastError((DWORD)rc);
    return rc;
}

// The hive, path and rights behind a handle; false for a handle that is not open.
bool Lookup(HKEY h, HKEY__& out) {
    if (h == HKEY_CLASSES_ROOT || h == HKEY_CURRENT_USER || h == HKEY_LOCAL_MACHINE) {
        RegistryState& st = State();
        out.hive = h == HKEY_CLASSES_ROOT   ? &st.classesRoot
                   : h == HKEY_CURRENT_USER ? &st.currentUser
                                            : &st.localMachine;
        out.path.clear();
        out.access = KEY_ALL_ACCESS;
        return true;
    }
    if (!h || State().open.count(h) == 0)
        return false;
    out = *h;
    return true;
}

const qrvreg::Key* Find(const qrvreg::Key& root, const std::vector<std::string>& path) {
    const qrvreg::Key* k = &root;
    for (const std::string& s : path) {
        auto it = k->subKeys.find(qrvreg::Fold(s));
        if (it == k->subKeys.end())
            return nullptr;
        k = &it->second;
    }
    return k;
}

qrvreg::Key* FindMutable(qrvreg::Key& root, const std::vector<std::string>& path) {
    return const_cast<qrvreg::Key*>(Find(root, path));
}

// Resolves handle + sub key into a hive and a full path.
LSTATUS Target(HKEY h, LPCSTR subKey, HKEY__& base, std::vector<std::string>& full) {
    if (!Lookup(h, base))
        return ERROR_INVALID_HANDLE;
    std::vector<std::string> rel;
    if (!qrvreg::SplitPath(subKey, rel))
        return ERROR_INVALID_PARAMETER;
    full = base.path;
    full.insert(full.end(), rel.begin(), rel.end());
    // Keys opened one below the other nest no deeper than one path may: the hive must read back.
    if (full.size() > qrvreg::kMaxKeyDepth)
        return ERROR_INVALID_PARAMETER;
    return ERROR_SUCCESS;
}

HKEY NewHandle(qrvreg::Hive* hive, std::vector<std::string> path, REGSAM access) {
    HKEY h = new HKEY__{hive, std::move(path), access};
    State().open.insert(h);
    return h;
}

// The key behind an open handle, read fresh from its hive.
LSTATUS ReadKey(HKEY h, HKEY__& info, const qrvreg::Key*& key) {
    if (!Lookup(h, info))
        return ERROR_INVALID_HANDLE;
    LSTATUS rc = info.hive->Refresh();
    if (rc != ERROR_SUCCESS)
        return rc;
    key = Find(info.hive->Root(), info.path);
    return key ? ERROR_SUCCESS : ERROR_KEY_DELETED;
}

// The index-th sub key or value (in name order) of the key behind an open handle, read fresh;
// ERROR_NO_MORE_ITEMS past the last one. The entry lives as long as the hive is not read again.
template <class Entry>
LSTATUS NthEntry(HKEY h, DWORD index, std::map<std::string, Entry> qrvreg::Key::*entries,
                 const Entry*& entry) {
    HKEY__ info;
    const qrvreg::Key* key = nullptr;
    LSTATUS rc = ReadKey(h, info, key);
    if (rc != ERROR_SUCCESS)
        return rc;
    const std::map<std::string, Entry>& all = key->*entries;
    if (index >= all.size())
        return ERROR_NO_MORE_ITEMS;
    entry = &std::next(all.begin(), index)->second;
    return ERROR_SUCCESS;
}

// Bytes a caller receives for a value: texts carry their NUL.
std::vector<BYTE> Exposed(const qrvreg::Value& v) {
    std::vector<BYTE> bytes = v.data;
    if (v.type == REG_SZ || v.type == REG_EXPAND_SZ)
        bytes.push_back(0);
    return bytes;
}

// Hands a value's bytes to the caller: *cbData gets their size (when asked), data the bytes when
// its room (the former *cbData) takes them all.
LSTATUS CopyData(const std::vector<BYTE>& bytes, LPBYTE data, LPDWORD cbData) {
    if (!cbData)
        return ERROR_SUCCESS;
    DWORD room = *cbData;
    *cbData = (DWORD)bytes.size();
    if (!data)
        return ERROR_SUCCESS;
    if (room < bytes.size())
        return ERROR_MORE_DATA;
    std::memcpy(data, bytes.data(), bytes.size());
    return ERROR_SUCCESS;
}

// Hands a key or value name to the caller: with its NUL into name, without it into *cchName.
LSTATUS CopyName(const std::string& text, LPSTR name, LPDWORD cchName) {
    if (*cchName < text.size() + 1)
        return ERROR_MORE_DATA;
    std::memcpy(name, text.c_str(), text.size() + 1);
    *cchName = (DWORD)text.size();
    return ERROR_SUCCESS;
}

// Keys here have no class and no write time: the caller gets an empty class and a zero time.
void NoClassNorTime(LPSTR keyClass, LPDWORD cchClass, FILETIME* lastWriteTime) {
    if (keyClass && cchClass && *cchClass)
        keyClass[0] = 0;
    if (cchClass)
        *cchClass = 0;
    if (lastWriteTime)
        *lastWriteTime = FILETIME{0, 0};
}

// Changes the values of the key behind an open handle that may set values; change(key) runs on
// the key as its hive holds it.
template <class Change>
LSTATUS ChangeValues(HKEY h, Change change) {
    HKEY__ info;
    if (!Lookup(h, info))
        return ERROR_INVALID_HANDLE;
    if (!(info.access & KEY_SET_VALUE))
        return ERROR_ACCESS_DENIED;
    return info.hive->Modify([&](qrvreg::Key& root) -> LONG {
        qrvreg::Key* key = FindMutable(root, info.path);
        return key ? change(*key) : ERROR_KEY_DELETED;
    });
}

}  // namespace

LSTATUS RegOpenKeyExA(HKEY hKey, LPCSTR subKey, DWORD /*options*/, REGSAM samDesired, PHKEY result) {
    if (!result)
        return Done(ERROR_INVALID_PARAMETER);
    *result = nullptr;
    std::lock_guard<std::recursive_mutex> lock(g_lock);
    HKEY__ base;
    std::vector<std::string> full;
    LSTATUS rc = Target(hKey, subKey, base, full);
    if (rc != ERROR_SUCCESS)
        return Done(rc);
    rc = base.hive->Refresh();
    if (rc != ERROR_SUCCESS)
        return Done(rc);
    if (!Find(base.hive->Root(), full))
        return Done(ERROR_FILE_NOT_FOUND);
    *result = NewHandle(base.hive, std::move(full), samDesired);
    return Done(ERROR_SUCCESS);
}

LSTATUS RegCreateKeyExA(HKEY hKey, LPCSTR subKey, DWORD /*reserved*/, LPSTR /*keyClass*/, DWORD /*options*/,
                        REGSAM samDesired, void* /*securityAttributes*/, PHKEY result, LPDWORD disposition) {
    if (!result)
        return Done(ERROR_INVALID_PARAMETER);
    *result = nullptr;
    std::lock_guard<std::recursive_mutex> lock(g_lock);
    HKEY__ base;
    std::vector<std::string> full;
    LSTATUS rc = Target(hKey, subKey, base, full);
    if (rc != ERROR_SUCCESS)
        return Done(rc);
    bool created = false;
    rc = base.hive->Modify([&](qrvreg::Key& root) -> LONG {
        qrvreg::Key* parent = FindMutable(root, base.path);
        if (!parent)
            return ERROR_KEY_DELETED;
        qrvreg::Key* k = &root;
        for (const std::string& s : full) {
            qrvreg::Key& sub = k->subKeys[qrvreg::Fold(s)];
            if (sub.name.empty()) {
                sub.name = s;
                created = true;
            }
            k = &sub;
        }
        if (created && !(base.access & KEY_CREATE_SUB_KEY))
            return ERROR_ACCESS_DENIED;
        return ERROR_SUCCESS;
    });
    if (rc != ERROR_SUCCESS)
        return Done(rc);
    if (disposition)
        *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    *result = NewHandle(base.hive, std::move(full), samDesired);
    return Done(ERROR_SUCCESS);
}

LSTATUS RegCloseKey(HKEY hKey) {
    if (hKey == HKEY_CLASSES_ROOT || hKey == HKEY_CURRENT_USER || hKey == HKEY_LOCAL_MACHINE)
        return Done(ERROR_SUCCESS);
    std::lock_guard<std::recursive_mutex> lock(g_lock);
    if (!hKey || State().open.erase(hKey) == 0)
        return Done(ERROR_INVALID_HANDLE);
    delete hKey;
    return Done(ERROR_SUCCESS);
}

LSTATUS RegQueryValueExA(HKEY hKey, LPCSTR valueName, LPDWORD /*reserved*/, LPDWORD type, LPBYTE data,
                         LPDWORD cbData) {
    if (data && !cbData)
        return Done(ERROR_INVALID_PARAMETER);
    std::lock_guard<std::recursive_mutex> lock(g_lock);
    HKEY__ info;
    const qrvreg::Key* key = nullptr;
    LSTATUS rc = ReadKey(hKey, info, key);
    if (rc != ERROR_SUCCESS)
        return Done(rc);
    if (!(info.access & KEY_QUERY_VALUE))
        return Done(ERROR_ACCESS_DENIED);
    auto it = key->values.find(qrvreg::Fold(valueName ? valueName : ""));
    if (it == key->values.end())
        return Done(ERROR_FILE_NOT_FOUND);
    if (type)
        *type = it->second.type;
    return Done(CopyData(Exposed(it->second), data, cbData));
}

LSTATUS RegSetValueExA(HKEY hKey, LPCSTR valueName, DWORD /*reserved*/, DWORD type, const BYTE* data,
                       DWORD cbData) {
    if ((!data && cbData) || (type == REG_DWORD && cbData != 4))
        return Done(ERROR_INVALID_PARAMETER);
    if (valueName && std::strpbrk(valueName, "\r\n"))
        return Done(ERROR_INVALID_PARAMETER);
    std::lock_guard<std::recursive_mutex> lock(g_lock);
    qrvreg::Value v;
    v.name = valueName ? valueName : "";
    v.type = type;
    v.data.assign(data, data + cbData);
    if (type == REG_SZ || type == REG_EXPAND_SZ) {
        // A text ends at its first NUL; the NUL itself is not stored.
        const BYTE* nul = cbData ? static_cast<const BYTE*>(std::memchr(data, 0, cbData)) : nullptr;
        v.data.assign(data, nul ? nul : data + cbData);
    }
    return Done(ChangeValues(hKey, [&](qrvreg::Key& key) -> LONG {
        key.values[qrvreg::Fold(v.name)] = v;
        return ERROR_SUCCESS;
    }));
}

LSTATUS RegQueryInfoKeyA(HKEY hKey, LPSTR keyClass, LPDWORD cchClass, LPDWORD /*reserved*/, LPDWORD subKeys,
                         LPDWORD maxSubKeyLen, LPDWORD maxClassLen, LPDWORD values, LPDWORD maxValueNameLen,
                         LPDWORD maxValueLen, LPDWORD securityDescriptor, FILETIME* lastWriteTime) {
    std::lock_guard<std::recursive_mutex> lock(g_lock);
    HKEY__ info;
    const qrvreg::Key* key = nullptr;
    LSTATUS rc = ReadKey(hKey, info, key);
    if (rc != ERROR_SUCCESS)
        return Done(rc);
    DWORD maxSub = 0, maxName = 0, maxData = 0;
    for (const auto& [folded, sub] : key->subKeys)
        maxSub = std::max(maxSub, (DWORD)sub.name.size());
    for (const auto& [folded, v] : key->values) {
        maxName = std::max(maxName, (DWORD)v.name.size());
        maxData = std::max(maxData, (DWORD)Exposed(v).size());
    }
    NoClassNorTime(keyClass, cchClass, lastWriteTime);
    if (subKeys)
        *subKeys = (DWORD)key->subKeys.size();
    if (maxSubKeyLen)
        *maxSubKeyLen = maxSub;
    if (maxClassLen)
        *maxClassLen = 0;
    if (values)
        *values = (DWORD)key->values.size();
    if (maxValueNameLen)
        *maxValueNameLen = maxName;
    if (maxValueLen)
        *maxValueLen = maxData;
    if (securityDescriptor)
        *securityDescriptor = 0;
    return Done(ERROR_SUCCESS);
}

LSTATUS RegEnumKeyExA(HKEY hKey, DWORD index, LPSTR name, LPDWORD cchName, LPDWORD /*reserved*/,
                      LPSTR keyClass, LPDWORD cchClass, FILETIME* lastWriteTime) {
    if (!name || !cchName)
        return Done(ERROR_INVALID_PARAMETER);
    std::lock_guard<std::recursive_mutex> lock(g_lock);
    const qrvreg::Key* sub = nullptr;
    LSTATUS rc = NthEntry(hKey, index, &qrvreg::Key::subKeys, sub);
    if (rc == ERROR_SUCCESS)
        rc = CopyName(sub->name, name, cchName);
    if (rc != ERROR_SUCCESS)
        return Done(rc);
    NoClassNorTime(keyClass, cchClass, lastWriteTime);
    return Done(ERROR_SUCCESS);
}

LSTATUS RegEnumValueA(HKEY hKey, DWORD index, LPSTR valueName, LPDWORD cchValueName, LPDWORD /*reserved*/,
                      LPDWORD type, LPBYTE data, LPDWORD cbData) {
    if (!valueName || !cchValueName || (data && !cbData))
        return Done(ERROR_INVALID_PARAMETER);
    std::lock_guard<std::recursive_mutex> lock(g_lock);
    const qrvreg::Value* v = nullptr;
    LSTATUS rc = NthEntry(hKey, index, &qrvreg::Key::values, v);
    if (rc == ERROR_SUCCESS)
        rc = CopyName(v->name, valueName, cchValueName);
    if (rc != ERROR_SUCCESS)
        return Done(rc);
    if (type)
        *type = v->type;
    return Done(CopyData(Exposed(*v), data, cbData));
}

LSTATUS RegDeleteKeyA(HKEY hKey, LPCSTR subKey) {
    if (!subKey || !*subKey)
        return Done(ERROR_INVALID_PARAMETER);
    std::lock_guard<std::recursive_mutex> lock(g_lock);
    HKEY__ base;
    std::vector<std::string> full;
    LSTATUS rc = Target(hKey, subKey, base, full);
    if (rc != ERROR_SUCCESS)
        return Done(rc);
    if (full.size() <= base.path.size())
        return Done(ERROR_INVALID_PARAMETER);
    rc = base.hive->Modify([&](qrvreg::Key& root) -> LONG {
        std::vector<std::string> parentPath(full.begin(), full.end() - 1);
        qrvreg::Key* parent = FindMutable(root, parentPath);
        if (!parent)
            return ERROR_FILE_NOT_FOUND;
        auto it = parent->subKeys.find(qrvreg::Fold(full.back()));
        if (it == parent->subKeys.end())
            return ERROR_FILE_NOT_FOUND;
        if (!it->second.subKeys.empty())
            return ERROR_ACCESS_DENIED;
        parent->subKeys.erase(it);
        return ERROR_SUCCESS;
    });
    return Done(rc);
}

LSTATUS RegDeleteValueA(HKEY hKey, LPCSTR valueName) {
    std::lock_guard<std::recursive_mutex> lock(g_lock);
    return Done(ChangeValues(hKey, [&](qrvreg::Key& key) -> LONG {
        return key.values.erase(qrvreg::Fold(valueName ? valueName : "")) ? ERROR_SUCCESS
                                                                          : ERROR_FILE_NOT_FOUND;
    }));
}
