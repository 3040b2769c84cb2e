// CGuidNamedIDList: number-keyed named properties, their flat walk and their record.
#include "model/GuidNamedIDList.h"

#include "model/NamedPropertyID.h"
#include "model/PropListMaps.h"
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
    ReleaseHeldEntries(m_map, m_cursor);
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
    return hr = HandOutNextHeld(m_map, m_cursor, ppProp);
}

HRESULT CGuidNamedIDList::CheckProperty(CPropertyID* pProp, ULONG* pulNumber) {
    MAPINAMEID id = {};
    HRESULT hr = GetNameIDOfKind(pProp, MNID_ID,
                                 "Unexpected type %d of named property (%d = MNID_ID expected)!\n", &id);
    if (SUCCEEDED(hr)) {
        *pulNumber = (ULONG)id.Kind.lID;
    }
    return hr;
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
    ReplaceHeld(m_map[ulNumber], pProp);
    return hr;
}

void CGuidNamedIDList::Serialize(CArchive& ar) {
    TRACE_FUNC_VOID("CGuidNamedIDList::Serialize");
    SerializeDerived(ar);
}

void CGuidNamedIDList::SaveVersion1(CArchive& ar) {
    // No key is written: the reader takes each number from its property.
    SaveHeldEntries(ar, m_map, [](CArchive&, ULONG) {});
}

void CGuidNamedIDList::LoadVersion1(CArchive& ar) {
    ClearList();
    DWORD dwCount = 0;
    ar >> dwCount;
    for (DWORD i = 0; i < dwCount; ++i) {
        CPropertyID* pProp = ReadHeldRecord<CPropertyID>(ar, RUNTIME_CLASS(CPropertyID));
        pProp->AddRef();
        // A property that could not be inserted is a damaged or foreign record.
        ULONG ulNumber = 0;
        if (FAILED(CheckProperty(pProp, &ulNumber))) {
            pProp->Release();
            AfxThrowNotSupportedException();
        }
        ReplaceHeld(m_map[ulNumber], pProp);
        pProp->Release();
    }
    m_cursor = m_map.end();
}
