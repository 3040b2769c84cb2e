// The mail client's object model on real profiles: Logon, GetItemFromID with hex entry and store
// ids, Display, and what each failure leaves behind.
#include "tests/automation/AutomationTestSupport.h"

#include <algorithm>

#include "platform/automation/HexKey.h"
#include "platform/mapi/MAPIX.h"

namespace {

using autotest::Args;
using autotest::Call;
using autotest::TextOf;
using mapitest::Ref;

class MailClientTest : public autotest::AutomationTest {
protected:
    void SetUp() override {
        AutomationTest::SetUp();
        MakeProfile("Work", "", "work.pst", "Work Store");
        AddStore("Work", "", "archive.pst", "Archive");
        // The item and the ids a client knows it by, made through a session of its own.
        Ref<IMAPISession> session(Logon("Work"));
        m_storeId = StoreEntryId(session, "Work Store");
        m_archiveId = StoreEntryId(session, "Archive");
        Ref<IMsgStore> store(OpenStore(session, "Work Store"));
        Ref<IMAPIFolder> contacts(OpenNamedFolder(store, "Contacts"));
        m_folderId = BinaryProp(contacts, PR_ENTRYID);
        SPropValue extra[1] = {};
        extra[0].ulPropTag = PR_DISPLAY_NAME_A;
        extra[0].Value.lpszA = const_cast<char*>("Anna M\xC3\xBCller");
        m_entryId = AddMessage(contacts, "IPM.Contact", "Anna M\xC3\xBCller", {extra[0]});
        session->Logoff(0, 0, 0);

        m_pApplication = CreateApplication();
        ASSERT_NE(nullptr, m_pApplication);
        m_pSession = GetSession(m_pApplication);
        ASSERT_NE(nullptr, m_pSession);
    }
    void TearDown() override {
        if (m_pSession != nullptr)
            m_pSession->Release();
        if (m_pApplication != nullptr)
            m_pApplication->Release();
        AutomationTest::TearDown();
    }

    HRESULT DoLogon(const std::string& profile, const char* password) {
        Args args;
        args.Text(profile);
        if (password != nullptr)
            args.Text(password);
        else
            args.NullText();
        args.Bool(false).Bool(false);
        return Call(m_pSession, "Logon", DISPATCH_METHOD, args);
    }
    // GetItemFromID(entry, store); *ppItem receives the item on success.
    HRESULT GetItem(const std::string& entryHex, const std::string* pStoreHex, IDispatch** ppItem) {
        Args args;
        args.Text(entryHex);
        if (pStoreHex != nullptr)
            args.Text(*pStoreHex);
        VARIANT result;
        VariantInit(&result);
        HRESULT hr = Call(m_pSession, "GetItemFromID", DISPATCH_METHOD, args, &result);
        *ppItem = nullptr;
        if (SUCCEEDED(hr)) {
            EXPECT_EQ(VT_DISPATCH, result.vt);
            *ppItem = result.pdispVal;
        } else {
            EXPECT_EQ(VT_EMPTY, result.vt);
        }
        return hr;
    }
    std::string Property(IDispatch* pItem, const char* name) {
        VARIANT result;
        VariantInit(&result);
        EXPECT_EQ(S_OK, Call(pItem, name, DISPATCH_PROPERTYGET, &result));
        std::string text = TextOf(result);
        VariantClear(&result);
        return text;
    }

