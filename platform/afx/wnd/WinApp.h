// The application object: start-up, the message loop, idle processing, document templates and
// the framework's File New / File Open.
#pragma once

#include <functional>
#include <vector>

#include "platform/afx/CString.h"
#include "platform/afx/wnd/CmdTarget.h"

class CWnd;
class CDocTemplate;
class CDocument;

class CCommandLineInfo {
public:
    enum {
        FileNew,
        FileOpen,
        FilePrint,
        FilePrintTo,
        FileDDE,
        AppUnregister,
        FileNothing = -1
    } m_nShellCommand = FileNew;
    CString m_strFileName;
    virtual ~CCommandLineInfo() = default;
    // One argument of the command line; the first that is not a flag names the file to open.
    virtual void ParseParam(LPCSTR pszParam, BOOL bFlag, BOOL bLast);
};

class CWinApp : public CCmdTarget {
    DECLARE_DYNAMIC(CWinApp)
public:
    explicit CWinApp(LPCSTR lpszAppName = nullptr);
    ~CWinApp() override;

    CWnd* m_pMainWnd = nullptr;
    CString m_strAppName;
    CString m_strRegistryKey;
    int m_nCmdShow = SW_SHOW;
    int m_argc = 0;
    char** m_argv = nullptr;

    virtual BOOL InitInstance();
    virtual int ExitInstance();
    // Runs the toolkit's message loop until the main window closes.
    virtual int Run();
    // One idle pass: command states of the main window's bars, title. FALSE: nothing more to do.
    virtual BOOL OnIdle(LONG lCount);
    BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) override;

    void AddDocTemplate(CDocTemplate* pTemplate);
    size_t GetDocTemplateCount() const { return m_templates.size(); }
    CDocTemplate* GetDocTemplate(size_t i) const { return i < m_templates.size() ? m_templates[i] : nullptr; }
    virtual CDocument* OpenDocumentFile(LPCSTR lpszFileName);

    void ParseCommandLine(CCommandLineInfo& rCmdInfo);
    BOOL ProcessShellCommand(CCommandLineInfo& rCmdInfo);

    void SetRegistryKey(LPCSTR lpszRegistryKey);
    // No recently-used file list is kept; the call is accepted for its list length.
    void LoadStdProfileSettings(UINT nMaxMRU = 4);
    void EnableShellOpen() {}
    // Records the document type under HKEY_CLASSES_ROOT so that ".qrv" files open with us.
    void RegisterShellFileTypes(BOOL bCompat = FALSE);
    BOOL Enable3dControls() { return TRUE; }

    // The file dialog; tests answer it through AfxSetFileDialogHook.
    BOOL DoPromptFileName(CString& fileName, LPCSTR lpszTitle, BOOL bOpenFileDialog, CDocTemplate* pTemplate);
    BOOL SaveAllModified();
    void CloseAllDocuments();

    // The framework's File New and File Open (the application's own handlers call them).
    void OnFileNew();
    void OnFileOpen();
    void OnAppExit();

protected:
    std::vector<CDocTemplate*> m_templates;

    DECLARE_MESSAGE_MAP()
};

CWinApp* AfxGetApp();
CWnd* AfxGetMainWnd();
LPCSTR AfxGetAppName();
BOOL AfxEnableControlContainer();
int AfxMessageBox(LPCSTR lpszText, UINT nType = 0);

// Starts the toolkit (once per process). FALSE when there is no display to open.
BOOL AfxWinInit(int argc, char** argv);
void AfxWinTerm();
// The whole life of the program: toolkit start, InitInstance, loop, ExitInstance, toolkit end.
int AfxWinMain(int argc, char** argv);

// Test hook for the file dialog: called instead of showing it; return FALSE to cancel.
using FileDialogHook = std::function<BOOL(BOOL bOpen, CString& rFileName)>;
void AfxSetFileDialogHook(FileDialogHook hook);
// The title of the file dialog asked for last, answered by the hook or by the user.
CString AfxGetLastFileDialogTitle();
