// The main frame window.
#include "ui/MainFrm.h"

#include <cstdlib>
#include <cstring>

#include "language/LanguageSettings.h"
#include "model/QuorvelDoc.h"
#include "platform/afx/wnd/Dialog.h"
#include "platform/afx/wnd/DocTemplate.h"
#include "platform/afx/wnd/Menu.h"
#include "platform/afx/wnd/WinApp.h"
#include "resources/Resource.h"
#include "trace/Trace.h"
#include "ui/ConfigView.h"
#include "ui/FrameTexts.h"
#include "ui/QuorvelDocHost.h"
#include "ui/QuorvelView.h"

IMPLEMENT_DYNCREATE(CMainFrame, CFrameWnd)

BEGIN_MESSAGE_MAP(CMainFrame, CFrameWnd)
ON_WM_CREATE()
ON_WM_INITMENU()
ON_NOTIFY_EX(TTN_NEEDTEXTA, 0, &CMainFrame::OnToolTipText)
ON_COMMAND(ID_CHANGE_LANGUAGE, &CMainFrame::OnChangeLanguage)
ON_UPDATE_COMMAND_UI(ID_FILE_SAVE, &CMainFrame::OnUpdateFileSave)
ON_COMMAND(ID_FILE_SAVE, &CMainFrame::OnFileSave)
ON_COMMAND(ID_ADD_CONFIGURATION, &CMainFrame::OnAddConfiguration)
ON_UPDATE_COMMAND_UI(ID_ADD_CONFIGURATION, &CMainFrame::OnUpdateAddConfiguration)
ON_COMMAND(ID_DELETE_CONFIGURATION, &CMainFrame::OnDeleteConfiguration)
ON_COMMAND(ID_RENAME_CONFIGURATION, &CMainFrame::OnRenameConfiguration)
ON_UPDATE_COMMAND_UI(ID_RENAME_CONFIGURATION, &CMainFrame::OnUpdateRenameConfiguration)
END_MESSAGE_MAP()

namespace {

const UINT kIndicators[] = {ID_SEPARATOR, ID_INDICATOR_CAPS, ID_INDICATOR_NUM, ID_INDICATOR_SCRL};

LanguageChooser g_pfnLanguageChooser = nullptr;

// Shared by every title update: a nested update (from setting the title) does nothing.
int g_nTitleGuard = 0;

// The first document of the first template: the one document of the program.
CQuorvelDocHost* FirstDocument() {
    CWinApp* pApp = AfxGetApp();
    CDocTemplate* pTemplate = pApp ? pApp->GetDocTemplate(0) : nullptr;
    return pTemplate ? dynamic_cast<CQuorvelDocHost*>(pTemplate->GetFirstDocument()) : nullptr;
}

// A language text through the escape rules of the menus, or null (traced).
LPSTR FetchMenuText(LONG nTextID) {
    LPSTR pszText = nullptr;
    HRESULT hr = GetLanguageText(&pszText, nTextID);
    if (FAILED(hr) || pszText == nullptr) {
        QTRACE(TRACE_ERROR, "GetLanguageText() failed: hr = 0x%08lx\n", hr);
        free(pszText);
        return nullptr;
    }
    CMainFrame::ReplaceEscapeChars(pszText);
    return pszText;
}

}  // namespace

void SetLanguageChooser(LanguageChooser pfnChooser) {
    g_pfnLanguageChooser = pfnChooser;
}

CMainFrame::CMainFrame() {
    TRACE_CTOR("CMainFrame");
}

CMainFrame::~CMainFrame() {
    TRACE_DTOR("CMainFrame");
}

CConfigView* CMainFrame::GetLeftPane() const {
    return dynamic_cast<CConfigView*>(m_wndSplitter.GetPane(0, 0));
}

CQuorvelView* CMainFrame::GetRightPane() const {
    return dynamic_cast<CQuorvelView*>(m_wndSplitter.GetPane(0, 1));
}

BOOL CMainFrame::PreCreateWindow(CREATESTRUCT& cs) {
    BOOL bResult = FALSE;
    TRACE_FUNC_BOOL("CMainFrame::PreCreateWindow", bResult);
    if (!CFrameWnd::PreCreateWindow(cs))
        return bResult;
    // The user cannot resize the window: its size follows the form views' template.
    cs.style &= ~WS_THICKFRAME;
    cs.style |= WS_BORDER;
    return bResult = TRUE;
}

