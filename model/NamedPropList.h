// CNamedPropList: the named properties of a configuration, one sub-list per property set.
#pragma once

#include <map>

#include "model/KeyOrders.h"
#include "model/PropertyList.h"

// Each property set (GUID) holds one sub-list: number-keyed (CGuidNamedIDList) or name-keyed
// (CGuidNamedNamedList), as decided by the first property inserted under it.
class CNamedPropList : public CPropertyList {
    DECLARE_SERIAL(CNamedPropList)

public:
    CNamedPropList();

    ~CNamedPropList() override;
    void Serialize(CArchive& ar) override;
    HRESULT GetNextProperty(CPropertyID** ppProp) override;
    HRESULT GetFirstProperty(CPropertyID** ppProp) override;
    HRESULT Lookup(CPropertyID* pProp, BOOL* pbFound) override;
    HRESULT InsertProperty(CPropertyID* pProp) override;
    ULONG GetMapCount() override;
    void ClearList() override;
    HRESULT CreateNewPropertyList(CPropertyID* pProp, CPropertyList** ppList) override;

protected:
    void SaveVersion1(CArchive& ar) override;
    void LoadVersion1(CArchive& ar) override;

private:
    typedef std::map<GUID*, CPropertyList*, CClsidLess> CGuidMap;

    // The property set of a named property, or the refusal of the property.
    HRESULT CheckProperty(CPropertyID* pProp, const GUID** ppGuid);

    CGuidMap::iterator m_cursor;  // the sub-list being walked, or end
    CGuidMap m_map;               // GUIDs by their bytes; owns its key copies and one reference each
};
