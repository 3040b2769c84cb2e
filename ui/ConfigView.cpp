// The left pane: the configuration list with its add, delete, rename and start commands.
#include "ui/ConfigView.h"

#include <wx/bitmap.h>
#include <wx/imaglist.h>

#include <algorithm>
#include <cstdlib>

#include "language/LanguageSettings.h"
#include "model/ConfigInfo.h"
#include "model/ErrorBoxes.h"
#include "model/QuorvelDoc.h"
#include "platform/afx/wnd/FrameWnd.h"
#include "platform/afx/wnd/Gdi.h"
#include "platform/afx/wnd/Resources.h"
#include "platform/afx/wnd/WinApp.h"
#include "resources/Resource.h"
#include "resources/ViewResources.h"
#include "trace/Trace.h"
#include "ui/CreateConfigDlg.h"
#include "ui/LanguageDlg.h"
#include "ui/MainFrm.h"
#include "ui/QuorvelDocHost.h"
#include "ui/QuorvelView.h"
#include "ui/RenameConfigDlg.h"

IMPLEMENT_DYNCREATE(CConfigView, CView)

BEGIN_MESSAGE_MAP(CConfigView, CView)
ON_WM_SIZE()
ON_WM_DESTROY()
ON_COMMAND(ID_ADD_CONFIGURATION, &CConfigView::OnAddConfig)
ON_COMMAND(ID_DELETE_CONFIGURATION, &CConfigView::OnDeleteConfiguration)
ON_UPDATE_COMMAND_UI(ID_RENAME_CONFIGURATION, &CConfigView::OnUpdateRenameConfiguration)
ON_COMMAND(ID_RENAME_CONFIGURATION, &CConfigView::OnRenameConfiguration)
ON_UPDATE_COMMAND_UI(ID_ACTIONS_START, &CConfigView::OnUpdateStartClear)
ON_COMMAND(ID_ACTIONS_START, &CConfigView::OnStartClear)
END_MESSAGE_MAP()

namespace {

#ifndef LVCFMT_CENTER
#define LVCFMT_CENTER 2
#endif

// WS_CHILD | WS_CLIPSIBLINGS, report view, single selection, selection always shown, sorted.
const DWORD kListStyle = 0x4400001D;
// The type icons, and the column that shows them.
constexpr int kIconSize = 16;
constexpr int kIconColumnWidth = 18;

// Holds one configuration reference and gives it back when it goes.
struct ConfigRef {
    CConfigInfo* p = nullptr;
    ~ConfigRef() {
        if (p != nullptr)
            p->Release();
    }
};

CMainFrame* MainFrame() {
    CWinApp* pApp = AfxGetApp();
    return pApp != nullptr ? dynamic_cast<CMainFrame*>(pApp->m_pMainWnd) : nullptr;
}

}  // namespace

CConfigView::CConfigView() {
    TRACE_CTOR("CConfigView");
    // Every main window has this view: it brings the language dialog to the frame's command.
    CSelectLanguageDlg::Install();
}

CConfigView::~CConfigView() {
    TRACE_DTOR("CConfigView");
}

CQuorvelDoc* CConfigView::GetQuorvelDoc() const {
    auto* pHost = dynamic_cast<CQuorvelDocHost*>(GetDocument());
    return pHost ? pHost->GetQuorvelDoc() : nullptr;
}

BOOL CConfigView::PreCreateWindow(CREATESTRUCT& cs) {
    cs.style |= WS_CLIPSIBLINGS | WS_DLGFRAME;
    return CView::PreCreateWindow(cs);
}

CRect CConfigView::GetListRect() const {
    CRect rect;
    GetWindowRect(&rect);
    ScreenToClient(&rect);
    rect.DeflateRect(10, 10);
    return rect;
}

int CConfigView::GetTypeImage(DWORD dwType) {
    switch (dwType) {
        case 1:
            return 1;
        case 2:
            return 0;
        case 4:
            return 4;
        case 5:
            return 5;
        case 6:
            return 3;
        default:
            return 2;
    }
}

