// The Search results page: opening, relabelling, the search, filling and emptying the tree.
#include "ui/SearchResultPP.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include "engine/DrawerMap.h"
#include "engine/DrawerMapList.h"
#include "engine/EntryReference.h"
#include "engine/ScopedRef.h"
#include "engine/SortDrawer.h"
#include "language/LanguageSettings.h"
#include "model/ConfigInfo.h"
#include "model/ErrorBoxes.h"
#include "resources/ResultTemplates.h"
#include "trace/Trace.h"
#include "ui/FVBase.h"
#include "ui/UpdateResultListDlg.h"

// Posted to a page that has no configuration: the owner may close it once it exists.
#define WM_RESULT_PAGE_CLOSE (WM_USER + 0x188)

IMPLEMENT_DYNAMIC(CSearchResultPP, PropertyPageBase)

BEGIN_MESSAGE_MAP(CSearchResultPP, PropertyPageBase)
ON_BN_CLICKED(IDC_RES_EXECUTE, &CSearchResultPP::OnExecuteAction)
ON_NOTIFY(NM_DBLCLK, IDC_RES_TREE, &CSearchResultPP::OnDblclkTree)
ON_NOTIFY(TVN_SELCHANGED, IDC_RES_TREE, &CSearchResultPP::OnSelchangedTree)
ON_WM_DESTROY()
ON_CBN_SELCHANGE(IDC_RES_ACTION, &CSearchResultPP::OnSelchangeAction)
ON_BN_CLICKED(IDC_RES_DELETE, &CSearchResultPP::OnDelete)
ON_BN_CLICKED(IDC_RES_CLOSE, &CSearchResultPP::OnClosePage)
ON_NOTIFY(NM_RCLICK, IDC_RES_TREE, &CSearchResultPP::OnRclickTree)
ON_COMMAND(ID_RES_MARK_ITEM, &CSearchResultPP::OnMarkItem)
ON_COMMAND(ID_RES_UNMARK_ITEM, &CSearchResultPP::OnUnmarkItem)
ON_MESSAGE(WM_RESULT_PAGE_CLOSE, &CSearchResultPP::OnCloseWithoutConfig)
END_MESSAGE_MAP()

namespace {

PropertyPageBase* MakeSearchResultPage(FVBase* pOwner) {
    return new CSearchResultPP(pOwner);
}

}  // namespace

void InstallSearchResultPage() {
    RegisterResultResources();
    SetSearchResultPageFactory(&MakeSearchResultPage);
}

CSearchResultPP::CSearchResultPP(FVBase* pOwner)
    : PropertyPageBase(IDD_PP_SEARCH_RESULTS), m_pOwner(pOwner), m_pResultList(nullptr) {
    TRACE_CTOR("CSearchResultPP");
}

CSearchResultPP::~CSearchResultPP() {
    TRACE_DTOR("CSearchResultPP");
    ClearResultList();
    // The application object, then the namespace: the base's destructor gives both back in
    // that order.
    m_pOwner = nullptr;
}

void CSearchResultPP::ClearResultList() {
    if (m_pResultList != nullptr) {
        m_pResultList->Release();
        m_pResultList = nullptr;
    }
}

void CSearchResultPP::DoDataExchange() {
    PropertyPageBase::DoDataExchange();
    struct Binding {
        CWnd* pWnd;
        UINT nID;
    };
    const Binding bindings[] = {
        {&m_btnDelete, IDC_RES_DELETE},
        {&m_edtStore, IDC_RES_STORE},
        {&m_txtStore, IDC_RES_STORE_LABEL},
        {&m_txtFolder, IDC_RES_FOLDER_LABEL},
        {&m_txtAction, IDC_RES_ACTION_LABEL},
        {&m_grpInformation, IDC_RES_INFO_GROUP},
        {&m_grpActions, IDC_RES_ACTIONS_GROUP},
        {&m_edtFolder, IDC_RES_FOLDER},
        {&m_btnExecute, IDC_RES_EXECUTE},
        {&m_cbAction, IDC_RES_ACTION},
        {&m_grpDuplicates, IDC_RES_DUPLICATES_GROUP},
        {&m_treeDuplicates, IDC_RES_TREE},
    };
    for (const Binding& b : bindings)
        if (b.pWnd->GetSafeHwnd() == nullptr)
            b.pWnd->SubclassDlgItem(b.nID, this);
}

