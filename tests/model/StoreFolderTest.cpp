// Store and folder records: folder lists, key copies, folder paths below the IPM subtree (over a
// store double whose folder tree each test lays out), and the records byte for byte.
#include <gtest/gtest.h>

#include "model/FolderInfo.h"
#include "model/KeyCopy.h"
#include "model/ObjectMap.h"
#include "model/StdPropList.h"
#include "model/StoreInfo.h"
#include "tests/model/ArchiveBytes.h"
#include "tests/model/FakeMsgStore.h"
#include "tests/support/TraceCapture.h"

using namespace qrvtest;
using namespace proptest;

namespace {

const BYTE STORE_KEY[] = {0x10, 0x11, 0x12};
const BYTE INSTANCE_KEY[] = {0x20, 0x21};
const BYTE FOLDER_A[] = {0xA0, 0xA1, 0xA2, 0xA3};
const BYTE FOLDER_B[] = {0xB0};

CStoreInfo* MakeStore() {
    CStoreInfo* pStore = new CStoreInfo;
    pStore->AddRef();
    EXPECT_EQ(S_OK, pStore->Init(sizeof(STORE_KEY), STORE_KEY, sizeof(INSTANCE_KEY), INSTANCE_KEY));
    pStore->SetStoreName("Personal Folders");
    return pStore;
}

std::string FolderKeyOf(CStoreInfo* pStore, int nIndex) {
    CFolderInfo* pFolder = nullptr;
    EXPECT_EQ(S_OK, pStore->GetFolder(nIndex, &pFolder));
    SBinary key = {0, nullptr};
    EXPECT_EQ(S_OK, pFolder->GetFolderKey(&key));
    std::string s(reinterpret_cast<const char*>(key.lpb), key.cb);
    FreeBinaryKey(&key);
    pFolder->Release();
    return s;
}

// The path of the folder with entry id `id` in a store laid out as `tree`.
HRESULT PathOf(const FolderTree& tree, const std::string& id, CString& strPath, int& nOpened) {
    CFakeMsgStore* pStore = new CFakeMsgStore;
    pStore->m_tree = tree;
    CStoreInfo* pStoreInfo = new CStoreInfo;
    pStoreInfo->AddRef();
    pStoreInfo->AddFolder(nullptr, (ULONG)id.size(), reinterpret_cast<const BYTE*>(id.data()));
    CFolderInfo* pFolder = nullptr;
    pStoreInfo->GetFolder(0, &pFolder);
    strPath = "stale";
    const HRESULT hr = pFolder->GetFullPath(pStore, strPath);
    nOpened = pStore->m_nOpened;
    pFolder->Release();
    pStoreInfo->Release();
    pStore->Release();
    return hr;
}

// Loads a wrong version and every cut of the record's saved body into it, then the whole body.
void CheckFrame(CObject& object) {
    const std::string saved = SerializeTo(object);
    ASSERT_GE(saved.size(), 4u);
    EXPECT_EQ(ToHex(Hex("01 00 00 00")), ToHex(saved.substr(0, 4)));

    TraceCapture trace;
    std::string wrong = saved;
    wrong[0] = 2;
    EXPECT_EQ("notsupported", Outcome([&] { SerializeFrom(object, wrong); }));
    EXPECT_TRUE(trace.Contains("Invalid archive version 2!\n"));
    EXPECT_TRUE(trace.Contains("Failed to load contents!\n"));
    EXPECT_FALSE(trace.Contains("Failed to store contents!\n"));

    // Every cut fails with the archive's end of file, or a bad class where it cuts a class name
    // (the sanitizer run checks that nothing read before it leaks); the whole record still loads.
    for (size_t n = 0; n < saved.size(); ++n) {
        const std::string outcome = Outcome([&] { SerializeFrom(object, saved.substr(0, n)); });
        EXPECT_TRUE(outcome == "archive:3" || outcome == "archive:6") << "cut at " << n << ": " << outcome;
    }
    EXPECT_EQ("ok", Outcome([&] { SerializeFrom(object, saved); }));
    EXPECT_EQ(ToHex(saved), ToHex(SerializeTo(object)));
}

}  // namespace

