// Property arrays, change lists, problem arrays and named-property mapping for the service's objects.
#include "platform/mapi/PropObject.h"

#include <cstring>

#include "platform/mapi/BufferRoom.h"
#include "platform/mapi/MAPIFunctions.h"
#include "platform/win32/CodePage.h"

namespace qrvmapi {

HRESULT BuildPropArray(const std::vector<std::optional<CPropCell>>& cells, LPSPropTagArray lpTags,
                       ULONG ulFlags, ULONG* lpcValues, LPSPropValue* lppProps) {
    size_t count = cells.size();
    // One heap block for the array and everything its values point at.
    size_t room = 0;
    for (size_t i = 0; i < count; ++i) {
        if (cells[i]) {
            ULONG wanted =
                lpTags != nullptr ? lpTags->aulPropTag[i] : CHANGE_PROP_TYPE(cells[i]->m_tag, PT_UNSPECIFIED);
            room += LinkedRoomOfCell(*cells[i], wanted, ulFlags);
        }
    }
    LPSPropValue props = nullptr;
    HRESULT hr = AllocateBufferWithRoom(static_cast<ULONG>((count > 0 ? count : 1) * sizeof(SPropValue)),
                                        room, reinterpret_cast<LPVOID*>(&props));
    if (FAILED(hr)) {
        return hr;
    }
    bool errors = false;
    for (size_t i = 0; i < count; ++i) {
        ULONG wanted =
            lpTags != nullptr ? lpTags->aulPropTag[i] : CHANGE_PROP_TYPE(cells[i]->m_tag, PT_UNSPECIFIED);
        if (!cells[i]) {
            ErrorValue(wanted, MAPI_E_NOT_FOUND, props[i]);
            errors = true;
            continue;
        }
        hr = ValueFromCell(*cells[i], wanted, ulFlags, props, props[i]);
        if (FAILED(hr)) {
            MAPIFreeBuffer(props);
            return hr;
        }
        if (PROP_TYPE(props[i].ulPropTag) == PT_ERROR) {
            errors = true;
        }
    }
    *lpcValues = static_cast<ULONG>(count);
    *lppProps = props;
    return errors ? MAPI_W_ERRORS_RETURNED : S_OK;
}

HRESULT ChangesFromValues(ULONG cValues, const SPropValue* lpProps, CPropChanges& changes,
                          std::vector<SPropProblem>& problems) {
    for (ULONG i = 0; i < cValues; ++i) {
        CPropCell cell;
        HRESULT hr = CellFromValue(lpProps[i], cell);
        if (FAILED(hr) || PROP_ID(lpProps[i].ulPropTag) == PROP_ID_NULL) {
            problems.push_back(
                SPropProblem{i, lpProps[i].ulPropTag, FAILED(hr) ? hr : MAPI_E_INVALID_PARAMETER});
            continue;
        }
        changes[PROP_ID(lpProps[i].ulPropTag)] = std::move(cell);
    }
    return S_OK;
}

HRESULT HandOutProblems(const std::vector<SPropProblem>& problems, LPSPropProblemArray* lppProblems) {
    if (lppProblems == nullptr || problems.empty()) {
        return S_OK;
    }
    LPSPropProblemArray array = nullptr;
    HRESULT hr = MAPIAllocateBuffer(static_cast<ULONG>(CbNewSPropProblemArray(problems.size())),
                                    reinterpret_cast<LPVOID*>(&array));
    if (FAILED(hr)) {
        return hr;
    }
    array->cProblem = static_cast<ULONG>(problems.size());
    for (size_t i = 0; i < problems.size(); ++i) {
        array->aProblem[i] = problems[i];
    }
    *lppProblems = array;
    return S_OK;
}

namespace {

HRESULT AllocTags(size_t count, LPSPropTagArray* out) {
    *out = nullptr;
    return MAPIAllocateBuffer(static_cast<ULONG>(CbNewSPropTagArray(count)), reinterpret_cast<LPVOID*>(out));
}

// Copies a stored name into MAPI memory linked to 'parent'.
HRESULT HandOutName(const CNamedId& name, LPVOID parent, LPMAPINAMEID* out) {
    LPMAPINAMEID id = nullptr;
    HRESULT hr = MAPIAllocateMore(sizeof(MAPINAMEID), parent, reinterpret_cast<LPVOID*>(&id));
    if (FAILED(hr)) {
        return hr;
    }
    hr = MAPIAllocateMore(sizeof(GUID), parent, reinterpret_cast<LPVOID*>(&id->lpguid));
    if (FAILED(hr)) {
        return hr;
    }
    std::memcpy(id->lpguid, name.m_guid.data(), sizeof(GUID));
    id->ulKind = name.m_kind;
    if (name.m_kind == MNID_ID) {
        id->Kind.lID = name.m_lid;
    } else {
        std::u16string wide = Utf8ToUtf16(name.m_name);
        hr = MAPIAllocateMore(static_cast<ULONG>((wide.size() + 1) * sizeof(WCHAR)), parent,
                              reinterpret_cast<LPVOID*>(&id->Kind.lpwstrName));
        if (FAILED(hr)) {
            return hr;
        }
        std::memcpy(id->Kind.lpwstrName, wide.data(), wide.size() * sizeof(WCHAR));
    }
    *out = id;
    return S_OK;
}

}  // namespace

HRESULT NamedIdsFromNames(CStoreDb& store, bool writable, ULONG cPropNames, LPMAPINAMEID* lppPropNames,
                          ULONG ulFlags, LPSPropTagArray* lppPropTags) {
    if (lppPropTags == nullptr) {
        return MAPI_E_INVALID_PARAMETER;
    }
    *lppPropTags = nullptr;
    if (cPropNames == 0 || lppPropNames == nullptr) {
        if (cPropNames != 0) {
            return MAPI_E_INVALID_PARAMETER;
        }
        // No names at all: the caller asks for every name the store knows.
        std::vector<std::pair<ULONG, CNamedId>> all;
        HRESULT hr = store.AllNames(all);
        if (FAILED(hr)) {
            return hr;
        }
        LPSPropTagArray tags = nullptr;
        hr = AllocTags(all.size(), &tags);
        if (FAILED(hr)) {
            return hr;
        }
        tags->cValues = static_cast<ULONG>(all.size());
        for (size_t i = 0; i < all.size(); ++i) {
            tags->aulPropTag[i] = PROP_TAG(PT_UNSPECIFIED, all[i].first);
        }
        *lppPropTags = tags;
        return S_OK;
    }
    std::vector<CNamedId> names(cPropNames);
    std::vector<bool> usable(cPropNames, false);
    for (ULONG i = 0; i < cPropNames; ++i) {
        const MAPINAMEID* name = lppPropNames[i];
        if (name == nullptr || name->lpguid == nullptr) {
            continue;
        }
        names[i].m_guid.assign(reinterpret_cast<const char*>(name->lpguid), sizeof(GUID));
        names[i].m_kind = name->ulKind;
        if (name->ulKind == MNID_ID) {
            names[i].m_lid = name->Kind.lID;
            usable[i] = true;
        } else if (name->ulKind == MNID_STRING && name->Kind.lpwstrName != nullptr) {
            names[i].m_name = Utf16ToUtf8(name->Kind.lpwstrName);
            usable[i] = true;
        }
    }
    std::vector<CNamedId> asked;
    for (ULONG i = 0; i < cPropNames; ++i) {
        if (usable[i]) {
            asked.push_back(names[i]);
        }
    }
    std::vector<ULONG> pids;
    HRESULT hr = store.IdsFromNames(asked, (ulFlags & MAPI_CREATE) != 0 && writable, pids);
    if (FAILED(hr)) {
        return hr;
    }
    LPSPropTagArray tags = nullptr;
    hr = AllocTags(cPropNames, &tags);
    if (FAILED(hr)) {
        return hr;
    }
    tags->cValues = cPropNames;
    bool errors = false;
    size_t next = 0;
    for (ULONG i = 0; i < cPropNames; ++i) {
        ULONG pid = usable[i] ? pids[next++] : 0;
        if (pid == 0) {
            tags->aulPropTag[i] = PROP_TAG(PT_ERROR, 0);
            errors = true;
        } else {
            tags->aulPropTag[i] = PROP_TAG(PT_UNSPECIFIED, pid);
        }
    }
    *lppPropTags = tags;
    return errors ? MAPI_W_ERRORS_RETURNED : S_OK;
}

HRESULT NamedNamesFromIds(CStoreDb& store, LPSPropTagArray* lppPropTags, LPGUID lpPropSetGuid, ULONG,
                          ULONG* lpcPropNames, LPMAPINAMEID** lpppPropNames) {
    if (lppPropTags == nullptr || lpcPropNames == nullptr || lpppPropNames == nullptr) {
        return MAPI_E_INVALID_PARAMETER;
    }
    *lpcPropNames = 0;
    *lpppPropNames = nullptr;
    std::vector<std::optional<CNamedId>> names;
    LPSPropTagArray handedTags = nullptr;
    if (*lppPropTags == nullptr) {
        std::vector<std::pair<ULONG, CNamedId>> all;
        HRESULT hr = store.AllNames(all);
        if (FAILED(hr)) {
            return hr;
        }
        std::vector<std::pair<ULONG, CNamedId>> chosen;
        for (auto& entry : all) {
            if (lpPropSetGuid == nullptr ||
                std::memcmp(entry.second.m_guid.data(), lpPropSetGuid, sizeof(GUID)) == 0) {
                chosen.push_back(std::move(entry));
            }
        }
        hr = AllocTags(chosen.size(), &handedTags);
        if (FAILED(hr)) {
            return hr;
        }
        handedTags->cValues = static_cast<ULONG>(chosen.size());
        for (size_t i = 0; i < chosen.size(); ++i) {
            handedTags->aulPropTag[i] = PROP_TAG(PT_UNSPECIFIED, chosen[i].first);
            names.emplace_back(std::move(chosen[i].second));
        }
    } else {
        LPSPropTagArray tags = *lppPropTags;
        for (ULONG i = 0; i < tags->cValues; ++i) {
            CNamedId name;
            bool found = false;
            ULONG pid = PROP_ID(tags->aulPropTag[i]);
            if (pid >= 0x8000) {
                HRESULT hr = store.NameFromId(pid, name, found);
                if (FAILED(hr)) {
                    return hr;
                }
            }
            names.push_back(found ? std::optional<CNamedId>(std::move(name)) : std::nullopt);
        }
    }
    LPMAPINAMEID* array = nullptr;
    HRESULT hr =
        MAPIAllocateBuffer(static_cast<ULONG>((names.empty() ? 1 : names.size()) * sizeof(LPMAPINAMEID)),
                           reinterpret_cast<LPVOID*>(&array));
    if (FAILED(hr)) {
        MAPIFreeBuffer(handedTags);
        return hr;
    }
    bool errors = false;
    for (size_t i = 0; i < names.size(); ++i) {
        if (!names[i]) {
            errors = true;
            continue;
        }
        hr = HandOutName(*names[i], array, &array[i]);
        if (FAILED(hr)) {
            MAPIFreeBuffer(array);
            MAPIFreeBuffer(handedTags);
            return hr;
        }
    }
    if (handedTags != nullptr) {
        *lppPropTags = handedTags;
    }
    *lpcPropNames = static_cast<ULONG>(names.size());
    *lpppPropNames = array;
    return errors ? MAPI_W_ERRORS_RETURNED : S_OK;
}

}  // namespace qrvmapi
