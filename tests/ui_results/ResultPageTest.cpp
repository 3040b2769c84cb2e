// The Search results page on a real store: groups, pivots, marks, actions, cleanup and its failures.
#include <wx/treectrl.h>

#include "engine/DrawerMap.h"
#include "engine/DrawerMapList.h"
#include "engine/EntryReference.h"
#include "engine/SortDrawer.h"
#include "model/PropertyList.h"
#include "model/StdPropertyID.h"
#include "platform/afx/wnd/MessageBoxUi.h"
#include "platform/mapi/MAPITestHooks.h"
#include "platform/mapi/MAPIX.h"
#include "resources/FormResource.h"
#include "resources/ResultTemplates.h"
#include "tests/platform_mapi/MapiTestSupport.h"
#include "tests/support/TraceCapture.h"
#include "tests/ui_results/ResultsFixture.h"
#include "ui/FormViews.h"
#include "ui/PopupMenu.h"
#include "ui/SearchResultPP.h"

namespace qrvtest {
namespace {

// The low halves of the times, or the high ones for the group that crosses 2^31.
constexpr DWORD kHighSigned = 0x80000001u;
constexpr DWORD kHighBelow = 0x7FFFFFFFu;

class ResultPageTest : public ResultsFixture {
protected:
    // Alpha x3 (times 300, 100, 200), Beta x2 (equal times), Gamma alone, two without subject
    // (700, 600), Zeta x2 whose times differ in the high half around 2^31.
    void FillInbox() {
        AddMail({"Alpha", "Ann", 300});
        m_alpha100 = AddMail({"Alpha", "Ann", 100});
        AddMail({"Alpha", "Ann", 200});
        m_beta.push_back(AddMail({"Beta", "Ben", 500}));
        m_beta.push_back(AddMail({"Beta", "Ben", 500}));
        m_gamma = AddMail({"Gamma", "Gil", 100});
        AddMail({"", "Nobody", 700});
        m_none600 = AddMail({"", "Nobody", 600});
        AddMail({"Zeta", "Zoe", 5, kHighSigned});
        m_zetaEarly = AddMail({"Zeta", "Zoe", 0xFFFFFFFFu, kHighBelow});
    }

    static void SelectAction(CSearchResultPP* pPage, DWORD dwAction) {
        CComboBox& combo = pPage->GetActionCombo();
        for (int i = 0; i < combo.GetCount(); ++i)
            if (combo.GetItemData(i) == dwAction)
                combo.SetCurSel(i);
        pPage->OnSelchangeAction();
    }

    // Shows the configuration's form view and presses Start; the view is closed on the way out.
    CSearchResultPP* ShowAndStart() {
        m_pView = ShowForm(m_pConfig);
        return m_pView != nullptr ? Start(m_pView) : nullptr;
    }
    void TearDown() override {
        CloseForm(m_pView);
        ResultsFixture::TearDown();
    }
    void PressDelete(CSearchResultPP* pPage) {
        pPage->SendMessage(WM_COMMAND, MAKEWPARAM(IDC_RES_DELETE, BN_CLICKED), 0);
        Settle();
    }
    bool HasCachedResult() {
        CDrawerMapList* pCached = nullptr;
        m_pConfig->GetSearchResult(&pCached);
        if (pCached != nullptr)
            pCached->Release();
        return pCached != nullptr;
    }

