// From the search to the cleanup on real windows, with another program changing the store between
// them: what the store holds afterwards, and what the user was told.
#include "model/StoreInfo.h"
#include "platform/afx/wnd/MessageBoxUi.h"
#include "platform/mapi/MAPITestHooks.h"
#include "resources/FormResource.h"
#include "resources/ResultTemplates.h"
#include "tests/ui_results/ResultsFixture.h"
#include "tests/ui_results/StoreClient.h"
#include "ui/FormViews.h"
#include "ui/SearchResultPP.h"

namespace qrvtest {
namespace {

class CleanupEndToEndTest : public ResultsFixture {
protected:
    void TearDown() override {
        CloseForm(m_pView);
        ResultsFixture::TearDown();
    }
    FVPagedView* m_pView = nullptr;
};

TEST_F(CleanupEndToEndTest, SearchChangeTheStoreBehindTheProgramsBackThenCleanUp) {
    CStoreClient other(m_pConfig);
    // The inbox and a folder "Archive" below it are searched together (compare mode "ignoring
    // folder"), so a group may lie in both.
    const std::vector<BYTE> archive = other.MakeFolder(m_inbox, "Archive");
    CStoreInfo* pStore = m_pConfig->GetStore(0);
    ASSERT_EQ(S_OK,
              pStore->AddFolder(other.Store(), (ULONG)archive.size(), const_cast<BYTE*>(archive.data())));
    pStore->Release();
    m_pConfig->SetCompareMode(COMPARE_MODE_STORE);
    struct Group {
        const char* lpszSubject;
        std::vector<BYTE> kept, first, second;
    };
    // A kept entry (the oldest) and two copies each; one of Folder's copies lies in the archive.
    Group kept{"Kept gone", {}, {}, {}}, value{"Value changed", {}, {}, {}},
        folder{"Folder gone", {}, {}, {}}, intact{"Intact", {}, {}, {}};
    for (Group* g : {&kept, &value, &folder, &intact}) {
        g->kept = other.AddMail(m_inbox, g->lpszSubject, "Sam", 100);
        g->first = other.AddMail(g == &folder ? archive : m_inbox, g->lpszSubject, "Sam", 200);
        g->second = other.AddMail(m_inbox, g->lpszSubject, "Sam", 300);
    }

    m_pView = ShowForm(m_pConfig);
    ASSERT_NE(nullptr, m_pView);
    CSearchResultPP* pPage = Start(m_pView);
    ASSERT_NE(nullptr, pPage);
    ASSERT_EQ(4u, Roots(pPage->GetTree()).size());

    // Behind the program's back: a kept entry goes, a compared value changes, the archive goes.
    other.DeleteItem(m_inbox, kept.kept);
    other.SetText(value.first, PR_SUBJECT, "Value changed (edited)");
    other.DeleteFolder(archive);

    // The user presses Delete.
    AfxClearShownMessageBoxes();
    CWnd* pDelete = pPage->GetDlgItem(IDC_RES_DELETE);
    ASSERT_NE(nullptr, pDelete);
    CRect rc;
    pDelete->GetWindowRect(&rc);
    EXPECT_TRUE(ClickUntil(pDelete, CPoint((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2), false,
                           [&] { return m_pView->GetSearchResultsPage() == nullptr; }));

    // Every kept entry that still existed is there; only Intact was still a group, and lost its
    // copies; nothing else was touched.
    const std::set<std::vector<BYTE>> live = LiveItems();
    for (const Group* g : {&value, &folder, &intact})
        EXPECT_EQ(1u, live.count(g->kept)) << g->lpszSubject;
    for (const auto& id : {kept.first, kept.second, value.first, value.second, folder.second})
        EXPECT_EQ(1u, live.count(id));
    EXPECT_EQ(0u, live.count(intact.first));
    EXPECT_EQ(0u, live.count(intact.second));
    EXPECT_EQ(8u, live.size());
    std::set<std::string> deleted = DeletedItems();
    EXPECT_EQ(1u, deleted.count(std::string(intact.first.begin(), intact.first.end())));
    EXPECT_EQ(1u, deleted.count(std::string(intact.second.begin(), intact.second.end())));

    // Told once, each skipped group counted by its reason.
    ASSERT_EQ(1u, AfxGetShownMessageBoxes().size());
    const std::string text = AfxGetShownMessageBoxes()[0].text;
    EXPECT_NE(std::string::npos, text.find("3 duplicate group(s) were left")) << text;
    EXPECT_NE(std::string::npos, text.find("1 in a folder that was removed or replaced")) << text;
    EXPECT_NE(std::string::npos, text.find("1 whose kept entry no longer exists")) << text;
    EXPECT_NE(std::string::npos, text.find("1 with a marked entry that no longer matches")) << text;
}

}  // namespace
}  // namespace qrvtest
