// The marked entries of one folder of one store, and the entry-id array that deletes them at once.
#pragma once

#include "platform/mapi/MAPIDefs.h"
#include "platform/win32/WinTypes.h"

class CEntryReference;

class CEntryList {
public:
    CEntryList();
    virtual ~CEntryList();

    // Holds one reference of the entry; every entry must be of the list's store and folder.
    virtual HRESULT AddEntry(CEntryReference* pEntry);
    // Heap copies of the entry ids in the order they were added; free with FreeBinArray.
    virtual HRESULT BuildBinArray(SBinaryArray* lpArray);
    static HRESULT FreeBinArray(SBinaryArray* lpArray);

    ULONG AddRef();
    ULONG Release();
    LONG GetStoreIndex() const { return m_lStoreIndex; }
    LONG GetFolderIndex() const { return m_lFolderIndex; }
    ULONG GetCount() const { return m_ulCount; }
    ULONG GetCapacity() const { return m_ulCapacity; }

private:
    static constexpr ULONG kGrowStep = 50;

    ULONG m_ulCount;
    ULONG m_ulCapacity;
    CEntryReference** m_ppEntries;
    LONG m_lStoreIndex;
    LONG m_lFolderIndex;
    ULONG m_cRef;
};
