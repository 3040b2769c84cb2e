// One configuration: the settings of a duplicate search for one item type, saved in the document.
#include "model/ConfigInfo.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include "model/AppointmentInfo.h"
#include "model/BinaryKey.h"
#include "model/ConfigObserver.h"
#include "model/ContactInfo.h"
#include "model/FolderInfo.h"
#include "model/GuidNamedIDList.h"
#include "model/GuidNamedNamedList.h"
#include "model/InfoObject.h"
#include "model/JournalInfo.h"
#include "model/KeyCopy.h"
#include "model/MailInfo.h"
#include "model/NamedPropList.h"
#include "model/NamedPropertyID.h"
#include "model/NoteInfo.h"
#include "model/PropTypeList.h"
#include "model/PropertyID.h"
#include "model/PropertyList.h"
#include "model/QuorvelDoc.h"
#include "model/RecordFrames.h"
#include "model/RefCounting.h"
#include "model/StdPropList.h"
#include "model/StdPropertyID.h"
#include "model/StoreInfo.h"
#include "model/TaskInfo.h"
#include "platform/afx/CArchive.h"
#include "platform/afx/CException.h"
#include "platform/afx/CFile.h"
#include "platform/win32/Module.h"
#include "trace/Trace.h"

IMPLEMENT_SERIAL(CConfigInfo, CObject, 1)

namespace {
// The process-wide id counter; 0 at program start, incremented before each use.
ULONG s_ulConfigIDCounter = 0;
}  // namespace

// Every record class a document or a default property file may hold. Archives find classes by
// name in the class registry, which each class joins from its own file; naming them here makes the
// linker keep those files in every program that uses configurations.
const CRuntimeClass* const g_ConfigRecordClasses[] = {
    RUNTIME_CLASS(CInfoObject),    RUNTIME_CLASS(CStoreInfo),       RUNTIME_CLASS(CFolderInfo),
    RUNTIME_CLASS(CPropertyList),  RUNTIME_CLASS(CPropTypeList),    RUNTIME_CLASS(CStdPropList),
    RUNTIME_CLASS(CNamedPropList), RUNTIME_CLASS(CGuidNamedIDList), RUNTIME_CLASS(CGuidNamedNamedList),
    RUNTIME_CLASS(CPropertyID),    RUNTIME_CLASS(CStdPropertyID),   RUNTIME_CLASS(CNamedPropertyID),
    RUNTIME_CLASS(CContactInfo),   RUNTIME_CLASS(CAppointmentInfo), RUNTIME_CLASS(CMailInfo),
    RUNTIME_CLASS(CNoteInfo),      RUNTIME_CLASS(CTaskInfo),        RUNTIME_CLASS(CJournalInfo)};

ULONG CConfigInfo::NextConfigID() {
    return ++s_ulConfigIDCounter;
}

ULONG CConfigInfo::GetConfigIDCounter() {
    return s_ulConfigIDCounter;
}

CConfigInfo::CConfigInfo() {
    TRACE_CTOR("CConfigInfo");
    m_pSearchResult = nullptr;
    m_pfnReleaseResult = nullptr;
    m_ProfileKey = {0, nullptr};
    m_pPropertyList = nullptr;
    Init();
    m_ulRefCount = 0;
    m_ulConfigID = 0;
    m_bSelectingProfile = FALSE;
    m_pDoc = nullptr;
    m_ulEntryNumber = 0;
}

CConfigInfo::CConfigInfo(DWORD dwType, const CString& strName, CQuorvelDoc* pDoc) {
    TRACE_CTOR("CConfigInfo");
    m_pSearchResult = nullptr;
    m_pfnReleaseResult = nullptr;
    m_ProfileKey = {0, nullptr};
    m_pPropertyList = nullptr;
    Init();
    m_dwType = dwType;
    m_strName = strName;
    m_ulConfigID = NextConfigID();
    m_bSelectingProfile = FALSE;
    m_ulRefCount = 0;
    m_pDoc = pDoc;
    m_ulEntryNumber = 0;
}

