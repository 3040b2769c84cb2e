// Reading folders the way the search does, restrictions, and soft and hard deletion.
#include <sqlite3.h>

#include <algorithm>

#include "platform/mapi/StoreAdmin.h"
#include "tests/platform_mapi/MapiTestSupport.h"

namespace mapitest {
namespace {

class Contents : public MapiTest {
protected:
    void SetUp() override {
        MapiTest::SetUp();
        MakeProfile("P", "", "items.qst", "Items");
        m_session.p = Logon("P");
        m_store.p = OpenStore(m_session, "Items");
        m_contacts.p = OpenNamedFolder(m_store, "Contacts");
    }
    // n contacts whose PR_IMPORTANCE is i % 3; returns their entry ids in creation order.
    std::vector<std::string> AddContacts(int n) {
        std::vector<std::string> ids;
        EXPECT_EQ(S_OK, HrBeginStoreBatch(m_store));
        for (int i = 0; i < n; ++i) {
            ids.push_back(AddMessage(m_contacts, "IPM.Contact", "contact " + std::to_string(i),
                                     {LongValue(PR_IMPORTANCE, i % 3)}));
        }
        EXPECT_EQ(S_OK, HrEndStoreBatch(m_store, TRUE));
        return ids;
    }
    // Deletes the items 'ids' from the contacts folder.
    HRESULT Delete(const std::vector<std::string>& ids, ULONG flags = 0, LPMAPIFOLDER folder = nullptr) {
        std::vector<SBinary> bins;
        for (const std::string& id : ids) {
            bins.push_back(Bin(id));
        }
        SBinaryArray list{static_cast<ULONG>(bins.size()), bins.data()};
        return (folder != nullptr ? folder : m_contacts.p)->DeleteMessages(&list, 0, nullptr, flags);
    }
    // Opens an item of the contacts folder; null when it does not open, with 'hr' set.
    IMessage* OpenItem(const std::string& eid, ULONG flags, HRESULT* hr = nullptr) {
        LPUNKNOWN unknown = nullptr;
        HRESULT result = OpenById(m_contacts.p, eid, flags, &unknown);
        if (hr != nullptr) {
            *hr = result;
        }
        return static_cast<IMessage*>(unknown);
    }
    Ref<IMAPISession> m_session;
    Ref<IMsgStore> m_store;
    Ref<IMAPIFolder> m_contacts;
};

// The search's read: contents table in batches of 100, then OpenEntry and GetProps per item. Items
// opened from a batch share what the table read; the table reuses that memory for a later batch only
// once no item holds it, so an item kept open meanwhile must keep its own values.
TEST_F(Contents, SearchStyleReadSeesEveryItemOnceAndItemsKeptOpenKeepTheirValues) {
    std::vector<std::string> made = AddContacts(250);
    EXPECT_EQ(250, LongProp(m_contacts, PR_CONTENT_COUNT));
    Tags columns{PR_IMPORTANCE, PR_ENTRYID, PR_LAST_MODIFICATION_TIME, PR_SUBJECT_A};
    Ref<IMAPITable> table(
        ContentsTable(m_contacts, {PR_IMPORTANCE, PR_ENTRYID, PR_LAST_MODIFICATION_TIME, PR_SUBJECT_A}));
    std::vector<ULONG> batches;
    std::vector<std::string> seen;
    std::vector<IMessage*> kept;  // released by hand: Ref cannot move into a vector
    for (;;) {
        Rows rows;
        ASSERT_EQ(S_OK, table->QueryRows(100, 0, &rows.p));
        batches.push_back(rows.p->cRows);
        if (rows.p->cRows == 0) {
            break;
        }
        for (ULONG r = 0; r < rows.p->cRows; ++r) {
            const SPropValue& eid = rows.p->aRow[r].lpProps[1];
            ASSERT_EQ(PR_ENTRYID, eid.ulPropTag);
            Ref<IMessage> item(OpenItem(Bytes(eid.Value.bin), MAPI_BEST_ACCESS));
            ASSERT_NE(nullptr, item.p);
            Values values;
            ASSERT_EQ(S_OK, item->GetProps(columns, 0, &values.count, &values.p));
            EXPECT_EQ(rows.p->aRow[r].lpProps[0].Value.l, values[0].Value.l);
            EXPECT_EQ(PR_LAST_MODIFICATION_TIME, values[2].ulPropTag);
            EXPECT_STREQ(rows.p->aRow[r].lpProps[3].Value.lpszA, values[3].Value.lpszA);
            seen.push_back(Bytes(eid.Value.bin));
            if (r == 0 && batches.size() <= 2) {  // the first item of the first two batches stays open
                kept.push_back(item.p);
                item.p = nullptr;
            }
        }
        if (batches.size() == 2) {
            kept.front()->Release();  // the first batch's memory may be reused from now on
            kept.erase(kept.begin());
        }
    }
    EXPECT_EQ((std::vector<ULONG>{100, 100, 50, 0}), batches);
    EXPECT_EQ(made, seen);
    ASSERT_EQ(1u, kept.size());
    EXPECT_EQ("contact 100", TextProp(kept[0], PR_SUBJECT_A));
    EXPECT_EQ(100 % 3, LongProp(kept[0], PR_IMPORTANCE));
    kept[0]->Release();
}

TEST_F(Contents, RestrictionCountsAndSeeksFollowTheFilter) {
    AddContacts(30);
    Ref<IMAPITable> table(ContentsTable(m_contacts, {PR_SUBJECT_A}));
    SPropValue two = LongValue(PR_IMPORTANCE, 2);
    SRestriction res = PropertyIs(RELOP_EQ, two);
    ASSERT_EQ(S_OK, table->Restrict(&res, 0));
    ULONG count = 0;
    ASSERT_EQ(S_OK, table->GetRowCount(0, &count));
    EXPECT_EQ(10u, count);
    LONG sought = 0;
    ASSERT_EQ(S_OK, table->SeekRow(BOOKMARK_BEGINNING, 3, &sought));
    EXPECT_EQ(3, sought);
    Rows rows;
    ASSERT_EQ(S_OK, table->QueryRows(100, 0, &rows.p));
    ASSERT_EQ(7u, rows.p->cRows);
    EXPECT_STREQ("contact 11", rows.p->aRow[0].lpProps[0].Value.lpszA);
    // A new filter replaces the one before instead of narrowing it.
    res.res.resProperty.relop = RELOP_LT;
    ASSERT_EQ(S_OK, table->Restrict(&res, 0));
    ASSERT_EQ(S_OK, table->GetRowCount(0, &count));
    EXPECT_EQ(20u, count);
}

// A restriction to entry ids (an OR of equalities on PR_ENTRYID) is looked up by id; it must give
// what the same filter gives row by row: the named items that are live in this folder, once each,
// in id order, and nothing for ids of deleted items, other folders or bytes that are not an id.
TEST_F(Contents, ARestrictionToEntryIdsGivesWhatTheRowByRowFilterGives) {
    std::vector<std::string> made = AddContacts(400);
    Ref<IMAPIFolder> inbox(OpenNamedFolder(m_store, "Inbox", MAPI_MODIFY));
    const std::string elsewhere = AddMessage(inbox, "IPM.Note", "elsewhere");
    ASSERT_EQ(S_OK, Delete({made[7]}));
    std::string twisted = made[9];
    twisted[22] ^= 1;  // a reserved byte: parses as an id, but equals no item's id
    std::vector<std::string> named = {made[399], made[7], made[3], made[3], elsewhere, twisted, "short"};
    for (size_t i = 100; i < 300; i += 2) {
        named.push_back(made[i]);
    }
    std::vector<SPropValue> values;
    for (const std::string& id : named) {
        SPropValue v{PR_ENTRYID, 0, {}};
        v.Value.bin = Bin(id);
        values.push_back(v);
    }
    std::vector<SRestriction> equalities;
    for (SPropValue& v : values) {
        equalities.push_back(PropertyIs(RELOP_EQ, v));
    }
    SRestriction anyOf{};
    anyOf.rt = RES_OR;
    anyOf.res.resOr = SOrRestriction{static_cast<ULONG>(equalities.size()), equalities.data()};
    // The same filter inside an AND is evaluated row by row.
    SRestriction rowByRow{};
    rowByRow.rt = RES_AND;
    rowByRow.res.resAnd = SAndRestriction{1, &anyOf};

    auto read = [&](SRestriction* res, LONG batch) {
        Ref<IMAPITable> table(ContentsTable(m_contacts, {PR_ENTRYID, PR_SUBJECT_A}));
        EXPECT_EQ(S_OK, table->Restrict(res, 0));
        ULONG count = 0;
        EXPECT_EQ(S_OK, table->GetRowCount(0, &count));
        std::vector<std::string> ids;
        for (;;) {
            Rows rows;
            EXPECT_EQ(S_OK, table->QueryRows(batch, 0, &rows.p));
            if (rows.p == nullptr || rows.p->cRows == 0) {
                break;
            }
            for (ULONG r = 0; r < rows.p->cRows; ++r) {
                ids.push_back(Bytes(rows.p->aRow[r].lpProps[0].Value.bin));
            }
        }
        EXPECT_EQ(count, ids.size());
        return ids;
    };
    const std::vector<std::string> expected = read(&rowByRow, 1000);
    ASSERT_EQ(102u, expected.size());  // made[3], made[399] and the hundred even ones
    EXPECT_EQ(made[3], expected.front());
    EXPECT_EQ(made[399], expected.back());
    EXPECT_EQ(expected, read(&anyOf, 1000));
    EXPECT_EQ(expected, read(&anyOf, 7));

    // A single equality is the same lookup; an empty OR names nothing.
    SRestriction one = PropertyIs(RELOP_EQ, values[2]);
    EXPECT_EQ(std::vector<std::string>{made[3]}, read(&one, 10));

    // Every column of a looked-up row carries its value, a column asked for twice in both places.
    Ref<IMAPITable> table(ContentsTable(m_contacts, {PR_SUBJECT_A, PR_ENTRYID, PR_IMPORTANCE, PR_SUBJECT_A}));
    ASSERT_EQ(S_OK, table->Restrict(&anyOf, 0));
    Rows rows;
    ASSERT_EQ(S_OK, table->QueryRows(1000, 0, &rows.p));
    ASSERT_EQ(102u, rows.p->cRows);
    for (ULONG r = 0; r < rows.p->cRows; ++r) {
        const LPSPropValue props = rows.p->aRow[r].lpProps;
        const size_t i = std::find(made.begin(), made.end(), Bytes(props[1].Value.bin)) - made.begin();
        ASSERT_LT(i, made.size());
        ASSERT_EQ(PR_SUBJECT_A, props[0].ulPropTag);
        ASSERT_EQ(PR_SUBJECT_A, props[3].ulPropTag);
        EXPECT_STREQ(("contact " + std::to_string(i)).c_str(), props[0].Value.lpszA);
        EXPECT_STREQ(props[0].Value.lpszA, props[3].Value.lpszA);
        EXPECT_EQ(LONG(i % 3), props[2].Value.l);
    }

    anyOf.res.resOr.cRes = 0;
    EXPECT_TRUE(read(&anyOf, 10).empty());
}

// Columns far apart in property ids are sought one by one, many of them as one span: either way a
// looked-up row holds exactly the asked values the item has, and nothing of its others.
TEST_F(Contents, ALookedUpRowHoldsTheAskedColumnsHoweverFarApartTheyLie) {
    const std::string full =
        AddMessage(m_contacts, "IPM.Contact", "full",
                   {LongValue(PR_IMPORTANCE, 2), TextValue(PR_SURNAME_A, "Ames"),
                    LongValue(PROP_TAG(PT_LONG, 0x8005), 77), TextValue(PR_BODY_A, "body")});
    const std::string sparse =
        AddMessage(m_contacts, "IPM.Contact", "sparse", {LongValue(PROP_TAG(PT_LONG, 0x8005), 5)});
    SPropValue ids[2] = {{PR_ENTRYID, 0, {}}, {PR_ENTRYID, 0, {}}};
    ids[0].Value.bin = Bin(full);
    ids[1].Value.bin = Bin(sparse);
    SRestriction equalities[2] = {PropertyIs(RELOP_EQ, ids[0]), PropertyIs(RELOP_EQ, ids[1])};
    SRestriction anyOf{};
    anyOf.rt = RES_OR;
    anyOf.res.resOr = SOrRestriction{2, equalities};
    auto read = [&](std::vector<ULONG> columns) {
        std::vector<std::vector<std::string>> shown;
        Ref<IMAPITable> table;
        EXPECT_EQ(S_OK, m_contacts->GetContentsTable(0, &table.p));
        EXPECT_EQ(S_OK, table->SetColumns(Tags(columns), 0));
        EXPECT_EQ(S_OK, table->Restrict(&anyOf, 0));
        Rows rows;
        EXPECT_EQ(S_OK, table->QueryRows(10, 0, &rows.p));
        for (ULONG r = 0; rows.p != nullptr && r < rows.p->cRows; ++r) {
            std::vector<std::string> row;
            for (ULONG c = 0; c < rows.p->aRow[r].cValues; ++c) {
                const SPropValue& v = rows.p->aRow[r].lpProps[c];
                row.push_back(PROP_TYPE(v.ulPropTag) == PT_ERROR     ? "-"
                              : PROP_TYPE(v.ulPropTag) == PT_LONG    ? std::to_string(v.Value.l)
                              : PROP_TYPE(v.ulPropTag) == PT_STRING8 ? std::string(v.Value.lpszA)
                                                                     : "?");
            }
            shown.push_back(row);
        }
        return shown;
    };
    using Shown = std::vector<std::vector<std::string>>;
    EXPECT_EQ((Shown{{"2", "Ames", "77"}, {"-", "-", "5"}}),
              read({PR_IMPORTANCE, PR_SURNAME_A, PROP_TAG(PT_LONG, 0x8005)}));
    EXPECT_EQ((Shown{{"77", "2"}, {"5", "-"}}), read({PROP_TAG(PT_LONG, 0x8005), PR_IMPORTANCE}));
    // More columns than are sought one by one, the body among them.
    std::vector<ULONG> many = {PR_IMPORTANCE, PR_SURNAME_A};
    for (ULONG pid = 0x8006; pid < 0x800D; ++pid) {
        many.push_back(PROP_TAG(PT_LONG, pid));
    }
    many.push_back(PR_BODY_A);
    const Shown wide = read(many);
    ASSERT_EQ(2u, wide.size());
    EXPECT_EQ((std::vector<std::string>{"2", "Ames", "-", "-", "-", "-", "-", "-", "-", "body"}), wide[0]);
    EXPECT_EQ((std::vector<std::string>(10, "-")), wide[1]);
}

// Many named items are read by several connections side by side, each its own run of the ids: the
// rows must be those one connection reads, whichever run a deleted, foreign or sparse item falls
// in, an item deleted after the restriction must be missing, and inside a batch of changes the
// items not yet committed must be seen.
TEST_F(Contents, ManyNamedItemsReadSideBySideGiveWhatOneConnectionReads) {
    std::vector<std::string> made = AddContacts(1500);
    Ref<IMAPIFolder> inbox(OpenNamedFolder(m_store, "Inbox", MAPI_MODIFY));
    const std::string elsewhere = AddMessage(inbox, "IPM.Note", "elsewhere");
    const std::string bare = AddMessage(m_contacts, "IPM.Contact", "bare", {});
    std::vector<std::string> named = {elsewhere, bare};
    std::vector<std::string> gone;
    for (size_t i = 0; i < made.size(); i += 2) {
        named.push_back(made[i]);
        if (i % 150 == 0) {
            gone.push_back(made[i]);
        }
    }
    ASSERT_EQ(S_OK, Delete(gone));
    std::vector<SPropValue> values(named.size(), SPropValue{PR_ENTRYID, 0, {}});
    std::vector<SRestriction> equalities;
    for (size_t i = 0; i < named.size(); ++i) {
        values[i].Value.bin = Bin(named[i]);
        equalities.push_back(PropertyIs(RELOP_EQ, values[i]));
    }
    SRestriction anyOf{};
    anyOf.rt = RES_OR;
    anyOf.res.resOr = SOrRestriction{static_cast<ULONG>(equalities.size()), equalities.data()};
    // Rows as "id|importance" ("-" without one), in batches of 'batch' rows.
    auto read = [&](std::vector<ULONG> columns, LONG batch, const std::string& deleteAfter = "") {
        Ref<IMAPITable> table;
        EXPECT_EQ(S_OK, m_contacts->GetContentsTable(0, &table.p));
        EXPECT_EQ(S_OK, table->SetColumns(Tags(columns), 0));
        EXPECT_EQ(S_OK, table->Restrict(&anyOf, 0));
        if (!deleteAfter.empty()) {
            EXPECT_EQ(S_OK, Delete({deleteAfter}));
        }
        std::vector<std::string> shown;
        EachRow(table, batch, [&](const SRow& row) {
            std::string shownRow = Bytes(row.lpProps[0].Value.bin);
            if (columns.size() > 1) {
                const SPropValue& importance = row.lpProps[1];
                shownRow += PROP_TYPE(importance.ulPropTag) == PT_LONG
                                ? "|" + std::to_string(importance.Value.l)
                                : "|-";
            }
            shown.push_back(shownRow);
        });
        return shown;
    };
    std::vector<std::string> expected, expectedIds;
    for (size_t i = 0; i < made.size(); i += 2) {
        if (std::find(gone.begin(), gone.end(), made[i]) == gone.end()) {
            expected.push_back(made[i] + "|" + std::to_string(i % 3));
            expectedIds.push_back(made[i]);
        }
    }
    expected.push_back(bare + "|-");
    expectedIds.push_back(bare);
    // Whole (side by side), and a hundred at a time (one connection).
    EXPECT_EQ(expected, read({PR_ENTRYID, PR_IMPORTANCE}, 5000));
    EXPECT_EQ(expected, read({PR_ENTRYID, PR_IMPORTANCE}, 1));
    EXPECT_EQ(expectedIds, read({PR_ENTRYID}, 5000));
    // Deleted between the restriction and the read.
    expected.erase(std::find(expected.begin(), expected.end(), made[602] + "|" + std::to_string(602 % 3)));
    EXPECT_EQ(expected, read({PR_ENTRYID, PR_IMPORTANCE}, 5000, made[602]));

    // Inside a batch of changes, the items it made are there before the batch commits.
    ASSERT_EQ(S_OK, HrBeginStoreBatch(m_store));
    std::vector<std::string> uncommitted;
    for (int i = 0; i < 600; ++i) {
        uncommitted.push_back(AddMessage(m_contacts, "IPM.Contact", "new", {LongValue(PR_IMPORTANCE, 1)}));
    }
    std::vector<SPropValue> newValues(uncommitted.size(), SPropValue{PR_ENTRYID, 0, {}});
    std::vector<SRestriction> newEqualities;
    for (size_t i = 0; i < uncommitted.size(); ++i) {
        newValues[i].Value.bin = Bin(uncommitted[i]);
        newEqualities.push_back(PropertyIs(RELOP_EQ, newValues[i]));
    }
    anyOf.res.resOr = SOrRestriction{static_cast<ULONG>(newEqualities.size()), newEqualities.data()};
    EXPECT_EQ(uncommitted.size(), read({PR_ENTRYID, PR_IMPORTANCE}, 5000).size());
    EXPECT_EQ(S_OK, HrEndStoreBatch(m_store, FALSE));
    EXPECT_TRUE(read({PR_ENTRYID, PR_IMPORTANCE}, 5000).empty());
}

TEST_F(Contents, SoftDeletionHidesItemsUntilRestoredAndHardDeletionRemovesThem) {
    std::vector<std::string> ids = AddContacts(6);
    ASSERT_EQ(S_OK, Delete({ids[0], ids[1]}));
    EXPECT_EQ(4, LongProp(m_contacts, PR_CONTENT_COUNT));
    EXPECT_EQ(4u, ContentIds(m_contacts).size());
    HRESULT hr = S_OK;
    EXPECT_EQ(nullptr, OpenItem(ids[0], MAPI_BEST_ACCESS, &hr));
    EXPECT_EQ(MAPI_E_NOT_FOUND, hr);
    ASSERT_EQ(S_OK, Delete({ids[2]}, DELETE_HARD_DELETE));
    EXPECT_EQ(3, LongProp(m_contacts, PR_CONTENT_COUNT));

    std::vector<CDeletedItem> deleted;
    ASSERT_EQ(S_OK, HrListDeletedItems(m_store, deleted));
    ASSERT_EQ(2u, deleted.size());
    EXPECT_EQ(ids[0], deleted[0].m_entryId);
    EXPECT_EQ("contact 1", deleted[1].m_subject);
    EXPECT_EQ("IPM.Contact", deleted[1].m_messageClass);
    EXPECT_EQ(BinaryProp(m_contacts, PR_ENTRYID), deleted[0].m_folderEntryId);
    ULONG done = 0;
    ASSERT_EQ(S_OK, HrRestoreDeletedItems(m_store, {ids[0]}, &done));
    EXPECT_EQ(1u, done);
    EXPECT_EQ(4, LongProp(m_contacts, PR_CONTENT_COUNT));
    ASSERT_EQ(S_OK, HrRestoreDeletedItems(m_store, {ids[2]}, &done));
    EXPECT_EQ(0u, done) << "a hard-deleted item cannot come back";
    ASSERT_EQ(S_OK, HrPurgeDeletedItems(m_store, {}, &done));
    EXPECT_EQ(1u, done);
    ASSERT_EQ(S_OK, HrListDeletedItems(m_store, deleted));
    EXPECT_TRUE(deleted.empty());
    ASSERT_EQ(S_OK, HrRestoreDeletedItems(m_store, {}, &done));
    EXPECT_EQ(0u, done);
    EXPECT_EQ(4, LongProp(m_contacts, PR_CONTENT_COUNT));
}

TEST_F(Contents, UnknownIdsGivePartialCompletionAndTheRestIsDeleted) {
    std::vector<std::string> ids = AddContacts(4);
    Ref<IMAPIFolder> inbox(OpenNamedFolder(m_store, "Inbox"));
    std::string elsewhere = AddMessage(inbox, "IPM.Note", "not here");
    EXPECT_EQ(MAPI_W_PARTIAL_COMPLETION, Delete({ids[0], std::string(48, '\0'), elsewhere, ids[3], ids[0]}));
    EXPECT_EQ(2, LongProp(m_contacts, PR_CONTENT_COUNT));
    EXPECT_EQ(1, LongProp(inbox, PR_CONTENT_COUNT)) << "a message of another folder is left alone";
    EXPECT_EQ(S_OK, Delete({}));
    EXPECT_EQ(MAPI_E_INVALID_PARAMETER, m_contacts->DeleteMessages(nullptr, 0, nullptr, 0));
    Ref<IMAPIFolder> readOnly(OpenNamedFolder(m_store, "Contacts", 0));
    EXPECT_EQ(MAPI_E_NO_ACCESS, Delete(ids, 0, readOnly));
}

TEST_F(Contents, AFailureInsideADeletionLeavesEveryItemInPlace) {
    std::vector<std::string> ids = AddContacts(5);
    // An index in the file that allows one deletion time only makes the second deletion of the
    // batch fail, as a full disk would.
    sqlite3* db = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_open(HrResolveStorePath("items.qst").c_str(), &db));
    sqlite3_busy_timeout(db, 5000);
    ASSERT_EQ(SQLITE_OK, sqlite3_exec(db,
                                      "CREATE UNIQUE INDEX fail_second ON messages(deleted_on) "
                                      "WHERE deleted_on IS NOT NULL",
                                      nullptr, nullptr, nullptr));
    sqlite3_close(db);
    EXPECT_TRUE(FAILED(Delete(ids)));
    EXPECT_EQ(5, LongProp(m_contacts, PR_CONTENT_COUNT));
    std::vector<CDeletedItem> deleted;
    ASSERT_EQ(S_OK, HrListDeletedItems(m_store, deleted));
    EXPECT_TRUE(deleted.empty());
}

// Opening the items of a batch takes what the table read of them, once: an item opened again, or
// changed after the batch was read, must show its values, not an empty or outdated handover; one a
// cleanup deleted in between does not open.
TEST_F(Contents, ItemsOpenedTwiceChangedOrDeletedAfterTheirBatchShowWhatTheyAreNow) {
    std::vector<std::string> ids = AddContacts(12);
    Ref<IMAPITable> table(ContentsTable(m_contacts, {PR_ENTRYID, PR_SUBJECT_A}));
    Rows rows;
    ASSERT_EQ(S_OK, table->QueryRows(100, 0, &rows.p));
    ASSERT_EQ(12u, rows.p->cRows);
    auto open = [&](ULONG r, ULONG flags) {
        return OpenItem(Bytes(rows.p->aRow[r].lpProps[0].Value.bin), flags);
    };
    // Out of order, and each one twice.
    for (ULONG r : {7u, 2u, 7u, 11u, 0u, 2u, 0u, 11u}) {
        Ref<IMessage> item(open(r, 0));
        ASSERT_NE(nullptr, item.p);
        EXPECT_EQ("contact " + std::to_string(r), TextProp(item, PR_SUBJECT_A)) << r;
        EXPECT_EQ(static_cast<LONG>(r % 3), LongProp(item, PR_IMPORTANCE)) << r;
    }
    {
        Ref<IMessage> item(open(5, MAPI_MODIFY));
        SPropValue subject = TextValue(PR_SUBJECT_A, "renamed");
        ASSERT_EQ(S_OK, item->SetProps(1, &subject, nullptr));
        ASSERT_EQ(S_OK, item->SaveChanges(0));
    }
    ASSERT_EQ(S_OK, Delete({ids[1]}));
    for (ULONG r : {5u, 6u, 1u, 0u}) {
        HRESULT hr = S_OK;
        Ref<IMessage> item(OpenItem(Bytes(rows.p->aRow[r].lpProps[0].Value.bin), 0, &hr));
        EXPECT_EQ(r == 1 ? MAPI_E_NOT_FOUND : S_OK, hr) << r;
        if (item.p != nullptr) {
            EXPECT_EQ(r == 5 ? "renamed" : "contact " + std::to_string(r), TextProp(item, PR_SUBJECT_A));
        }
    }
}

TEST_F(Contents, QueryAndOpenFaultsAreReportedAndLeakNothing) {
    std::vector<std::string> ids = AddContacts(3);
    Ref<IMAPITable> table;
    ASSERT_EQ(S_OK, m_contacts->GetContentsTable(0, &table));
    CMAPITestHooks::FailQueryRows(2, MAPI_E_NETWORK_ERROR);
    Rows first;
    ASSERT_EQ(S_OK, table->QueryRows(1, 0, &first.p));
    Rows second;
    EXPECT_EQ(MAPI_E_NETWORK_ERROR, table->QueryRows(1, 0, &second.p));
    EXPECT_EQ(nullptr, second.p);
    CMAPITestHooks::FailOpenEntry(1, MAPI_E_NOT_FOUND);
    HRESULT hr = S_OK;
    EXPECT_EQ(nullptr, OpenItem(ids[1], MAPI_BEST_ACCESS, &hr));
    EXPECT_EQ(MAPI_E_NOT_FOUND, hr);
    // Every allocation of a row set in turn fails once; each failure must leave nothing behind.
    for (ULONG nth = 1; nth <= 6; ++nth) {
        Ref<IMAPITable> fresh;
        ASSERT_EQ(S_OK, m_contacts->GetContentsTable(0, &fresh));
        LONG buffers = CMAPITestHooks::LiveBuffers();
        CMAPITestHooks::FailAllocation(nth);
        Rows rows;
        hr = fresh->QueryRows(3, 0, &rows.p);
        CMAPITestHooks::Reset();
        if (FAILED(hr)) {
            EXPECT_EQ(MAPI_E_NOT_ENOUGH_MEMORY, hr);
            EXPECT_EQ(nullptr, rows.p);
            EXPECT_EQ(buffers, CMAPITestHooks::LiveBuffers());
        }
    }
    for (ULONG nth = 1; nth <= 4; ++nth) {
        Ref<IMessage> item(OpenItem(ids[0], 0));
        ASSERT_NE(nullptr, item.p);
        CMAPITestHooks::FailAllocation(nth);
        Values values;
        hr = item->GetProps(Tags{PR_SUBJECT_A, PR_ENTRYID}, 0, &values.count, &values.p);
        CMAPITestHooks::Reset();
        if (FAILED(hr)) {
            EXPECT_EQ(nullptr, values.p);
        }
    }
}

}  // namespace
}  // namespace mapitest
