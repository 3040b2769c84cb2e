// The profile, store and session operations of a configuration against real profiles of the
// message store, including the store password retry through service administration.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "model/ConfigInfo.h"
#include "model/FolderInfo.h"
#include "model/KeyCopy.h"
#include "model/QuorvelDoc.h"
#include "model/Session.h"
#include "model/StoreInfo.h"
#include "platform/mapi/EntryId.h"
#include "platform/mapi/MAPITestHooks.h"
#include "platform/mapi/MAPIX.h"
#include "platform/win32/MessageBox.h"
#include "tests/model/ConfigTestAccess.h"
#include "tests/model/UiDoubles.h"
#include "tests/support/TempRoot.h"
#include "tests/support/TraceCapture.h"

using namespace qrvtest;

namespace {

// Holds one reference; never copied, so it is released exactly once.
template <class T>
struct Ref {
    explicit Ref(T* pHeld = nullptr) : p(pHeld) {}
    Ref(const Ref&) = delete;
    T* p;
    ~Ref() {
        if (p != nullptr)
            p->Release();
    }
    T* operator->() const { return p; }
};

struct Rows {
    LPSRowSet p = nullptr;
    ~Rows() { FreeProws(p); }
};

std::string Bytes(const SBinary& bin) {
    return std::string(reinterpret_cast<const char*>(bin.lpb), bin.cb);
}

struct FakeResult {
    ULONG AddRef() { return ++nRef; }
    ULONG Release() { return --nRef; }
    ULONG nRef = 1;
};

// A fresh machine root with one profile "work", whose stores each test adds and removes.
class ProfileStores : public ::testing::Test {
protected:
    void SetUp() override {
        CMAPITestHooks::Reset();
        m_objects = CMAPITestHooks::LiveObjects();
        m_buffers = CMAPITestHooks::LiveBuffers();
        ASSERT_EQ(S_OK, MAPIInitialize(nullptr));
        ASSERT_EQ(S_OK, MAPIAdminProfiles(0, &m_admin.p));
        ASSERT_EQ(S_OK, m_admin->CreateProfile("work", nullptr, 0, 0));
        ASSERT_EQ(S_OK, CConfigInfo::CreateConfigInfo("Mails", 3, &m_doc, &m_config));
    }
    void TearDown() override {
        CMAPITestHooks::Reset();
        if (m_config != nullptr)
            m_config->Release();
        if (m_session != nullptr) {
            m_session->Logoff(0, 0, 0);
            m_session->Release();
        }
        m_admin.p->Release();
        m_admin.p = nullptr;
        MAPIUninitialize();
        EXPECT_EQ(0, CMAPITestHooks::InitializeBalance());
        EXPECT_EQ(m_objects, CMAPITestHooks::LiveObjects()) << "MAPI objects left unreleased";
        EXPECT_EQ(m_buffers, CMAPITestHooks::LiveBuffers()) << "MAPI buffers left unfreed";
    }

    // Adds a store (protected when a store password is given) to the profile; keeps its service uid.
    void AddStore(const std::string& name, LPCSTR lpszProfile = "work", LPCSTR lpszPassword = nullptr,
                  const char* pszStorePassword = "") {
        Ref<IMsgServiceAdmin> services;
        ASSERT_EQ(S_OK, m_admin->AdminServices(lpszProfile, lpszPassword, 0, 0, &services.p));
        ASSERT_EQ(S_OK, services->CreateMsgService("MSPST MS", name.c_str(), 0, 0));
        Ref<IMAPITable> table;
        Rows rows;
        ASSERT_EQ(S_OK, services->GetMsgServiceTable(0, &table.p));
        ASSERT_EQ(S_OK, table->QueryRows(1000, 0, &rows.p));
        memcpy(m_uids[name].ab, rows.p->aRow[rows.p->cRows - 1].lpProps[0].Value.bin.lpb, 16);
        const std::string path = m_root.Path() + "/" + name + ".pst";
        SPropValue values[3] = {{PR_PST_PATH, 0, {.lpszA = const_cast<char*>(path.c_str())}},
                                {PR_DISPLAY_NAME, 0, {.lpszA = const_cast<char*>(name.c_str())}},
                                {PR_PST_PW_SZ_NEW, 0, {.lpszA = const_cast<char*>(pszStorePassword)}}};
        ASSERT_EQ(S_OK, services->ConfigureMsgService(&m_uids[name], 0, 0, 3, values));
    }
    // Removes a store of "work", or renames it when a new name is given.
    void ChangeStore(const std::string& name, const char* pszNewName = nullptr) {
        Ref<IMsgServiceAdmin> services;
        ASSERT_EQ(S_OK, m_admin->AdminServices("work", nullptr, 0, 0, &services.p));
        SPropValue value = {PR_DISPLAY_NAME, 0, {.lpszA = const_cast<char*>(pszNewName)}};
        ASSERT_EQ(S_OK, pszNewName == nullptr
                            ? services->DeleteMsgService(&m_uids[name])
                            : services->ConfigureMsgService(&m_uids[name], 0, 0, 1, &value));
    }

