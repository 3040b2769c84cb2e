// Opening a found item in the mail client: the calls made, their arguments, the session kept by
// the opener, and every failure, against a scripted mail client and against the real one.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/EntryReference.h"
#include "model/ContactInfo.h"
#include "model/StoreInfo.h"
#include "platform/automation/ComInit.h"
#include "platform/automation/ComRuntime.h"
#include "platform/automation/DispatchObject.h"
#include "platform/automation/HexKey.h"
#include "platform/automation/MailClient.h"
#include "tests/automation/AutomationTestSupport.h"
#include "tests/model/ConfigTestAccess.h"
#include "ui/OpenItemInOutlook.h"

namespace {

using mapitest::Ref;
using Texts = std::vector<std::string>;

// What the scripted mail client answers, and what it was asked.
struct Script {
    VARTYPE sessionType = VT_DISPATCH;
    bool sessionNull = false;
    HRESULT logonResult = S_OK;
    VARTYPE itemType = VT_DISPATCH;
    bool itemNull = false;
    HRESULT displayResult = S_OK;

    std::vector<std::string> calls;
    std::vector<std::string> logonArgs;  // logical order, as Describe() shows them
    std::vector<std::string> itemArgs;
};

// A text as "'text'" or "null text", a truth value as "false" or "true"; anything else by type.
std::string Describe(const VARIANT& v) {
    if (v.vt == VT_BSTR)
        return v.bstrVal == nullptr ? "null text" : "'" + Utf8FromBstr(v.bstrVal) + "'";
    if (v.vt == VT_BOOL && (v.boolVal == VARIANT_FALSE || v.boolVal == VARIANT_TRUE))
        return v.boolVal == VARIANT_TRUE ? "true" : "false";
    return "type " + std::to_string(v.vt);
}

const DispMember FAKE_MEMBERS[] = {
    {"Session", 1, DISPATCH_PROPERTYGET, 0, 0},
    {"Logon", 2, DISPATCH_METHOD, 0, 4},
    {"GetItemFromID", 3, DISPATCH_METHOD, 1, 2},
    {"Display", 4, DISPATCH_METHOD, 0, 1},
    {nullptr, 0, 0, 0, 0},
};

// One class plays application, namespace and item: each call is logged by name.
class FakeObject : public CDispatchObject {
public:
    explicit FakeObject(Script& script) : m_script(script) {}

protected:
    const DispMember* Members() const override { return FAKE_MEMBERS; }
    const char* SourceName() const override { return "fake"; }
    HRESULT InvokeMember(DISPID dispid, const CDispArgs& args, VARIANT* pResult, UINT*,
                         DispFailure&) override {
        // Answers with a new object, an object variant without one, or a value of another type.
        auto answer = [&](VARTYPE vt, bool bNull) {
            pResult->vt = vt;
            if (vt == VT_DISPATCH)
                pResult->pdispVal = bNull ? nullptr : new FakeObject(m_script);
            return S_OK;
        };
        bool modal = true;
        switch (dispid) {
            case 1:
                m_script.calls.push_back("Session");
                return answer(m_script.sessionType, m_script.sessionNull);
            case 2:
                m_script.calls.push_back("Logon");
                for (UINT i = 0; i < args.Count(); ++i)
                    m_script.logonArgs.push_back(Describe(*args.Resolve(i)));
                return m_script.logonResult;
            case 3:
                m_script.calls.push_back("GetItemFromID");
                for (UINT i = 0; i < args.Count(); ++i)
                    m_script.itemArgs.push_back(Utf8FromBstr(args.Resolve(i)->bstrVal));
                return answer(m_script.itemType, m_script.itemNull);
            case 4:
                args.GetBool(0, true, modal, nullptr);
                m_script.calls.push_back(modal ? "Display(modal)" : "Display");
                return m_script.displayResult;
            default:
                return DISP_E_MEMBERNOTFOUND;
        }
    }

private:
    Script& m_script;
};

// A configuration with a profile and stores given directly, as a search would have left it.
class TestConfig : public CContactInfo {
public:
    // Held by the caller, with the store of index 0 known by storeKey.
    static TestConfig* Make(const char* pszProfile, const std::string& storeKey) {
        auto* pConfig = new TestConfig;
        pConfig->AddRef();
        pConfig->SetProfile(pszProfile);
        pConfig->AddStoreKey(storeKey);
        return pConfig;
    }
    void SetProfile(const char* pszProfile) { CConfigInfoTestAccess::SetProfileName(this, pszProfile); }
    void AddStoreKey(const std::string& key) { CConfigInfoTestAccess::AddStore(this, key, "", "Store"); }
};

CEntryReference* MakeEntry(LONG lStoreIndex, const std::string& entryId) {
    auto* pEntry = new CEntryReference(1);
    pEntry->AddRef();
    SBinary profileKey = {1, const_cast<BYTE*>(reinterpret_cast<const BYTE*>("P"))};
    SBinary eid = {static_cast<ULONG>(entryId.size()),
                   const_cast<BYTE*>(reinterpret_cast<const BYTE*>(entryId.data()))};
    EXPECT_EQ(S_OK, pEntry->Init(&profileKey, lStoreIndex, 0, &eid, FILETIME{0, 0}, "subject"));
    return pEntry;
}

// The opener against the scripted mail client, offered to the process under the real class id.
class OpenItemScriptedTest : public autotest::AutomationTest {
protected:
    void SetUp() override {
        AutomationTest::SetUp();
        ASSERT_EQ(S_OK, CoRegisterClassObject(CLSID_MailApplication, &m_factory, CLSCTX_LOCAL_SERVER,
                                              REGCLS_MULTIPLEUSE, &m_dwCookie));
        m_config.p = TestConfig::Make("Work", std::string("\x00\xAB\x10", 3));
        m_entry.p = MakeEntry(0, std::string("\x01\x02\xFE", 3));
        m_opener = std::make_unique<COpenItemInOutlook>();
    }
    void TearDown() override {
        m_opener.reset();
        CoRevokeClassObject(m_dwCookie);
        AutomationTest::TearDown();
    }

