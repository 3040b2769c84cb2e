// The mail client's object model on real profiles: Logon, GetItemFromID with hex entry and store
// ids, Display, and what each failure leaves behind.
#include "tests/automation/AutomationTestSupport.h"

#include <algorithm>
#include <optional>

#include "platform/automation/HexKey.h"
#include "platform/mapi/MAPIX.h"

namespace {

using namespace autotest;
using mapitest::Ref;

class MailClientTest : public autotest::SessionTest {
protected:
    void SetUp() override {
        SessionTest::SetUp();
        MakeProfile("Work", "", "work.pst", "Work Store");
        AddStore("Work", "", "archive.pst", "Archive");
        // The item and the ids a client knows it by, made through a session of its own.
        Ref<IMAPISession> session(Logon("Work"));
        m_storeHex = BytesToHex(StoreEntryId(session, "Work Store"));
        m_archiveHex = BytesToHex(StoreEntryId(session, "Archive"));
        Ref<IMsgStore> store(OpenStore(session, "Work Store"));
        Ref<IMAPIFolder> contacts(OpenNamedFolder(store, "Contacts"));
        m_folderHex = BytesToHex(BinaryProp(contacts, PR_ENTRYID));
        SPropValue name{};
        name.ulPropTag = PR_DISPLAY_NAME_A;
        name.Value.lpszA = const_cast<char*>(kAnna);
        m_entryId = AddMessage(contacts, "IPM.Contact", kAnna, {name});
        m_entryHex = BytesToHex(m_entryId);
        session->Logoff(0, 0, 0);
    }

    HRESULT DoLogon(const std::string& profile, const char* password) {
        return Call(
            m_pSession, "Logon", DISPATCH_METHOD,
            {Text(profile), password != nullptr ? Text(password) : NullText(), Bool(false), Bool(false)});
    }
    // GetItemFromID(entry, store); *ppItem receives the item on success.
    HRESULT GetItem(const std::string& entryHex, const std::optional<std::string>& storeHex,
                    IDispatch** ppItem) {
        std::vector<VARIANT> args{Text(entryHex)};
        if (storeHex)
            args.push_back(Text(*storeHex));
        VARIANT result;
        VariantInit(&result);
        HRESULT hr = Call(m_pSession, "GetItemFromID", DISPATCH_METHOD, args, &result);
        EXPECT_EQ(SUCCEEDED(hr) ? VT_DISPATCH : VT_EMPTY, result.vt);
        *ppItem = SUCCEEDED(hr) ? result.pdispVal : nullptr;
        return hr;
    }
    std::string Property(IDispatch* pItem, const char* name) {
        Variant result;
        EXPECT_EQ(S_OK, Call(pItem, name, DISPATCH_PROPERTYGET, &result));
        return TextOf(result);
    }