void CConfigView::OnInitialUpdate() {
    TRACE_FUNC_VOID("CConfigView::OnInitialUpdate");
    CView::OnInitialUpdate();
    CQuorvelDoc* pDoc = GetQuorvelDoc();
    m_bInitialized = TRUE;
    m_bFilling = TRUE;
    if (m_wndList.GetSafeHwnd() == nullptr) {
        if (!m_wndList.Create(kListStyle, GetListRect(), this, IDC_CONFIG_LIST)) {
            QTRACE(TRACE_ERROR, "Failed to create configuration list!\n");
            m_bFilling = FALSE;
            return;
        }
        m_wndList.SetExtendedStyle(LVS_EX_FULLROWSELECT);
        m_ImageList.Create(kIconSize, kIconSize, ILC_COLOR24 | ILC_MASK, 6, 6);
        // Image order: appointments, contacts, mails, journal, notes, tasks.
        for (UINT nIcon : {IDI_TYPE_APPOINTMENT, IDI_TYPE_CONTACT, IDI_TYPE_MAIL, IDI_TYPE_JOURNAL,
                           IDI_TYPE_NOTE, IDI_TYPE_TASK}) {
            const wxBitmap* pIcon = AfxFindIconResource(nIcon);
            if (pIcon != nullptr && pIcon->IsOk() && m_ImageList.GetWxImageList() != nullptr)
                m_ImageList.GetWxImageList()->Add(*pIcon);
            else
                QTRACE(TRACE_ERROR, "Unable to load icon %u!\n", nIcon);
        }
        m_wndList.SetImageList(&m_ImageList, LVSIL_SMALL);
        // The icon column is 18 pixels; the name column takes the rest but for 2. Where the list
        // keeps a margin inside its columns, the icon column widens by it (at the name column's
        // expense) so the icons are not cut.
        const int cxIcons = std::max(kIconColumnWidth, kIconSize + CListCtrl::kColumnContentMargin);
        m_wndList.InsertColumn(0, "", LVCFMT_CENTER, cxIcons);
        LPSTR pszText = nullptr;
        HRESULT hr = GetLanguageText(&pszText, 42);
        if (FAILED(hr) || pszText == nullptr)
            QTRACE(TRACE_ERROR, "GetLanguageText(ID_CONFIGURATION_CAPTION) failed: hr = 0x%08lx\n", hr);
        CRect rcClient;
        m_wndList.GetClientRect(&rcClient);
        m_wndList.InsertColumn(1, pszText != nullptr ? pszText : "Configuration", LVCFMT_LEFT,
                               rcClient.Width() - cxIcons - 2);
        std::free(pszText);
    } else {
        m_wndList.DeleteAllItems();
    }
    if (pDoc != nullptr) {
        POSITION pos = nullptr;
        CConfigInfo* pConfig = nullptr;
        BOOL bSelect = TRUE;
        for (BOOL bMore = pDoc->GetFirstConfiguration(pos, &pConfig); bMore;
             bMore = pDoc->GetNextConfiguration(pos, &pConfig)) {
            ConfigRef ref{pConfig};
            InsertItem(pConfig, bSelect);
            bSelect = FALSE;
        }
    }
    m_wndList.ShowWindow(SW_SHOW);
    Invalidate(TRUE);
    UpdateWindow();
    m_wndList.SetSelectionMark(0);
    m_bFilling = FALSE;
    // The first row is drawn selected: the right pane shows that configuration, not an empty pane
    // under a selected row. The notice the list sent while filling was held back until now.
    OnSelectionChanged();
}

