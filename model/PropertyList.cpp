// CPropertyList: reference count, base answers and the record frame shared by every list.
#include "model/PropertyList.h"

#include "model/GuidNamedIDList.h"
#include "model/GuidNamedNamedList.h"
#include "model/NamedPropList.h"
#include "model/NamedPropertyID.h"
#include "model/PropTypeList.h"
#include "model/PropertyID.h"
#include "model/RecordFrames.h"
#include "model/RefCounting.h"
#include "model/StdPropList.h"
#include "model/StdPropertyID.h"
#include "platform/afx/CArchive.h"
#include "platform/afx/CException.h"
#include "trace/Trace.h"

IMPLEMENT_SERIAL(CPropertyList, CObject, 1)

// Every record class of a property-list graph. A program that reads lists always has this file
// (CPropertyList is the class every list slot requires), and this reference keeps each class and
// its registration with the archive in it: a static library drops object files that nothing
// names, and the reader would then refuse their records as unknown classes.
extern const CRuntimeClass* const g_aPropertyRecordClasses[];
const CRuntimeClass* const g_aPropertyRecordClasses[] = {
    RUNTIME_CLASS(CPropTypeList),    RUNTIME_CLASS(CStdPropList),        RUNTIME_CLASS(CNamedPropList),
    RUNTIME_CLASS(CGuidNamedIDList), RUNTIME_CLASS(CGuidNamedNamedList), RUNTIME_CLASS(CPropertyID),
    RUNTIME_CLASS(CStdPropertyID),   RUNTIME_CLASS(CNamedPropertyID),
};

CPropertyList::CPropertyList() : m_ulRefCount(0) {
    TRACE_CTOR("CPropertyList");
}

CPropertyList::~CPropertyList() {
    TRACE_DTOR("CPropertyList");
}

ULONG CPropertyList::AddRef() {
    return ++m_ulRefCount;
}

ULONG CPropertyList::Release() {
    return ReleaseCounted(this, &m_ulRefCount);
}

// The base holds no properties: it answers as an empty list that can store nothing. Each answer
// traces its entry and exit like every other list operation.

HRESULT CPropertyList::GetNextProperty(CPropertyID** ppProp) {
    HRESULT hr = E_NOTIMPL;
    TRACE_FUNC_RESULT("CPropertyList::GetNextProperty", hr);
    if (ppProp != nullptr) {
        *ppProp = nullptr;
    }
    return hr;
}

HRESULT CPropertyList::GetFirstProperty(CPropertyID** ppProp) {
    HRESULT hr = E_NOTIMPL;
    TRACE_FUNC_RESULT("CPropertyList::GetFirstProperty", hr);
    if (ppProp != nullptr) {
        *ppProp = nullptr;
    }
    return hr;
}

HRESULT CPropertyList::Lookup(CPropertyID* pProp, BOOL* pbFound) {
    HRESULT hr = E_NOTIMPL;
    TRACE_FUNC_RESULT("CPropertyList::Lookup", hr);
    if (pbFound != nullptr) {
        *pbFound = FALSE;
    }
    if (pProp == nullptr) {
        QTRACE(TRACE_ERROR, "Invalid property object specified!\n");
        return hr = E_INVALIDARG;
    }
    return hr;
}

HRESULT CPropertyList::InsertProperty(CPropertyID* pProp) {
    HRESULT hr = E_NOTIMPL;
    TRACE_FUNC_RESULT("CPropertyList::InsertProperty", hr);
    if (pProp == nullptr) {
        QTRACE(TRACE_ERROR, "Invalid property object specified!\n");
        return hr = E_INVALIDARG;
    }
    return hr;
}

HRESULT CPropertyList::SelectDefaultProperties(CConfigInfo* /*pConfig*/) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CPropertyList::SelectDefaultProperties", hr);
    return hr;
}

ULONG CPropertyList::GetMapCount() {
    return 0;
}

void CPropertyList::ClearList() {}

HRESULT CPropertyList::CreateNewPropertyList(CPropertyID* /*pProp*/, CPropertyList** ppList) {
    HRESULT hr = E_NOTIMPL;
    TRACE_FUNC_RESULT("CPropertyList::CreateNewPropertyList", hr);
    if (ppList != nullptr) {
        *ppList = nullptr;
    }
    return hr;
}

void CPropertyList::Serialize(CArchive& ar) {
    TRACE_FUNC_VOID("CPropertyList::Serialize");
    QTRACE(TRACE_CALL, "Serializing specific content.\n");
    // The base part holds no data of its own: only its version.
    SerializeContentsVersion1(
        ar, [] {}, [] {});
}

void CPropertyList::SerializeDerived(CArchive& ar) {
    CPropertyList::Serialize(ar);
    if (ar.IsStoring()) {
        ar << (DWORD)1;
        try {
            SaveVersion1(ar);
        } catch (CException*) {
            QTRACE(TRACE_ERROR, "Failed to store property list!\n");
            throw;
        }
        return;
    }
    DWORD dwVersion = 0;
    ar >> dwVersion;
    if (dwVersion != 1) {
        AfxThrowNotSupportedException();
    }
    try {
        LoadVersion1(ar);
    } catch (CException*) {
        QTRACE(TRACE_ERROR, "Failed to load property list!\n");
        throw;
    }
}

void CPropertyList::SaveVersion1(CArchive& /*ar*/) {}

void CPropertyList::LoadVersion1(CArchive& /*ar*/) {}
