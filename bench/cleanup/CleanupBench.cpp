// The cleanup of 10,000 marked items in a store of 100,000, as it deletes them folder by folder,
// alone (BM_DeleteOnly) and with every group judged against the store (BM_CheckAndDelete).
//
// One store of 100,000 contacts (30 % duplicates) over 10 folders, searched once in compare mode
// 1. Groups are taken in the result's order, the first entry kept and the others marked, until
// 10,000 entries are marked. Each run deletes them recoverably. Without the check: one logon,
// store opening and DeleteMessages per folder, as the result page deleted before it checked. With
// it: one store opened for the run and the cleanup's own code, as the result page runs it: every
// group judged on a read snapshot before the first folder, then per folder, inside the store's
// write lock, the folder's groups judged again when someone else changed the store since, and one
// DeleteMessages for those that passed. The deleted items are restored between runs (not timed).
// BM_CheckOverDelete runs the two in turns and reports the median of the paired ratios (the
// checked cleanup over the cleanup without it), which a busy machine disturbs less than two
// separate measurements.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "bench/support/ContactStore.h"
#include "engine/CleanupCheck.h"
#include "engine/CleanupFolder.h"
#include "engine/DrawerMap.h"
#include "engine/DrawerMapList.h"
#include "engine/EntryList.h"
#include "engine/EntryReference.h"
#include "engine/SortDrawer.h"
#include "engine/StoreIndex2FolderList.h"
#include "model/FolderInfo.h"
#include "model/ResultReview.h"
#include "model/Session.h"
#include "model/StoreInfo.h"
#include "platform/mapi/FileCheck.h"
#include "platform/mapi/StoreAdmin.h"
#include "trace/Trace.h"

namespace {

constexpr size_t kMarked = 10000;

struct CFixture {
    std::unique_ptr<enginetest::CSearchWorld> world;
    enginetest::CTestConfig* pConfig = nullptr;
    CDrawerMapList* pResult = nullptr;
    CResultReview review;
    std::vector<CCleanupGroup> groups;
    std::unordered_map<std::string, CCleanupGroup*> groupOf;  // by the marked entries' ids
    size_t marked = 0;
    bool judged = false;  // in the running cleanup: every group judged once

    CFixture() {
        SetTraceLevel(TRACE_ERROR);
        world = std::make_unique<enginetest::CSearchWorld>(1);
        const char* items = std::getenv("QRV_BENCH_ITEMS");
        pConfig = benchstore::MakeContactConfig(
            *world, benchstore::GenerateContacts(
                        *world, items != nullptr ? ULONG(std::atol(items)) : benchstore::kItems));
        if (FAILED(pConfig->FindDuplicates(&pResult, nullptr))) {
            return;
        }
        CStoreInfo* pStore = pConfig->GetStore(0);
        for (int f = 0; f < pStore->GetFolderCount(); ++f) {
            CFolderInfo* pFolder = nullptr;
            SBinary key{0, nullptr};
            if (SUCCEEDED(pStore->GetFolder(f, &pFolder)) && SUCCEEDED(pFolder->GetFolderKey(&key))) {
                review.SetFolderKey(0, f, key.lpb, key.cb);
            }
            free(key.lpb);
            if (pFolder != nullptr) {
                pFolder->Release();
            }
        }
        pStore->Release();
        CollectGroups();
        for (CCleanupGroup& group : groups) {
            for (CEntryReference* pEntry : group.marked) {
                const SBinary id = pEntry->EntryIDView();
                groupOf[std::string(reinterpret_cast<const char*>(id.lpb), id.cb)] = &group;
            }
        }
    }
    ~CFixture() {
        for (CCleanupGroup& group : groups) {
            group.pKept->Release();
            for (CEntryReference* pEntry : group.marked) {
                pEntry->Release();
            }
        }
        if (pResult != nullptr) {
            pResult->Release();
        }
        pConfig->Release();
    }