BOOL CConfigView::InsertItem(CConfigInfo* pConfig, BOOL bSelect) {
    BOOL bResult = FALSE;
    TRACE_FUNC_BOOL("CConfigView::InsertItem", bResult);
    if (pConfig == nullptr)
        return bResult;
    int nRow = m_wndList.InsertItem(m_wndList.GetItemCount(), "", GetTypeImage(pConfig->GetConfigType()));
    if (nRow < 0)
        return bResult;
    // The id goes in before the selected state: a selection notice reads it at once.
    m_wndList.SetItemData(nRow, pConfig->GetConfigID());
    if (bSelect)
        m_wndList.SetItemState(nRow, LVIS_SELECTED, LVIS_SELECTED);
    bResult = m_wndList.SetItemText(nRow, 1, pConfig->GetConfigName());
    return bResult;
}

BOOL CConfigView::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    auto* pNMHDR = reinterpret_cast<NMHDR*>(lParam);
    if (pNMHDR != nullptr && pNMHDR->idFrom == IDC_CONFIG_LIST && pNMHDR->code == LVN_ITEMCHANGED) {
        if (pResult != nullptr)
            *pResult = 1;
        OnSelectionChanged();
        return TRUE;
    }
    return CView::OnNotify(wParam, lParam, pResult);
}

void CConfigView::OnSelectionChanged() {
    TRACE_FUNC_VOID("CConfigView::OnSelectionChanged");
    CQuorvelDoc* pDoc = GetQuorvelDoc();
    if (!m_bInitialized || m_bFilling || pDoc == nullptr)
        return;
    int nRow = m_wndList.GetNextItem(-1, LVNI_SELECTED);
    if (nRow < 0)
        return;
    pDoc->SetCurrentConfigID((ULONG)m_wndList.GetItemData(nRow));
    // Posted: the right pane is rebuilt after the list finished its notification.
    if (CWinApp* pApp = AfxGetApp(); pApp != nullptr && pApp->m_pMainWnd != nullptr)
        pApp->m_pMainWnd->PostMessage(WM_COMMAND, ID_CURRENT_CONFIG_CHANGED, 0);
}

void CConfigView::OnSize(UINT, int, int) {
    if (!m_bInitialized || m_wndList.GetSafeHwnd() == nullptr)
        return;
    CRect rect = GetListRect();
    m_wndList.SetWindowPos(nullptr, rect.left, rect.top, rect.Width(), rect.Height(), SWP_NOZORDER);
}

void CConfigView::OnDestroy() {
    // The list only borrows the image list, which goes with this object; the toolkit's list may
    // outlive it until the next turn of the loop, so it lets go of the images now.
    if (m_wndList.GetSafeHwnd() != nullptr)
        m_wndList.SetImageList(nullptr, LVSIL_SMALL);
    CView::OnDestroy();
}

void CConfigView::OnPrepareDC(CDC* pDC) {
    if (pDC == nullptr)
        return;
    pDC->SetBkColor(GetSysColor(COLOR_BTNFACE));
    pDC->SetTextColor(GetSysColor(COLOR_BTNFACE));
}

void CConfigView::OnDraw(CDC* pDC) {
    if (pDC == nullptr)
        return;
    OnPrepareDC(pDC);
    CRect rcClient;
    GetClientRect(&rcClient);
    pDC->FillSolidRect(&rcClient, GetSysColor(COLOR_BTNFACE));
    // The toolkit draws the list over this background itself; repainting it from inside this
    // paint would only queue another paint of the whole pane.
}

BOOL CConfigView::IsNameInUse(const CString& strName, ULONG ulExceptID) {
    CQuorvelDoc* pDoc = GetQuorvelDoc();
    if (pDoc == nullptr)
        return FALSE;
    POSITION pos = nullptr;
    CConfigInfo* pConfig = nullptr;
    for (BOOL bMore = pDoc->GetFirstConfiguration(pos, &pConfig); bMore;
         bMore = pDoc->GetNextConfiguration(pos, &pConfig)) {
        ConfigRef ref{pConfig};
        if (pConfig->GetConfigID() != ulExceptID && pConfig->GetConfigName() == strName)
            return TRUE;
    }
    return FALSE;
}

