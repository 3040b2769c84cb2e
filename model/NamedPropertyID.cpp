// CNamedPropertyID: name identifier, store tag, text selector and the record of a named property.
#include "model/NamedPropertyID.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "model/RecordFrames.h"
#include "platform/afx/CArchive.h"
#include "platform/afx/CException.h"
#include "platform/mapi/MAPIFunctions.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/Format.h"
#include "trace/Trace.h"

IMPLEMENT_SERIAL(CNamedPropertyID, CPropertyID, 1)

namespace {

// The type a named property has until it is told otherwise (PT_ERROR's value, as designed).
constexpr ULONG kDefaultPropType = 10;

// A malloc copy of a zero-terminated UTF-16 name, or null.
LPWSTR CopyName(LPCWSTR lpwstrName) {
    size_t cch = WideLength(lpwstrName);
    LPWSTR lpCopy = static_cast<LPWSTR>(calloc(cch + 1, sizeof(WCHAR)));
    if (lpCopy != nullptr) {
        std::memcpy(lpCopy, lpwstrName, cch * sizeof(WCHAR));
    }
    return lpCopy;
}

}  // namespace

CNamedPropertyID::CNamedPropertyID() : CPropertyID(0), m_ID{}, m_ulPropType(kDefaultPropType) {
    TRACE_CTOR("CNamedPropertyID");
}

CNamedPropertyID::CNamedPropertyID(DWORD dwContext, LPCGUID lpGuid, ULONG ulKind, LONG lID,
                                   LPCWSTR lpwstrName, ULONG ulTag)
    : CPropertyID(dwContext), m_ID{}, m_ulPropType(kDefaultPropType) {
    TRACE_CTOR("CNamedPropertyID");
    m_ulPropType = PROP_TYPE(ulTag);
    if (lpGuid == nullptr) {
        AfxThrowNotSupportedException();
    }
    m_ID.lpguid = static_cast<LPGUID>(malloc(sizeof(GUID)));
    if (m_ID.lpguid == nullptr) {
        QTRACE(TRACE_ERROR, "malloc() failed: Unable to allocate memory for GUID!\n");
        AfxThrowMemoryException();
    }
    std::memcpy(m_ID.lpguid, lpGuid, sizeof(GUID));
    m_ID.ulKind = ulKind;
    if (ulKind == MNID_ID) {
        m_ID.Kind.lID = lID;
    } else if (ulKind == MNID_STRING) {
        m_ID.Kind.lpwstrName = nullptr;
        if (lpwstrName != nullptr) {
            m_ID.Kind.lpwstrName = CopyName(lpwstrName);
            if (m_ID.Kind.lpwstrName == nullptr) {
                QTRACE(TRACE_ERROR, "malloc() failed: Unable to allocate memory for name!\n");
                // The destructor does not run for an object whose constructor throws.
                Clear();
                AfxThrowMemoryException();
            }
        }
    } else {
        QTRACE(TRACE_ERROR, "Unsupported kind %ld\n", ulKind);
        m_ID.ulKind = MNID_ID;
        Clear();
        AfxThrowNotSupportedException();
    }
}

CNamedPropertyID::~CNamedPropertyID() {
    TRACE_DTOR("CNamedPropertyID");
    Clear();
}

void CNamedPropertyID::Clear() {
    free(m_ID.lpguid);
    m_ID.lpguid = nullptr;
    if (m_ID.ulKind == MNID_STRING) {
        free(m_ID.Kind.lpwstrName);
    }
    m_ID.ulKind = MNID_ID;
    m_ID.Kind.lID = 0;
}

void CNamedPropertyID::Init() {
    Clear();
    m_ulPropType = kDefaultPropType;
}

int CNamedPropertyID::GetType() {
    return PT_NAMED_TYPE;
}

HRESULT CNamedPropertyID::GetShortPropertyName(LPSTR* ppszName, LPCSTR pszSection, LPCSTR pszIniFile) {
    return GetPropertyName(ppszName, pszSection, pszIniFile);
}

