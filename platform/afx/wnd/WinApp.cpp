// The application object over the toolkit's application: start, loop, idle, File New/Open.
#include "platform/afx/wnd/WinApp.h"

#include <wx/app.h>
#include <wx/filedlg.h>
#include <wx/init.h>
#include <wx/log.h>

#include <cstring>

#include "platform/afx/wnd/DocTemplate.h"
#include "platform/afx/wnd/Document.h"
#include "platform/afx/wnd/FrameWnd.h"
#include "platform/afx/wnd/HtmlHelp.h"
#include "platform/afx/wnd/MessageBoxUi.h"
#include "platform/afx/wnd/UiLanguage.h"
#include "platform/afx/wnd/WaitCursor.h"
#include "platform/afx/wnd/WxText.h"
#include "platform/win32/Module.h"
#include "platform/win32/Registry.h"

IMPLEMENT_DYNAMIC(CWinApp, CCmdTarget)

BEGIN_MESSAGE_MAP(CWinApp, CCmdTarget)
ON_COMMAND(ID_APP_EXIT, &CWinApp::OnAppExit)
END_MESSAGE_MAP()

namespace {

CWinApp* g_pApp = nullptr;
bool g_bToolkitStarted = false;

FileDialogHook& FileHook() {
    static FileDialogHook hook;
    return hook;
}

CString& LastFileDialogTitle() {
    static CString title;
    return title;
}

// The toolkit's application: hands idle time to the framework.
class CWxApp : public wxApp {
public:
    bool OnInit() override {
        Bind(wxEVT_IDLE, [](wxIdleEvent& e) {
            static LONG lCount = 0;
            CWinApp* pApp = AfxGetApp();
            if (pApp != nullptr && pApp->OnIdle(lCount++))
                e.RequestMore();
            else
                lCount = 0;
        });
        AfxSetWaitCursorHandler([](bool on) {
            if (on)
                wxBeginBusyCursor();
            else
                wxEndBusyCursor();
        });
        return true;
    }
};

}  // namespace

void CCommandLineInfo::ParseParam(LPCSTR pszParam, BOOL bFlag, BOOL) {
    if (!bFlag && m_strFileName.IsEmpty() && pszParam != nullptr) {
        m_strFileName = pszParam;
        m_nShellCommand = FileOpen;
    }
}

CWinApp::CWinApp(LPCSTR lpszAppName) : m_strAppName(lpszAppName) {
    g_pApp = this;
}

CWinApp::~CWinApp() {
    for (CDocTemplate* pTemplate : m_templates)
        delete pTemplate;
    m_templates.clear();
    if (g_pApp == this)
        g_pApp = nullptr;
}

CWinApp* AfxGetApp() {
    return g_pApp;
}

CWnd* AfxGetMainWnd() {
    return g_pApp ? g_pApp->m_pMainWnd : nullptr;
}

LPCSTR AfxGetAppName() {
    return g_pApp ? g_pApp->m_strAppName.GetString() : "";
}

BOOL AfxEnableControlContainer() {
    return TRUE;
}

int AfxMessageBox(LPCSTR lpszText, UINT nType) {
    CWnd* pMain = AfxGetMainWnd();
    return ::MessageBoxA(pMain ? pMain->m_hWnd : nullptr, lpszText, AfxGetAppName(), nType);
}

BOOL CWinApp::InitInstance() {
    return TRUE;
}

int CWinApp::ExitInstance() {
    return 0;
}

int CWinApp::Run() {
    if (wxTheApp == nullptr)
        return -1;
    return wxTheApp->OnRun();
}

BOOL CWinApp::OnIdle(LONG lCount) {
    AfxPumpMessages();
    if (lCount == 0) {
        if (auto* pFrame = dynamic_cast<CFrameWnd*>(m_pMainWnd))
            pFrame->OnIdleUpdateCmdUI();
    }
    return FALSE;
}

BOOL CWinApp::OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) {
    return CCmdTarget::OnCmdMsg(nID, nCode, pExtra, pHandlerInfo);
}

