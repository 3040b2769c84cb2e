// The search tests' world: a real profile with store files under a fresh machine root.
#include "tests/engine/SearchWorld.h"

#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "model/StdPropertyID.h"
#include "model/StoreInfo.h"
#include "tests/engine/EngineTestSupport.h"

namespace enginetest {

namespace {

const char kProfile[] = "Search";

struct CFakeChooser : IProfileChooser {
    explicit CFakeChooser(CFakeUi* pUi) : m_pUi(pUi) {}
    CFakeUi* m_pUi;
    HRESULT Init(const SBinary*) override { return S_OK; }
    int DoModal() override { return 1; }  // IDOK
    HRESULT GetProfileKey(SBinary* lpKey) override {
        lpKey->cb = (ULONG)m_pUi->m_profileKey.size();
        lpKey->lpb = static_cast<LPBYTE>(std::malloc(lpKey->cb));
        std::memcpy(lpKey->lpb, m_pUi->m_profileKey.data(), lpKey->cb);
        return S_OK;
    }
    CString GetProfileName() override { return CString(kProfile); }
};

struct CRecordingProgress : ISearchProgress {
    explicit CRecordingProgress(CFakeUi* pUi) : m_pUi(pUi) { ++m_pUi->m_nProgressMade; }
    CFakeUi* m_pUi;
    ~CRecordingProgress() override { ++m_pUi->m_nProgressGone; }
    void SetStoreProgress(int n) override { m_pUi->m_bars.push_back({'S', n}); }
    void SetFolderProgress(int n) override { m_pUi->m_bars.push_back({'F', n}); }
    void SetItemProgress(int n) override { m_pUi->m_bars.push_back({'I', n}); }
};

// Calls fn with the values of every row of the table, read with the given columns.
template <class FN>
void ForEachRow(LPMAPITABLE lpTable, std::initializer_list<ULONG> columns, FN fn) {
    std::vector<ULONG> raw = {ULONG(columns.size())};
    raw.insert(raw.end(), columns);
    EXPECT_EQ(S_OK, lpTable->SetColumns(reinterpret_cast<LPSPropTagArray>(raw.data()), 0));
    LPSRowSet lpRows = nullptr;
    EXPECT_EQ(S_OK, lpTable->QueryRows(1000, 0, &lpRows));
    for (ULONG r = 0; lpRows != nullptr && r < lpRows->cRows; ++r) {
        fn(lpRows->aRow[r].lpProps);
    }
    FreeProws(lpRows);
    lpTable->Release();
}

SPropValue Prop(ULONG ulTag, const _PV& value) {
    SPropValue v{};
    v.ulPropTag = ulTag;
    v.Value = value;
    return v;
}

// The bytes of a binary property of the object; empty when it has none.
std::vector<BYTE> BinaryProp(IMAPIProp* pProp, ULONG ulTag) {
    SizedSPropTagArray(1, tags) = {1, {ulTag}};
    ULONG cValues = 0;
    LPSPropValue lpValue = nullptr;
    std::vector<BYTE> bytes;
    if (SUCCEEDED(pProp->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), 0, &cValues, &lpValue)) &&
        cValues == 1 && lpValue->ulPropTag == ulTag) {
        bytes.assign(lpValue->Value.bin.lpb, lpValue->Value.bin.lpb + lpValue->Value.bin.cb);
    }
    MAPIFreeBuffer(lpValue);
    return bytes;
}

IMAPIFolder* OpenFolder(IMsgStore* lpMDB, const std::vector<BYTE>& id) {
    ULONG ulType = 0;
    LPUNKNOWN lpUnk = nullptr;
    EXPECT_EQ(S_OK, lpMDB->OpenEntry((ULONG)id.size(), (LPENTRYID)id.data(), nullptr,
                                     MAPI_BEST_ACCESS | MAPI_MODIFY, &ulType, &lpUnk));
    return static_cast<IMAPIFolder*>(lpUnk);
}

}  // namespace

void CFakeUi::PostStoreCheckFailure(HRESULT hr) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_failures.push_back(hr);
    m_reported.notify_all();
}

std::vector<HRESULT> CFakeUi::CheckFailures(size_t n) {
    std::unique_lock<std::mutex> guard(m_lock);
    m_reported.wait_for(guard, std::chrono::seconds(10), [&] { return m_failures.size() >= n; });
    return m_failures;
}

std::unique_ptr<IProfileChooser> CFakeUi::CreateProfileChooser(CWnd*) {
    return std::make_unique<CFakeChooser>(this);
}

std::unique_ptr<ISearchProgress> CFakeUi::CreateSearchProgress(CWnd*) {
    return std::make_unique<CRecordingProgress>(this);
}

