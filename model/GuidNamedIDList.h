// CGuidNamedIDList: the named properties of one property set that are named by number.
#pragma once

#include <map>

#include "model/PropertyList.h"

class CGuidNamedIDList : public CPropertyList {
    DECLARE_SERIAL(CGuidNamedIDList)

public:
    CGuidNamedIDList();

    ~CGuidNamedIDList() override;
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
    typedef std::map<ULONG, CPropertyID*> CNumberMap;

    // The number of a named property of kind MNID_ID, or the refusal of the property.
    HRESULT CheckProperty(CPropertyID* pProp, ULONG* pulNumber);

    CNumberMap m_map;               // ascending unsigned numbers; one reference on each property
    CNumberMap::iterator m_cursor;  // the next entry of the walk, or end
};
