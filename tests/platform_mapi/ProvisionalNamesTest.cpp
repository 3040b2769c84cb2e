// A property name the store does not hold: answered at once while the store's check runs, with
// nothing written, then written under the same id by the store's next write; and an id another
// program took meanwhile never names that program's property here.
#include <sqlite3.h>

#include "platform/mapi/StoreAdmin.h"
#include "tests/platform_mapi/HeldCheck.h"
#include "tests/platform_mapi/MapiTestSupport.h"
#include "tests/support/HangGuard.h"

namespace mapitest {
namespace {

const GUID kSet = {0x00062004, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const char kSetBytes[] = "X'0420060000000000C000000000000046'";  // kSet as the file keeps it

class ProvisionalNames : public MapiTest {
protected:
    void SetUp() override {
        MapiTest::SetUp();
        MakeProfile("P", "", "s.qst", "S");
    }
    void Open() {
        m_session.p = Logon("P");
        m_store.p = OpenStore(m_session, "S");
        m_contacts.p = OpenNamedFolder(m_store, "Contacts");
    }
    static HRESULT IdOf(LPMDB store, LONG id, ULONG flags, ULONG& tag) {
        return NamedIdOf(store, kSet, id, flags, tag);
    }
    // What another program does to the file, through SQLite; the first value of 'query' as text.
    static std::string Sql(const std::string& query) {
        sqlite3* db = nullptr;
        std::string first;
        EXPECT_EQ(SQLITE_OK, sqlite3_open(HrResolveStorePath("s.qst").c_str(), &db));
        sqlite3_busy_timeout(db, 5000);
        EXPECT_EQ(SQLITE_OK, sqlite3_exec(
                                 db, query.c_str(),
                                 [](void* out, int, char** values, char**) {
                                     auto* text = static_cast<std::string*>(out);
                                     if (text->empty() && values[0] != nullptr) {
                                         *text = values[0];
                                     }
                                     return 0;
                                 },
                                 &first, nullptr))
            << sqlite3_errmsg(db);
        sqlite3_close(db);
        return first;
    }
    static std::string IdInFile(LONG lid) {
        return Sql("SELECT pid FROM named WHERE kind = 0 AND lid = " + std::to_string(lid));
    }
    // The text value of the one contact under 'tag', as this store reads it.
    std::string ContactText(ULONG tag) {
        std::string text;
        Ref<IMAPITable> table(ContentsTable(m_contacts, {CHANGE_PROP_TYPE(tag, PT_STRING8)}));
        EachRow(table, 10, [&](const SRow& row) {
            if (PROP_TYPE(row.lpProps[0].ulPropTag) == PT_STRING8) {
                text = row.lpProps[0].Value.lpszA;
            }
        });
        return text;
    }

    // The same, read from the item opened by itself.
    std::string ItemText(const std::string& eid, ULONG tag) {
        LPUNKNOWN unknown = nullptr;
        ULONG type = 0;
        EXPECT_EQ(S_OK, OpenById(m_store.p, eid, MAPI_BEST_ACCESS, &unknown, &type));
        Ref<IMessage> item(static_cast<LPMESSAGE>(static_cast<IMessage*>(unknown)));
        return item.p != nullptr ? TextProp(item, CHANGE_PROP_TYPE(tag, PT_STRING8)) : std::string();
    }

    Ref<IMAPISession> m_session;
    Ref<IMsgStore> m_store;
    Ref<IMAPIFolder> m_contacts;
};

TEST_F(ProvisionalNames, ANameTheStoreLacksIsAnsweredDuringTheCheckAndKeepsItsIdWhenWritten) {
    Sql("PRAGMA journal_mode = DELETE");
    CHeldCheck held;
    Open();
    Ref<IMAPITable> started(ContentsTable(m_contacts, {PR_ENTRYID}));  // starts the file's check
    held.WaitHeld(HrResolveStorePath("s.qst"));
    ULONG tag = 0;
    ULONG again = 0;
    {
        qrvtest::HangGuard guard("a name looked up while the store's check runs");
        ASSERT_EQ(S_OK, IdOf(m_store, 0x8501, MAPI_CREATE, tag));
        EXPECT_GE(PROP_ID(tag), 0x8000u);
        // Another session's store object on the same file knows the same id.
        Ref<IMAPISession> other(Logon("P"));
        Ref<IMsgStore> otherStore(OpenStore(other, "S"));
        EXPECT_EQ(S_OK, IdOf(otherStore, 0x8501, MAPI_CREATE, again));
        EXPECT_EQ(tag, again);
        EXPECT_EQ("", ContactText(tag));
    }
    EXPECT_EQ("", IdInFile(0x8501)) << "looking a name up wrote into the store";

    held.Release();
    AddMessage(m_contacts, "IPM.Contact", "Ann", {TextValue(CHANGE_PROP_TYPE(tag, PT_STRING8), "topic")});
    EXPECT_EQ(std::to_string(PROP_ID(tag)), IdInFile(0x8501));
    EXPECT_EQ("topic", ContactText(tag));
    EXPECT_EQ(S_OK, IdOf(m_store, 0x8501, 0, again));
    EXPECT_EQ(tag, again);
}

TEST_F(ProvisionalNames, AnIdAnotherProgramTookMeanwhileNeverNamesItsPropertyHere) {
    Open();
    AddMessage(m_contacts, "IPM.Contact", "Ann");
    ULONG tag = 0;
    ASSERT_EQ(S_OK, IdOf(m_store, 0x8502, MAPI_CREATE, tag));
    const std::string id = std::to_string(PROP_ID(tag));
    // Another program gives the id to a name of its own, and a value under it to the contact.
    Sql(std::string("INSERT INTO named(pid, guid, kind, lid, name) VALUES(") + id + ", " + kSetBytes +
        ", 0, 34049, '');" + "INSERT INTO props(msg, pid, type, value) SELECT id, " + id +
        ", 30, 'theirs' FROM messages");
    EXPECT_EQ("", ContactText(tag)) << "their property was read as ours";
    // Their name is still answered, by an id of its own here, and read where the file keeps it.
    ULONG theirs = 0;
    ASSERT_EQ(S_OK, IdOf(m_store, 34049, 0, theirs));
    EXPECT_NE(PROP_ID(tag), PROP_ID(theirs));
    EXPECT_EQ("theirs", ContactText(theirs));

    // Our next write puts our name under another id, and the value with it.
    Ref<IMAPITable> table(ContentsTable(m_contacts, {PR_ENTRYID}));
    std::string eid;
    EachRow(table, 10, [&](const SRow& row) { eid = Bytes(row.lpProps[0].Value.bin); });
    LPUNKNOWN unknown = nullptr;
    ULONG type = 0;
    ASSERT_EQ(S_OK, OpenById(m_store.p, eid, MAPI_BEST_ACCESS, &unknown, &type));
    Ref<IMessage> contact(static_cast<LPMESSAGE>(static_cast<IMessage*>(unknown)));
    SPropValue value = TextValue(CHANGE_PROP_TYPE(tag, PT_STRING8), "ours");
    ASSERT_EQ(S_OK, contact->SetProps(1, &value, nullptr));
    ASSERT_EQ(S_OK, contact->SaveChanges(0));
    const std::string written = IdInFile(0x8502);
    EXPECT_NE(id, written);
    EXPECT_NE("", written);
    EXPECT_EQ("ours", ContactText(tag));
    EXPECT_EQ("ours", ItemText(eid, tag));
    EXPECT_EQ("theirs", Sql("SELECT value FROM props WHERE pid = " + id));
    ULONG now = 0;
    EXPECT_EQ(S_OK, IdOf(m_store, 0x8502, 0, now));
    EXPECT_EQ(written, std::to_string(PROP_ID(now)));

    // A name another program made under another id is read there through the id given here.
    ASSERT_EQ(S_OK, IdOf(m_store, 0x8503, MAPI_CREATE, tag));
    Sql(std::string("INSERT INTO named(pid, guid, kind, lid, name) SELECT max(pid) + 7, ") + kSetBytes +
        ", 0, 34051, '' FROM named;" +
        "INSERT INTO props(msg, pid, type, value) SELECT id, (SELECT max(pid) FROM named), 30, 'made there' "
        "FROM messages");
    EXPECT_EQ("made there", ContactText(tag));
    EXPECT_EQ("made there", ItemText(eid, tag));
}

}  // namespace
}  // namespace mapitest