int CMainFrame::OnCreate(LPCREATESTRUCT lpcs) {
    int nResult = -1;
    TRACE_FUNC_RESULT("CMainFrame::OnCreate", nResult);
    if (CFrameWnd::OnCreate(lpcs) == -1)
        return nResult;
    if (!m_wndToolBar.CreateEx(this, TBSTYLE_FLAT, WS_CHILD | WS_VISIBLE | CBRS_ALIGN_TOP, CRect(0, 0, 0, 0),
                               AFX_IDW_TOOLBAR) ||
        !m_wndToolBar.LoadToolBar(IDR_MAINFRAME)) {
        QTRACE(TRACE_ERROR, "Failed to create toolbar\n");
        return nResult;
    }
    if (!m_wndReBar.Create(this) ||
        !m_wndReBar.AddBar(&m_wndToolBar, nullptr, nullptr, RBBS_GRIPPERALWAYS | RBBS_FIXEDBMP)) {
        QTRACE(TRACE_ERROR, "Failed to create rebar\n");
        return nResult;
    }
    if (!m_wndStatusBar.Create(this, WS_CHILD | WS_VISIBLE | CBRS_BOTTOM, AFX_IDW_STATUS_BAR) ||
        !m_wndStatusBar.SetIndicators(kIndicators, (int)(sizeof kIndicators / sizeof kIndicators[0]))) {
        QTRACE(TRACE_ERROR, "Failed to create status bar\n");
        return nResult;
    }
    m_wndToolBar.SetBarStyle(m_wndToolBar.GetBarStyle() | CBRS_TOOLTIPS | CBRS_FLYBY);
    AdjustFrameSize();
    return nResult = 0;
}

BOOL CMainFrame::MeasureFormTemplate(CSize& size) {
    if (AfxFindDialogTemplate(IDD_FV_TASK) == nullptr)
        return FALSE;
    CDialog probe;
    if (!probe.Create(IDD_FV_TASK, this))
        return FALSE;
    CRect rect;
    probe.GetWindowRect(&rect);
    size = CSize(rect.Width(), rect.Height());
    probe.DestroyWindow();
    return TRUE;
}

BOOL CMainFrame::OnCreateClient(LPCREATESTRUCT, CCreateContext* pContext) {
    BOOL bResult = FALSE;
    TRACE_FUNC_BOOL("CMainFrame::OnCreateClient", bResult);
    CSize measured(800, 600);
    if (!m_wndSplitter.CreateStatic(this, 1, 2, WS_CHILD | WS_VISIBLE, AFX_IDW_PANE_FIRST)) {
        QTRACE(TRACE_ERROR, "Failed to create splitter\n");
        return bResult;
    }
    MeasureFormTemplate(measured);
    if (!m_wndSplitter.CreateView(0, 0, RUNTIME_CLASS(CConfigView), CSize(150, measured.cy), pContext) ||
        !m_wndSplitter.CreateView(0, 1, RUNTIME_CLASS(CQuorvelView), measured, pContext)) {
        QTRACE(TRACE_ERROR, "Failed to create the panes\n");
        m_wndSplitter.DestroyWindow();
        return bResult;
    }
    m_wndSplitter.RecalcLayout();
    LoadMenuTexts();
    return bResult = TRUE;
}

void CMainFrame::AdjustFrameSize() {
    TRACE_FUNC_VOID("CMainFrame::AdjustFrameSize");
    CSize target(818, 680);
    CSize measured;
    if (MeasureFormTemplate(measured))
        target = CSize(measured.cx + 10, measured.cy + 10);
    RecalcLayout();
    int cxColumn = 0, cyRow = 0, nMin = 0;
    m_wndSplitter.GetColumnInfo(1, cxColumn, nMin);
    m_wndSplitter.GetRowInfo(0, cyRow, nMin);
    int cxExtra = target.cx - cxColumn + GetSystemMetrics(SM_CYHSCROLL) + 2 * GetSystemMetrics(SM_CXBORDER);
    int cyExtra = target.cy - cyRow + GetSystemMetrics(SM_CXVSCROLL) + 2 * GetSystemMetrics(SM_CYBORDER);
    CRect rect;
    GetWindowRect(&rect);
    rect.right += cxExtra;
    rect.bottom += cyExtra;
    // Never larger than the desktop's work area (the screen less its panels and docks); the form
    // view scrolls what does not fit.
    CRect desktop;
    SystemParametersInfo(SPI_GETWORKAREA, 0, &desktop, 0);
    if (rect.Width() > desktop.Width()) {
        rect.left = desktop.left;
        rect.right = desktop.right;
    }
    if (rect.Height() > desktop.Height()) {
        rect.top = desktop.top;
        rect.bottom = desktop.bottom;
    }
    SetWindowPos(nullptr, 0, 0, rect.Width(), rect.Height(), SWP_NOMOVE | SWP_NOZORDER);
    RecalcLayout();
    CenterWindow();
}