TEST(StoreInfo, OneFolderPerIdAndCheckedIndexes) {
    CStoreInfo* pStore = MakeStore();
    EXPECT_EQ(S_OK, pStore->AddFolder(nullptr, sizeof(FOLDER_A), FOLDER_A));
    EXPECT_EQ(S_OK, pStore->AddFolder(nullptr, sizeof(FOLDER_B), FOLDER_B));
    EXPECT_EQ(S_OK, pStore->AddFolder(nullptr, sizeof(FOLDER_A), FOLDER_A));
    EXPECT_EQ(S_OK, pStore->AddFolder(3, nullptr, sizeof(FOLDER_B), FOLDER_B));
    ASSERT_EQ(2, pStore->GetFolderCount());
    EXPECT_EQ(std::string("\xA0\xA1\xA2\xA3", 4), FolderKeyOf(pStore, 0));
    EXPECT_EQ(std::string("\xB0", 1), FolderKeyOf(pStore, 1));
    EXPECT_EQ(E_INVALIDARG, pStore->AddFolder(nullptr, 0, FOLDER_A));
    EXPECT_EQ(E_INVALIDARG, pStore->AddFolder(nullptr, 4, nullptr));

    CFolderInfo* pFolder = reinterpret_cast<CFolderInfo*>(0x1);
    EXPECT_EQ(E_INVALIDARG, pStore->GetFolder(-1, &pFolder));
    EXPECT_EQ(E_INVALIDARG, pStore->GetFolder(2, &pFolder));
    EXPECT_EQ(reinterpret_cast<CFolderInfo*>(0x1), pFolder);  // untouched on failure
    EXPECT_EQ(E_INVALIDARG, pStore->GetFolder(0, nullptr));
    EXPECT_EQ(E_INVALIDARG, pStore->DeleteFolder(2));
    EXPECT_EQ(E_INVALIDARG, pStore->DeleteFolder(-1));

    // A folder lent out outlives its removal from the store.
    ASSERT_EQ(S_OK, pStore->GetFolder(0, &pFolder));
    EXPECT_EQ(S_OK, pStore->DeleteFolder(0));
    EXPECT_EQ(1, pStore->GetFolderCount());
    SBinary key = {0, nullptr};
    EXPECT_EQ(S_OK, pFolder->GetFolderKey(&key));
    EXPECT_EQ(4u, key.cb);
    FreeBinaryKey(&key);
    pFolder->Release();
    pStore->Release();
}

TEST(StoreInfo, FailedKeyCopiesNeverLeaveHalfARecord) {
    CStoreInfo* pStore = new CStoreInfo;
    pStore->AddRef();
    // The instance key's copy fails: the store keeps neither key.
    SetKeyCopyFailureAfter(1);
    EXPECT_EQ(E_OUTOFMEMORY, pStore->Init(sizeof(STORE_KEY), STORE_KEY, sizeof(INSTANCE_KEY), INSTANCE_KEY));
    SBinary key = {9, nullptr};
    EXPECT_EQ(S_OK, pStore->GetStoreKey(&key));
    EXPECT_EQ(0u, key.cb);

    ASSERT_EQ(S_OK, pStore->Init(sizeof(STORE_KEY), STORE_KEY, sizeof(INSTANCE_KEY), INSTANCE_KEY));
    // The new folder's folder key fails: no folder with an empty key joins the store.
    SetKeyCopyFailureAfter(1);
    EXPECT_EQ(E_OUTOFMEMORY, pStore->AddFolder(nullptr, sizeof(FOLDER_A), FOLDER_A));
    EXPECT_EQ(0, pStore->GetFolderCount());

    // Handing out a copy fails cleanly too.
    SetKeyCopyFailureAfter(0);
    EXPECT_EQ(E_OUTOFMEMORY, pStore->GetInstanceKey(&key));
    EXPECT_EQ(0u, key.cb);
    EXPECT_EQ(nullptr, key.lpb);
    SetKeyCopyFailureAfter(-1);
    pStore->Release();
}

TEST(StoreInfo, BuildObjectMapHoldsEveryFolderId) {
    CStoreInfo* pStore = MakeStore();
    CObjectMap map;
    ASSERT_EQ(S_OK, map.Insert(sizeof(FOLDER_B), FOLDER_B, "stale"));
    EXPECT_EQ(S_OK, pStore->BuildObjectMap(&map));
    EXPECT_EQ(0u, map.GetCount());

    ASSERT_EQ(S_OK, pStore->AddFolder(nullptr, sizeof(FOLDER_A), FOLDER_A));
    ASSERT_EQ(S_OK, pStore->AddFolder(nullptr, sizeof(FOLDER_B), FOLDER_B));
    EXPECT_EQ(S_OK, pStore->BuildObjectMap(&map));
    EXPECT_EQ(2u, map.GetCount());
    BOOL bPresent = FALSE;
    EXPECT_EQ(S_OK, map.IsObjectPresent(sizeof(FOLDER_A), FOLDER_A, &bPresent));
    EXPECT_TRUE(bPresent);
    pStore->Release();
}

