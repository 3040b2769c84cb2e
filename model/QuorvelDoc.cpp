// The application's one document: every configuration, keyed by id, saved as one ".qrv" file.
#include "model/QuorvelDoc.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "language/LanguageSettings.h"
#include "model/ConfigInfo.h"
#include "model/ErrorBoxes.h"
#include "model/UiServices.h"
#include "platform/afx/CArchive.h"
#include "platform/afx/CException.h"
#include "platform/afx/CFile.h"
#include "platform/afx/StoreToMemory.h"
#include "platform/win32/AtomicFile.h"
#include "platform/win32/SystemError.h"
#include "trace/Trace.h"

IMPLEMENT_DYNCREATE(CQuorvelDoc, CObject)

namespace {

// Ids are at least 1, so a position that carries the last id handed out is never null.
POSITION PositionOf(ULONG ulConfigID) {
    return reinterpret_cast<POSITION>(static_cast<uintptr_t>(ulConfigID));
}

ULONG ConfigIDOf(POSITION pos) {
    return static_cast<ULONG>(reinterpret_cast<uintptr_t>(pos));
}

void ShowLoadFailure() {
    ShowError(
        nullptr, "Failed to load file",
        "The configuration file you requested could not be loaded. The file was not a valid config file.",
        162, 163);
}

// Writes the bytes to a new file beside the target, readable by the owner only (the document
// holds profile passwords), and renames it over the target. A save writes through a link and never
// replaces the link by a plain file; a file its owner made read-only is refused, whoever saves. On
// any failure the target is untouched; errno tells why.
bool ReplaceFile(const std::string& strPath, const BYTE* lpData, size_t cb) {
    qrvfile::ReplaceOptions options;
    options.nMode = S_IRUSR | S_IWUSR;
    options.bWriteThroughLink = true;
    options.bRefuseReadOnly = true;
    options.bRemoveLeftovers = true;
    options.pfnLeftoverRemoved = [](const std::string& strLeftover) {
        QTRACE(TRACE_WARNING, "Removing \"%s\" left by an interrupted save.\n", strLeftover.c_str());
    };
    return qrvfile::ReplaceFileAtomically(strPath, lpData, cb, options);
}

}  // namespace

CQuorvelDoc::CQuorvelDoc() : m_ulCurrentConfigID(0), m_bModified(FALSE), m_bLoadIncomplete(FALSE) {
    TRACE_CTOR("CQuorvelDoc");
}

CQuorvelDoc::~CQuorvelDoc() {
    TRACE_DTOR("CQuorvelDoc");
    RemoveAllConfigurations();
}

BOOL CQuorvelDoc::IsModified() {
    return m_bModified;
}

void CQuorvelDoc::SetModifiedFlag(BOOL bModified) {
    m_bModified = bModified;
}

void CQuorvelDoc::SetPathName(LPCSTR lpszPathName) {
    m_strPathName = lpszPathName;
    const char* pszSlash = strrchr(m_strPathName, '/');
    m_strTitle = pszSlash != nullptr ? pszSlash + 1 : (LPCSTR)m_strPathName;
}

// ---- configurations ----

void CQuorvelDoc::RemoveAllConfigurations() {
    TRACE_FUNC_VOID("CQuorvelDoc::RemoveAllConfigurations");
    std::map<ULONG, CConfigInfo*> configs;
    configs.swap(m_Configs);
    for (auto& entry : configs)
        entry.second->Release();
}

HRESULT CQuorvelDoc::AddConfiguration(CConfigInfo* pConfig) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CQuorvelDoc::AddConfiguration", hr);
    if (pConfig == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid config info specified!\n");
        return hr = E_INVALIDARG;
    }
    try {
        // An id that is taken already is refused: replacing would lose the configuration held.
        if (!m_Configs.emplace(pConfig->GetConfigID(), pConfig).second) {
            QTRACE(TRACE_ERROR, "Unable to insert object into map!\n");
            return hr = E_FAIL;
        }
    } catch (...) {
        QTRACE(TRACE_ERROR, "Unable to insert object into map!\n");
        return hr = E_FAIL;
    }
    pConfig->AddRef();
    return hr;
}

