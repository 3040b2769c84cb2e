// The door from the model to the window code: dialogs, wait cursor and the main window's panes.
#pragma once

#include <memory>

#include "model/ProfileChooser.h"
#include "model/SearchProgress.h"
#include "model/StoreChangesReport.h"
#include "platform/win32/WinTypes.h"

class CWnd;

// The application installs one implementation at start-up (SetUiServices) and removes it at
// shut-down. Without one (tests, tools) the model runs headless: there is no main window, the
// profile chooser cannot be shown, a store-changes report is skipped (the changes still apply)
// and a search shows no progress.
class IUiServices {
public:
    virtual ~IUiServices() = default;

    // Dialogs made for a parent window (may be null); null when one cannot be made.
    virtual std::unique_ptr<IProfileChooser> CreateProfileChooser(CWnd* pParent) = 0;
    virtual std::unique_ptr<IStoreChangesReport> CreateStoreChangesReport(CWnd* pParent) = 0;
    // The modeless three-bar dialog, created and shown; it goes when the pointer is dropped.
    virtual std::unique_ptr<ISearchProgress> CreateSearchProgress(CWnd* pParent) = 0;

    // The native handle of a window for MAPI calls that take one; 0 for null.
    virtual ULONG_PTR GetWindowHandle(CWnd* pWnd) = 0;

    virtual void BeginWaitCursor() = 0;
    virtual void EndWaitCursor() = 0;

    // Whether the application's main window exists yet.
    virtual BOOL HasMainWindow() = 0;
    // Sends a command (WM_COMMAND, lParam 0) to the main window and returns once it is handled.
    virtual void SendCommandToMainWindow(UINT nCommandID) = 0;
    // Sends a command to the left pane when that pane is the configuration list; FALSE otherwise.
    virtual BOOL SendCommandToLeftPane(UINT nCommandID) = 0;
    // Called on any thread (through ReportStoreCheckFailure): a searched store failed its
    // whole-file check after the search gave its result. The box for hr is to be posted to the
    // window thread, never shown here. Headless: nothing.
    virtual void PostStoreCheckFailure(HRESULT hr) { (void)hr; }
};

// The installed services, or null. Not owned: the installer keeps the object alive.
IUiServices* GetUiServices();
void SetUiServices(IUiServices* pServices);
// From any thread: hands hr to the installed services' PostStoreCheckFailure. Services that
// SetUiServices took away are never called once it returned.
void ReportStoreCheckFailure(HRESULT hr);

// Shows the wait cursor for the life of the object (nothing without services).
class CUiWaitCursor {
public:
    CUiWaitCursor();
    ~CUiWaitCursor();
    CUiWaitCursor(const CUiWaitCursor&) = delete;
    CUiWaitCursor& operator=(const CUiWaitCursor&) = delete;

private:
    IUiServices* m_pServices;
};

// Command ids the model sends to the window code.
#define QRV_CMD_CURRENT_CONFIG_CHANGED 32771
#define QRV_CMD_DELETE_CONFIGURATION 32773
