// The Search results page's commands: selection, marks, the context menu, actions and buttons.
#include <cstdlib>

#include "engine/EntryReference.h"
#include "engine/ScopedRef.h"
#include "language/LanguageSettings.h"
#include "model/ConfigInfo.h"
#include "model/ErrorBoxes.h"
#include "model/FolderInfo.h"
#include "model/StoreInfo.h"
#include "platform/mapi/MAPIX.h"
#include "resources/ResultTemplates.h"
#include "trace/Trace.h"
#include "ui/FVBase.h"
#include "ui/PopupMenu.h"
#include "ui/SearchResultPP.h"

void CSearchResultPP::ToggleItemState(HTREEITEM hItem) {
    if (hItem == nullptr)
        return;
    ItemInfo* pInfo = GetItemInfo(hItem);
    if (pInfo == nullptr) {
        QTRACE(TRACE_ERROR, "ItemInfo is NULL!\n");
        return;
    }
    if (pInfo->nState == ITEM_STATE_PIVOT) {
        QTRACE(TRACE_INFO, "Click on pivot item.\n");
        return;
    }
    if (!pInfo->bDelete) {
        pInfo->bDelete = TRUE;
        pInfo->nState = ITEM_STATE_MARKED;
    } else {
        pInfo->bDelete = FALSE;
        pInfo->nState = ITEM_STATE_UNMARKED;
    }
}

void CSearchResultPP::RepaintItem(HTREEITEM hItem) {
    m_treeDuplicates.RefreshItemLook(hItem);
    CRect rc;
    if (!m_treeDuplicates.GetItemRect(hItem, &rc, FALSE))
        return;
    m_treeDuplicates.InvalidateRect(&rc, TRUE);
    m_treeDuplicates.UpdateWindow();
    m_treeDuplicates.ValidateRect(&rc);
}

void CSearchResultPP::OnSelchangedTree(NMHDR* pNMHDR, LRESULT* pResult) {
    TRACE_FUNC_VOID("CSearchResultPP::OnSelchangedTree");
    auto* pView = reinterpret_cast<NMTREEVIEW*>(pNMHDR);
    HTREEITEM hItem = pView != nullptr ? pView->itemNew.hItem : nullptr;
    const HRESULT hr = UpdateInformationGroup(hItem);
    if (FAILED(hr))
        QTRACE(TRACE_ERROR, "UpdateInformationGroup() failed: hr = 0x%08lx\n", hr);
    EnableDialog();
    // The text colour follows the selection: only the two items concerned change.
    if (pView != nullptr) {
        m_treeDuplicates.RefreshItemLook(pView->itemOld.hItem);
        m_treeDuplicates.RefreshItemLook(pView->itemNew.hItem);
    }
    if (pResult != nullptr)
        *pResult = 0;
}

HRESULT CSearchResultPP::UpdateInformationGroup(HTREEITEM hItem) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CSearchResultPP::UpdateInformationGroup", hr);
    m_edtStore.SetWindowText("");
    m_edtFolder.SetWindowText("");
    if (hItem == nullptr)
        return hr;
    ItemInfo* pInfo = GetItemInfo(hItem);
    if (pInfo == nullptr) {
        hr = E_FAIL;
        QTRACE(TRACE_ERROR, "No iteminformation present!\n");
        return hr;
    }
    Ref<CConfigInfo> config{GetConfigInfo()};
    if (config.p == nullptr) {
        hr = E_FAIL;
        QTRACE(TRACE_ERROR, "No configuration information present!\n");
        return hr;
    }
    hr = MAPIInitialize(nullptr);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "MAPIInitialize() failed: hr = 0x%08lx\n", hr);
        return hr;
    }
    IMAPISession* lpSession = nullptr;
    hr = RetrieveSession(config.p, &lpSession);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "RetrieveSession() failed: hr = 0x%08lx\n", hr);
    } else if (pInfo->pEntry == nullptr) {
        hr = E_FAIL;
        QTRACE(TRACE_ERROR, "No reference information present!\n");
    } else {
        Ref<CStoreInfo> store{config.p->GetStore(pInfo->pEntry->GetStoreIndex())};
        if (store.p == nullptr) {
            hr = E_FAIL;
            QTRACE(TRACE_ERROR, "Store disappeared!\n");
        } else {
            m_edtStore.SetWindowText(store.p->GetStoreName());
            Ref<CFolderInfo> folder;
            hr = store.p->GetFolder(pInfo->pEntry->GetFolderIndex(), &folder.p);
            if (FAILED(hr) || folder.p == nullptr) {
                QTRACE(TRACE_ERROR, "GetFolder() failed: hr = 0x%08lx\n", hr);
                if (SUCCEEDED(hr))
                    hr = E_FAIL;
            } else {
                Ref<IMsgStore> mdb;
                hr = OpenStore(lpSession, store.p, &mdb.p, FALSE);
                if (FAILED(hr)) {
                    QTRACE(TRACE_ERROR, "OpenStore() failed: hr = 0x%08lx\n", hr);
                } else {
                    CString strPath;
                    hr = folder.p->GetFullPath(mdb.p, strPath);
                    if (FAILED(hr))
                        QTRACE(TRACE_ERROR, "GetFullPath() failed: hr = 0x%08lx\n", hr);
                    else
                        m_edtFolder.SetWindowText(strPath);
                }
            }
        }
    }
    if (lpSession != nullptr) {
        lpSession->Logoff(0, 0, 0);
        lpSession->Release();
    }
    MAPIUninitialize();
    return hr;
}

