// Contents tables restricted to named items, as the cleanup reads them before it deletes: every
// asked value of every row, and only items of the table's own store.
#include <sqlite3.h>

#include <algorithm>
#include <fstream>

#include "platform/mapi/MAPITestHooks.h"
#include "platform/mapi/StoreAdmin.h"
#include "tests/platform_mapi/MapiTestSupport.h"

namespace mapitest {
namespace {

class NamedRows : public MapiTest {
protected:
    void SetUp() override {
        MapiTest::SetUp();
        MakeProfile("P", "", "items.qst", "Items");
        AddStore("P", "", "other.qst", "Other");
        m_session.p = Logon("P");
        m_store.p = OpenStore(m_session, "Items", MAPI_BEST_ACCESS | MAPI_MODIFY);
        m_other.p = OpenStore(m_session, "Other", MAPI_BEST_ACCESS | MAPI_MODIFY);
        m_contacts.p = OpenNamedFolder(m_store, "Contacts", MAPI_MODIFY);
        m_otherContacts.p = OpenNamedFolder(m_other, "Contacts", MAPI_MODIFY);
    }
    // n contacts with a surname, an importance and a subject each; their entry ids.
    std::vector<std::string> AddContacts(IMsgStore* store, IMAPIFolder* folder, int n) {
        std::vector<std::string> ids;
        EXPECT_EQ(S_OK, HrBeginStoreBatch(store));
        for (int i = 0; i < n; ++i) {
            const std::string surname = "Surname " + std::to_string(i);
            ids.push_back(
                AddMessage(folder, "IPM.Contact", "contact " + std::to_string(i),
                           {LongValue(PR_IMPORTANCE, i % 3), TextValue(PR_SURNAME_A, surname.c_str())}));
        }
        EXPECT_EQ(S_OK, HrEndStoreBatch(store, TRUE));
        return ids;
    }
    // The rows of a folder's table restricted to 'named' (an OR of entry-id equalities, wrapped in an
    // AND when rowByRow) as "id|surname|importance|subject", read 'batch' rows at a time.
    IMAPITable* RestrictedTable(IMAPIFolder* folder, const std::vector<std::string>& named,
                                bool rowByRow = false) {
        std::vector<SPropValue> values(named.size(), SPropValue{PR_ENTRYID, 0, {}});
        std::vector<SRestriction> equalities;
        for (size_t i = 0; i < named.size(); ++i) {
            values[i].Value.bin = Bin(named[i]);
            equalities.push_back(PropertyIs(RELOP_EQ, values[i]));
        }
        SRestriction anyOf{};
        anyOf.rt = RES_OR;
        anyOf.res.resOr = SOrRestriction{static_cast<ULONG>(equalities.size()), equalities.data()};
        SRestriction all{};
        all.rt = RES_AND;
        all.res.resAnd = SAndRestriction{1, &anyOf};
        IMAPITable* table = ContentsTable(folder, {PR_ENTRYID, PR_SURNAME_A, PR_IMPORTANCE, PR_SUBJECT_A});
        EXPECT_EQ(S_OK, table->Restrict(rowByRow ? &all : &anyOf, 0));
        return table;
    }
    std::vector<std::string> Read(IMAPIFolder* folder, const std::vector<std::string>& named, LONG batch,
                                  bool rowByRow = false) {
        Ref<IMAPITable> table(RestrictedTable(folder, named, rowByRow));
        ULONG count = 0;
        EXPECT_EQ(S_OK, table->GetRowCount(0, &count));
        std::vector<std::string> shown;
        EachRow(table, batch, [&](const SRow& row) {
            std::string text = Bytes(row.lpProps[0].Value.bin);
            for (ULONG c = 1; c < row.cValues; ++c) {
                const SPropValue& v = row.lpProps[c];
                text += PROP_TYPE(v.ulPropTag) == PT_LONG      ? "|" + std::to_string(v.Value.l)
                        : PROP_TYPE(v.ulPropTag) == PT_STRING8 ? "|" + std::string(v.Value.lpszA)
                                                               : std::string("|-");
            }
            shown.push_back(text);
        });
        EXPECT_EQ(count, shown.size());
        return shown;
    }
    static std::string Row(const std::string& id, int i) {
        return id + "|Surname " + std::to_string(i) + "|" + std::to_string(i % 3) + "|contact " +
               std::to_string(i);
    }

