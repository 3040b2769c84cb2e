// The application object: start-up in a fixed order, shut-down when the message loop has ended,
// File New, File Open, help contents and the About box.
#pragma once

#include "platform/afx/wnd/WinApp.h"
#include "ui/UiServicesImpl.h"

class CQuorvelDoc;
class CQuorvelDocHost;

// The mutex that marks a running instance.
#define QRV_INSTANCE_MUTEX "Velmora"

class CQuorvelApp : public CWinApp {
public:
    CQuorvelApp();
    ~CQuorvelApp() override;

    BOOL InitInstance() override;
    // The shut-down: runs once the loop has ended, while the language module, the handle table
    // and the toolkit still stand (the destructor runs after static objects may be gone).
    int ExitInstance() override;

    // The first document of the first template, or null.
    CQuorvelDocHost* GetDocumentHost() const;
    CQuorvelDoc* GetDocument() const;
    // The frame forgets its active view, so that view is told it lost activation.
    void ResetActiveView();
    // The language the user chose: "CurrentLanguageID" when it is a REG_DWORD, else 2057.
    static LONG ReadStoredLanguageID();
    // The language to start in: lChosen when it has a file, else 2057 when that has one, else
    // the first language found.
    static LONG UsableLanguageID(LONG lChosen);
    static LONG ReadStartLanguageID() { return UsableLanguageID(ReadStoredLanguageID()); }

    void OnFileNew();
    void OnFileOpen();
    void OnAppAbout();
    void OnOpenHelp();

    BOOL m_bComInitialized;
    HANDLE m_hMutex;

protected:
    // Stops the language loader, gives back the instance marker, closes help and COM. Once only.
    void ShutDown();
    // The main frame's active view, by handle (null: none), and, when the frame has none after
    // New or Open, that view again (the left pane when it went).
    HWND ActiveViewHandle() const;
    void RestoreActiveView(HWND hBefore);

    CQuorvelUiServices m_uiServices;
    BOOL m_bShutDown = FALSE;
    int m_nStartFailure = 0;  // the exit status of a start refused without a box; 0: none

    DECLARE_MESSAGE_MAP()
};