void CTestConfig::Compare(ULONG ulTag, BOOL fSelected) {
    auto* pProp = new CStdPropertyID(0, ulTag);
    pProp->AddRef();
    pProp->SetSelected(fSelected);
    EXPECT_EQ(S_OK, m_pList->InsertProperty(pProp));
    pProp->Release();
}

CSearchWorld::CSearchWorld(int nStores) {
    EXPECT_EQ(S_OK, MAPIInitialize(nullptr));
    LPPROFADMIN lpAdmin = nullptr;
    EXPECT_EQ(S_OK, MAPIAdminProfiles(0, &lpAdmin));
    EXPECT_EQ(S_OK, lpAdmin->CreateProfile(kProfile, nullptr, 0, 0));
    LPSERVICEADMIN lpServices = nullptr;
    EXPECT_EQ(S_OK, lpAdmin->AdminServices(kProfile, nullptr, 0, 0, &lpServices));
    for (int s = 0; s < nStores; ++s) {
        m_storeNames.push_back("Store " + std::to_string(s));
        EXPECT_EQ(S_OK, lpServices->CreateMsgService("MSPST MS", m_storeNames.back().c_str(), 0, 0));
    }
    LPMAPITABLE lpTable = nullptr;
    EXPECT_EQ(S_OK, lpServices->GetMsgServiceTable(0, &lpTable));
    ForEachRow(lpTable, {PR_SERVICE_UID, PR_DISPLAY_NAME}, [&](const SPropValue* v) {
        const std::string path = m_root.Path() + "/" + v[1].Value.lpszA + ".pst";
        SPropValue prop = Prop(PR_PST_PATH, {.lpszA = const_cast<LPSTR>(path.c_str())});
        EXPECT_EQ(S_OK, lpServices->ConfigureMsgService(reinterpret_cast<LPMAPIUID>(v[0].Value.bin.lpb), 0, 0,
                                                        1, &prop));
    });
    lpServices->Release();

    LPMAPITABLE lpProfiles = nullptr;
    EXPECT_EQ(S_OK, lpAdmin->GetProfileTable(0, &lpProfiles));
    ForEachRow(lpProfiles, {PR_DISPLAY_NAME, PR_INSTANCE_KEY}, [&](const SPropValue* v) {
        if (std::strcmp(v[0].Value.lpszA, kProfile) == 0) {
            m_ui.m_profileKey.assign(v[1].Value.bin.lpb, v[1].Value.bin.lpb + v[1].Value.bin.cb);
        }
    });
    lpAdmin->Release();

    EXPECT_EQ(S_OK, MAPILogonEx(0, kProfile, nullptr, MAPI_EXPLICIT_PROFILE | MAPI_NEW_SESSION | MAPI_NO_MAIL,
                                &m_lpSession));
    m_stores.assign(nStores, nullptr);
    EXPECT_EQ(S_OK, m_lpSession->GetMsgStoresTable(0, &lpTable));
    ForEachRow(lpTable, {PR_ENTRYID, PR_DISPLAY_NAME}, [&](const SPropValue* v) {
        const int s =
            int(std::find(m_storeNames.begin(), m_storeNames.end(), v[1].Value.lpszA) - m_storeNames.begin());
        EXPECT_EQ(S_OK, m_lpSession->OpenMsgStore(0, v[0].Value.bin.cb, (LPENTRYID)v[0].Value.bin.lpb,
                                                  nullptr, MAPI_BEST_ACCESS | MAPI_MODIFY, &m_stores.at(s)));
    });
    m_pDoc = new CQuorvelDoc();
    SetUiServices(&m_ui);
}

CSearchWorld::~CSearchWorld() {
    SetUiServices(nullptr);
    delete m_pDoc;
    for (IMsgStore* p : m_stores) {
        if (p != nullptr) {
            p->Release();
        }
    }
    if (m_lpSession != nullptr) {
        m_lpSession->Logoff(0, 0, 0);
        m_lpSession->Release();
    }
    MAPIUninitialize();
}

void CSearchWorld::BreakFolderIndex(int s) {
    m_stores[s]->Release();
    m_stores[s] = nullptr;
    const std::string path = m_root.Path() + "/" + m_storeNames[s] + ".pst";
    sqlite3* db = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_open(path.c_str(), &db));
    EXPECT_EQ(SQLITE_OK, sqlite3_exec(db,
                                      "PRAGMA writable_schema = ON;"
                                      "UPDATE sqlite_master SET sql = 'CREATE INDEX messages_folder ON "
                                      "messages(deleted, folder, id)' WHERE name = 'messages_folder';"
                                      "PRAGMA writable_schema = OFF; PRAGMA wal_checkpoint(TRUNCATE)",
                                      nullptr, nullptr, nullptr))
        << sqlite3_errmsg(db);
    sqlite3_close(db);
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    in.close();
    ASSERT_EQ(0, std::remove(path.c_str()));
    std::ofstream(path, std::ios::binary) << bytes;
}