void CQuorvelDoc::RemoveConfiguration(ULONG ulConfigID) {
    TRACE_FUNC_VOID("CQuorvelDoc::RemoveConfiguration");
    auto it = m_Configs.find(ulConfigID);
    if (it == m_Configs.end())
        return;
    CConfigInfo* pConfig = it->second;
    m_Configs.erase(it);
    pConfig->Release();
}

BOOL CQuorvelDoc::GetConfiguration(ULONG ulConfigID, CConfigInfo** ppConfig) {
    if (ppConfig == nullptr)
        return FALSE;
    *ppConfig = nullptr;
    auto it = m_Configs.find(ulConfigID);
    if (it == m_Configs.end())
        return FALSE;
    *ppConfig = it->second;
    (*ppConfig)->AddRef();
    return TRUE;
}

BOOL CQuorvelDoc::GetFirstConfiguration(POSITION& pos, CConfigInfo** ppConfig) {
    pos = nullptr;
    if (ppConfig == nullptr)
        return FALSE;
    *ppConfig = nullptr;
    if (m_Configs.empty())
        return FALSE;
    auto it = m_Configs.begin();
    pos = PositionOf(it->first);
    *ppConfig = it->second;
    (*ppConfig)->AddRef();
    return TRUE;
}

BOOL CQuorvelDoc::GetNextConfiguration(POSITION& pos, CConfigInfo** ppConfig) {
    if (ppConfig == nullptr)
        return FALSE;
    *ppConfig = nullptr;
    if (pos == nullptr)
        return FALSE;
    // The position remembers the last id handed out, so removing that configuration meanwhile
    // does not break the walk.
    auto it = m_Configs.upper_bound(ConfigIDOf(pos));
    if (it == m_Configs.end()) {
        pos = nullptr;
        return FALSE;
    }
    pos = PositionOf(it->first);
    *ppConfig = it->second;
    (*ppConfig)->AddRef();
    return TRUE;
}

HRESULT CQuorvelDoc::CreateConfiguration(DWORD dwType, LONG lTextID, LPCSTR lpszDefaultName) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CQuorvelDoc::CreateConfiguration", hr);
    LPSTR pszText = nullptr;
    hr = GetLanguageText(&pszText, lTextID);
    if (FAILED(hr) || pszText == nullptr)
        QTRACE(TRACE_ERROR, "GetLanguageText(%ld) failed: hr = 0x%08lx\n", lTextID, hr);
    const CString strName = pszText != nullptr ? pszText : lpszDefaultName;
    free(pszText);

    CConfigInfo* pConfig = nullptr;
    hr = CConfigInfo::CreateConfigInfo(strName, dwType, this, &pConfig);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "CreateConfigInfo() failed: hr = 0x%08lx\n", hr);
        ShowError(
            nullptr, "Unable to create configuration",
            "Unable to create a new configuration,\nMostly, this is happens under low memory conitions.", 142,
            143);
        return hr;
    }
    pConfig->ClearNewFlag();
    hr = AddConfiguration(pConfig);
    pConfig->Release();
    return hr;
}

// ---- framework entry points ----

void CQuorvelDoc::DeleteContents() {
    TRACE_FUNC_VOID("CQuorvelDoc::DeleteContents");
    IUiServices* pServices = GetUiServices();
    if (pServices != nullptr && pServices->HasMainWindow()) {
        // The right pane takes its form view down while the configurations still exist.
        m_ulCurrentConfigID = 0;
        pServices->SendCommandToMainWindow(QRV_CMD_CURRENT_CONFIG_CHANGED);
    }
    RemoveAllConfigurations();
}