    // Chooses the profile through the chooser double; the stores are read from the profile.
    HRESULT ChooseProfile(const char* pszName = "work") {
        Ref<IMAPITable> table;
        Rows rows;
        EXPECT_EQ(S_OK, m_admin->GetProfileTable(0, &table.p));
        EXPECT_EQ(S_OK, table->QueryRows(10, 0, &rows.p));
        m_ui.chooser.strName = pszName;
        m_ui.chooser.key.clear();
        for (ULONG r = 0; r < rows.p->cRows; ++r) {
            const SRow& row = rows.p->aRow[r];
            const SBinary* lpKey = nullptr;
            bool bNamed = false;
            for (ULONG i = 0; i < row.cValues; ++i) {
                if (row.lpProps[i].ulPropTag == PR_INSTANCE_KEY)
                    lpKey = &row.lpProps[i].Value.bin;
                if (row.lpProps[i].ulPropTag == PR_DISPLAY_NAME_A)
                    bNamed = strcmp(row.lpProps[i].Value.lpszA, pszName) == 0;
            }
            if (bNamed && lpKey != nullptr)
                m_ui.chooser.key.assign(lpKey->lpb, lpKey->lpb + lpKey->cb);
        }
        EXPECT_FALSE(m_ui.chooser.key.empty());
        return m_config->OnSelectProfile(nullptr);
    }

    // A session of "work" that the fixture logs off.
    LPMAPISESSION Logon() {
        EXPECT_EQ(S_OK, MAPILogonEx(0, "work", nullptr, 0x108032, &m_session));
        return m_session;
    }
    // Opens the configuration's first store through a session of its profile; a store comes back
    // exactly when the open succeeds.
    HRESULT OpenFirstStore(BOOL bModify = FALSE) {
        if (m_session == nullptr) {
            EXPECT_EQ(S_OK, RetrieveSession(m_config, &m_session));
        }
        Ref<IMsgStore> store;
        const HRESULT hr = OpenStore(m_config, m_session, Store(0).p, &store.p, bModify);
        EXPECT_EQ(SUCCEEDED(hr), store.p != nullptr);
        return hr;
    }
    // Whether the service still hands the first store a remembered password: a plain open tells.
    bool ServiceRemembersPassword() {
        const std::string key = StoreKey(0);
        ULONG ulType = 0;
        Ref<IUnknown> store;
        return SUCCEEDED(m_session->OpenEntry((ULONG)key.size(), (LPENTRYID)key.data(), nullptr,
                                              MAPI_BEST_ACCESS, &ulType, &store.p));
    }
    // The configuration's store at an index, released with the full expression that asked.
    Ref<CStoreInfo> Store(int nStore) { return Ref<CStoreInfo>{m_config->GetStore(nStore)}; }
    // Entry id (or instance key) of a store of the configuration.
    std::string StoreKey(int nStore, bool bInstanceKey = false) {
        SBinary key = {0, nullptr};
        bInstanceKey ? Store(nStore)->GetInstanceKey(&key) : Store(nStore)->GetStoreKey(&key);
        const std::string bytes = Bytes(key);
        FreeBinaryKey(&key);
        return bytes;
    }
    std::vector<std::string> StoreNames() {
        std::vector<std::string> names;
        for (int i = 0; i < m_config->GetStoreCount(); ++i)
            names.push_back((LPCSTR)Store(i)->GetStoreName());
        return names;
    }
    void AddFolder(int nStore, const std::string& id) {
        ASSERT_EQ(S_OK, Store(nStore)->AddFolder(nullptr, (ULONG)id.size(),
                                                 reinterpret_cast<const BYTE*>(id.data())));
    }

