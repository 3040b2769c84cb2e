// The search end to end on real store files: compare modes, numbering, skipped items, abort paths.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <future>
#include <random>
#include <set>

#include "engine/DrawerMapList.h"
#include "model/StoreInfo.h"
#include "platform/mapi/FileCheck.h"
#include "platform/mapi/MAPITestHooks.h"
#include "tests/engine/EngineTestSupport.h"
#include "tests/engine/SearchWorld.h"
#include "tests/platform_mapi/HeldCheck.h"

using namespace enginetest;

namespace {

using Groups = std::vector<std::vector<std::string>>;
using Result = std::vector<Groups>;

// The groups of a search result: for each map, each drawer's entries as subjects in walk order.
Result ReadResult(CDrawerMapList* pList) {
    Result result(pList->GetCount());
    for (ULONG m = 0; m < pList->GetCount(); ++m) {
        CDrawerMap* pMap = pList->GetAt(m);
        for (CSortDrawer* pDrawer : Walk(pMap)) {
            std::vector<std::string>& group = result[m].emplace_back();
            for (CEntryReference* pEntry : Entries(pDrawer)) {
                group.push_back(Subject(pEntry));
            }
        }
        pMap->Release();
    }
    return result;
}

// What a search leaves behind must be nothing but the list: counted after it is released.
struct CLiveCounts {
    LONG objects = CMAPITestHooks::LiveObjects();
    LONG buffers = CMAPITestHooks::LiveBuffers();
    LONG balance = CMAPITestHooks::InitializeBalance();
    void ExpectUnchanged(const char* what) const {
        EXPECT_EQ(objects, CMAPITestHooks::LiveObjects()) << what;
        EXPECT_EQ(buffers, CMAPITestHooks::LiveBuffers()) << what;
        EXPECT_EQ(balance, CMAPITestHooks::InitializeBalance()) << what;
    }
};

// Searches and reads the result; once the list is released nothing the search made may be left.
Result Search(CTestConfig* pConfig, HRESULT hrExpected = S_OK) {
    CLiveCounts before;
    CDrawerMapList* pList = nullptr;
    EXPECT_EQ(hrExpected, pConfig->FindDuplicates(&pList, nullptr));
    Result result;
    if (pList != nullptr) {
        result = ReadResult(pList);
        EXPECT_EQ(0u, pList->Release());
    }
    before.ExpectUnchanged("search");
    return result;
}

}  // namespace

// A store whose folder index no longer matches its rows reads as empty without an error. The search
// does not wait for the stores' whole-file checks: it gives what it read, and the damaged store is
// told when its check ends. A second search is told again, and checks nothing again.
TEST(DuplicateSearch, AStoreThatFailsItsCheckIsToldAfterTheSearchAndEachFileIsCheckedOnce) {
    CSearchWorld world(2);
    auto sound = world.MakeFolder(0, "Contacts");
    world.AddItem(0, sound, {"first", "Ann"});
    world.AddItem(0, sound, {"second", "Ann"});
    auto broken = world.MakeFolder(1, "Contacts");
    world.AddItem(1, broken, {"third", "Ann"});
    world.AddItem(1, broken, {"fourth", "Ann"});
    CTestConfig* pConfig = world.MakeConfig(0, {{0, {sound}}, {1, {broken}}});
    pConfig->Compare(PR_GIVEN_NAME);
    world.BreakFolderIndex(1);
    const long start = qrvmapi::FileChecksRun();
    const Result expected = {{{"second", "first"}}, {}};
    EXPECT_EQ(expected, Search(pConfig));
    EXPECT_EQ(std::vector<HRESULT>{MAPI_E_CORRUPT_STORE}, world.Ui().CheckFailures(1));
    EXPECT_EQ(start + 1, qrvmapi::FileChecksRun());  // the sound store's was made by its writes

    EXPECT_EQ(expected, Search(pConfig));
    EXPECT_EQ((std::vector<HRESULT>{MAPI_E_CORRUPT_STORE, MAPI_E_CORRUPT_STORE}),
              world.Ui().CheckFailures(2));
    EXPECT_EQ(start + 1, qrvmapi::FileChecksRun()) << "a search checked a file again";
    pConfig->Release();
}

