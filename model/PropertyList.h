// CPropertyList: the common interface of the property lists, and its record frame.
#pragma once

#include "platform/afx/CObject.h"
#include "platform/win32/WinTypes.h"

class CConfigInfo;
class CPropertyID;

// A list of compared properties. The base holds nothing and answers E_NOTIMPL where a derived
// list must act. Walks: GetFirstProperty, then GetNextProperty until success with null; every
// property handed out carries a reference for the caller. One walk at a time per list.
class CPropertyList : public CObject {
    DECLARE_SERIAL(CPropertyList)

public:
    CPropertyList();

    // ---- virtual slots, in their order (after GetRuntimeClass) ----
    ~CPropertyList() override;
    void Serialize(CArchive& ar) override;
    // Lowers the count (unless already 0) and deletes the list when it is 0; returns the count.
    virtual ULONG Release();
    virtual ULONG AddRef();
    virtual HRESULT GetNextProperty(CPropertyID** ppProp);
    virtual HRESULT GetFirstProperty(CPropertyID** ppProp);
    // *pbFound: the list holds an entry under the property's key.
    virtual HRESULT Lookup(CPropertyID* pProp, BOOL* pbFound);
    // Stores the property under its key (replacing an entry of the same key), adding a reference.
    virtual HRESULT InsertProperty(CPropertyID* pProp);
    // Sets every property's selected flag from Defaults.ini (the type list only).
    virtual HRESULT SelectDefaultProperties(CConfigInfo* pConfig);
    // Entries of this list's own map (sub-lists for the two-level lists, empty ones included).
    virtual ULONG GetMapCount();
    virtual void ClearList();
    // A new empty sub-list for the property, with one reference for the caller.
    virtual HRESULT CreateNewPropertyList(CPropertyID* pProp, CPropertyList** ppList);

protected:
    // The record frame of the derived lists: the base part, their version 1, then their body.
    void SerializeDerived(CArchive& ar);
    virtual void SaveVersion1(CArchive& ar);
    virtual void LoadVersion1(CArchive& ar);

private:
    ULONG m_ulRefCount;
};