    TempRoot m_root;
    FakeUiServices m_ui;
    CQuorvelDoc m_doc;
    CConfigInfo* m_config = nullptr;
    Ref<IProfAdmin> m_admin;
    LPMAPISESSION m_session = nullptr;
    std::map<std::string, MAPIUID> m_uids;
    LONG m_objects = 0;
    LONG m_buffers = 0;
};

}  // namespace

TEST_F(ProfileStores, ChoosingAProfileReadsItsStores) {
    AddStore("P");
    AddStore("Q");
    // Without a document or a chooser there is nothing to choose with.
    CConfigInfo loose;
    EXPECT_EQ(E_UNEXPECTED, loose.OnSelectProfile(nullptr));
    SetUiServices(nullptr);
    EXPECT_TRUE(FAILED(m_config->OnSelectProfile(nullptr)));
    SetUiServices(&m_ui);

    EXPECT_TRUE(m_config->IsNewConfig());
    EXPECT_EQ(S_OK, ChooseProfile());
    EXPECT_FALSE(m_config->IsNewConfig());
    EXPECT_FALSE(m_config->IsSelectingProfile());
    EXPECT_TRUE(m_config->IsProfileSelected());
    EXPECT_EQ(CString("work"), m_config->GetProfileName());
    EXPECT_EQ((std::vector<std::string>{"P", "Q"}), StoreNames());
    EXPECT_TRUE(m_doc.IsModified());
    EXPECT_EQ(0, m_ui.nWaitDepth);

    // The next choice starts from the profile held; cancelling changes nothing but the new flag.
    m_doc.SetModifiedFlag(FALSE);
    m_ui.chooser.nResult = IDCANCEL;
    EXPECT_EQ(S_OK, m_config->OnSelectProfile(nullptr));
    EXPECT_EQ(m_ui.chooser.key, m_ui.chooser.preselected);
    EXPECT_EQ((std::vector<std::string>{"P", "Q"}), StoreNames());
    EXPECT_FALSE(m_doc.IsModified());
}

TEST_F(ProfileStores, AFailedReadingStillMarksTheChangedProfile) {
    AddStore("P");
    m_ui.chooser.strName = "nobody";  // a profile that does not exist
    m_ui.chooser.key = {1, 2, 3};
    EXPECT_TRUE(FAILED(m_config->OnSelectProfile(nullptr)));
    EXPECT_EQ(CString("nobody"), m_config->GetProfileName());
    EXPECT_TRUE(m_doc.IsModified());
    EXPECT_FALSE(m_config->IsSelectingProfile());
}