CConfigInfo::~CConfigInfo() {
    TRACE_DTOR("CConfigInfo");
    FreeBinaryKey(&m_ProfileKey);
    if (m_pPropertyList != nullptr)
        m_pPropertyList->Release();
    m_pPropertyList = nullptr;
    DropSearchResult();
    for (CStoreInfo* pStore : m_Stores)
        if (pStore != nullptr)
            pStore->Release();
    m_Stores.clear();
    m_Observers.clear();
}

void CConfigInfo::Init() {
    TRACE_FUNC_VOID("CConfigInfo::Init");
    m_dwType = 0;
    m_dwCompareMode = COMPARE_MODE_FOLDER;
    m_dwProcessingMode = PROCESSING_MODE_MANUAL;
    // Given back rather than forgotten, should Init ever run on a configuration in use.
    FreeBinaryKey(&m_ProfileKey);
    m_bProfilePassword = FALSE;
    m_bNewConfig = TRUE;
    DropSearchResult();
    m_lCurrentStoreIndex = -1;
}

HRESULT CConfigInfo::CreateConfigInfo(const CString& strName, DWORD dwType, CQuorvelDoc* pDoc,
                                      CConfigInfo** ppConfig) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CConfigInfo::CreateConfigInfo", hr);
    if (ppConfig == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid return pointer specified!\n");
        return hr = E_INVALIDARG;
    }
    *ppConfig = nullptr;
    if (strName.IsEmpty()) {
        QTRACE(TRACE_ERROR, "Failure: Empty configuration name!\n");
        return hr = E_INVALIDARG;
    }
    if (pDoc == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid document specified!\n");
        return hr = E_INVALIDARG;
    }

    CConfigInfo* pConfig = nullptr;
    switch (dwType) {
        case CONFIG_TYPE_CONTACT:
            pConfig = new (std::nothrow) CContactInfo(strName, pDoc);
            break;
        case CONFIG_TYPE_APPOINTMENT:
            pConfig = new (std::nothrow) CAppointmentInfo(strName, pDoc);
            break;
        case CONFIG_TYPE_MAIL:
            pConfig = new (std::nothrow) CMailInfo(strName, pDoc);
            break;
        case CONFIG_TYPE_NOTE:
            pConfig = new (std::nothrow) CNoteInfo(strName, pDoc);
            break;
        case CONFIG_TYPE_TASK:
            pConfig = new (std::nothrow) CTaskInfo(strName, pDoc);
            break;
        case CONFIG_TYPE_JOURNAL:
            pConfig = new (std::nothrow) CJournalInfo(strName, pDoc);
            break;
        default:
            QTRACE(TRACE_ERROR, "Unknown config type %d\n", dwType);
            return hr = E_INVALIDARG;
    }
    if (pConfig == nullptr) {
        QTRACE(TRACE_ERROR, "new() failed: Unable to allocate object!\n");
        return hr = E_OUTOFMEMORY;
    }

    pConfig->AddRef();
    hr = pConfig->LoadProperties();
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "LoadProperties failed: hr = 0x%08lx\n", hr);
        pConfig->Release();
        return hr;
    }
    *ppConfig = pConfig;
    return hr;
}

ULONG CConfigInfo::AddRef() {
    return ++m_ulRefCount;
}

ULONG CConfigInfo::Release() {
    return ReleaseCounted(this, &m_ulRefCount);
}

void CConfigInfo::RenumberConfigID() {
    m_ulConfigID = NextConfigID();
}

// ---- modes, names, password ----

void CConfigInfo::MarkDocumentModified() {
    if (m_pDoc != nullptr)
        m_pDoc->SetModifiedFlag(TRUE);
}

DWORD CConfigInfo::GetCompareMode() {
    return m_dwCompareMode;
}

void CConfigInfo::SetCompareMode(DWORD dwMode) {
    TRACE_FUNC_VOID("CConfigInfo::SetCompareMode");
    if (m_dwCompareMode != dwMode)
        MarkDocumentModified();
    m_dwCompareMode = dwMode;
}