void CConfigView::OnAddConfig() {
    TRACE_FUNC_VOID("CConfigView::OnAddConfig");
    CQuorvelDoc* pDoc = GetQuorvelDoc();
    if (pDoc == nullptr)
        return;
    CCreateConfiguration dlg(this);
    if (dlg.DoModal() != IDOK)
        return;
    CString strName = dlg.GetName();
    DWORD dwType = dlg.GetType();
    if (IsNameInUse(strName, 0)) {
        ShowError(this, "Duplicate name",
                  "The name for the new confog file is already in use.\nPlease use a unique name.", 139, 140);
        return;
    }
    ConfigRef config;
    HRESULT hr = CConfigInfo::CreateConfigInfo(strName, dwType, pDoc, &config.p);
    if (FAILED(hr) || config.p == nullptr) {
        QTRACE(TRACE_ERROR, "CreateConfigInfo() failed: hr = 0x%08lx\n", hr);
        ShowError(
            this, "Unable to create configuration",
            "Unable to create a new configuration,\nMostly, this is happens under low memory conitions.", 142,
            143);
        return;
    }
    const ULONG ulID = config.p->GetConfigID();
    hr = pDoc->AddConfiguration(config.p);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "AddConfiguration() failed: hr = 0x%08lx\n", hr);
        ShowError(this, "Unable to store configuration",
                  "Failed to store new configuration - please free up more memory.", 144, 145);
        return;
    }
    InsertItem(config.p, FALSE);
    pDoc->SetModifiedFlag(TRUE);
    int nMark = m_wndList.GetSelectionMark();
    if (nMark >= 0)
        m_wndList.SetItemState(nMark, 0, LVIS_SELECTED);
    int nRow = m_wndList.FindItemByData(ulID);
    if (nRow >= 0) {
        m_wndList.SetSelectionMark(nRow);
        m_wndList.SetItemState(nRow, LVIS_SELECTED, LVIS_SELECTED);
        m_wndList.EnsureVisible(nRow, FALSE);
        OnSelectionChanged();
    }
}

void CConfigView::OnDeleteConfiguration() {
    TRACE_FUNC_VOID("CConfigView::OnDeleteConfiguration");
    CQuorvelDoc* pDoc = GetQuorvelDoc();
    int nMark = m_wndList.GetSelectionMark();
    if (pDoc == nullptr || nMark < 0)
        return;
    CFrameWnd* pFrame = nullptr;
    if (CWinApp* pApp = AfxGetApp()) {
        pFrame = dynamic_cast<CFrameWnd*>(pApp->m_pMainWnd);
        if (pFrame == nullptr)
            return;
        pFrame->SetActiveView(this);
    }
    SetFocus();
    const ULONG ulID = (ULONG)m_wndList.GetItemData(nMark);
    pDoc->RemoveConfiguration(ulID);
    m_wndList.DeleteItem(nMark);
    if (m_wndList.GetItemCount() == 0) {
        pDoc->SetCurrentConfigID(0);
    } else {
        int nNext = nMark > 0 ? nMark - 1 : 0;
        pDoc->SetCurrentConfigID((ULONG)m_wndList.GetItemData(nNext));
        // The next row becomes the mark too, so a further Delete or Rename acts on the row shown.
        m_wndList.SetItemState(nNext, LVIS_SELECTED, LVIS_SELECTED);
        m_wndList.SetSelectionMark(nNext);
    }
    pDoc->SetModifiedFlag(TRUE);
    if (pFrame != nullptr)
        pFrame->PostMessage(WM_COMMAND, ID_CURRENT_CONFIG_CHANGED, 0);
}

void CConfigView::OnUpdateRenameConfiguration(CCmdUI* pCmdUI) {
    if (pCmdUI != nullptr)
        pCmdUI->Enable(m_wndList.GetSelectionMark() >= 0);
}

