// CGuidNamedNamedList: name-keyed named properties, their flat walk and their record.
#include "model/GuidNamedNamedList.h"

#include <cstdlib>
#include <cstring>

#include "model/NamedPropertyID.h"
#include "platform/afx/CArchive.h"
#include "platform/afx/CException.h"
#include "platform/win32/CodePage.h"
#include "trace/Trace.h"

IMPLEMENT_SERIAL(CGuidNamedNamedList, CPropertyList, 1)

CGuidNamedNamedList::CGuidNamedNamedList() : m_cursor(m_map.end()) {
    TRACE_CTOR("CGuidNamedNamedList");
}

CGuidNamedNamedList::~CGuidNamedNamedList() {
    TRACE_DTOR("CGuidNamedNamedList");
    ClearList();
}

void CGuidNamedNamedList::ClearList() {
    CNameMap map;
    map.swap(m_map);
    m_cursor = m_map.end();
    for (auto& entry : map) {
        entry.second->Release();
        free(entry.first);
    }
}

ULONG CGuidNamedNamedList::GetMapCount() {
    return (ULONG)m_map.size();
}

HRESULT CGuidNamedNamedList::GetFirstProperty(CPropertyID** ppProp) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CGuidNamedNamedList::GetFirstProperty", hr);
    m_cursor = m_map.begin();
    return hr = GetNextProperty(ppProp);
}

HRESULT CGuidNamedNamedList::GetNextProperty(CPropertyID** ppProp) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CGuidNamedNamedList::GetNextProperty", hr);
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

HRESULT CGuidNamedNamedList::CheckProperty(CPropertyID* pProp, LPCWSTR* ppwszName) {
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
    if (id.ulKind != MNID_STRING) {
        QTRACE(TRACE_ERROR, "Unexpected type %d of named property (%d = MNID_STRING expected)!\n",
               (int)id.ulKind, MNID_STRING);
        return E_INVALIDARG;
    }
    // An empty name is saved as no name at all, which could not be loaded again: refuse both.
    if (id.Kind.lpwstrName == nullptr || id.Kind.lpwstrName[0] == 0) {
        QTRACE(TRACE_ERROR, "No property name specified!\n");
        return E_INVALIDARG;
    }
    *ppwszName = id.Kind.lpwstrName;
    return S_OK;
}

HRESULT CGuidNamedNamedList::Lookup(CPropertyID* pProp, BOOL* pbFound) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CGuidNamedNamedList::Lookup", hr);
    if (pbFound == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid return buffer specified!\n");
        return hr = E_INVALIDARG;
    }
    *pbFound = FALSE;
    LPCWSTR pwszName = nullptr;
    hr = CheckProperty(pProp, &pwszName);
    if (SUCCEEDED(hr) && m_map.find(const_cast<WCHAR*>(pwszName)) != m_map.end()) {
        *pbFound = TRUE;
    }
    return hr;
}

HRESULT CGuidNamedNamedList::Store(CPropertyID* pProp, LPCWSTR pwszName) {
    auto it = m_map.find(const_cast<WCHAR*>(pwszName));
    if (it != m_map.end()) {
        // The held key already spells this name: only the property changes.
        ReplaceHeld(it->second, pProp);
        return S_OK;
    }
    const size_t cch = WideLength(pwszName);
    WCHAR* pwszKey = static_cast<WCHAR*>(calloc(cch + 1, sizeof(WCHAR)));
    if (pwszKey == nullptr) {
        QTRACE(TRACE_ERROR, "malloc() failed: Unable to allocate memory for key!\n");
        return E_OUTOFMEMORY;
    }
    std::memcpy(pwszKey, pwszName, cch * sizeof(WCHAR));
    pProp->AddRef();
    m_map.emplace(pwszKey, pProp);
    return S_OK;
}

HRESULT CGuidNamedNamedList::InsertProperty(CPropertyID* pProp) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CGuidNamedNamedList::InsertProperty", hr);
    LPCWSTR pwszName = nullptr;
    hr = CheckProperty(pProp, &pwszName);
    if (FAILED(hr)) {
        return hr;
    }
    return hr = Store(pProp, pwszName);
}

void CGuidNamedNamedList::Serialize(CArchive& ar) {
    TRACE_FUNC_VOID("CGuidNamedNamedList::Serialize");
    SerializeDerived(ar);
}

void CGuidNamedNamedList::SaveVersion1(CArchive& ar) {
    for (auto& entry : m_map) {
        if (entry.first == nullptr || entry.second == nullptr) {
            AfxThrowResourceException();
        }
    }
    ar << (DWORD)m_map.size();
    for (auto& entry : m_map) {
        ar.WriteObject(entry.second);
    }
}

void CGuidNamedNamedList::LoadVersion1(CArchive& ar) {
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
        if (id.ulKind != MNID_STRING) {
            QTRACE(TRACE_ERROR, "Unexpected type %d of named property (%d = MNID_STRING expected)!\n",
                   (int)id.ulKind, MNID_STRING);
            pProp->Release();
            AfxThrowNotSupportedException();
        }
        // A property without a name could never be inserted; loading refuses it the same way.
        if (id.Kind.lpwstrName == nullptr || id.Kind.lpwstrName[0] == 0) {
            QTRACE(TRACE_ERROR, "No property name specified!\n");
            pProp->Release();
            AfxThrowNotSupportedException();
        }
        HRESULT hr = Store(pProp, id.Kind.lpwstrName);
        pProp->Release();
        if (FAILED(hr)) {
            AfxThrowMemoryException();
        }
    }
    m_cursor = m_map.end();
}