void CSearchResultPP::EnableDialog() {
    EnableActionGroup();
}

void CSearchResultPP::EnableActionGroup() {
    if (m_btnExecute.GetSafeHwnd() == nullptr)
        return;
    BOOL bEnable = FALSE;
    const int nSel = m_cbAction.GetCurSel();
    HTREEITEM hSelected = m_treeDuplicates.GetSelectedItem();
    if (nSel != CB_ERR) {
        switch (m_cbAction.GetItemData(nSel)) {
            case RESULT_ACTION_MARK_AS_PIVOT:
                bEnable = hSelected != nullptr && !m_treeDuplicates.ItemHasChildren(hSelected);
                break;
            case RESULT_ACTION_OPEN:
                bEnable = hSelected != nullptr;
                break;
            case RESULT_ACTION_START_CLEANING:
                bEnable = m_treeDuplicates.GetCount() > 0;
                break;
            case RESULT_ACTION_CLOSE_PAGE: {
                BOOL bCanClose = FALSE;
                if (m_pOwner != nullptr &&
                    SUCCEEDED(m_pOwner->CanClosePP(PAGE_ID_SEARCH_RESULTS, &bCanClose)))
                    bEnable = bCanClose;
                break;
            }
            default:
                break;
        }
    }
    m_btnExecute.EnableWindow(bEnable);
}

void CSearchResultPP::OnSelchangeAction() {
    TRACE_FUNC_VOID("CSearchResultPP::OnSelchangeAction");
    EnableDialog();
}

void CSearchResultPP::OnExecuteAction() {
    TRACE_FUNC_VOID("CSearchResultPP::OnExecuteAction");
    const int nSel = m_cbAction.GetCurSel();
    if (nSel == CB_ERR)
        return;
    HRESULT hr = S_OK;
    switch (m_cbAction.GetItemData(nSel)) {
        case RESULT_ACTION_MARK_AS_PIVOT: {
            HTREEITEM hSelected = m_treeDuplicates.GetSelectedItem();
            HTREEITEM hParent = hSelected != nullptr ? m_treeDuplicates.GetParentItem(hSelected) : nullptr;
            if (hSelected != nullptr && hParent != nullptr) {
                hr = SwitchPivotEntry(hParent, hSelected);
                if (FAILED(hr))
                    ShowErrorWithArgs(this, "Error", "Failed to mark element: Error code 0x%1!08lx!.", 160,
                                      161, (ULONG)hr);
            }
            break;
        }
        case RESULT_ACTION_OPEN:
            hr = OnOpenEntry();
            if (FAILED(hr)) {
                QTRACE(TRACE_ERROR, "OnOpenEntry() failed: hr = 0x%08lx\n", hr);
                ShowOpenFailure(this, hr);
            }
            break;
        case RESULT_ACTION_START_CLEANING:
            // A successful cleanup may have closed (deleted) the page: nothing of it is used after.
            hr = DoCleanup();
            if (FAILED(hr)) {
                QTRACE(TRACE_ERROR, "DoCleanup() failed: hr = 0x%08lx\n", hr);
                ShowError(this, hr);
            }
            break;
        case RESULT_ACTION_CLOSE_PAGE:
            OnClosePage();
            break;
        default:
            break;
    }
}

HRESULT CSearchResultPP::OnOpenEntry() {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CSearchResultPP::OnOpenEntry", hr);
    HTREEITEM hItem = m_treeDuplicates.GetSelectedItem();
    if (hItem == nullptr)
        return hr;
    ItemInfo* pInfo = GetItemInfo(hItem);
    if (pInfo == nullptr || pInfo->pEntry == nullptr) {
        hr = E_UNEXPECTED;
        QTRACE(TRACE_ERROR, "Missing item data object!\n");
        return hr;
    }
    Ref<CConfigInfo> config{GetConfigInfo()};
    if (config.p == nullptr) {
        hr = E_FAIL;
        QTRACE(TRACE_ERROR, "No configuration object present!\n");
        return hr;
    }
    hr = OpenEntry(config.p, pInfo->pEntry);
    return hr;
}

