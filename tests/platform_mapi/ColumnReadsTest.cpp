// A contents table reads only its columns: what it hands out, and what the items opened from its
// rows show of every other property afterwards.
#include <string>
#include <vector>

#include "tests/platform_mapi/MapiTestSupport.h"

namespace mapitest {
namespace {

class ColumnReads : public MapiTest {
protected:
    void SetUp() override {
        MapiTest::SetUp();
        MakeProfile("P", "", "items.qst", "Items");
        m_session.p = Logon("P");
        m_store.p = OpenStore(m_session, "Items");
        m_contacts.p = OpenNamedFolder(m_store, "Contacts");
        GUID set = {0x00062004, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
        MAPINAMEID name{};
        name.lpguid = &set;
        name.ulKind = MNID_ID;
        name.Kind.lID = 0x8083;
        LPMAPINAMEID names[1] = {&name};
        LPSPropTagArray tags = nullptr;
        EXPECT_EQ(S_OK, m_store->GetIDsFromNames(1, names, MAPI_CREATE, &tags));
        m_named = PROP_TAG(PT_STRING8, PROP_ID(tags->aulPropTag[0]));
        MAPIFreeBuffer(tags);
    }
    IMessage* Open(IMAPIFolder* folder, const SRow& row, ULONG flags) {
        LPUNKNOWN unknown = nullptr;
        EXPECT_EQ(S_OK, OpenById(folder, Bytes(row.lpProps[0].Value.bin), flags, &unknown));
        return static_cast<IMessage*>(unknown);
    }
    // Twenty numbered columns, more than one read of the store takes at once, with a named one
    // among them; each of three items also keeps a body and an importance that no column asks for.
    // With 'fillers', each item is followed by items there.
    void CheckColumnsAndOpenedItems(IMAPIFolder* folder, IMAPIFolder* fillers) {
        std::vector<ULONG> numbered;
        for (ULONG i = 0; i < 20; ++i) {
            numbered.push_back(PROP_TAG(PT_LONG, 0x6700 + 0x31 * (19 - i)));  // not in id order
        }
        const std::vector<std::string> bodies = {std::string(2000, 'a'), "short", std::string(1500, 'c')};
        for (int item = 0; item < 3; ++item) {
            const std::string mail = "person" + std::to_string(item) + "@example.org";
            std::vector<SPropValue> values = {TextValue(PR_BODY_A, bodies[item].c_str()),
                                              LongValue(PR_IMPORTANCE, item),
                                              TextValue(m_named, mail.c_str())};
            for (ULONG i = 0; i < numbered.size(); ++i) {
                if (i != static_cast<ULONG>(item)) {  // item n lacks column n
                    values.push_back(LongValue(numbered[i], static_cast<LONG>(100 * item + i)));
                }
            }
            AddMessage(folder, "IPM.Contact", "contact " + std::to_string(item), values);
            for (int other = 0; fillers != nullptr && other < 12; ++other) {
                AddMessage(fillers, "IPM.StickyNote", "filler");
            }
        }
        std::vector<ULONG> columns = {PR_ENTRYID, m_named, PR_SUBJECT_A};
        columns.insert(columns.end(), numbered.begin(), numbered.end());
        columns.push_back(PR_SUBJECT_A);  // asked twice
        Ref<IMAPITable> table;
        ASSERT_EQ(S_OK, folder->GetContentsTable(0, &table));
        ASSERT_EQ(S_OK, table->SetColumns(Tags(columns), 0));
        Rows rows;
        ASSERT_EQ(S_OK, table->QueryRows(10, 0, &rows.p));
        ASSERT_EQ(3u, rows.p->cRows);
        for (ULONG item = 0; item < 3; ++item) {
            const SRow& row = rows.p->aRow[item];
            ASSERT_EQ(columns.size(), row.cValues);
            auto text = [&](size_t c) {
                const SPropValue& value = row.lpProps[c];
                return PROP_TYPE(value.ulPropTag) == PT_STRING8 ? std::string(value.Value.lpszA) : "<none>";
            };
            EXPECT_EQ("person" + std::to_string(item) + "@example.org", text(1));
            EXPECT_EQ("contact " + std::to_string(item), text(2));
            EXPECT_EQ(text(2), text(columns.size() - 1));
            for (ULONG i = 0; i < numbered.size(); ++i) {
                const SPropValue& value = row.lpProps[3 + i];
                if (i == item) {
                    EXPECT_EQ(PT_ERROR, PROP_TYPE(value.ulPropTag)) << item << " " << i;
                } else {
                    EXPECT_EQ(numbered[i], value.ulPropTag) << item << " " << i;
                    EXPECT_EQ(static_cast<LONG>(100 * item + i), value.Value.l) << item << " " << i;
                }
            }
        }
        // Named by their ids (as a cleanup names them), the first and the last row again, with
        // the same values.
        SPropValue named[2] = {{PR_ENTRYID, 0, {}}, {PR_ENTRYID, 0, {}}};
        SRestriction each[2];
        for (int i = 0; i < 2; ++i) {
            named[i].Value.bin = rows.p->aRow[i * 2].lpProps[0].Value.bin;
            each[i] = PropertyIs(RELOP_EQ, named[i]);
        }
        SRestriction either{};
        either.rt = RES_OR;
        either.res.resOr = SOrRestriction{2, each};
        Ref<IMAPITable> byIds;
        ASSERT_EQ(S_OK, folder->GetContentsTable(0, &byIds));
        ASSERT_EQ(S_OK, byIds->SetColumns(Tags(columns), 0));
        ASSERT_EQ(S_OK, byIds->Restrict(&either, 0));
        Rows again;
        ASSERT_EQ(S_OK, byIds->QueryRows(10, 0, &again.p));
        ASSERT_EQ(2u, again.p->cRows);
        for (ULONG row = 0; row < 2; ++row) {
            const SRow& before = rows.p->aRow[row * 2];
            const SRow& now = again.p->aRow[row];
            ASSERT_EQ(columns.size(), now.cValues);
            for (size_t c = 0; c < columns.size(); ++c) {
                EXPECT_EQ(before.lpProps[c].ulPropTag, now.lpProps[c].ulPropTag) << row << " " << c;
                if (PROP_TYPE(now.lpProps[c].ulPropTag) == PT_LONG) {
                    EXPECT_EQ(before.lpProps[c].Value.l, now.lpProps[c].Value.l) << row << " " << c;
                } else if (PROP_TYPE(now.lpProps[c].ulPropTag) == PT_STRING8) {
                    EXPECT_STREQ(before.lpProps[c].Value.lpszA, now.lpProps[c].Value.lpszA)
                        << row << " " << c;
                }
            }
        }

        Ref<IMessage> recoverable(Open(folder, rows.p->aRow[0], MAPI_MODIFY));
        ASSERT_NE(nullptr, recoverable.p);
        Ref<IMessage> first(Open(folder, rows.p->aRow[0], 0));
        Ref<IMessage> second(Open(folder, rows.p->aRow[1], 0));
        Ref<IMessage> third(Open(folder, rows.p->aRow[2], MAPI_MODIFY));
        ASSERT_NE(nullptr, first.p);
        ASSERT_NE(nullptr, second.p);
        ASSERT_NE(nullptr, third.p);

        // Asked for properties besides the columns, an item reads them.
        EXPECT_EQ(bodies[0], TextProp(first, PR_BODY_A));
        EXPECT_EQ(0, LongProp(first, PR_IMPORTANCE));
        Values all;
        ASSERT_EQ(S_OK, first->GetProps(nullptr, 0, &all.count, &all.p));
        ULONG seen = 0;
        for (ULONG i = 0; i < all.count; ++i) {
            seen += all[i].ulPropTag == PR_BODY_A || all[i].ulPropTag == PR_IMPORTANCE ||
                    all[i].ulPropTag == m_named;
        }
        EXPECT_EQ(3u, seen);

        // Removed for good once opened: the columns stay, the rest is gone and says so.
        SBinary id{rows.p->aRow[1].lpProps[0].Value.bin};
        SBinaryArray list{1, &id};
        ASSERT_EQ(S_OK, folder->DeleteMessages(&list, 0, nullptr, DELETE_HARD_DELETE));
        EXPECT_EQ("contact 1", TextProp(second, PR_SUBJECT_A));
        Values gone;
        EXPECT_EQ(MAPI_E_OBJECT_DELETED,
                  second->GetProps(Tags{PR_SUBJECT_A, PR_BODY_A}, 0, &gone.count, &gone.p));
        // Deleted to the recoverable items once opened: no longer read or saved as a live item.
        SBinary softId{rows.p->aRow[0].lpProps[0].Value.bin};
        SBinaryArray softList{1, &softId};
        ASSERT_EQ(S_OK, folder->DeleteMessages(&softList, 0, nullptr, 0));
        Values softGone;
        EXPECT_EQ(MAPI_E_OBJECT_DELETED,
                  recoverable->GetProps(Tags{PR_SUBJECT_A, PR_BODY_A}, 0, &softGone.count, &softGone.p));
        SPropValue changed = LongValue(PR_IMPORTANCE, 2);
        ASSERT_EQ(S_OK, recoverable->SetProps(1, &changed, nullptr));
        EXPECT_EQ(MAPI_E_OBJECT_DELETED, recoverable->SaveChanges(KEEP_OPEN_READWRITE));
        recoverable.reset();

        // Saved, an item keeps what it changed over everything it had.
        SPropValue importance = LongValue(PR_IMPORTANCE, 7);
        ASSERT_EQ(S_OK, third->SetProps(1, &importance, nullptr));
        ASSERT_EQ(S_OK, third->SaveChanges(KEEP_OPEN_READWRITE));
        EXPECT_EQ(7, LongProp(third, PR_IMPORTANCE));
        EXPECT_EQ(bodies[2], TextProp(third, PR_BODY_A));
        EXPECT_EQ("person2@example.org", TextProp(third, m_named));
        third.reset();
        table.reset();
        byIds.reset();
        EXPECT_EQ("ok", IntegrityOf("items.qst"));
    }
    Ref<IMAPISession> m_session;
    Ref<IMsgStore> m_store;
    Ref<IMAPIFolder> m_contacts;
    ULONG m_named = 0;
};

// The items of a folder lie next to each other, or spread out among those of another folder.
TEST_F(ColumnReads, RowsHoldTheirColumnsAndItemsOpenedFromThemShowEveryOtherPropertyToo) {
    Ref<IMAPIFolder> tasks(OpenNamedFolder(m_store, "Tasks"));
    Ref<IMAPIFolder> notes(OpenNamedFolder(m_store, "Notes"));
    for (IMAPIFolder* folder : {m_contacts.p, tasks.p}) {
        SCOPED_TRACE(folder == tasks.p ? "spread" : "close");
        CheckColumnsAndOpenedItems(folder, folder == tasks.p ? notes.p : nullptr);
    }
}

}  // namespace
}  // namespace mapitest
