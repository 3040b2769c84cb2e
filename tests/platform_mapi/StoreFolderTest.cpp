// Store layout: standard folders, special-folder ids, hierarchy and folder properties.
#include <algorithm>
#include <map>
#include <set>

#include "platform/mapi/StoreAdmin.h"
#include "tests/platform_mapi/FolderShapes.h"
#include "tests/platform_mapi/MapiTestSupport.h"

namespace mapitest {
namespace {

class StoreFolders : public MapiTest {
protected:
    void SetUp() override {
        MapiTest::SetUp();
        MakeProfile("P", "", "layout.qst", "Layout");
        m_session.p = Logon("P");
        m_store.p = OpenStore(m_session, "Layout");
    }
    Ref<IMAPISession> m_session;
    Ref<IMsgStore> m_store;
};

TEST_F(StoreFolders, NewStoreHasTheStandardFoldersWithTheirClassesAndSpecialIds) {
    Ref<IMAPIFolder> ipm(OpenFolder(m_store, BinaryProp(m_store, PR_IPM_SUBTREE_ENTRYID)));
    Ref<IMAPITable> table;
    ASSERT_EQ(S_OK, ipm->GetHierarchyTable(0, &table));
    ASSERT_EQ(S_OK, table->SetColumns(Tags{PR_ENTRYID, PR_DISPLAY_NAME_A, PR_CONTAINER_CLASS_A}, 0));
    Rows rows;
    ASSERT_EQ(S_OK, table->QueryRows(50, 0, &rows.p));
    std::map<std::string, std::string> classes;
    for (ULONG i = 0; i < rows.p->cRows; ++i) {
        classes[rows.p->aRow[i].lpProps[1].Value.lpszA] = rows.p->aRow[i].lpProps[2].Value.lpszA;
    }
    std::map<std::string, std::string> expected = {
        {"Inbox", "IPF.Note"},         {"Outbox", "IPF.Note"},          {"Sent Items", "IPF.Note"},
        {"Deleted Items", "IPF.Note"}, {"Drafts", "IPF.Note"},          {"Junk E-mail", "IPF.Note"},
        {"Contacts", "IPF.Contact"},   {"Calendar", "IPF.Appointment"}, {"Notes", "IPF.StickyNote"},
        {"Tasks", "IPF.Task"},         {"Journal", "IPF.Journal"}};
    EXPECT_EQ(expected, classes);
    auto nameOf = [&](const std::string& eid) {
        Ref<IMAPIFolder> folder(OpenFolder(m_store, eid));
        return TextProp(folder, PR_DISPLAY_NAME_A);
    };
    EXPECT_EQ("Outbox", nameOf(BinaryProp(m_store, PR_IPM_OUTBOX_ENTRYID)));
    EXPECT_EQ("Sent Items", nameOf(BinaryProp(m_store, PR_IPM_SENTMAIL_ENTRYID)));
    EXPECT_EQ("Deleted Items", nameOf(BinaryProp(m_store, PR_IPM_WASTEBASKET_ENTRYID)));
    ULONG cb = 0;
    LPENTRYID inbox = nullptr;
    LPSTR explicitClass = nullptr;
    ASSERT_EQ(S_OK, m_store->GetReceiveFolder(nullptr, 0, &cb, &inbox, &explicitClass));
    EXPECT_EQ("Inbox", nameOf(std::string(reinterpret_cast<char*>(inbox), cb)));
    EXPECT_STREQ("", explicitClass);
    MAPIFreeBuffer(inbox);
    MAPIFreeBuffer(explicitClass);

    // The root folder opens with an empty id and carries drafts and the junk folder (fifth entry).
    LPUNKNOWN unknown = nullptr;
    ULONG type = 0;
    ASSERT_EQ(S_OK, m_store->OpenEntry(0, nullptr, nullptr, MAPI_BEST_ACCESS, &type, &unknown));
    EXPECT_EQ(MAPI_FOLDER, type);
    Ref<IMAPIFolder> root(static_cast<IMAPIFolder*>(unknown));
    EXPECT_EQ("Drafts", nameOf(BinaryProp(root, PR_IPM_DRAFTS_ENTRYID)));
    EXPECT_EQ("Contacts", nameOf(BinaryProp(root, PR_IPM_CONTACT_ENTRYID)));
    Values values;
    ASSERT_EQ(S_OK, root->GetProps(Tags{PR_ADDITIONAL_REN_ENTRYIDS}, 0, &values.count, &values.p));
    ASSERT_EQ(PR_ADDITIONAL_REN_ENTRYIDS, values[0].ulPropTag);
    ASSERT_EQ(5u, values[0].Value.MVbin.cValues);
    EXPECT_EQ(0u, values[0].Value.MVbin.lpbin[0].cb);
    EXPECT_EQ("Junk E-mail", nameOf(Bytes(values[0].Value.MVbin.lpbin[4])));
}

TEST_F(StoreFolders, TheWholeHierarchyOfADeepChainAndOfACycleListsEachFolderOnceWithItsDepth) {
    m_store.reset();
    m_session->Logoff(0, 0, 0);
    m_session.reset();
    MakeFolderChainBelowInbox("layout.qst");
    MakeCycleThroughInbox("layout.qst");
    Ref<IMsgStore> store;
    ASSERT_EQ(S_OK, HrOpenStoreFile("layout.qst", "", 0, &store));
    Ref<IMAPIFolder> ipm(OpenFolder(store, BinaryProp(store, PR_IPM_SUBTREE_ENTRYID)));
    Ref<IMAPITable> table;
    ASSERT_EQ(S_OK, ipm->GetHierarchyTable(CONVENIENT_DEPTH, &table));
    ASSERT_EQ(S_OK, table->SetColumns(Tags{PR_ENTRYID, PR_DEPTH}, 0));
    Rows rows;
    ASSERT_EQ(S_OK, table->QueryRows(0x7FFFFFFF, 0, &rows.p));
    std::set<std::string> ids;
    LONG deepest = 0;
    for (ULONG i = 0; i < rows.p->cRows; ++i) {
        ids.insert(Bytes(rows.p->aRow[i].lpProps[0].Value.bin));
        deepest = std::max(deepest, rows.p->aRow[i].lpProps[1].Value.l);
    }
    // The eleven standard folders and the chain; the top, met again below Inbox, is not listed.
    EXPECT_EQ(11u + kDeepChain, rows.p->cRows);
    EXPECT_EQ(rows.p->cRows, ids.size());
    EXPECT_EQ(kDeepChain + 1, deepest);
}

TEST_F(StoreFolders, FolderPropertiesMissingOnesAsErrorsAndThoseThatCannotChange) {
    Ref<IMAPIFolder> contacts(OpenNamedFolder(m_store, "Contacts"));
    AddMessage(contacts, "IPM.Contact", "one");
    AddMessage(contacts, "IPM.Contact", "two");
    Tags tags{PR_CONTENT_COUNT, PR_CONTAINER_CLASS_A, PR_PARENT_ENTRYID, PR_SUBJECT_A};
    Values values;
    ASSERT_EQ(MAPI_W_ERRORS_RETURNED, contacts->GetProps(tags, 0, &values.count, &values.p));
    ASSERT_EQ(4u, values.count);
    EXPECT_EQ(PR_CONTENT_COUNT, values[0].ulPropTag);
    EXPECT_EQ(2, values[0].Value.l);
    EXPECT_STREQ("IPF.Contact", values[1].Value.lpszA);
    EXPECT_EQ(BinaryProp(m_store, PR_IPM_SUBTREE_ENTRYID), Bytes(values[2].Value.bin));
    EXPECT_EQ(CHANGE_PROP_TYPE(PR_SUBJECT_A, PT_ERROR), values[3].ulPropTag);
    EXPECT_EQ(MAPI_E_NOT_FOUND, values[3].Value.err);
    // A folder made by a caller has no container class until one is set.
    Ref<IMAPIFolder> made;
    ASSERT_EQ(S_OK, contacts->CreateFolder(FOLDER_GENERIC, "Friends", nullptr, nullptr, 0, &made));
    EXPECT_EQ("<none>", TextProp(made, PR_CONTAINER_CLASS_A));
    SPropValue cls = TextValue(PR_CONTAINER_CLASS_A, "IPF.Contact");
    ASSERT_EQ(S_OK, made->SetProps(1, &cls, nullptr));
    EXPECT_EQ("IPF.Contact", TextProp(made, PR_CONTAINER_CLASS_A));
    Ref<IMAPIFolder> again;
    EXPECT_EQ(MAPI_E_COLLISION,
              contacts->CreateFolder(FOLDER_GENERIC, "friends", nullptr, nullptr, 0, &again));
    ASSERT_EQ(S_OK,
              contacts->CreateFolder(FOLDER_GENERIC, "Friends", nullptr, nullptr, OPEN_IF_EXISTS, &again));
    EXPECT_EQ(BinaryProp(made, PR_ENTRYID), BinaryProp(again, PR_ENTRYID));
    EXPECT_EQ(1, LongProp(contacts, PR_SUBFOLDERS) & 1);
    // A computed property cannot be set; a read-only folder refuses new items.
    SPropValue count = LongValue(PR_CONTENT_COUNT, 99);
    LPSPropProblemArray problems = nullptr;
    ASSERT_EQ(S_OK, contacts->SetProps(1, &count, &problems));
    ASSERT_NE(nullptr, problems);
    EXPECT_EQ(1u, problems->cProblem);
    EXPECT_EQ(MAPI_E_COMPUTED, problems->aProblem[0].scode);
    MAPIFreeBuffer(problems);
    EXPECT_EQ(2, LongProp(contacts, PR_CONTENT_COUNT));
    Ref<IMAPIFolder> readOnly(OpenNamedFolder(m_store, "Inbox", 0));
    Ref<IMessage> message;
    EXPECT_EQ(MAPI_E_NO_ACCESS, readOnly->CreateMessage(nullptr, 0, &message));
}

TEST_F(StoreFolders, EntryIdsAreStableAcrossSessionsAndForeignIdsAreRefused) {
    std::string contacts;
    {
        Ref<IMAPIFolder> folder(OpenNamedFolder(m_store, "Contacts"));
        contacts = BinaryProp(folder, PR_ENTRYID);
    }
    Ref<IMAPISession> later(Logon("P"));
    Ref<IMsgStore> store(OpenStore(later, "Layout"));
    Ref<IMAPIFolder> folder(OpenFolder(store, contacts));
    EXPECT_EQ("Contacts", TextProp(folder, PR_DISPLAY_NAME_A));
    ULONG same = FALSE;
    std::string other = BinaryProp(store, PR_IPM_OUTBOX_ENTRYID);
    ASSERT_EQ(S_OK, store->CompareEntryIDs(static_cast<ULONG>(contacts.size()),
                                           reinterpret_cast<LPENTRYID>(contacts.data()),
                                           static_cast<ULONG>(other.size()),
                                           reinterpret_cast<LPENTRYID>(other.data()), 0, &same));
    EXPECT_EQ(FALSE, same);
    LPUNKNOWN unknown = nullptr;
    ULONG type = 0;
    EXPECT_EQ(MAPI_E_INVALID_ENTRYID, OpenById(store.p, contacts.substr(0, 20), 0, &unknown));
    EXPECT_EQ(MAPI_E_INTERFACE_NOT_SUPPORTED, store->OpenEntry(static_cast<ULONG>(contacts.size()),
                                                               reinterpret_cast<LPENTRYID>(contacts.data()),
                                                               &IID_IMessage, 0, &type, &unknown));
}

}  // namespace
}  // namespace mapitest
