// Logon and store opening against real profiles and stores of the message-store service,
// including the password retry through service administration.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "model/ConfigInfo.h"
#include "model/Session.h"
#include "model/StoreInfo.h"
#include "platform/mapi/MAPITestHooks.h"
#include "platform/mapi/MAPIX.h"
#include "tests/model/PropTestSupport.h"

using proptest::TraceCapture;

namespace {

// A configuration of a named profile (the profile chooser is not part of these tests).
class CProfileConfig : public CConfigInfo {
public:
    explicit CProfileConfig(const char* pszProfile) : m_strProfile(pszProfile) {}
    CString GetProfileName() override { return m_strProfile; }

private:
    CString m_strProfile;
};

template <class T>
void ReleaseAndClear(T*& p) {
    if (p != nullptr) {
        p->Release();
        p = nullptr;
    }
}

class SessionTest : public ::testing::Test {
protected:
    void SetUp() override {
        CMAPITestHooks::Reset();
        m_objects = CMAPITestHooks::LiveObjects();
        m_buffers = CMAPITestHooks::LiveBuffers();
        ASSERT_EQ(S_OK, MAPIInitialize(nullptr));
    }
    void TearDown() override {
        ReleaseAndClear(m_pStore);
        MAPIUninitialize();
        CMAPITestHooks::Reset();
        EXPECT_EQ(m_objects, CMAPITestHooks::LiveObjects()) << "MAPI objects left unreleased";
        EXPECT_EQ(m_buffers, CMAPITestHooks::LiveBuffers()) << "MAPI buffers left unfreed";
    }

    // A profile with one personal-folders store (with a password when one is given).
    void MakeProfile(const char* pszProfile, const char* pszProfilePassword, const char* pszStorePassword) {
        LPPROFADMIN lpAdmin = nullptr;
        ASSERT_EQ(S_OK, MAPIAdminProfiles(0, &lpAdmin));
        ASSERT_EQ(S_OK, lpAdmin->CreateProfile(pszProfile, pszProfilePassword, 0, 0));
        LPSERVICEADMIN lpServices = nullptr;
        ASSERT_EQ(S_OK, lpAdmin->AdminServices(pszProfile, pszProfilePassword, 0, 0, &lpServices));
        ASSERT_EQ(S_OK, lpServices->CreateMsgService("MSPST MS", "Personal Folders", 0, 0));
        LPMAPITABLE lpTable = nullptr;
        ASSERT_EQ(S_OK, lpServices->GetMsgServiceTable(0, &lpTable));
        LPSRowSet lpRows = nullptr;
        ASSERT_EQ(S_OK, lpTable->QueryRows(10, 0, &lpRows));
        ASSERT_EQ(1u, lpRows->cRows);
        ASSERT_EQ(PR_SERVICE_UID, lpRows->aRow[0].lpProps[0].ulPropTag);
        std::memcpy(m_serviceUid.ab, lpRows->aRow[0].lpProps[0].Value.bin.lpb, 16);
        FreeProws(lpRows);
        lpTable->Release();
        const std::string path = m_root.Path() + "/personal.pst";
        SPropValue values[2]{};
        values[0].ulPropTag = PR_PST_PATH;
        values[0].Value.lpszA = const_cast<LPSTR>(path.c_str());
        values[1].ulPropTag = PR_PST_PW_SZ_NEW;
        values[1].Value.lpszA = const_cast<LPSTR>(pszStorePassword != nullptr ? pszStorePassword : "");
        ASSERT_EQ(S_OK, lpServices->ConfigureMsgService(&m_serviceUid, 0, 0, 2, values));
        lpServices->Release();
        lpAdmin->Release();
    }

    // The store record of the profile's one store, read from the session's stores table.
    CStoreInfo* StoreRecord(IMAPISession* lpSession) {
        LPMAPITABLE lpTable = nullptr;
        EXPECT_EQ(S_OK, lpSession->GetMsgStoresTable(0, &lpTable));
        SizedSPropTagArray(2, columns) = {2, {PR_ENTRYID, PR_INSTANCE_KEY}};
        EXPECT_EQ(S_OK, lpTable->SetColumns(reinterpret_cast<LPSPropTagArray>(&columns), 0));
        LPSRowSet lpRows = nullptr;
        EXPECT_EQ(S_OK, lpTable->QueryRows(10, 0, &lpRows));
        CStoreInfo* pStore = new CStoreInfo;
        pStore->AddRef();
        EXPECT_EQ(1u, lpRows->cRows);
        const SBinary& eid = lpRows->aRow[0].lpProps[0].Value.bin;
        const SBinary& key = lpRows->aRow[0].lpProps[1].Value.bin;
        EXPECT_EQ(S_OK, pStore->Init(eid.cb, eid.lpb, key.cb, key.lpb));
        FreeProws(lpRows);
        lpTable->Release();
        return pStore;
    }