void CConfigView::OnRenameConfiguration() {
    TRACE_FUNC_VOID("CConfigView::OnRenameConfiguration");
    CQuorvelDoc* pDoc = GetQuorvelDoc();
    int nMark = m_wndList.GetSelectionMark();
    if (pDoc == nullptr || nMark < 0)
        return;
    const ULONG ulID = (ULONG)m_wndList.GetItemData(nMark);
    CString strCurrent;
    {
        ConfigRef config;
        if (!pDoc->GetConfiguration(ulID, &config.p) || config.p == nullptr) {
            QTRACE(TRACE_ERROR, "Unable to get configuration!\n");
            return;
        }
        strCurrent = config.p->GetConfigName();
    }
    CChangeConfigNameDlg dlg(strCurrent, this);
    if (dlg.DoModal() != IDOK)
        return;
    CString strNew = dlg.GetNewName();
    if (strNew.IsEmpty()) {
        QTRACE(TRACE_ERROR, "Empty names are not premitted\n");
        return;
    }
    if (IsNameInUse(strNew, ulID)) {
        ShowError(this, "Duplicate name",
                  "This configuration name is already in use.\nPlease use a unique name.", 139, 141);
        return;
    }
    ConfigRef config;
    if (!pDoc->GetConfiguration(ulID, &config.p) || config.p == nullptr) {
        QTRACE(TRACE_ERROR, "Unable to get configuration\n");
        return;
    }
    HRESULT hr = config.p->SetConfigName(strNew);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "SetConfigName() failed: hr = 0x%08lx\n", hr);
        return;
    }
    // The dialog ran modally: the marked row may have gone meanwhile, so the row is found again.
    int nRow = m_wndList.FindItemByData(ulID);
    if (nRow >= 0)
        m_wndList.SetItemText(nRow, 1, strNew);
    pDoc->SetModifiedFlag(TRUE);
}

void CConfigView::OnUpdateStartClear(CCmdUI* pCmdUI) {
    BOOL bPossible = FALSE;
    int nMark = m_wndList.GetSelectionMark();
    CQuorvelDoc* pDoc = GetQuorvelDoc();
    if (nMark >= 0) {
        if (pDoc == nullptr) {
            QTRACE(TRACE_ERROR, "No document attached!\n");
        } else {
            ConfigRef config;
            if (!pDoc->GetConfiguration((ULONG)m_wndList.GetItemData(nMark), &config.p) ||
                config.p == nullptr) {
                QTRACE(TRACE_ERROR, "No configuration attached!\n");
            } else {
                HRESULT hr = config.p->IsSearchPossible(&bPossible);
                if (FAILED(hr)) {
                    QTRACE(TRACE_ERROR, "IsSearchPossible() failed: hr = 0x%08lx\n", hr);
                    bPossible = FALSE;
                }
            }
        }
    }
    if (pCmdUI != nullptr)
        pCmdUI->Enable(bPossible);
}

void CConfigView::OnStartClear() {
    TRACE_FUNC_VOID("CConfigView::OnStartClear");
    CMainFrame* pFrame = MainFrame();
    if (pFrame == nullptr)
        return;
    if (CQuorvelView* pRight = pFrame->GetRightPane())
        pRight->SendMessage(WM_COMMAND, ID_ACTIONS_START, 0);
}

HRESULT CConfigView::OnLanguageChanged() {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CConfigView::OnLanguageChanged", hr);
    LPSTR pszText = nullptr;
    HRESULT hrText = GetLanguageText(&pszText, 120);
    if (FAILED(hrText) || pszText == nullptr)
        QTRACE(TRACE_ERROR, "GetLanguageText(ID_CONFIGURATION_CAPTION) failed: hr = 0x%08lx\n", hrText);
    if (!m_wndList.SetColumnText(1, pszText != nullptr ? pszText : "Configuration"))
        hr = E_FAIL;
    std::free(pszText);
    return hr;
}
