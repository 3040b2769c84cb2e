// The cleanup against a store that another program holds locked: told as busy, whichever step
// met the lock, with what had been deleted before; and a folder key it cannot copy.
#include <sqlite3.h>

#include "model/KeyCopy.h"
#include "model/StoreInfo.h"
#include "platform/afx/wnd/MessageBoxUi.h"
#include "platform/mapi/MAPITestHooks.h"
#include "resources/ResultTemplates.h"
#include "tests/ui_results/ResultsFixture.h"
#include "tests/ui_results/StoreClient.h"
#include "ui/FormViews.h"
#include "ui/SearchResultPP.h"

namespace qrvtest {
namespace {

const char kBusy[] = "The message store is in use by another program (error code 0x8004010b).";

// Another program's connection to the store, holding its lock from Hold() until Release().
class CLockHolder {
public:
    explicit CLockHolder(const std::string& path) {
        sqlite3_open(path.c_str(), &m_db);
        sqlite3_busy_timeout(m_db, 5000);
    }
    ~CLockHolder() {
        Release();
        sqlite3_close(m_db);
    }
    // The first column of the statement's first row ("" without one); "error" when it fails.
    std::string Exec(const char* sql) {
        std::string first;
        auto take = [](void* p, int n, char** values, char**) {
            if (n > 0 && values[0] != nullptr && static_cast<std::string*>(p)->empty())
                *static_cast<std::string*>(p) = values[0];
            return 0;
        };
        return sqlite3_exec(m_db, sql, take, &first, nullptr) == SQLITE_OK ? first : "error";
    }
    bool Hold() { return m_bHeld = Exec("BEGIN EXCLUSIVE") != "error"; }
    void Release() {
        if (m_bHeld)
            Exec("COMMIT");
        m_bHeld = false;
    }

private:
    sqlite3* m_db = nullptr;
    bool m_bHeld = false;
};

class CleanupBusyTest : public ResultsFixture {
protected:
    void SetUp() override {
        ResultsFixture::SetUp();
        // Nobody waits SQLite's full ten seconds here.
        CMAPITestHooks::SetBusyTimeout(200);
    }
    void TearDown() override {
        CloseForm(m_pView);
        m_client.reset();
        ResultsFixture::TearDown();
    }
    CSearchResultPP* ShowAndStart() {
        CloseForm(m_pView);
        m_pView = ShowForm(m_pConfig);
        return m_pView != nullptr ? Start(m_pView) : nullptr;
    }
    void PressDelete(CSearchResultPP* pPage) {
        AfxClearShownMessageBoxes();
        pPage->SendMessage(WM_COMMAND, MAKEWPARAM(IDC_RES_DELETE, BN_CLICKED), 0);
        Settle();
    }
    std::string StorePath() const { return m_root->Path() + "/Personal.pst"; }
    CStoreClient& StoreClient() {
        if (m_client == nullptr)
            m_client = std::make_unique<CStoreClient>(m_pConfig);
        return *m_client;
    }
    std::string OnlyBox() {
        const auto& boxes = AfxGetShownMessageBoxes();
        EXPECT_EQ(1u, boxes.size());
        return boxes.empty() ? std::string() : boxes[0].caption + ": " + boxes[0].text;
    }

