// The window side of the model's user-interface services.
#include "ui/UiServicesImpl.h"

#include "platform/afx/wnd/WaitCursor.h"
#include "platform/afx/wnd/WinApp.h"
#include "ui/ConfigView.h"
#include "ui/MainFrm.h"

// The profile chooser, the store-changes report and the progress dialog are dialogs of the
// views; until one is installed the model runs them headless.
std::unique_ptr<IProfileChooser> CQuorvelUiServices::CreateProfileChooser(CWnd*) {
    return nullptr;
}

std::unique_ptr<IStoreChangesReport> CQuorvelUiServices::CreateStoreChangesReport(CWnd*) {
    return nullptr;
}

std::unique_ptr<ISearchProgress> CQuorvelUiServices::CreateSearchProgress(CWnd*) {
    return nullptr;
}

ULONG_PTR CQuorvelUiServices::GetWindowHandle(CWnd* pWnd) {
    return pWnd ? reinterpret_cast<ULONG_PTR>(pWnd->GetSafeHwnd()) : 0;
}

void CQuorvelUiServices::BeginWaitCursor() {
    AfxBeginWaitCursor();
}

void CQuorvelUiServices::EndWaitCursor() {
    AfxEndWaitCursor();
}

BOOL CQuorvelUiServices::HasMainWindow() {
    return AfxGetApp() != nullptr && AfxGetMainWnd() != nullptr;
}

void CQuorvelUiServices::SendCommandToMainWindow(UINT nCommandID) {
    if (CWnd* pMain = AfxGetMainWnd())
        pMain->SendMessage(WM_COMMAND, nCommandID, 0);
}

BOOL CQuorvelUiServices::SendCommandToLeftPane(UINT nCommandID) {
    auto* pFrame = dynamic_cast<CMainFrame*>(AfxGetMainWnd());
    CConfigView* pLeft = pFrame ? pFrame->GetLeftPane() : nullptr;
    if (pLeft == nullptr)
        return FALSE;
    pLeft->SendMessage(WM_COMMAND, nCommandID, 0);
    return TRUE;
}
