// Walking a store's folder tree without trusting a damaged file: every value read is looked at.
#include "tools/store/FolderTree.h"

#include <strings.h>

#include <vector>

#include "platform/mapi/StoreAdmin.h"
#include "tools/store/ToolText.h"

namespace qrvstore {

namespace {

// How many folders out of reach are named; the rest are counted.
constexpr size_t kNamedOutOfReach = 3;

std::string NameOf(const SPropValue& value) {
    return PROP_TYPE(value.ulPropTag) == PT_STRING8 ? value.Value.lpszA : "";
}

// The display name of the folder an entry id names, "?" when it cannot be read.
std::string FolderName(LPMDB store, const std::string& eid) {
    LPMAPIFOLDER folder = nullptr;
    ULONG type = 0;
    if (FAILED(store->OpenEntry(static_cast<ULONG>(eid.size()),
                                reinterpret_cast<LPENTRYID>(const_cast<char*>(eid.data())), nullptr, 0, &type,
                                reinterpret_cast<LPUNKNOWN*>(&folder)))) {
        return "?";
    }
    SizedSPropTagArray(1, tags) = {1, {PR_DISPLAY_NAME_A}};
    ULONG count = 0;
    LPSPropValue values = nullptr;
    std::string name = "?";
    if (SUCCEEDED(folder->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), 0, &count, &values)) &&
        PROP_TYPE(values[0].ulPropTag) == PT_STRING8) {
        name = values[0].Value.lpszA;
    }
    MAPIFreeBuffer(values);
    folder->Release();
    return name;
}

}  // namespace

bool BytesOf(const SPropValue& value, std::string& bytes) {
    if (PROP_TYPE(value.ulPropTag) != PT_BINARY ||
        (value.Value.bin.lpb == nullptr && value.Value.bin.cb != 0)) {
        return false;
    }
    bytes.assign(reinterpret_cast<const char*>(value.Value.bin.lpb), value.Value.bin.cb);
    return true;
}

LPMAPIFOLDER OpenTopFolder(LPMDB store) {
    SizedSPropTagArray(1, tags) = {1, {PR_IPM_SUBTREE_ENTRYID}};
    ULONG count = 0;
    LPSPropValue values = nullptr;
    Check(store->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), 0, &count, &values), "Reading the store");
    std::string top;
    const bool named = BytesOf(values[0], top) && !top.empty();
    MAPIFreeBuffer(values);
    if (!named) {
        throw CToolError(
            "the store does not say which folder is the top of its folders: the store is damaged");
    }
    LPMAPIFOLDER folder = nullptr;
    ULONG type = 0;
    HRESULT hr = store->OpenEntry(static_cast<ULONG>(top.size()), reinterpret_cast<LPENTRYID>(top.data()),
                                  nullptr, MAPI_BEST_ACCESS, &type, reinterpret_cast<LPUNKNOWN*>(&folder));
    if (hr == MAPI_E_NOT_FOUND || hr == MAPI_E_INVALID_ENTRYID) {
        throw CToolError(
            "the folder the store names as the top of its folders is missing: the store is damaged");
    }
    Check(hr, "Opening the top of the store");
    return folder;
}

LPMAPIFOLDER OpenChildFolder(LPMDB store, LPMAPIFOLDER parent, const std::string& name) {
    LPMAPITABLE table = nullptr;
    HRESULT hr = parent->GetHierarchyTable(0, &table);
    SizedSPropTagArray(2, columns) = {2, {PR_ENTRYID, PR_DISPLAY_NAME_A}};
    LPSRowSet rows = nullptr;
    if (SUCCEEDED(hr))
        hr = table->SetColumns(reinterpret_cast<LPSPropTagArray>(&columns), 0);
    if (SUCCEEDED(hr))
        hr = table->QueryRows(0x7FFFFFFF, 0, &rows);
    LPMAPIFOLDER child = nullptr;
    std::string eid;
    for (ULONG i = 0; SUCCEEDED(hr) && i < rows->cRows && child == nullptr; ++i) {
        if (strcasecmp(NameOf(rows->aRow[i].lpProps[1]).c_str(), name.c_str()) == 0 &&
            BytesOf(rows->aRow[i].lpProps[0], eid)) {
            ULONG type = 0;
            hr = store->OpenEntry(static_cast<ULONG>(eid.size()), reinterpret_cast<LPENTRYID>(eid.data()),
                                  nullptr, MAPI_BEST_ACCESS, &type, reinterpret_cast<LPUNKNOWN*>(&child));
        }
    }
    FreeProws(rows);
    if (table != nullptr) {
        table->Release();
    }
    Check(hr, "Finding the folder \"" + name + "\"");
    return child;
}

std::string FoldersOutOfReach(LPMDB store) {
    std::vector<std::string> ids;
    Check(HrListFoldersOutOfReach(store, ids), "Looking for folders out of reach of the top of the store");
    if (ids.empty()) {
        return "";
    }
    if (ids.size() == 1) {
        return "the folder \"" + FolderName(store, ids[0]) + "\" is out of reach of the top of the store";
    }
    std::string names;
    for (size_t i = 0; i < ids.size() && i < kNamedOutOfReach; ++i) {
        names += (i == 0 ? "\"" : ", \"") + FolderName(store, ids[i]) + "\"";
    }
    return std::to_string(ids.size()) + " folders are out of reach of the top of the store (" + names +
           (ids.size() > kNamedOutOfReach ? ", ...)" : ")");
}

}  // namespace qrvstore