DWORD CConfigInfo::GetProcessingMode() {
    return m_dwProcessingMode;
}

void CConfigInfo::SetProcessingMode(DWORD dwMode) {
    TRACE_FUNC_VOID("CConfigInfo::SetProcessingMode");
    if (m_dwProcessingMode != dwMode)
        MarkDocumentModified();
    m_dwProcessingMode = dwMode;
}

HRESULT CConfigInfo::SetConfigName(const CString& strName) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CConfigInfo::SetConfigName", hr);
    try {
        m_strName = strName;
    } catch (const std::bad_alloc&) {
        QTRACE(TRACE_ERROR, "Out of memory error!\n");
        hr = E_OUTOFMEMORY;
    } catch (...) {
        QTRACE(TRACE_ERROR, "Unknown error type!\n");
        hr = E_FAIL;
    }
    return hr;
}

HRESULT CConfigInfo::SetProfilePassword(const CString& strPassword) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CConfigInfo::SetProfilePassword", hr);
    m_strProfilePassword = strPassword;
    m_bProfilePassword = TRUE;
    return hr;
}

void CConfigInfo::RemoveProfilePassword() {
    TRACE_FUNC_VOID("CConfigInfo::RemoveProfilePassword");
    m_strProfilePassword.Empty();
    m_bProfilePassword = FALSE;
}

CString CConfigInfo::GetProfileName() {
    return m_strProfileName;
}

BOOL CConfigInfo::IsProfileSelected() {
    return m_ProfileKey.cb != 0 && m_ProfileKey.lpb != nullptr;
}

BOOL CConfigInfo::IsSelectingProfile() {
    return m_bSelectingProfile;
}

// ---- stores ----

LONG CConfigInfo::GetCurrentStoreIndex() {
    return m_lCurrentStoreIndex;
}

void CConfigInfo::SetCurrentStoreIndex(LONG lIndex) {
    if (lIndex >= 0 && lIndex < (LONG)m_Stores.size())
        m_lCurrentStoreIndex = lIndex;
}

void CConfigInfo::ClearStores() {
    TRACE_FUNC_VOID("CConfigInfo::ClearStores");
    for (CStoreInfo* pStore : m_Stores)
        if (pStore != nullptr)
            pStore->Release();
    m_Stores.clear();
    OnStoresChanged();
}

CStoreInfo* CConfigInfo::GetStore(int nIndex) {
    if (nIndex < 0 || nIndex >= (int)m_Stores.size() || m_Stores[nIndex] == nullptr)
        return nullptr;
    m_Stores[nIndex]->AddRef();
    return m_Stores[nIndex];
}

HRESULT CConfigInfo::AppendStore(CStoreInfo* pStore) {
    try {
        m_Stores.push_back(pStore);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    pStore->AddRef();
    return S_OK;
}

void CConfigInfo::OnStoresChanged() {
    DropSearchResult();
    m_lCurrentStoreIndex = -1;
}

void CConfigInfo::DropSearchResult() {
    void* pResult = m_pSearchResult;
    void (*pfnRelease)(void*) = m_pfnReleaseResult;
    m_pSearchResult = nullptr;
    m_pfnReleaseResult = nullptr;
    m_ResultReview.Clear();
    if (pResult != nullptr && pfnRelease != nullptr)
        pfnRelease(pResult);
}

// ---- property list and default property file ----

HRESULT CConfigInfo::GetPropertyList(CPropertyList** ppList) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CConfigInfo::GetPropertyList", hr);
    if (ppList == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid return pointer specified!\n");
        return hr = E_INVALIDARG;
    }
    *ppList = m_pPropertyList;
    if (m_pPropertyList != nullptr)
        m_pPropertyList->AddRef();
    return hr;
}

HRESULT CConfigInfo::GetShortNameConfigSectionName(LPSTR* ppszSection) {
    if (ppszSection != nullptr)
        *ppszSection = nullptr;
    return E_NOTIMPL;
}

