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
#include "tests/model/ConfigTestAccess.h"
#include "tests/model/PropTestSupport.h"

using proptest::TraceCapture;

namespace {

class SessionTest : public ::testing::Test {
protected:
    void SetUp() override {
        CMAPITestHooks::Reset();
        m_objects = CMAPITestHooks::LiveObjects();
        m_buffers = CMAPITestHooks::LiveBuffers();
        ASSERT_EQ(S_OK, MAPIInitialize(nullptr));
    }
    void TearDown() override {
        if (m_pStore != nullptr)
            m_pStore->Release();
        if (m_pRecord != nullptr)
            m_pRecord->Release();
        if (m_lpSession != nullptr) {
            m_lpSession->Logoff(0, 0, 0);
            m_lpSession->Release();
        }
        MAPIUninitialize();
        CMAPITestHooks::Reset();
        EXPECT_EQ(m_objects, CMAPITestHooks::LiveObjects()) << "MAPI objects left unreleased";
        EXPECT_EQ(m_buffers, CMAPITestHooks::LiveBuffers()) << "MAPI buffers left unfreed";
    }

    // A profile with one personal-folders store (protected when a store password is given); the
    // configuration names it.
    void MakeProfile(const char* pszProfile, const char* pszProfilePassword,
                     const char* pszStorePassword = "") {
        LPPROFADMIN lpAdmin = nullptr;
        ASSERT_EQ(S_OK, MAPIAdminProfiles(0, &lpAdmin));
        ASSERT_EQ(S_OK, lpAdmin->CreateProfile(pszProfile, pszProfilePassword, 0, 0));
        LPSERVICEADMIN lpServices = nullptr;
        ASSERT_EQ(S_OK, lpAdmin->AdminServices(pszProfile, pszProfilePassword, 0, 0, &lpServices));
        ASSERT_EQ(S_OK, lpServices->CreateMsgService("MSPST MS", "Personal Folders", 0, 0));
        LPMAPITABLE lpTable = nullptr;
        LPSRowSet lpRows = nullptr;
        ASSERT_EQ(S_OK, lpServices->GetMsgServiceTable(0, &lpTable));
        ASSERT_EQ(S_OK, lpTable->QueryRows(10, 0, &lpRows));
        MAPIUID uid;
        std::memcpy(uid.ab, lpRows->aRow[0].lpProps[0].Value.bin.lpb, 16);
        FreeProws(lpRows);
        lpTable->Release();
        const std::string path = m_root.Path() + "/" + pszProfile + ".pst";
        SPropValue values[2] = {{PR_PST_PATH, 0, {.lpszA = const_cast<LPSTR>(path.c_str())}},
                                {PR_PST_PW_SZ_NEW, 0, {.lpszA = const_cast<LPSTR>(pszStorePassword)}}};
        ASSERT_EQ(S_OK, lpServices->ConfigureMsgService(&uid, 0, 0, 2, values));
        lpServices->Release();
        lpAdmin->Release();
        CConfigInfoTestAccess::SetProfileName(&m_config, pszProfile);
    }

    // Logs on to the configuration's profile and makes the record of its one store.
    void Open() {
        ASSERT_EQ(S_OK, RetrieveSession(&m_config, &m_lpSession));
        LPMAPITABLE lpTable = nullptr;
        LPSRowSet lpRows = nullptr;
        ASSERT_EQ(S_OK, m_lpSession->GetMsgStoresTable(0, &lpTable));
        SizedSPropTagArray(2, columns) = {2, {PR_ENTRYID, PR_INSTANCE_KEY}};
        ASSERT_EQ(S_OK, lpTable->SetColumns(reinterpret_cast<LPSPropTagArray>(&columns), 0));
        ASSERT_EQ(S_OK, lpTable->QueryRows(10, 0, &lpRows));
        const SBinary& eid = lpRows->aRow[0].lpProps[0].Value.bin;
        const SBinary& key = lpRows->aRow[0].lpProps[1].Value.bin;
        m_pRecord = new CStoreInfo;
        m_pRecord->AddRef();
        EXPECT_EQ(S_OK, m_pRecord->Init(eid.cb, eid.lpb, key.cb, key.lpb));
        FreeProws(lpRows);
        lpTable->Release();
    }

    // Whether the service still hands its store a remembered password: a plain open tells.
    bool ServiceRemembersPassword() {
        SBinary key{};
        EXPECT_EQ(S_OK, m_pRecord->GetStoreKey(&key));
        ULONG ulType = 0;
        LPUNKNOWN lpUnk = nullptr;
        HRESULT hr = m_lpSession->OpenEntry(key.cb, reinterpret_cast<LPENTRYID>(key.lpb), nullptr,
                                            MAPI_BEST_ACCESS, &ulType, &lpUnk);
        free(key.lpb);
        if (lpUnk != nullptr)
            lpUnk->Release();
        return SUCCEEDED(hr);
    }
    HRESULT OpenRecord(BOOL bModify = FALSE) {
        if (m_pStore != nullptr)
            m_pStore->Release();
        m_pStore = nullptr;
        return OpenStore(&m_config, m_lpSession, m_pRecord, &m_pStore, bModify);
    }

