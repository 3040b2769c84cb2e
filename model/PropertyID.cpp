// CPropertyID: reference count, selected flag, context value and the lookups in the INI tables.
#include "model/PropertyID.h"

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

#include "language/LanguageSettings.h"
#include "model/RecordFrames.h"
#include "platform/afx/CArchive.h"
#include "platform/afx/CException.h"
#include "platform/win32/Module.h"
#include "platform/win32/Profile.h"
#include "trace/Trace.h"

IMPLEMENT_SERIAL(CPropertyID, CObject, 1)

namespace {

// The path of Defaults.ini, built on first use and kept for the life of the process; a failed
// attempt leaves it empty so that the next call tries again.
std::mutex g_defaultsLock;
std::string g_defaultsPath;

// The program's path can be longer than the platform's classic limit here; a cut path would name
// the wrong directory, so the buffer is the size of the longest path the system allows.
constexpr DWORD kModulePathSize = 4096;

HRESULT EnsureDefaultsPath() {
    std::lock_guard<std::mutex> lock(g_defaultsLock);
    if (!g_defaultsPath.empty()) {
        return S_OK;
    }
    std::string module(kModulePathSize, '\0');
    DWORD cch = GetModuleFileNameA(nullptr, module.data(), kModulePathSize);
    if (cch == 0 || cch >= kModulePathSize) {
        DWORD dwError = GetLastError();
        HRESULT hr = HRESULT_FROM_WIN32(dwError != 0 ? dwError : (DWORD)ERROR_INSUFFICIENT_BUFFER);
        QTRACE(TRACE_ERROR, "GetModuleFileName() failed. hr = 0x08lx\n", hr);
        return hr;
    }
    module.resize(cch);
    size_t slash = module.find_last_of('/');
    std::string dir = slash == std::string::npos ? std::string() : module.substr(0, slash + 1);
    g_defaultsPath = dir + DEFAULTS_INI_FILE;
    return S_OK;
}

}  // namespace

CPropertyID::CPropertyID() : CPropertyID(0) {}

CPropertyID::CPropertyID(DWORD dwContext) : m_lRefCount(0), m_dwContext(dwContext), m_bSelected(FALSE) {
    TRACE_CTOR("CPropertyID");
}

CPropertyID::~CPropertyID() {
    TRACE_DTOR("CPropertyID");
}

void CPropertyID::Init() {
    m_dwContext = 0;
    m_bSelected = FALSE;
}

LONG CPropertyID::AddRef() {
    LONG lCount = ++m_lRefCount;
    QTRACE(TRACE_INFO, "Property at 0x%08lx: Ref count %ld\n", (const void*)this, lCount);
    return lCount;
}

LONG CPropertyID::Release() {
    // A count already at 0 (a property nobody took a reference on) is deleted too, never left
    // behind with a negative count.
    if (m_lRefCount > 0) {
        --m_lRefCount;
    }
    LONG lCount = m_lRefCount;
    QTRACE(TRACE_INFO, "Property at 0x%08lx: Ref count %ld\n", (const void*)this, lCount);
    if (lCount == 0) {
        delete this;
    }
    return lCount;
}

const char* CPropertyID::GetDefaultsFilePath() {
    std::lock_guard<std::mutex> lock(g_defaultsLock);
    return g_defaultsPath.c_str();
}

void CPropertyID::Serialize(CArchive& ar) {
    TRACE_FUNC_VOID("CPropertyID::Serialize");
    SerializePropertyVersion1(
        ar,
        [&] {
            ar << (DWORD)(m_bSelected ? 1 : 0);
            ar << (DWORD)m_dwContext;
        },
        [&] {
            DWORD dwSelected = 0;
            DWORD dwContext = 0;
            ar >> dwSelected;
            ar >> dwContext;
            m_bSelected = (BOOL)dwSelected;
            m_dwContext = dwContext;
        },
        [this] { Init(); });
}

HRESULT CPropertyID::ReadIniFlag(BOOL* pbFlag, LPCSTR pszSection, LPCSTR pszFile) {
    if (pszSection == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid section name specified!\n");
        return E_INVALIDARG;
    }
    LPSTR pszSelector = nullptr;
    HRESULT hr = BuildTextSelector(&pszSelector);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "BuildTextSelector() failed: hr = 0x%08lx\n", hr);
        return hr;
    }
    UINT uValue = GetPrivateProfileIntA(pszSection, pszSelector, 0, pszFile);
    *pbFlag = uValue != 0 ? TRUE : FALSE;
    free(pszSelector);
    return S_OK;
}

HRESULT CPropertyID::IsDefSelectedProperty(BOOL* pbSelected, LPCSTR pszSection) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CPropertyID::IsDefSelectedProperty", hr);
    if (pbSelected == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid return buffer specified!\n");
        return hr = E_INVALIDARG;
    }
    *pbSelected = FALSE;
    hr = EnsureDefaultsPath();
    if (FAILED(hr)) {
        return hr;
    }
    std::string path = GetDefaultsFilePath();
    return hr = ReadIniFlag(pbSelected, pszSection, path.c_str());
}

HRESULT CPropertyID::IsExcludedProperty(BOOL* pbExcluded, LPCSTR pszSection) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CPropertyID::IsExcludedProperty", hr);
    if (pbExcluded == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid return buffer specified!\n");
        return hr = E_INVALIDARG;
    }
    *pbExcluded = FALSE;
    return hr = ReadIniFlag(pbExcluded, pszSection, EXCLUSION_INI_FILE);
}

