// Showing a configuration and searching on a store that lacks one of the compared names while the
// store's whole-file check runs: neither waits for the check, and neither writes into the store.
#include <sqlite3.h>

#include <filesystem>
#include <memory>

#include "model/PropertyID.h"
#include "model/PropertyList.h"
#include "model/StoreInfo.h"
#include "platform/mapi/FileCheck.h"
#include "platform/mapi/MAPIX.h"
#include "resources/FormResource.h"
#include "tests/platform_mapi/HeldCheck.h"
#include "tests/platform_mapi/MapiTestSupport.h"
#include "tests/support/HangGuard.h"
#include "tests/ui_results/ResultsFixture.h"
#include "ui/FormViews.h"
#include "ui/ResultTree.h"
#include "ui/SearchResultPP.h"

namespace {

using qrvtest::ResultsFixture;

class HeldCheckTest : public ResultsFixture {
protected:
    void TearDown() override {
        m_held.reset();
        ResultsFixture::TearDown();
    }
    // Puts a copy of the store file in its place, with a rollback journal (a file this process has
    // not checked, whose check copies it first), and starts its check, held at that first step
    // until Release.
    void HoldCheck(const std::string& path) {
        std::filesystem::copy_file(path, path + ".new");
        std::filesystem::rename(path + ".new", path);
        sqlite3* db = nullptr;
        ASSERT_EQ(SQLITE_OK, sqlite3_open(path.c_str(), &db));
        ASSERT_EQ(SQLITE_OK, sqlite3_exec(db, "PRAGMA journal_mode = DELETE", nullptr, nullptr, nullptr));
        sqlite3_close(db);
        m_held = std::make_unique<mapitest::CHeldCheck>();
        qrvmapi::StartFileCheck(path, qrvmapi::KeyOfFile(path));
        m_held->WaitHeld(path);
    }
    // How many names the store file holds.
    ULONG NamesInStore() {
        mapitest::Ref<IMAPISession> session;
        EXPECT_EQ(S_OK, MAPILogonEx(0, "work", nullptr,
                                    MAPI_NEW_SESSION | MAPI_EXPLICIT_PROFILE | MAPI_EXTENDED, &session.p));
        mapitest::Ref<CStoreInfo> store{m_pConfig->GetStore(0)};
        SBinary key{};
        EXPECT_EQ(S_OK, store->GetStoreKey(&key));
        mapitest::Ref<IMsgStore> mdb;
        EXPECT_EQ(S_OK, session->OpenMsgStore(0, key.cb, reinterpret_cast<LPENTRYID>(key.lpb), nullptr,
                                              MAPI_BEST_ACCESS, &mdb.p));
        free(key.lpb);
        LPSPropTagArray tags = nullptr;
        EXPECT_EQ(S_OK, mdb->GetIDsFromNames(0, nullptr, 0, &tags));
        const ULONG count = tags != nullptr ? tags->cValues : 0;
        MAPIFreeBuffer(tags);
        mdb.reset();
        session->Logoff(0, 0, 0);
        return count;
    }

    std::unique_ptr<mapitest::CHeldCheck> m_held;
};

TEST_F(HeldCheckTest, TheFormFillsAndTheSearchReturnsWhileTheStoresCheckRuns) {
    AddMail({"Alpha", "ann", 1});
    AddMail({"Alpha", "ann", 2});
    ASSERT_EQ(0u, NamesInStore());
    HoldCheck(m_root->Path() + "/Personal.pst");

    FVPagedView* pView = nullptr;
    {
        qrvtest::HangGuard guard("showing a configuration while the store's check runs",
                                 std::chrono::seconds(20));
        pView = ShowForm(m_pConfig);
        ASSERT_NE(nullptr, pView);
        // Every named property is listed, though the store holds none of them yet, and the search
        // compares them.
        CPropertyListCtrl& list = pView->GetPropertiesPage().GetListCtrl();
        int nNamed = 0;
        for (int i = 0; i < list.GetItemCount(); ++i) {
            auto* pProp = reinterpret_cast<CPropertyID*>(list.GetItemData(i));
            if (pProp != nullptr && pProp->GetType() == PT_NAMED_TYPE) {
                ++nNamed;
                pProp->SetSelected(TRUE);
            }
        }
        EXPECT_GT(nNamed, 0);

        CSearchResultPP* pPage = Start(pView);
        ASSERT_NE(nullptr, pPage);
        EXPECT_EQ(1u, Roots(pPage->GetTree()).size());
    }
    EXPECT_EQ(0u, NamesInStore()) << "looking at a configuration or searching wrote into the store";
    m_held->Release();
    CloseForm(pView);
}

}  // namespace