    // The first entry of each group kept, the others marked, until kMarked are marked.
    void CollectGroups() {
        for (ULONG m = 0; m < pResult->GetCount() && marked < kMarked; ++m) {
            CDrawerMap* pMap = pResult->GetAt(m);
            CSortDrawer* pDrawer = nullptr;
            for (pMap->FindFirst(&pDrawer); pDrawer != nullptr && marked < kMarked;
                 pMap->FindNext(&pDrawer)) {
                if (pDrawer->GetCount() > 1) {
                    CCleanupGroup group;
                    CEntryReference* pEntry = nullptr;
                    for (pDrawer->FindFirst(&pEntry); pEntry != nullptr; pDrawer->FindNext(&pEntry)) {
                        if (group.pKept == nullptr) {
                            group.pKept = pEntry;
                        } else if (marked < kMarked) {
                            group.marked.push_back(pEntry);
                            ++marked;
                        } else {
                            pEntry->Release();
                        }
                    }
                    groups.push_back(std::move(group));
                }
                pDrawer->Release();
            }
            pMap->Release();
        }
    }
};

CFixture& Fixture() {
    static CFixture fixture;
    return fixture;
}

// One folder list's deletion. Without the check, as the result page deleted before it checked:
// log on, open the store and the folder for modification, delete the list's items in one call.
// With it, the cleanup's own code on the store the run opened (lpChecked): the store's groups judged
// on a read snapshot before its first folder, then per folder, under the store's write lock, the
// groups judged again when someone else changed the store since, and only entries of groups that
// passed deleted.
HRESULT DeleteFolderList(CFixture& fixture, CEntryList* pList, bool checked, LPMDB lpChecked,
                         LPSPropTagArray lpCompared) {
    SBinaryArray ids{0, nullptr};
    HRESULT hr = pList->BuildBinArray(&ids);
    CStoreInfo* pStore = fixture.pConfig->GetStore(pList->GetStoreIndex());
    if (checked) {
        std::vector<CMarkedEntry> entries;
        for (ULONG i = 0; i < ids.cValues; ++i) {
            auto found = fixture.groupOf.find(
                std::string(reinterpret_cast<const char*>(ids.lpbin[i].lpb), ids.lpbin[i].cb));
            if (found != fixture.groupOf.end()) {
                entries.emplace_back(ids.lpbin[i], found->second);
            }
        }
        if (SUCCEEDED(hr) && !fixture.judged) {
            std::vector<CCleanupGroup*> storeGroups;
            for (CCleanupGroup& group : fixture.groups) {
                storeGroups.push_back(&group);
            }
            hr = JudgeStoreGroups(fixture.pConfig, lpChecked, pStore, pList->GetStoreIndex(), &fixture.review,
                                  lpCompared, storeGroups);
            fixture.judged = true;
        }
        CFolderDeletion deletion;
        if (SUCCEEDED(hr)) {
            hr = DeleteJudgedEntries(fixture.pConfig, lpChecked, pStore, pList->GetStoreIndex(),
                                     pList->GetFolderIndex(), &fixture.review, lpCompared, entries, deletion);
        }
        pStore->Release();
        CEntryList::FreeBinArray(&ids);
        return hr;
    }
    LPMAPISESSION lpSession = nullptr;
    LPMDB lpMDB = nullptr;
    IMAPIFolder* lpFolder = nullptr;
    if (SUCCEEDED(hr)) {
        hr = RetrieveSession(fixture.pConfig, &lpSession);
    }
    if (SUCCEEDED(hr)) {
        hr = OpenStore(fixture.pConfig, lpSession, pStore, &lpMDB, TRUE);
    }
    CFolderInfo* pFolder = nullptr;
    SBinary key{0, nullptr};
    if (SUCCEEDED(hr)) {
        hr = pStore->GetFolder(pList->GetFolderIndex(), &pFolder);
    }
    if (SUCCEEDED(hr)) {
        hr = pFolder->GetFolderKey(&key);
        pFolder->Release();
    }
    ULONG ulType = 0;
    if (SUCCEEDED(hr)) {
        hr = lpMDB->OpenEntry(key.cb, reinterpret_cast<LPENTRYID>(key.lpb), nullptr,
                              MAPI_MODIFY | MAPI_BEST_ACCESS, &ulType,
                              reinterpret_cast<LPUNKNOWN*>(&lpFolder));
    }
    free(key.lpb);
    if (SUCCEEDED(hr) && lpFolder != nullptr && ids.cValues != 0) {
        hr = lpFolder->DeleteMessages(&ids, 0, nullptr, 0);
    }
    if (lpFolder != nullptr) {
        lpFolder->Release();
    }
    if (lpMDB != nullptr) {
        lpMDB->Release();
    }
    if (lpSession != nullptr) {
        lpSession->Logoff(0, 0, 0);
        lpSession->Release();
    }
    pStore->Release();
    CEntryList::FreeBinArray(&ids);
    return hr;
}

// One cleanup of the marked entries; returns the entries deleted.
size_t Cleanup(CFixture& fixture, bool checked) {
    MAPIInitialize(nullptr);
    CStoreIndex2FolderList* pDeletions = new CStoreIndex2FolderList;
    pDeletions->AddRef();
    // The store the run opened, kept for every folder's deletion as the result page keeps it.
    LPMAPISESSION lpSession = nullptr;
    LPMDB lpMDB = nullptr;
    LPSPropTagArray lpCompared = nullptr;
    if (checked) {
        for (CCleanupGroup& group : fixture.groups) {
            group.skip = CleanupSkip::None;
            group.bJudged = false;
        }
        fixture.judged = false;
        CStoreInfo* pStore = fixture.pConfig->GetStore(0);
        if (SUCCEEDED(RetrieveSession(fixture.pConfig, &lpSession))) {
            OpenStore(fixture.pConfig, lpSession, pStore, &lpMDB, TRUE);
        }
        fixture.pConfig->BuildPropTagArray(0, &lpCompared);
        pStore->Release();
    }
    size_t deleted = 0;
    for (const CCleanupGroup& group : fixture.groups) {
        for (CEntryReference* pEntry : group.marked) {
            pDeletions->Insert(pEntry);
        }
    }
    CEntryList* pList = nullptr;
    for (pDeletions->GetFirstEntryList(&pList); pList != nullptr; pDeletions->GetNextEntryList(&pList)) {
        DeleteFolderList(fixture, pList, checked, lpMDB, lpCompared);
        pList->Release();
    }
    for (const CCleanupGroup& group : fixture.groups) {
        deleted += group.skip == CleanupSkip::None ? group.marked.size() : 0;
    }
    pDeletions->Release();
    free(lpCompared);
    if (lpMDB != nullptr) {
        lpMDB->Release();
    }
    if (lpSession != nullptr) {
        lpSession->Logoff(0, 0, 0);
        lpSession->Release();
    }
    MAPIUninitialize();
    return deleted;
}

void Restore(CFixture& fixture) {
    ULONG ulDone = 0;
    HrRestoreDeletedItems(fixture.world->Store(0), {}, &ulDone);
}

void RunCleanup(benchmark::State& state, bool checked) {
    CFixture& fixture = Fixture();
    if (fixture.marked < kMarked) {
        state.SkipWithError("too few duplicates");
        return;
    }
    size_t deleted = 0;
    for (auto _ : state) {
        deleted = Cleanup(fixture, checked);
        state.PauseTiming();
        Restore(fixture);
        state.ResumeTiming();
    }
    state.counters["deleted"] = double(deleted);
}

void BM_DeleteOnly(benchmark::State& state) {
    RunCleanup(state, false);
}

void BM_CheckAndDelete(benchmark::State& state) {
    RunCleanup(state, true);
}

double ProcessSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

void BM_CheckOverDelete(benchmark::State& state) {
    CFixture& fixture = Fixture();
    std::vector<double> ratios, cpuRatios, plains, checks;
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        double cpuStart = ProcessSeconds();
        Cleanup(fixture, false);
        const std::chrono::duration<double> plain = std::chrono::steady_clock::now() - start;
        const double plainCpu = ProcessSeconds() - cpuStart;
        Restore(fixture);
        start = std::chrono::steady_clock::now();
        cpuStart = ProcessSeconds();
        Cleanup(fixture, true);
        const std::chrono::duration<double> checked = std::chrono::steady_clock::now() - start;
        const double checkedCpu = ProcessSeconds() - cpuStart;
        Restore(fixture);
        state.SetIterationTime(plain.count() + checked.count());
        ratios.push_back(checked.count() / plain.count());
        cpuRatios.push_back(checkedCpu / plainCpu);
        plains.push_back(plain.count() * 1e3);
        checks.push_back(checked.count() * 1e3);
    }
    if (!ratios.empty()) {
        // The whole checked cleanup against the cleanup without it; also
        // by processor time, which a busy machine disturbs less than the time on the clock.
        state.counters["ratio"] = Median(ratios);
        state.counters["ratio_max"] = *std::max_element(ratios.begin(), ratios.end());
        state.counters["cpu_ratio"] = Median(cpuRatios);
        // The medians in milliseconds: the cleanup without the check, and with it.
        state.counters["plain_ms"] = Median(plains);
        state.counters["checked_ms"] = Median(checks);
    }
}

