// A store file whose schema lacks a table or a column is a damaged store: clear words, no writes.
#include <sqlite3.h>

#include "platform/mapi/StoreAdmin.h"
#include "tests/platform_mapi/MapiTestSupport.h"

namespace mapitest {
namespace {

class StoreSchema : public MapiTest {
protected:
    // A store with one note, then 'change' run on its file by plain SQLite.
    void MakeStore(const std::string& file, const char* change) {
        ASSERT_EQ(S_OK, HrCreateStoreFile(file, "Odd", ""));
        {
            Ref<IMsgStore> store;
            ASSERT_EQ(S_OK, HrOpenStoreFile(file, "", MAPI_BEST_ACCESS, &store));
            Ref<IMAPIFolder> notes(OpenNamedFolder(store, "Notes"));
            AddMessage(notes, "IPM.StickyNote", "kept");
        }
        sqlite3* db = nullptr;
        ASSERT_EQ(SQLITE_OK, sqlite3_open(HrResolveStorePath(file).c_str(), &db));
        EXPECT_EQ(SQLITE_OK, sqlite3_exec(db, change, nullptr, nullptr, nullptr)) << sqlite3_errmsg(db);
        sqlite3_close(db);
    }
};

TEST_F(StoreSchema, AMissingTableOrColumnMakesADamagedStoreThatIsNeverWritten) {
    const std::pair<const char*, const char*> changes[] = {
        {"nocolumn.qst", "DROP INDEX messages_folder; ALTER TABLE messages DROP COLUMN deleted;"},
        {"notable.qst", "DROP TABLE named;"},
        {"nofolders.qst", "ALTER TABLE folders RENAME TO elsewhere;"},
    };
    for (const auto& [file, change] : changes) {
        SCOPED_TRACE(file);
        MakeStore(file, change);
        const std::string before = FileBytes(HrResolveStorePath(file));
        Ref<IMsgStore> store;
        ASSERT_EQ(S_OK, HrOpenStoreFile(file, "", MAPI_BEST_ACCESS, &store));
        // Reads that need what is missing say why; writes are refused before anything is written.
        LPUNKNOWN unknown = nullptr;
        std::string ipm = BinaryProp(store, PR_IPM_SUBTREE_ENTRYID);
        HRESULT hr = OpenById(store.p, ipm, MAPI_BEST_ACCESS, &unknown);
        Ref<IMAPIFolder> top(static_cast<IMAPIFolder*>(unknown));
        if (SUCCEEDED(hr)) {
            Ref<IMAPITable> hierarchy;
            hr = top->GetHierarchyTable(0, &hierarchy);
            Rows rows;
            if (SUCCEEDED(hr)) {
                hr = hierarchy->QueryRows(100, 0, &rows.p);
            }
        }
        if (std::string(file) == "nofolders.qst") {
            EXPECT_EQ(MAPI_E_CORRUPT_STORE, hr) << "not an unspecified error";
        } else {
            EXPECT_TRUE(hr == S_OK || hr == MAPI_E_CORRUPT_STORE) << std::hex << hr;
        }
        EXPECT_EQ(MAPI_E_CORRUPT_STORE, HrBeginStoreBatch(store));
        std::vector<std::string> none;
        ULONG done = 0;
        EXPECT_EQ(MAPI_E_CORRUPT_STORE, HrRestoreDeletedItems(store, none, &done));
        store.reset();
        EXPECT_TRUE(before == FileBytes(HrResolveStorePath(file))) << "the file was written";
    }
}

}  // namespace
}  // namespace mapitest
