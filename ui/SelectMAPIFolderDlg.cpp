// The folder picker's dialog side: texts, images, clicks, the chosen folder and the layout.
#include "ui/SelectMAPIFolderDlg.h"

#include <cstdlib>
#include <cstring>

#include <wx/bitmap.h>
#include <wx/imaglist.h>

#include "platform/afx/wnd/Resources.h"
#include "trace/Trace.h"
#include "ui/DialogLayout.h"
#include "ui/DialogTexts.h"
#include "ui/TreeItemWalk.h"

BEGIN_MESSAGE_MAP(CSelectMAPIFolderDlg, CDialog)
ON_NOTIFY(NM_CLICK, IDC_FOLDER_TREE, &CSelectMAPIFolderDlg::OnClickTree)
ON_NOTIFY(NM_DBLCLK, IDC_FOLDER_TREE, &CSelectMAPIFolderDlg::OnDblclkTree)
ON_WM_SIZE()
ON_WM_GETMINMAXINFO()
ON_WM_DESTROY()
END_MESSAGE_MAP()

namespace {
const LONG kMinTrackWidth = 267;
const LONG kMinTrackHeight = 202;

void FreeKey(SBinary& key) {
    std::free(key.lpb);
    key.lpb = nullptr;
    key.cb = 0;
}
}  // namespace

CSelectMAPIFolderDlg::CSelectMAPIFolderDlg(CWnd* pParent) : CDialog(IDD_SELECT_FOLDER, pParent) {
    TRACE_CTOR("CSelectMAPIFolderDlg");
}

CSelectMAPIFolderDlg::~CSelectMAPIFolderDlg() {
    TRACE_DTOR("CSelectMAPIFolderDlg");
    if (m_hWnd != nullptr)
        DestroyWindow();
    std::free(m_pszFolderClass);
    m_pszFolderClass = nullptr;
    if (m_lpMDB != nullptr)
        m_lpMDB->Release();
    m_lpMDB = nullptr;
    FreeKnownFolders();
    FreeKey(m_sbinSelected);
}

void CSelectMAPIFolderDlg::FreeKnownFolders() {
    FreeKey(m_sbinDrafts);
    FreeKey(m_sbinWasteBasket);
    FreeKey(m_sbinSentItems);
    FreeKey(m_sbinOutbox);
    FreeKey(m_sbinInbox);
    FreeKey(m_sbinJunk);
}

HRESULT CSelectMAPIFolderDlg::Init(LPMDB lpMDB, LPCSTR pszFolderClass) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CSelectMAPIFolderDlg::Init", hr);
    if (lpMDB == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid store pointer specified!\n");
        hr = E_INVALIDARG;
        return hr;
    }
    std::free(m_pszFolderClass);
    m_pszFolderClass = nullptr;
    lpMDB->AddRef();
    if (m_lpMDB != nullptr)
        m_lpMDB->Release();
    m_lpMDB = lpMDB;
    if (pszFolderClass != nullptr && *pszFolderClass != '\0') {
        m_pszFolderClass = strdup(pszFolderClass);
        if (m_pszFolderClass == nullptr) {
            QTRACE(TRACE_ERROR, "malloc() failed: Unable to allocate memory for folder class!\n");
            hr = E_OUTOFMEMORY;
        }
    }
    return hr;
}

HRESULT CSelectMAPIFolderDlg::GetSelectedFolderKey(SBinary* lpKey) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CSelectMAPIFolderDlg::GetSelectedFolderKey", hr);
    if (lpKey == nullptr) {
        hr = E_INVALIDARG;
        return hr;
    }
    lpKey->cb = 0;
    lpKey->lpb = nullptr;
    if (m_sbinSelected.cb == 0 || m_sbinSelected.lpb == nullptr)
        return hr;
    lpKey->lpb = static_cast<LPBYTE>(std::malloc(m_sbinSelected.cb));
    if (lpKey->lpb == nullptr) {
        QTRACE(TRACE_ERROR, "malloc() failed: Unable to allocate folder key!\n");
        hr = E_OUTOFMEMORY;
        return hr;
    }
    std::memcpy(lpKey->lpb, m_sbinSelected.lpb, m_sbinSelected.cb);
    lpKey->cb = m_sbinSelected.cb;
    return hr;
}