BOOL CSearchResultPP::OnInitDialog() {
    BOOL bResult = FALSE;
    TRACE_FUNC_BOOL("CSearchResultPP::OnInitDialog", bResult);
    Ref<CConfigInfo> config{GetConfigInfo()};
    if (config.p == nullptr) {
        QTRACE(TRACE_ERROR, "No configuration info object present!\n");
        // The page is still being created: closing it now would delete it under its creator.
        // The owner gets the request once the creation has returned.
        if (m_pOwner != nullptr)
            PostMessage(WM_RESULT_PAGE_CLOSE, 0, 0);
        return bResult;
    }
    PropertyPageBase::OnInitDialog();
    m_treeDuplicates.SetFocus();

    HRESULT hr = FindDuplicates();
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "FindDuplicates() failed: hr = 0x%08lx\n", hr);
        return bResult;
    }
    hr = m_treeDuplicates.InitControl();
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "InitControl() failed: hr = 0x%08lx\n", hr);
        return bResult;
    }
    hr = FillTreeCtrl();
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "FillTreeCtrl() failed: hr = 0x%08lx\n", hr);
        return bResult;
    }
    hr = ApplyReview();
    if (FAILED(hr))
        QTRACE(TRACE_ERROR, "ApplyReview() failed: hr = 0x%08lx\n", hr);
    // The automatic mode cleans up as soon as the page is on screen, through the selected
    // action (Start cleaning unless the user chose another).
    if (config.p->GetProcessingMode() == PROCESSING_MODE_AUTOMATIC)
        PostMessage(WM_COMMAND, MAKEWPARAM(IDC_RES_EXECUTE, BN_CLICKED), 0);
    return bResult;
}

LRESULT CSearchResultPP::OnCloseWithoutConfig(WPARAM, LPARAM) {
    TRACE_FUNC_VOID("CSearchResultPP::OnCloseWithoutConfig");
    FVBase* pOwner = m_pOwner;
    if (pOwner == nullptr)
        return 0;
    const HRESULT hr = pOwner->DemandClosePP(PAGE_ID_SEARCH_RESULTS);
    if (FAILED(hr))
        QTRACE(TRACE_ERROR, "DemandClosePP() failed: hr = 0x%08lx\n", hr);
    return 0;
}

