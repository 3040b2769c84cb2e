// The work every keyed property list does alike on its map of held entries: walks, clearing, records.
#pragma once

#include <cstdlib>
#include <type_traits>

#include "model/PropertyID.h"
#include "model/PropertyList.h"
#include "platform/afx/CArchive.h"
#include "platform/afx/CException.h"
#include "platform/mapi/MAPIDefs.h"
#include "trace/Trace.h"

// The maps hold one counted reference on each entry (a property or a sub-list); maps with pointer
// keys (a GUID, a name) also own a malloc'ed copy of each key. The helpers trace only what they
// themselves refuse: the calling list keeps its own entry and exit traces.

// Replaces *ppHeld by pNew, taking the new reference before giving back the old one, so that
// storing the same object again never destroys it on the way.
template <class T>
void ReplaceHeld(T*& pHeld, T* pNew) {
    pNew->AddRef();
    T* pOld = pHeld;
    pHeld = pNew;
    if (pOld != nullptr) {
        pOld->Release();
    }
}

// Empties the map and puts the cursor at its end before anything is released, so that an entry
// destroyed on the way is never reached through the list again; then frees the owned keys.
template <class Map>
void ReleaseHeldEntries(Map& map, typename Map::iterator& cursor) {
    Map held;
    held.swap(map);
    cursor = map.end();
    for (auto& entry : held) {
        entry.second->Release();
        if constexpr (std::is_pointer_v<typename Map::key_type>) {
            free(entry.first);
        }
    }
}

// ---- flat walk: the cursor points at the next property to hand out ----

// Hands out the property at the cursor with a reference for the caller and moves on; at the end,
// success with null: the normal end of a walk.
template <class Map>
HRESULT HandOutNextHeld(Map& map, typename Map::iterator& cursor, CPropertyID** ppProp) {
    if (ppProp == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid property specified!\n");
        return E_INVALIDARG;
    }
    *ppProp = nullptr;
    if (cursor == map.end()) {
        return S_OK;
    }
    *ppProp = cursor->second;
    (*ppProp)->AddRef();
    ++cursor;
    return S_OK;
}

// ---- two-level walk: the cursor stays on the sub-list that yields ----

// Asks the sub-lists from the cursor on for their first property; empty sub-lists are passed.
template <class Map>
HRESULT FirstOfSubListsFromCursor(Map& map, typename Map::iterator& cursor, CPropertyID** ppProp) {
    for (; cursor != map.end(); ++cursor) {
        HRESULT hr = cursor->second->GetFirstProperty(ppProp);
        if (FAILED(hr)) {
            QTRACE(TRACE_ERROR, "pList->GetFirstProperty() failed: hr = 0x%08lx\n", hr);
            return hr;
        }
        if (*ppProp != nullptr) {
            return hr;
        }
    }
    return S_OK;
}

template <class Map>
HRESULT FirstOfSubLists(Map& map, typename Map::iterator& cursor, CPropertyID** ppProp) {
    if (ppProp == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid property specified!\n");
        return E_INVALIDARG;
    }
    *ppProp = nullptr;
    cursor = map.begin();
    return FirstOfSubListsFromCursor(map, cursor, ppProp);
}

// Unlike a flat list, a cursor at the end here means no walk was started: there is no sub-list to
// go on in, so the caller is told so instead of being handed a silent end.
template <class Map>
HRESULT NextOfSubLists(Map& map, typename Map::iterator& cursor, CPropertyID** ppProp) {
    if (ppProp == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid property specified!\n");
        return E_INVALIDARG;
    }
    *ppProp = nullptr;
    if (cursor == map.end()) {
        QTRACE(TRACE_ERROR, "Failure: undefined iterator - missing call to GetFirstProperty() ?\n");
        return E_UNEXPECTED;
    }
    HRESULT hr = cursor->second->GetNextProperty(ppProp);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "pList->GetNextProperty() failed: hr = 0x%08lx\n", hr);
        return hr;
    }
    if (*ppProp != nullptr) {
        return hr;
    }
    ++cursor;
    return FirstOfSubListsFromCursor(map, cursor, ppProp);
}