    qrvtest::TempRoot m_root;
    CConfigInfo m_config;
    LONG m_objects = 0;
    LONG m_buffers = 0;
    IMAPISession* m_lpSession = nullptr;
    CStoreInfo* m_pRecord = nullptr;
    IMsgStore* m_pStore = nullptr;
};

TEST_F(SessionTest, LogonUsesTheStoredProfilePasswordOrNone) {
    MakeProfile("Locked", "profile-secret");
    IMAPISession* lpSession = nullptr;
    EXPECT_EQ(MAPI_E_LOGON_FAILED, RetrieveSession(&m_config, &lpSession));
    EXPECT_EQ(nullptr, lpSession);
    ASSERT_EQ(S_OK, m_config.SetProfilePassword("profile-secret"));
    Open();
    EXPECT_EQ(S_OK, OpenRecord());

    EXPECT_EQ(E_INVALIDARG, RetrieveSession(nullptr, &lpSession));
    EXPECT_EQ(E_INVALIDARG, RetrieveSession(&m_config, nullptr));
    CConfigInfoTestAccess::SetProfileName(&m_config, "NoSuchProfile");
    EXPECT_TRUE(FAILED(RetrieveSession(&m_config, &lpSession)));
}

TEST_F(SessionTest, OpensAnUnprotectedStoreAtOnceAndChecksArguments) {
    MakeProfile("Plain", "");
    Open();
    EXPECT_EQ(S_OK, OpenRecord(TRUE));
    EXPECT_NE(nullptr, m_pStore);
    EXPECT_EQ(S_OK, OpenRecord(FALSE));
    EXPECT_NE(nullptr, m_pStore);

    IMsgStore* lpStore = nullptr;
    EXPECT_EQ(E_UNEXPECTED, OpenStore(nullptr, m_lpSession, m_pRecord, &lpStore, FALSE));
    EXPECT_EQ(E_INVALIDARG, OpenStore(&m_config, m_lpSession, nullptr, &lpStore, FALSE));
    EXPECT_EQ(E_INVALIDARG, OpenStore(&m_config, m_lpSession, m_pRecord, nullptr, FALSE));
    EXPECT_EQ(E_INVALIDARG, OpenStore(&m_config, nullptr, m_pRecord, &lpStore, FALSE));
    EXPECT_EQ(nullptr, lpStore);
}

// A protected store opens with the password the record keeps, handed to the service for that
// one open and taken back out of the profile whatever happens.
TEST_F(SessionTest, ProtectedStoreGetsTheKeptPasswordForOneOpenOnly) {
    MakeProfile("Pst", "", "store-secret");
    Open();
    {
        // Without a kept password there is nothing to retry with.
        TraceCapture trace;
        EXPECT_EQ(MAPI_E_FAILONEPROVIDER, OpenRecord());
        EXPECT_EQ(nullptr, m_pStore);
        EXPECT_FALSE(trace.Contains("MAPIAdminProfiles"));
    }
    m_pRecord->SetPassword("store-secret");
    ASSERT_EQ(S_OK, OpenRecord(TRUE));
    EXPECT_NE(nullptr, m_pStore);
    EXPECT_FALSE(ServiceRemembersPassword()) << "the password stayed in the profile";

    m_pRecord->SetPassword("wrong");
    EXPECT_EQ(MAPI_E_FAILONEPROVIDER, OpenRecord());
    EXPECT_EQ(nullptr, m_pStore);
    EXPECT_FALSE(ServiceRemembersPassword());

    // The second open fails for another reason than the password.
    m_pRecord->SetPassword("store-secret");
    CMAPITestHooks::FailOpenEntry(2, MAPI_E_NETWORK_ERROR);
    EXPECT_EQ(MAPI_E_NETWORK_ERROR, OpenRecord());
    CMAPITestHooks::Reset();
    EXPECT_EQ(nullptr, m_pStore);
    EXPECT_FALSE(ServiceRemembersPassword()) << "the password stayed in the profile";

    // The right entry id with an instance key that no provider row has.
    SBinary eid{};
    ASSERT_EQ(S_OK, m_pRecord->GetStoreKey(&eid));
    const BYTE bogus[4] = {1, 2, 3, 4};
    ASSERT_EQ(S_OK, m_pRecord->Init(eid.cb, eid.lpb, 4, bogus));
    free(eid.lpb);
    m_pRecord->SetPassword("store-secret");
    EXPECT_EQ(E_FAIL, OpenRecord());
    EXPECT_EQ(nullptr, m_pStore);
}

}  // namespace