// The search never waits for a store's whole-file check: with the check held at its start, the
// search gives its result, and the damaged store is told only once the check is let go.
TEST(DuplicateSearch, TheResultComesWhileTheCheckIsHeldAndTheDamageWhenItEnds) {
    CSearchWorld world(1);
    auto folder = world.MakeFolder(0, "Contacts");
    world.AddItem(0, folder, {"first", "Ann"});
    world.AddItem(0, folder, {"second", "Ann"});
    CTestConfig* pConfig = world.MakeConfig(0, {{0, {folder}}});
    pConfig->Compare(PR_GIVEN_NAME);
    world.BreakFolderIndex(0);  // a new file: its check starts with the search
    mapitest::CHeldCheck held(qrvmapi::CFileChecks::CStage::Starting);
    auto search = std::async(std::launch::async, [&] { return Search(pConfig); });
    const bool returned = search.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    EXPECT_TRUE(returned) << "the search waited for the check";
    // The check's thread may reach its start only after the search returned: it is held there.
    held.WaitHeld();
    EXPECT_TRUE(world.Ui().CheckFailures(0).empty()) << "told before the check ended";
    held.Release();
    EXPECT_EQ(Result(1), search.get());
    EXPECT_EQ(std::vector<HRESULT>{MAPI_E_CORRUPT_STORE}, world.Ui().CheckFailures(1));
    pConfig->Release();
}

// A configuration without stores: nothing to search, an empty result, and nothing left behind.
TEST(DuplicateSearch, ConfigurationWithoutStoresGivesAnEmptyResult) {
    CSearchWorld world(0);
    CTestConfig* pConfig = world.MakeConfig(0, {});
    pConfig->Compare(PR_GIVEN_NAME);
    BOOL fPossible = TRUE;
    EXPECT_EQ(S_OK, pConfig->IsSearchPossible(&fPossible));
    EXPECT_FALSE(fPossible);
    EXPECT_TRUE(Search(pConfig).empty());
    EXPECT_EQ(1, world.Ui().m_nProgressMade);
    EXPECT_EQ(1, world.Ui().m_nProgressGone);
    pConfig->Release();
}

// One folder searched four ways: with nothing selected to compare; with running numbers from 1 over
// the filed items only (items without compared values, or deleted after the configuration was
// made, are passed over); with the subject both compared and read for the reference; and through a
// chosen folder key that names an item.
TEST(DuplicateSearch, NumbersFiledItemsFromOneAndSkipsItemsWithoutValuesOrGone) {
    CSearchWorld world(1);
    auto folder = world.MakeFolder(0, "Contacts");
    auto first = world.AddItem(0, folder, {"first", "Ann"});
    world.AddItem(0, folder, {"empty"});      // nothing to compare
    world.AddItem(0, folder, {"blank", ""});  // only an empty string
    auto gone = world.AddItem(0, folder, {"gone", "Ann"});
    world.AddItem(0, folder, {"second", "Ann", {}, {}, {7, 0x01D00000}});
    world.AddItem(0, folder, {"third", "Bob", "Lee"});
    world.AddItem(0, folder, {"third", "Bob", "Kim"});
    CTestConfig* pConfig = world.MakeConfig(0, {{0, {folder}}});
    // With no compared property selected there is nothing to search.
    pConfig->Compare(PR_GIVEN_NAME, FALSE);
    BOOL fPossible = TRUE;
    EXPECT_EQ(S_OK, pConfig->IsSearchPossible(&fPossible));
    EXPECT_FALSE(fPossible);
    EXPECT_TRUE(Search(pConfig).empty());
    pConfig->Compare(PR_GIVEN_NAME);
    pConfig->Compare(PR_SURNAME);
    EXPECT_EQ(S_OK, pConfig->IsSearchPossible(&fPossible));
    EXPECT_TRUE(fPossible);
    world.DeleteItem(0, folder, gone);

    CDrawerMapList* pList = nullptr;
    ASSERT_EQ(S_OK, pConfig->FindDuplicates(&pList, nullptr));
    ASSERT_EQ(1u, pList->GetCount());
    std::set<ULONG> numbers;
    std::multiset<std::string> subjects;
    CDrawerMap* pMap = pList->GetAt((ULONG)0);
    for (CSortDrawer* pDrawer : Walk(pMap)) {
        for (CEntryReference* pEntry : Entries(pDrawer)) {
            numbers.insert(pEntry->GetNumber());
            subjects.insert(Subject(pEntry));
            EXPECT_EQ(Subject(pEntry) == "second" ? 7u : 1u, pEntry->GetModificationTime().dwLowDateTime);
            EXPECT_EQ(0, pEntry->GetFolderIndex());
        }
    }
    pMap->Release();
    pList->Release();
    EXPECT_EQ((std::set<ULONG>{1, 2, 3, 4}), numbers);
    EXPECT_EQ((std::multiset<std::string>{"first", "second", "third", "third"}), subjects);
    pConfig->Release();

    pConfig = world.MakeConfig(0, {{0, {folder}}});
    pConfig->Compare(PR_SUBJECT);
    pConfig->Compare(PR_GIVEN_NAME);
    Result result = Search(pConfig);
    ASSERT_EQ(1u, result.size());
    std::sort(result[0].begin(), result[0].end());
    EXPECT_EQ((Groups{{"blank"}, {"empty"}, {"first"}, {"second"}, {"third", "third"}}), result[0]);
    pConfig->Release();

    pConfig = world.MakeConfig(0, {{0, {first}}});
    pConfig->Compare(PR_GIVEN_NAME);
    Search(pConfig, E_UNEXPECTED);
    pConfig->Release();
}

