// The deletion list of one cleanup: the marked entries by store index, then folder index.
#pragma once

#include <map>

#include "platform/win32/WinTypes.h"

class CEntryList;
class CEntryReference;
class CFolderIndex2EntryList;

class CStoreIndex2FolderList {
public:
    CStoreIndex2FolderList();
    virtual ~CStoreIndex2FolderList();
    // Files the entry (one reference held) under its store and folder, making their lists on demand.
    virtual HRESULT Insert(CEntryReference* pEntry);

    // Releases every folder list.
    void EmptyMap();
    // Every entry list of every store, stores and folders in ascending index, each with a reference
    // for the caller; NULL with S_OK at the end.
    HRESULT GetFirstEntryList(CEntryList** ppList);
    HRESULT GetNextEntryList(CEntryList** ppList);
    // The first (fFirst) or next entry list of the store at the store cursor.
    HRESULT GetEntryList(CEntryList** ppList, BOOL fFirst);
    ULONG AddRef();
    ULONG Release();

private:
    using Map = std::map<LONG, CFolderIndex2EntryList*>;
    Map m_map;
    Map::iterator m_cursor;
    ULONG m_cRef;
};