HRESULT CConfigInfo::GetDefaultPropertySettingFile(LPSTR* /*ppszFile*/) {
    return E_NOTIMPL;
}

HRESULT CConfigInfo::CopyTypeText(LPCSTR lpszText, LPSTR* ppszCopy, LPCSTR lpszFailureTrace) {
    if (ppszCopy == nullptr)
        return E_INVALIDARG;
    const size_t cch = strlen(lpszText);
    *ppszCopy = static_cast<LPSTR>(calloc(cch + 1, 1));
    if (*ppszCopy == nullptr) {
        QTRACE(TRACE_ERROR, "%s", lpszFailureTrace);
        return E_OUTOFMEMORY;
    }
    memcpy(*ppszCopy, lpszText, cch);
    return S_OK;
}

HRESULT CConfigInfo::GetFullPropertyFileName(LPSTR* ppszPath) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CConfigInfo::GetFullPropertyFileName", hr);
    if (ppszPath == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid return pointer specified!\n");
        return hr = E_INVALIDARG;
    }
    *ppszPath = nullptr;
    LPSTR pszFile = nullptr;
    hr = GetDefaultPropertySettingFile(&pszFile);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "GetDefaultPropertySettingFile() failed: hr = 0x%08lx\n", hr);
        return hr;
    }

    char szModule[MAX_PATH + 1] = {0};
    const DWORD cch = GetModuleFileNameA(nullptr, szModule, MAX_PATH);
    if (cch == 0 || cch >= MAX_PATH) {
        QTRACE(TRACE_ERROR, "GetModuleFileName() failed: Error code %d\n", GetLastError());
        free(pszFile);
        return hr = E_FAIL;
    }
    // The directory keeps its closing separator; a path without one (or with only a leading one)
    // has no directory part.
    const char* pszSlash = strrchr(szModule, '/');
    const size_t cchDir =
        (pszSlash == nullptr || pszSlash == szModule) ? 0 : (size_t)(pszSlash - szModule) + 1;
    const size_t cchFile = strlen(pszFile);
    LPSTR pszPath = static_cast<LPSTR>(calloc(cchDir + cchFile + 1, 1));
    if (pszPath == nullptr) {
        QTRACE(TRACE_ERROR, "malloc() failed: Unable to allocate memory for file name!\n");
        free(pszFile);
        return hr = E_OUTOFMEMORY;
    }
    memcpy(pszPath, szModule, cchDir);
    memcpy(pszPath + cchDir, pszFile, cchFile);
    free(pszFile);
    *ppszPath = pszPath;
    return hr;
}

HRESULT CConfigInfo::LoadProperties() {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CConfigInfo::LoadProperties", hr);
    if (m_pPropertyList != nullptr)
        m_pPropertyList->Release();
    m_pPropertyList = nullptr;

    LPSTR pszPath = nullptr;
    hr = GetFullPropertyFileName(&pszPath);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "GetFullPropertyFileName() failed: hr = 0x%08lx\n", hr);
        return hr;
    }

    CFile file;
    if (!file.Open(pszPath, CFile::modeRead | CFile::shareDenyWrite | CFile::typeBinary)) {
        // No default file: the configuration compares nothing until properties are chosen.
        QTRACE(TRACE_ERROR, "Failed to opern file \"%s\"!\n", pszPath);
        free(pszPath);
        return hr;
    }

    CPropertyList* pList = nullptr;
    try {
        CArchive ar(&file, CArchive::load, 4096);
        pList = static_cast<CPropertyList*>(ar.ReadObject(RUNTIME_CLASS(CPropertyList)));
        ar.Close();
    } catch (CMemoryException* e) {
        QTRACE(TRACE_ERROR, "LoadProperties() failed due to low memory resources!\n");
        e->Delete();
        hr = E_OUTOFMEMORY;
    } catch (CArchiveException* e) {
        QTRACE(TRACE_ERROR, "LoadProperties() failed!\n");
        QTRACE(TRACE_ERROR, "Archive failure %d in \"%s\"\n", e->m_cause, pszPath);
        e->Delete();
        hr = E_FAIL;
    } catch (CException* e) {
        QTRACE(TRACE_ERROR, "LoadProperties() failed!\n");
        e->Delete();
        hr = E_FAIL;
    }
    if (SUCCEEDED(hr) && pList != nullptr) {
        m_pPropertyList = pList;
        m_pPropertyList->AddRef();
    }
    free(pszPath);
    file.Close();
    return hr;
}