// Two stores, the second with a folder that holds nothing: the progress bars of a whole search;
// the store mode's maps when that folder is passed over; and every fault the service can inject,
// at every position a search meets it.
TEST(DuplicateSearch, TwoStoresProgressBarsStoreModeMapsAndEveryAbortPath) {
    CSearchWorld world(2);
    auto a = world.MakeFolder(0, "A");
    auto b1 = world.MakeFolder(1, "B1");
    auto b2 = world.MakeFolder(1, "B2");
    world.AddItem(0, a, {"in-a", "Ann", "Lee"});
    world.AddItem(0, a, {"in-a too", "Ann", "Lee"});
    world.AddItem(0, a, {"bob", "Bob", "Lee"});
    world.AddItem(1, b2, {"in-b2", "Ann", "Lee"});
    CTestConfig* pConfig = world.MakeConfig(0, {{0, {a}}, {1, {b1, b2}}});
    pConfig->Compare(PR_GIVEN_NAME);
    Search(pConfig);
    pConfig->Release();
    // Every bar starts at zero; none ever shows a hundred, the store bar ending at 50 for two stores.
    const auto& bars = world.Ui().m_bars;
    ASSERT_GE(bars.size(), 6u);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(0, bars[i].second);
    }
    std::vector<int> stores;
    for (auto [bar, value] : bars) {
        EXPECT_LT(value, 100);
        if (bar == 'S') {
            stores.push_back(value);
        }
    }
    EXPECT_EQ(50, stores.back());
    EXPECT_EQ(world.Ui().m_nProgressMade, world.Ui().m_nProgressGone);

    pConfig = world.MakeConfig(1, {{0, {a}}, {1, {b1, b2}}});
    pConfig->Compare(PR_GIVEN_NAME);
    const int sa = world.ConfigStoreIndex(pConfig, 0);
    const int sb = world.ConfigStoreIndex(pConfig, 1);

    LPSPropTagArray lpTags = nullptr;
    ASSERT_EQ(S_OK, pConfig->BuildPropTagArray(sa, &lpTags));
    auto* pList = new CDrawerMapList(1, 10);
    pList->AddRef();
    ASSERT_EQ(S_OK, pConfig->FindFolderDuplicates(sa, 0, lpTags, pList, nullptr));
    // The second store's folder 0 is passed over; its folder 1 must still open a map of its own.
    ASSERT_EQ(S_OK, pConfig->FindFolderDuplicates(sb, 1, lpTags, pList, nullptr));
    Result result = ReadResult(pList);
    EXPECT_EQ((Result{{{"in-a too", "in-a"}, {"bob"}}, {{"in-b2"}}}), result);
    std::free(lpTags);
    pList->Release();

    // Under a fault the search either succeeds or returns the fault, hands the list out, and leaves
    // nothing open or allocated.
    pConfig->Compare(PR_SURNAME);
    const Result complete = Search(pConfig);

    const HRESULT hrFault = MAPI_E_CALL_FAILED;
    const std::function<void(ULONG)> faults[] = {
        [&](ULONG nth) { CMAPITestHooks::FailOpenEntry(nth, hrFault); },
        [&](ULONG nth) { CMAPITestHooks::FailQueryRows(nth, hrFault); },
        [&](ULONG nth) { CMAPITestHooks::FailAllocation(nth); }};
    for (int kind = 0; kind < 3; ++kind) {
        // Some faults are survived by design (an unreadable item count), so the sweep ends only
        // after a run of clean searches, when the fault lies past everything a search does.
        bool fReachedEnd = false;
        int nFailures = 0;
        int nCleanInARow = 0;
        for (ULONG nth = 1; nth < 2000 && !fReachedEnd; ++nth) {
            CLiveCounts before;
            faults[kind](nth);
            CDrawerMapList* pList = nullptr;
            const HRESULT hr = pConfig->FindDuplicates(&pList, nullptr);
            CMAPITestHooks::Reset();
            ASSERT_NE(nullptr, pList) << kind << "/" << nth;
            if (SUCCEEDED(hr)) {
                // The fault was never met: the search ran to its end with the whole result.
                EXPECT_EQ(complete, ReadResult(pList)) << kind << "/" << nth;
                fReachedEnd = (++nCleanInARow == 40);
            } else {
                EXPECT_TRUE(hr == hrFault || hr == E_OUTOFMEMORY || hr == MAPI_E_NOT_ENOUGH_MEMORY)
                    << kind << "/" << nth << ": " << hr;
                ++nFailures;
                nCleanInARow = 0;
            }
            EXPECT_EQ(0u, pList->Release());
            before.ExpectUnchanged("fault");
            EXPECT_EQ(world.Ui().m_nProgressMade, world.Ui().m_nProgressGone);
        }
        EXPECT_TRUE(fReachedEnd) << kind;
        EXPECT_GT(nFailures, 2) << kind;
    }
    pConfig->Release();
}

