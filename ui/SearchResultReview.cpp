// The Search results page's review kept with the cached result: marks, kept entries, folders read.
#include <cstdlib>
#include <vector>

#include "engine/DrawerMapList.h"
#include "engine/EntryReference.h"
#include "engine/ScopedRef.h"
#include "engine/SortDrawer.h"
#include "model/ConfigInfo.h"
#include "model/FolderInfo.h"
#include "model/ResultReview.h"
#include "model/StoreInfo.h"
#include "trace/Trace.h"
#include "ui/SearchResultPP.h"

namespace {

// The review of the configuration's cached result when that result is pList, else null.
CResultReview* ReviewOf(CConfigInfo* pConfig, CDrawerMapList* pList) {
    return pConfig != nullptr && pConfig->CachesSearchResult(pList) ? pConfig->GetResultReview() : nullptr;
}

}  // namespace

void CSearchResultPP::KeepSearchedFolders(CConfigInfo* pConfig) {
    CResultReview* pReview = pConfig != nullptr ? pConfig->GetResultReview() : nullptr;
    if (pReview == nullptr)
        return;
    for (int nStore = 0; nStore < pConfig->GetStoreCount(); ++nStore) {
        Ref<CStoreInfo> store{pConfig->GetStore(nStore)};
        if (store.p == nullptr)
            continue;
        for (int nFolder = 0; nFolder < store.p->GetFolderCount(); ++nFolder) {
            Ref<CFolderInfo> folder;
            if (FAILED(store.p->GetFolder(nFolder, &folder.p)) || folder.p == nullptr)
                continue;
            SBinary key{0, nullptr};
            if (SUCCEEDED(folder.p->GetFolderKey(&key)) && key.lpb != nullptr)
                pReview->SetFolderKey(nStore, nFolder, key.lpb, key.cb);
            free(key.lpb);
        }
    }
}

BOOL CSearchResultPP::IsAsFilled(const ItemInfo* pRoot, const std::vector<HTREEITEM>& children) {
    BOOL bResult = FALSE;
    TRACE_FUNC_BOOL("CSearchResultPP::IsAsFilled", bResult);
    if (pRoot == nullptr || pRoot->pDrawer == nullptr)
        return bResult;
    for (HTREEITEM hChild : children) {
        const ItemInfo* pChild = GetItemInfo(hChild);
        if (pChild == nullptr || pChild->nState != ITEM_STATE_MARKED)
            return bResult;
    }
    // The root holds the entry the fill keeps, chosen again over the group's entries.
    CKeptEntryChoice kept;
    bool bRootKept = false;
    Ref<CEntryReference> entry;
    HRESULT hr = pRoot->pDrawer->FindFirst(&entry.p);
    while (SUCCEEDED(hr) && entry.p != nullptr) {
        if (kept.Meet(entry.p->GetModificationTime()))
            bRootKept = entry.p == pRoot->pEntry;
        entry.Reset();
        hr = pRoot->pDrawer->FindNext(&entry.p);
    }
    return bResult = SUCCEEDED(hr) && bRootKept;
}

void CSearchResultPP::SaveReview() {
    TRACE_FUNC_VOID("CSearchResultPP::SaveReview");
    if (m_treeDuplicates.GetSafeHwnd() == nullptr)
        return;
    Ref<CConfigInfo> config{GetConfigInfo()};
    CResultReview* pReview = ReviewOf(config.p, m_pResultList);
    if (pReview == nullptr)
        return;
    // Only groups the user changed are kept: a fill from the same result shows every other group
    // as it stands, so a large result the user left as it was costs nothing to show again.
    std::vector<HTREEITEM> roots, children;
    m_treeDuplicates.GetChildItems(TVI_ROOT, roots);
    for (HTREEITEM hRoot : roots) {
        m_treeDuplicates.GetChildItems(hRoot, children);
        const BOOL bAsFilled = IsAsFilled(GetItemInfo(hRoot), children);
        children.push_back(hRoot);
        for (HTREEITEM hItem : children) {
            ItemInfo* pInfo = GetItemInfo(hItem);
            if (pInfo == nullptr || pInfo->pEntry == nullptr)
                continue;
            // A state kept when the page was left before goes, or it would come back.
            if (bAsFilled) {
                if (pReview->HasEntryStates())
                    pReview->ForgetEntryState(pInfo->pEntry->GetNumber());
            } else {
                pReview->SetEntryState(pInfo->pEntry->GetNumber(), pInfo->nState);
            }
        }
    }
}

HRESULT CSearchResultPP::ApplyReview() {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CSearchResultPP::ApplyReview", hr);
    Ref<CConfigInfo> config{GetConfigInfo()};
    CResultReview* pReview = ReviewOf(config.p, m_pResultList);
    if (pReview == nullptr || !pReview->HasEntryStates())
        return hr;
    auto savedState = [&](HTREEITEM hItem, DWORD* pnState) {
        ItemInfo* pInfo = GetItemInfo(hItem);
        return pInfo != nullptr && pInfo->pEntry != nullptr &&
               pReview->GetEntryState(pInfo->pEntry->GetNumber(), pnState);
    };
    std::vector<HTREEITEM> roots, children;
    m_treeDuplicates.GetChildItems(TVI_ROOT, roots);
    for (HTREEITEM hRoot : roots) {
        m_treeDuplicates.GetChildItems(hRoot, children);
        // The entry the user chose to keep goes to the root first; the former one comes down
        // marked and then takes the mark the user left on it.
        DWORD nState = 0;
        for (HTREEITEM hChild : children)
            if (savedState(hChild, &nState) && nState == ITEM_STATE_PIVOT) {
                hr = SwitchPivotEntry(hRoot, hChild);
                if (FAILED(hr))
                    return hr;
                break;
            }
        for (HTREEITEM hChild : children) {
            ItemInfo* pInfo = GetItemInfo(hChild);
            if (pInfo == nullptr || !savedState(hChild, &nState) || nState == ITEM_STATE_PIVOT)
                continue;
            if (pInfo->nState != nState) {
                pInfo->nState = nState;
                pInfo->bDelete = nState == ITEM_STATE_MARKED;
                m_treeDuplicates.RefreshItemLook(hChild);
            }
        }
    }
    return hr;
}