void CSelectMAPIFolderDlg::DoDataExchange() {
    m_pBtnOK = dynamic_cast<CButton*>(GetDlgItem(IDOK));
    m_pBtnCancel = dynamic_cast<CButton*>(GetDlgItem(IDCANCEL));
    if (m_Tree.GetSafeHwnd() == nullptr)
        m_Tree.SubclassDlgItem(IDC_FOLDER_TREE, this);
    m_pChkSubFolders = dynamic_cast<CButton*>(GetDlgItem(IDC_INCLUDE_SUBFOLDERS));
}

BOOL CSelectMAPIFolderDlg::LoadTexts() {
    TRACE_FUNC_VOID("CSelectMAPIFolderDlg::LoadTexts");
    // No built-in texts here: the first missing one closes the dialog as cancelled.
    struct {
        LONG nID;
        CWnd* pWnd;
        LPCSTR pszFailure;
    } texts[] = {{204, this, "Failed to load dialog caption text: hr = 0x%08lx\n"},
                 {205, m_pBtnOK, "Failed to OK text: hr = 0x%08lx\n"},
                 {206, m_pBtnCancel, "Failed to load cancel text: hr = 0x%08lx\n"},
                 {207, m_pChkSubFolders, "Failed to load check text: hr = 0x%08lx\n"}};
    for (const auto& text : texts) {
        CString strText;
        HRESULT hr = S_OK;
        if (!FetchDialogText(text.nID, strText, &hr)) {
            QTRACE(TRACE_ERROR, text.pszFailure, (ULONG)hr);
            return FALSE;
        }
        if (text.pWnd != nullptr)
            text.pWnd->SetWindowText(strText);
    }
    return TRUE;
}

void CSelectMAPIFolderDlg::LoadImages() {
    TRACE_FUNC_VOID("CSelectMAPIFolderDlg::LoadImages");
    m_ImageList.DeleteImageList();
    m_ImageList.Create(16, 16, ILC_COLOR24 | ILC_MASK, FOLDER_IMAGE_COUNT, 1);
    wxImageList* pList = m_ImageList.GetWxImageList();
    if (pList == nullptr)
        return;
    // Icon 174 (junk e-mail) comes after 175 in the list: the image of index 10 is 175.
    const UINT icons[FOLDER_IMAGE_COUNT] = {164, 165, 166, 167, 168, 169, 170, 171, 172, 173, 175, 174};
    for (UINT nID : icons) {
        const wxBitmap* pIcon = AfxFindIconResource(nID);
        if (pIcon != nullptr && pIcon->IsOk())
            pList->Add(*pIcon);
        else
            pList->Add(wxBitmap(16, 16));
    }
    m_Tree.SetImageList(&m_ImageList, TVSIL_NORMAL);
}

BOOL CSelectMAPIFolderDlg::OnInitDialog() {
    BOOL bResult = TRUE;
    TRACE_FUNC_BOOL("CSelectMAPIFolderDlg::OnInitDialog", bResult);
    CDialog::OnInitDialog();
    DoDataExchange();
    if (!LoadTexts()) {
        SendMessage(WM_COMMAND, IDCANCEL, 0);
        return bResult;
    }
    LoadImages();

    HRESULT hr = InitKnownFolders();
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "InitKnownFolders() failed: hr = 0x%08lx\n", (ULONG)hr);
    } else if (FAILED(hr = m_Tree.InitControl())) {
        QTRACE(TRACE_ERROR, "InitControl() failed: hr = 0x%08lx\n", (ULONG)hr);
    } else if (FAILED(hr = FillTreeCtrl())) {
        QTRACE(TRACE_ERROR, "FillTreeCtrl() failed: hr = 0x%08lx\n", (ULONG)hr);
    }
    if (FAILED(hr)) {
        // Ended at once rather than posted: the user never sees a dialog that has nothing to show.
        SendMessage(WM_COMMAND, IDCANCEL, 0);
        return bResult;
    }
    m_Tree.RefreshItemColors();

    if (m_pBtnOK != nullptr)
        m_pBtnOK->EnableWindow(FALSE);
    SetItemDistances();
    m_bInitialized = TRUE;
    ApplyMinTrackSize(this);
    return bResult;
}

