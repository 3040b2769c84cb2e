// The wait cursor on screen while a cleanup waits for a store that another program holds locked.
#include <sqlite3.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/afx/wnd/MessageBoxUi.h"
#include "resources/ResultTemplates.h"
#include "tests/support/RealInput.h"
#include "tests/ui_results/ResultsFixture.h"
#include "tests/ui_results/ScreenCursor.h"
#include "ui/FormViews.h"
#include "ui/SearchResultPP.h"

namespace qrvtest {
namespace {

class BusyCursorTest : public ResultsFixture {
protected:
    void TearDown() override {
        CloseForm(m_pView);
        ResultsFixture::TearDown();
    }
    FVPagedView* m_pView = nullptr;
};

TEST_F(BusyCursorTest, TheWaitCursorShowsWhileTheCleanupWaitsForALockedStore) {
    CScreenCursor screen;
    ASSERT_TRUE(screen.IsOpen());
    AddMail({"Alpha", "Ann", 100});
    const std::vector<BYTE> duplicate = AddMail({"Alpha", "Ann", 200});
    m_pView = ShowForm(m_pConfig);
    ASSERT_NE(nullptr, m_pView);
    CSearchResultPP* pPage = Start(m_pView);
    ASSERT_NE(nullptr, pPage);

    // The pointer rests on the page, showing its normal cursor.
    CWnd* pDelete = pPage->GetDlgItem(IDC_RES_DELETE);
    ASSERT_NE(nullptr, pDelete);
    CRect rc;
    pDelete->GetWindowRect(&rc);
    RealInput().MouseMove((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
    Settle(200);
    const unsigned long normal = screen.Shown();

    // Another program takes the store's write lock and holds it until the wait cursor shows (or
    // for four seconds), then lets go, so the cleanup goes on.
    std::atomic<int> state{0};  // 1: locked, 2: released
    std::atomic<bool> seenBusy{false};
    const std::string path = m_root->Path() + "/Personal.pst";
    std::thread other([&] {
        sqlite3* db = nullptr;
        sqlite3_open(path.c_str(), &db);
        sqlite3_busy_timeout(db, 5000);
        const bool locked = sqlite3_exec(db, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr) == SQLITE_OK;
        state = locked ? 1 : 2;
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(4);
        CScreenCursor watch;
        while (locked && std::chrono::steady_clock::now() < end && !seenBusy) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            const unsigned long shown = watch.Shown();
            seenBusy = shown != 0 && shown != normal;
        }
        if (locked)
            sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
        sqlite3_close(db);
        state = 2;
    });
    while (state == 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_EQ(1, state.load());
    AfxClearShownMessageBoxes();
    // The user clicks Delete; the click is handled, and the cleanup run, as the events come in.
    RealInput().MouseClick();
    for (int i = 0; i < 500 && state != 2; ++i)
        Settle(10);
    other.join();
    Settle(200);
    EXPECT_TRUE(seenBusy);
    EXPECT_TRUE(AfxGetShownMessageBoxes().empty());
    EXPECT_EQ(0u, LiveItems().count(duplicate));
    // And the normal cursor is back once the cleanup is over.
    EXPECT_EQ(normal, screen.Shown());
}

}  // namespace
}  // namespace qrvtest
