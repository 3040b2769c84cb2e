// CPropTypeList: sub-lists by property kind, the two-level walk and the default selection.
#include "model/PropTypeList.h"

#include <cstdlib>

#include "model/ConfigInfo.h"
#include "model/NamedPropList.h"
#include "model/PropListMaps.h"
#include "model/PropertyID.h"
#include "model/StdPropList.h"
#include "platform/afx/CArchive.h"
#include "trace/Trace.h"

IMPLEMENT_SERIAL(CPropTypeList, CPropertyList, 1)

CPropTypeList::CPropTypeList() : m_cursor(m_map.end()) {
    TRACE_CTOR("CPropTypeList");
}

CPropTypeList::~CPropTypeList() {
    TRACE_DTOR("CPropTypeList");
    ClearList();
}

void CPropTypeList::ClearList() {
    ReleaseHeldEntries(m_map, m_cursor);
}

ULONG CPropTypeList::GetMapCount() {
    return (ULONG)m_map.size();
}

HRESULT CPropTypeList::GetFirstProperty(CPropertyID** ppProp) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CPropTypeList::GetFirstProperty", hr);
    return hr = FirstOfSubLists(m_map, m_cursor, ppProp);
}

HRESULT CPropTypeList::GetNextProperty(CPropertyID** ppProp) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CPropTypeList::GetNextProperty", hr);
    return hr = NextOfSubLists(m_map, m_cursor, ppProp);
}

HRESULT CPropTypeList::Lookup(CPropertyID* pProp, BOOL* pbFound) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CPropTypeList::Lookup", hr);
    if (pbFound == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid return buffer specified!\n");
        return hr = E_INVALIDARG;
    }
    *pbFound = FALSE;
    if (pProp == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid property specified!\n");
        return hr = E_INVALIDARG;
    }
    return hr = LookupInSubList(m_map, (LONG)pProp->GetType(), pProp, pbFound);
}

HRESULT CPropTypeList::InsertProperty(CPropertyID* pProp) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CPropTypeList::InsertProperty", hr);
    if (pProp == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid property specified!\n");
        return hr = E_INVALIDARG;
    }
    const LONG lKind = (LONG)pProp->GetType();
    auto it = m_map.find(lKind);
    if (it == m_map.end()) {
        CPropertyList* pList = nullptr;
        hr = MakeSubList(this, pProp, &pList);
        if (FAILED(hr)) {
            return hr;
        }
        it = m_map.emplace(lKind, pList).first;
    }
    return hr = InsertIntoSubList(it->second, pProp);
}

HRESULT CPropTypeList::CreateNewPropertyList(CPropertyID* pProp, CPropertyList** ppList) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CPropTypeList::CreateNewPropertyList", hr);
    if (ppList == nullptr || pProp == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid property specified!\n");
        return hr = E_INVALIDARG;
    }
    *ppList = nullptr;
    CPropertyList* pList = nullptr;
    const int nKind = pProp->GetType();
    if (nKind == PT_STD_TYPE) {
        pList = new (std::nothrow) CStdPropList;
    } else if (nKind == PT_NAMED_TYPE) {
        pList = new (std::nothrow) CNamedPropList;
    } else {
        QTRACE(TRACE_ERROR, "Unknown property type %d!\n", nKind);
        return hr = E_UNEXPECTED;
    }
    return hr = HandOverNewList(pList, ppList);
}

HRESULT CPropTypeList::SelectDefaultProperties(CConfigInfo* pConfig) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CPropTypeList::SelectDefaultProperties", hr);
    if (pConfig == nullptr) {
        QTRACE(TRACE_ERROR, "No configuration object present!\n");
        return hr = E_UNEXPECTED;
    }
    LPSTR pszSection = nullptr;
    hr = pConfig->GetShortNameConfigSectionName(&pszSection);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "GetShortNameConfigSectionName() failed: hr = 0x%08lx\n", hr);
        return hr;
    }
    CPropertyID* pProp = nullptr;
    hr = GetFirstProperty(&pProp);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "GetFirstProperty() failed: hr = 0x%08lx\n", hr);
    }
    while (SUCCEEDED(hr) && pProp != nullptr) {
        BOOL bSelected = FALSE;
        HRESULT hrSel = pProp->IsDefSelectedProperty(&bSelected, pszSection);
        if (FAILED(hrSel)) {
            QTRACE(TRACE_WARNING, "IsDefSelectedProperty() failed: hr = 0x%08lx\n", hrSel);
            bSelected = FALSE;
        }
        pProp->SetSelected(bSelected);
        pProp->Release();
        pProp = nullptr;
        hr = GetNextProperty(&pProp);
        if (FAILED(hr)) {
            QTRACE(TRACE_ERROR, "GetNextProperty() failed: hr = 0x%08lx\n", hr);
        }
    }
    if (pProp != nullptr) {
        pProp->Release();
    }
    free(pszSection);
    return hr;
}

void CPropTypeList::Serialize(CArchive& ar) {
    TRACE_FUNC_VOID("CPropTypeList::Serialize");
    SerializeDerived(ar);
}

void CPropTypeList::SaveVersion1(CArchive& ar) {
    SaveHeldEntries(ar, m_map, [](CArchive& out, LONG lKind) { out << (DWORD)lKind; });
}

void CPropTypeList::LoadVersion1(CArchive& ar) {
    ClearList();
    LoadDwordKeyedEntries(ar, m_map, RUNTIME_CLASS(CPropertyList));
    m_cursor = m_map.end();
}
