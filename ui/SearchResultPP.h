// CSearchResultPP: the Search results page: duplicate groups, marks, opening items, the cleanup.
#pragma once

#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/afx/wnd/Controls.h"
#include "ui/ItemInfo.h"
#include "ui/OpenItemInOutlook.h"
#include "ui/PropertyPageBase.h"
#include "ui/ResultTree.h"

class CConfigInfo;
class CDrawerMapList;
class CEntryList;
class FVBase;
struct CCleanupGroup;

// Actions of the (hidden) action combo, carried as each item's data.
#define RESULT_ACTION_MARK_AS_PIVOT 0
#define RESULT_ACTION_OPEN 1
#define RESULT_ACTION_START_CLEANING 2
#define RESULT_ACTION_CLOSE_PAGE 3

// The third tab page of a form view. On opening it takes the search result its configuration has
// cached, or searches, and shows each duplicate group (a drawer of two or more entries) as one
// branch: the root is the kept entry (the oldest), the children are the others, marked for
// deletion at first. The marks live in the items' ItemInfo records; when the page goes while the
// configuration still caches its result, they are kept with that result (CResultReview), and a
// page rebuilt from the cache shows them as the user left them.
//
// The form view constructs the page with itself as owner and deletes it when the page is closed;
// DemandClosePP(2) deletes the page before it returns, so every handler that asks for the close
// does so as its last use of the page.
class CSearchResultPP : public PropertyPageBase, public COpenItemInOutlook {
    DECLARE_DYNAMIC(CSearchResultPP)
public:
    explicit CSearchResultPP(FVBase* pOwner);
    ~CSearchResultPP() override;

    BOOL OnInitDialog() override;
    void DoDataExchange() override;
    HRESULT OnConfigChange() override;
    void PrepareClose() override;
    HRESULT LoadDisplayTexts() override;
    using PropertyPageBase::LoadDisplayTexts;

    // ---- own virtual operations, in this order ----
    virtual void EnableActionGroup();
    virtual void EnableDialog();
    virtual HRESULT DeleteDuplicates(CEntryList* pList);
    virtual HRESULT DoCleanup();
    HRESULT DisplayItem(IDispatch* pItem) override;
    HRESULT GetItem(LPCSTR pszStoreID, LPCSTR pszEntryID, IDispatch** ppItem) override;
    virtual HRESULT SwitchPivotEntry(HTREEITEM hOldPivot, HTREEITEM hNewPivot);
    virtual HTREEITEM InsertItem(ItemInfo* pInfo, HTREEITEM hParent);
    virtual void FreeBranchMemory(HTREEITEM hItem);
    virtual void EmptyTreeCtrl();
    virtual HRESULT FillTreeCtrl();
    virtual HRESULT FindDuplicates();

    // ---- non-virtual ----
    void ClearResultList();
    void ToggleItemState(HTREEITEM hItem);
    HRESULT UpdateInformationGroup(HTREEITEM hItem);
    // Opens the caret item's entry in the mail client.
    HRESULT OnOpenEntry();
    // Keeps the marks and kept entries of the tree with the cached result, when it still is the
    // page's; ApplyReview shows kept ones again after a fill from the cache.
    void SaveReview();
    HRESULT ApplyReview();
    // Whether a group stands as the fill shows it: every child marked, and the root the entry the
    // fill keeps, the earliest one (of equal ones, the first the group hands out).
    BOOL IsAsFilled(const ItemInfo* pRoot, const std::vector<HTREEITEM>& children);

    // Handlers.
    void OnExecuteAction();
    void OnDblclkTree(NMHDR* pNMHDR, LRESULT* pResult);
    void OnSelchangedTree(NMHDR* pNMHDR, LRESULT* pResult);
    void OnDestroy();
    void OnSelchangeAction();
    void OnDelete();
    void OnClosePage();
    void OnRclickTree(NMHDR* pNMHDR, LRESULT* pResult);
    void OnMarkItem();
    void OnUnmarkItem();