void CSearchResultPP::OnRclickTree(NMHDR*, LRESULT* pResult) {
    TRACE_FUNC_VOID("CSearchResultPP::OnRclickTree");
    LRESULT lResult = 0;
    CPoint ptScreen = m_treeDuplicates.GetMessagePos();
    CPoint pt = ptScreen;
    m_treeDuplicates.ScreenToClient(&pt);
    UINT uFlags = 0;
    HTREEITEM hItem = m_treeDuplicates.HitTest(pt, &uFlags);
    ItemInfo* pInfo = GetItemInfo(hItem);
    if (hItem != nullptr && (uFlags & (TVHT_ONITEMICON | TVHT_ONITEMLABEL | TVHT_ONITEMSTATEICON)) != 0 &&
        pInfo != nullptr && pInfo->nState != ITEM_STATE_PIVOT) {
        const LONG nTextID = pInfo->bDelete ? 112 : 111;
        const UINT nCommand = pInfo->bDelete ? ID_RES_UNMARK_ITEM : ID_RES_MARK_ITEM;
        LPSTR pszText = nullptr;
        const HRESULT hr = GetLanguageText(&pszText, nTextID);
        if (FAILED(hr) || pszText == nullptr) {
            QTRACE(TRACE_ERROR, "GetLanguageText() failed: hr = 0x%08lx\n", hr);
        } else {
            CPopupMenu menu;
            if (!menu.CreatePopupMenu()) {
                QTRACE(TRACE_ERROR, "CreatePopupMenu() failed\n");
            } else if (!menu.AppendMenu(MF_STRING, nCommand, pszText)) {
                QTRACE(TRACE_ERROR, "AppendMenu() failed\n");
            } else {
                m_treeDuplicates.SelectItem(hItem);
                lResult = 1;
                menu.TrackPopupMenu(TPM_LEFTALIGN, ptScreen.x, ptScreen.y, this);
            }
        }
        free(pszText);
    }
    if (pResult != nullptr)
        *pResult = lResult;
}

void CSearchResultPP::OnMarkItem() {
    TRACE_FUNC_VOID("CSearchResultPP::OnMarkItem");
    HTREEITEM hItem = m_treeDuplicates.GetSelectedItem();
    if (hItem == nullptr)
        return;
    ToggleItemState(hItem);
    RepaintItem(hItem);
}

void CSearchResultPP::OnUnmarkItem() {
    TRACE_FUNC_VOID("CSearchResultPP::OnUnmarkItem");
    HTREEITEM hItem = m_treeDuplicates.GetSelectedItem();
    if (hItem == nullptr)
        return;
    ToggleItemState(hItem);
    RepaintItem(hItem);
}

void CSearchResultPP::OnDblclkTree(NMHDR*, LRESULT* pResult) {
    TRACE_FUNC_VOID("CSearchResultPP::OnDblclkTree");
    LRESULT lResult = 0;
    HTREEITEM hCaret = m_treeDuplicates.GetSelectedItem();
    CPoint pt = m_treeDuplicates.GetMessagePos();
    m_treeDuplicates.ScreenToClient(&pt);
    UINT uFlags = 0;
    HTREEITEM hItem = m_treeDuplicates.HitTest(pt, &uFlags);
    if (hItem != nullptr && (uFlags & (TVHT_ONITEMICON | TVHT_ONITEMLABEL | TVHT_ONITEMSTATEICON)) != 0) {
        if (m_treeDuplicates.IsControlDownAtMessage()) {
            ToggleItemState(hItem);
            RepaintItem(hItem);
        } else {
            m_treeDuplicates.SelectItem(hItem);
            const HRESULT hr = OnOpenEntry();
            if (FAILED(hr)) {
                QTRACE(TRACE_ERROR, "OnOpenEntry() failed: hr = 0x%08lx\n", hr);
                // An item that does not open must not look like a double-click that was lost.
                ShowOpenFailure(this, hr);
            }
        }
        m_treeDuplicates.SelectItem(hCaret);
        lResult = 1;
    }
    if (pResult != nullptr)
        *pResult = lResult;
}

void CSearchResultPP::OnClosePage() {
    TRACE_FUNC_VOID("CSearchResultPP::OnClosePage");
    FVBase* pOwner = m_pOwner;
    if (pOwner == nullptr)
        return;
    BOOL bCanClose = FALSE;
    HRESULT hr = pOwner->CanClosePP(PAGE_ID_SEARCH_RESULTS, &bCanClose);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "CanClosePP() failed: hr = 0x%08lx\n", hr);
        return;
    }
    if (!bCanClose)
        return;
    // The page is deleted inside this call.
    hr = pOwner->DemandClosePP(PAGE_ID_SEARCH_RESULTS);
    if (FAILED(hr))
        QTRACE(TRACE_ERROR, "DemandClosePP() failed: hr = 0x%08lx\n", hr);
}

void CSearchResultPP::OnDelete() {
    TRACE_FUNC_VOID("CSearchResultPP::OnDelete");
    // The cleanup shows its own error boxes.
    DoCleanup();
}
