// CStdPropList: standard properties keyed by tag, their flat walk and their record.
#include "model/StdPropList.h"

#include "model/PropListMaps.h"
#include "model/PropertyID.h"
#include "platform/afx/CArchive.h"
#include "trace/Trace.h"

IMPLEMENT_SERIAL(CStdPropList, CPropertyList, 1)

CStdPropList::CStdPropList() : m_cursor(m_map.end()) {
    TRACE_CTOR("CStdPropList");
}

CStdPropList::~CStdPropList() {
    TRACE_DTOR("CStdPropList");
    ClearList();
}

void CStdPropList::ClearList() {
    ReleaseHeldEntries(m_map, m_cursor);
}

ULONG CStdPropList::GetMapCount() {
    return (ULONG)m_map.size();
}

HRESULT CStdPropList::GetFirstProperty(CPropertyID** ppProp) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CStdPropList::GetFirstProperty", hr);
    m_cursor = m_map.begin();
    return hr = GetNextProperty(ppProp);
}

HRESULT CStdPropList::GetNextProperty(CPropertyID** ppProp) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CStdPropList::GetNextProperty", hr);
    return hr = HandOutNextHeld(m_map, m_cursor, ppProp);
}

HRESULT CStdPropList::CheckProperty(CPropertyID* pProp) {
    if (pProp == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid property specified!\n");
        return E_INVALIDARG;
    }
    if (pProp->GetType() != PT_STD_TYPE) {
        QTRACE(TRACE_ERROR, "Invalid property type %d found (expected type %d)\n", pProp->GetType(),
               PT_STD_TYPE);
        return E_INVALIDARG;
    }
    return S_OK;
}

HRESULT CStdPropList::Lookup(CPropertyID* pProp, BOOL* pbFound) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CStdPropList::Lookup", hr);
    if (pbFound == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid return buffer specified!\n");
        return hr = E_INVALIDARG;
    }
    *pbFound = FALSE;
    hr = CheckProperty(pProp);
    if (FAILED(hr)) {
        return hr;
    }
    ULONG ulTag = 0;
    hr = pProp->GetPropertyID(nullptr, &ulTag);
    if (SUCCEEDED(hr) && m_map.find(ulTag) != m_map.end()) {
        *pbFound = TRUE;
    }
    return hr;
}

HRESULT CStdPropList::InsertProperty(CPropertyID* pProp) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CStdPropList::InsertProperty", hr);
    hr = CheckProperty(pProp);
    if (FAILED(hr)) {
        return hr;
    }
    ULONG ulTag = 0;
    hr = pProp->GetPropertyID(nullptr, &ulTag);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "GetPropertyID() failed: hr = 0x%08lx\n", hr);
        return hr;
    }
    ReplaceHeld(m_map[ulTag], pProp);
    return hr = S_OK;
}

HRESULT CStdPropList::CreateNewPropertyList(CPropertyID* /*pProp*/, CPropertyList** ppList) {
    HRESULT hr = E_NOTIMPL;
    TRACE_FUNC_RESULT("CStdPropList::CreateNewPropertyList", hr);
    if (ppList != nullptr) {
        *ppList = nullptr;
    }
    QTRACE(TRACE_ERROR, "This map does not store additional lists!\n");
    return hr;
}

void CStdPropList::Serialize(CArchive& ar) {
    TRACE_FUNC_VOID("CStdPropList::Serialize");
    SerializeDerived(ar);
}

void CStdPropList::SaveVersion1(CArchive& ar) {
    SaveHeldEntries(ar, m_map, [](CArchive& out, ULONG ulTag) { out << (DWORD)ulTag; });
}

void CStdPropList::LoadVersion1(CArchive& ar) {
    ClearList();
    // The key is the tag in the stream, not compared with the property's own tag.
    LoadDwordKeyedEntries(ar, m_map, RUNTIME_CLASS(CPropertyID));
    m_cursor = m_map.end();
}
