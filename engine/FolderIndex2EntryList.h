// The marked entries of one store, by folder index.
#pragma once

#include <map>

#include "platform/win32/WinTypes.h"

class CEntryList;
class CEntryReference;

class CFolderIndex2EntryList {
public:
    CFolderIndex2EntryList();
    virtual ~CFolderIndex2EntryList();
    // Releases every entry list.
    virtual void EmptyMap();

    HRESULT Insert(CEntryReference* pEntry);
    // The entry lists in ascending folder index, each with a reference for the caller; NULL at the end.
    HRESULT GetFirstEntryList(CEntryList** ppList);
    HRESULT GetNextEntryList(CEntryList** ppList);
    ULONG AddRef();
    ULONG Release();

private:
    using Map = std::map<LONG, CEntryList*>;
    Map m_map;
    Map::iterator m_cursor;
    ULONG m_cRef;
};
