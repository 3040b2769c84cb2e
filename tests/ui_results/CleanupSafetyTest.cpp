// The cleanup against a store that changed since the search, a result that is no longer the cached
// one, and the user's marks across a rebuild of the page.
#include "engine/DrawerMapList.h"
#include "engine/EntryList.h"
#include "engine/EntryReference.h"
#include "model/StoreInfo.h"
#include "platform/afx/wnd/MessageBoxUi.h"
#include "platform/mapi/MAPITestHooks.h"
#include "platform/mapi/StoreAdmin.h"
#include "resources/FormResource.h"
#include "resources/ResultTemplates.h"
#include "tests/ui_results/ResultsFixture.h"
#include "tests/ui_results/StoreClient.h"
#include "ui/FormViews.h"
#include "ui/SearchResultPP.h"

namespace qrvtest {
namespace {

class CleanupSafetyTest : public ResultsFixture {
protected:
    void SetUp() override {
        ResultsFixture::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        m_client = std::make_unique<CStoreClient>(m_pConfig);
    }
    void TearDown() override {
        CloseForm(m_pView);
        m_client.reset();
        ResultsFixture::TearDown();
    }

    CSearchResultPP* ShowAndStart() {
        m_pView = ShowForm(m_pConfig);
        return m_pView != nullptr ? Start(m_pView) : nullptr;
    }
    void PressDelete(CSearchResultPP* pPage) {
        pPage->SendMessage(WM_COMMAND, MAKEWPARAM(IDC_RES_DELETE, BN_CLICKED), 0);
        Settle();
    }
    void AddFolderToConfig(const std::vector<BYTE>& folder) {
        CStoreInfo* pStore = m_pConfig->GetStore(0);
        EXPECT_EQ(S_OK, pStore->AddFolder(m_client->Store(), (ULONG)folder.size(),
                                          const_cast<BYTE*>(folder.data())));
        pStore->Release();
    }
    // The boxes shown since the last clear, as "caption: text".
    static std::vector<std::string> Boxes() {
        std::vector<std::string> texts;
        for (const AfxShownMessageBox& box : AfxGetShownMessageBoxes())
            texts.push_back(box.caption + ": " + box.text);
        return texts;
    }

