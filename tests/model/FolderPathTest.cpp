// Folder paths below the IPM subtree, over a store double whose folder tree each test lays out.
#include <gtest/gtest.h>

#include <string>

#include "model/FolderInfo.h"
#include "model/StoreInfo.h"
#include "tests/model/FakeMsgStore.h"

using namespace proptest;

namespace {

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

}  // namespace

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
    }
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
