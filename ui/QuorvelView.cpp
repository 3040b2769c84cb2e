// The right pane: builds the form view of the current configuration and passes commands on.
#include "ui/QuorvelView.h"

#include "model/ConfigInfo.h"
#include "model/ErrorBoxes.h"
#include "model/QuorvelDoc.h"
#include "platform/afx/wnd/BusyPeriod.h"
#include "platform/afx/wnd/Gdi.h"
#include "platform/afx/wnd/WaitCursor.h"
#include "platform/afx/wnd/WinApp.h"
#include "platform/mapi/MAPICodes.h"
#include "resources/Resource.h"
#include "trace/Trace.h"
#include "ui/ConfigView.h"
#include "ui/FVBase.h"
#include "ui/FormViews.h"
#include "ui/MainFrm.h"
#include "ui/MemoryDC.h"
#include "ui/QuorvelDocHost.h"

IMPLEMENT_DYNCREATE(CQuorvelView, CView)

BEGIN_MESSAGE_MAP(CQuorvelView, CView)
ON_WM_SIZE()
ON_WM_ERASEBKGND()
ON_WM_PAINT()
ON_COMMAND(ID_CURRENT_CONFIG_CHANGED, &CQuorvelView::OnConfigChange)
ON_UPDATE_COMMAND_UI(ID_ACTIONS_START, &CQuorvelView::OnUpdateStartClear)
ON_COMMAND(ID_ACTIONS_START, &CQuorvelView::OnStartClear)
ON_COMMAND(ID_ADD_CONFIGURATION, &CQuorvelView::OnAddConfiguration)
ON_UPDATE_COMMAND_UI(ID_RENAME_CONFIGURATION, &CQuorvelView::OnUpdateRenameConfiguration)
ON_COMMAND(ID_RENAME_CONFIGURATION, &CQuorvelView::OnRenameConfiguration)
END_MESSAGE_MAP()

namespace {

void SendToLeftPane(UINT nID) {
    CWinApp* pApp = AfxGetApp();
    auto* pFrame = pApp != nullptr ? dynamic_cast<CMainFrame*>(pApp->m_pMainWnd) : nullptr;
    if (pFrame == nullptr)
        return;
    if (CConfigView* pLeft = pFrame->GetLeftPane())
        pLeft->SendMessage(WM_COMMAND, nID, 0);
}

// Its pages prepare to close, it leaves its configuration's observers, and its window goes.
void CloseForm(FVBase* pForm) {
    if (pForm == nullptr)
        return;
    pForm->CloseView();
    if (pForm->GetSafeHwnd() != nullptr)
        pForm->DestroyWindow();  // the view deletes itself with its window
    else
        delete pForm;
}

}  // namespace

CQuorvelView::CQuorvelView() {
    TRACE_CTOR("CQuorvelView");
}

CQuorvelView::~CQuorvelView() {
    TRACE_DTOR("CQuorvelView");
}

CQuorvelDoc* CQuorvelView::GetQuorvelDoc() const {
    auto* pHost = dynamic_cast<CQuorvelDocHost*>(GetDocument());
    return pHost ? pHost->GetQuorvelDoc() : nullptr;
}

BOOL CQuorvelView::PreCreateWindow(CREATESTRUCT& cs) {
    return CView::PreCreateWindow(cs);
}

void CQuorvelView::OnInitialUpdate() {
    CView::OnInitialUpdate();
}

void CQuorvelView::CloseCurrentForm() {
    FVBase* pForm = m_pCurrentForm;
    m_pCurrentForm = nullptr;
    CloseForm(pForm);
}

void CQuorvelView::OnConfigChange() {
    TRACE_FUNC_VOID("CQuorvelView::OnConfigChange");
    ++m_nConfigChanges;
    // The store check shows a modal dialog whose loop runs posted commands, so a notice can arrive
    // while a form is being built. Building inside that build would check the same stores twice
    // (listing an added store twice, or erasing a removed one twice) and leave a second form
    // behind: the notice is kept, and the current configuration is shown once the build is done.
    if (m_bBuilding) {
        m_bNoticePending = TRUE;
        return;
    }
    m_bBuilding = TRUE;
    {
        // Work on the window's thread: a click made meanwhile would reach the form that is leaving
        // (out of use, gone when the work ends) or one not laid out yet, and do nothing without a
        // word; it is refused with a sign instead, as during a search.
        CWaitCursor wait;
        CBusyPeriod busy;
        do {
            m_bNoticePending = FALSE;
            ShowCurrentConfiguration();
        } while (m_bNoticePending);
    }
    m_bBuilding = FALSE;
    // A build that ended without a form leaves the pane empty.
    CloseLeavingForm();
}

