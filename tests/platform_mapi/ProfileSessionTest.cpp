// Profiles, logon, the stores table and the password handshake the system relies on.

#include <sqlite3.h>
#include <stdlib.h>

#include <filesystem>

#include "platform/mapi/StoreAdmin.h"
#include "tests/platform_mapi/MapiTestSupport.h"

namespace mapitest {
namespace {

class ProfileSession : public MapiTest {};

TEST_F(ProfileSession, ProfilesAreListedWithStableKeysAndAdministeredWithTheirPassword) {
    MakeProfile("Work", "", "work.qst", "Work Folders");
    MakeProfile("Home", "secret", "home.qst", "Home Folders");
    Ref<IProfAdmin> admin;
    ASSERT_EQ(S_OK, MAPIAdminProfiles(0, &admin));
    std::string firstKey;
    for (int pass = 0; pass < 2; ++pass) {
        Ref<IMAPITable> table;
        ASSERT_EQ(S_OK, admin->GetProfileTable(0, &table));
        ASSERT_EQ(S_OK, table->SetColumns(Tags{PR_DISPLAY_NAME_A, PR_INSTANCE_KEY}, 0));
        Rows rows;
        ASSERT_EQ(S_OK, table->QueryRows(50, 0, &rows.p));
        ASSERT_EQ(2u, rows.p->cRows);
        EXPECT_STREQ("Work", rows.p->aRow[0].lpProps[0].Value.lpszA);
        EXPECT_STREQ("Home", rows.p->aRow[1].lpProps[0].Value.lpszA);
        std::string key = Bytes(rows.p->aRow[0].lpProps[1].Value.bin);
        EXPECT_EQ(16u, key.size());
        if (pass == 0) {
            firstKey = key;
        } else {
            EXPECT_EQ(firstKey, key);
        }
        Rows end;
        ASSERT_EQ(S_OK, table->QueryRows(50, 0, &end.p));
        EXPECT_EQ(0u, end.p->cRows);
    }
    EXPECT_EQ(MAPI_E_NO_ACCESS, admin->CreateProfile("work", nullptr, 0, 0)) << "names are case-insensitive";
    // Services are administered only with the profile password, and only personal folders are known.
    Ref<IMsgServiceAdmin> refused;
    EXPECT_EQ(MAPI_E_LOGON_FAILED, admin->AdminServices("Home", "nope", 0, 0, &refused));
    Ref<IMsgServiceAdmin> services;
    ASSERT_EQ(S_OK, admin->AdminServices("Home", "secret", 0, 0, &services));
    EXPECT_EQ(MAPI_E_NOT_FOUND, services->CreateMsgService("MSEMS", "Exchange", 0, 0));
    // The same store file cannot be attached twice to one profile.
    MAPIUID uid{};
    ASSERT_EQ(S_OK, NewService(services, "Again", uid));
    SPropValue path = TextValue(PR_PST_PATH, "home.qst");
    EXPECT_EQ(MAPI_E_COLLISION, services->ConfigureMsgService(&uid, 0, 0, 1, &path));
    EXPECT_EQ(S_OK, services->DeleteMsgService(&uid));
    services.reset();
    EXPECT_EQ(S_OK, admin->DeleteProfile("Home", 0));
    EXPECT_EQ(MAPI_E_NOT_FOUND, admin->DeleteProfile("Home", 0));
}

TEST_F(ProfileSession, LogonNeedsTheProfilePasswordNeverAsksAndEndsWithLogoff) {
    MakeProfile("Locked", "pw1", "locked.qst", "Locked Folders");
    LPMAPISESSION session = nullptr;
    EXPECT_EQ(MAPI_E_LOGON_FAILED, MAPILogonEx(0, "Locked", "", 0x108032, &session));
    EXPECT_EQ(MAPI_E_LOGON_FAILED, MAPILogonEx(0, "Locked", "wrong", 0x28032, &session));
    EXPECT_EQ(nullptr, session);
    EXPECT_EQ(MAPI_E_LOGON_FAILED, MAPILogonEx(0, "Nobody", "", 0x108032, &session));
    Ref<IMAPISession> ok(Logon("Locked", "pw1"));
    EXPECT_NE(nullptr, ok.p);
    // Without a name the default profile (the first one made) is used.
    Ref<IMAPISession> byDefault;
    EXPECT_EQ(S_OK, MAPILogonEx(0, nullptr, "pw1", MAPI_USE_DEFAULT, &byDefault));
    // A session logged off refuses further work.
    EXPECT_EQ(S_OK, ok->Logoff(0, MAPI_LOGOFF_UI, 0));
    Ref<IMAPITable> table;
    EXPECT_EQ(MAPI_E_END_OF_SESSION, ok->GetMsgStoresTable(0, &table));
}

TEST_F(ProfileSession, StoresTableGivesEntryIdsInstanceKeysAndTheDefaultStore) {
    MakeProfile("P", "", "first.qst", "First");
    AddStore("P", "", "second.qst", "Second");
    Ref<IMAPISession> session(Logon("P"));
    Ref<IMAPITable> table;
    ASSERT_EQ(S_OK, session->GetMsgStoresTable(0, &table));
    ASSERT_EQ(S_OK, table->SetColumns(Tags{PR_ENTRYID, PR_INSTANCE_KEY, PR_DISPLAY_NAME_A}, 0));
    ULONG count = 0;
    ASSERT_EQ(S_OK, table->GetRowCount(0, &count));
    EXPECT_EQ(2u, count);
    Rows rows;
    ASSERT_EQ(S_OK, table->QueryRows(50, 0, &rows.p));
    ASSERT_EQ(2u, rows.p->cRows);
    EXPECT_STREQ("First", rows.p->aRow[0].lpProps[2].Value.lpszA);
    std::string firstEid = Bytes(rows.p->aRow[0].lpProps[0].Value.bin);
    std::string firstKey = Bytes(rows.p->aRow[0].lpProps[1].Value.bin);

    // The way the system finds the default store: restrict on PR_DEFAULT_STORE = TRUE.
    Ref<IMAPITable> defaults;
    ASSERT_EQ(S_OK, session->GetMsgStoresTable(0, &defaults));
    ASSERT_EQ(S_OK, defaults->SetColumns(Tags{PR_DEFAULT_STORE, PR_ENTRYID}, 0));
    SPropValue isTrue{};
    isTrue.ulPropTag = PR_DEFAULT_STORE;
    isTrue.Value.b = TRUE;
    SRestriction res = PropertyIs(RELOP_EQ, isTrue);
    ASSERT_EQ(S_OK, defaults->Restrict(&res, 0));
    Rows defaultRows;
    ASSERT_EQ(S_OK, defaults->QueryRows(2, 0, &defaultRows.p));
    ASSERT_EQ(1u, defaultRows.p->cRows);
    std::string defaultEid = Bytes(defaultRows.p->aRow[0].lpProps[1].Value.bin);
    ULONG same = FALSE;
    ASSERT_EQ(S_OK, session->CompareEntryIDs(static_cast<ULONG>(firstEid.size()),
                                             reinterpret_cast<LPENTRYID>(firstEid.data()),
                                             static_cast<ULONG>(defaultEid.size()),
                                             reinterpret_cast<LPENTRYID>(defaultEid.data()), 0, &same));
    EXPECT_EQ(TRUE, same);

    // Changing the default store shows in a new table; keys stay as they were.
    std::string secondEid = StoreEntryId(session, "Second");
    ASSERT_EQ(S_OK, session->SetDefaultStore(0, static_cast<ULONG>(secondEid.size()),
                                             reinterpret_cast<LPENTRYID>(secondEid.data())));
    Ref<IMAPISession> again(Logon("P"));
    Ref<IMAPITable> changed;
    ASSERT_EQ(S_OK, again->GetMsgStoresTable(0, &changed));
    ASSERT_EQ(S_OK, changed->SetColumns(Tags{PR_DEFAULT_STORE, PR_DISPLAY_NAME_A}, 0));
    ASSERT_EQ(S_OK, changed->Restrict(&res, 0));
    Rows changedRows;
    ASSERT_EQ(S_OK, changed->QueryRows(2, 0, &changedRows.p));
    ASSERT_EQ(1u, changedRows.p->cRows);
    EXPECT_STREQ("Second", changedRows.p->aRow[0].lpProps[1].Value.lpszA);
    Ref<IMsgStore> first(OpenStore(again, "First"));
    EXPECT_EQ(firstKey, BinaryProp(first, PR_INSTANCE_KEY));
    EXPECT_EQ(firstEid, BinaryProp(first, PR_ENTRYID));
}

// The handshake of the system's store opening: a protected store refuses with
// MAPI_E_FAILONEPROVIDER; the provider table, restricted to the store's instance key, names the
// service; the service is given the password to remember; the store opens; the service forgets.
TEST_F(ProfileSession, ProtectedStoreOpensOnlyWhileItsServiceRemembersTheRightPassword) {
    std::string service = MakeProfile("P", "", "safe.qst", "Safe", "s3cret");
    Ref<IMAPISession> session(Logon("P"));
    std::string eid = StoreEntryId(session, "Safe");
    LPUNKNOWN unknown = nullptr;
    ULONG type = 0;
    auto open = [&](ULONG flags) { return OpenById(session.p, eid, flags, &unknown, &type); };
    EXPECT_EQ(MAPI_E_FAILONEPROVIDER, open(MAPI_BEST_ACCESS));
    EXPECT_EQ(nullptr, unknown);

    // Find the service through the provider table as the system does.
    Ref<IMAPITable> stores;
    ASSERT_EQ(S_OK, session->GetMsgStoresTable(0, &stores));
    ASSERT_EQ(S_OK, stores->SetColumns(Tags{PR_INSTANCE_KEY}, 0));
    Rows storeRows;
    ASSERT_EQ(S_OK, stores->QueryRows(1, 0, &storeRows.p));
    std::string instanceKey = Bytes(storeRows.p->aRow[0].lpProps[0].Value.bin);

    Ref<IProfAdmin> admin;
    ASSERT_EQ(S_OK, MAPIAdminProfiles(0, &admin));
    Ref<IMsgServiceAdmin> services;
    ASSERT_EQ(S_OK, admin->AdminServices("P", nullptr, 0, 0, &services));
    Ref<IMAPITable> providers;
    ASSERT_EQ(S_OK, services->GetProviderTable(0, &providers));
    ASSERT_EQ(S_OK, providers->SetColumns(Tags{PR_INSTANCE_KEY, PR_SERVICE_UID}, 0));
    SPropValue key{};
    key.ulPropTag = PR_INSTANCE_KEY;
    key.Value.bin = Bin(instanceKey);
    SRestriction res = PropertyIs(RELOP_EQ, key);
    ASSERT_EQ(S_OK, providers->Restrict(&res, 0));
    Rows rows;
    ASSERT_EQ(S_OK, providers->QueryRows(2, 0, &rows.p));
    ASSERT_EQ(1u, rows.p->cRows);
    ASSERT_EQ(PR_SERVICE_UID, rows.p->aRow[0].lpProps[1].ulPropTag);
    EXPECT_EQ(service, Bytes(rows.p->aRow[0].lpProps[1].Value.bin));

    EXPECT_EQ(S_OK, RememberPassword("P", service, "wrong", true));
    EXPECT_EQ(MAPI_E_FAILONEPROVIDER, open(MAPI_BEST_ACCESS | MAPI_MODIFY));
    EXPECT_EQ(S_OK, RememberPassword("P", service, "s3cret", true));
    ASSERT_EQ(S_OK, open(MAPI_BEST_ACCESS | MAPI_MODIFY));
    EXPECT_EQ(MAPI_STORE, type);
    Ref<IMsgStore> store(static_cast<IMsgStore*>(unknown));
    EXPECT_EQ(S_OK, RememberPassword("P", service, "s3cret", false));
    // The store already open stays usable; a new open is refused again.
    EXPECT_EQ(16u, BinaryProp(store, PR_STORE_RECORD_KEY).size());
    EXPECT_EQ(MAPI_E_FAILONEPROVIDER, open(MAPI_BEST_ACCESS));
}

// A store inside the machine root is named relative to the root: a root copied elsewhere opens its
// own copies of the stores, never the first root's. A store outside the root, and one that a
// profile of an earlier version names by its full path, open wherever the root lies.
TEST_F(ProfileSession, ARootCopiedElsewhereOpensItsOwnStoresAndFullPathsStillOpen) {
    std::string elsewhere = (std::filesystem::temp_directory_path() / "qrvcopy-XXXXXX").string();
    ASSERT_NE(nullptr, mkdtemp(elsewhere.data()));
    MakeProfile("P", "", "inside.qst", "Inside");
    AddStore("P", "", elsewhere + "/outside.qst", "Outside");
    AddStore("P", "", "legacy.qst", "Legacy");
    const std::string legacy = m_root->Path() + "/mapi/stores/legacy.qst";
    sqlite3* db = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_open((m_root->Path() + "/mapi/profiles.db").c_str(), &db));
    EXPECT_EQ(
        SQLITE_OK,
        sqlite3_exec(db, ("UPDATE services SET path = '" + legacy + "' WHERE display = 'Legacy'").c_str(),
                     nullptr, nullptr, nullptr));
    sqlite3_close(db);
    const std::string copy = elsewhere + "/copy";
    std::filesystem::copy(m_root->Path(), copy, std::filesystem::copy_options::recursive);

