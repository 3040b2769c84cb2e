// CPropTypeList: the top of a configuration's property lists, one sub-list per property kind.
#pragma once

#include <map>

#include "model/PropertyList.h"

// Walks standard properties (kind 1) before named ones (kind 2): the column order of a search.
class CPropTypeList : public CPropertyList {
    DECLARE_SERIAL(CPropTypeList)

public:
    CPropTypeList();

    ~CPropTypeList() override;
    void Serialize(CArchive& ar) override;
    HRESULT GetNextProperty(CPropertyID** ppProp) override;
    HRESULT GetFirstProperty(CPropertyID** ppProp) override;
    HRESULT Lookup(CPropertyID* pProp, BOOL* pbFound) override;
    HRESULT InsertProperty(CPropertyID* pProp) override;
    HRESULT SelectDefaultProperties(CConfigInfo* pConfig) override;
    ULONG GetMapCount() override;
    void ClearList() override;
    HRESULT CreateNewPropertyList(CPropertyID* pProp, CPropertyList** ppList) override;

protected:
    void SaveVersion1(CArchive& ar) override;
    void LoadVersion1(CArchive& ar) override;

private:
    typedef std::map<LONG, CPropertyList*> CKindMap;

    CKindMap m_map;               // one reference on each sub-list
    CKindMap::iterator m_cursor;  // the sub-list being walked, or end
};