TEST_F(ProfileStores, TheCheckKeepsUnchangedStoresAndReportsThoseThatCameAndWent) {
    for (const char* name : {"P", "Q", "R"})
        AddStore(name);
    ASSERT_EQ(S_OK, ChooseProfile());
    // Lay the saved stores out in another order than the profile's table.
    CConfigInfo* pReordered = nullptr;
    ASSERT_EQ(S_OK, CConfigInfo::CreateConfigInfo("reordered", 3, &m_doc, &pReordered));
    for (int i : {2, 0, 1})
        CConfigInfoTestAccess::AddStore(pReordered, StoreKey(i), StoreKey(i, true), Store(i)->GetStoreName());
    m_config->Release();
    m_config = pReordered;
    // ... with a profile name, the only part of the profile the check uses.
    CConfigInfoTestAccess::SetProfileName(m_config, "work");
    AddFolder(0, "folder-of-R");
    ChangeStore("R", "R renamed");
    FakeResult result;
    m_config->SetSearchResult(&result);
    m_config->SetCurrentStoreIndex(1);
    m_doc.SetModifiedFlag(FALSE);

    EXPECT_EQ(S_OK, m_config->CheckProfileStores(nullptr));
    EXPECT_EQ((std::vector<std::string>{"R renamed", "P", "Q"}), StoreNames());
    EXPECT_EQ(1, Store(0)->GetFolderCount());
    EXPECT_EQ(0, m_ui.report.nRuns);
    EXPECT_FALSE(m_doc.IsModified());
    EXPECT_EQ(2u, result.nRef);  // the cached result still fits
    EXPECT_EQ(1, m_config->GetCurrentStoreIndex());

    AddFolder(2, "folder-of-Q");
    ChangeStore("P");
    ChangeStore("R");
    AddStore("T");
    EXPECT_EQ(S_OK, m_config->CheckProfileStores(nullptr));
    EXPECT_EQ(1, m_ui.report.nRuns);
    EXPECT_EQ((std::vector<std::string>{"T"}), m_ui.report.added);
    EXPECT_EQ((std::vector<std::string>{"R renamed", "P"}), m_ui.report.removed);
    EXPECT_EQ((std::vector<std::string>{"Q", "T"}), StoreNames());
    EXPECT_EQ(1, Store(0)->GetFolderCount());  // Q kept its folder
    EXPECT_TRUE(m_doc.IsModified());
    // Store indexes moved: the cached result and the chosen store go.
    EXPECT_EQ(1u, result.nRef);
    EXPECT_EQ(-1, m_config->GetCurrentStoreIndex());

    // For a configuration without stores every store is new.
    CConfigInfo* pEmpty = nullptr;
    ASSERT_EQ(S_OK, CConfigInfo::CreateConfigInfo("empty", 3, &m_doc, &pEmpty));
    CConfigInfoTestAccess::SetProfileName(pEmpty, "work");
    EXPECT_EQ(S_OK, pEmpty->CheckProfileStores(nullptr));
    EXPECT_EQ((std::vector<std::string>{"Q", "T"}), m_ui.report.added);
    EXPECT_TRUE(m_ui.report.removed.empty());
    EXPECT_EQ(2, pEmpty->GetStoreCount());
    // Without a profile name nothing is asked.
    CConfigInfoTestAccess::SetProfileName(pEmpty, "");
    CMAPITestHooks::FailQueryRows(1, E_FAIL);
    EXPECT_EQ(S_OK, pEmpty->CheckProfileStores(nullptr));
    pEmpty->Release();
}

TEST_F(ProfileStores, AFailureOnTheWayChangesNothing) {
    AddStore("P");
    AddStore("Q");
    ASSERT_EQ(S_OK, ChooseProfile());
    AddFolder(0, "folder-of-P");
    ChangeStore("P");
    AddStore("S");
    m_doc.SetModifiedFlag(FALSE);

    // Row Q matches Q (P's key and Q's key are copied for it); then P's key cannot be had for the
    // comparison with row S. S might be P after all, so nothing changes and P keeps its folders.
    SetKeyCopyFailureAfter(2);
    EXPECT_EQ(MAPI_W_ERRORS_RETURNED, m_config->CheckProfileStores(nullptr));
    SetKeyCopyFailureAfter(-1);
    EXPECT_EQ((std::vector<std::string>{"P", "Q"}), StoreNames());
    EXPECT_EQ(1, Store(0)->GetFolderCount());
    EXPECT_EQ(0, m_ui.report.nRuns);
    EXPECT_FALSE(m_doc.IsModified());

    CMAPITestHooks::FailQueryRows(1, MAPI_E_NETWORK_ERROR);
    EXPECT_EQ(MAPI_E_NETWORK_ERROR, m_config->CheckProfileStores(nullptr));
    EXPECT_EQ((std::vector<std::string>{"P", "Q"}), StoreNames());

    m_ui.report.hrInit = E_OUTOFMEMORY;
    EXPECT_EQ(E_OUTOFMEMORY, m_config->CheckProfileStores(nullptr));
    EXPECT_EQ((std::vector<std::string>{"P", "Q"}), StoreNames());
    EXPECT_FALSE(m_doc.IsModified());

    m_ui.report.hrInit = S_OK;
    EXPECT_EQ(S_OK, m_config->CheckProfileStores(nullptr));
    EXPECT_EQ((std::vector<std::string>{"Q", "S"}), StoreNames());
}

