// The mail client's object model: dispatch by name (name lookup, member kinds, argument checks and
// the failures a caller sees with and without an exception description), then on real profiles
// Logon, GetItemFromID with hex entry and store ids, Display, and what each failure leaves behind.
#include "tests/automation/AutomationTestSupport.h"

#include <algorithm>
#include <optional>

#include "platform/automation/HexKey.h"
#include "platform/mapi/MAPIX.h"

namespace {

using namespace autotest;
using mapitest::Ref;

using DispatchTest = SessionTest;

TEST_F(DispatchTest, NamesAreLookedUpWithoutCase) {
    BSTR names[1] = {BstrFromUtf8("getitemfromid")};
    DISPID ids[1] = {0};
    EXPECT_EQ(S_OK, m_pSession->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, ids));
    EXPECT_NE(DISPID_UNKNOWN, ids[0]);
    EXPECT_EQ(DISP_E_UNKNOWNINTERFACE,
              m_pSession->GetIDsOfNames(IID_IDispatch, names, 1, LOCALE_USER_DEFAULT, ids));
    SysFreeString(names[0]);

    EXPECT_EQ(DISP_E_UNKNOWNNAME, Call(m_pSession, "Logoff", DISPATCH_METHOD));
    EXPECT_EQ(DISP_E_UNKNOWNNAME, Call(m_pApplication, "Logon", DISPATCH_METHOD));
}

TEST_F(DispatchTest, ArgumentTypesAndCountsAreChecked) {
    UINT uArgErr = 0;
    EXPECT_EQ(DISP_E_TYPEMISMATCH, Call(m_pSession, "Logon", DISPATCH_METHOD,
                                        {Long(7), Text(""), Bool(false), Bool(false)}, nullptr, &uArgErr));
    EXPECT_EQ(3u, uArgErr);  // the first argument sits last in the reversed array
    EXPECT_EQ(DISP_E_TYPEMISMATCH, Call(m_pSession, "Logon", DISPATCH_METHOD,
                                        {Text("p"), Text(""), Text("yes"), Bool(false)}, nullptr, &uArgErr));
    EXPECT_EQ(1u, uArgErr);
    EXPECT_EQ(DISP_E_BADPARAMCOUNT,
              Call(m_pSession, "GetItemFromID", DISPATCH_METHOD, {Text("a"), Text("b"), Text("c")}));
    EXPECT_EQ(DISP_E_BADPARAMCOUNT, Call(m_pSession, "GetItemFromID", DISPATCH_METHOD));
    EXPECT_EQ(DISP_E_PARAMNOTOPTIONAL,
              Call(m_pSession, "GetItemFromID", DISPATCH_METHOD, {Missing(), Text("00")}, nullptr, &uArgErr));
    EXPECT_EQ(1u, uArgErr);

    // Named arguments are refused before anything runs.
    BSTR name = BstrFromUtf8("GetItemFromID");
    DISPID dispid = DISPID_UNKNOWN;
    ASSERT_EQ(S_OK, m_pSession->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &dispid));
    SysFreeString(name);
    VARIANT arg;
    VariantInit(&arg);
    DISPID named = 0;
    DISPPARAMS params = {&arg, &named, 1, 1};
    auto invoke = [&](DISPID id, DISPPARAMS* pParams) {
        return m_pSession->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, pParams, nullptr,
                                  nullptr, nullptr);
    };
    EXPECT_EQ(DISP_E_NONAMEDARGS, invoke(dispid, &params));
    EXPECT_EQ(E_INVALIDARG, invoke(dispid, nullptr));
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, invoke(4711, &params));
}

TEST_F(DispatchTest, SessionIsOnePropertyObjectThatOutlivesTheApplication) {
    Variant result;
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, Call(m_pApplication, "Session", DISPATCH_METHOD, &result));
    EXPECT_EQ(VT_EMPTY, result.vt);
    IDispatch* pAgain = GetSession(m_pApplication);
    EXPECT_EQ(m_pSession, pAgain);
    pAgain->Release();
    m_pApplication->Release();
    m_pApplication = nullptr;

    // Not logged on: without an exception structure the caller gets the reason's own code.
    EXPECT_EQ(MAPI_E_LOGON_FAILED,
              Call(m_pSession, "GetItemFromID", DISPATCH_METHOD, {Text("00AB10")}, &result));
    EXPECT_EQ(VT_EMPTY, result.vt);
    EXCEPINFO info{};
    EXPECT_EQ(DISP_E_EXCEPTION,
              Call(m_pSession, "GetItemFromID", DISPATCH_METHOD, {Text("00AB10")}, &result, nullptr, &info));
    EXPECT_EQ(MAPI_E_LOGON_FAILED, info.scode);
    EXPECT_EQ("The namespace is not logged on to a profile.", Utf8FromBstr(info.bstrDescription));
    EXPECT_FALSE(Utf8FromBstr(info.bstrSource).empty());
    ClearExcepInfo(&info);
    EXPECT_EQ(nullptr, info.bstrDescription);
}

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
        EXPECT_EQ(VT_BSTR, result.vt);
        return result.vt == VT_BSTR ? Utf8FromBstr(result.bstrVal) : std::string();
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