    std::string m_storeId, m_archiveId, m_folderId, m_entryId;
    IDispatch* m_pApplication = nullptr;
    IDispatch* m_pSession = nullptr;
};

TEST_F(MailClientTest, ItemRoundTripByHexIdsAndDisplay) {
    ASSERT_EQ(S_OK, DoLogon("Work", nullptr));
    const std::string storeHex = BytesToHex(m_storeId);
    IDispatch* pItem = nullptr;
    ASSERT_EQ(S_OK, GetItem(BytesToHex(m_entryId), &storeHex, &pItem));
    EXPECT_EQ("IPM.Contact", Property(pItem, "MessageClass"));
    EXPECT_EQ("Anna M\xC3\xBCller", Property(pItem, "Subject"));
    EXPECT_EQ(BytesToHex(m_entryId), Property(pItem, "EntryID"));

    Args modal;
    modal.Bool(false);
    ASSERT_EQ(S_OK, Call(pItem, "Display", DISPATCH_METHOD, modal));
    ASSERT_EQ(1u, m_viewer.m_items.size());
    EXPECT_FALSE(m_viewer.m_modal[0]);
    const CItemSnapshot& shown = m_viewer.m_items[0];
    EXPECT_EQ("IPM.Contact", shown.messageClass);
    EXPECT_EQ("Anna M\xC3\xBCller", shown.subject);
    const auto displayName = std::find_if(shown.properties.begin(), shown.properties.end(),
                                          [](const CItemProperty& p) { return PROP_ID(p.ulTag) == 0x3001; });
    ASSERT_NE(shown.properties.end(), displayName);
    EXPECT_EQ("Anna M\xC3\xBCller", displayName->value);
    EXPECT_TRUE(
        std::is_sorted(shown.properties.begin(), shown.properties.end(),
                       [](const CItemProperty& a, const CItemProperty& b) { return a.ulTag < b.ulTag; }));
    pItem->Release();

    // Lower-case hex and a left-out store id find the same item.
    IDispatch* pSame = nullptr;
    std::string lower = BytesToHex(m_entryId);
    std::transform(lower.begin(), lower.end(), lower.begin(), ::tolower);
    ASSERT_EQ(S_OK, GetItem(lower, nullptr, &pSame));
    EXPECT_EQ("Anna M\xC3\xBCller", Property(pSame, "Subject"));
    pSame->Release();
}

TEST_F(MailClientTest, BadIdsAreRefusedWithoutAnItem) {
    ASSERT_EQ(S_OK, DoLogon("Work", ""));
    const std::string storeHex = BytesToHex(m_storeId);
    const std::string entryHex = BytesToHex(m_entryId);
    IDispatch* pItem = nullptr;
    for (const std::string& bad :
         {std::string(), entryHex.substr(1), "ZZ" + entryHex.substr(2), entryHex + " "}) {
        EXPECT_EQ(MAPI_E_INVALID_ENTRYID, GetItem(bad, &storeHex, &pItem)) << bad;
        const std::string badStore = bad;
        EXPECT_EQ(MAPI_E_INVALID_ENTRYID, GetItem(entryHex, &badStore, &pItem)) << bad;
    }
    // A folder is not an item; an item is looked for in the store named, not elsewhere.
    EXPECT_EQ(MAPI_E_INVALID_ENTRYID, GetItem(BytesToHex(m_folderId), &storeHex, &pItem));
    const std::string archiveHex = BytesToHex(m_archiveId);
    EXPECT_TRUE(FAILED(GetItem(entryHex, &archiveHex, &pItem)));
    // Well-formed hex of no item at all.
    std::string unknown = m_entryId;
    unknown.back() ^= 0x5A;
    EXPECT_TRUE(FAILED(GetItem(BytesToHex(unknown), &storeHex, &pItem)));
    EXPECT_EQ(nullptr, pItem);
    EXPECT_TRUE(m_viewer.m_items.empty());
}

TEST_F(MailClientTest, LogonNeedsAnExistingProfileAndItsPassword) {
    MakeProfile("Locked", "s3cret", "locked.pst", "Locked Store");
    EXPECT_EQ(MAPI_E_LOGON_FAILED, DoLogon("Locked", "wrong"));
    EXPECT_EQ(MAPI_E_LOGON_FAILED, DoLogon("Locked", nullptr));
    EXPECT_TRUE(FAILED(DoLogon("Nobody", nullptr)));
    IDispatch* pItem = nullptr;
    EXPECT_EQ(MAPI_E_LOGON_FAILED, GetItem(BytesToHex(m_entryId), nullptr, &pItem));

    ASSERT_EQ(S_OK, DoLogon("Locked", "s3cret"));
    // Logged on once, the namespace stays with that profile: the Work item is not in it.
    EXPECT_EQ(S_OK, DoLogon("Work", nullptr));
    EXPECT_TRUE(FAILED(GetItem(BytesToHex(m_entryId), nullptr, &pItem)));
}

TEST_F(MailClientTest, DisplayWithoutAViewerFailsClearly) {
    ASSERT_EQ(S_OK, DoLogon("Work", nullptr));
    IDispatch* pItem = nullptr;
    ASSERT_EQ(S_OK, GetItem(BytesToHex(m_entryId), nullptr, &pItem));
    SetItemViewer(nullptr);
    Args args;
    EXCEPINFO info{};
    EXPECT_EQ(DISP_E_EXCEPTION, Call(pItem, "Display", DISPATCH_METHOD, args, nullptr, nullptr, &info));
    EXPECT_EQ(E_FAIL, info.scode);
    ClearExcepInfo(&info);
    SetItemViewer(&m_viewer);
    m_viewer.m_hrResult = E_OUTOFMEMORY;
    EXPECT_EQ(E_OUTOFMEMORY, Call(pItem, "Display", DISPATCH_METHOD, args));
    pItem->Release();
}

}  // namespace