// ---- observers ----

HRESULT CConfigInfo::Advise(IConfigObserver* pView) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CConfigInfo::Advise", hr);
    if (pView == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid form pointer specified!\n");
        return hr = E_INVALIDARG;
    }
    if (std::find(m_Observers.begin(), m_Observers.end(), pView) != m_Observers.end())
        return hr;
    try {
        m_Observers.push_back(pView);
    } catch (const std::bad_alloc&) {
        QTRACE(TRACE_ERROR, "Failed to add View: Out of memory!\n");
        hr = E_OUTOFMEMORY;
    } catch (...) {
        QTRACE(TRACE_ERROR, "Failed to add View!\n");
        hr = E_FAIL;
    }
    return hr;
}

HRESULT CConfigInfo::Unadvise(IConfigObserver* pView) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CConfigInfo::Unadvise", hr);
    if (pView == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid form pointer specified!\n");
        return hr = E_INVALIDARG;
    }
    auto it = std::find(m_Observers.begin(), m_Observers.end(), pView);
    if (it != m_Observers.end())
        m_Observers.erase(it);
    return hr;
}

HRESULT CConfigInfo::NotifyConfigChange(IConfigObserver* pSender) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CConfigInfo::NotifyConfigChange", hr);
    // A view may advise or unadvise views while it is told: walk a copy, and skip a view that
    // left the list meanwhile (it may be gone).
    std::vector<IConfigObserver*> views;
    try {
        views = m_Observers;
    } catch (const std::bad_alloc&) {
        QTRACE(TRACE_ERROR, "Out of memory error!\n");
        return hr = E_OUTOFMEMORY;
    }
    for (IConfigObserver* pView : views) {
        if (pView == nullptr || pView == pSender)
            continue;
        if (std::find(m_Observers.begin(), m_Observers.end(), pView) == m_Observers.end())
            continue;
        const HRESULT hrView = pView->OnConfigChange();
        if (FAILED(hrView)) {
            QTRACE(TRACE_WARNING, "OnConfigChange() failed: hr = 0x%08lx\n", hrView);
            hr = hrView;
        }
    }
    return hr;
}

// ---- values ----

BOOL CConfigInfo::ArePropValuesEmpty(ULONG cValues, const SPropValue* lpProps) {
    if (lpProps == nullptr)
        return TRUE;
    for (ULONG i = 0; i < cValues; ++i) {
        const SPropValue& value = lpProps[i];
        switch (PROP_TYPE(value.ulPropTag)) {
            case PT_UNSPECIFIED:
            case PT_NULL:
            case PT_ERROR:
                break;
            case PT_STRING8:
                if (value.Value.lpszA != nullptr && value.Value.lpszA[0] != '\0')
                    return FALSE;
                break;
            case PT_UNICODE:
                if (value.Value.lpszW != nullptr && value.Value.lpszW[0] != 0)
                    return FALSE;
                break;
            default:
                return FALSE;
        }
    }
    return TRUE;
}

// ---- record ----

void CConfigInfo::Serialize(CArchive& ar) {
    TRACE_FUNC_VOID("CConfigInfo::Serialize");
    SerializeContentsVersion1(
        ar, [&] { SaveVersion1(ar); }, [&] { LoadVersion1(ar); });
}