HRESULT CSearchResultPP::LoadDisplayTexts() {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CSearchResultPP::LoadDisplayTexts", hr);
    static const CONTROL_TEXT_ENTRY texts[] = {
        {IDC_RES_DUPLICATES_GROUP, 100}, {IDC_RES_INFO_GROUP, 101},    {IDC_RES_STORE_LABEL, 102},
        {IDC_RES_FOLDER_LABEL, 103},     {IDC_RES_ACTIONS_GROUP, 104}, {IDC_RES_ACTION_LABEL, 105},
        {IDC_RES_EXECUTE, 106},          {IDC_RES_DELETE, 114},        {IDC_RES_CLOSE, 115}};
    const HRESULT hrTexts = LoadDisplayTexts(texts, 9);
    if (FAILED(hrTexts))
        QTRACE(TRACE_ERROR, "LoadDisplayTexts() failed: hr = 0x%08lx\n", hrTexts);
    if (m_cbAction.GetSafeHwnd() == nullptr)
        return hr;

    const int nSelected = m_cbAction.GetCurSel();
    m_cbAction.ResetContent();
    struct Action {
        DWORD dwAction;
        LONG nTextID;
        const char* lpszDefault;
        const char* lpszTrace;
        const char* lpszInsertFailure;
    };
    static const Action actions[] = {
        {RESULT_ACTION_MARK_AS_PIVOT, 107, "Keep this entry (remove all the other entries)",
         "GetLanguageText(ID_TAB_SEARCHRESULTS_ACTION_MARK_AS_PIVOT) failed: hr = 0x%08lx\n",
         "Failed to insert PIVOT string!\n"},
        {RESULT_ACTION_OPEN, 108, "Open entry",
         "GetLanguageText(ID_TAB_SEARCHRESULTS_ACTION_OPEN) failed: hr = 0x%08lx\n",
         "Failed to insert OPEN_ENTRY string!\n"},
        {RESULT_ACTION_START_CLEANING, 109, "Start cleaning",
         "GetLanguageText(ID_TAB_SEARCHRESULTS_ACTION_STARTCLEANING) failed: hr = 0x%08lx\n",
         "Failed to insert CLEANUP string!\n"},
        {RESULT_ACTION_CLOSE_PAGE, 110, "Close search results",
         "GetLanguageText(ID_TAB_SEARCHRESULTS_ACTION_CLOSESEARCHPAGE) failed: hr = 0x%08lx\n",
         "Failed to insert CLOSE string!\n"},
    };
    for (const Action& action : actions) {
        LPSTR pszText = nullptr;
        hr = GetLanguageText(&pszText, action.nTextID);
        if (FAILED(hr))
            QTRACE(TRACE_ERROR, action.lpszTrace, hr);
        const int nIndex = m_cbAction.AddString(pszText != nullptr ? pszText : action.lpszDefault);
        if (nIndex < 0)
            QTRACE(TRACE_ERROR, action.lpszInsertFailure);
        else
            m_cbAction.SetItemData(nIndex, action.dwAction);
        free(pszText);
    }
    if (nSelected == CB_ERR) {
        for (int i = 0; i < m_cbAction.GetCount(); ++i)
            if (m_cbAction.GetItemData(i) == RESULT_ACTION_START_CLEANING) {
                m_cbAction.SetCurSel(i);
                break;
            }
    } else {
        m_cbAction.SetCurSel(nSelected);
    }
    return hr;
}

HRESULT CSearchResultPP::FindDuplicates() {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CSearchResultPP::FindDuplicates", hr);
    ClearResultList();
    Ref<CConfigInfo> config{GetConfigInfo()};
    if (config.p == nullptr) {
        QTRACE(TRACE_ERROR, "GetConfigInfo() failed: pInfo == NULL\n");
        ShowError(this, "Internal error occured",
                  "An Internal error occured. Please consult the trace file and contact the support.\n\nWe "
                  "are sorry for the inconvenience.",
                  146, 147);
        return hr;
    }
    config.p->GetSearchResult(&m_pResultList);
    if (m_pResultList != nullptr)
        return hr;
    hr = config.p->FindDuplicates(&m_pResultList, this);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "FindDuplicates() failed: hr = 0x%08lx\n", hr);
        // A failed search hands out nothing worth showing.
        ClearResultList();
        ShowError(this, hr);
        return hr;
    }
    config.p->SetSearchResult(m_pResultList);
    KeepSearchedFolders(config.p);
    return hr;
}

ItemInfo* CSearchResultPP::GetItemInfo(HTREEITEM hItem) const {
    return hItem != nullptr ? reinterpret_cast<ItemInfo*>(m_treeDuplicates.GetItemData(hItem)) : nullptr;
}

void CSearchResultPP::FreeItemInfo(ItemInfo* pInfo) {
    if (pInfo == nullptr)
        return;
    if (pInfo->pDrawer != nullptr)
        pInfo->pDrawer->Release();
    if (pInfo->pEntry != nullptr)
        pInfo->pEntry->Release();
    free(pInfo);
}

HRESULT CSearchResultPP::FillTreeCtrl() {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CSearchResultPP::FillTreeCtrl", hr);
    EmptyTreeCtrl();
    if (m_pResultList == nullptr) {
        QTRACE(TRACE_INFO, "No search entries to display.\n");
        return hr;
    }
    FVBase* pOwner = m_pOwner;
    const ULONG nMaps = m_pResultList->GetCount();
    if (pOwner != nullptr)
        pOwner->StartCleanup();
    // One layout and one paint for the whole result, and no scan of the siblings per item.
    m_treeDuplicates.BeginFill();
    for (ULONG i = 0; i < nMaps && SUCCEEDED(hr); ++i) {
        if (pOwner != nullptr)
            pOwner->SetProgress((int)(i * 100u / nMaps));
        Ref<CDrawerMap> map{m_pResultList->GetAt(i)};
        if (map.p == nullptr) {
            QTRACE(TRACE_WARNING, "Map object is NULL!\n");
            continue;
        }
        Ref<CSortDrawer> drawer;
        hr = map.p->FindFirst(&drawer.p);
        while (SUCCEEDED(hr) && drawer.p != nullptr) {
            if (drawer.p->GetCount() > 1)
                hr = InsertGroup(drawer.p);
            if (FAILED(hr))
                break;
            drawer.Reset();
            hr = map.p->FindNext(&drawer.p);
        }
    }
    m_treeDuplicates.RefreshItemLooks();
    m_treeDuplicates.EndFill();
    if (pOwner != nullptr)
        pOwner->EndCleanup();
    return hr;
}