std::vector<BYTE> CSearchWorld::MakeFolder(int s, const std::string& name) {
    IMsgStore* lpMDB = m_stores[s];
    const std::vector<BYTE> subtree = BinaryProp(lpMDB, PR_IPM_SUBTREE_ENTRYID);
    IMAPIFolder* lpParent = OpenFolder(lpMDB, subtree);
    IMAPIFolder* lpFolder = nullptr;
    EXPECT_EQ(S_OK, lpParent->CreateFolder(FOLDER_GENERIC, name.c_str(), nullptr, nullptr, OPEN_IF_EXISTS,
                                           &lpFolder));
    std::vector<BYTE> id = BinaryProp(lpFolder, PR_ENTRYID);
    lpFolder->Release();
    lpParent->Release();
    return id;
}

std::vector<BYTE> CSearchWorld::AddItem(int s, const std::vector<BYTE>& folder, const CItem& item) {
    IMAPIFolder* lpFolder = OpenFolder(m_stores[s], folder);
    LPMESSAGE lpMessage = nullptr;
    EXPECT_EQ(S_OK, lpFolder->CreateMessage(nullptr, 0, &lpMessage));
    auto text = [](const char* psz) { return _PV{.lpszA = const_cast<LPSTR>(psz)}; };
    std::vector<SPropValue> props = {Prop(PR_MESSAGE_CLASS, text("IPM.Contact")),
                                     Prop(PR_SUBJECT, text(item.subject.c_str())),
                                     Prop(PR_LAST_MODIFICATION_TIME, {.ft = item.modified})};
    for (auto [ulTag, pValue] :
         {std::pair{PR_GIVEN_NAME, &item.given}, std::pair{PR_SURNAME, &item.surname}}) {
        if (pValue->has_value()) {
            props.push_back(Prop(ulTag, text((*pValue)->c_str())));
        }
    }
    if (item.number) {
        props.push_back(Prop(PROP_TAG(PT_LONG, 0x6800), {.l = *item.number}));
    }
    EXPECT_EQ(S_OK, lpMessage->SetProps((ULONG)props.size(), props.data(), nullptr));
    EXPECT_EQ(S_OK, lpMessage->SaveChanges(0));
    std::vector<BYTE> id = BinaryProp(lpMessage, PR_ENTRYID);
    lpMessage->Release();
    lpFolder->Release();
    return id;
}

void CSearchWorld::DeleteItem(int s, const std::vector<BYTE>& folder, const std::vector<BYTE>& item) {
    IMAPIFolder* lpFolder = OpenFolder(m_stores[s], folder);
    SBinary bin{(ULONG)item.size(), const_cast<LPBYTE>(item.data())};
    SBinaryArray list{1, &bin};
    EXPECT_EQ(S_OK, lpFolder->DeleteMessages(&list, 0, nullptr, 0));
    lpFolder->Release();
}

int CSearchWorld::ConfigStoreIndex(CTestConfig* pConfig, int s) {
    for (int i = 0; i < pConfig->GetStoreCount(); ++i) {
        CStoreInfo* pStore = pConfig->GetStore(i);
        const std::string name = (LPCSTR)pStore->GetStoreName();
        pStore->Release();
        if (name == m_storeNames[s]) {
            return i;
        }
    }
    return -1;
}

CTestConfig* CSearchWorld::MakeConfig(DWORD dwCompareMode,
                                      const std::map<int, std::vector<std::vector<BYTE>>>& folders) {
    auto* pConfig = new CTestConfig(m_pDoc);
    pConfig->AddRef();
    EXPECT_EQ(S_OK, pConfig->OnSelectProfile(nullptr));
    EXPECT_EQ((int)m_stores.size(), pConfig->GetStoreCount());
    pConfig->SetCompareMode(dwCompareMode);
    for (auto& [s, ids] : folders) {
        CStoreInfo* pStore = pConfig->GetStore(ConfigStoreIndex(pConfig, s));
        EXPECT_NE(nullptr, pStore);
        for (const std::vector<BYTE>& id : ids) {
            EXPECT_EQ(S_OK, pStore->AddFolder(m_stores[s], (ULONG)id.size(), id.data()));
        }
        pStore->Release();
    }
    return pConfig;
}

}  // namespace enginetest