void CWinApp::AddDocTemplate(CDocTemplate* pTemplate) {
    if (pTemplate != nullptr)
        m_templates.push_back(pTemplate);
}

CDocument* CWinApp::OpenDocumentFile(LPCSTR lpszFileName) {
    if (m_templates.empty())
        return nullptr;
    return m_templates.front()->OpenDocumentFile(lpszFileName);
}

void CWinApp::ParseCommandLine(CCommandLineInfo& rCmdInfo) {
    for (int i = 1; i < m_argc; ++i) {
        LPCSTR p = m_argv[i];
        BOOL bFlag = (p[0] == '-' && p[1] != '\0');
        rCmdInfo.ParseParam(bFlag ? p + 1 : p, bFlag, i == m_argc - 1);
    }
}

BOOL CWinApp::ProcessShellCommand(CCommandLineInfo& rCmdInfo) {
    switch (rCmdInfo.m_nShellCommand) {
        case CCommandLineInfo::FileNew:
            // Through the command map, so the application's own File New runs.
            if (!AfxGetApp()->OnCmdMsg(ID_FILE_NEW, CN_COMMAND, nullptr, nullptr))
                OnFileNew();
            return m_pMainWnd != nullptr;
        case CCommandLineInfo::FileOpen:
            return OpenDocumentFile(rCmdInfo.m_strFileName) != nullptr;
        case CCommandLineInfo::FileNothing:
            return TRUE;
        default:
            return FALSE;
    }
}

void CWinApp::SetRegistryKey(LPCSTR lpszRegistryKey) {
    m_strRegistryKey = lpszRegistryKey;
}

void CWinApp::LoadStdProfileSettings(UINT) {}

void CWinApp::RegisterShellFileTypes(BOOL) {
    for (CDocTemplate* pTemplate : m_templates) {
        CString ext, typeId, typeName;
        if (!pTemplate->GetDocString(ext, CDocTemplate::filterExt) ||
            !pTemplate->GetDocString(typeId, CDocTemplate::regFileTypeId) || ext.IsEmpty() ||
            typeId.IsEmpty())
            continue;
        pTemplate->GetDocString(typeName, CDocTemplate::regFileTypeName);
        char exe[MAX_PATH] = {0};
        GetModuleFileNameA(nullptr, exe, MAX_PATH - 1);
        CString open = CString("\"") + exe + "\" \"%1\"";
        auto setValue = [](LPCSTR key, LPCSTR value) {
            HKEY hKey = nullptr;
            if (RegCreateKeyExA(HKEY_CLASSES_ROOT, key, 0, nullptr, 0, KEY_WRITE, nullptr, &hKey, nullptr) !=
                ERROR_SUCCESS)
                return;
            RegSetValueExA(hKey, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                           (DWORD)std::strlen(value) + 1);
            RegCloseKey(hKey);
        };
        setValue(ext, typeId);
        setValue(typeId, typeName);
        setValue(typeId + "\\shell\\open\\command", open);
        setValue(typeId + "\\shell\\print\\command", CString("\"") + exe + "\" -p \"%1\"");
        setValue(typeId + "\\shell\\printto\\command",
                 CString("\"") + exe + "\" -pt \"%1\" \"%2\" \"%3\" \"%4\"");
    }
}