BOOL CMainFrame::OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) {
    // The notice of a new current configuration always reaches the right pane.
    if (nCode == CN_COMMAND && nID == ID_CURRENT_CONFIG_CHANGED && pHandlerInfo == nullptr) {
        CQuorvelView* pRight = GetRightPane();
        if (pRight == nullptr)
            return FALSE;
        return (BOOL)pRight->SendMessage(WM_COMMAND, ID_CURRENT_CONFIG_CHANGED, 0);
    }
    return CFrameWnd::OnCmdMsg(nID, nCode, pExtra, pHandlerInfo);
}

BOOL CMainFrame::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    auto* pNMHDR = reinterpret_cast<NMHDR*>(lParam);
    if (pNMHDR != nullptr && pNMHDR->idFrom == IDC_CONFIG_LIST) {
        CQuorvelView* pRight = GetRightPane();
        if (pRight == nullptr)
            return FALSE;
        *pResult = pRight->SendMessage(WM_NOTIFY, wParam, lParam);
        return TRUE;
    }
    return CFrameWnd::OnNotify(wParam, lParam, pResult);
}

void CMainFrame::GetMessageString(UINT nID, CString& rMessage) const {
    LONG nTextID = FindPromptTextID(nID);
    if (nTextID < 0)
        return;
    LPSTR pszText = nullptr;
    HRESULT hr = GetLanguageText(&pszText, nTextID);
    if (SUCCEEDED(hr) && pszText != nullptr)
        rMessage = pszText;
    else
        QTRACE(TRACE_ERROR, "GetLanguageText() failed: hr = 0x%08lx\n", hr);
    free(pszText);
}

void CMainFrame::OnUpdateFrameTitle(BOOL bAddToTitle) {
    if (g_nTitleGuard > 0)
        return;
    ++g_nTitleGuard;
    CDocument* pDoc = GetActiveDocument();
    if (bAddToTitle && pDoc != nullptr && pDoc->GetPathName().IsEmpty()) {
        LPSTR pszTitle = nullptr;
        HRESULT hr = GetLanguageText(&pszTitle, QRV_UNTITLED_TEXT_ID);
        if (SUCCEEDED(hr) && pszTitle != nullptr)
            pDoc->SetTitle(pszTitle);
        else
            QTRACE(TRACE_ERROR, "GetLanguageText() failed: hr = 0x%08lx\n", hr);
        free(pszTitle);
    }
    CFrameWnd::OnUpdateFrameTitle(bAddToTitle);
    --g_nTitleGuard;
}

HRESULT CMainFrame::ReplaceEscapeChars(LPSTR pszText) {
    if (pszText == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid text argument specified!\n");
        return E_INVALIDARG;
    }
    char* pOut = pszText;
    for (const char* p = pszText; *p != '\0'; ++p) {
        if (*p != '\\') {
            *pOut++ = *p;
            continue;
        }
        ++p;
        if (*p == '\0')
            break;
        if (*p == '\\')
            *pOut++ = '\\';
        else if (*p == 'a')
            *pOut++ = '\a';
        else if (*p == 't')
            *pOut++ = '\t';
    }
    *pOut = '\0';
    return S_OK;
}

void CMainFrame::LoadMenuTexts() {
    TRACE_FUNC_VOID("CMainFrame::LoadMenuTexts");
    CMenu* pMenu = GetMenu();
    if (pMenu == nullptr)
        return;
    for (int nPos = 0; nPos < 4 && nPos < (int)pMenu->GetMenuItemCount(); ++nPos) {
        LPSTR pszText = FetchMenuText(FindPopupTextID(nPos));
        if (pszText == nullptr)
            continue;
        pMenu->ModifyMenu((UINT)nPos, MF_BYPOSITION | MF_STRING | MF_POPUP, 0, pszText);
        free(pszText);
    }
}

void CMainFrame::LoadPopupMenuTexts(CMenu* pMenu) {
    if (pMenu == nullptr)
        return;
    UINT nCount = pMenu->GetMenuItemCount();
    for (UINT nPos = 0; nPos < nCount && nCount != (UINT)-1; ++nPos) {
        MENUITEMINFO info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_ID | MIIM_SUBMENU | MIIM_TYPE;
        if (!pMenu->GetMenuItemInfo(nPos, &info, TRUE))
            continue;
        if (info.hSubMenu != nullptr) {
            // The same road as a menu activation, so the framework's handling runs too.
            SendMessage(WM_INITMENU, reinterpret_cast<WPARAM>(info.hSubMenu));
            continue;
        }
        LONG nTextID = FindMenuTextID(info.wID);
        if (nTextID < 0)
            continue;
        LPSTR pszText = FetchMenuText(nTextID);
        if (pszText == nullptr)
            continue;
        if (!pMenu->ModifyMenu(info.wID, MF_BYCOMMAND | MF_STRING, info.wID, pszText))
            QTRACE(TRACE_ERROR, "ModifyMenu() failed.\n");
        free(pszText);
    }
}

