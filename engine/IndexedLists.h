// The shared part of the cleanup's deletion lists: lists kept by store or folder index.
#pragma once

#include <map>
#include <new>

#include "platform/win32/WinTypes.h"
#include "trace/Trace.h"

// Releases every list of the map and empties it.
template <class LIST>
void ReleaseIndexedLists(std::map<LONG, LIST*>& map) {
    for (auto& [lIndex, pList] : map) {
        if (pList != nullptr) {
            pList->Release();
        }
    }
    map.clear();
}

// The texts a level of the deletion lists traces when filing fails.
struct IndexedListTexts {
    const char* pszNullList;   // a NULL list was found under the index
    const char* pszNoMemory;   // a new list or its map entry could not be allocated
    const char* pszAddFailed;  // the list refused the entry ("...: hr = 0x%08lx\n")
};

// Files the entry into the list kept under lIndex, making the list (with the map's one reference)
// when there is none yet. A new list enters the map only once it holds the entry, so a failure
// leaves the map as it was.
template <class LIST, class ENTRY, class ADD>
HRESULT FileUnderIndex(std::map<LONG, LIST*>& map, LONG lIndex, ENTRY* pEntry, ADD add,
                       const IndexedListTexts& texts) {
    auto it = map.find(lIndex);
    LIST* pList = nullptr;
    const bool fNew = (it == map.end());
    if (!fNew) {
        pList = it->second;
        if (pList == nullptr) {
            QTRACE(TRACE_ERROR, texts.pszNullList);
            return E_UNEXPECTED;
        }
    } else {
        pList = new (std::nothrow) LIST();
        if (pList == nullptr) {
            QTRACE(TRACE_ERROR, texts.pszNoMemory);
            return E_OUTOFMEMORY;
        }
        pList->AddRef();
    }
    const HRESULT hr = add(pList, pEntry);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, texts.pszAddFailed, hr);
        if (fNew) {
            pList->Release();
        }
        return hr;
    }
    if (fNew) {
        try {
            map.emplace(lIndex, pList);
        } catch (const std::bad_alloc&) {
            QTRACE(TRACE_ERROR, texts.pszNoMemory);
            pList->Release();
            return E_OUTOFMEMORY;
        }
    }
    return hr;
}
