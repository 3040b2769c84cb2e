// The whole-file check of a store: once per change by another program, never for a look-up, and a
// damaged file never written.
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/mapi/CheckedFiles.h"
#include "platform/mapi/StoreAdmin.h"
#include "tests/platform_mapi/MapiTestSupport.h"
#include "tests/support/HangGuard.h"

namespace mapitest {
namespace {

const GUID kSet = {0x00062004, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

class CheckedStore : public MapiTest {
protected:
    HRESULT IdOf(LPMDB store, LONG id, ULONG flags, ULONG& tag) {
        MAPINAMEID name{};
        name.lpguid = const_cast<GUID*>(&kSet);
        name.ulKind = MNID_ID;
        name.Kind.lID = id;
        LPMAPINAMEID names[1] = {&name};
        LPSPropTagArray tags = nullptr;
        HRESULT hr = store->GetIDsFromNames(1, names, flags, &tags);
        tag = tags != nullptr ? tags->aulPropTag[0] : 0;
        MAPIFreeBuffer(tags);
        return hr;
    }
    // Opens the store, adds a note, closes it again.
    void AddNote(const std::string& subject) {
        Ref<IMsgStore> store;
        ASSERT_EQ(S_OK, HrOpenStoreFile("s.qst", "", MAPI_BEST_ACCESS, &store));
        Ref<IMAPIFolder> notes(OpenNamedFolder(store, "Notes"));
        AddMessage(notes, "IPM.StickyNote", subject);
    }
    static void Sql(const char* change) {
        sqlite3* db = nullptr;
        ASSERT_EQ(SQLITE_OK, sqlite3_open(HrResolveStorePath("s.qst").c_str(), &db));
        EXPECT_EQ(SQLITE_OK, sqlite3_exec(db, change, nullptr, nullptr, nullptr)) << sqlite3_errmsg(db);
        sqlite3_close(db);
    }
};

TEST_F(CheckedStore, ALookUpThatFindsEveryNameTakesNoWriteLock) {
    ASSERT_EQ(S_OK, HrCreateStoreFile("s.qst", "S", ""));
    ULONG made = 0;
    {
        Ref<IMsgStore> store;
        ASSERT_EQ(S_OK, HrOpenStoreFile("s.qst", "", MAPI_BEST_ACCESS, &store));
        ASSERT_EQ(S_OK, IdOf(store, 0x8101, MAPI_CREATE, made));
    }
    // Damaged afterwards: writes are refused, but asking for a name it has, even with the flag
    // that would make a missing one, changes nothing and is answered.
    FlipBitInPageOf("s.qst", "messages_folder", 0);
    Ref<IMsgStore> store;
    ASSERT_EQ(S_OK, HrOpenStoreFile("s.qst", "", MAPI_BEST_ACCESS, &store));
    ULONG found = 0;
    EXPECT_EQ(S_OK, IdOf(store, 0x8101, MAPI_CREATE, found));
    EXPECT_EQ(made, found);
    EXPECT_EQ(MAPI_E_CORRUPT_STORE, IdOf(store, 0x8102, MAPI_CREATE, found));
}

TEST_F(CheckedStore, AFileIsCheckedOnceUntilAnotherProgramChangesIt) {
    ASSERT_EQ(S_OK, HrCreateStoreFile("s.qst", "S", ""));
    const long start = qrvmapi::FileChecksRun();
    AddNote("first");
    EXPECT_EQ(start + 1, qrvmapi::FileChecksRun());
    AddNote("after a close");
    EXPECT_EQ(start + 1, qrvmapi::FileChecksRun());

    // Another of our processes: no connection of this one is open while it is made.
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const long before = qrvmapi::FileChecksRun();
        LPMDB store = nullptr;
        LPUNKNOWN unknown = nullptr;
        if (FAILED(HrOpenStoreFile("s.qst", "", MAPI_BEST_ACCESS, &store))) {
            _exit(10);
        }
        ULONG tag = 0;
        HRESULT hr = IdOf(store, 0x8103, MAPI_CREATE, tag);  // a write
        store->Release();
        (void)unknown;
        _exit(FAILED(hr) ? 11 : static_cast<int>(qrvmapi::FileChecksRun() - before));
    }
    int status = -1;
    ASSERT_EQ(child, waitpid(child, &status, 0));
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(0, WEXITSTATUS(status)) << "checks in the other process";

    // A change by another program, through SQLite or around it, is followed by a check.
    Sql("UPDATE folders SET comment = 'elsewhere' WHERE id = 2");
    AddNote("after another program");
    EXPECT_EQ(start + 2, qrvmapi::FileChecksRun());
    AddNote("again");
    EXPECT_EQ(start + 2, qrvmapi::FileChecksRun());
    FlipBitInPageOf("s.qst", "messages_folder", -1);
    Ref<IMsgStore> store;
    ASSERT_EQ(S_OK, HrOpenStoreFile("s.qst", "", MAPI_BEST_ACCESS, &store));
    EXPECT_EQ(MAPI_E_CORRUPT_STORE, HrBeginStoreBatch(store));
    EXPECT_EQ(start + 3, qrvmapi::FileChecksRun());
}

TEST_F(CheckedStore, TheRecordBesideTheStoreIsTheUsersAloneAndAFifoInItsPlaceIsPassedOver) {
    ASSERT_EQ(S_OK, HrCreateStoreFile("s.qst", "S", ""));
    const long start = qrvmapi::FileChecksRun();
    const mode_t previous = ::umask(022);
    AddNote("first");
    ::umask(previous);
    const std::string record = HrResolveStorePath("s.qst") + ".checked";
    struct stat st {};
    ASSERT_EQ(0, ::stat(record.c_str(), &st));
    EXPECT_EQ(0600u, st.st_mode & 0777);

    // A record that cannot be read only costs one more check.
    ASSERT_EQ(0, ::unlink(record.c_str()));
    ASSERT_EQ(0, ::mkfifo(record.c_str(), 0600));
    {
        qrvtest::HangGuard guard("reading a FIFO as the store's record");
        AddNote("second");
    }
    EXPECT_EQ(start + 2, qrvmapi::FileChecksRun());
}

}  // namespace
}  // namespace mapitest
