// CNamedPropList: sub-lists by property set, the two-level walk and the record.
#include "model/NamedPropList.h"

#include <cstdlib>
#include <cstring>

#include "model/GuidNamedIDList.h"
#include "model/GuidNamedNamedList.h"
#include "model/NamedPropertyID.h"
#include "model/PropListMaps.h"
#include "platform/afx/CArchive.h"
#include "platform/afx/CException.h"
#include "trace/Trace.h"

IMPLEMENT_SERIAL(CNamedPropList, CPropertyList, 1)

CNamedPropList::CNamedPropList() : m_cursor(), m_map() {
    TRACE_CTOR("CNamedPropList");
    m_cursor = m_map.end();
}

CNamedPropList::~CNamedPropList() {
    TRACE_DTOR("CNamedPropList");
    ClearList();
}

void CNamedPropList::ClearList() {
    ReleaseHeldEntries(m_map, m_cursor);
}

ULONG CNamedPropList::GetMapCount() {
    return (ULONG)m_map.size();
}

HRESULT CNamedPropList::GetFirstProperty(CPropertyID** ppProp) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CNamedPropList::GetFirstProperty", hr);
    return hr = FirstOfSubLists(m_map, m_cursor, ppProp);
}

HRESULT CNamedPropList::GetNextProperty(CPropertyID** ppProp) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CNamedPropList::GetNextProperty", hr);
    return hr = NextOfSubLists(m_map, m_cursor, ppProp);
}

HRESULT CNamedPropList::CheckProperty(CPropertyID* pProp, const GUID** ppGuid) {
    if (pProp == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid property specified!\n");
        return E_INVALIDARG;
    }
    CNamedPropertyID* pNamed = dynamic_cast<CNamedPropertyID*>(pProp);
    if (pProp->GetType() != PT_NAMED_TYPE || pNamed == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid type %d instead of typüe %d (=PT_NAMED_TYPE)\n",
               pProp->GetType(), PT_NAMED_TYPE);
        return E_INVALIDARG;
    }
    MAPINAMEID id = pNamed->GetNameID();
    if (id.lpguid == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: No GUID defined!\n");
        return E_INVALIDARG;
    }
    *ppGuid = id.lpguid;
    return S_OK;
}

HRESULT CNamedPropList::Lookup(CPropertyID* pProp, BOOL* pbFound) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CNamedPropList::Lookup", hr);
    if (pbFound == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid return buffer specified!\n");
        return hr = E_INVALIDARG;
    }
    *pbFound = FALSE;
    const GUID* pGuid = nullptr;
    hr = CheckProperty(pProp, &pGuid);
    if (FAILED(hr)) {
        return hr;
    }
    return hr = LookupInSubList(m_map, const_cast<GUID*>(pGuid), pProp, pbFound);
}

HRESULT CNamedPropList::InsertProperty(CPropertyID* pProp) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CNamedPropList::InsertProperty", hr);
    const GUID* pGuid = nullptr;
    hr = CheckProperty(pProp, &pGuid);
    if (FAILED(hr)) {
        return hr;
    }
    auto it = m_map.find(const_cast<GUID*>(pGuid));
    if (it == m_map.end()) {
        GUID* pKey = static_cast<GUID*>(malloc(sizeof(GUID)));
        if (pKey == nullptr) {
            QTRACE(TRACE_ERROR, "malloc() failed: Unable to allocate Guid key!\n");
            return hr = E_OUTOFMEMORY;
        }
        std::memcpy(pKey, pGuid, sizeof(GUID));
        CPropertyList* pList = nullptr;
        hr = MakeSubList(this, pProp, &pList);
        if (FAILED(hr)) {
            free(pKey);
            return hr;
        }
        it = m_map.emplace(pKey, pList).first;
    }
    return hr = InsertIntoSubList(it->second, pProp);
}

HRESULT CNamedPropList::CreateNewPropertyList(CPropertyID* pProp, CPropertyList** ppList) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CNamedPropList::CreateNewPropertyList", hr);
    if (ppList == nullptr || pProp == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid property specified!\n");
        return hr = E_INVALIDARG;
    }
    *ppList = nullptr;
    CNamedPropertyID* pNamed = dynamic_cast<CNamedPropertyID*>(pProp);
    if (pProp->GetType() != PT_NAMED_TYPE || pNamed == nullptr) {
        QTRACE(TRACE_ERROR, "Unknown property type %d!\n", pProp->GetType());
        return hr = E_UNEXPECTED;
    }
    const ULONG ulKind = pNamed->GetNameID().ulKind;
    CPropertyList* pList = nullptr;
    if (ulKind == MNID_ID) {
        pList = new (std::nothrow) CGuidNamedIDList;
    } else if (ulKind == MNID_STRING) {
        pList = new (std::nothrow) CGuidNamedNamedList;
    } else {
        QTRACE(TRACE_ERROR, "Unknown MAPINAMEID type %ld!\n", ulKind);
        return hr = E_UNEXPECTED;
    }
    return hr = HandOverNewList(pList, ppList);
}

void CNamedPropList::Serialize(CArchive& ar) {
    TRACE_FUNC_VOID("CNamedPropList::Serialize");
    SerializeDerived(ar);
}

void CNamedPropList::SaveVersion1(CArchive& ar) {
    SaveHeldEntries(ar, m_map, [](CArchive& out, const GUID* pGuid) {
        out << (DWORD)sizeof(GUID);
        out.Write(pGuid, sizeof(GUID));
    });
}

void CNamedPropList::LoadVersion1(CArchive& ar) {
    ClearList();
    DWORD dwCount = 0;
    ar >> dwCount;
    for (DWORD i = 0; i < dwCount; ++i) {
        DWORD cbGuid = 0;
        ar >> cbGuid;
        // Keys are compared over 16 bytes: any other length is a damaged record.
        if (cbGuid != sizeof(GUID)) {
            QTRACE(TRACE_ERROR, "Invalid GUID length %ld!\n", cbGuid);
            AfxThrowArchiveException(CArchiveException::genericException);
        }
        ar.EnsureReadable(cbGuid);
        GUID* pKey = static_cast<GUID*>(malloc(sizeof(GUID)));
        if (pKey == nullptr) {
            QTRACE(TRACE_ERROR, "malloc() failed: Unable to allocate GUID memory!\n");
            AfxThrowMemoryException();
        }
        CPropertyList* pList = nullptr;
        try {
            if (ar.Read(pKey, sizeof(GUID)) != sizeof(GUID)) {
                AfxThrowArchiveException(CArchiveException::endOfFile);
            }
            pList = ReadHeldRecord<CPropertyList>(ar, RUNTIME_CLASS(CPropertyList));
        } catch (CException*) {
            free(pKey);
            throw;
        }
        auto it = m_map.find(pKey);
        if (it != m_map.end()) {
            // A later sub-list of the same set wins; the held key already spells the GUID.
            free(pKey);
            ReplaceHeld(it->second, pList);
        } else {
            pList->AddRef();
            m_map.emplace(pKey, pList);
        }
    }
    m_cursor = m_map.end();
}