    const char* const names[] = {"Inside", "Outside", "Legacy"};
    auto inboxItems = [&](const char* name) {
        Ref<IMAPISession> session(Logon("P"));
        Ref<IMsgStore> store(OpenStore(session, name));
        Ref<IMAPIFolder> inbox(OpenNamedFolder(store, "Inbox"));
        return ContentIds(inbox).size();
    };
    setenv("QUORVEL_ROOT", copy.c_str(), 1);
    for (const char* name : names) {
        Ref<IMAPISession> session(Logon("P"));
        Ref<IMsgStore> store(OpenStore(session, name));
        Ref<IMAPIFolder> inbox(OpenNamedFolder(store, "Inbox"));
        AddMessage(inbox, "IPM.Note", "through the copy");
    }
    EXPECT_EQ(1u, inboxItems("Inside"));
    setenv("QUORVEL_ROOT", m_root->Path().c_str(), 1);
    EXPECT_EQ(0u, inboxItems("Inside")) << "the copy's profile wrote into the first root's store";
    EXPECT_EQ(1u, inboxItems("Outside"));
    EXPECT_EQ(1u, inboxItems("Legacy"));
    std::error_code ec;
    std::filesystem::remove_all(elsewhere, ec);
}

TEST_F(ProfileSession, EntryIdOfAMessageOpensThroughTheSession) {
    MakeProfile("P", "", "m.qst", "M");
    Ref<IMAPISession> session(Logon("P"));
    Ref<IMsgStore> store(OpenStore(session, "M"));
    Ref<IMAPIFolder> inbox(OpenNamedFolder(store, "Inbox"));
    std::string eid = AddMessage(inbox, "IPM.Note", "hello");
    LPUNKNOWN unknown = nullptr;
    ULONG type = 0;
    ASSERT_EQ(S_OK, OpenById(session.p, eid, MAPI_BEST_ACCESS, &unknown, &type));
    EXPECT_EQ(MAPI_MESSAGE, type);
    Ref<IMessage> message(static_cast<IMessage*>(unknown));
    EXPECT_EQ("hello", TextProp(message, PR_SUBJECT_A));
    // One open through the session counts once towards an armed fault.
    CMAPITestHooks::FailOpenEntry(2, MAPI_E_NO_ACCESS);
    LPUNKNOWN first = nullptr;
    ASSERT_EQ(S_OK, OpenById(session.p, eid, 0, &first));
    first->Release();
    LPUNKNOWN second = nullptr;
    EXPECT_EQ(MAPI_E_NO_ACCESS, OpenById(session.p, eid, 0, &second));
    EXPECT_EQ(nullptr, second);
    EXPECT_EQ(MAPI_E_INVALID_ENTRYID, OpenById(session.p, std::string(48, 'x'), 0, &unknown));
}

}  // namespace
}  // namespace mapitest
