// The application object.
#include "ui/Quorvel.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "language/LanguageDict.h"
#include "language/LanguageSettings.h"
#include "model/ErrorBoxes.h"
#include "model/QuorvelDoc.h"
#include "platform/afx/wnd/Dialog.h"
#include "platform/afx/wnd/DocTemplate.h"
#include "platform/afx/wnd/HtmlHelp.h"
#include "platform/automation/ComInit.h"
#include "platform/mapi/StoreAdmin.h"
#include "platform/win32/Handle.h"
#include "platform/win32/Module.h"
#include "platform/win32/Registry.h"
#include "platform/win32/SingleInstance.h"
#include "resources/QuorvelResources.h"
#include "resources/Resource.h"
#include "trace/Trace.h"
#include "ui/AboutDlg.h"
#include "ui/ConfigView.h"
#include "ui/LanguageStartFailure.h"
#include "ui/MainFrm.h"
#include "ui/QuorvelDocHost.h"
#include "ui/SearchResultPP.h"

BEGIN_MESSAGE_MAP(CQuorvelApp, CWinApp)
ON_COMMAND(ID_FILE_NEW, &CQuorvelApp::OnFileNew)
ON_COMMAND(ID_FILE_OPEN, &CQuorvelApp::OnFileOpen)
ON_COMMAND(ID_APP_ABOUT, &CQuorvelApp::OnAppAbout)
ON_COMMAND(ID_HELP_CONTENTS, &CQuorvelApp::OnOpenHelp)
END_MESSAGE_MAP()

namespace {

const char kHelpFile[] = "Quorvel.chm";

// The ids of the languages that have a file.
std::vector<LONG> AvailableLanguages() {
    std::vector<LONG> ids;
    CLanguageDict dict;
    LONG lCount = 0;
    CLanguageInfo* pList = nullptr;
    if (SUCCEEDED(
            dict.GetSupportedLanguageList("Quorvel", QRV_DEFAULT_LANGUAGE_ID, &lCount, &pList, "*.lng")) &&
        pList != nullptr) {
        for (LONG i = 0; i < lCount; ++i)
            ids.push_back(pList[i].GetLanguageID());
    }
    delete[] pList;
    return ids;
}

}  // namespace

CQuorvelApp::CQuorvelApp() : CWinApp("Quorvel"), m_bComInitialized(FALSE), m_hMutex(nullptr) {}

CQuorvelApp::~CQuorvelApp() {
    // Only an application whose loop never ended (a test's) gets here without its shut-down.
    ShutDown();
}

int CQuorvelApp::ExitInstance() {
    ShutDown();
    StopStoreChecks();  // quitting never waits for a store's whole-file check
    const int nExit = CWinApp::ExitInstance();
    return m_nStartFailure != 0 ? m_nStartFailure : nExit;
}

void CQuorvelApp::ShutDown() {
    if (m_bShutDown)
        return;
    m_bShutDown = TRUE;
    HRESULT hr = CloseLanguageModule();
    if (FAILED(hr))
        QTRACE(TRACE_ERROR, "Failed to close language module!\n");
    if (m_hMutex != nullptr) {
        CloseHandle(m_hMutex);
        m_hMutex = nullptr;
    }
    HtmlHelpA(nullptr, kHelpFile, HH_CLOSE_ALL, 0);
    if (m_bComInitialized)
        CoUninitialize();
    if (GetUiServices() == &m_uiServices)
        SetUiServices(nullptr);
}

LONG CQuorvelApp::ReadStoredLanguageID() {
    LONG lLanguageID = QRV_DEFAULT_LANGUAGE_ID;
    HKEY hKey = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, QRV_REGKEY_USER_SETTINGS, 0, KEY_READ, &hKey) != ERROR_SUCCESS) {
        QTRACE(TRACE_ERROR, "Failed to open registry key. Using default language %ld\n", lLanguageID);
    } else {
        DWORD dwType = 0;
        DWORD dwValue = 0;
        DWORD cbValue = sizeof dwValue;
        LSTATUS lStatus = RegQueryValueExA(hKey, QRV_REGVAL_CURRENT_LANGUAGE, nullptr, &dwType,
                                           reinterpret_cast<LPBYTE>(&dwValue), &cbValue);
        if (lStatus != ERROR_SUCCESS) {
            QTRACE(TRACE_WARNING, "Failed to get current language key (error %ld). Using default of %ld\n",
                   (LONG)lStatus, lLanguageID);
        } else if (dwType != REG_DWORD || cbValue != sizeof dwValue) {
            // Four bytes of a text are no language id.
            QTRACE(TRACE_WARNING, "Current language is not a number (type %ld). Using default of %ld\n",
                   (LONG)dwType, lLanguageID);
        } else {
            lLanguageID = (LONG)dwValue;
        }
        RegCloseKey(hKey);
    }
    return lLanguageID;
}

