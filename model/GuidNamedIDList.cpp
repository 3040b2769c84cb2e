// CGuidNamedIDList: number-keyed named properties, their flat walk and their record.
#include "model/GuidNamedIDList.h"

#include "model/NamedPropertyID.h"
#include "platform/afx/CArchive.h"
#include "platform/afx/CException.h"
#include "trace/Trace.h"

IMPLEMENT_SERIAL(CGuidNamedIDList, CPropertyList, 1)

CGuidNamedIDList::CGuidNamedIDList() : m_cursor(m_map.end()) {
    TRACE_CTOR("CGuidNamedIDList");
}

CGuidNamedIDList::~CGuidNamedIDList() {
    TRACE_DTOR("CGuidNamedIDList");
    ClearList();
}

void CGuidNamedIDList::ClearList() {
    CNumberMap map;
    map.swap(m_map);
    m_cursor = m_map.end();
    for (auto& entry : map) {
        entry.second->Release();
    }
}

ULONG CGuidNamedIDList::GetMapCount() {
    return (ULONG)m_map.size();
}

HRESULT CGuidNamedIDList::GetFirstProperty(CPropertyID** ppProp) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CGuidNamedIDList::GetFirstProperty", hr);
    m_cursor = m_map.begin();
    return hr = GetNextProperty(ppProp);
}

HRESULT CGuidNamedIDList::GetNextProperty(CPropertyID** ppProp) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CGuidNamedIDList::GetNextProperty", hr);
    if (ppProp == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid property specified!\n");
        return hr = E_INVALIDARG;
    }
    *ppProp = nullptr;
    if (m_cursor == m_map.end()) {
        return hr;
    }
    *ppProp = m_cursor->second;
    (*ppProp)->AddRef();
    ++m_cursor;
    return hr;
}

HRESULT CGuidNamedIDList::CheckProperty(CPropertyID* pProp, ULONG* pulNumber) {
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
    if (id.ulKind != MNID_ID) {
        QTRACE(TRACE_ERROR, "Unexpected type %d of named property (%d = MNID_ID expected)!\n", (int)id.ulKind,
               MNID_ID);
        return E_INVALIDARG;
    }
    *pulNumber = (ULONG)id.Kind.lID;
    return S_OK;
}

HRESULT CGuidNamedIDList::Lookup(CPropertyID* pProp, BOOL* pbFound) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CGuidNamedIDList::Lookup", hr);
    if (pbFound == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid return buffer specified!\n");
        return hr = E_INVALIDARG;
    }
    *pbFound = FALSE;
    ULONG ulNumber = 0;
    hr = CheckProperty(pProp, &ulNumber);
    if (SUCCEEDED(hr) && m_map.find(ulNumber) != m_map.end()) {
        *pbFound = TRUE;
    }
    return hr;
}

HRESULT CGuidNamedIDList::InsertProperty(CPropertyID* pProp) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CGuidNamedIDList::InsertProperty", hr);
    ULONG ulNumber = 0;
    hr = CheckProperty(pProp, &ulNumber);
    if (FAILED(hr)) {
        return hr;
    }
    CPropertyID*& pHeld = m_map[ulNumber];
    ReplaceHeld(pHeld, pProp);
    return hr;
}

void CGuidNamedIDList::Serialize(CArchive& ar) {
    TRACE_FUNC_VOID("CGuidNamedIDList::Serialize");
    SerializeDerived(ar);
}

void CGuidNamedIDList::SaveVersion1(CArchive& ar) {
    for (auto& entry : m_map) {
        if (entry.second == nullptr) {
            AfxThrowResourceException();
        }
    }
    ar << (DWORD)m_map.size();
    for (auto& entry : m_map) {
        ar.WriteObject(entry.second);
    }
}

void CGuidNamedIDList::LoadVersion1(CArchive& ar) {
    ClearList();
    DWORD dwCount = 0;
    ar >> dwCount;
    for (DWORD i = 0; i < dwCount; ++i) {
        CPropertyID* pProp = static_cast<CPropertyID*>(ar.ReadObject(RUNTIME_CLASS(CPropertyID)));
        if (pProp == nullptr) {
            AfxThrowMemoryException();
        }
        pProp->AddRef();
        CNamedPropertyID* pNamed = dynamic_cast<CNamedPropertyID*>(pProp);
        if (pProp->GetType() != PT_NAMED_TYPE || pNamed == nullptr) {
            QTRACE(TRACE_ERROR, "Unexpected property type %d instead PT_NAMED_TYPE (=%d)!\n",
                   pProp->GetType(), PT_NAMED_TYPE);
            pProp->Release();
            AfxThrowNotSupportedException();
        }
        MAPINAMEID id = pNamed->GetNameID();
        if (id.ulKind != MNID_ID) {
            QTRACE(TRACE_ERROR, "Unexpected type %d of named property (%d = MNID_ID expected)!\n",
                   (int)id.ulKind, MNID_ID);
            pProp->Release();
            AfxThrowNotSupportedException();
        }
        CPropertyID*& pHeld = m_map[(ULONG)id.Kind.lID];
        ReplaceHeld(pHeld, pProp);
        pProp->Release();
    }
    m_cursor = m_map.end();
}
