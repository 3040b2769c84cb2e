// Damaged and foreign store files, and a second process changing a store that a session has open.
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>

#include "platform/mapi/StoreAdmin.h"
#include "tests/platform_mapi/MapiTestSupport.h"

namespace mapitest {
namespace {

class Robustness : public MapiTest {};

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteAll(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

TEST_F(Robustness, ForeignAndGarbageFilesAreRefusedAndLeftUntouched) {
    WriteAll(HrResolveStorePath("garbage.qst"), std::string(4096, 'Z'));
    WriteAll(HrResolveStorePath("empty.qst"), "");
    sqlite3* db = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_open(HrResolveStorePath("foreign.qst").c_str(), &db));
    ASSERT_EQ(SQLITE_OK, sqlite3_exec(db, "CREATE TABLE meta(a, b, c); CREATE TABLE other(x);", nullptr,
                                      nullptr, nullptr));
    sqlite3_close(db);
    LPMDB store = nullptr;
    for (const char* name : {"garbage.qst", "empty.qst", "foreign.qst"}) {
        const std::string before = ReadAll(HrResolveStorePath(name));
        EXPECT_EQ(MAPI_E_CORRUPT_STORE, HrOpenStoreFile(name, "", MAPI_BEST_ACCESS, &store)) << name;
        EXPECT_EQ(MAPI_E_COLLISION, HrCreateStoreFile(name, "New", ""))
            << "an existing file is never overwritten";
        EXPECT_EQ(before, ReadAll(HrResolveStorePath(name))) << name;
    }
    EXPECT_EQ(MAPI_E_NOT_FOUND, HrOpenStoreFile("missing.qst", "", MAPI_BEST_ACCESS, &store));
    EXPECT_EQ(nullptr, store);

    // Attaching such a file to a profile fails with the same clear error.
    Ref<IProfAdmin> admin;
    ASSERT_EQ(S_OK, MAPIAdminProfiles(0, &admin));
    ASSERT_EQ(S_OK, admin->CreateProfile("P", nullptr, 0, 0));
    Ref<IMsgServiceAdmin> services;
    ASSERT_EQ(S_OK, admin->AdminServices("P", nullptr, 0, 0, &services));
    MAPIUID uid{};
    ASSERT_EQ(S_OK, NewService(services, "Bad", uid));
    SPropValue path = TextValue(PR_PST_PATH, "garbage.qst");
    EXPECT_EQ(MAPI_E_CORRUPT_STORE, services->ConfigureMsgService(&uid, 0, 0, 1, &path));
}

TEST_F(Robustness, StoreFileThatVanishedOrWasReplacedIsNotFound) {
    MakeProfile("P", "", "gone.qst", "Gone");
    Ref<IMAPISession> session(Logon("P"));
    std::string eid = StoreEntryId(session, "Gone");
    std::string path = HrResolveStorePath("gone.qst");
    ASSERT_EQ(0, unlink(path.c_str()));
    LPUNKNOWN unknown = nullptr;
    EXPECT_EQ(MAPI_E_NOT_FOUND, OpenById(session.p, eid, 0, &unknown));
    ASSERT_EQ(S_OK, HrCreateStoreFile("gone.qst", "Impostor", ""));
    EXPECT_EQ(MAPI_E_NOT_FOUND, OpenById(session.p, eid, 0, &unknown));
}

TEST_F(Robustness, DamagedValuesAFolderCycleAndCutPagesGiveErrorsNotCrashesOrHangs) {
    ASSERT_EQ(S_OK, HrCreateStoreFile("damaged.qst", "Damaged", ""));
    std::string eid, contacts;
    {
        Ref<IMsgStore> store;
        ASSERT_EQ(S_OK, HrOpenStoreFile("damaged.qst", "", MAPI_BEST_ACCESS, &store));
        Ref<IMAPIFolder> inbox(OpenNamedFolder(store, "Inbox"));
        ASSERT_EQ(S_OK, HrBeginStoreBatch(store));
        std::string body(2000, 'b');
        for (int i = 0; i < 400; ++i) {
            eid =
                AddMessage(inbox, "IPM.Note", "n" + std::to_string(i), {TextValue(PR_BODY_A, body.c_str())});
        }
        ASSERT_EQ(S_OK, HrEndStoreBatch(store, TRUE));
        Ref<IMAPIFolder> folder(OpenNamedFolder(store, "Contacts"));
        contacts = BinaryProp(folder, PR_ENTRYID);
        Ref<IMAPIFolder> child;
        ASSERT_EQ(S_OK, folder->CreateFolder(FOLDER_GENERIC, "Child", nullptr, nullptr, 0, &child));
    }
    std::string path = HrResolveStorePath("damaged.qst");
    sqlite3* db = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_open(path.c_str(), &db));
    // A multi-valued value whose bytes are not a list, a value with an unknown type, and Contacts
    // made a child of its own child.
    ASSERT_EQ(SQLITE_OK,
              sqlite3_exec(db,
                           "INSERT INTO props VALUES(400, 26369, 4099, x'FFFFFF7F01');"
                           "INSERT INTO props VALUES(400, 26370, 777, 'what');"
                           "UPDATE folders SET parent = (SELECT id FROM folders WHERE name = 'Child') "
                           "WHERE name = 'Contacts'",
                           nullptr, nullptr, nullptr));
    sqlite3_close(db);
    {
        Ref<IMsgStore> store;
        ASSERT_EQ(S_OK, HrOpenStoreFile("damaged.qst", "", MAPI_BEST_ACCESS, &store));
        LPUNKNOWN unknown = nullptr;
        ASSERT_EQ(S_OK, OpenById(store.p, eid, 0, &unknown));
        Ref<IMessage> message(static_cast<IMessage*>(unknown));
        Tags tags{PROP_TAG(PT_MV_LONG, 0x6701), PROP_TAG(PT_UNSPECIFIED, 0x6702)};
        Values values;
        ASSERT_EQ(MAPI_W_ERRORS_RETURNED, message->GetProps(tags, 0, &values.count, &values.p));
        EXPECT_EQ(MAPI_E_CORRUPT_DATA, values[0].Value.err);
        EXPECT_EQ(MAPI_E_CORRUPT_DATA, values[1].Value.err);
        Values all;
        ASSERT_EQ(MAPI_W_ERRORS_RETURNED, message->GetProps(nullptr, 0, &all.count, &all.p));
        Ref<IMAPIFolder> folder(OpenFolder(store, contacts));
        Ref<IMAPITable> table;
        ASSERT_EQ(S_OK, folder->GetHierarchyTable(CONVENIENT_DEPTH, &table));
        ULONG count = 0;
        ASSERT_EQ(S_OK, table->GetRowCount(0, &count));
        EXPECT_EQ(1u, count) << "the child once, and the cycle back to the start is cut";
    }
    // Cut the file in the middle: whatever is still read is read, the rest fails cleanly.
    std::string bytes = ReadAll(path);
    ASSERT_GT(bytes.size(), 100000u);
    WriteAll(path, bytes.substr(0, bytes.size() * 6 / 10));
    Ref<IMsgStore> store;
    HRESULT hr = HrOpenStoreFile("damaged.qst", "", MAPI_BEST_ACCESS, &store);
    if (SUCCEEDED(hr)) {
        LPUNKNOWN unknown = nullptr;
        ULONG type = 0;
        hr = store->OpenEntry(0, nullptr, nullptr, 0, &type, &unknown);
        Ref<IMAPIFolder> root(static_cast<IMAPIFolder*>(unknown));
        if (SUCCEEDED(hr)) {
            Ref<IMAPIFolder> inbox(OpenNamedFolder(store, "Inbox"));
            if (inbox.p != nullptr) {
                Ref<IMAPITable> table(ContentsTable(inbox, {PR_SUBJECT_A, PR_BODY_A}));
                for (;;) {
                    Rows rows;
                    hr = table->QueryRows(100, 0, &rows.p);
                    if (FAILED(hr) || rows.p->cRows == 0) {
                        break;
                    }
                }
            }
        }
    }
    if (FAILED(hr)) {
        EXPECT_EQ(MAPI_E_CORRUPT_STORE, hr);
    }
}

TEST_F(Robustness, ADamagedStoreFileIsReadButEveryWriteIsRefusedAndTheFileStaysAsItWas) {
    // A new store has not yet been switched to write-ahead logging: not even that is written.
    ASSERT_EQ(S_OK, HrCreateStoreFile("fresh.qst", "Fresh", ""));
    FlipBitInPageOf("fresh.qst", "named", 0);  // the page's type
    ASSERT_NE("ok", IntegrityOf("fresh.qst"));
    const std::string path = HrResolveStorePath("fresh.qst");
    const std::string before = ReadAll(path);
    {
        Ref<IMsgStore> store;
        ASSERT_EQ(S_OK, HrOpenStoreFile("fresh.qst", "", MAPI_BEST_ACCESS, &store));
        Ref<IMAPIFolder> inbox(OpenNamedFolder(store, "Inbox"));
        ASSERT_NE(nullptr, inbox.p) << "what is sound still reads";
        Ref<IMAPIFolder> child;
        EXPECT_EQ(MAPI_E_CORRUPT_STORE,
                  inbox->CreateFolder(FOLDER_GENERIC, "Child", nullptr, nullptr, 0, &child));
        Ref<IMessage> message;
        ASSERT_EQ(S_OK, inbox->CreateMessage(nullptr, 0, &message));
        EXPECT_EQ(MAPI_E_CORRUPT_STORE, message->SaveChanges(0));
        const std::string folderId = BinaryProp(inbox, PR_ENTRYID);  // not an item: nothing to delete
        SBinary none = Bin(folderId);
        SBinaryArray list{1, &none};
        EXPECT_EQ(MAPI_E_CORRUPT_STORE, inbox->DeleteMessages(&list, 0, nullptr, DELETE_HARD_DELETE));
        SPropValue cls = TextValue(PR_CONTAINER_CLASS_A, "IPF.Other");
        EXPECT_EQ(MAPI_E_CORRUPT_STORE, inbox->SetProps(1, &cls, nullptr));
        EXPECT_EQ(MAPI_E_CORRUPT_STORE, HrBeginStoreBatch(store));
    }
    EXPECT_EQ(before, ReadAll(path));

    // A sound file is written, and stays writable for a second connection of the same process.
    ASSERT_EQ(S_OK, HrCreateStoreFile("sound.qst", "Sound", ""));
    for (int round = 0; round < 2; ++round) {
        Ref<IMsgStore> store;
        ASSERT_EQ(S_OK, HrOpenStoreFile("sound.qst", "", MAPI_BEST_ACCESS, &store));
        Ref<IMAPIFolder> inbox(OpenNamedFolder(store, "Inbox"));
        AddMessage(inbox, "IPM.Note", "fine");
        EXPECT_EQ(round + 1, LongProp(inbox, PR_CONTENT_COUNT));
    }
}

TEST_F(Robustness, AnotherProcessChangesAStoreWhileASessionHasItOpen) {
    MakeProfile("P", "", "shared.qst", "Shared");
    Ref<IMAPISession> session(Logon("P"));
    Ref<IMsgStore> store(OpenStore(session, "Shared"));
    Ref<IMAPIFolder> notes(OpenNamedFolder(store, "Notes"));
    std::vector<std::string> before;
    for (int i = 0; i < 3; ++i) {
        before.push_back(AddMessage(notes, "IPM.StickyNote", "mine " + std::to_string(i)));
    }
    Ref<IMAPITable> table;
    ASSERT_EQ(S_OK, notes->GetContentsTable(0, &table));
    Rows first;
    ASSERT_EQ(S_OK, table->QueryRows(2, 0, &first.p));
    ASSERT_EQ(2u, first.p->cRows);
    std::string notesId = BinaryProp(notes, PR_ENTRYID);

    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // The other process: its own connection to the same file, ten new notes and one deletion.
        // It leaves by _exit, so what it opened is not released one by one.
        LPMDB other = nullptr;
        LPUNKNOWN unknown = nullptr;
        if (FAILED(HrOpenStoreFile("shared.qst", "", MAPI_BEST_ACCESS, &other)) ||
            FAILED(OpenById(other, notesId, MAPI_BEST_ACCESS, &unknown))) {
            _exit(1);
        }
        auto* folder = static_cast<IMAPIFolder*>(unknown);
        for (int i = 0; i < 10; ++i) {
            LPMESSAGE message = nullptr;
            if (FAILED(folder->CreateMessage(nullptr, 0, &message)) || FAILED(message->SaveChanges(0))) {
                _exit(2);
            }
        }
        SBinary victim = Bin(before[2]);
        SBinaryArray list{1, &victim};
        _exit(folder->DeleteMessages(&list, 0, nullptr, 0) == S_OK ? 0 : 3);
    }
    int status = -1;
    ASSERT_EQ(child, waitpid(child, &status, 0));
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(0, WEXITSTATUS(status));

    // The open folder, its table and a fresh count all see the other process's work.
    EXPECT_EQ(12, LongProp(notes, PR_CONTENT_COUNT));
    Rows rest;
    ASSERT_EQ(S_OK, table->QueryRows(100, 0, &rest.p));
    EXPECT_EQ(10u, rest.p->cRows) << "the deleted third note is skipped, the ten new ones follow";
    // And this session can still write.
    AddMessage(notes, "IPM.StickyNote", "after");
    EXPECT_EQ(13, LongProp(notes, PR_CONTENT_COUNT));
}

}  // namespace
}  // namespace mapitest