// Another program's change of the store: SQLite of its own, as any other program would use it.
void ChangeAsAnotherProgram() {
    const char* root = std::getenv("QUORVEL_ROOT");
    sqlite3* db = nullptr;
    if (root != nullptr && sqlite3_open((std::string(root) + "/Store 0.pst").c_str(), &db) == SQLITE_OK) {
        sqlite3_exec(db, "UPDATE folders SET comment = comment || '.' WHERE id = 1", nullptr, nullptr,
                     nullptr);
    }
    sqlite3_close(db);
}

// The first cleanup after a search, every check included: another program changed the store, so
// its whole-file check starts with the search (in the background) and the cleanup's first write
// waits for what is left of it; against the plain cleanup of the same groups after the same
// search of an unchanged store. Paired runs, the median of the ratios. The search is not timed.
void BM_FirstCleanupAfterSearch(benchmark::State& state) {
    CFixture& fixture = Fixture();
    std::vector<double> ratios, plains, checks;
    auto search = [&]() {
        CDrawerMapList* pResult = nullptr;
        fixture.pConfig->SetSearchResult(nullptr);
        if (SUCCEEDED(fixture.pConfig->FindDuplicates(&pResult, nullptr)) && pResult != nullptr) {
            pResult->Release();
        }
    };
    for (auto _ : state) {
        search();
        auto start = std::chrono::steady_clock::now();
        Cleanup(fixture, false);
        const std::chrono::duration<double> plain = std::chrono::steady_clock::now() - start;
        Restore(fixture);
        ChangeAsAnotherProgram();
        search();
        start = std::chrono::steady_clock::now();
        Cleanup(fixture, true);
        const std::chrono::duration<double> checked = std::chrono::steady_clock::now() - start;
        Restore(fixture);
        state.SetIterationTime(plain.count() + checked.count());
        ratios.push_back(checked.count() / plain.count());
        plains.push_back(plain.count() * 1e3);
        checks.push_back(checked.count() * 1e3);
    }
    if (!ratios.empty()) {
        state.counters["ratio"] = Median(ratios);
        state.counters["plain_ms"] = Median(plains);
        state.counters["checked_ms"] = Median(checks);
        state.counters["file_checks"] = double(qrvmapi::FileChecksRun());
    }
}

}  // namespace

BENCHMARK(BM_FirstCleanupAfterSearch)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);
BENCHMARK(BM_DeleteOnly)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_CheckAndDelete)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_CheckOverDelete)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(9);
BENCHMARK_MAIN();