    Script m_script;
    autotest::CountingFactory m_factory{[this] { return new FakeObject(m_script); }};
    DWORD m_dwCookie = 0;
    Ref<TestConfig> m_config;
    Ref<CEntryReference> m_entry;
    std::unique_ptr<COpenItemInOutlook> m_opener;
};

TEST_F(OpenItemScriptedTest, FirstOpenLogsOnAndLaterOpensOnlyFetchAndDisplay) {
    ASSERT_EQ(S_OK, m_opener->OpenEntry(m_config, m_entry));
    EXPECT_EQ((Texts{"Session", "Logon", "GetItemFromID", "Display"}), m_script.calls);
    EXPECT_EQ(1, m_factory.m_created);
    // Entry id first, then the store's id, each as upper-case hex of its bytes.
    EXPECT_EQ((Texts{"0102FE", "00AB10"}), m_script.itemArgs);

    // The session stays with the first profile even when the configuration's profile changes.
    m_config->SetProfile("Other");
    m_script.calls.clear();
    ASSERT_EQ(S_OK, m_opener->OpenEntry(m_config, m_entry));
    EXPECT_EQ((Texts{"GetItemFromID", "Display"}), m_script.calls);
    EXPECT_EQ(1, m_factory.m_created);
}

TEST_F(OpenItemScriptedTest, AnswersThatAreNoObjectsAreRefusedInsteadOfCalled) {
    m_script.sessionType = VT_I4;
    EXPECT_EQ(E_UNEXPECTED, m_opener->OpenEntry(m_config, m_entry));
    EXPECT_FALSE(m_opener->HasOutlookSession());
    m_script.sessionType = VT_DISPATCH;
    m_script.sessionNull = true;
    EXPECT_EQ(E_UNEXPECTED, m_opener->OpenEntry(m_config, m_entry));
    EXPECT_FALSE(m_opener->HasOutlookSession());
    m_script.sessionNull = false;
    m_script.itemType = VT_EMPTY;
    EXPECT_EQ(E_UNEXPECTED, m_opener->OpenEntry(m_config, m_entry));
    m_script.itemType = VT_DISPATCH;
    m_script.itemNull = true;
    EXPECT_EQ(E_UNEXPECTED, m_opener->OpenEntry(m_config, m_entry));
    EXPECT_EQ((Texts{"Session", "Session", "Session", "Logon", "GetItemFromID", "GetItemFromID"}),
              m_script.calls);
    m_script.itemNull = false;
    m_script.displayResult = E_ACCESSDENIED;
    EXPECT_EQ(E_ACCESSDENIED, m_opener->OpenEntry(m_config, m_entry));
}

TEST_F(OpenItemScriptedTest, FailedLogonStartsAgainAtTheNextOpen) {
    m_script.logonResult = MAPI_E_LOGON_FAILED;
    EXPECT_EQ(MAPI_E_LOGON_FAILED, m_opener->OpenEntry(m_config, m_entry));
    EXPECT_FALSE(m_opener->HasOutlookSession());
    m_script.logonResult = S_OK;
    // No password is passed as a null string, a stored empty one as an empty string.
    m_config->SetProfilePassword("");
    ASSERT_TRUE(m_config->HasProfilePassword());
    ASSERT_EQ(S_OK, m_opener->OpenEntry(m_config, m_entry));
    EXPECT_EQ(2, m_factory.m_created);
    EXPECT_EQ((Texts{"Session", "Logon", "Session", "Logon", "GetItemFromID", "Display"}), m_script.calls);
    EXPECT_EQ((Texts{"'Work'", "null text", "false", "false", "'Work'", "''", "false", "false"}),
              m_script.logonArgs);
}

TEST_F(OpenItemScriptedTest, MissingKeysAndStoresFailBeforeAnyItemCall) {
    // A store without a key gives no hex text: refused before the mail client is asked.
    m_config->AddStoreKey(std::string());
    Ref<CEntryReference> keyless(MakeEntry(1, "\x01"));
    EXPECT_EQ(E_INVALIDARG, m_opener->OpenEntry(m_config, keyless));
    Ref<CEntryReference> noStore(MakeEntry(5, "\x01"));
    EXPECT_EQ(E_FAIL, m_opener->OpenEntry(m_config, noStore));
    EXPECT_EQ((Texts{"Session", "Logon"}), m_script.calls);
    EXPECT_EQ(E_FAIL, m_opener->OpenEntry(nullptr, m_entry));
    EXPECT_EQ(E_UNEXPECTED, m_opener->OpenEntry(m_config, nullptr));
}

TEST_F(OpenItemScriptedTest, OperationsCheckTheirArguments) {
    IDispatch* pItem = nullptr;
    EXPECT_EQ(E_UNEXPECTED, m_opener->GetItem("00", "00", &pItem));
    EXPECT_EQ(E_INVALIDARG, m_opener->DisplayItem(nullptr));
    DISPID dispid = 0;
    EXPECT_EQ(E_INVALIDARG, COpenItemInOutlook::GetDispID(nullptr, "Display", &dispid));
    EXPECT_EQ(E_INVALIDARG, m_opener->InitOutlookSession(nullptr, nullptr));
    ASSERT_EQ(S_OK, m_opener->InitOutlookSession("Work", nullptr));
    EXPECT_EQ(S_OK, m_opener->InitOutlookSession("Work", nullptr));  // kept: no second logon
    EXPECT_EQ(E_INVALIDARG, m_opener->GetItem(nullptr, "00", &pItem));
    EXPECT_EQ(E_INVALIDARG, m_opener->GetItem("00", nullptr, &pItem));
    EXPECT_EQ(nullptr, pItem);
    EXPECT_EQ((Texts{"Session", "Logon"}), m_script.calls);
}

TEST_F(OpenItemScriptedTest, UnregisteredMailClientKeepsNothing) {
    ASSERT_EQ(S_OK, UnregisterMailClientClasses());
    EXPECT_EQ(CO_E_CLASSSTRING, m_opener->OpenEntry(m_config, m_entry));
    EXPECT_EQ(0, m_factory.m_created);
    EXPECT_FALSE(m_opener->HasOutlookSession());
}

// The opener against the mail client itself, on a real profile.
class OpenItemTest : public autotest::AutomationTest {};

TEST_F(OpenItemTest, OpensTheFoundItemOfAPasswordProfile) {
    MakeProfile("Home", "pw", "home.pst", "Home Store");
    Ref<IMAPISession> session(Logon("Home", "pw"));
    const std::string storeId = StoreEntryId(session, "Home Store");
    Ref<IMsgStore> store(OpenStore(session, "Home Store"));
    Ref<IMAPIFolder> tasks(OpenNamedFolder(store, "Tasks"));
    const std::string entryId = AddMessage(tasks, "IPM.Task", "Pay the rent");
    session->Logoff(0, 0, 0);

    Ref<TestConfig> config(TestConfig::Make("Home", storeId));
    Ref<CEntryReference> entry(MakeEntry(0, entryId));
    COpenItemInOutlook opener;
    EXPECT_EQ(MAPI_E_LOGON_FAILED, opener.OpenEntry(config, entry));
    EXPECT_TRUE(m_viewer.m_items.empty());
    config->SetProfilePassword("pw");
    ASSERT_EQ(S_OK, opener.OpenEntry(config, entry));
    ASSERT_EQ(1u, m_viewer.m_items.size());
    EXPECT_EQ("IPM.Task", m_viewer.m_items[0].messageClass);
    EXPECT_EQ("Pay the rent", m_viewer.m_items[0].subject);
    EXPECT_EQ(BytesToHex(entryId), m_viewer.m_items[0].entryIdHex);
    EXPECT_FALSE(m_viewer.m_modal[0]);
}

}  // namespace