    Ref<IMAPISession> m_session;
    Ref<IMsgStore> m_store;
    Ref<IMsgStore> m_other;
    Ref<IMAPIFolder> m_contacts;
    Ref<IMAPIFolder> m_otherContacts;
};

// Enough named items to be read by several connections side by side, on any machine (one of a
// single processor reads them so too here): each row, the last one of a batch above all, carries
// every asked value, as when the rows are read one small batch at a time.
TEST_F(NamedRows, EveryRowOfManyNamedItemsCarriesEachAskedValue) {
    CMAPITestHooks::SetReadProcessors(4);
    const std::vector<std::string> made = AddContacts(m_store, m_contacts, 1200);
    std::vector<std::string> expected;
    for (int i = 0; i < 1200; ++i) {
        expected.push_back(Row(made[i], i));
    }
    EXPECT_EQ(expected, Read(m_contacts, made, 5000));
    EXPECT_EQ(expected, Read(m_contacts, made, 700));
    EXPECT_EQ(expected, Read(m_contacts, made, 300));
    EXPECT_EQ(expected, Read(m_contacts, made, 10));
    // A run of the ids, its last one in the middle of the folder.
    const std::vector<std::string> run(made.begin() + 100, made.begin() + 900);
    const std::vector<std::string> shown = Read(m_contacts, run, 5000);
    EXPECT_EQ(std::vector<std::string>(expected.begin() + 100, expected.begin() + 900), shown);
}

// Two stores whose items were made alike: an item of the other store is never one of this table's
// rows, however its id is named, and a deletion by those ids leaves this folder's items alone.
TEST_F(NamedRows, ARestrictionNamesOnlyItemsOfTheTablesOwnStore) {
    const std::vector<std::string> mine = AddContacts(m_store, m_contacts, 300);
    const std::vector<std::string> theirs = AddContacts(m_other, m_otherContacts, 300);
    ASSERT_NE(mine, theirs);
    const std::string folderId = BinaryProp(m_contacts, PR_ENTRYID);

    EXPECT_TRUE(Read(m_contacts, theirs, 5000).empty());
    EXPECT_TRUE(Read(m_contacts, theirs, 5000, true).empty());
    EXPECT_TRUE(Read(m_contacts, {theirs[0]}, 10).empty());
    EXPECT_TRUE(Read(m_contacts, {folderId}, 10).empty());
    // Mixed: only this store's own.
    std::vector<std::string> mixed = {theirs[5], mine[5], theirs[299], mine[7], folderId};
    const std::vector<std::string> expected = {Row(mine[5], 5), Row(mine[7], 7)};
    EXPECT_EQ(expected, Read(m_contacts, mixed, 10));
    EXPECT_EQ(expected, Read(m_contacts, mixed, 10, true));
    // The other store reads its own by the same ids.
    EXPECT_EQ(std::vector<std::string>{Row(theirs[5], 5)}, Read(m_otherContacts, {theirs[5]}, 10));

    std::vector<SBinary> bins;
    for (const std::string& id : theirs) {
        bins.push_back(Bin(id));
    }
    SBinaryArray list{static_cast<ULONG>(bins.size()), bins.data()};
    EXPECT_EQ(MAPI_W_PARTIAL_COMPLETION, m_contacts->DeleteMessages(&list, 0, nullptr, 0));
    EXPECT_EQ(300u, ContentIds(m_contacts).size());
    EXPECT_EQ(300u, ContentIds(m_otherContacts).size());
}

// Damage that a connection reading beside the store's own meets marks the file damaged as if the
// store's connection had met it: writes are refused, though the file's check found it sound before
// the damage was done.
TEST_F(NamedRows, DamageMetByAConnectionReadingBesideRefusesWrites) {
    CMAPITestHooks::SetReadProcessors(2);
    ASSERT_EQ(S_OK, HrCreateStoreFile("d.qst", "D", ""));
    std::vector<std::string> made;
    {
        Ref<IMsgStore> store;
        ASSERT_EQ(S_OK, HrOpenStoreFile("d.qst", "", MAPI_BEST_ACCESS, &store));
        Ref<IMAPIFolder> contacts(OpenNamedFolder(store, "Contacts", MAPI_MODIFY));
        made = AddContacts(store, contacts, 1200);  // its writes had the file checked
    }
    // The last page of the items' values holds the last items' only: those that the second
    // connection reads. Damaged in place, the file stays the one that was checked.
    const std::string path = HrResolveStorePath("d.qst");
    sqlite3* db = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr));
    sqlite3_stmt* stmt = nullptr;
    ASSERT_EQ(SQLITE_OK,
              sqlite3_prepare_v2(db,
                                 "SELECT pageno, (SELECT page_size FROM pragma_page_size) FROM dbstat "
                                 "WHERE name = 'props' AND pagetype = 'leaf' ORDER BY path DESC LIMIT 1",
                                 -1, &stmt, nullptr));
    ASSERT_EQ(SQLITE_ROW, sqlite3_step(stmt));
    const long long at = (sqlite3_column_int64(stmt, 0) - 1) * sqlite3_column_int64(stmt, 1);
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    {
        std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
        file.seekg(at);
        const char type = static_cast<char>(file.get());
        file.seekp(at);
        file.put(static_cast<char>(type ^ 1));
    }
    Ref<IMsgStore> store;
    ASSERT_EQ(S_OK, HrOpenStoreFile("d.qst", "", MAPI_BEST_ACCESS, &store));
    Ref<IMAPIFolder> contacts(OpenNamedFolder(store, "Contacts"));
    Ref<IMAPITable> table(RestrictedTable(contacts, made));
    Rows rows;
    EXPECT_EQ(MAPI_E_CORRUPT_STORE, table->QueryRows(5000, 0, &rows.p));
    const HRESULT hr = HrBeginStoreBatch(store);
    EXPECT_EQ(MAPI_E_CORRUPT_STORE, hr);
    if (SUCCEEDED(hr)) {
        HrEndStoreBatch(store, FALSE);
    }
}

}  // namespace
}  // namespace mapitest