void CQuorvelView::CloseLeavingForm() {
    if (m_pLeavingForm == nullptr)
        return;
    FVBase* pForm = m_pLeavingForm;
    m_pLeavingForm = nullptr;
    CloseForm(pForm);
    if (m_pCurrentForm == nullptr)
        Invalidate(TRUE);
}

void CQuorvelView::ShowCurrentConfiguration() {
    CQuorvelDoc* pDoc = GetQuorvelDoc();
    if (pDoc == nullptr)
        return;
    const ULONG ulID = pDoc->GetCurrentConfigID();
    m_ulNoticedConfigID = ulID;
    if (ulID != m_ulCheckFailedID)
        m_ulCheckFailedID = 0;
    if (ulID == 0) {
        CloseCurrentForm();
        m_nConfigID = 0;
        Invalidate(TRUE);
        return;
    }
    if (ulID == m_nConfigID)
        return;
    m_nConfigID = 0;
    // The form shown so far stays on screen, unchanged and out of use, until the new one can be
    // drawn: the store check and the new form's pages (a large result's tree) take a while, and
    // an empty pane meanwhile looks like a window that hangs. Commands no longer reach it.
    if (m_pCurrentForm != nullptr) {
        if (m_pLeavingForm != nullptr)
            CloseCurrentForm();
        else
            m_pLeavingForm = m_pCurrentForm;
        m_pCurrentForm = nullptr;
    }

    CConfigInfo* pConfig = nullptr;
    if (!pDoc->GetConfiguration(ulID, &pConfig) || pConfig == nullptr)
        return;
    CRect rcClient;
    GetClientRect(&rcClient);
    const DWORD dwType = pConfig->GetConfigType();
    FVBase* pForm = CreateFormView(dwType);
    if (pForm == nullptr) {
        pConfig->Release();
        return;
    }
    HRESULT hr = pConfig->CheckProfileStores(this);
    if (FAILED(hr)) {
        // The same id is tried again at its next notice: m_nConfigID stays 0.
        QTRACE(TRACE_ERROR, "CheckProfileStores() failed: hr = 0x%08lx\n", hr);
        delete pForm;
        pConfig->Release();
        CloseLeavingForm();
        // Without a word the pane would just stay blank: most often the logon fails, as the
        // configuration's profile was removed or renamed, or its password changed, since the
        // configuration was made. Any other failure gets the box of its own code. One choice can
        // bring several notices for the same id (the list's own and the sender's): the user is
        // told once, and again when the configuration is chosen anew.
        if (m_ulCheckFailedID != ulID) {
            m_ulCheckFailedID = ulID;
            if (hr == MAPI_E_LOGON_FAILED)
                ShowErrorWithArgs(this, "Error",
                                  "Failed to open MAPI session (Error code 0x%1!08lx!). May be caused by a "
                                  "wrong profile password.",
                                  150, 151, (ULONG)hr);
            else
                ShowError(this, hr);
        }
        return;
    }
    if (m_bNoticePending && pDoc->GetCurrentConfigID() != ulID) {
        // Another configuration was chosen while the check ran: that one is shown instead.
        delete pForm;
        pConfig->Release();
        return;
    }
    hr = pForm->SetConfigInfo(pConfig);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "SetCofigInfo() failed: hr = 0x%08lx\n", hr);
        delete pForm;
        pConfig->Release();
        return;
    }
    // The form asks for a plain child: the pane gives it no frame of its own to size or move. It
    // is made and filled hidden, behind the form it replaces, and shown once complete.
    if (pForm->Create(nullptr, "Contacts", WS_CHILD, rcClient, this, GetFormViewControlID(dwType))) {
        pForm->SetDocument(GetDocument());
        pForm->OnInitialUpdate();
        // Installed only when complete: its pages may show boxes while they are made.
        m_pCurrentForm = pForm;
        // The old form goes from the screen in the same frame as the new one comes.
        if (m_pLeavingForm != nullptr && m_pLeavingForm->GetSafeHwnd() != nullptr)
            m_pLeavingForm->ShowWindow(SW_HIDE);
        pForm->SetWindowPos(nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_SHOWWINDOW);
        pForm->BringWindowToTop();
        AfxPaintFrameNow(pForm);
        CloseLeavingForm();
    } else {
        QTRACE(TRACE_ERROR, "Create() failed!\n");
        // A window that was made in part went with its teardown; only a bare object is left.
        if (pForm->GetSafeHwnd() == nullptr)
            delete pForm;
    }
    // Also after a failed creation: the same id is not tried again until another was chosen.
    m_nConfigID = ulID;
    pConfig->Release();
}