// The tree shows what inserting the group's entries one by one (sorted) shows when every entry
// that is earlier than the kept one swaps its text and record with the root: the root is placed by
// the first entry's text, each child by its own text among the children before it. The swaps
// depend only on the times, so they are worked out first and the tree is told only the result: no
// item's text is set twice.
HRESULT CSearchResultPP::InsertGroup(CSortDrawer* pDrawer) {
    HRESULT hr = S_OK;
    // The entries in the drawer's order, each with the text read for it (a heap copy freed here).
    // Large results have hundreds of thousands of entries: nothing is copied per entry beyond the
    // record and the text the entry hands out.
    struct Slot {
        ItemInfo* pInfo;
        LPSTR pszText;
    };
    std::vector<Slot> slots;
    slots.reserve(pDrawer->GetCount());
    auto freeTexts = [&slots]() {
        for (Slot& slot : slots)
            free(slot.pszText);
    };
    auto freeAll = [&slots, &freeTexts]() {
        for (Slot& slot : slots)
            FreeItemInfo(slot.pInfo);
        freeTexts();
        slots.clear();
    };
    Ref<CEntryReference> entry;
    hr = pDrawer->FindFirst(&entry.p);
    while (SUCCEEDED(hr) && entry.p != nullptr) {
        auto* pInfo = static_cast<ItemInfo*>(calloc(1, sizeof(ItemInfo)));
        if (pInfo == nullptr) {
            QTRACE(TRACE_ERROR, "malloc() failed: Unable to allocate item info structure!\n");
            freeAll();
            return E_OUTOFMEMORY;
        }
        pInfo->pDrawer = pDrawer;
        pDrawer->AddRef();
        pInfo->pEntry = entry.p;
        entry.p->AddRef();
        pInfo->ftModified = entry.p->GetModificationTime();
        LPSTR pszText = nullptr;
        GetItemText(entry.p, &pszText);
        slots.push_back({pInfo, pszText});
        entry.Reset();
        hr = pDrawer->FindNext(&entry.p);
    }
    if (FAILED(hr) || slots.empty()) {
        freeAll();
        return hr;
    }

    // Child i shows the entry shown[i]: its own, or the root's before it was swapped in.
    std::vector<size_t> shown(slots.size());
    size_t nRoot = 0;
    CKeptEntryChoice kept;
    kept.Meet(slots[0].pInfo->ftModified);
    for (size_t i = 1; i < slots.size(); ++i) {
        shown[i] = i;
        if (kept.Meet(slots[i].pInfo->ftModified)) {
            shown[i] = nRoot;
            nRoot = i;
        }
    }
    for (size_t i = 0; i < slots.size(); ++i) {
        slots[i].pInfo->nState = i == nRoot ? ITEM_STATE_PIVOT : ITEM_STATE_MARKED;
        slots[i].pInfo->bDelete = i == nRoot ? FALSE : TRUE;
    }
    shown[0] = nRoot;
    auto textOf = [&slots](size_t i) -> LPCSTR {
        return slots[i].pszText != nullptr ? slots[i].pszText : "<no subject>";
    };

    // Each item is placed by the text it had when it was inserted one by one.
    size_t nHeld = 0;  // records handed to the tree so far, in the order root, child 1, child 2, ...
    m_pszSortAs = textOf(0);
    m_pszShown = textOf(nRoot);
    HTREEITEM hRoot = InsertItem(slots[nRoot].pInfo, nullptr);
    if (hRoot != nullptr) {
        for (nHeld = 1; nHeld < slots.size(); ++nHeld) {
            m_pszSortAs = textOf(nHeld);
            m_pszShown = textOf(shown[nHeld]);
            if (InsertItem(slots[shown[nHeld]].pInfo, hRoot) == nullptr)
                break;
        }
    }
    m_pszSortAs = nullptr;
    m_pszShown = nullptr;
    if (nHeld < slots.size()) {
        // No item holds these records: their references go back here.
        QTRACE(TRACE_ERROR, "InsertItem() failed!\n");
        for (size_t i = nHeld; i < slots.size(); ++i)
            FreeItemInfo(slots[shown[i]].pInfo);
        hr = E_FAIL;
    }
    freeTexts();
    return hr;
}

