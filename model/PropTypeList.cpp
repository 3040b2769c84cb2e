// CPropTypeList: sub-lists by property kind, the two-level walk and the default selection.
#include "model/PropTypeList.h"

#include <cstdlib>

#include "model/ConfigInfo.h"
#include "model/NamedPropList.h"
#include "model/PropertyID.h"
#include "model/StdPropList.h"
#include "platform/afx/CArchive.h"
#include "platform/afx/CException.h"
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
    CKindMap map;
    map.swap(m_map);
    m_cursor = m_map.end();
    for (auto& entry : map) {
        entry.second->Release();
    }
}

ULONG CPropTypeList::GetMapCount() {
    return (ULONG)m_map.size();
}

HRESULT CPropTypeList::FirstFromCursor(CPropertyID** ppProp) {
    for (; m_cursor != m_map.end(); ++m_cursor) {
        HRESULT hr = m_cursor->second->GetFirstProperty(ppProp);
        if (FAILED(hr)) {
            QTRACE(TRACE_ERROR, "pList->GetFirstProperty() failed: hr = 0x%08lx\n", hr);
            return hr;
        }
        if (*ppProp != nullptr) {
            return hr;
        }
    }
    return S_OK;
}

HRESULT CPropTypeList::GetFirstProperty(CPropertyID** ppProp) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CPropTypeList::GetFirstProperty", hr);
    if (ppProp == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid property specified!\n");
        return hr = E_INVALIDARG;
    }
    *ppProp = nullptr;
    m_cursor = m_map.begin();
    return hr = FirstFromCursor(ppProp);
}

HRESULT CPropTypeList::GetNextProperty(CPropertyID** ppProp) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CPropTypeList::GetNextProperty", hr);
    if (ppProp == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid property specified!\n");
        return hr = E_INVALIDARG;
    }
    *ppProp = nullptr;
    if (m_cursor == m_map.end()) {
        QTRACE(TRACE_ERROR, "Failure: undefined iterator - missing call to GetFirstProperty() ?\n");
        return hr = E_UNEXPECTED;
    }
    hr = m_cursor->second->GetNextProperty(ppProp);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "pList->GetNextProperty() failed: hr = 0x%08lx\n", hr);
        return hr;
    }
    if (*ppProp != nullptr) {
        return hr;
    }
    ++m_cursor;
    return hr = FirstFromCursor(ppProp);
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
    auto it = m_map.find((LONG)pProp->GetType());
    if (it == m_map.end()) {
        return hr;
    }
    hr = it->second->Lookup(pProp, pbFound);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "pList->Lookup() failed: hr = 0x%08lx\n", hr);
    }
    return hr;
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
        hr = CreateNewPropertyList(pProp, &pList);
        if (FAILED(hr)) {
            QTRACE(TRACE_ERROR, "CreateNewPropertyList() failed: hr = 0x%08lx\n", hr);
            return hr;
        }
        it = m_map.emplace(lKind, pList).first;
    }
    hr = it->second->InsertProperty(pProp);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "pList->InsertProperty() failed: hr = 0x%08lx\n", hr);
    }
    return hr;
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
    if (pList == nullptr) {
        QTRACE(TRACE_ERROR, "new() failed: Unable to create new list object!\n");
        return hr = E_OUTOFMEMORY;
    }
    pList->AddRef();
    *ppList = pList;
    return hr;
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
    DWORD dwCount = 0;
    for (auto& entry : m_map) {
        if (entry.second == nullptr) {
            AfxThrowResourceException();
        }
        if (entry.second->GetMapCount() != 0) {
            ++dwCount;
        }
    }
    ar << dwCount;
    for (auto& entry : m_map) {
        if (entry.second->GetMapCount() == 0) {
            continue;
        }
        ar << (DWORD)entry.first;
        ar.WriteObject(entry.second);
    }
}

void CPropTypeList::LoadVersion1(CArchive& ar) {
    ClearList();
    DWORD dwCount = 0;
    ar >> dwCount;
    for (DWORD i = 0; i < dwCount; ++i) {
        DWORD dwKind = 0;
        ar >> dwKind;
        CPropertyList* pList = static_cast<CPropertyList*>(ar.ReadObject(RUNTIME_CLASS(CPropertyList)));
        if (pList == nullptr) {
            AfxThrowMemoryException();
        }
        CPropertyList*& pHeld = m_map[(LONG)dwKind];
        ReplaceHeld(pHeld, pList);
    }
    m_cursor = m_map.end();
}
