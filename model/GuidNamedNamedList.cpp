// CGuidNamedNamedList: name-keyed named properties, their flat walk and their record.
#include "model/GuidNamedNamedList.h"

#include <cstdlib>
#include <cstring>

#include "model/NamedPropertyID.h"
#include "model/PropListMaps.h"
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
    ReleaseHeldEntries(m_map, m_cursor);
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
    return hr = HandOutNextHeld(m_map, m_cursor, ppProp);
}

HRESULT CGuidNamedNamedList::CheckProperty(CPropertyID* pProp, LPCWSTR* ppwszName) {
    MAPINAMEID id = {};
    HRESULT hr = GetNameIDOfKind(pProp, MNID_STRING,
                                 "Unexpected type %d of named property (%d = MNID_STRING expected)!\n", &id);
    if (FAILED(hr)) {
        return hr;
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
    // No key is written: the reader takes each name from its property.
    SaveHeldEntries(ar, m_map, [](CArchive&, const WCHAR*) {});
}

void CGuidNamedNamedList::LoadVersion1(CArchive& ar) {
    ClearList();
    DWORD dwCount = 0;
    ar >> dwCount;
    for (DWORD i = 0; i < dwCount; ++i) {
        CPropertyID* pProp = ReadHeldRecord<CPropertyID>(ar, RUNTIME_CLASS(CPropertyID));
        pProp->AddRef();
        // A property that could not be inserted (a wrong kind, no name) is refused the same way.
        LPCWSTR pwszName = nullptr;
        if (FAILED(CheckProperty(pProp, &pwszName))) {
            pProp->Release();
            AfxThrowNotSupportedException();
        }
        HRESULT hr = Store(pProp, pwszName);
        pProp->Release();
        if (FAILED(hr)) {
            AfxThrowMemoryException();
        }
    }
    m_cursor = m_map.end();
}