    FVPagedView* m_pView = nullptr;
    std::vector<BYTE> m_alpha100, m_gamma, m_none600, m_zetaEarly;
    std::vector<std::vector<BYTE>> m_beta;
};

TEST_F(ResultPageTest, GroupsOfTwoOrMoreShowTheOldestEntryAsTheKeptRoot) {
    FillInbox();
    CSearchResultPP* pPage = ShowAndStart();
    ASSERT_NE(nullptr, pPage);
    CResultTree& tree = pPage->GetTree();

    // Sorted by text; the single Gamma is no group.
    std::vector<std::string> texts;
    for (HTREEITEM h : Roots(tree))
        texts.push_back((LPCSTR)tree.GetItemText(h));
    EXPECT_EQ((std::vector<std::string>{"<no subject>", "Alpha", "Beta", "Zeta"}), texts);

    for (HTREEITEM hRoot : Roots(tree)) {
        ItemInfo* pRoot = Info(tree, hRoot);
        ASSERT_NE(nullptr, pRoot);
        EXPECT_EQ((DWORD)ITEM_STATE_PIVOT, pRoot->nState);
        EXPECT_FALSE(pRoot->bDelete);
        for (HTREEITEM hChild : Children(tree, hRoot)) {
            ItemInfo* pChild = Info(tree, hChild);
            ASSERT_NE(nullptr, pChild);
            EXPECT_EQ((DWORD)ITEM_STATE_MARKED, pChild->nState);
            EXPECT_TRUE(pChild->bDelete);
            EXPECT_EQ(pRoot->pDrawer, pChild->pDrawer);
            EXPECT_TRUE(tree.GetChildItem(hChild) == nullptr);  // two levels only
        }
    }
    HTREEITEM hAlpha = RootNamed(pPage, "Alpha");
    ASSERT_NE(nullptr, hAlpha);
    EXPECT_EQ(m_alpha100, EntryOf(Info(tree, hAlpha)));
    EXPECT_EQ(2u, Children(tree, hAlpha).size());
    // Times compared as unsigned 64-bit numbers: the high half 0x7FFFFFFF comes first.
    EXPECT_EQ(m_zetaEarly, EntryOf(Info(tree, RootNamed(pPage, "Zeta"))));
    EXPECT_EQ(m_none600, EntryOf(Info(tree, RootNamed(pPage, "<no subject>"))));
    EXPECT_EQ("<no subject>",
              std::string(tree.GetItemText(Children(tree, RootNamed(pPage, "<no subject>"))[0])));

    // A selected entry shows its store and folder; none clears them, and no session is left open.
    EXPECT_EQ(S_OK, pPage->UpdateInformationGroup(Children(tree, hAlpha)[0]));
    EXPECT_EQ("Personal", ControlText(&pPage->GetStoreEdit()));
    EXPECT_NE(std::string::npos, ControlText(&pPage->GetFolderEdit()).find("Inbox"));
    EXPECT_EQ(S_OK, pPage->UpdateInformationGroup(nullptr));
    EXPECT_EQ("", ControlText(&pPage->GetStoreEdit()));
    EXPECT_EQ("", ControlText(&pPage->GetFolderEdit()));
    EXPECT_EQ(1, CMAPITestHooks::InitializeBalance());  // the fixture's own initialisation

    pPage->ToggleItemState(Children(tree, hAlpha)[0]);
    tree.SelectItem(Children(tree, RootNamed(pPage, "Beta"))[0]);
    tree.RefreshItemLooks();
    EXPECT_FALSE(SaveScreenshot(m_pView, "result_tree.png").empty());

    // The result is cached on the configuration; a second form view of it shows it again.
    CDrawerMapList* pCached = nullptr;
    m_pConfig->GetSearchResult(&pCached);
    EXPECT_EQ(pPage->GetResultList(), pCached);
    if (pCached != nullptr)
        pCached->Release();
    CloseForm(m_pView);
    m_pView = ShowForm(m_pConfig);
    ASSERT_NE(nullptr, m_pView);
    pPage = PageOf(m_pView);
    ASSERT_NE(nullptr, pPage);
    EXPECT_EQ(4u, Roots(pPage->GetTree()).size());
}

TEST_F(ResultPageTest, MarksToggleByEveryWayButNeverOnThePivot) {
    FillInbox();
    CSearchResultPP* pPage = ShowAndStart();
    ASSERT_NE(nullptr, pPage);
    CResultTree& tree = pPage->GetTree();
    HTREEITEM hRoot = RootNamed(pPage, "Alpha");
    HTREEITEM hChild = Children(tree, hRoot)[0];
    ItemInfo* pChild = Info(tree, hChild);
    auto* pWxTree = dynamic_cast<wxTreeCtrl*>(tree.GetWxWindow());
    ASSERT_NE(nullptr, pWxTree);
    EXPECT_TRUE(pWxTree->GetItemFont(wxTreeItemId(hChild)).GetStrikethrough());
    std::vector<CPopupMenu::Entry> offered;
    CPopupMenu::SetTrackHook([&](const std::vector<CPopupMenu::Entry>& entries, CPoint) {
        offered = entries;
        return entries.empty() ? 0u : entries[0].nID;
    });
    CPoint ptCursor;
    CResultTree::SetCursorPosHook([&] { return ptCursor; });
    CRect rcTree;
    tree.GetWindowRect(&rcTree);

    // Each way in turn on the duplicate, the kept entry, or beside the entries (no item): directly
    // (no code), by the context menu, which offers the entry that fits the mark, and by a right
    // double-click. Only the duplicate answers; its mark after each step.
    struct Step {
        UINT nCode;
        HTREEITEM hItem;
        const char* lpszMenu;
        DWORD nState;
    };
    const Step steps[] = {
        {0, hRoot, "", ITEM_STATE_MARKED},
        {0, hChild, "", ITEM_STATE_UNMARKED},
        {0, hChild, "", ITEM_STATE_MARKED},
        {NM_RCLICK, hChild, "Remove deletion mark", ITEM_STATE_UNMARKED},
        {NM_RCLICK, hChild, "Mark for deletion", ITEM_STATE_MARKED},
        {NM_RCLICK, hRoot, "", ITEM_STATE_MARKED},
        {NM_RDBLCLK, hChild, "", ITEM_STATE_UNMARKED},
        {NM_RDBLCLK, hChild, "", ITEM_STATE_MARKED},
        {NM_RDBLCLK, hRoot, "", ITEM_STATE_MARKED},
        {NM_RDBLCLK, nullptr, "", ITEM_STATE_MARKED},
    };
    for (size_t i = 0; i < std::size(steps); ++i) {
        SCOPED_TRACE(i);
        const Step& step = steps[i];
        offered.clear();
        ptCursor = step.hItem != nullptr ? LabelPoint(pPage, step.hItem)
                                         : CPoint(rcTree.right - 4, rcTree.bottom - 4);
        if (step.nCode == 0)
            pPage->ToggleItemState(step.hItem);
        else
            EXPECT_EQ(step.hItem == hChild ? 1 : 0, tree.NotifyMouse(step.nCode, ptCursor));
        ASSERT_EQ(*step.lpszMenu != '\0' ? 1u : 0u, offered.size());
        if (!offered.empty()) {
            EXPECT_EQ(step.nState == ITEM_STATE_UNMARKED ? ID_RES_UNMARK_ITEM : ID_RES_MARK_ITEM,
                      offered[0].nID);
            EXPECT_EQ(step.lpszMenu, offered[0].text);
            EXPECT_EQ(hChild, tree.GetSelectedItem());
        }
        EXPECT_EQ(step.nState, pChild->nState);
        EXPECT_EQ(step.nState == ITEM_STATE_MARKED, pChild->bDelete != FALSE);
        const bool bStruck = pWxTree->GetItemFont(wxTreeItemId(hChild)).GetStrikethrough();
        EXPECT_TRUE(step.nCode == 0 || bStruck == (step.nState == ITEM_STATE_MARKED));  // repainted at once
        EXPECT_EQ((DWORD)ITEM_STATE_PIVOT, Info(tree, hRoot)->nState);
        EXPECT_FALSE(Info(tree, hRoot)->bDelete);
    }

    // Ctrl+double-click toggles and leaves the selection where it was.
    HTREEITEM hOther = Children(tree, RootNamed(pPage, "Beta"))[0];
    tree.SelectItem(hOther);
    EXPECT_EQ(1, tree.NotifyMouse(NM_DBLCLK, LabelPoint(pPage, hChild), TRUE));
    EXPECT_EQ((DWORD)ITEM_STATE_UNMARKED, pChild->nState);
    EXPECT_EQ(hOther, tree.GetSelectedItem());
}

// An entry that does not open: the trace names what is missing, and the user is told also after a
// double-click; only a password prompt the user cancelled is no failure to report.
TEST_F(ResultPageTest, AnEntryThatDoesNotOpenIsNamedInTheTraceAndShownAlsoAfterADoubleClick) {
    FillInbox();
    CSearchResultPP* pPage = ShowAndStart();
    ASSERT_NE(nullptr, pPage);
    CResultTree& tree = pPage->GetTree();
    HTREEITEM hChild = Children(tree, RootNamed(pPage, "Alpha"))[0];
    HTREEITEM hBare = tree.InsertItem("No data");
    TraceCapture trace;
    tree.SelectItem(hBare);
    EXPECT_EQ(E_UNEXPECTED, pPage->OnOpenEntry());
    EXPECT_TRUE(trace.Contains("Missing item data object!"));
    tree.SelectItem(hChild);
    CConfigInfo* pConfig = pPage->GetConfigInfo();
    pPage->SetConfigInfo(nullptr);
    EXPECT_EQ(E_FAIL, pPage->OnOpenEntry());
    EXPECT_TRUE(trace.Contains("No configuration object present!"));
    pPage->SetConfigInfo(pConfig);
    pConfig->Release();

    AfxClearShownMessageBoxes();
    const CPoint pt = LabelPoint(pPage, hBare);
    CResultTree::SetCursorPosHook([&] { return pt; });
    EXPECT_EQ(1, tree.NotifyMouse(NM_DBLCLK, pt));
    EXPECT_EQ(1u, AfxGetShownMessageBoxes().size());
    EXPECT_EQ(hChild, tree.GetSelectedItem());
    tree.DeleteItem(hBare);

    AfxClearShownMessageBoxes();
    COpenItemInOutlook::ShowOpenFailure(pPage, MAPI_E_USER_CANCEL);
    EXPECT_TRUE(AfxGetShownMessageBoxes().empty());
}

TEST_F(ResultPageTest, ActionsComboAndPivotSwitch) {
    FillInbox();
    CSearchResultPP* pPage = ShowAndStart();
    ASSERT_NE(nullptr, pPage);
    CComboBox& combo = pPage->GetActionCombo();
    ASSERT_EQ(4, combo.GetCount());
    EXPECT_EQ((DWORD_PTR)RESULT_ACTION_START_CLEANING, combo.GetItemData(combo.GetCurSel()));
    EXPECT_FALSE(pPage->GetActionCombo().IsWindowVisible());
    pPage->EnableDialog();
    EXPECT_TRUE(pPage->GetExecuteButton().IsWindowEnabled());  // the tree holds items

    CResultTree& tree = pPage->GetTree();
    HTREEITEM hRoot = RootNamed(pPage, "Alpha");
    HTREEITEM hChild = Children(tree, hRoot)[1];
    ItemInfo* pOldPivot = Info(tree, hRoot);
    ItemInfo* pChosen = Info(tree, hChild);
    SelectAction(pPage, RESULT_ACTION_MARK_AS_PIVOT);
    tree.SelectItem(hRoot);
    pPage->EnableDialog();
    EXPECT_FALSE(pPage->GetExecuteButton().IsWindowEnabled());
    pPage->OnExecuteAction();  // a root selected: nothing happens
    EXPECT_EQ(pOldPivot, Info(tree, hRoot));
    tree.SelectItem(hChild);
    pPage->EnableDialog();
    EXPECT_TRUE(pPage->GetExecuteButton().IsWindowEnabled());
    pPage->OnExecuteAction();
    EXPECT_EQ(pChosen, Info(tree, hRoot));
    EXPECT_EQ(pOldPivot, Info(tree, hChild));
    EXPECT_EQ((DWORD)ITEM_STATE_PIVOT, pChosen->nState);
    EXPECT_FALSE(pChosen->bDelete);
    EXPECT_EQ((DWORD)ITEM_STATE_MARKED, pOldPivot->nState);
    EXPECT_TRUE(pOldPivot->bDelete);

    // The close action is allowed by the form view; a language change keeps the chosen action.
    SelectAction(pPage, RESULT_ACTION_CLOSE_PAGE);
    EXPECT_TRUE(pPage->GetExecuteButton().IsWindowEnabled());
    const int nSel = combo.GetCurSel();
    EXPECT_EQ(S_OK, pPage->OnLanguageChange());
    EXPECT_EQ(nSel, combo.GetCurSel());
    EXPECT_EQ(4, combo.GetCount());
    pPage->OnExecuteAction();
    EXPECT_EQ(nullptr, m_pView->GetSearchResultsPage());
}

// Showing the configuration again fills the page from the cached result: the groups the user
// changed come back as left (another entry kept, a mark taken off), the others as the fill makes
// them, also after the user changed a group and then put it back as it was.
TEST_F(ResultPageTest, TheCachedResultComesBackWithTheChangesTheUserLeftAndNoOthers) {
    FillInbox();
    CSearchResultPP* pPage = ShowAndStart();
    ASSERT_NE(nullptr, pPage);
    auto timeOf = [](CTreeCtrl& tree, HTREEITEM hItem) {
        return Info(tree, hItem)->ftModified.dwLowDateTime;
    };
    auto childAt = [&](CSearchResultPP* p, const char* lpszRoot, DWORD dwTime) -> HTREEITEM {
        for (HTREEITEM hChild : Children(p->GetTree(), RootNamed(p, lpszRoot)))
            if (timeOf(p->GetTree(), hChild) == dwTime)
                return hChild;
        return nullptr;
    };
    auto keep = [&](CSearchResultPP* p, HTREEITEM hChild) {
        SelectAction(p, RESULT_ACTION_MARK_AS_PIVOT);
        p->GetTree().SelectItem(hChild);
        p->OnExecuteAction();
    };
    auto showAgain = [&]() -> CSearchResultPP* {
        CloseForm(m_pView);
        m_pView = ShowForm(m_pConfig);
        return m_pView != nullptr ? dynamic_cast<CSearchResultPP*>(m_pView->GetSearchResultsPage()) : nullptr;
    };
    auto stateOf = [&](CSearchResultPP* p, const char* lpszRoot, DWORD dwTime) {
        const HTREEITEM hChild = childAt(p, lpszRoot, dwTime);
        return hChild != nullptr ? (int)Info(p->GetTree(), hChild)->nState : -1;
    };

    // Alpha keeps its entry of time 200 instead of 100; Zeta's duplicate is unmarked; Beta, whose
    // two entries have equal times, keeps the one the fill did not.
    ASSERT_NE(nullptr, childAt(pPage, "Alpha", 200));
    keep(pPage, childAt(pPage, "Alpha", 200));
    const HTREEITEM hZeta = Children(pPage->GetTree(), RootNamed(pPage, "Zeta"))[0];
    const DWORD dwZeta = timeOf(pPage->GetTree(), hZeta);
    pPage->ToggleItemState(hZeta);
    auto betaRoot = [&](CSearchResultPP* p) { return EntryOf(Info(p->GetTree(), RootNamed(p, "Beta"))); };
    auto betaChild = [&](CSearchResultPP* p) { return Children(p->GetTree(), RootNamed(p, "Beta"))[0]; };
    const std::vector<BYTE> betaFilled = betaRoot(pPage);
    const std::vector<BYTE> betaOther = EntryOf(Info(pPage->GetTree(), betaChild(pPage)));
    keep(pPage, betaChild(pPage));

    pPage = showAgain();
    ASSERT_NE(nullptr, pPage);
    CResultTree& tree = pPage->GetTree();
    EXPECT_EQ(200u, timeOf(tree, RootNamed(pPage, "Alpha")));
    EXPECT_EQ(ITEM_STATE_MARKED, stateOf(pPage, "Alpha", 100));
    EXPECT_EQ(ITEM_STATE_MARKED, stateOf(pPage, "Alpha", 300));
    EXPECT_EQ(ITEM_STATE_UNMARKED, stateOf(pPage, "Zeta", dwZeta));
    EXPECT_EQ(betaOther, betaRoot(pPage));
    EXPECT_EQ((DWORD)ITEM_STATE_MARKED, Info(tree, betaChild(pPage))->nState);

    // Both put back as the fill makes them: nothing of the change comes back.
    keep(pPage, childAt(pPage, "Alpha", 100));
    pPage->ToggleItemState(childAt(pPage, "Zeta", dwZeta));
    keep(pPage, betaChild(pPage));
    pPage = showAgain();
    ASSERT_NE(nullptr, pPage);
    EXPECT_EQ(100u, timeOf(pPage->GetTree(), RootNamed(pPage, "Alpha")));
    EXPECT_EQ(ITEM_STATE_MARKED, stateOf(pPage, "Alpha", 200));
    EXPECT_EQ(ITEM_STATE_MARKED, stateOf(pPage, "Alpha", 300));
    EXPECT_EQ(ITEM_STATE_MARKED, stateOf(pPage, "Zeta", dwZeta));
    EXPECT_EQ(betaFilled, betaRoot(pPage));
}

TEST_F(ResultPageTest, AFailedCleanupChangesNothingAndTheNextDeletesTheMarkedEntriesRecoverably) {
    FillInbox();
    const std::set<std::vector<BYTE>> before = LiveItems();
    ASSERT_EQ(10u, before.size());
    CSearchResultPP* pPage = ShowAndStart();
    ASSERT_NE(nullptr, pPage);
    CResultTree& tree = pPage->GetTree();
    // The user keeps one of the two Alpha duplicates.
    std::vector<BYTE> kept;
    std::set<std::vector<BYTE>> marked;
    for (HTREEITEM hRoot : Roots(tree))
        for (HTREEITEM hChild : Children(tree, hRoot)) {
            if (kept.empty() && tree.GetItemText(hRoot) == "Alpha") {
                pPage->ToggleItemState(hChild);
                kept = EntryOf(Info(tree, hChild));
            } else {
                marked.insert(EntryOf(Info(tree, hChild)));
            }
        }
    ASSERT_EQ(4u, marked.size());

    // The folder does not open: reported once, the page stays with every item, the store and the
    // cached result unchanged.
    AfxClearShownMessageBoxes();
    CMAPITestHooks::FailOpenEntry(1, MAPI_E_NO_ACCESS);
    PressDelete(pPage);
    CMAPITestHooks::Reset();
    EXPECT_EQ(1u, AfxGetShownMessageBoxes().size());
    ASSERT_EQ(pPage, PageOf(m_pView));
    EXPECT_EQ(4u, Roots(tree).size());
    EXPECT_EQ(before, LiveItems());
    EXPECT_TRUE(DeletedItems().empty());
    EXPECT_TRUE(HasCachedResult());
    EXPECT_TRUE(m_pView->GetDlgItem(IDC_FV_START)->IsWindowVisible());

    // Once the store answers, the same run deletes recoverably and the form view closes the page.
    AfxClearShownMessageBoxes();
    PressDelete(pPage);
    EXPECT_EQ(nullptr, m_pView->GetSearchResultsPage());
    EXPECT_TRUE(AfxGetShownMessageBoxes().empty());
    EXPECT_FALSE(HasCachedResult());
    EXPECT_TRUE(m_pView->GetDlgItem(IDC_FV_START)->IsWindowVisible());
    const std::set<std::vector<BYTE>> after = LiveItems();
    EXPECT_EQ(before.size() - marked.size(), after.size());
    for (const auto& id : marked)
        EXPECT_EQ(0u, after.count(id));
    for (const auto& id : {kept, m_alpha100, m_gamma})
        EXPECT_EQ(1u, after.count(id));
    std::set<std::string> expectedDeleted;
    for (const auto& id : marked)
        expectedDeleted.insert(std::string(id.begin(), id.end()));
    EXPECT_EQ(expectedDeleted, DeletedItems());
    EXPECT_EQ(1, CMAPITestHooks::InitializeBalance());  // the fixture's own
}

TEST_F(ResultPageTest, AutomaticModeCleansUpWithoutTheUser) {
    FillInbox();
    m_pConfig->SetProcessingMode(PROCESSING_MODE_AUTOMATIC);
    m_pView = ShowForm(m_pConfig);
    ASSERT_NE(nullptr, m_pView);
    m_pView->SendMessage(WM_COMMAND, IDC_FV_START, 0);
    // The cleanup waits for the posted command: the page is on screen with its marks first.
    CSearchResultPP* pPage = PageOf(m_pView);
    ASSERT_NE(nullptr, pPage);
    EXPECT_EQ(4u, Roots(pPage->GetTree()).size());
    Settle();
    EXPECT_EQ(nullptr, m_pView->GetSearchResultsPage());
    const std::set<std::vector<BYTE>> after = LiveItems();
    EXPECT_EQ(5u, after.size());
    for (const auto& id : {m_alpha100, m_gamma, m_none600, m_zetaEarly})
        EXPECT_EQ(1u, after.count(id));
    EXPECT_EQ(1u, after.count(m_beta[0]) + after.count(m_beta[1]));
    EXPECT_EQ(5u, DeletedItems().size());
}

TEST_F(ResultPageTest, NoGroupsGiveAnEmptyTreeAndDeleteJustCloses) {
    AddMail({"Alone", "Al", 1});
    AddMail({"Single", "Si", 2});
    CSearchResultPP* pPage = ShowAndStart();
    ASSERT_NE(nullptr, pPage);
    EXPECT_EQ(0u, pPage->GetTree().GetCount());
    EXPECT_TRUE(AfxGetShownMessageBoxes().empty());
    pPage->SendMessage(WM_COMMAND, MAKEWPARAM(IDC_RES_DELETE, BN_CLICKED), 0);
    EXPECT_EQ(nullptr, m_pView->GetSearchResultsPage());
    EXPECT_EQ(2u, LiveItems().size());
    EXPECT_EQ(1, CMAPITestHooks::InitializeBalance());
}

TEST_F(ResultPageTest, AConfirmedUpdateSearchesAgainADeclinedOneKeepsTheTree) {
    FillInbox();
    CSearchResultPP* pPage = ShowAndStart();
    ASSERT_NE(nullptr, pPage);
    AddMail({"Gamma", "Gil", 100});  // Gamma becomes a group in the store
    AfxSetModalHook([](CWnd*) { return IDCANCEL; });
    EXPECT_EQ(S_OK, pPage->OnConfigChange());
    EXPECT_EQ(4u, Roots(pPage->GetTree()).size());
    AfxSetModalHook([](CWnd*) { return IDOK; });
    EXPECT_EQ(S_OK, pPage->OnConfigChange());
    EXPECT_EQ(5u, Roots(pPage->GetTree()).size());
    EXPECT_NE(nullptr, RootNamed(pPage, "Gamma"));
}

// An owner that closes its page on demand and counts the demands.
class CClosingOwner : public FVBase {
public:
    CClosingOwner() : FVBase(IDD_FV_MAIL) {}
    HRESULT DemandClosePP(int nPageID) override {
        ++nDemands;
        EXPECT_EQ(PAGE_ID_SEARCH_RESULTS, nPageID);
        if (pPage != nullptr) {
            pPage->DestroyWindow();
            delete pPage;
            pPage = nullptr;
        }
        return S_OK;
    }
    CSearchResultPP* pPage = nullptr;
    int nDemands = 0;
};

TEST_F(ResultPageTest, APageWithoutConfigurationIsClosedOnlyAfterItsCreation) {
    CClosingOwner owner;
    owner.pPage = new CSearchResultPP(&owner);
    ASSERT_TRUE(owner.pPage->Create(IDD_PP_SEARCH_RESULTS, m_pHost));
    EXPECT_EQ(0, owner.nDemands);  // the page lives on while its creator still holds it
    EXPECT_EQ(0u, owner.pPage->GetTree().GetCount());
    Settle();
    EXPECT_EQ(1, owner.nDemands);
    EXPECT_EQ(nullptr, owner.pPage);
}

// A subject with line breaks shows on one line, and the other rows keep the height of one line:
// the toolkit's tree gives every row the height of its tallest label.
TEST_F(ResultPageTest, ASubjectWithLineBreaksLeavesEveryRowOneLineHigh) {
    FillInbox();
    AddMail({"Two\r\nlines\tand\nthree", "Lee", 100});
    AddMail({"Two\r\nlines\tand\nthree", "Lee", 200});
    CSearchResultPP* pPage = ShowAndStart();
    ASSERT_NE(nullptr, pPage);
    CResultTree& tree = pPage->GetTree();
    auto* pWxTree = dynamic_cast<wxTreeCtrl*>(tree.GetWxWindow());
    ASSERT_NE(nullptr, pWxTree);
    HTREEITEM hBroken = nullptr;
    for (HTREEITEM hRoot : Roots(tree))
        if (strncmp(tree.GetItemText(hRoot), "Two", 3) == 0)
            hBroken = hRoot;
    ASSERT_NE(nullptr, hBroken);
    EXPECT_STREQ("Two  lines and three", tree.GetItemText(hBroken));
    for (HTREEITEM hItem : {hBroken, RootNamed(pPage, "Alpha"), Children(tree, hBroken)[0]}) {
        CRect rc;
        ASSERT_TRUE(tree.GetItemRect(hItem, &rc, FALSE));
        EXPECT_LT(rc.Height(), 2 * pWxTree->GetCharHeight()) << (LPCSTR)tree.GetItemText(hItem);
    }
}

// A subject as long as a pasted document: the toolkit's tree offers a label that does not fit as a
// tooltip, and measures it for its scrolling; neither may be wider than the toolkit can make a
// window.
TEST_F(ResultPageTest, AVeryLongSubjectKeepsItsRowAndTooltipWithinWhatTheToolkitCanShow) {
    const std::string longSubject = "Long " + std::string(100000, 'A');
    AddMail({longSubject, "Lee", 100});
    AddMail({longSubject, "Lee", 200});
    CSearchResultPP* pPage = ShowAndStart();
    ASSERT_NE(nullptr, pPage);
    CResultTree& tree = pPage->GetTree();
    auto* pWxTree = dynamic_cast<wxTreeCtrl*>(tree.GetWxWindow());
    ASSERT_NE(nullptr, pWxTree);
    std::vector<HTREEITEM> roots = Roots(tree);
    ASSERT_EQ(1u, roots.size());
    EXPECT_EQ(0, strncmp(tree.GetItemText(roots[0]), "Long AAAA", 9));
    for (HTREEITEM hItem : {roots[0], Children(tree, roots[0])[0]}) {
        CRect rc;
        ASSERT_TRUE(tree.GetItemRect(hItem, &rc, TRUE));
        EXPECT_LT(rc.Width(), 32767);
        wxTreeEvent tip(wxEVT_TREE_ITEM_GETTOOLTIP, pWxTree, wxTreeItemId(hItem));
        pWxTree->GetEventHandler()->ProcessEvent(tip);
        EXPECT_LT(pWxTree->GetTextExtent(tip.GetLabel()).x, 32767);
    }
}

// The tree shows the groups as inserting the entries one by one (sorted, ignoring case) and
// swapping each earlier entry into the root shows them: here replayed on a plain tree from the
// same result, over texts that are equal but for case and groups whose kept entry changes.
TEST_F(ResultPageTest, GroupsAppearAsOneByOneSortedInsertionShowsThem) {
    // Grouped by sender alone, so a group's entries show different texts.
    mapitest::Ref<CPropertyList> list;
    ASSERT_EQ(S_OK, m_pConfig->GetPropertyList(&list));
    mapitest::Ref<CPropertyID> prop;
    for (HRESULT hr = list->GetFirstProperty(&prop); SUCCEEDED(hr) && prop != nullptr;
         hr = list->GetNextProperty(&prop)) {
        auto* pStd = dynamic_cast<CStdPropertyID*>(prop.p);
        prop->SetSelected(pStd != nullptr && PROP_ID(pStd->GetTag()) == PROP_ID(PR_SENDER_NAME));
        prop.reset();
    }
    const struct {
        const char* sender;
        const char* subject;
        DWORD dwTime;
    } mails[] = {{"Ann", "beta", 200}, {"Ann", "Beta", 100},  {"Bob", "Beta", 300}, {"Bob", "alpha", 300},
                 {"Bob", "BETA", 100}, {"Cid", "alpha", 100}, {"Cid", "zed", 200},  {"Dan", "BETA", 500},
                 {"Dan", "b", 400},    {"Dan", "beta", 450},  {"Eve", "", 20},      {"Eve", "x", 10},
                 {"Fay", "Alpha", 9},  {"Fay", "alpha", 8},   {"Fay", "ALPHA", 7},  {"Gus", "beta", 1},
                 {"Gus", "Beta", 1}};
    for (const auto& m : mails)
        AddMail({m.subject, m.sender, m.dwTime});
    CSearchResultPP* pPage = ShowAndStart();
    ASSERT_NE(nullptr, pPage);
    CDrawerMapList* pList = nullptr;
    m_pConfig->GetSearchResult(&pList);
    ASSERT_NE(nullptr, pList);

    CTreeCtrl expected;
    ASSERT_TRUE(expected.Create(WS_CHILD, CRect(0, 0, 100, 100), m_pHost, 77));
    auto textOf = [](CEntryReference* pEntry) {
        LPSTR psz = nullptr;
        pEntry->GetSubjectLine(&psz);
        CString text = psz != nullptr ? psz : "<no subject>";
        free(psz);
        return text;
    };
    for (ULONG m = 0; m < pList->GetCount(); ++m) {
        CDrawerMap* pMap = pList->GetAt(m);
        CSortDrawer* pDrawer = nullptr;
        for (pMap->FindFirst(&pDrawer); pDrawer != nullptr;) {
            if (pDrawer->GetCount() > 1) {
                HTREEITEM hRoot = nullptr;
                CEntryReference* pEntry = nullptr;
                for (pDrawer->FindFirst(&pEntry); pEntry != nullptr;) {
                    HTREEITEM h = expected.InsertItem(textOf(pEntry), hRoot ? hRoot : TVI_ROOT, TVI_SORT);
                    expected.SetItemData(h, reinterpret_cast<DWORD_PTR>(pEntry));
                    if (hRoot == nullptr) {
                        hRoot = h;
                    } else {
                        auto* pRoot = reinterpret_cast<CEntryReference*>(expected.GetItemData(hRoot));
                        const FILETIME a = pEntry->GetModificationTime(), b = pRoot->GetModificationTime();
                        if (a.dwHighDateTime < b.dwHighDateTime ||
                            (a.dwHighDateTime == b.dwHighDateTime && a.dwLowDateTime < b.dwLowDateTime)) {
                            const CString rootText = expected.GetItemText(hRoot);
                            expected.SetItemText(hRoot, expected.GetItemText(h));
                            expected.SetItemText(h, rootText);
                            expected.SetItemData(hRoot, reinterpret_cast<DWORD_PTR>(pEntry));
                            expected.SetItemData(h, reinterpret_cast<DWORD_PTR>(pRoot));
                        }
                    }
                    pEntry->Release();
                    pDrawer->FindNext(&pEntry);
                }
            }
            pDrawer->Release();
            pMap->FindNext(&pDrawer);
        }
        pMap->Release();
    }
    pList->Release();

    auto shape = [](CTreeCtrl& tree, bool bPage) {
        std::vector<std::pair<CString, CEntryReference*>> items;
        auto add = [&](HTREEITEM h, const char* indent) {
            auto* pEntry =
                bPage ? Info(tree, h)->pEntry : reinterpret_cast<CEntryReference*>(tree.GetItemData(h));
            items.emplace_back(indent + tree.GetItemText(h), pEntry);
        };
        for (HTREEITEM h : Roots(tree)) {
            add(h, "");
            for (HTREEITEM c : Children(tree, h))
                add(c, "  ");
        }
        return items;
    };
    const auto want = shape(expected, false);
    EXPECT_EQ(17u, want.size());
    EXPECT_EQ(want, shape(pPage->GetTree(), true));
    expected.DestroyWindow();
}

// A page whose tree refuses its third item.
class CRefusingPage : public CSearchResultPP {
public:
    explicit CRefusingPage(FVBase* pOwner) : CSearchResultPP(pOwner) {}
    HTREEITEM InsertItem(ItemInfo* pInfo, HTREEITEM hParent) override {
        if (++s_nInserts == 3)
            return nullptr;
        return CSearchResultPP::InsertItem(pInfo, hParent);
    }
    static int s_nInserts;
};
int CRefusingPage::s_nInserts = 0;

TEST_F(ResultPageTest, ARefusedTreeItemEndsTheFillAndKeepsWhatWasShown) {
    FillInbox();
    CRefusingPage::s_nInserts = 0;
    SetSearchResultPageFactory([](FVBase* pOwner) -> PropertyPageBase* { return new CRefusingPage(pOwner); });
    CSearchResultPP* pPage = ShowAndStart();
    ASSERT_NE(nullptr, pPage);
    // Two items made it; the record of the refused one was given back (the leak check sees it).
    EXPECT_EQ(2u, pPage->GetTree().GetCount());
    EXPECT_TRUE(m_pView->GetDlgItem(IDC_FV_START)->IsWindowVisible());
}

}  // namespace
}  // namespace qrvtest
