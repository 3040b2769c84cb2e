// The result of one duplicate search: one duplicate index per folder or per store.
#pragma once

#include "platform/afx/CObject.h"
#include "platform/mapi/MAPIDefs.h"
#include "platform/win32/WinTypes.h"

class CDrawerMap;

// Compare mode 0 gives every folder its own index; mode 1 files every folder of a store into the
// index of the store's first folder. Items of different stores never meet in one index.
class CDrawerMapList : public CObject {
public:
    CDrawerMapList(LONG lCompareMode, ULONG ulGrowStep);

    virtual ULONG GetCount() const;
    // The index at that position with a reference for the caller, or NULL past the end. A negative
    // signed index is past the end.
    virtual CDrawerMap* GetAt(LONG lIndex);
    virtual CDrawerMap* GetAt(ULONG ulIndex);
    // The index for the first folder of a store, and for every further folder of it.
    virtual HRESULT AddStoreMap(CDrawerMap** ppMap, LPSPropTagArray lpColumns);
    virtual HRESULT AddFolderMap(CDrawerMap** ppMap, LPSPropTagArray lpColumns);
    // Appends a new index built for the columns; it comes with a reference for the caller.
    virtual HRESULT AddEntry(CDrawerMap** ppMap, LPSPropTagArray lpColumns);

    ULONG AddRef();
    ULONG Release();

    LONG GetCompareMode() const { return m_lCompareMode; }

protected:
    ~CDrawerMapList() override;

private:
    ULONG m_cRef;
    ULONG m_ulGrowStep;
    LONG m_lCompareMode;
    CDrawerMap** m_ppMaps;
    ULONG m_ulCount;
    ULONG m_ulCapacity;
};