LONG CQuorvelApp::UsableLanguageID(LONG lLanguageID) {
    std::vector<LONG> available = AvailableLanguages();
    auto has = [&available](LONG id) {
        return std::find(available.begin(), available.end(), id) != available.end();
    };
    if (!has(lLanguageID)) {
        LONG lFallback =
            has(QRV_DEFAULT_LANGUAGE_ID) || available.empty() ? QRV_DEFAULT_LANGUAGE_ID : available.front();
        QTRACE(TRACE_WARNING, "No language file for language %ld. Using %ld\n", lLanguageID, lFallback);
        lLanguageID = lFallback;
    }
    return lLanguageID;
}

BOOL CQuorvelApp::InitInstance() {
    InitTrace("QRV", "Quorvel.ini");
    BOOL bResult = FALSE;
    TRACE_FUNC_BOOL("CQuorvelApp::InitInstance", bResult);
    RegisterQuorvelResources();
    // The form views open their Search results page through the page's own module.
    InstallSearchResultPage();

    const LONG lChosen = ReadStoredLanguageID();
    const LONG lLanguageID = UsableLanguageID(lChosen);
    // Without language files there are no texts for a box: the cause goes to the error output,
    // and the program ends with a status that tells the failure.
    auto refuse = [this](HRESULT hrFailed) {
        std::fprintf(stderr, "quorvel: %s\n", DescribeLanguageStartFailure(hrFailed).c_str());
        m_nStartFailure = 1;
    };
    HRESULT hr = InitLanguageModule();
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "Failed to initialize language module - exiting: hr = 0x%08lx\n", hr);
        refuse(hr);
        return bResult;
    }
    hr = LoadLanguages(lLanguageID);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "Failed to load language files - exiting: hr = 0x%08lx\n", hr);
        refuse(hr);
        return bResult;
    }
    // A language used in place of the chosen one, whose file is missing, is not kept: the user's
    // choice holds again once its file is back.
    if (lLanguageID == lChosen)
        SetDefaultLanguageID(lLanguageID);
    else
        UseLanguageForThisRun(lLanguageID);

    // One step that tests and takes the marker: no second start can slip in between.
    SetLastError(ERROR_SUCCESS);
    m_hMutex = CreateMutexA(nullptr, FALSE, QRV_INSTANCE_MUTEX);
    if (m_hMutex == nullptr) {
        ShowError(nullptr, "Error", "The mutex object could not be created. The program aborts now.", 170,
                  171);
        return bResult;
    }
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        ShowError(nullptr, "The program is already running",
                  "This program can only run once on one computer. Please use the instance already running.",
                  168, 169);
        CloseHandle(m_hMutex);
        m_hMutex = nullptr;
        return bResult;
    }

    hr = CoInitialize(nullptr);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "CoInitialize() failed: hr = 0x%08lx\n", hr);
        ShowError(nullptr, "Error",
                  "The call to CoInitializeEx() failed, the program must be stopped.\n\nPlease switch on "
                  "logging to get "
                  "the technical information on this error.",
                  124, 125);
        return bResult;
    }
    m_bComInitialized = TRUE;

    SetUiServices(&m_uiServices);
    AfxEnableControlContainer();
    Enable3dControls();
    SetRegistryKey("Ostrany\\Quorvel");
    LoadStdProfileSettings(0);

    AddDocTemplate(new CSingleDocTemplate(IDR_MAINFRAME, RUNTIME_CLASS(CQuorvelDocHost),
                                          RUNTIME_CLASS(CMainFrame), RUNTIME_CLASS(CConfigView)));
    EnableShellOpen();
    RegisterShellFileTypes(TRUE);

    CCommandLineInfo cmdInfo;
    ParseCommandLine(cmdInfo);
    if (!ProcessShellCommand(cmdInfo))
        return bResult;

    m_pMainWnd->ShowWindow(SW_SHOW);
    m_pMainWnd->UpdateWindow();
    m_pMainWnd->DragAcceptFiles(FALSE);
    return bResult = TRUE;
}