HTREEITEM CSelectMAPIFolderDlg::HitTestMessagePos() {
    CPoint pt = m_Tree.GetMessagePos();
    m_Tree.ScreenToClient(&pt);
    UINT nFlags = 0;
    HTREEITEM hItem = m_Tree.HitTest(pt, &nFlags);
    if (!(nFlags & TVHT_ONITEM))
        hItem = nullptr;
    return hItem;
}

void CSelectMAPIFolderDlg::OnClickTree(NMHDR*, LRESULT* pResult) {
    TRACE_FUNC_VOID("CSelectMAPIFolderDlg::OnClickTree");
    *pResult = 0;
    HTREEITEM hItem = HitTestMessagePos();
    if (hItem == nullptr)
        hItem = m_Tree.GetSelectedItem();
    if (m_pBtnOK == nullptr)
        return;
    if (hItem == nullptr) {
        m_pBtnOK->EnableWindow(FALSE);
        return;
    }
    auto* pData = reinterpret_cast<CItemData*>(m_Tree.GetItemData(hItem));
    m_pBtnOK->EnableWindow(pData != nullptr && pData->m_bSelectable);
}

void CSelectMAPIFolderDlg::OnDblclkTree(NMHDR* pNMHDR, LRESULT* pResult) {
    TRACE_FUNC_VOID("CSelectMAPIFolderDlg::OnDblclkTree");
    *pResult = 0;
    HTREEITEM hItem = HitTestMessagePos();
    if (hItem == nullptr) {
        if (m_pBtnOK != nullptr)
            m_pBtnOK->EnableWindow(FALSE);
        OnClickTree(pNMHDR, pResult);
        return;
    }
    m_Tree.SelectItem(hItem);
    auto* pData = reinterpret_cast<CItemData*>(m_Tree.GetItemData(hItem));
    if (pData != nullptr && pData->m_bSelectable)
        OnOK();
}

void CSelectMAPIFolderDlg::OnOK() {
    TRACE_FUNC_VOID("CSelectMAPIFolderDlg::OnOK");
    HTREEITEM hItem = m_Tree.GetSelectedItem();
    if (hItem == nullptr)
        return;
    auto* pData = reinterpret_cast<CItemData*>(m_Tree.GetItemData(hItem));
    if (pData == nullptr || !pData->m_bSelectable || pData->m_Key.cb == 0 || pData->m_Key.lpb == nullptr)
        return;
    auto* lpb = static_cast<LPBYTE>(std::malloc(pData->m_Key.cb));
    if (lpb == nullptr) {
        QTRACE(TRACE_ERROR, "malloc() failed: Unable to copy selected folder's key!\n");
        return;
    }
    std::memcpy(lpb, pData->m_Key.lpb, pData->m_Key.cb);
    FreeKey(m_sbinSelected);
    m_sbinSelected.lpb = lpb;
    m_sbinSelected.cb = pData->m_Key.cb;
    RemoveDataPointers(m_Tree.GetRootItem());
    m_bIncludeSubFolders =
        (m_pChkSubFolders != nullptr && m_pChkSubFolders->GetCheck() == BST_CHECKED) ? 1 : 0;
    CDialog::OnOK();
}

void CSelectMAPIFolderDlg::OnCancel() {
    TRACE_FUNC_VOID("CSelectMAPIFolderDlg::OnCancel");
    if (m_Tree.GetSafeHwnd() != nullptr)
        RemoveDataPointers(m_Tree.GetRootItem());
    CDialog::OnCancel();
}

void CSelectMAPIFolderDlg::OnDestroy() {
    // A dialog ended by other means than OK or Cancel (its owner closing it) still gives the
    // records of its items back.
    if (m_Tree.GetSafeHwnd() != nullptr)
        RemoveDataPointers(m_Tree.GetRootItem());
    CDialog::OnDestroy();
}

void CSelectMAPIFolderDlg::RemoveDataPointers(HTREEITEM hItem) {
    VisitTreeItems(m_Tree, hItem, [this](HTREEITEM hVisit) {
        auto* pData = reinterpret_cast<CItemData*>(m_Tree.GetItemData(hVisit));
        if (pData != nullptr) {
            delete pData;
            m_Tree.SetItemData(hVisit, 0);
        }
    });
}

