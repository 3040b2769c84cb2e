// The whole search over a generated store against a plain read of the same folders.
//
// One store of 100,000 contacts (30 % duplicates) spread over 10 folders, made once per run in a
// private machine root. BM_PlainRead reads every folder the way the search does (contents table in
// batches of 100, then each item opened and its values read); BM_Search runs FindDuplicates over
// the same folders in compare mode 1, so the difference is what the index costs. BM_SearchOverRead
// runs the two in turns and reports the median ratio of their processor times.
#include <benchmark/benchmark.h>

#include <time.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "bench/support/ContactStore.h"
#include "engine/DrawerMapList.h"
#include "tests/engine/SearchWorld.h"
#include "trace/Trace.h"

namespace {

using benchstore::kCompared;
using benchstore::kItems;

struct CFixture {
    std::unique_ptr<enginetest::CSearchWorld> world;
    std::vector<std::vector<BYTE>> folders;
    enginetest::CTestConfig* pConfig = nullptr;

    CFixture() {
        SetTraceLevel(TRACE_ERROR);
        world = std::make_unique<enginetest::CSearchWorld>(1);
        folders = benchstore::GenerateContacts(*world);
        pConfig = benchstore::MakeContactConfig(*world, folders);
    }
    ~CFixture() { pConfig->Release(); }
};

CFixture& Fixture() {
    static CFixture fixture;
    return fixture;
}

// Reads every folder the way the search does; returns the items read.
size_t ReadAllFolders(CFixture& fixture) {
    std::vector<ULONG> raw = {7,
                              kCompared[0],
                              kCompared[1],
                              kCompared[2],
                              kCompared[3],
                              PR_ENTRYID,
                              PR_LAST_MODIFICATION_TIME,
                              PR_SUBJECT};
    auto lpColumns = reinterpret_cast<LPSPropTagArray>(raw.data());
    IMsgStore* lpMDB = fixture.world->Store(0);
    size_t items = 0;
    for (const std::vector<BYTE>& id : fixture.folders) {
        ULONG type = 0;
        LPUNKNOWN lpUnk = nullptr;
        lpMDB->OpenEntry((ULONG)id.size(), (LPENTRYID)id.data(), nullptr, MAPI_BEST_ACCESS, &type, &lpUnk);
        auto lpFolder = static_cast<LPMAPIFOLDER>(lpUnk);
        LPMAPITABLE lpTable = nullptr;
        lpFolder->GetContentsTable(0, &lpTable);
        lpTable->SetColumns(lpColumns, 0);
        for (;;) {
            LPSRowSet lpRows = nullptr;
            if (FAILED(lpTable->QueryRows(100, 0, &lpRows)) || lpRows->cRows == 0) {
                FreeProws(lpRows);
                break;
            }
            for (ULONG r = 0; r < lpRows->cRows; ++r) {
                const SBinary& eid = lpRows->aRow[r].lpProps[4].Value.bin;
                LPUNKNOWN lpItem = nullptr;
                if (SUCCEEDED(lpFolder->OpenEntry(eid.cb, (LPENTRYID)eid.lpb, nullptr, MAPI_BEST_ACCESS,
                                                  &type, &lpItem))) {
                    ULONG cValues = 0;
                    LPSPropValue lpValues = nullptr;
                    static_cast<LPMESSAGE>(lpItem)->GetProps(lpColumns, 0, &cValues, &lpValues);
                    benchmark::DoNotOptimize(lpValues);
                    MAPIFreeBuffer(lpValues);
                    lpItem->Release();
                    ++items;
                }
            }
            FreeProws(lpRows);
        }
        lpTable->Release();
        lpFolder->Release();
    }
    return items;
}

void BM_PlainRead(benchmark::State& state) {
    CFixture& fixture = Fixture();
    size_t items = 0;
    for (auto _ : state) {
        items += ReadAllFolders(fixture);
    }
    state.counters["items/s"] = benchmark::Counter(double(items), benchmark::Counter::kIsRate);
}

void BM_Search(benchmark::State& state) {
    CFixture& fixture = Fixture();
    size_t drawers = 0;
    for (auto _ : state) {
        CDrawerMapList* pList = nullptr;
        if (FAILED(fixture.pConfig->FindDuplicates(&pList, nullptr))) {
            state.SkipWithError("search failed");
            break;
        }
        state.PauseTiming();
        drawers += pList->GetCount();
        pList->Release();
        state.ResumeTiming();
    }
    benchmark::DoNotOptimize(drawers);
    state.counters["items/s"] =
        benchmark::Counter(double(kItems) * double(state.iterations()), benchmark::Counter::kIsRate);
}

double ThreadSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

// The search against the plain read, run in turns: each iteration reads, then searches, and the
// ratio of their processor times is taken per pair. On a busy machine the two separate benchmarks
// above run at different moments and their quotient swings with the load; the median of paired
// ratios does not.
void BM_SearchOverRead(benchmark::State& state) {
    CFixture& fixture = Fixture();
    std::vector<double> ratios;
    for (auto _ : state) {
        double start = ThreadSeconds();
        benchmark::DoNotOptimize(ReadAllFolders(fixture));
        const double read = ThreadSeconds() - start;
        CDrawerMapList* pList = nullptr;
        start = ThreadSeconds();
        if (FAILED(fixture.pConfig->FindDuplicates(&pList, nullptr))) {
            state.SkipWithError("search failed");
            break;
        }
        const double search = ThreadSeconds() - start;
        pList->Release();
        state.SetIterationTime(read + search);
        ratios.push_back(search / read);
    }
    std::sort(ratios.begin(), ratios.end());
    if (!ratios.empty()) {
        state.counters["ratio"] = ratios[ratios.size() / 2];
        state.counters["ratio_max"] = ratios.back();
    }
}

}  // namespace

BENCHMARK(BM_PlainRead)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Search)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SearchOverRead)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);
BENCHMARK_MAIN();
