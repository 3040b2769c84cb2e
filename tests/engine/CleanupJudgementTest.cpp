// The cleanup's judging and deleting beside another connection to the same store: a commit made
// while the groups are judged neither waits for the judgement nor goes unseen by the deletions, and
// a deletion whose judgement under the write lock failed leaves the lock to others and to the next
// folder's deletion.
#include <gtest/gtest.h>

#include <functional>
#include <utility>

#include "engine/CleanupCheck.h"
#include "engine/CleanupFolder.h"
#include "engine/DrawerMapList.h"
#include "model/FolderInfo.h"
#include "model/ResultReview.h"
#include "model/Session.h"
#include "model/StoreInfo.h"
#include "platform/mapi/MAPITestHooks.h"
#include "platform/mapi/StoreChanges.h"
#include "tests/engine/EngineTestSupport.h"
#include "tests/engine/SearchWorld.h"

using namespace enginetest;

namespace {

// A configuration that runs the test's code while it is asked about a group's values, that is in
// the middle of a judgement.
class CJudgingConfig : public CTestConfig {
public:
    CJudgingConfig() : CTestConfig(nullptr) {}
    BOOL ArePropValuesEmpty(ULONG cValues, const SPropValue* lpProps) override {
        if (m_during) {
            std::function<void()> during = std::move(m_during);
            m_during = nullptr;
            during();
        }
        return CTestConfig::ArePropValuesEmpty(cValues, lpProps);
    }
    std::function<void()> m_during;
};

// Soft-deletes an item through the world's own connection: another program's commit.
HRESULT Drop(CSearchWorld& world, const std::vector<BYTE>& folder, const SBinary& item) {
    ULONG ulType = 0;
    LPUNKNOWN lpUnknown = nullptr;
    HRESULT hr = world.Store(0)->OpenEntry((ULONG)folder.size(), (LPENTRYID)folder.data(), nullptr,
                                           MAPI_MODIFY, &ulType, &lpUnknown);
    if (FAILED(hr))
        return hr;
    SBinaryArray list{1, const_cast<SBinary*>(&item)};
    hr = static_cast<IMAPIFolder*>(lpUnknown)->DeleteMessages(&list, 0, nullptr, 0);
    lpUnknown->Release();
    return hr;
}

// A folder's marked entries with their groups, as the cleanup hands them to a deletion.
std::vector<CMarkedEntry> MarkedIn(std::vector<CCleanupGroup>& groups, LONG lFolder) {
    std::vector<CMarkedEntry> entries;
    for (CCleanupGroup& group : groups)
        for (CEntryReference* pEntry : group.marked)
            if (pEntry->GetFolderIndex() == lFolder)
                entries.emplace_back(pEntry->EntryIDView(), &group);
    return entries;
}

}  // namespace

TEST(CleanupJudgement, OtherConnectionsCommitDuringTheJudgementAndAfterAFailedJudgementUnderTheLock) {
    CSearchWorld world(1);
    const std::vector<BYTE> one = world.MakeFolder(0, "One"), two = world.MakeFolder(0, "Two");
    world.AddItem(0, one, {"a", "Ann"});
    world.AddItem(0, one, {"a copy", "Ann"});
    world.AddItem(0, one, {"b", "Bob"});
    world.AddItem(0, one, {"b copy", "Bob"});
    world.AddItem(0, two, {"c", "Cid"});
    world.AddItem(0, two, {"c copy", "Cid"});
    CTestConfig* pConfig = world.MakeConfig(0, {{0, {one, two}}});
    pConfig->Compare(PR_GIVEN_NAME);
    CDrawerMapList* pResult = nullptr;
    ASSERT_EQ(S_OK, pConfig->FindDuplicates(&pResult, nullptr));
    // Each group's first entry kept, the other marked; the result holds the entries.
    std::vector<CCleanupGroup> groups;
    for (ULONG m = 0; m < pResult->GetCount(); ++m) {
        CDrawerMap* pMap = pResult->GetAt(m);
        for (CSortDrawer* pDrawer : Walk(pMap)) {
            const std::vector<CEntryReference*> entries = Entries(pDrawer);
            groups.push_back({entries.at(0), {entries.begin() + 1, entries.end()}});
        }
        pMap->Release();
    }
    ASSERT_EQ(3u, groups.size());
    ASSERT_EQ(1, groups[2].pKept->GetFolderIndex());
    CResultReview review;
    CStoreInfo* pStore = pConfig->GetStore(0);
    for (int f = 0; f < 2; ++f) {
        const std::vector<BYTE>& key = f == 0 ? one : two;
        review.SetFolderKey(0, f, key.data(), (ULONG)key.size());
    }
    ASSERT_EQ(S_OK, MAPIInitialize(nullptr));
    IMAPISession* lpSession = nullptr;
    IMsgStore* lpMDB = nullptr;
    LPSPropTagArray lpCompared = nullptr;
    ASSERT_EQ(S_OK, RetrieveSession(pConfig, &lpSession));
    ASSERT_EQ(S_OK, OpenStore(pConfig, lpSession, pStore, &lpMDB, TRUE));
    ASSERT_EQ(S_OK, pConfig->BuildPropTagArray(0, &lpCompared));
    std::vector<CCleanupGroup*> all;
    for (CCleanupGroup& group : groups)
        all.push_back(&group);

    // Another connection commits while the groups are judged: it does not wait, and the change
    // mark the groups keep is not the store's any more, so each deletion judges them again.
    CJudgingConfig judging;
    HRESULT hrDuring = E_FAIL;
    judging.m_during = [&]() { hrDuring = Drop(world, one, groups[1].pKept->EntryIDView()); };
    ASSERT_EQ(S_OK, JudgeStoreGroups(&judging, lpMDB, pStore, 0, &review, lpCompared, all));
    EXPECT_EQ(S_OK, hrDuring) << "the judgement held the other connection off";
    ULONGLONG ullMark = 0;
    ASSERT_EQ(S_OK, HrGetStoreChangeMark(lpMDB, &ullMark));
    EXPECT_NE(groups[0].ullMark, ullMark) << "a commit during the judgement went unseen";

    // The first folder's judgement under the lock fails: nothing of it goes, the lock goes at
    // once, and the second folder's deletion is committed for everyone to see.
    CFolderDeletion deletion;
    CMAPITestHooks::FailQueryRows(1, MAPI_E_DISK_ERROR);
    EXPECT_TRUE(FAILED(DeleteJudgedEntries(pConfig, lpMDB, pStore, 0, 0, &review, lpCompared,
                                           MarkedIn(groups, 0), deletion)));
    CMAPITestHooks::Reset();
    EXPECT_EQ(CleanupStep::Judge, deletion.failed);
    EXPECT_EQ(S_OK, Drop(world, one, groups[0].pKept->EntryIDView())) << "the lock stayed";
    EXPECT_EQ(S_OK, DeleteJudgedEntries(pConfig, lpMDB, pStore, 0, 1, &review, lpCompared,
                                        MarkedIn(groups, 1), deletion));
    EXPECT_EQ(CleanupStep::None, deletion.failed);
    lpMDB->Release();
    lpMDB = nullptr;
    EXPECT_EQ(MAPI_W_PARTIAL_COMPLETION, Drop(world, two, groups[2].marked.at(0)->EntryIDView()))
        << "the second folder's deletion was never committed";

    free(lpCompared);
    lpSession->Logoff(0, 0, 0);
    lpSession->Release();
    MAPIUninitialize();
    pStore->Release();
    pResult->Release();
    pConfig->Release();
}