void CSelectMAPIFolderDlg::SetItemDistances() {
    TRACE_FUNC_VOID("CSelectMAPIFolderDlg::SetItemDistances");
    CRect rcWindow = GetWindowRectInClient(this);
    CRect rcTree = GetChildRectInClient(this, &m_Tree);
    CRect rcCheck = GetChildRectInClient(this, m_pChkSubFolders);
    CRect rcCancel = GetChildRectInClient(this, m_pBtnCancel);
    m_rcOK = GetChildRectInClient(this, m_pBtnOK);
    m_lTreeTop = rcTree.top;
    m_lTreeLeft = rcTree.left;
    m_lButtonGap = m_rcOK.left - rcTree.right;
    m_lTreeCheckGap = rcCheck.top - rcTree.bottom;
    m_lCheckHeight = rcCheck.bottom - rcCheck.top;
    m_lBottomMargin = rcWindow.bottom - rcCheck.bottom;
    m_lCheckLeftOffset = rcCheck.left - rcWindow.left;
    m_lCheckRightMargin = rcWindow.right - rcCheck.right;
    m_lRightMargin = rcWindow.right - m_rcOK.right + 2 * GetDialogMetric(this, SM_CXDLGFRAME);
    m_lButtonSpacing = rcCancel.top - m_rcOK.bottom;
}

int CSelectMAPIFolderDlg::GetTreeWidth() const {
    CRect rcWindow;
    GetWindowRect(&rcWindow);
    int w = rcWindow.Width() - m_lTreeLeft - m_lButtonGap - m_rcOK.Width() - m_lRightMargin;
    return w < 0 ? 0 : w;
}

int CSelectMAPIFolderDlg::GetTreeHeight() const {
    CRect rcWindow;
    GetWindowRect(&rcWindow);
    int h = rcWindow.Height() - m_lTreeTop - m_lTreeCheckGap - m_lCheckHeight - m_lBottomMargin -
            GetDialogMetric(this, SM_CXDLGFRAME) - GetDialogMetric(this, SM_CYCAPTION) -
            GetSystemMetrics(SM_CYBORDER);
    return h < 0 ? 0 : h;
}

void CSelectMAPIFolderDlg::RecalcLayout() {
    TRACE_FUNC_VOID("CSelectMAPIFolderDlg::RecalcLayout");
    int w = GetTreeWidth();
    int h = GetTreeHeight();
    m_Tree.SetWindowPos(nullptr, 0, 0, w, h, SWP_NOZORDER | SWP_NOMOVE);
    CRect rcWindow = GetWindowRectInClient(this);
    CRect rcTree = GetChildRectInClient(this, &m_Tree);
    if (m_pChkSubFolders != nullptr) {
        int cxCheck = rcWindow.Width() - m_lCheckLeftOffset - m_lCheckRightMargin -
                      GetDialogMetric(this, SM_CXDLGFRAME);
        m_pChkSubFolders->SetWindowPos(nullptr, rcTree.left, m_lTreeTop + h + m_lTreeCheckGap, cxCheck,
                                       m_lCheckHeight, SWP_NOZORDER);
    }
    int x = m_lTreeLeft + w + m_lButtonGap;
    if (m_pBtnOK != nullptr)
        m_pBtnOK->SetWindowPos(nullptr, x, m_rcOK.top, 0, 0, SWP_NOZORDER | SWP_NOSIZE);
    if (m_pBtnCancel != nullptr)
        m_pBtnCancel->SetWindowPos(nullptr, x, m_rcOK.top + m_rcOK.Height() + m_lButtonSpacing, 0, 0,
                                   SWP_NOZORDER | SWP_NOSIZE);
}

void CSelectMAPIFolderDlg::OnSize(UINT nType, int cx, int cy) {
    CDialog::OnSize(nType, cx, cy);
    if (m_bInitialized)
        RecalcLayout();
}

void CSelectMAPIFolderDlg::OnGetMinMaxInfo(MINMAXINFO* lpMMI) {
    CDialog::OnGetMinMaxInfo(lpMMI);
    if (lpMMI == nullptr)
        return;
    lpMMI->ptMinTrackSize.x = kMinTrackWidth;
    lpMMI->ptMinTrackSize.y = kMinTrackHeight;
}