// ---- routing to sub-lists ----

// *pbFound from the sub-list held under the key; no such sub-list: success with *pbFound as it is.
template <class Map>
HRESULT LookupInSubList(Map& map, const typename Map::key_type& key, CPropertyID* pProp, BOOL* pbFound) {
    auto it = map.find(key);
    if (it == map.end()) {
        return S_OK;
    }
    HRESULT hr = it->second->Lookup(pProp, pbFound);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "pList->Lookup() failed: hr = 0x%08lx\n", hr);
    }
    return hr;
}

// A new sub-list from the owner's CreateNewPropertyList, traced when refused.
HRESULT MakeSubList(CPropertyList* pOwner, CPropertyID* pProp, CPropertyList** ppList);

// Stores the property in its sub-list, traced when refused.
HRESULT InsertIntoSubList(CPropertyList* pList, CPropertyID* pProp);

// Hands a freshly made list (null when it could not be made) to the caller with one reference.
HRESULT HandOverNewList(CPropertyList* pList, CPropertyList** ppList);

// ---- named properties ----

// The name identifier of a named property of the given name kind. Refusals are E_INVALIDARG,
// traced with the list's own text for a wrong name kind (pszKindRefusal takes the property's name
// kind and the expected one).
HRESULT GetNameIDOfKind(CPropertyID* pProp, ULONG ulKind, const char* pszKindRefusal, MAPINAMEID* pId);

// ---- records ----

inline bool IsNullEntry(const auto& entry) {
    if constexpr (std::is_pointer_v<std::remove_cvref_t<decltype(entry.first)>>) {
        if (entry.first == nullptr) {
            return true;
        }
    }
    return entry.second == nullptr;
}

// Properties are always written; a sub-list only when it holds something.
inline bool IsWrittenEntry(CPropertyID* /*pProp*/) {
    return true;
}
inline bool IsWrittenEntry(CPropertyList* pList) {
    return pList->GetMapCount() != 0;
}

// A body: DWORD count of the written entries, then each one's key (as writeKey puts it, if at all)
// and its record reference, in key order. Every entry is checked before the first byte goes out:
// a null one raises the resource failure.
template <class Map, class WriteKey>
void SaveHeldEntries(CArchive& ar, Map& map, WriteKey writeKey) {
    DWORD dwCount = 0;
    for (auto& entry : map) {
        if (IsNullEntry(entry)) {
            AfxThrowResourceException();
        }
        if (IsWrittenEntry(entry.second)) {
            ++dwCount;
        }
    }
    ar << dwCount;
    for (auto& entry : map) {
        if (!IsWrittenEntry(entry.second)) {
            continue;
        }
        writeKey(ar, entry.first);
        ar.WriteObject(entry.second);
    }
}

// The next record reference, required to be of pClass (T's class); a null one raises the memory
// failure.
template <class T>
T* ReadHeldRecord(CArchive& ar, CRuntimeClass* pClass) {
    T* pObject = static_cast<T*>(ar.ReadObject(pClass));
    if (pObject == nullptr) {
        AfxThrowMemoryException();
    }
    return pObject;
}

// A body of DWORD count, then count times a DWORD key and a record reference. The key is taken
// from the stream as it stands; a later entry of the same key wins. pClass: as in ReadHeldRecord.
template <class Map>
void LoadDwordKeyedEntries(CArchive& ar, Map& map, CRuntimeClass* pClass) {
    using Entry = std::remove_pointer_t<typename Map::mapped_type>;
    DWORD dwCount = 0;
    ar >> dwCount;
    for (DWORD i = 0; i < dwCount; ++i) {
        DWORD dwKey = 0;
        ar >> dwKey;
        Entry* pEntry = ReadHeldRecord<Entry>(ar, pClass);
        Entry*& pHeld = map[(typename Map::key_type)dwKey];
        ReplaceHeld(pHeld, pEntry);
    }
}