TEST_F(ProfileStores, ManyStoresAreReadInBatches) {
    const int nStores = 120;
    std::vector<std::string> names;
    for (int i = 0; i < nStores; ++i) {
        names.push_back("S" + std::to_string(1000 + i));
        AddStore(names.back());
    }
    ASSERT_EQ(S_OK, ChooseProfile());
    EXPECT_EQ(names, StoreNames());

    // The reading takes batches of 50: 50, 50, 20 and the empty one make four queries.
    CMAPITestHooks::FailQueryRows(4, MAPI_E_CALL_FAILED);
    EXPECT_EQ(MAPI_E_CALL_FAILED, m_config->LoadStoresFromMAPI(nullptr));
    EXPECT_EQ(nStores, m_config->GetStoreCount());
    ASSERT_EQ(S_OK, m_config->LoadStoresFromMAPI(nullptr));

    // The check takes batches of 100: 100, 20 and the empty one.
    CMAPITestHooks::FailQueryRows(4, MAPI_E_CALL_FAILED);
    EXPECT_EQ(S_OK, m_config->CheckProfileStores(nullptr));
    CMAPITestHooks::Reset();
    CMAPITestHooks::FailQueryRows(3, MAPI_E_CALL_FAILED);
    EXPECT_EQ(MAPI_E_CALL_FAILED, m_config->CheckProfileStores(nullptr));
    CMAPITestHooks::Reset();
    EXPECT_EQ(0, m_ui.report.nRuns);

    // Stores past the first batch that went, and one that came.
    ChangeStore(names[110]);
    ChangeStore(names[10]);
    AddStore("new");
    EXPECT_EQ(S_OK, m_config->CheckProfileStores(nullptr));
    EXPECT_EQ((std::vector<std::string>{"new"}), m_ui.report.added);
    EXPECT_EQ((std::vector<std::string>{names[10], names[110]}), m_ui.report.removed);
    EXPECT_EQ(nStores - 1, m_config->GetStoreCount());
}

TEST_F(ProfileStores, DefaultStoreIsFoundByEntryId) {
    AddStore("P");
    AddStore("Q");
    ASSERT_EQ(S_OK, ChooseProfile());
    LONG lIndex = -1;
    ASSERT_EQ(S_OK, m_config->GetDefaultStoreIndex(&lIndex));
    EXPECT_EQ(0, lIndex);

    std::string q = StoreKey(1);
    EXPECT_EQ(S_OK, Logon()->SetDefaultStore(0, (ULONG)q.size(), reinterpret_cast<LPENTRYID>(q.data())));
    ASSERT_EQ(S_OK, m_config->GetDefaultStoreIndex(&lIndex));
    EXPECT_EQ(1, lIndex);

    // A default store the configuration does not hold leaves the index alone.
    CConfigInfo* pEmpty = nullptr;
    ASSERT_EQ(S_OK, CConfigInfo::CreateConfigInfo("empty", 3, &m_doc, &pEmpty));
    CConfigInfoTestAccess::SetProfileName(pEmpty, "work");
    lIndex = -1;
    EXPECT_EQ(S_OK, pEmpty->GetDefaultStoreIndex(&lIndex));
    EXPECT_EQ(-1, lIndex);
    pEmpty->Release();
}

