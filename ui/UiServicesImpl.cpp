// The window side of the model's user-interface services.
#include "ui/UiServicesImpl.h"

#include <wx/app.h>

#include "model/ErrorBoxes.h"
#include "trace/Trace.h"

#include "platform/afx/wnd/WaitCursor.h"
#include "platform/afx/wnd/WinApp.h"
#include "ui/ConfigView.h"
#include "ui/DialogServices.h"
#include "ui/MainFrm.h"
#include "ui/SearchProgressDialog.h"

// The profile chooser, the store-changes report and the search progress are the dialogs of their
// own files.
std::unique_ptr<IProfileChooser> CQuorvelUiServices::CreateProfileChooser(CWnd* pParent) {
    return CreateProfileDialogChooser(pParent);
}

std::unique_ptr<IStoreChangesReport> CQuorvelUiServices::CreateStoreChangesReport(CWnd* pParent) {
    return CreateProfileStoreChangesReport(pParent);
}

std::unique_ptr<ISearchProgress> CQuorvelUiServices::CreateSearchProgress(CWnd* pParent) {
    return CreateSearchProgressDialog(pParent);
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

void CQuorvelUiServices::PostStoreCheckFailure(HRESULT hr) {
    // The toolkit's queue of calls takes them from any thread; its drawing-only turns during a
    // search leave them queued.
    if (wxTheApp == nullptr)
        return;
    wxTheApp->CallAfter([hr] {
        TRACE_FUNC_VOID("CQuorvelUiServices::PostStoreCheckFailure");
        ShowError(AfxGetMainWnd(), hr);
    });
}