    std::unique_ptr<CStoreClient> m_client;
    FVPagedView* m_pView = nullptr;
};

TEST_F(CleanupSafetyTest, AVanishedFolderClosesThePageAndAFolderAtAnotherPositionIsNotTouched) {
    // The chosen folders: the inbox, VA (empty), VB (duplicates), VC (empty).
    const std::vector<BYTE> va = m_client->MakeFolder(m_inbox, "VA");
    const std::vector<BYTE> vb = m_client->MakeFolder(m_inbox, "VB");
    const std::vector<BYTE> vc = m_client->MakeFolder(m_inbox, "VC");
    for (const auto& folder : {va, vb, vc})
        AddFolderToConfig(folder);
    for (const char* lpszSubject : {"Alpha", "Alpha", "Beta", "Beta"})
        m_client->AddMail(vb, lpszSubject, lpszSubject, 100);
    const std::set<std::vector<BYTE>> inVB = m_client->LiveItems(vb);
    CSearchResultPP* pPage = ShowAndStart();
    ASSERT_NE(nullptr, pPage);
    ASSERT_EQ(2u, Roots(pPage->GetTree()).size());

    // VA goes behind the program's back; the General page finds it gone, drops the result and
    // the page that shows it, so its Delete can no longer send VB's ids to what stands at VB's
    // place now.
    m_client->DeleteFolder(va);
    AfxClearShownMessageBoxes();
    m_pView->GetGeneralPage().OnSelchangeStoreList();
    Settle();
    ASSERT_EQ(1u, Boxes().size());
    EXPECT_EQ("Folder vanished", AfxGetShownMessageBoxes()[0].caption);
    EXPECT_EQ(nullptr, m_pView->GetSearchResultsPage());
    EXPECT_EQ(2, m_pView->GetTabCtrl().GetItemCount());
    EXPECT_EQ(0, m_pView->GetTabCtrl().GetCurSel());

    // Positions that move under a cached result without the page going (the configuration's
    // folder list changed by another way): the cleanup opens the folder now at VB's place, sees
    // by its entry id that it is not VB, and leaves VB's groups alone, telling the user.
    pPage = Start(m_pView);
    ASSERT_NE(nullptr, pPage);
    CStoreInfo* pStore = m_pConfig->GetStore(0);
    ASSERT_EQ(S_OK, pStore->DeleteFolder(0));  // the inbox: VB moves to VC's place
    pStore->Release();
    AfxClearShownMessageBoxes();
    PressDelete(pPage);
    EXPECT_EQ(inVB, m_client->LiveItems(vb));
    ASSERT_EQ(1u, Boxes().size());
    EXPECT_EQ("Cleanup incomplete", AfxGetShownMessageBoxes()[0].caption);
    EXPECT_NE(std::string::npos, Boxes()[0].find("2 duplicate group(s) were left"));
    EXPECT_NE(std::string::npos, Boxes()[0].find("2 in a folder that was removed or replaced"));
    EXPECT_EQ(nullptr, m_pView->GetSearchResultsPage());
}

TEST_F(CleanupSafetyTest, AResultTheConfigurationDroppedIsNeverCleanedUp) {
    AddMail({"Alpha", "Ann", 100});
    AddMail({"Alpha", "Ann", 200});
    const std::set<std::vector<BYTE>> before = LiveItems();
    CSearchResultPP* pPage = ShowAndStart();
    ASSERT_NE(nullptr, pPage);

    // Dropped and announced: the form view closes the page that shows it (a page left open would
    // offer to update itself; the user declines).
    AfxSetModalHook([](CWnd*) { return IDCANCEL; });
    m_pConfig->SetSearchResult(nullptr);
    m_pConfig->NotifyConfigChange(nullptr);
    Settle();
    EXPECT_EQ(nullptr, m_pView->GetSearchResultsPage());

    // Dropped without a word: the page's own Delete refuses, tells the user, and goes.
    pPage = Start(m_pView);
    ASSERT_NE(nullptr, pPage);
    m_pConfig->SetSearchResult(nullptr);
    AfxClearShownMessageBoxes();
    PressDelete(pPage);
    EXPECT_EQ(before, LiveItems());
    ASSERT_EQ(1u, Boxes().size());
    EXPECT_NE(std::string::npos, Boxes()[0].find("Nothing was deleted"));
    EXPECT_EQ(nullptr, m_pView->GetSearchResultsPage());
}

TEST_F(CleanupSafetyTest, GroupsThatChangedBehindTheProgramsBackAreLeftWhole) {
    // Alpha: the kept entry goes. Beta: a marked entry's compared value changes. Zeta: one of two
    // marked entries goes. Eta: a value that is not compared changes. Theta: a compared value is
    // written again unchanged. Only Eta and Theta are still groups.
    const std::vector<BYTE> alphaKept = AddMail({"Alpha", "Ann", 100});
    const std::vector<BYTE> alpha2 = AddMail({"Alpha", "Ann", 200});
    const std::vector<BYTE> alpha3 = AddMail({"Alpha", "Ann", 300});
    const std::vector<BYTE> betaKept = AddMail({"Beta", "Ben", 100});
    const std::vector<BYTE> beta2 = AddMail({"Beta", "Ben", 200});
    const std::vector<BYTE> beta3 = AddMail({"Beta", "Ben", 300});
    const std::vector<BYTE> zetaKept = AddMail({"Zeta", "Zoe", 100});
    const std::vector<BYTE> zeta2 = AddMail({"Zeta", "Zoe", 200});
    const std::vector<BYTE> zeta3 = AddMail({"Zeta", "Zoe", 300});
    const std::vector<BYTE> etaKept = AddMail({"Eta", "Eve", 100});
    const std::vector<BYTE> eta2 = AddMail({"Eta", "Eve", 200});
    const std::vector<BYTE> thetaKept = AddMail({"Theta", "Tom", 100});
    const std::vector<BYTE> theta2 = AddMail({"Theta", "Tom", 200});
    CSearchResultPP* pPage = ShowAndStart();
    ASSERT_NE(nullptr, pPage);
    ASSERT_EQ(5u, Roots(pPage->GetTree()).size());

    m_client->DeleteItem(m_inbox, alphaKept);
    m_client->SetText(beta2, PR_SUBJECT, "Beta, answered");
    m_client->DeleteItem(m_inbox, zeta2);
    m_client->SetText(eta2, PR_BODY, "read later");
    m_client->SetText(theta2, PR_SUBJECT, "Theta");
    AfxClearShownMessageBoxes();
    PressDelete(pPage);

    const std::set<std::vector<BYTE>> after = LiveItems();
    for (const auto& id : {alpha2, alpha3, betaKept, beta2, beta3, zetaKept, zeta3, etaKept, thetaKept})
        EXPECT_EQ(1u, after.count(id));
    EXPECT_EQ(9u, after.size());
    ASSERT_EQ(1u, Boxes().size());
    const std::string text = Boxes()[0];
    EXPECT_NE(std::string::npos, text.find("3 duplicate group(s) were left")) << text;
    EXPECT_NE(std::string::npos, text.find("0 in a folder")) << text;
    EXPECT_NE(std::string::npos, text.find("1 whose kept entry no longer exists")) << text;
    EXPECT_NE(std::string::npos, text.find("1 with a marked entry that no longer exists")) << text;
    EXPECT_NE(std::string::npos, text.find("1 with a marked entry that no longer matches")) << text;
    EXPECT_EQ(nullptr, m_pView->GetSearchResultsPage());
}

// A page whose store changes right before each folder's deletion, as when another program writes
// at that moment: a marked entry no longer matches, and another group's kept entry goes. With
// s_bAtLock the change comes later still, right before the deletion asks for the store's write lock.
class CRacingPage : public CSearchResultPP {
public:
    explicit CRacingPage(FVBase* pOwner) : CSearchResultPP(pOwner) {}
    HRESULT DeleteDuplicates(CEntryList* pList) override {
        if (s_pClient != nullptr && s_bAtLock) {
            CMAPITestHooks::SetBeforeWriteLock([]() {
                CMAPITestHooks::SetBeforeWriteLock(nullptr);
                Race();
            });
        } else if (s_pClient != nullptr) {
            Race();
        }
        return CSearchResultPP::DeleteDuplicates(pList);
    }
    static void Race() {
        s_pClient->SetText(s_changed, PR_SUBJECT, "Alpha, answered");
        s_pClient->DeleteItem(s_folder, s_kept);
    }
    static CStoreClient* s_pClient;
    static bool s_bAtLock;
    static std::vector<BYTE> s_folder, s_changed, s_kept;
};
CStoreClient* CRacingPage::s_pClient = nullptr;
bool CRacingPage::s_bAtLock = false;
std::vector<BYTE> CRacingPage::s_folder, CRacingPage::s_changed, CRacingPage::s_kept;

TEST_F(CleanupSafetyTest, ChangesRightBeforeAFolderIsDeletedFromLeaveTheirGroupsWhole) {
    SetSearchResultPageFactory([](FVBase* pOwner) -> PropertyPageBase* { return new CRacingPage(pOwner); });
    for (const bool bAtLock : {false, true}) {
        SCOPED_TRACE(bAtLock ? "right before the write lock" : "right before the folder's deletion");
        AddMail({"Alpha", "Ann", 100});
        const std::vector<BYTE> alpha2 = AddMail({"Alpha", "Ann", 200});
        const std::vector<BYTE> alpha3 = AddMail({"Alpha", "Ann", 300});
        const std::vector<BYTE> betaKept = AddMail({"Beta", "Ben", 100});
        const std::vector<BYTE> beta2 = AddMail({"Beta", "Ben", 200});
        AddMail({"Gamma", "Gil", 100});
        const std::vector<BYTE> gamma2 = AddMail({"Gamma", "Gil", 200});
        CRacingPage::s_pClient = m_client.get();
        CRacingPage::s_bAtLock = bAtLock;
        CRacingPage::s_folder = m_inbox;
        CRacingPage::s_changed = alpha3;
        CRacingPage::s_kept = betaKept;
        CSearchResultPP* pPage = ShowAndStart();
        ASSERT_NE(nullptr, pPage);
        AfxClearShownMessageBoxes();
        PressDelete(pPage);
        CRacingPage::s_pClient = nullptr;
        CMAPITestHooks::Reset();
        const std::set<std::vector<BYTE>> after = LiveItems();
        EXPECT_EQ(1u, after.count(alpha2));
        EXPECT_EQ(1u, after.count(alpha3));
        EXPECT_EQ(1u, after.count(beta2)) << "the group's only copy left";
        EXPECT_EQ(0u, after.count(gamma2));
        ASSERT_EQ(1u, Boxes().size());
        EXPECT_NE(std::string::npos, Boxes()[0].find("2 duplicate group(s) were left")) << Boxes()[0];
        EXPECT_NE(std::string::npos, Boxes()[0].find("1 whose kept entry no longer exists")) << Boxes()[0];
        EXPECT_NE(std::string::npos, Boxes()[0].find("1 with a marked entry that no longer matches"))
            << Boxes()[0];
        // The next round starts from an empty inbox.
        for (const std::vector<BYTE>& id : after)
            m_client->DeleteItem(m_inbox, id);
        CloseForm(m_pView);
    }
}

TEST_F(CleanupSafetyTest, ACheckThatFailsTellsTheUserAndDeletesNothing) {
    AddMail({"Alpha", "Ann", 100});
    AddMail({"Alpha", "Ann", 200});
    const std::set<std::vector<BYTE>> before = LiveItems();
    CSearchResultPP* pPage = ShowAndStart();
    ASSERT_NE(nullptr, pPage);
    AfxClearShownMessageBoxes();
    CMAPITestHooks::FailQueryRows(1, MAPI_E_DISK_ERROR);  // the check's read of the folder
    PressDelete(pPage);
    CMAPITestHooks::Reset();
    EXPECT_EQ(before, LiveItems());
    EXPECT_EQ(1u, Boxes().size()) << "the progress came and went without a word";
    EXPECT_NE(nullptr, m_pView->GetSearchResultsPage());

    // A folder's deletion asked for outside a cleanup run has no judgement and no lock: it fails.
    CTreeCtrl& tree = pPage->GetTree();
    CEntryList* pList = new CEntryList;
    pList->AddRef();
    ASSERT_EQ(S_OK, pList->AddEntry(Info(tree, Children(tree, Roots(tree).at(0)).at(0))->pEntry));
    EXPECT_TRUE(FAILED(pPage->DeleteDuplicates(pList)));
    pList->Release();
    EXPECT_EQ(before, LiveItems());
}

TEST_F(CleanupSafetyTest, AStoreReplacedOrTakenOutOfTheProfileLeavesItsGroupsAndSaysSo) {
    AddMail({"Alpha", "Ann", 100});
    AddMail({"Alpha", "Ann", 200});
    const std::string path = m_root->Path() + "/Personal.pst", aside = m_root->Path() + "/Old.pst";
    for (const bool bRemoved : {false, true}) {
        SCOPED_TRACE(bRemoved ? "taken out of the profile" : "file replaced");
        CSearchResultPP* pPage = ShowAndStart();
        ASSERT_NE(nullptr, pPage);
        if (bRemoved) {
            ASSERT_EQ(S_OK, HrRemoveProfileStore("work", "", "Personal"));
        } else {
            // Another store at the same path: the searched one moved aside, whole.
            m_client.reset();
            ASSERT_EQ(0, std::rename(path.c_str(), aside.c_str()));
            ASSERT_EQ(S_OK, HrCreateStoreFile(path, "Personal", ""));
        }
        AfxClearShownMessageBoxes();
        PressDelete(pPage);
        ASSERT_EQ(1u, Boxes().size());
        EXPECT_EQ("Cleanup incomplete", AfxGetShownMessageBoxes()[0].caption);
        EXPECT_NE(std::string::npos, Boxes()[0].find("1 in a folder that was removed or replaced"))
            << Boxes()[0];
        CloseForm(m_pView);
        m_pView = nullptr;
        if (!bRemoved) {
            // The searched store kept both copies; it comes back for the second round.
            ASSERT_EQ(0, std::rename(aside.c_str(), path.c_str()));
            EXPECT_EQ(2u, LiveItems().size());
        }
    }
}

TEST_F(CleanupSafetyTest, TheUsersMarksAndKeptEntrySurviveARebuildAndTheCleanupButNotANewSearch) {
    AddMail({"Alpha", "Ann", 100});
    AddMail({"Alpha", "Ann", 200});
    AddMail({"Alpha", "Ann", 300});
    const std::vector<BYTE> betaFirst = AddMail({"Beta", "Ben", 100});
    AddMail({"Beta", "Ben", 200});
    CSearchResultPP* pPage = ShowAndStart();
    ASSERT_NE(nullptr, pPage);
    CResultTree& tree = pPage->GetTree();
    // The user keeps an Alpha duplicate and makes the Beta duplicate the kept entry.
    HTREEITEM hAlphaChild = Children(tree, RootNamed(pPage, "Alpha"))[0];
    const std::vector<BYTE> alphaKeptByUser = EntryOf(Info(tree, hAlphaChild));
    pPage->ToggleItemState(hAlphaChild);
    HTREEITEM hBeta = RootNamed(pPage, "Beta");
    const std::vector<BYTE> betaChosen = EntryOf(Info(tree, Children(tree, hBeta)[0]));
    ASSERT_EQ(S_OK, pPage->SwitchPivotEntry(hBeta, Children(tree, hBeta)[0]));

    // Away to another configuration and back, twice: the form view goes, the page is rebuilt
    // from the cached result as the user left it.
    for (int nRound = 0; nRound < 2; ++nRound) {
        SCOPED_TRACE(nRound);
        CloseForm(m_pView);
        m_pView = ShowForm(m_pConfig);
        ASSERT_NE(nullptr, m_pView);
        pPage = PageOf(m_pView);
        ASSERT_NE(nullptr, pPage);
        CResultTree& rebuilt = pPage->GetTree();
        for (HTREEITEM hChild : Children(rebuilt, RootNamed(pPage, "Alpha"))) {
            ItemInfo* pInfo = Info(rebuilt, hChild);
            const bool bKept = EntryOf(pInfo) == alphaKeptByUser;
            EXPECT_EQ(bKept ? ITEM_STATE_UNMARKED : ITEM_STATE_MARKED, (int)pInfo->nState);
            EXPECT_EQ(!bKept, pInfo->bDelete != FALSE);
        }
        HTREEITEM hRoot = RootNamed(pPage, "Beta");
        EXPECT_EQ(betaChosen, EntryOf(Info(rebuilt, hRoot)));
        ASSERT_EQ(1u, Children(rebuilt, hRoot).size());
        ItemInfo* pFormer = Info(rebuilt, Children(rebuilt, hRoot)[0]);
        EXPECT_EQ(betaFirst, EntryOf(pFormer));
        EXPECT_TRUE(pFormer->bDelete);
    }

    // Delete removes what the user marked, nothing the user chose to keep.
    PressDelete(pPage);
    const std::set<std::vector<BYTE>> after = LiveItems();
    EXPECT_EQ(3u, after.size());
    EXPECT_EQ(1u, after.count(alphaKeptByUser));
    EXPECT_EQ(1u, after.count(betaChosen));
    EXPECT_EQ(0u, after.count(betaFirst));

    // A new search starts from the default marks: the Alpha copy the user kept is marked again.
    pPage = Start(m_pView);
    ASSERT_NE(nullptr, pPage);
    HTREEITEM hAlpha = RootNamed(pPage, "Alpha");
    ASSERT_NE(nullptr, hAlpha);
    ASSERT_EQ(1u, Children(pPage->GetTree(), hAlpha).size());
    EXPECT_TRUE(Info(pPage->GetTree(), Children(pPage->GetTree(), hAlpha)[0])->bDelete);
}

}  // namespace
}  // namespace qrvtest