HRESULT CNamedPropertyID::GetPropertyName(LPSTR* ppszName, LPCSTR pszSection, LPCSTR pszIniFile) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CNamedPropertyID::GetPropertyName", hr);
    return hr = LookupPropertyName(ppszName, pszSection, pszIniFile, TRUE);
}

HRESULT CNamedPropertyID::GetPropertyID(IMsgStore* lpStore, ULONG* pulTag) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CNamedPropertyID::GetPropertyID", hr);
    if (pulTag == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid return buffer specified!\n");
        return hr = E_INVALIDARG;
    }
    *pulTag = 0;
    if (lpStore == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid store specified!\n");
        return hr = E_INVALIDARG;
    }
    LPMAPINAMEID lpName = &m_ID;
    LPSPropTagArray lpTags = nullptr;
    hr = lpStore->GetIDsFromNames(1, &lpName, MAPI_CREATE, &lpTags);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "GetIDsFromNames() failed: hr = 0x%08lx\n", hr);
    } else if (lpTags == nullptr) {
        QTRACE(TRACE_ERROR, "GetIDsFromNames() failed: Null pointer returned!\n");
        hr = E_UNEXPECTED;
    } else if (lpTags->cValues != 1) {
        QTRACE(TRACE_ERROR, "GetIDsFromNames() failed: Returned %ld properties instaed of exactly one!\n",
               lpTags->cValues);
        hr = E_UNEXPECTED;
    } else if (PROP_TYPE(lpTags->aulPropTag[0]) == PT_ERROR) {
        QTRACE(TRACE_WARNING, "Property is not supported by store.\n");
        hr = MAPI_E_NOT_FOUND;
    } else {
        // The store's answer carries its own type bits: take only the id from it.
        *pulTag = PROP_TAG(m_ulPropType & PROP_TYPE_MASK, PROP_ID(lpTags->aulPropTag[0]));
        hr = S_OK;
    }
    if (lpTags != nullptr) {
        MAPIFreeBuffer(lpTags);
    }
    if (FAILED(hr) && TraceEnabled(TRACE_DATA)) {
        TraceNamedPropID(&m_ID);
    }
    return hr;
}

HRESULT CNamedPropertyID::BuildTextSelector(LPSTR* ppszSelector) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CNamedPropertyID::BuildTextSelector", hr);
    if (ppszSelector == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid buffer specified!\n");
        return hr = E_INVALIDARG;
    }
    *ppszSelector = nullptr;
    if (m_ID.lpguid == nullptr) {
        QTRACE(TRACE_ERROR, "No GUID defined!\n");
        return hr = E_UNEXPECTED;
    }
    // The registry form of the GUID: the first three fields as numbers, the rest byte by byte.
    const BYTE* b = reinterpret_cast<const BYTE*>(m_ID.lpguid);
    std::string strSelector = FormatText("{%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-", b[3], b[2], b[1],
                                         b[0], b[5], b[4], b[7], b[6], b[8], b[9]);
    strSelector += FormatText("%02X%02X%02X%02X%02X%02X},", b[10], b[11], b[12], b[13], b[14], b[15]);
    if (m_ID.ulKind == MNID_ID) {
        strSelector += FormatText("0x%08lx", (ULONG)m_ID.Kind.lID);
    } else if (m_ID.ulKind == MNID_STRING) {
        if (m_ID.Kind.lpwstrName == nullptr) {
            QTRACE(TRACE_ERROR, "m_ID.Kind.lpwstrName is NULL!\n");
            return hr = E_UNEXPECTED;
        }
        strSelector += Utf16ToUtf8(std::u16string_view(m_ID.Kind.lpwstrName));
    } else {
        QTRACE(TRACE_ERROR, "Invalid MAPINAMEID kind %ld!\n", m_ID.ulKind);
        return hr = E_FAIL;
    }
    *ppszSelector = strdup(strSelector.c_str());
    if (*ppszSelector == nullptr) {
        QTRACE(TRACE_ERROR, "malloc() failed: Unable to allocate memory for complete selector!\n");
        return hr = E_OUTOFMEMORY;
    }
    return hr;
}

