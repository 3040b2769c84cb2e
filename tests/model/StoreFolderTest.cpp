// Store and folder records: folder lists, key copies and their saved records byte for byte.
#include <gtest/gtest.h>

#include "model/FolderInfo.h"
#include "model/KeyCopy.h"
#include "model/ObjectMap.h"
#include "model/StoreInfo.h"
#include "tests/model/ArchiveBytes.h"

using namespace qrvtest;

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