TEST(StoreRecord, IsWrittenFieldByFieldAndReadBackAlike) {
    CStoreInfo* pStore = MakeStore();
    pStore->SetPassword("secret");
    ASSERT_EQ(S_OK, pStore->AddFolder(nullptr, sizeof(FOLDER_A), FOLDER_A));
    ASSERT_EQ(S_OK, pStore->AddFolder(nullptr, sizeof(FOLDER_B), FOLDER_B));
    const std::string bytes = StoreRecord(pStore);

    std::string expected = NewClassTag("CStoreInfo") + Dword(1) + Dword(3) + "\x10\x11\x12" + Dword(2) +
                           "\x20\x21" +
                           "\x10"
                           "Personal Folders" +
                           Dword(0) /* IMAP */ + Dword(2);
    // The first folder brings its class; the second refers to it by index (descriptor 1, store
    // record 2, descriptor 3): 0x8003.
    expected += NewClassTag("CFolderInfo") + Dword(1) + Dword(3) + "\x10\x11\x12" + Dword(4) +
                "\xA0\xA1\xA2\xA3" + Dword(6);
    expected += Hex("03 80") + Dword(1) + Dword(3) + "\x10\x11\x12" + Dword(1) + "\xB0" + Dword(6);
    expected += Hex("00 00");  // no property list
    EXPECT_EQ(expected, bytes);

    CStoreInfo* pLoaded = static_cast<CStoreInfo*>(LoadRecord(bytes, RUNTIME_CLASS(CStoreInfo)));
    ASSERT_NE(nullptr, pLoaded);
    pLoaded->AddRef();
    EXPECT_EQ(bytes, StoreRecord(pLoaded));
    // The password lives in memory only.
    EXPECT_FALSE(pLoaded->IsPasswordProtected());
    EXPECT_TRUE(pLoaded->GetPassword().IsEmpty());
    EXPECT_EQ(CString("Personal Folders"), pLoaded->GetStoreName());
    pLoaded->Release();
    pStore->Release();
}

TEST(StoreRecord, NullFolderSlotsAreSkippedAndOddValuesKept) {
    const std::string folder =
        NewClassTag("CFolderInfo") + Dword(1) + Dword(1) + "\x01" + Dword(1) + "\x02" + Dword(9);
    const std::string bytes = NewClassTag("CStoreInfo") + Dword(1) + Dword(0) + Dword(0) + Hex("00") +
                              Dword(1) + Dword(3) + Hex("00 00") + folder + Hex("00 00") + Hex("00 00");
    CStoreInfo* pStore = static_cast<CStoreInfo*>(LoadRecord(bytes, RUNTIME_CLASS(CStoreInfo)));
    ASSERT_NE(nullptr, pStore);
    pStore->AddRef();
    EXPECT_EQ(1, pStore->GetFolderCount());
    // The folder's value 9 and the IMAP flag survive a save.
    const std::string saved = StoreRecord(pStore);
    EXPECT_NE(std::string::npos, saved.find(Dword(1) + "\x02" + Dword(9)));
    EXPECT_EQ(Dword(1), saved.substr(NewClassTag("CStoreInfo").size() + 4 + 4 + 4 + 1, 4));
    pStore->Release();
}

// A store double whose entry ids name one entry whatever their four flag bytes say.
class CFlagBlindStore : public CFakeMsgStore {
public:
    int m_nCompared = 0;
    HRESULT CompareEntryIDs(ULONG cb1, LPENTRYID lp1, ULONG cb2, LPENTRYID lp2, ULONG,
                            ULONG* lpulResult) override {
        ++m_nCompared;
        *lpulResult = cb1 == cb2 && cb1 > 4 && memcmp((BYTE*)lp1 + 4, (BYTE*)lp2 + 4, cb1 - 4) == 0;
        return S_OK;
    }
};