// The differential check: random stores searched in both modes give exactly the groups that a
// plain grouping of the same values gives: one map per folder or per store, never a group across
// stores, and nothing left open or allocated.
TEST(DuplicateSearch, GroupsEqualAPlainGroupingOfTheStoredValues) {
    const char* names[] = {"Ann", "ann", "Bob", ""};
    for (unsigned seed = 1; seed <= 3; ++seed) {
        std::mt19937 rng(seed);
        CSearchWorld world(2);
        std::vector<std::vector<BYTE>> folders[2];
        // Per compare mode, the subjects by scope and compared values, as a plain grouping sees them.
        std::map<std::string, std::set<std::string>> plain[2];
        int serial = 0;
        for (int s = 0; s < 2; ++s) {
            for (int f = 0; f < 2; ++f) {
                folders[s].push_back(world.MakeFolder(s, "F" + std::to_string(f)));
                for (int i = 5 + int(rng() % 15); i > 0; --i) {
                    CItem item("item" + std::to_string(serial++));
                    if (rng() % 5 != 0) {
                        item.given = names[rng() % 4];
                    }
                    if (rng() % 3 != 0) {
                        item.number = LONG(rng() % 3);
                    }
                    world.AddItem(s, folders[s].back(), item);
                    // Items whose compared values are all empty are not filed; a missing number is 0.
                    if (!item.given.value_or("").empty() || item.number) {
                        const std::string key = (item.given ? "G+" + *item.given : "G-") + "|N" +
                                                std::to_string(item.number.value_or(0));
                        plain[0][std::to_string(s) + "/" + std::to_string(f) + key].insert(item.subject);
                        plain[1][std::to_string(s) + key].insert(item.subject);
                    }
                }
            }
        }
        for (DWORD mode : {0u, 1u}) {
            CTestConfig* pConfig = world.MakeConfig(mode, {{0, folders[0]}, {1, folders[1]}});
            pConfig->Compare(PR_GIVEN_NAME);
            pConfig->Compare(PROP_TAG(PT_LONG, 0x6800));
            Result result = Search(pConfig);
            EXPECT_EQ(mode == 0 ? 4u : 2u, result.size());
            std::set<std::set<std::string>> found, want;
            for (auto& map : result) {
                for (auto& g : map) {
                    found.emplace(g.begin(), g.end());
                }
            }
            for (auto& [key, group] : plain[mode]) {
                want.insert(group);
            }
            EXPECT_EQ(want, found) << "seed " << seed << " mode " << mode;
            pConfig->Release();
        }
    }
}

// A store that names one folder twice (here by a second form of its entry id, as a damaged
// document may): where a store's folders are compared together, each item is filed once, so no
// item is found a duplicate of itself; compared folder by folder, each naming gets its own map.
TEST(DuplicateSearch, AFolderNamedTwiceFilesEachItemOnceIntoAStoresMap) {
    CSearchWorld world(1);
    const std::vector<BYTE> inbox = world.MakeFolder(0, "Inbox");
    world.AddItem(0, inbox, {"a", "Ann"});
    world.AddItem(0, inbox, {"b", "Bob"});
    world.AddItem(0, inbox, {"b copy", "Bob"});
    std::vector<BYTE> twin = inbox;
    twin.at(22) ^= 1;  // a byte the store passes over when it reads the id
    auto sorted = [](Result result) {
        for (Groups& groups : result)
            for (std::vector<std::string>& group : groups)
                std::sort(group.begin(), group.end());
        return result;
    };
    for (DWORD dwMode : {1u, 0u}) {
        SCOPED_TRACE(dwMode);
        CTestConfig* pConfig = world.MakeConfig(dwMode, {{0, {inbox}}});
        pConfig->Compare(PR_GIVEN_NAME);
        CStoreInfo* pStore = pConfig->GetStore(world.ConfigStoreIndex(pConfig, 0));
        ASSERT_EQ(S_OK, pStore->AddFolder(nullptr, (ULONG)twin.size(), twin.data()));
        ASSERT_EQ(2, pStore->GetFolderCount());
        pStore->Release();
        const Groups once = {{"a"}, {"b", "b copy"}};
        const Result expected = dwMode == 1 ? Result{once} : Result{once, once};
        EXPECT_EQ(expected, sorted(Search(pConfig)));
        pConfig->Release();
    }
}
