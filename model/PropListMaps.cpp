// The non-template helpers of the keyed property lists: sub-list routing and named-key checks.
#include "model/PropListMaps.h"

#include "model/NamedPropertyID.h"

HRESULT MakeSubList(CPropertyList* pOwner, CPropertyID* pProp, CPropertyList** ppList) {
    HRESULT hr = pOwner->CreateNewPropertyList(pProp, ppList);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "CreateNewPropertyList() failed: hr = 0x%08lx\n", hr);
    }
    return hr;
}

HRESULT InsertIntoSubList(CPropertyList* pList, CPropertyID* pProp) {
    HRESULT hr = pList->InsertProperty(pProp);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "pList->InsertProperty() failed: hr = 0x%08lx\n", hr);
    }
    return hr;
}

HRESULT HandOverNewList(CPropertyList* pList, CPropertyList** ppList) {
    if (pList == nullptr) {
        QTRACE(TRACE_ERROR, "new() failed: Unable to create new list object!\n");
        return E_OUTOFMEMORY;
    }
    pList->AddRef();
    *ppList = pList;
    return S_OK;
}

HRESULT GetNameIDOfKind(CPropertyID* pProp, ULONG ulKind, const char* pszKindRefusal, MAPINAMEID* pId) {
    if (pProp == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid property specified!\n");
        return E_INVALIDARG;
    }
    CNamedPropertyID* pNamed = dynamic_cast<CNamedPropertyID*>(pProp);
    if (pProp->GetType() != PT_NAMED_TYPE || pNamed == nullptr) {
        QTRACE(TRACE_ERROR, "Unexpected property type %d instead PT_NAMED_TYPE (=%d)!\n", pProp->GetType(),
               PT_NAMED_TYPE);
        return E_INVALIDARG;
    }
    MAPINAMEID id = pNamed->GetNameID();
    if (id.ulKind != ulKind) {
        QTRACE(TRACE_ERROR, pszKindRefusal, (int)id.ulKind, (int)ulKind);
        return E_INVALIDARG;
    }
    *pId = id;
    return S_OK;
}