    // Whether the service still hands its store a remembered password: a plain open tells.
    bool ServiceRemembersPassword(IMAPISession* lpSession, CStoreInfo* pStore) {
        SBinary key{};
        EXPECT_EQ(S_OK, pStore->GetStoreKey(&key));
        ULONG ulType = 0;
        LPUNKNOWN lpUnk = nullptr;
        HRESULT hr = lpSession->OpenEntry(key.cb, reinterpret_cast<LPENTRYID>(key.lpb), nullptr,
                                          MAPI_BEST_ACCESS, &ulType, &lpUnk);
        free(key.lpb);
        ReleaseAndClear(lpUnk);
        return SUCCEEDED(hr);
    }

    qrvtest::TempRoot m_root;
    LONG m_objects = 0;
    LONG m_buffers = 0;
    MAPIUID m_serviceUid{};
    IMsgStore* m_pStore = nullptr;
};

TEST_F(SessionTest, LogonUsesTheStoredProfilePasswordOrNone) {
    MakeProfile("Open", "", nullptr);
    MakeProfile("Locked", "profile-secret", nullptr);

    CProfileConfig open("Open");
    IMAPISession* lpSession = nullptr;
    ASSERT_EQ(S_OK, RetrieveSession(&open, &lpSession));
    ASSERT_NE(nullptr, lpSession);
    lpSession->Logoff(0, 0, 0);
    ReleaseAndClear(lpSession);

    CProfileConfig locked("Locked");
    EXPECT_EQ(MAPI_E_LOGON_FAILED, RetrieveSession(&locked, &lpSession));
    EXPECT_EQ(nullptr, lpSession);
    ASSERT_EQ(S_OK, locked.SetProfilePassword("profile-secret"));
    ASSERT_EQ(S_OK, RetrieveSession(&locked, &lpSession));
    lpSession->Logoff(0, 0, 0);
    ReleaseAndClear(lpSession);

    CProfileConfig missing("NoSuchProfile");
    EXPECT_TRUE(FAILED(RetrieveSession(&missing, &lpSession)));
    EXPECT_EQ(E_INVALIDARG, RetrieveSession(nullptr, &lpSession));
    EXPECT_EQ(E_INVALIDARG, RetrieveSession(&open, nullptr));
}

TEST_F(SessionTest, OpensAnUnprotectedStoreAtOnce) {
    MakeProfile("Plain", "", nullptr);
    CProfileConfig config("Plain");
    IMAPISession* lpSession = nullptr;
    ASSERT_EQ(S_OK, RetrieveSession(&config, &lpSession));
    CStoreInfo* pStore = StoreRecord(lpSession);
    EXPECT_EQ(S_OK, OpenStore(&config, lpSession, pStore, &m_pStore, TRUE));
    EXPECT_NE(nullptr, m_pStore);
    ReleaseAndClear(m_pStore);
    EXPECT_EQ(S_OK, OpenStore(&config, lpSession, pStore, &m_pStore, FALSE));
    EXPECT_NE(nullptr, m_pStore);
    ReleaseAndClear(m_pStore);

    // Argument checks, in their order.
    EXPECT_EQ(E_UNEXPECTED, OpenStore(nullptr, lpSession, pStore, &m_pStore, FALSE));
    EXPECT_EQ(E_INVALIDARG, OpenStore(&config, lpSession, nullptr, &m_pStore, FALSE));
    EXPECT_EQ(E_INVALIDARG, OpenStore(&config, lpSession, pStore, nullptr, FALSE));
    EXPECT_EQ(E_INVALIDARG, OpenStore(&config, nullptr, pStore, &m_pStore, FALSE));
    EXPECT_EQ(nullptr, m_pStore);

    pStore->Release();
    lpSession->Logoff(0, 0, 0);
    lpSession->Release();
}

TEST_F(SessionTest, ProtectedStoreWithoutAKeptPasswordIsNotRetried) {
    MakeProfile("Pst", "", "store-secret");
    CProfileConfig config("Pst");
    IMAPISession* lpSession = nullptr;
    ASSERT_EQ(S_OK, RetrieveSession(&config, &lpSession));
    CStoreInfo* pStore = StoreRecord(lpSession);
    TraceCapture trace;
    EXPECT_EQ(MAPI_E_FAILONEPROVIDER, OpenStore(&config, lpSession, pStore, &m_pStore, FALSE));
    EXPECT_EQ(nullptr, m_pStore);
    EXPECT_TRUE(trace.Contains("Password protetced store, but no password specified!\n"));
    pStore->Release();
    lpSession->Logoff(0, 0, 0);
    lpSession->Release();
}

TEST_F(SessionTest, PasswordIsHandedToTheServiceForOneOpenOnly) {
    MakeProfile("Pst", "", "store-secret");
    CProfileConfig config("Pst");
    IMAPISession* lpSession = nullptr;
    ASSERT_EQ(S_OK, RetrieveSession(&config, &lpSession));
    CStoreInfo* pStore = StoreRecord(lpSession);
    pStore->SetPassword("store-secret");

    ASSERT_EQ(S_OK, OpenStore(&config, lpSession, pStore, &m_pStore, TRUE));
    ASSERT_NE(nullptr, m_pStore);
    ReleaseAndClear(m_pStore);
    EXPECT_FALSE(ServiceRemembersPassword(lpSession, pStore)) << "the password stayed in the profile";

    // A wrong password: the store stays closed, and the profile keeps nothing.
    pStore->SetPassword("wrong");
    EXPECT_EQ(MAPI_E_FAILONEPROVIDER, OpenStore(&config, lpSession, pStore, &m_pStore, FALSE));
    EXPECT_EQ(nullptr, m_pStore);
    EXPECT_FALSE(ServiceRemembersPassword(lpSession, pStore));

    pStore->Release();
    lpSession->Logoff(0, 0, 0);
    lpSession->Release();
}

// The second open fails for another reason than the password: the password set for it must
// still be taken back out of the profile.
TEST_F(SessionTest, PasswordIsTakenBackWhenTheSecondOpenFails) {
    MakeProfile("Pst", "", "store-secret");
    CProfileConfig config("Pst");
    IMAPISession* lpSession = nullptr;
    ASSERT_EQ(S_OK, RetrieveSession(&config, &lpSession));
    CStoreInfo* pStore = StoreRecord(lpSession);
    pStore->SetPassword("store-secret");

    CMAPITestHooks::FailOpenEntry(2, MAPI_E_NETWORK_ERROR);
    EXPECT_EQ(MAPI_E_NETWORK_ERROR, OpenStore(&config, lpSession, pStore, &m_pStore, FALSE));
    CMAPITestHooks::Reset();
    EXPECT_EQ(nullptr, m_pStore);
    EXPECT_FALSE(ServiceRemembersPassword(lpSession, pStore)) << "the password stayed in the profile";

    pStore->Release();
    lpSession->Logoff(0, 0, 0);
    lpSession->Release();
}

TEST_F(SessionTest, StoreRecordThatNoServiceProvidesFails) {
    MakeProfile("Pst", "", "store-secret");
    CProfileConfig config("Pst");
    IMAPISession* lpSession = nullptr;
    ASSERT_EQ(S_OK, RetrieveSession(&config, &lpSession));
    CStoreInfo* pReal = StoreRecord(lpSession);
    // The right entry id with an instance key that no provider row has.
    SBinary eid{};
    ASSERT_EQ(S_OK, pReal->GetStoreKey(&eid));
    CStoreInfo* pStore = new CStoreInfo;
    pStore->AddRef();
    const BYTE bogus[4] = {1, 2, 3, 4};
    ASSERT_EQ(S_OK, pStore->Init(eid.cb, eid.lpb, 4, bogus));
    free(eid.lpb);
    pStore->SetPassword("store-secret");
    TraceCapture trace;
    EXPECT_EQ(E_FAIL, OpenStore(&config, lpSession, pStore, &m_pStore, FALSE));
    EXPECT_TRUE(trace.Contains("QueryRows() returned 0 rows. Expected exactly 1!\n"));
    EXPECT_EQ(nullptr, m_pStore);
    pStore->Release();
    pReal->Release();
    lpSession->Logoff(0, 0, 0);
    lpSession->Release();
}

}  // namespace