HRESULT CSearchResultPP::GetItemText(CEntryReference* pEntry, LPSTR* ppszText) {
    *ppszText = nullptr;
    LPSTR pszSubject = nullptr;
    HRESULT hr = pEntry != nullptr ? pEntry->GetSubjectLine(&pszSubject) : E_INVALIDARG;
    if (SUCCEEDED(hr) && pszSubject != nullptr) {
        *ppszText = pszSubject;
        return hr;
    }
    free(pszSubject);
    LPSTR pszNoSubject = nullptr;
    if (FAILED(GetLanguageText(&pszNoSubject, 113)) || pszNoSubject == nullptr) {
        free(pszNoSubject);
        pszNoSubject = strdup("<no subject>");
    }
    *ppszText = pszNoSubject;
    return *ppszText != nullptr ? hr : E_OUTOFMEMORY;
}

HTREEITEM CSearchResultPP::InsertItem(ItemInfo* pInfo, HTREEITEM hParent) {
    TRACE_FUNC_VOID("CSearchResultPP::InsertItem");
    if (pInfo == nullptr)
        return nullptr;
    LPSTR pszText = nullptr;
    if (m_pszShown == nullptr)
        GetItemText(pInfo->pEntry, &pszText);
    LPCSTR pszShown = m_pszShown != nullptr ? m_pszShown : (pszText != nullptr ? pszText : "<no subject>");
    HTREEITEM hItem = m_treeDuplicates.InsertItemSortedAs(
        pszShown, m_pszSortAs != nullptr ? m_pszSortAs : pszShown, hParent != nullptr ? hParent : TVI_ROOT);
    if (hItem == nullptr) {
        QTRACE(TRACE_ERROR, "m_treeDuplicates.InsertItem() failed!\n");
    } else {
        m_treeDuplicates.SetItemData(hItem, reinterpret_cast<DWORD_PTR>(pInfo));
        // Every group shows its children.
        if (hParent != nullptr)
            m_treeDuplicates.Expand(hParent, TVE_EXPAND);
    }
    free(pszText);
    return hItem;
}