void CNamedPropertyID::Serialize(CArchive& ar) {
    TRACE_FUNC_VOID("CNamedPropertyID::Serialize");
    CPropertyID::Serialize(ar);
    SerializePropertyVersion1(
        ar, [&] { StoreVersion1(ar); }, [&] { LoadVersion1(ar); }, [this] { Init(); });
}

void CNamedPropertyID::StoreVersion1(CArchive& ar) {
    if (m_ID.ulKind != MNID_ID && m_ID.ulKind != MNID_STRING) {
        QTRACE(TRACE_ERROR, "Unsupported ID kind %ld!\n", m_ID.ulKind);
        AfxThrowNotSupportedException();
    }
    ar << (DWORD)m_ulPropType;
    if (m_ID.lpguid != nullptr) {
        ar << (DWORD)sizeof(GUID);
        ar.Write(m_ID.lpguid, sizeof(GUID));
    } else {
        ar << (DWORD)0;
    }
    ar << (DWORD)m_ID.ulKind;
    if (m_ID.ulKind == MNID_ID) {
        ar << (DWORD)m_ID.Kind.lID;
        return;
    }
    const size_t cch = WideLength(m_ID.Kind.lpwstrName);
    ar << (DWORD)cch;
    for (size_t i = 0; i < cch; ++i) {
        ar << (WORD)m_ID.Kind.lpwstrName[i];
    }
}

void CNamedPropertyID::LoadVersion1(CArchive& ar) {
    Clear();
    DWORD dwPropType = 0;
    ar >> dwPropType;
    m_ulPropType = dwPropType;

    DWORD cbGuid = 0;
    ar >> cbGuid;
    if (cbGuid != 0) {
        // Every user of the GUID reads 16 bytes: any other length is a damaged record.
        if (cbGuid != sizeof(GUID)) {
            QTRACE(TRACE_ERROR, "Invalid GUID length %ld!\n", cbGuid);
            AfxThrowArchiveException(CArchiveException::genericException);
        }
        ar.EnsureReadable(cbGuid);
        m_ID.lpguid = static_cast<LPGUID>(malloc(cbGuid));
        if (m_ID.lpguid == nullptr) {
            QTRACE(TRACE_ERROR, "malloc() failed: Unable to allocate GUID buffer!\n");
            AfxThrowMemoryException();
        }
        if (ar.Read(m_ID.lpguid, cbGuid) != cbGuid) {
            AfxThrowArchiveException(CArchiveException::endOfFile);
        }
    }

    DWORD dwKind = 0;
    ar >> dwKind;
    if (dwKind == MNID_ID) {
        DWORD dwID = 0;
        ar >> dwID;
        m_ID.ulKind = MNID_ID;
        m_ID.Kind.lID = (LONG)dwID;
    } else if (dwKind == MNID_STRING) {
        DWORD cch = 0;
        ar >> cch;
        m_ID.ulKind = MNID_STRING;
        m_ID.Kind.lpwstrName = nullptr;
        if (cch != 0) {
            // A length beyond the stream is a damaged record, found before anything is allocated.
            ar.EnsureReadable((ULONGLONG)cch * sizeof(WCHAR));
            LPWSTR lpName = static_cast<LPWSTR>(calloc((size_t)cch + 1, sizeof(WCHAR)));
            if (lpName == nullptr) {
                QTRACE(TRACE_ERROR, "malloc() failed: Unable to allocate value name!\n");
                AfxThrowMemoryException();
            }
            m_ID.Kind.lpwstrName = lpName;
            for (DWORD i = 0; i < cch; ++i) {
                WORD w = 0;
                ar >> w;
                lpName[i] = (WCHAR)w;
            }
        }
    } else {
        QTRACE(TRACE_ERROR, "Unsupported ID kind %ld!\n", dwKind);
        AfxThrowNotSupportedException();
    }
}