BOOL CQuorvelDoc::OnNewDocument() {
    BOOL bResult = TRUE;
    TRACE_FUNC_BOOL("CQuorvelDoc::OnNewDocument", bResult);
    DeleteContents();
    m_strPathName.Empty();
    m_strTitle.Empty();
    SetModifiedFlag(FALSE);

    RemoveAllConfigurations();
    CreateConfiguration(CONFIG_TYPE_MAIL, 72, "E-Mails");
    CreateConfiguration(CONFIG_TYPE_CONTACT, 71, "Contacts");
    CreateConfiguration(CONFIG_TYPE_APPOINTMENT, 73, "Appointments");
    CreateConfiguration(CONFIG_TYPE_TASK, 76, "Tasks");
    return bResult;
}

void CQuorvelDoc::Serialize(CArchive& ar) {
    TRACE_FUNC_VOID("CQuorvelDoc::Serialize");
    QTRACE(TRACE_CALL, "Serializing specific content.\n");
    if (ar.IsStoring()) {
        try {
            ar << (DWORD)1;
            SaveVersion1(ar);
        } catch (CException*) {
            QTRACE(TRACE_ERROR, "Failed to store contents!\n");
            throw;
        }
        return;
    }
    try {
        DWORD dwVersion = 0;
        ar >> dwVersion;
        if (dwVersion != 1) {
            QTRACE(TRACE_ERROR, "Invalid archive version %ld!\n", dwVersion);
            AfxThrowNotSupportedException();
        }
        LoadVersion1(ar);
    } catch (CArchiveException* e) {
        e->Delete();
        m_bLoadIncomplete = TRUE;
        ShowLoadFailure();
    } catch (CMemoryException* e) {
        e->Delete();
        m_bLoadIncomplete = TRUE;
        ShowError(nullptr, "Failed to load file",
                  "The configuration file could not be loaded due to low memory resources.", 164, 165);
    } catch (CException*) {
        QTRACE(TRACE_ERROR, "Failed to load contents!\n");
        throw;
    }
}

void CQuorvelDoc::SaveVersion1(CArchive& ar) {
    ar << (DWORD)m_Configs.size();
    for (auto& entry : m_Configs)
        ar.WriteObject(entry.second);
}

void CQuorvelDoc::LoadVersion1(CArchive& ar) {
    RemoveAllConfigurations();
    DWORD dwCount = 0;
    ar >> dwCount;
    for (DWORD i = 0; i < dwCount; ++i) {
        CConfigInfo* pConfig = static_cast<CConfigInfo*>(ar.ReadObject(RUNTIME_CLASS(CConfigInfo)));
        if (pConfig == nullptr)
            continue;
        auto it = m_Configs.find(pConfig->GetConfigID());
        if (it != m_Configs.end()) {
            if (it->second == pConfig) {
                // The same record referred to twice: it is one configuration.
                QTRACE(TRACE_WARNING, "Configuration %lu referred to twice - skipping!\n",
                       pConfig->GetConfigID());
                continue;
            }
            // Two configurations with one id: both are kept, the later one under a new id.
            const ULONG ulOldID = pConfig->GetConfigID();
            pConfig->RenumberConfigID();
            QTRACE(TRACE_WARNING, "Configuration id %lu used twice; renumbered to %lu.\n", ulOldID,
                   pConfig->GetConfigID());
        }
        pConfig->AddRef();
        try {
            m_Configs.emplace(pConfig->GetConfigID(), pConfig);
        } catch (const std::bad_alloc&) {
            pConfig->Release();
            AfxThrowMemoryException();
        }
        pConfig->SetDocument(this);
    }
}

