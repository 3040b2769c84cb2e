// What the model needs of the window code, served by the application's windows.
#pragma once

#include "model/UiServices.h"

class CQuorvelUiServices : public IUiServices {
public:
    std::unique_ptr<IProfileChooser> CreateProfileChooser(CWnd* pParent) override;
    std::unique_ptr<IStoreChangesReport> CreateStoreChangesReport(CWnd* pParent) override;
    std::unique_ptr<ISearchProgress> CreateSearchProgress(CWnd* pParent) override;
    ULONG_PTR GetWindowHandle(CWnd* pWnd) override;
    void BeginWaitCursor() override;
    void EndWaitCursor() override;
    BOOL HasMainWindow() override;
    void SendCommandToMainWindow(UINT nCommandID) override;
    BOOL SendCommandToLeftPane(UINT nCommandID) override;
    // Posts the box to the window thread, where it shows over the main window once the message
    // loop turns (after a search that is still drawing its result).
    void PostStoreCheckFailure(HRESULT hr) override;
};
