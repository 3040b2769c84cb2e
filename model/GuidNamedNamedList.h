// CGuidNamedNamedList: the named properties of one property set that are named by text.
#pragma once

#include <map>

#include "model/KeyOrders.h"
#include "model/PropertyList.h"

class CGuidNamedNamedList : public CPropertyList {
    DECLARE_SERIAL(CGuidNamedNamedList)

public:
    CGuidNamedNamedList();

    ~CGuidNamedNamedList() override;
    void Serialize(CArchive& ar) override;
    HRESULT GetNextProperty(CPropertyID** ppProp) override;
    HRESULT GetFirstProperty(CPropertyID** ppProp) override;
    HRESULT Lookup(CPropertyID* pProp, BOOL* pbFound) override;
    HRESULT InsertProperty(CPropertyID* pProp) override;
    ULONG GetMapCount() override;
    void ClearList() override;

protected:
    void SaveVersion1(CArchive& ar) override;
    void LoadVersion1(CArchive& ar) override;

private:
    typedef std::map<WCHAR*, CPropertyID*, CWideStringLess> CNameMap;

    // The name of a named property of kind MNID_STRING, or the refusal of the property.
    HRESULT CheckProperty(CPropertyID* pProp, LPCWSTR* ppwszName);
    // Stores the property under its name; E_OUTOFMEMORY leaves the list unchanged.
    HRESULT Store(CPropertyID* pProp, LPCWSTR pwszName);

    CNameMap m_map;               // names by 16-bit units; owns its key copies and one reference each
    CNameMap::iterator m_cursor;  // the next entry of the walk, or end
};