TEST(StoreInfo, HeldFoldersAreFoundByIdInEveryStepOfTheList) {
    using namespace std::string_literals;
    const std::string a = "\0\0\0\0folder-a"s, aShort = "\x80\0\0\0folder-a"s, b = "\0\0\0\0folder-b"s;
    auto add = [](CStoreInfo* pStore, IMsgStore* lpMDB, const std::string& id) {
        return pStore->AddFolder(lpMDB, (ULONG)id.size(), reinterpret_cast<const BYTE*>(id.data()));
    };
    CStoreInfo* pStore = MakeStore();
    auto* pMDB = new CFlagBlindStore;
    ASSERT_EQ(S_OK, add(pStore, pMDB, a));
    ASSERT_EQ(S_OK, add(pStore, pMDB, b));
    // The store takes an id that differs in its flags for the same folder; only that one is asked.
    pMDB->m_nCompared = 0;
    EXPECT_EQ(S_OK, add(pStore, pMDB, aShort));
    EXPECT_EQ(2, pStore->GetFolderCount());
    EXPECT_EQ(1, pMDB->m_nCompared);
    // Without a store, ids are compared byte for byte.
    EXPECT_EQ(S_OK, add(pStore, nullptr, aShort));
    EXPECT_EQ(3, pStore->GetFolderCount());
    // A removed folder may be chosen again, and comes last.
    ASSERT_EQ(S_OK, pStore->DeleteFolder(0));
    EXPECT_EQ(S_OK, add(pStore, nullptr, a));
    ASSERT_EQ(3, pStore->GetFolderCount());
    EXPECT_EQ(b, FolderKeyOf(pStore, 0));
    EXPECT_EQ(a, FolderKeyOf(pStore, 2));
    pMDB->Release();
    pStore->Release();
}

// A document that names one folder twice, by a second record or by referring to the first one
// again, loads with the folder once; the second record lives on for a later store that refers to it.
TEST(StoreRecord, AFolderNamedTwiceIsHeldOnce) {
    auto folder = [](const std::string& head, const std::string& id) {
        return head + Dword(1) + Dword(1) + "\x01" + Dword((DWORD)id.size()) + id + Dword(6);
    };
    // Indexes: 1 store class, 2 store, 3 folder class, 4 and 5 the records of folder "a", 6 "b";
    // the second store is record 7.
    const std::string stores = NewClassTag("CStoreInfo") + Dword(1) + Dword(0) + Dword(0) + Hex("00") +
                               Dword(0) + Dword(4) + folder(NewClassTag("CFolderInfo"), "a") +
                               folder(Hex("03 80"), "a") + Hex("04 00") + folder(Hex("03 80"), "b") +
                               Hex("00 00") + Hex("01 80") + Dword(1) + Dword(0) + Dword(0) + Hex("00") +
                               Dword(0) + Dword(1) + Hex("05 00") + Hex("00 00");
    TraceCapture trace(TRACE_WARNING);
    CStoreInfo* pFirst = nullptr;
    CStoreInfo* pSecond = nullptr;
    EXPECT_EQ("ok", Outcome([&] {
                  Loaded(stores, [&](CArchive& ar) {
                      pFirst = static_cast<CStoreInfo*>(ar.ReadObject(RUNTIME_CLASS(CStoreInfo)));
                      pFirst->AddRef();
                      pSecond = static_cast<CStoreInfo*>(ar.ReadObject(RUNTIME_CLASS(CStoreInfo)));
                      pSecond->AddRef();
                  });
              }));
    ASSERT_NE(nullptr, pFirst);
    ASSERT_NE(nullptr, pSecond);
    ASSERT_EQ(2, pFirst->GetFolderCount());
    EXPECT_EQ("a", FolderKeyOf(pFirst, 0));
    EXPECT_EQ("b", FolderKeyOf(pFirst, 1));
    EXPECT_TRUE(trace.Contains("Folder record 1 names a folder already held - skipping!\n"));
    EXPECT_TRUE(trace.Contains("Folder record 2 names a folder already held - skipping!\n"));
    // What was loaded is what AddFolder then finds.
    EXPECT_EQ(S_OK, pFirst->AddFolder(nullptr, 1, reinterpret_cast<const BYTE*>("a")));
    EXPECT_EQ(2, pFirst->GetFolderCount());
    pFirst->Release();
    ASSERT_EQ(1, pSecond->GetFolderCount());
    EXPECT_EQ("a", FolderKeyOf(pSecond, 0));
    pSecond->Release();
}