// Groups that list their kept item among the marked ones (what a search that met one item twice
// would give): the kept item stays, a group of nothing but itself deletes nothing and is not
// counted as cleaned, and an item marked twice is deleted once.
TEST(CleanupJudgement, AnItemListedTwiceIsNeverItsOwnDuplicate) {
    CSearchWorld world(1);
    const std::vector<BYTE> inbox = world.MakeFolder(0, "Inbox");
    world.AddItem(0, inbox, {"a", "Ann"});
    world.AddItem(0, inbox, {"a copy", "Ann"});
    world.AddItem(0, inbox, {"c", "Cid"});
    CTestConfig* pConfig = world.MakeConfig(0, {{0, {inbox}}});
    pConfig->Compare(PR_GIVEN_NAME);
    CDrawerMapList* pResult = nullptr;
    ASSERT_EQ(S_OK, pConfig->FindDuplicates(&pResult, nullptr));
    std::vector<std::vector<CEntryReference*>> found;
    CDrawerMap* pMap = pResult->GetAt((ULONG)0);
    for (CSortDrawer* pDrawer : Walk(pMap))
        found.push_back(Entries(pDrawer));
    pMap->Release();
    ASSERT_EQ(2u, found.size());
    ASSERT_EQ(2u, found[0].size());
    CEntryReference* pAnn = found[0][0];
    CEntryReference* pCopy = found[0][1];
    CEntryReference* pCid = found[1].at(0);
    std::vector<CCleanupGroup> groups = {{pAnn, {pAnn, pCopy, pCopy}}, {pCid, {pCid}}};
    std::vector<CCleanupGroup*> all = {&groups[0], &groups[1]};
    CResultReview review;
    review.SetFolderKey(0, 0, inbox.data(), (ULONG)inbox.size());
    CStoreInfo* pStore = pConfig->GetStore(0);
    ASSERT_EQ(S_OK, MAPIInitialize(nullptr));
    IMAPISession* lpSession = nullptr;
    IMsgStore* lpMDB = nullptr;
    LPSPropTagArray lpCompared = nullptr;
    ASSERT_EQ(S_OK, RetrieveSession(pConfig, &lpSession));
    ASSERT_EQ(S_OK, OpenStore(pConfig, lpSession, pStore, &lpMDB, TRUE));
    ASSERT_EQ(S_OK, pConfig->BuildPropTagArray(0, &lpCompared));

    ASSERT_EQ(S_OK, JudgeStoreGroups(pConfig, lpMDB, pStore, 0, &review, lpCompared, all));
    CFolderDeletion deletion;
    ASSERT_EQ(S_OK, DeleteJudgedEntries(pConfig, lpMDB, pStore, 0, 0, &review, lpCompared,
                                        MarkedIn(groups, 0), deletion));
    EXPECT_EQ(CleanupStep::None, deletion.failed);
    EXPECT_EQ(0u, deletion.ulNotDeleted) << "an item marked twice was counted as not deleted";
    EXPECT_TRUE(groups[0].bDeletedFrom);
    EXPECT_EQ(CleanupSkip::None, groups[1].skip);
    EXPECT_FALSE(groups[1].bDeletedFrom) << "a group of one item counted as cleaned";
    lpMDB->Release();
    lpMDB = nullptr;
    // Soft-deleting through another connection tells which items were still live.
    EXPECT_EQ(S_OK, Drop(world, inbox, pAnn->EntryIDView())) << "the kept item was deleted";
    EXPECT_EQ(S_OK, Drop(world, inbox, pCid->EntryIDView())) << "an item of its own group was deleted";
    EXPECT_EQ(MAPI_W_PARTIAL_COMPLETION, Drop(world, inbox, pCopy->EntryIDView())) << "the duplicate stayed";

    free(lpCompared);
    lpSession->Logoff(0, 0, 0);
    lpSession->Release();
    MAPIUninitialize();
    pStore->Release();
    pResult->Release();
    pConfig->Release();
}