namespace {

// atoi without its undefined overflow: blanks, an optional sign, decimal digits; anything else
// ends the number, and a text that starts with no digit is 0. Values beyond 32 bits are clamped.
LONG TextToLong(const char* psz) {
    while (*psz == ' ' || *psz == '\t' || *psz == '\n' || *psz == '\r' || *psz == '\f' || *psz == '\v') {
        ++psz;
    }
    bool bNegative = false;
    if (*psz == '+' || *psz == '-') {
        bNegative = *psz == '-';
        ++psz;
    }
    long long llValue = 0;
    while (*psz >= '0' && *psz <= '9') {
        llValue = llValue * 10 + (*psz - '0');
        if (llValue > 0x80000000LL) {
            llValue = 0x80000000LL;
        }
        ++psz;
    }
    if (bNegative) {
        llValue = -llValue;
    } else if (llValue > 0x7FFFFFFFLL) {
        llValue = 0x7FFFFFFFLL;
    }
    return (LONG)llValue;
}

}  // namespace

HRESULT CPropertyID::GetTextID(LONG* plTextID, LPCSTR pszSection, LPCSTR pszIniFile) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CPropertyID::GetTextID", hr);
    if (plTextID == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid return buffer specified!\n");
        return hr = E_INVALIDARG;
    }
    *plTextID = 0;
    if (pszSection == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid section name!\n");
        return hr = E_INVALIDARG;
    }
    if (pszIniFile == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid ini file name!\n");
        return hr = E_INVALIDARG;
    }
    LPSTR pszSelector = nullptr;
    hr = BuildTextSelector(&pszSelector);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "BuildTextSelector() failed: hr = 0x%08lx\n", hr);
        return hr;
    }
    // The value's length is not known in advance: read, and read again with twice the room
    // while the value filled the buffer.
    DWORD dwSize = 10;
    LPSTR pszValue = nullptr;
    for (;;) {
        pszValue = static_cast<LPSTR>(calloc((size_t)dwSize + 1, 1));
        if (pszValue == nullptr) {
            QTRACE(TRACE_ERROR, "malloc() failed: Unable to allocate value buffer!\n");
            free(pszSelector);
            return hr = E_OUTOFMEMORY;
        }
        DWORD cch = GetPrivateProfileStringA(pszSection, pszSelector, "0", pszValue, dwSize, pszIniFile);
        if (cch != dwSize - 1 || dwSize >= 0x40000000u) {
            break;
        }
        free(pszValue);
        dwSize *= 2;
    }
    *plTextID = TextToLong(pszValue);
    free(pszValue);
    free(pszSelector);
    return hr = S_OK;
}

HRESULT CPropertyID::GetShortPropertyName(LPSTR* ppszName, LPCSTR pszSection, LPCSTR pszIniFile) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CPropertyID::GetShortPropertyName", hr);
    return hr = LookupPropertyName(ppszName, pszSection, pszIniFile, FALSE);
}

HRESULT CPropertyID::LookupPropertyName(LPSTR* ppszName, LPCSTR pszSection, LPCSTR pszIniFile,
                                        BOOL bSelectorAsName) {
    HRESULT hr = S_OK;
    if (ppszName == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid return buffer specified!\n");
        return hr = E_INVALIDARG;
    }
    if (pszSection == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid section name specified!\n");
        return hr = E_INVALIDARG;
    }
    if (pszIniFile == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid ini file specified!\n");
        return hr = E_INVALIDARG;
    }
    *ppszName = nullptr;

    BOOL bExcluded = FALSE;
    hr = IsExcludedProperty(&bExcluded, pszSection);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "IsExcludedProperty() failed: hr = 0x%08lx\n", hr);
        return hr;
    }
    if (bExcluded) {
        QTRACE(TRACE_WARNING, "Property is excluuded!\n");
        return hr = S_OK;
    }
    LONG lTextID = 0;
    hr = GetTextID(&lTextID, pszSection, pszIniFile);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "GetTextID() failed: hr = 0x%08lx\n", hr);
        return hr;
    }
    if (lTextID == 0) {
        QTRACE(TRACE_WARNING, "No text number assigned!\n");
        if (bSelectorAsName) {
            hr = BuildTextSelector(ppszName);
            if (FAILED(hr)) {
                QTRACE(TRACE_ERROR, "BuildTextSelector() failed: hr = 0x%08lx\n", hr);
            }
            return hr;
        }
        return hr = S_OK;
    }
    hr = GetLanguageText(ppszName, lTextID);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "GetLanguageText() failed: hr = 0x%08lx\n", hr);
    }
    return hr;
}

int CPropertyID::GetType() {
    return PT_BASE_TYPE;
}

HRESULT CPropertyID::GetPropertyID(IMsgStore* /*lpStore*/, ULONG* pulTag) {
    if (pulTag != nullptr) {
        *pulTag = 0;
    }
    return E_NOTIMPL;
}

HRESULT CPropertyID::BuildTextSelector(LPSTR* ppszSelector) {
    if (ppszSelector != nullptr) {
        *ppszSelector = nullptr;
    }
    return E_NOTIMPL;
}