BOOL CQuorvelDoc::ReadDocumentFile(LPCSTR lpszPathName) {
    m_bLoadIncomplete = FALSE;
    m_openFailure = OpenFailure::None;
    CFile file;
    if (lpszPathName == nullptr || !file.Open(lpszPathName, CFile::modeRead | CFile::shareDenyWrite)) {
        QTRACE(TRACE_ERROR, "Unable to open \"%s\"!\n", lpszPathName != nullptr ? lpszPathName : "");
        // A file that cannot be read is no damaged document: the framework says that opening it
        // failed.
        m_openFailure = OpenFailure::FileError;
        return FALSE;
    }
    try {
        if (file.GetLength() == 0) {
            // Not even the version: what a copy that failed or a disk that filled up leaves. Taken
            // as a document without configurations, a save would replace the user's real one.
            QTRACE(TRACE_ERROR, "\"%s\" is empty!\n", lpszPathName);
            m_bLoadIncomplete = TRUE;
            ShowLoadFailure();
        } else {
            CArchive ar(&file, CArchive::load);
            Serialize(ar);
            ar.Close();
        }
        file.Close();
    } catch (CException* e) {
        // What Serialize passes on (another version, a file error) is the framework's to report;
        // only a damaged or cut document gets the document's own box, in Serialize.
        m_openFailure =
            e->IsKindOf(RUNTIME_CLASS(CFileException)) ? OpenFailure::FileError : OpenFailure::PassedOn;
        e->Delete();
        file.Abort();
        RemoveAllConfigurations();
        return FALSE;
    }
    return TRUE;
}

BOOL CQuorvelDoc::OnOpenDocument(LPCSTR lpszPathName) {
    BOOL bResult = FALSE;
    TRACE_FUNC_BOOL("CQuorvelDoc::OnOpenDocument", bResult);
    // The file is read into a document of its own. Until something of it can be used, this
    // document keeps its configurations, its path and its modified flag, and the windows that show
    // it stay as they are: a failed open never leaves an earlier file's name on other contents.
    CQuorvelDoc loaded;
    m_openFailure = OpenFailure::None;
    if (!loaded.ReadDocumentFile(lpszPathName)) {
        m_openFailure = loaded.m_openFailure;
        return bResult;
    }
    if (loaded.m_bLoadIncomplete && loaded.m_Configs.empty()) {
        QTRACE(TRACE_ERROR, "Nothing of \"%s\" could be read!\n", lpszPathName);
        return bResult;
    }

    DeleteContents();
    m_Configs.swap(loaded.m_Configs);
    for (auto& entry : m_Configs)
        entry.second->SetDocument(this);
    if (loaded.m_bLoadIncomplete) {
        // Only part of the file was read: saving that under the file's name would destroy the
        // rest. The document stays untitled and modified, so a save asks for a new name.
        QTRACE(TRACE_WARNING, "Document read in part; it stays untitled.\n");
        m_strPathName.Empty();
        m_strTitle.Empty();
        SetModifiedFlag(TRUE);
    } else {
        SetPathName(lpszPathName);
        SetModifiedFlag(FALSE);
    }
    return bResult = TRUE;
}

BOOL CQuorvelDoc::OnSaveDocument(LPCSTR lpszPathName) {
    BOOL bResult = FALSE;
    TRACE_FUNC_BOOL("CQuorvelDoc::OnSaveDocument", bResult);
    if (lpszPathName == nullptr || *lpszPathName == '\0') {
        QTRACE(TRACE_ERROR, "Failure: No file name specified!\n");
        return bResult;
    }
    std::vector<BYTE> data;
    if (!StoreToMemory(*this, data)) {
        ShowError(nullptr, E_FAIL);
        return bResult;
    }
    const bool bWritten = ReplaceFile(lpszPathName, data.data(), data.size());
    const int nError = errno;
    if (!bWritten) {
        QTRACE(TRACE_ERROR, "Unable to write \"%s\": error %d\n", lpszPathName, nError);
        // The file itself is always created here: a name that cannot be found is its folder.
        const DWORD dwError =
            nError == ENOENT ? ERROR_PATH_NOT_FOUND : Win32ErrorFromErrno(nError, ERROR_WRITE_FAULT);
        ShowError(nullptr, HRESULT_FROM_WIN32(dwError));
        return bResult;
    }
    SetPathName(lpszPathName);
    SetModifiedFlag(FALSE);
    return bResult = TRUE;
}

// ---- command 32773 ----

void CQuorvelDoc::OnDeleteConfiguration() {
    TRACE_FUNC_VOID("CQuorvelDoc::OnDeleteConfiguration");
    IUiServices* pServices = GetUiServices();
    if (pServices != nullptr && pServices->HasMainWindow())
        pServices->SendCommandToLeftPane(QRV_CMD_DELETE_CONFIGURATION);
}