    // For the form view and tests.
    CResultTree& GetTree() { return m_treeDuplicates; }
    CDrawerMapList* GetResultList() const { return m_pResultList; }
    CComboBox& GetActionCombo() { return m_cbAction; }
    CButton& GetExecuteButton() { return m_btnExecute; }
    CEdit& GetStoreEdit() { return m_edtStore; }
    CEdit& GetFolderEdit() { return m_edtFolder; }

protected:
    // The record behind a tree item, or null.
    ItemInfo* GetItemInfo(HTREEITEM hItem) const;
    // The subject of an entry, or the no-subject text; a heap copy the caller frees.
    HRESULT GetItemText(CEntryReference* pEntry, LPSTR* ppszText);
    // Puts one duplicate group (a drawer of two or more entries) into the tree.
    HRESULT InsertGroup(CSortDrawer* pDrawer);
    // While a group goes in: the text by which InsertItem places the item (null: its own text).
    LPCSTR m_pszSortAs = nullptr;
    // While a group goes in: the text InsertItem shows, already read (null: read from the entry).
    LPCSTR m_pszShown = nullptr;
    // Gives back the record's references and frees it.
    static void FreeItemInfo(ItemInfo* pInfo);
    // Invalidates an item's rectangle and repaints it now.
    void RepaintItem(HTREEITEM hItem);
    // The deferred close of a page that got no configuration (the page must be created first).
    LRESULT OnCloseWithoutConfig(WPARAM, LPARAM);
    // Keeps, with a fresh result, the entry id of every folder the search read.
    static void KeepSearchedFolders(CConfigInfo* pConfig);
    // The groups with entries marked for deletion, in tree order; FALSE (box shown) on a damaged
    // record.
    BOOL CollectGroups(std::vector<CCleanupGroup>& groups);
    // Tells the user what a cleanup left in place; nothing when it left nothing.
    void ReportCleanup();

    // A store a cleanup opened on its first folder, kept open for the others, with the columns
    // its groups are judged by; no store when it is no longer the one the search read.
    struct CCleanupStore {
        IMAPISession* lpSession = nullptr;
        IMsgStore* lpMDB = nullptr;
        LPSPropTagArray lpCompared = nullptr;
        BOOL bJudged = FALSE;  // its groups were judged whole, before its first folder's deletion
        CCleanupStore() = default;
        CCleanupStore(const CCleanupStore&) = delete;
        CCleanupStore& operator=(const CCleanupStore&) = delete;
        ~CCleanupStore();
    };
    // What a running cleanup counts for its report, the stores it holds open and its groups by
    // the entry ids of their marked entries.
    struct CCleanupRun {
        ULONG aulSkipped[5] = {};             // groups left whole, by CleanupSkip
        ULONG aulPartly[5] = {};              // groups deleted from before they were skipped
        ULONG ulNotDeleted = 0;               // marked entries of checked groups that were not deleted
        ULONG ulDeleted = 0;                  // marked entries deleted so far
        std::map<int, CCleanupStore> stores;  // by store index; emptied before MAPI is left
        std::unordered_map<std::string, CCleanupGroup*> groupOf;
        std::vector<CCleanupGroup>* pGroups = nullptr;
    };
    // The run's store at a store index, opened on first need; a failure was shown.
    HRESULT OpenCleanupStore(CConfigInfo* pConfig, CStoreInfo* pStore, int nStore, CCleanupStore** ppStore);
    CCleanupRun* m_pRun = nullptr;  // during DoCleanup only

    CButton m_btnDelete;
    CEdit m_edtStore;
    CStatic m_txtStore;
    CStatic m_txtFolder;
    CStatic m_txtAction;
    CButton m_grpInformation;
    CButton m_grpActions;
    CEdit m_edtFolder;
    CButton m_btnExecute;
    CComboBox m_cbAction;
    CButton m_grpDuplicates;
    CResultTree m_treeDuplicates;
    FVBase* m_pOwner;               // not owned, no reference
    CDrawerMapList* m_pResultList;  // one reference, or null

    DECLARE_MESSAGE_MAP()
};

// Installs the page as the form views' Search results page and registers its templates and the
// search progress dialog's.
void InstallSearchResultPage();