BOOL CWinApp::DoPromptFileName(CString& fileName, LPCSTR lpszTitle, BOOL bOpenFileDialog,
                               CDocTemplate* pTemplate) {
    LastFileDialogTitle() = lpszTitle != nullptr ? lpszTitle : "";
    CString filterName, filterExt;
    if (pTemplate != nullptr && pTemplate->GetDocString(filterName, CDocTemplate::filterName))
        pTemplate->GetDocString(filterExt, CDocTemplate::filterExt);
    if (FileHook()) {
        if (!FileHook()(bOpenFileDialog, fileName))
            return FALSE;
    } else {
        wxString wildcard;
        if (!filterExt.IsEmpty())
            wildcard = ToWx(filterName) + "|*" + ToWx(filterExt) + "|";
        wildcard += "*|*";
        wxWindow* pParent = m_pMainWnd ? m_pMainWnd->GetWxWindow() : nullptr;
        long style =
            bOpenFileDialog ? (wxFD_OPEN | wxFD_FILE_MUST_EXIST) : (wxFD_SAVE | wxFD_OVERWRITE_PROMPT);
        // A name with a folder opens the dialog in that folder; a bare one in the current folder.
        const int nSlash = fileName.ReverseFind('/');
        const wxString folder =
            nSlash < 0 ? wxString() : ToWx(nSlash == 0 ? CString("/") : fileName.Left(nSlash));
        wxFileDialog dlg(pParent, ToWx(lpszTitle), folder, ToWx(fileName.Mid(nSlash + 1)), wildcard, style);
        if (dlg.ShowModal() != wxID_OK)
            return FALSE;
        fileName = FromWx(dlg.GetPath());
    }
    // A name saved without an extension gets the document's; a dot in a folder's name is no
    // extension of the file.
    if (!bOpenFileDialog && !filterExt.IsEmpty() && fileName.Mid(fileName.ReverseFind('/') + 1).Find('.') < 0)
        fileName += filterExt;
    return TRUE;
}

BOOL CWinApp::SaveAllModified() {
    for (CDocTemplate* pTemplate : m_templates)
        if (!pTemplate->SaveAllModified())
            return FALSE;
    return TRUE;
}

void CWinApp::CloseAllDocuments() {
    for (CDocTemplate* pTemplate : m_templates)
        pTemplate->CloseAllDocuments();
}

void CWinApp::OnFileNew() {
    if (!m_templates.empty())
        m_templates.front()->OpenDocumentFile(nullptr);
}

void CWinApp::OnFileOpen() {
    CString fileName;
    if (!DoPromptFileName(fileName, AfxFrameworkText("Open File"), TRUE,
                          m_templates.empty() ? nullptr : m_templates.front()))
        return;
    OpenDocumentFile(fileName);
}

void CWinApp::OnAppExit() {
    if (m_pMainWnd != nullptr)
        m_pMainWnd->SendMessage(WM_CLOSE);
}

void AfxSetFileDialogHook(FileDialogHook hook) {
    FileHook() = std::move(hook);
}

CString AfxGetLastFileDialogTitle() {
    return LastFileDialogTitle();
}

BOOL AfxWinInit(int argc, char** argv) {
    if (g_bToolkitStarted)
        return TRUE;
    wxApp::SetInstance(new CWxApp());
    int wxArgc = argc;
    if (!wxEntryStart(wxArgc, argv))
        return FALSE;
    if (!wxTheApp->CallOnInit()) {
        wxEntryCleanup();
        return FALSE;
    }
    // The toolkit's debug chatter is not the program's output.
    wxLog::SetLogLevel(wxLOG_Warning);
    AfxInstallMessageBoxUi();
    g_bToolkitStarted = true;
    return TRUE;
}

void AfxWinTerm() {
    if (!g_bToolkitStarted)
        return;
    // Help windows belong to the toolkit: they go before it does.
    HtmlHelpA(nullptr, nullptr, HH_CLOSE_ALL, 0);
    AfxPumpMessages();
    wxTheApp->OnExit();
    wxEntryCleanup();
    g_bToolkitStarted = false;
}

int AfxWinMain(int argc, char** argv) {
    CWinApp* pApp = AfxGetApp();
    if (pApp == nullptr)
        return 1;
    pApp->m_argc = argc;
    pApp->m_argv = argv;
    if (!AfxWinInit(argc, argv)) {
        std::fprintf(stderr, "%s: cannot open the display\n", argc > 0 ? argv[0] : "quorvel");
        return 1;
    }
    // A refused start skips the loop; ExitInstance runs once either way.
    int nResult = 0;
    if (pApp->InitInstance())
        nResult = pApp->Run();
    int nExit = pApp->ExitInstance();
    if (nResult == 0)
        nResult = nExit;
    // The main window may still stand when the loop was left another way.
    if (pApp->m_pMainWnd != nullptr)
        pApp->m_pMainWnd->DestroyWindow();
    AfxWinTerm();
    return nResult < 0 ? 0 : nResult;
}
