// The demo document: written once on the demo profile, it opens with one configuration per item
// type, each ready to search, and each search finds duplicates.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "engine/DrawerMap.h"
#include "engine/DrawerMapList.h"
#include "engine/SortDrawer.h"
#include "model/ConfigInfo.h"
#include "model/QuorvelDoc.h"
#include "model/StoreInfo.h"
#include "tests/support/TempRoot.h"

namespace {

std::string Bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

int RunTool(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str());
}

// The groups of two or more items in a search result.
int GroupCount(CDrawerMapList* pList) {
    int nGroups = 0;
    for (ULONG i = 0; i < pList->GetCount(); ++i) {
        CDrawerMap* pMap = pList->GetAt(i);
        if (pMap == nullptr)
            continue;
        CSortDrawer* pDrawer = nullptr;
        HRESULT hr = pMap->FindFirst(&pDrawer);
        while (SUCCEEDED(hr) && pDrawer != nullptr) {
            nGroups += pDrawer->GetCount() > 1 ? 1 : 0;
            pDrawer->Release();
            pDrawer = nullptr;
            hr = pMap->FindNext(&pDrawer);
        }
        pMap->Release();
    }
    return nGroups;
}

TEST(DemoDocument, EveryItemTypeOfTheDemoProfileIsReadyToSearchAndFindsDuplicates) {
    qrvtest::TempRoot root;
    const std::string path = root.Path() + "/demo.qrv";
    // Without the demo profile there is nothing to write.
    EXPECT_NE(0, RunTool(std::string("'") + QRVDEMODOC_PATH + "' '" + path + "'"));
    ASSERT_EQ(0, RunTool(std::string("'") + QRVSTORE_PATH + "' demo"));
    ASSERT_EQ(0, RunTool(std::string("'") + QRVDEMODOC_PATH + "' '" + path + "'"));
    // Written once: a second run leaves the file (and the user's changes to it) alone.
    const std::string written = Bytes(path);
    ASSERT_FALSE(written.empty());
    ASSERT_EQ(0, RunTool(std::string("'") + QRVDEMODOC_PATH + "' '" + path + "'"));
    EXPECT_EQ(written, Bytes(path));

    CQuorvelDoc doc;
    ASSERT_TRUE(doc.OnOpenDocument(path.c_str()));
    std::vector<DWORD> types;
    POSITION pos = nullptr;
    CConfigInfo* pConfig = nullptr;
    for (BOOL bMore = doc.GetFirstConfiguration(pos, &pConfig); bMore;
         bMore = doc.GetNextConfiguration(pos, &pConfig)) {
        SCOPED_TRACE((LPCSTR)pConfig->GetConfigName());
        types.push_back(pConfig->GetConfigType());
        EXPECT_FALSE(pConfig->IsNewConfig());
        EXPECT_TRUE(pConfig->IsProfileSelected());
        EXPECT_EQ("Quorvel Demo", std::string((LPCSTR)pConfig->GetProfileName()));
        EXPECT_EQ(1u, pConfig->GetCompareMode());
        EXPECT_EQ(0u, pConfig->GetProcessingMode());
        // The folders of the type in "Personal Folders"; the protected "Archive" is left out.
        ASSERT_EQ(2, pConfig->GetStoreCount());
        for (int i = 0; i < 2; ++i) {
            CStoreInfo* pStore = pConfig->GetStore(i);
            const bool bPersonal = pStore->GetStoreName() == "Personal Folders";
            EXPECT_EQ(bPersonal, pStore->GetFolderCount() > 0) << (LPCSTR)pStore->GetStoreName();
            pStore->Release();
        }
        BOOL bPossible = FALSE;
        EXPECT_EQ(S_OK, pConfig->IsSearchPossible(&bPossible));
        EXPECT_TRUE(bPossible);
        CDrawerMapList* pResult = nullptr;
        EXPECT_EQ(S_OK, pConfig->FindDuplicates(&pResult, nullptr));
        if (pResult != nullptr) {
            EXPECT_GT(GroupCount(pResult), 0);
            pResult->Release();
        }
        pConfig->Release();
    }
    EXPECT_EQ((std::vector<DWORD>{CONFIG_TYPE_MAIL, CONFIG_TYPE_CONTACT, CONFIG_TYPE_APPOINTMENT,
                                  CONFIG_TYPE_TASK, CONFIG_TYPE_NOTE, CONFIG_TYPE_JOURNAL}),
              types);
}

}  // namespace