    static constexpr const char* kAnna = "Anna M\xC3\xBCller";
    std::string m_storeHex, m_archiveHex, m_folderHex, m_entryId, m_entryHex;
};

TEST_F(MailClientTest, ItemRoundTripByHexIdsAndDisplay) {
    ASSERT_EQ(S_OK, DoLogon("Work", nullptr));
    IDispatch* pItem = nullptr;
    ASSERT_EQ(S_OK, GetItem(m_entryHex, m_storeHex, &pItem));
    EXPECT_EQ("IPM.Contact", Property(pItem, "MessageClass"));
    EXPECT_EQ(kAnna, Property(pItem, "Subject"));
    EXPECT_EQ(m_entryHex, Property(pItem, "EntryID"));

    ASSERT_EQ(S_OK, Call(pItem, "Display", DISPATCH_METHOD, {Bool(false)}));
    pItem->Release();
    ASSERT_EQ(1u, m_viewer.m_items.size());
    EXPECT_FALSE(m_viewer.m_modal[0]);
    const CItemSnapshot& shown = m_viewer.m_items[0];
    EXPECT_EQ("IPM.Contact", shown.messageClass);
    EXPECT_EQ(kAnna, shown.subject);
    const auto displayName = std::find_if(shown.properties.begin(), shown.properties.end(),
                                          [](const CItemProperty& p) { return PROP_ID(p.ulTag) == 0x3001; });
    ASSERT_NE(shown.properties.end(), displayName);
    EXPECT_EQ(kAnna, displayName->value);
    EXPECT_TRUE(
        std::is_sorted(shown.properties.begin(), shown.properties.end(),
                       [](const CItemProperty& a, const CItemProperty& b) { return a.ulTag < b.ulTag; }));

    // Lower-case hex and a left-out store id find the same item.
    std::string lower = m_entryHex;
    std::transform(lower.begin(), lower.end(), lower.begin(), ::tolower);
    ASSERT_EQ(S_OK, GetItem(lower, std::nullopt, &pItem));
    EXPECT_EQ(kAnna, Property(pItem, "Subject"));
    pItem->Release();
}

TEST_F(MailClientTest, BadIdsAreRefusedWithoutAnItem) {
    ASSERT_EQ(S_OK, DoLogon("Work", ""));
    IDispatch* pItem = nullptr;
    for (const std::string& bad :
         {std::string(), m_entryHex.substr(1), "ZZ" + m_entryHex.substr(2), m_entryHex + " "}) {
        EXPECT_EQ(MAPI_E_INVALID_ENTRYID, GetItem(bad, m_storeHex, &pItem)) << bad;
        EXPECT_EQ(MAPI_E_INVALID_ENTRYID, GetItem(m_entryHex, bad, &pItem)) << bad;
    }
    // A folder is not an item; an item is looked for in the store named, not elsewhere.
    EXPECT_EQ(MAPI_E_INVALID_ENTRYID, GetItem(m_folderHex, m_storeHex, &pItem));
    EXPECT_TRUE(FAILED(GetItem(m_entryHex, m_archiveHex, &pItem)));
    // Well-formed hex of no item at all.
    std::string unknown = m_entryId;
    unknown.back() ^= 0x5A;
    EXPECT_TRUE(FAILED(GetItem(BytesToHex(unknown), m_storeHex, &pItem)));
    EXPECT_EQ(nullptr, pItem);
    EXPECT_TRUE(m_viewer.m_items.empty());
}

TEST_F(MailClientTest, LogonNeedsAnExistingProfileAndItsPassword) {
    MakeProfile("Locked", "s3cret", "locked.pst", "Locked Store");
    EXPECT_EQ(MAPI_E_LOGON_FAILED, DoLogon("Locked", "wrong"));
    EXPECT_EQ(MAPI_E_LOGON_FAILED, DoLogon("Locked", nullptr));
    EXPECT_TRUE(FAILED(DoLogon("Nobody", nullptr)));
    IDispatch* pItem = nullptr;
    EXPECT_EQ(MAPI_E_LOGON_FAILED, GetItem(m_entryHex, std::nullopt, &pItem));

    ASSERT_EQ(S_OK, DoLogon("Locked", "s3cret"));
    // Logged on once, the namespace stays with that profile: the Work item is not in it.
    EXPECT_EQ(S_OK, DoLogon("Work", nullptr));
    EXPECT_TRUE(FAILED(GetItem(m_entryHex, std::nullopt, &pItem)));
}

TEST_F(MailClientTest, DisplayWithoutAViewerFailsClearly) {
    ASSERT_EQ(S_OK, DoLogon("Work", nullptr));
    IDispatch* pItem = nullptr;
    ASSERT_EQ(S_OK, GetItem(m_entryHex, std::nullopt, &pItem));
    SetItemViewer(nullptr);
    EXCEPINFO info{};
    EXPECT_EQ(DISP_E_EXCEPTION, Call(pItem, "Display", DISPATCH_METHOD, {}, nullptr, nullptr, &info));
    EXPECT_EQ(E_FAIL, info.scode);
    ClearExcepInfo(&info);
    SetItemViewer(&m_viewer);
    m_viewer.m_hrResult = E_OUTOFMEMORY;
    EXPECT_EQ(E_OUTOFMEMORY, Call(pItem, "Display", DISPATCH_METHOD));
    pItem->Release();
}

}  // namespace
