// CStdPropList: the standard properties of a configuration, by property tag.
#pragma once

#include <map>

#include "model/PropertyList.h"

class CStdPropList : public CPropertyList {
    DECLARE_SERIAL(CStdPropList)

public:
    CStdPropList();

    ~CStdPropList() override;
    void Serialize(CArchive& ar) override;
    HRESULT GetNextProperty(CPropertyID** ppProp) override;
    HRESULT GetFirstProperty(CPropertyID** ppProp) override;
    HRESULT Lookup(CPropertyID* pProp, BOOL* pbFound) override;
    HRESULT InsertProperty(CPropertyID* pProp) override;
    ULONG GetMapCount() override;
    void ClearList() override;
    // Refuses: this list holds properties, not lists.
    HRESULT CreateNewPropertyList(CPropertyID* pProp, CPropertyList** ppList) override;

protected:
    void SaveVersion1(CArchive& ar) override;
    void LoadVersion1(CArchive& ar) override;

private:
    typedef std::map<ULONG, CPropertyID*> CTagMap;

    // Checks the argument and kind of a property given to Lookup or InsertProperty.
    HRESULT CheckProperty(CPropertyID* pProp);

    CTagMap m_map;               // ascending unsigned tags; one reference on each property
    CTagMap::iterator m_cursor;  // the next entry of the walk, or end
};