TEST(FolderPath, NamesTheFoldersBelowTheIpmSubtreeOrFails) {
    const FolderTree tree = {
        {IPM_ID, {std::string("Top of Personal Folders"), "root"}},
        {"root", {std::string(""), "root"}},
        {"inbox", {std::string("Inbox"), IPM_ID}},
        {"projects", {std::string("Projects"), "inbox"}},
        {"2026", {std::string("2026"), "projects"}},
        {"nameless", {std::nullopt, "inbox"}},
        {"below", {std::string("Below"), "nameless"}},
        {"self", {std::string("Self"), "self"}},
        {"ping", {std::string("Ping"), "pong"}},
        {"pong", {std::string("Pong"), "ping"}},
        {"lost", {std::string("Lost"), "gone"}},
    };
    const struct {
        const char* pszID;
        HRESULT hr;
        const char* pszPath;
    } cases[] = {
        {"inbox", S_OK, "Inbox"},
        {"2026", S_OK, "Inbox\\Projects\\2026"},  // outermost first
        {"below", S_OK, "Inbox\\<?>\\Below"},     // an unnamed folder shows as a question mark
        {"deleted", S_FOLDER_VANISHED, ""},       // a success, without a path
        {"self", E_FAIL, ""},                     // its own parent
        {"ping", E_FAIL, ""},                     // two folders that name each other
        {IPM_ID, E_FAIL, ""},                     // climbs to the root, which is its own parent
        {"lost", MAPI_E_NOT_FOUND, ""},           // a parent went away while the child stayed
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszID);
        CString strPath;
        int nOpened = 0;
        EXPECT_EQ(c.hr, PathOf(tree, c.pszID, strPath, nOpened));
        EXPECT_EQ(CString(c.pszPath), strPath);
        EXPECT_LE(nOpened, FOLDER_PATH_MAX_DEPTH + 1);  // the climb is bounded
        EXPECT_TRUE(std::string(c.pszID) != "self" || nOpened == 1) << "its own parent is refused at once";
        EXPECT_TRUE(std::string(c.pszID) != "ping" || nOpened == 2)
            << "a cycle ends the climb when it comes round";
    }
}

TEST(FolderPath, NamesAtMostTheBoundCuttingADeeperFolderFromTheTop) {
    // A chain of folders "L1" (below the subtree) to "L<bound + 1>".
    FolderTree tree = {{IPM_ID, {std::string("Top of Personal Folders"), "root"}}};
    std::string whole;
    for (int n = 1; n <= FOLDER_PATH_MAX_DEPTH + 1; ++n) {
        const std::string name = "L" + std::to_string(n);
        tree[name] = {name, n == 1 ? std::string(IPM_ID) : "L" + std::to_string(n - 1)};
        if (n <= FOLDER_PATH_MAX_DEPTH)
            whole += (n > 1 ? "\\" : "") + name;
    }
    CString strPath;
    int nOpened = 0;
    EXPECT_EQ(S_OK, PathOf(tree, "L" + std::to_string(FOLDER_PATH_MAX_DEPTH), strPath, nOpened));
    EXPECT_EQ(CString(whole.c_str()), strPath);
    EXPECT_EQ(S_FOLDER_PATH_CUT,
              PathOf(tree, "L" + std::to_string(FOLDER_PATH_MAX_DEPTH + 1), strPath, nOpened));
    EXPECT_EQ(
        CString((FOLDER_PATH_CUT_MARK + whole.substr(2) + "\\L" + std::to_string(FOLDER_PATH_MAX_DEPTH + 1))
                    .c_str()),
        strPath);
    EXPECT_LE(nOpened, FOLDER_PATH_MAX_DEPTH + 1);
}

TEST(FolderPath, ArgumentsAreChecked) {
    CFolderInfo* pFolder = new CFolderInfo;
    pFolder->AddRef();
    CFakeMsgStore* pStore = new CFakeMsgStore;
    CString strPath;
    EXPECT_EQ(E_INVALIDARG, pFolder->GetFullPath(nullptr, strPath));
    EXPECT_EQ(E_UNEXPECTED, pFolder->GetFullPath(pStore, strPath));
    pStore->Release();
    pFolder->Release();
}

TEST(RecordFrameTest, UnknownVersionsAndCutBodiesFailTracedAndWithoutLeaks) {
    CStoreInfo* pStore = MakeStore();
    ASSERT_EQ(S_OK, pStore->AddFolder(nullptr, sizeof(FOLDER_A), FOLDER_A));
    CFolderInfo* pFolder = new CFolderInfo;
    pFolder->AddRef();
    CStdPropList* pList = new CStdPropList;
    pList->AddRef();
    {
        SCOPED_TRACE("store");
        CheckFrame(*pStore);
    }
    {
        SCOPED_TRACE("folder");
        CheckFrame(*pFolder);
    }
    {
        SCOPED_TRACE("list base part");
        CheckFrame(*pList);
    }
    pList->Release();
    pFolder->Release();
    pStore->Release();
}