void CConfigInfo::SaveVersion1(CArchive& ar) {
    ar << (DWORD)m_ulConfigID;
    ar << (DWORD)(m_bNewConfig ? 1 : 0);
    ar << (DWORD)m_dwType;
    ar << m_strName;
    ar << (DWORD)m_dwCompareMode;
    ar << (DWORD)m_dwProcessingMode;
    SaveBinaryKey(m_ProfileKey.cb, m_ProfileKey.lpb, ar);
    ar << (DWORD)m_bProfilePassword;
    ar << m_strProfilePassword;
    ar << m_strProfileName;
    ar.WriteObject(m_pPropertyList);
    ar << (DWORD)m_Stores.size();
    for (CStoreInfo* pStore : m_Stores)
        ar.WriteObject(pStore);
}

void CConfigInfo::LoadVersion1(CArchive& ar) {
    ClearStores();

    DWORD dwID = 0;
    ar >> dwID;
    if (dwID == 0 || dwID >= CONFIG_ID_LIMIT) {
        // 0 means "no configuration", and an id at the top would make the counter wrap round to it.
        m_ulConfigID = NextConfigID();
        QTRACE(TRACE_WARNING, "Configuration id %lu is not usable; renumbered to %lu.\n", dwID, m_ulConfigID);
    } else {
        m_ulConfigID = dwID;
        if (dwID >= s_ulConfigIDCounter)
            s_ulConfigIDCounter = dwID + 1;
    }

    DWORD dwValue = 0;
    ar >> dwValue;
    m_bNewConfig = (BOOL)dwValue;
    ar >> dwValue;
    // A type that no form view serves would show an empty pane, and a mode out of its range would
    // only fail later, when a search starts, with no word of the file: the record is damaged. The
    // class need not match the type: the stored value is the type the configuration reports.
    if (dwValue < CONFIG_TYPE_CONTACT || dwValue > CONFIG_TYPE_JOURNAL) {
        QTRACE(TRACE_ERROR, "Invalid config type %lu!\n", dwValue);
        AfxThrowArchiveException(CArchiveException::genericException);
    }
    m_dwType = dwValue;
    ar >> m_strName;
    ar >> dwValue;
    if (dwValue != COMPARE_MODE_FOLDER && dwValue != COMPARE_MODE_STORE) {
        QTRACE(TRACE_ERROR, "Invalid compare mode %lu!\n", dwValue);
        AfxThrowArchiveException(CArchiveException::genericException);
    }
    m_dwCompareMode = dwValue;
    ar >> dwValue;
    if (dwValue != PROCESSING_MODE_MANUAL && dwValue != PROCESSING_MODE_AUTOMATIC) {
        QTRACE(TRACE_ERROR, "Invalid processing mode %lu!\n", dwValue);
        AfxThrowArchiveException(CArchiveException::genericException);
    }
    m_dwProcessingMode = dwValue;
    FreeBinaryKey(&m_ProfileKey);
    LoadBinaryKey(m_ProfileKey, ar);
    ar >> dwValue;
    m_bProfilePassword = (BOOL)dwValue;
    ar >> m_strProfilePassword;
    ar >> m_strProfileName;

    // A list held before (a record read twice) is given back, not leaked.
    if (m_pPropertyList != nullptr)
        m_pPropertyList->Release();
    m_pPropertyList = nullptr;  // the reading below may fail
    m_pPropertyList = static_cast<CPropertyList*>(ar.ReadObject(RUNTIME_CLASS(CPropertyList)));
    if (m_pPropertyList != nullptr)
        m_pPropertyList->AddRef();

    LONG lStores = 0;
    ar >> lStores;
    for (LONG i = 0; i < lStores; ++i) {
        CStoreInfo* pStore = static_cast<CStoreInfo*>(ar.ReadObject(RUNTIME_CLASS(CStoreInfo)));
        if (pStore == nullptr)
            continue;
        // Held at once, so that a failure further on gives it back with this record.
        pStore->AddRef();
        try {
            m_Stores.push_back(pStore);
        } catch (const std::bad_alloc&) {
            pStore->Release();
            AfxThrowMemoryException();
        }
    }
}