    std::unique_ptr<CStoreClient> m_client;
    FVPagedView* m_pView = nullptr;
};

TEST_F(CleanupBusyTest, AStoreAnotherProgramHoldsIsToldAsBusyNothingGoesAndALaterTryCleans) {
    // A log file store meets the lock at its write lock; a rollback-journal store already when
    // it is opened.
    for (const char* mode : {"wal", "delete"}) {
        SCOPED_TRACE(mode);
        AddMail({"Alpha", "Ann", 100});
        const std::vector<BYTE> duplicate = AddMail({"Alpha", "Ann", 200});
        CLockHolder other(StorePath());
        ASSERT_EQ(mode, other.Exec(("PRAGMA journal_mode=" + std::string(mode)).c_str()));
        const std::set<std::vector<BYTE>> before = LiveItems();
        CSearchResultPP* pPage = ShowAndStart();
        ASSERT_NE(nullptr, pPage);
        ASSERT_TRUE(other.Hold());
        PressDelete(pPage);
        other.Release();
        const std::string box = OnlyBox();
        EXPECT_EQ(0u, box.find(std::string("Cleanup incomplete: ") + kBusy)) << box;
        EXPECT_NE(std::string::npos, box.find("0 had been deleted before, and no others")) << box;
        EXPECT_EQ(before, LiveItems());
        ASSERT_EQ(pPage, PageOf(m_pView)) << "the page went with its marks";

        // Once the other program is done, the same page cleans up.
        PressDelete(pPage);
        EXPECT_TRUE(AfxGetShownMessageBoxes().empty()) << OnlyBox();
        EXPECT_EQ(0u, LiveItems().count(duplicate));
        EXPECT_EQ(1u, LiveItems().size());
        CloseForm(m_pView);
        m_pView = nullptr;
        m_client.reset();
        for (const std::vector<BYTE>& id : LiveItems())
            StoreClient().DeleteItem(m_inbox, id);
        m_client.reset();
    }
}

TEST_F(CleanupBusyTest, ALockTakenBetweenTwoFoldersTellsWhatWentBefore) {
    const std::vector<BYTE> sub = StoreClient().MakeFolder(m_inbox, "Sub");
    CStoreInfo* pStore = m_pConfig->GetStore(0);
    ASSERT_EQ(S_OK, pStore->AddFolder(m_client->Store(), (ULONG)sub.size(), const_cast<BYTE*>(sub.data())));
    pStore->Release();
    AddMail({"Alpha", "Ann", 100});
    const std::vector<BYTE> first = AddMail({"Alpha", "Ann", 200});
    m_client->AddMail(sub, "Beta", "Bob", 100);
    m_client->AddMail(sub, "Beta", "Bob", 200);
    CSearchResultPP* pPage = ShowAndStart();
    ASSERT_NE(nullptr, pPage);
    // The other program takes the store right before the second folder's deletion asks for it.
    CLockHolder other(StorePath());
    int nLocks = 0;
    CMAPITestHooks::SetBeforeWriteLock([&] {
        if (++nLocks == 2)
            other.Hold();
    });
    PressDelete(pPage);
    CMAPITestHooks::SetBeforeWriteLock(nullptr);
    other.Release();
    const std::string box = OnlyBox();
    EXPECT_EQ(0u, box.find(std::string("Cleanup incomplete: ") + kBusy)) << box;
    EXPECT_NE(std::string::npos, box.find("1 had been deleted before")) << box;
    EXPECT_EQ(0u, LiveItems().count(first));
    EXPECT_EQ(2u, m_client->LiveItems(sub).size());
}

TEST_F(CleanupBusyTest, AFolderKeyThatCannotBeCopiedIsToldAsLackOfMemoryAndNothingGoes) {
    AddMail({"Alpha", "Ann", 100});
    AddMail({"Alpha", "Ann", 200});
    const std::set<std::vector<BYTE>> before = LiveItems();
    // The first copies are the store's key, as the store is opened (which fails the opening) and
    // as its columns are built; then the folder's key, as the check reads the folder and as its
    // deletion opens it.
    int nFailed = 0;
    for (int nSkip = 1; nSkip < 10 && LiveItems() == before; ++nSkip) {
        CSearchResultPP* pPage = ShowAndStart();
        ASSERT_NE(nullptr, pPage);
        SetKeyCopyFailureAfter(nSkip);
        PressDelete(pPage);
        SetKeyCopyFailureAfter(-1);
        if (AfxGetShownMessageBoxes().empty())
            break;
        ++nFailed;
        EXPECT_EQ(0u, OnlyBox().find("Low resources!: ")) << nSkip;
        EXPECT_EQ(before, LiveItems()) << nSkip;
    }
    EXPECT_GE(nFailed, 2);
    EXPECT_EQ(1u, LiveItems().size()) << "the cleanup never went through";
}

}  // namespace
}  // namespace qrvtest