TEST_F(ProfileStores, FolderPathsInARealStore) {
    AddStore("P");
    ASSERT_EQ(S_OK, ChooseProfile());
    std::string key = StoreKey(0);
    ULONG ulType = 0;
    Ref<IUnknown> store, inboxFolder;
    ASSERT_EQ(S_OK, Logon()->OpenEntry((ULONG)key.size(), reinterpret_cast<LPENTRYID>(key.data()), nullptr,
                                       MAPI_BEST_ACCESS, &ulType, &store.p));
    LPMDB lpMDB = static_cast<IMsgStore*>(store.p);

    // The inbox, and a folder made below it.
    ULONG cbInbox = 0;
    LPENTRYID lpInbox = nullptr;
    ASSERT_EQ(S_OK, lpMDB->GetReceiveFolder("IPM.Note", 0, &cbInbox, &lpInbox, nullptr));
    ASSERT_EQ(S_OK, lpMDB->OpenEntry(cbInbox, lpInbox, nullptr, MAPI_BEST_ACCESS, &ulType, &inboxFolder.p));
    Ref<IMAPIFolder> sub;
    ASSERT_EQ(S_OK, static_cast<IMAPIFolder*>(inboxFolder.p)
                        ->CreateFolder(FOLDER_GENERIC, "Projects", nullptr, nullptr, 0, &sub.p));
    SizedSPropTagArray(1, tags) = {1, {PR_ENTRYID}};
    ULONG cValues = 0;
    LPSPropValue lpProps = nullptr;
    ASSERT_EQ(S_OK, sub->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), 0, &cValues, &lpProps));
    // A chosen folder that the store no longer holds is reported vanished, without a path: the
    // General page finds such folders by this code alone.
    qrvmapi::CEntryRef inbox;
    ASSERT_TRUE(qrvmapi::ParseEntryId(lpInbox, cbInbox, inbox));
    const std::string gone = qrvmapi::MakeEntryId(qrvmapi::EntryKind::Folder, inbox.m_storeUid, 987654);

    Ref<CStoreInfo> pStore = Store(0);
    ASSERT_EQ(S_OK, pStore->AddFolder(lpMDB, cbInbox, reinterpret_cast<const BYTE*>(lpInbox)));
    ASSERT_EQ(S_OK, pStore->AddFolder(lpMDB, cbInbox, reinterpret_cast<const BYTE*>(lpInbox)));
    ASSERT_EQ(S_OK, pStore->AddFolder(lpMDB, lpProps[0].Value.bin.cb, lpProps[0].Value.bin.lpb));
    ASSERT_EQ(S_OK, pStore->AddFolder(lpMDB, (ULONG)gone.size(), reinterpret_cast<const BYTE*>(gone.data())));
    MAPIFreeBuffer(lpProps);
    MAPIFreeBuffer(lpInbox);
    const std::pair<HRESULT, const char*> expected[] = {
        {S_OK, "Inbox"}, {S_OK, "Inbox\\Projects"}, {S_FOLDER_VANISHED, ""}};
    ASSERT_EQ(3, pStore->GetFolderCount());  // the inbox once
    for (int i = 0; i < 3; ++i) {
        Ref<CFolderInfo> folder;
        ASSERT_EQ(S_OK, pStore->GetFolder(i, &folder.p));
        CString strPath = "stale";
        EXPECT_EQ(expected[i].first, folder->GetFullPath(lpMDB, strPath));
        EXPECT_EQ(CString(expected[i].second), strPath);
    }
}

TEST_F(ProfileStores, AProtectedProfileIsReadOnlyWithTheStoredPassword) {
    ASSERT_EQ(S_OK, m_admin->CreateProfile("locked", "pw", 0, 0));
    AddStore("L1", "locked", "pw");
    AddStore("L2", "locked", "pw");

    // Without the password nothing can be read; the choice itself is kept and marked.
    EXPECT_EQ(MAPI_E_LOGON_FAILED, ChooseProfile("locked"));
    EXPECT_EQ(CString("locked"), m_config->GetProfileName());
    EXPECT_EQ(0, m_config->GetStoreCount());
    EXPECT_TRUE(m_doc.IsModified());

    // With it, every operation logs on: choice, check and default store.
    m_config->SetProfilePassword("pw");
    ASSERT_EQ(S_OK, m_config->OnSelectProfile(nullptr));
    EXPECT_EQ((std::vector<std::string>{"L1", "L2"}), StoreNames());
    AddFolder(1, "folder-of-L2");
    EXPECT_EQ(S_OK, m_config->CheckProfileStores(nullptr));
    LONG lIndex = -1;
    EXPECT_EQ(S_OK, m_config->GetDefaultStoreIndex(&lIndex));
    EXPECT_EQ(0, lIndex);

    // A wrong or removed password fails the check, and the stores keep their folders.
    m_doc.SetModifiedFlag(FALSE);
    m_config->SetProfilePassword("wrong");
    EXPECT_EQ(MAPI_E_LOGON_FAILED, m_config->CheckProfileStores(nullptr));
    lIndex = -1;
    EXPECT_EQ(MAPI_E_LOGON_FAILED, m_config->GetDefaultStoreIndex(&lIndex));
    EXPECT_EQ(-1, lIndex);
    m_config->RemoveProfilePassword();
    EXPECT_EQ(MAPI_E_LOGON_FAILED, m_config->CheckProfileStores(nullptr));
    EXPECT_EQ((std::vector<std::string>{"L1", "L2"}), StoreNames());
    EXPECT_EQ(1, Store(1)->GetFolderCount());
    EXPECT_EQ(0, m_ui.report.nRuns);
    EXPECT_FALSE(m_doc.IsModified());
}