void CQuorvelView::OnSize(UINT, int cx, int cy) {
    // The form that stays on screen while the next is built follows the pane as well.
    for (FVBase* pForm : {m_pCurrentForm, m_pLeavingForm})
        if (pForm != nullptr && pForm->GetSafeHwnd() != nullptr)
            pForm->SetWindowPos(nullptr, 0, 0, cx, cy, SWP_NOMOVE | SWP_NOZORDER);
}

BOOL CQuorvelView::OnEraseBkgnd(CDC* pDC) {
    // The form view covers the whole pane and draws itself: erasing first would only flicker.
    if (m_pCurrentForm != nullptr || m_pLeavingForm != nullptr)
        return FALSE;
    return CView::OnEraseBkgnd(pDC);
}

void CQuorvelView::OnPaint() {
    CPaintDC dc(this);
    CMemoryDC memDC(&dc);
    OnDraw(&memDC);
}

void CQuorvelView::OnDraw(CDC* pDC) {
    if (pDC == nullptr || m_pCurrentForm != nullptr || m_pLeavingForm != nullptr)
        return;
    // An empty pane: a white area with a black outline.
    CRect rc;
    GetClientRect(&rc);
    pDC->FillSolidRect(&rc, RGB(255, 255, 255));
    COLORREF crOld = pDC->SetTextColor(RGB(0, 0, 0));
    pDC->MoveTo(rc.left, rc.top);
    pDC->LineTo(rc.right - 1, rc.top);
    pDC->LineTo(rc.right - 1, rc.bottom - 1);
    pDC->LineTo(rc.left, rc.bottom - 1);
    pDC->LineTo(rc.left, rc.top);
    pDC->SetTextColor(crOld);
}

void CQuorvelView::OnUpdateStartClear(CCmdUI* pCmdUI) {
    if (m_pCurrentForm != nullptr)
        m_pCurrentForm->OnUpdateStartClear(pCmdUI);
    else if (pCmdUI != nullptr)
        pCmdUI->Enable(FALSE);
}

void CQuorvelView::OnStartClear() {
    TRACE_FUNC_VOID("CQuorvelView::OnStartClear");
    if (m_pCurrentForm != nullptr)
        m_pCurrentForm->SendMessage(WM_COMMAND, ID_ACTIONS_START, 0);
}

HRESULT CQuorvelView::OnLanguageChanged() {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CQuorvelView::OnLanguageChanged", hr);
    if (m_pCurrentForm == nullptr)
        return hr;
    hr = m_pCurrentForm->OnLanguageChange();
    if (FAILED(hr))
        QTRACE(TRACE_ERROR, "OnLanguageChange() failed: hr = 0x%08lx\n", hr);
    return hr;
}

void CQuorvelView::OnAddConfiguration() {
    TRACE_FUNC_VOID("CQuorvelView::OnAddConfiguration");
    SendToLeftPane(ID_ADD_CONFIGURATION);
}

void CQuorvelView::OnUpdateRenameConfiguration(CCmdUI* pCmdUI) {
    if (pCmdUI != nullptr)
        pCmdUI->Enable(m_pCurrentForm != nullptr);
}

void CQuorvelView::OnRenameConfiguration() {
    TRACE_FUNC_VOID("CQuorvelView::OnRenameConfiguration");
    SendToLeftPane(ID_RENAME_CONFIGURATION);
}