CQuorvelDocHost* CQuorvelApp::GetDocumentHost() const {
    CDocTemplate* pTemplate = GetDocTemplate(0);
    return pTemplate ? dynamic_cast<CQuorvelDocHost*>(pTemplate->GetFirstDocument()) : nullptr;
}

CQuorvelDoc* CQuorvelApp::GetDocument() const {
    CQuorvelDocHost* pHost = GetDocumentHost();
    return pHost ? pHost->GetQuorvelDoc() : nullptr;
}

void CQuorvelApp::ResetActiveView() {
    TRACE_FUNC_VOID("CQuorvelApp::ResetActiveView");
    auto* pFrame = dynamic_cast<CFrameWnd*>(m_pMainWnd);
    if (GetDocument() != nullptr && pFrame != nullptr)
        pFrame->SetActiveView(nullptr, TRUE);
}

HWND CQuorvelApp::ActiveViewHandle() const {
    auto* pFrame = dynamic_cast<CFrameWnd*>(m_pMainWnd);
    CView* pView = pFrame != nullptr ? pFrame->GetActiveView() : nullptr;
    return pView != nullptr ? pView->GetSafeHwnd() : nullptr;
}

void CQuorvelApp::RestoreActiveView(HWND hBefore) {
    auto* pFrame = dynamic_cast<CMainFrame*>(m_pMainWnd);
    if (pFrame == nullptr || pFrame->GetActiveView() != nullptr)
        return;
    // A cancelled or failed New or Open makes no view active: the one that was comes back (or the
    // left pane), or the document's commands would have no road to the document.
    auto* pView = dynamic_cast<CView*>(CWnd::FromHandle(hBefore));
    if (pView == nullptr || pView->GetParentFrame() != pFrame)
        pView = pFrame->GetLeftPane();
    if (pView != nullptr)
        pFrame->SetActiveView(pView);
}

void CQuorvelApp::OnFileNew() {
    TRACE_FUNC_VOID("CQuorvelApp::OnFileNew");
    const HWND hBefore = ActiveViewHandle();
    ResetActiveView();
    CWinApp::OnFileNew();
    RestoreActiveView(hBefore);
    OnIdle(0);
}

void CQuorvelApp::OnFileOpen() {
    TRACE_FUNC_VOID("CQuorvelApp::OnFileOpen");
    const HWND hBefore = ActiveViewHandle();
    ResetActiveView();
    CWinApp::OnFileOpen();
    RestoreActiveView(hBefore);
    auto* pFrame = dynamic_cast<CMainFrame*>(m_pMainWnd);
    if (pFrame != nullptr && pFrame->GetLeftPane() != nullptr)
        pFrame->GetLeftPane()->SetFocus();
    OnIdle(0);
}

void CQuorvelApp::OnAppAbout() {
    TRACE_FUNC_VOID("CQuorvelApp::OnAppAbout");
    CAboutDlg aboutDlg(m_pMainWnd);
    aboutDlg.DoModal();
}

void CQuorvelApp::OnOpenHelp() {
    TRACE_FUNC_VOID("CQuorvelApp::OnOpenHelp");
    char szModule[MAX_PATH];
    std::memset(szModule, 0, sizeof szModule);
    if (GetModuleFileNameA(nullptr, szModule, MAX_PATH - 1) == 0) {
        QTRACE(TRACE_ERROR, "GetModuleFileNAme() failed: Error code %d\n", (int)GetLastError());
        return;
    }
    size_t cbPath = std::strlen(szModule) + std::strlen(kHelpFile) + 2;
    char* pszHelpPath = static_cast<char*>(malloc(cbPath));
    if (pszHelpPath == nullptr) {
        QTRACE(TRACE_ERROR, "malloc() failed: Unable to allocate full help file name!\n");
        return;
    }
    // The directory keeps its separator; a path without one looks in the current directory.
    char* pszSlash = std::strrchr(szModule, '/');
    if (pszSlash != nullptr && pszSlash > szModule)
        pszSlash[1] = '\0';
    else
        szModule[0] = '\0';
    std::snprintf(pszHelpPath, cbPath, "%s%s", szModule, kHelpFile);
    QTRACE(TRACE_INFO, "Opening help file \"%s\"\n", pszHelpPath);
    HtmlHelpA(nullptr, pszHelpPath, HH_DISPLAY_TOC, 0);
    free(pszHelpPath);
}