void CMainFrame::OnInitMenu(CMenu* pMenu) {
    CFrameWnd::OnInitMenu(pMenu);
    LoadPopupMenuTexts(pMenu);
}

BOOL CMainFrame::OnToolTipText(UINT, NMHDR* pNMHDR, LRESULT* pResult) {
    BOOL bResult = FALSE;
    TRACE_FUNC_BOOL("CMainFrame::OnToolTipText", bResult);
    if (pNMHDR == nullptr)
        return bResult;
    bResult = AnswerToolTipRequest(pNMHDR);
    if (pResult != nullptr)
        *pResult = bResult ? 1 : 0;
    return bResult;
}

void CMainFrame::OnChangeLanguage() {
    TRACE_FUNC_VOID("CMainFrame::OnChangeLanguage");
    LONG lLanguageID = GetCurrentLanguageID();
    if (g_pfnLanguageChooser == nullptr || g_pfnLanguageChooser(this, &lLanguageID) != IDOK)
        return;
    ApplyLanguage(lLanguageID);
}

void CMainFrame::ApplyLanguage(LONG lLanguageID) {
    TRACE_FUNC_VOID("CMainFrame::ApplyLanguage");
    HRESULT hr = SetDefaultLanguageID(lLanguageID);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "SetDefaultLanguageID() failed: hr = 0x%08lx\n", hr);
        return;
    }
    CQuorvelView* pRight = GetRightPane();
    if (pRight == nullptr) {
        QTRACE(TRACE_ERROR, "Unable to get right pane!\n");
        return;
    }
    auto* pLeft = dynamic_cast<CConfigView*>(m_wndSplitter.GetPane(0, 0));
    if (pLeft == nullptr) {
        QTRACE(TRACE_ERROR, "Unable to get left pane!\n");
        return;
    }
    pRight->OnLanguageChanged();
    pLeft->OnLanguageChanged();
    CDocument* pDoc = pRight->GetDocument();
    if (pDoc != nullptr && pDoc->GetPathName().IsEmpty()) {
        LPSTR pszTitle = nullptr;
        if (SUCCEEDED(GetLanguageText(&pszTitle, QRV_UNTITLED_TEXT_ID)) && pszTitle != nullptr)
            pDoc->SetTitle(pszTitle);
        free(pszTitle);
    }
    LoadMenuTexts();
    DrawMenuBar();
}

void CMainFrame::OnUpdateFileSave(CCmdUI* pCmdUI) {
    CQuorvelDocHost* pDoc = FirstDocument();
    pCmdUI->Enable(pDoc != nullptr && pDoc->IsModified());
}

// The frame enables Save by itself whenever the document is modified, also while no view is active
// (New and Open run without one): then no view passes Save on, and the frame does.
void CMainFrame::OnFileSave() {
    TRACE_FUNC_VOID("CMainFrame::OnFileSave");
    if (CQuorvelDocHost* pDoc = FirstDocument())
        pDoc->DoFileSave();
}

void CMainFrame::SendToLeftPane(UINT nID) {
    if (CConfigView* pLeft = GetLeftPane())
        pLeft->SendMessage(WM_COMMAND, nID, 0);
}

void CMainFrame::OnAddConfiguration() {
    SendToLeftPane(ID_ADD_CONFIGURATION);
}

void CMainFrame::OnUpdateAddConfiguration(CCmdUI* pCmdUI) {
    pCmdUI->Enable(TRUE);
}

void CMainFrame::OnDeleteConfiguration() {
    CConfigView* pLeft = GetLeftPane();
    if (pLeft == nullptr)
        return;
    SetActiveView(pLeft);
    pLeft->PostMessage(WM_COMMAND, ID_DELETE_CONFIGURATION, 0);
}

void CMainFrame::OnRenameConfiguration() {
    SendToLeftPane(ID_RENAME_CONFIGURATION);
}

void CMainFrame::OnUpdateRenameConfiguration(CCmdUI* pCmdUI) {
    CQuorvelDocHost* pDoc = FirstDocument();
    pCmdUI->Enable(pDoc != nullptr && pDoc->GetQuorvelDoc()->GetCurrentConfigID() != 0);
}