HRESULT CSearchResultPP::SwitchPivotEntry(HTREEITEM hOldPivot, HTREEITEM hNewPivot) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CSearchResultPP::SwitchPivotEntry", hr);
    if (hOldPivot == nullptr) {
        hr = E_INVALIDARG;
        QTRACE(TRACE_ERROR, "Failure: Invalid old tree entry hint specigfied!\n");
        return hr;
    }
    if (hNewPivot == nullptr) {
        hr = E_INVALIDARG;
        QTRACE(TRACE_ERROR, "Failure: Invalid new tree entry hint specigfied!\n");
        return hr;
    }
    ItemInfo* pOld = GetItemInfo(hOldPivot);
    if (pOld == nullptr) {
        hr = E_UNEXPECTED;
        QTRACE(TRACE_ERROR, "Failure: No item info object for old pivot object present!\n");
        return hr;
    }
    ItemInfo* pNew = GetItemInfo(hNewPivot);
    if (pNew == nullptr) {
        hr = E_UNEXPECTED;
        QTRACE(TRACE_ERROR, "Failure: No item info object for new pivot object present!\n");
        return hr;
    }
    pOld->nState = ITEM_STATE_MARKED;
    pOld->bDelete = TRUE;
    pNew->nState = ITEM_STATE_PIVOT;
    pNew->bDelete = FALSE;

    LPSTR pszOld = nullptr;
    LPSTR pszNew = nullptr;
    hr = GetItemText(pOld->pEntry, &pszOld);
    if (SUCCEEDED(hr))
        hr = GetItemText(pNew->pEntry, &pszNew);
    if (SUCCEEDED(hr)) {
        if (!m_treeDuplicates.SetItemText(hOldPivot, pszNew)) {
            hr = E_FAIL;
            QTRACE(TRACE_ERROR, "SetItemText(hOld) failed!\n");
        } else if (!m_treeDuplicates.SetItemText(hNewPivot, pszOld)) {
            hr = E_FAIL;
            QTRACE(TRACE_ERROR, "SetItemText(hNew) failed!\n");
        } else if (!m_treeDuplicates.SetItemData(hOldPivot, reinterpret_cast<DWORD_PTR>(pNew))) {
            hr = E_FAIL;
            QTRACE(TRACE_ERROR, "SetItemData(hOld) failed!\n");
        } else if (!m_treeDuplicates.SetItemData(hNewPivot, reinterpret_cast<DWORD_PTR>(pOld))) {
            hr = E_FAIL;
            QTRACE(TRACE_ERROR, "SetItemData(hNew) failed!\n");
        }
    }
    free(pszOld);
    free(pszNew);
    m_treeDuplicates.RefreshItemLook(hOldPivot);
    m_treeDuplicates.RefreshItemLook(hNewPivot);
    return hr;
}

void CSearchResultPP::FreeBranchMemory(HTREEITEM hItem) {
    std::vector<HTREEITEM> children;
    m_treeDuplicates.GetChildItems(hItem, children);
    for (HTREEITEM hChild : children)
        FreeBranchMemory(hChild);
    if (ItemInfo* pInfo = GetItemInfo(hItem)) {
        m_treeDuplicates.SetItemData(hItem, 0);
        FreeItemInfo(pInfo);
    }
}

void CSearchResultPP::EmptyTreeCtrl() {
    TRACE_FUNC_VOID("CSearchResultPP::EmptyTreeCtrl");
    if (m_treeDuplicates.GetSafeHwnd() == nullptr)
        return;
    m_treeDuplicates.SelectItem(nullptr);
    std::vector<HTREEITEM> roots;
    m_treeDuplicates.GetChildItems(TVI_ROOT, roots);
    for (HTREEITEM hRoot : roots)
        FreeBranchMemory(hRoot);
    m_treeDuplicates.DeleteAllItems();
}

HRESULT CSearchResultPP::OnConfigChange() {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CSearchResultPP::OnConfigChange", hr);
    CUpdateResultListDlg dlg(this);
    if (dlg.DoModal() != IDOK)
        return hr;
    EmptyTreeCtrl();
    // The user asked for an update: the result found before the change would show the old
    // state again, so the stores are searched anew.
    {
        Ref<CConfigInfo> config{GetConfigInfo()};
        if (config.p != nullptr)
            config.p->SetSearchResult(nullptr);
    }
    hr = FindDuplicates();
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "FindDuplicates() failed: hr = 0x%08lx\n", hr);
        return hr;
    }
    hr = FillTreeCtrl();
    if (FAILED(hr))
        QTRACE(TRACE_ERROR, "FillTreeCtrl() failed: hr = 0x%08lx\n", hr);
    return hr;
}

void CSearchResultPP::PrepareClose() {
    TRACE_FUNC_VOID("CSearchResultPP::PrepareClose");
    SaveReview();
    EmptyTreeCtrl();
}

void CSearchResultPP::OnDestroy() {
    TRACE_FUNC_VOID("CSearchResultPP::OnDestroy");
    CWnd::OnDestroy();
    EmptyTreeCtrl();
}

HRESULT CSearchResultPP::DisplayItem(IDispatch* pItem) {
    return COpenItemInOutlook::DisplayItem(pItem);
}

HRESULT CSearchResultPP::GetItem(LPCSTR pszStoreID, LPCSTR pszEntryID, IDispatch** ppItem) {
    return COpenItemInOutlook::GetItem(pszStoreID, pszEntryID, ppItem);
}