TEST_F(ProfileStores, OpensAnUnprotectedStoreAtOnceAndChecksArguments) {
    AddStore("P");
    ASSERT_EQ(S_OK, ChooseProfile());
    EXPECT_EQ(S_OK, OpenFirstStore(TRUE));
    EXPECT_EQ(S_OK, OpenFirstStore(FALSE));

    Ref<CStoreInfo> record = Store(0);
    IMsgStore* lpStore = nullptr;
    EXPECT_EQ(E_UNEXPECTED, OpenStore(nullptr, m_session, record.p, &lpStore, FALSE));
    EXPECT_EQ(E_INVALIDARG, OpenStore(m_config, m_session, nullptr, &lpStore, FALSE));
    EXPECT_EQ(E_INVALIDARG, OpenStore(m_config, m_session, record.p, nullptr, FALSE));
    EXPECT_EQ(E_INVALIDARG, OpenStore(m_config, nullptr, record.p, &lpStore, FALSE));
    EXPECT_EQ(nullptr, lpStore);
    LPMAPISESSION lpSession = nullptr;
    EXPECT_EQ(E_INVALIDARG, RetrieveSession(nullptr, &lpSession));
    EXPECT_EQ(E_INVALIDARG, RetrieveSession(m_config, nullptr));
    EXPECT_EQ(nullptr, lpSession);
}

// A protected store opens with the password its record keeps, handed to the service for that one
// open and taken back out of the profile whatever happens.
TEST_F(ProfileStores, AProtectedStoreGetsTheKeptPasswordForOneOpenOnly) {
    AddStore("Pst", "work", nullptr, "store-secret");
    ASSERT_EQ(S_OK, ChooseProfile());
    Ref<CStoreInfo> record = Store(0);
    {
        // Without a kept password there is nothing to retry with: the retry would start by asking
        // the record for its instance key.
        TraceCapture trace(TRACE_CALL);
        EXPECT_EQ(MAPI_E_FAILONEPROVIDER, OpenFirstStore());
        EXPECT_TRUE(trace.Contains("OpenStore"));
        EXPECT_FALSE(trace.Contains("GetInstanceKey"));
    }
    record->SetPassword("store-secret");
    ASSERT_EQ(S_OK, OpenFirstStore(TRUE));
    EXPECT_FALSE(ServiceRemembersPassword()) << "the password stayed in the profile";
    record->SetPassword("wrong");
    EXPECT_EQ(MAPI_E_FAILONEPROVIDER, OpenFirstStore());
    EXPECT_FALSE(ServiceRemembersPassword());

    // The second open fails for another reason than the password.
    record->SetPassword("store-secret");
    CMAPITestHooks::FailOpenEntry(2, MAPI_E_NETWORK_ERROR);
    EXPECT_EQ(MAPI_E_NETWORK_ERROR, OpenFirstStore());
    CMAPITestHooks::Reset();
    EXPECT_FALSE(ServiceRemembersPassword()) << "the password stayed in the profile";

    // The right entry id with an instance key that no provider row has.
    const std::string eid = StoreKey(0);
    const BYTE bogus[4] = {1, 2, 3, 4};
    ASSERT_EQ(S_OK, record->Init((ULONG)eid.size(), reinterpret_cast<const BYTE*>(eid.data()), 4, bogus));
    record->SetPassword("store-secret");
    EXPECT_EQ(E_FAIL, OpenFirstStore());
}

TEST_F(ProfileStores, ChoosingTheProfileHeldKeepsItsStoresUnlessNoneWereRead) {
    AddStore("P");
    AddStore("Q");
    ASSERT_EQ(S_OK, ChooseProfile());
    AddFolder(0, "folder-of-P");
    Store(1)->SetPassword("secret");
    CStoreInfo* pFirst = Store(0).p;
    m_doc.SetModifiedFlag(FALSE);
    EXPECT_EQ(S_OK, ChooseProfile());
    EXPECT_EQ(pFirst, Store(0).p);
    EXPECT_EQ(1, Store(0)->GetFolderCount());
    EXPECT_EQ(CString("secret"), Store(1)->GetPassword());
    EXPECT_FALSE(m_doc.IsModified());
    EXPECT_FALSE(m_config->IsSelectingProfile());

    // A list that holds nothing (the last reading failed) is read again.
    m_config->ClearStores();
    EXPECT_EQ(S_OK, ChooseProfile());
    EXPECT_EQ((std::vector<std::string>{"P", "Q"}), StoreNames());
}
