// The duplicate index filing synthetic rows exactly as the search does, beside two plain baselines.
//
// Arguments: items N, properties K (1, 3 or 6 of: integer, 64-character string, 16-byte binary id,
// time, ...), duplicate share in percent. Counters: items per second; the peak resident memory the
// filing added, per item and per unique item (peak/item, peak/unique); and the heap bytes the
// finished structure holds, per unique item (heap/unique), counting large blocks the heap maps
// apart as well. BM_Index files into a search result while a small result of another search lives,
// as in the program, and also reports the peak resident memory of the run (peak_MB) and the heap
// bytes still held once the result is released (retained_MB); BM_IndexRelease times the release of
// such a result; BM_IndexTwoSteps files the rows in two steps per item instead of one pass. The
// baselines give the same groups:
// sort-and-group over the rows, and one hash map keyed by the whole label.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/DrawerMap.h"
#include "engine/DrawerMapList.h"
#include "engine/EntryReference.h"
#include "engine/KeyOrder.h"
#include "engine/SortDrawer.h"
#include "platform/mapi/MAPIFunctions.h"
#include "trace/Trace.h"

namespace {

const ULONG kTypes[6] = {PT_LONG, PT_STRING8, PT_BINARY, PT_SYSTIME, PT_LONG, PT_STRING8};

// The rows of one run: N label rows of K values over U distinct labels, in search order.
struct CRows {
    std::vector<SPropValue> values;  // N * K
    std::vector<std::string> strings;
    std::vector<std::vector<BYTE>> binaries;
    std::vector<ULONG> columns;  // SPropTagArray
    std::vector<BYTE> entryIds;  // 16 bytes per item
    ULONG n = 0, k = 0, unique = 0;

    LPSPropTagArray Columns() { return reinterpret_cast<LPSPropTagArray>(columns.data()); }
    SRow Row(ULONG i) { return SRow{0, k, &values[size_t(i) * k]}; }
};

CRows MakeRows(ULONG n, ULONG k, int dupPercent) {
    CRows rows;
    rows.n = n;
    rows.k = k;
    rows.unique = std::max<ULONG>(1, ULONG(uint64_t(n) * (100 - dupPercent) / 100));
    std::mt19937_64 rng(42);
    rows.strings.reserve(size_t(rows.unique) * k);
    rows.binaries.reserve(size_t(rows.unique) * k);
    std::vector<SPropValue> labels(size_t(rows.unique) * k);
    for (ULONG u = 0; u < rows.unique; ++u) {
        for (ULONG c = 0; c < k; ++c) {
            SPropValue& v = labels[size_t(u) * k + c];
            v.ulPropTag = PROP_TAG(kTypes[c], 0x8000 + c);
            const uint64_t r = rng();
            switch (kTypes[c]) {
                case PT_LONG:
                    v.Value.l = LONG(r);
                    break;
                case PT_STRING8: {
                    std::string s(64, 'a');
                    for (int j = 0; j < 16; ++j) {
                        s[j] = char('a' + ((r >> (j * 4)) & 15));
                    }
                    rows.strings.push_back(std::move(s));
                    v.Value.lpszA = rows.strings.back().data();
                    break;
                }
                case PT_BINARY: {
                    std::vector<BYTE> b(16);
                    std::memcpy(b.data(), &r, 8);
                    std::memcpy(b.data() + 8, &u, 4);
                    rows.binaries.push_back(std::move(b));
                    v.Value.bin = SBinary{16, rows.binaries.back().data()};
                    break;
                }
                case PT_SYSTIME:
                    v.Value.ft = FILETIME{DWORD(r), DWORD(r >> 32)};
                    break;
            }
        }
    }
    // The first U items carry every label once; the rest repeat earlier labels.
    rows.values.resize(size_t(n) * k);
    for (ULONG i = 0; i < n; ++i) {
        const ULONG u = (i < rows.unique) ? i : ULONG(rng() % rows.unique);
        std::memcpy(&rows.values[size_t(i) * k], &labels[size_t(u) * k], sizeof(SPropValue) * k);
    }
    rows.columns.push_back(k);
    for (ULONG c = 0; c < k; ++c) {
        rows.columns.push_back(PROP_TAG(kTypes[c], 0x8000 + c));
    }
    rows.entryIds.resize(size_t(n) * 16);
    for (ULONG i = 0; i < n; ++i) {
        std::memcpy(&rows.entryIds[size_t(i) * 16], &i, 4);
    }
    return rows;
}

// Heap bytes in use, including the blocks malloc maps on their own (large arrays).
size_t HeapInUse() {
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

// A value in kB from /proc/self/status ("VmRSS", "VmHWM"), in bytes.
size_t StatusBytes(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    const size_t cch = std::strlen(field);
    while (std::getline(status, line)) {
        if (line.compare(0, cch, field) == 0 && line.size() > cch && line[cch] == ':') {
            return size_t(std::strtoull(line.c_str() + cch + 1, nullptr, 10)) * 1024;
        }
    }
    return 0;
}

// The peak resident memory of one run: the heap is trimmed and the kernel's high-water mark reset
// before it, so the figure is what the run itself added at its highest.
class CPeakMemory {
public:
    void Start() {
        malloc_trim(0);
        if (FILE* f = std::fopen("/proc/self/clear_refs", "w")) {
            std::fputs("5", f);
            std::fclose(f);
        }
        m_cbBase = StatusBytes("VmRSS");
        m_cbHeap = HeapInUse();
    }
    // Called while the structure still exists.
    void Stop() {
        const size_t cbPeak = StatusBytes("VmHWM");
        m_cbPeak = cbPeak > m_cbBase ? cbPeak - m_cbBase : 0;
        m_cbHeapUsed = HeapInUse() - m_cbHeap;
    }
    // Called once the structure is gone: what the heap still holds of it.
    void Released() {
        const size_t cbHeap = HeapInUse();
        m_cbRetained = cbHeap > m_cbHeap ? cbHeap - m_cbHeap : 0;
    }
    size_t Peak() const { return m_cbPeak; }
    size_t Heap() const { return m_cbHeapUsed; }
    size_t Retained() const { return m_cbRetained; }

private:
    size_t m_cbBase = 0;
    size_t m_cbHeap = 0;
    size_t m_cbPeak = 0;
    size_t m_cbHeapUsed = 0;
    size_t m_cbRetained = 0;
};

// Files rows [0, n) as the search does (one pass down the index per item), or in the two steps a
// caller with drawers of its own takes (LookupDrawer, then InsertDrawer of a new drawer), into a new
// index of a new search result, which is returned.
CDrawerMapList* FileAll(CRows& rows, ULONG n, bool fTwoSteps = false) {
    static BYTE profile[16] = {1};
    const SBinary profileKey{16, profile};
    auto* pList = new CDrawerMapList(0, 10);
    pList->AddRef();
    CDrawerMap* pMap = nullptr;
    pList->AddEntry(&pMap, rows.Columns());
    for (ULONG i = 0; i < n; ++i) {
        SRow row = rows.Row(i);
        auto* pRef = new CEntryReference(i + 1);
        pRef->AddRef();
        const SBinary entry{16, &rows.entryIds[size_t(i) * 16]};
        pRef->Init(&profileKey, 0, 0, &entry, FILETIME{i, 0}, "Subject line");
        if (!fTwoSteps) {
            pMap->InsertEntry(&row, 0, rows.Columns(), pRef);
            pRef->Release();
            continue;
        }
        CSortDrawer* pDrawer = nullptr;
        pMap->LookupDrawer(&row, 0, rows.Columns(), &pDrawer);
        const bool fNew = (pDrawer == nullptr);
        if (fNew) {
            pDrawer = new CSortDrawer();
            pDrawer->AddRef();
            pDrawer->Init(&row);
        }
        pDrawer->Insert(pRef);
        pRef->Release();
        if (fNew) {
            pMap->InsertDrawer(&row, 0, rows.Columns(), &pDrawer);
        }
        pDrawer->Release();
    }
    pMap->Release();
    return pList;
}

// The order of whole labels by the index's own key orders, for the sort-and-group baseline.
bool LabelLess(const SPropValue* a, const SPropValue* b, ULONG k) {
    for (ULONG c = 0; c < k; ++c) {
        const _PV& x = a[c].Value;
        const _PV& y = b[c].Value;
        switch (kTypes[c]) {
            case PT_LONG:
                if (x.l != y.l) {
                    return x.l < y.l;
                }
                break;
            case PT_STRING8: {
                const int d = std::strcmp(x.lpszA, y.lpszA);
                if (d != 0) {
                    return d < 0;
                }
                break;
            }
            case PT_BINARY:
                if (SBinaryLess(&x.bin, &y.bin)) {
                    return true;
                }
                if (SBinaryLess(&y.bin, &x.bin)) {
                    return false;
                }
                break;
            case PT_SYSTIME:
                if (FiletimeLess(x.ft, y.ft)) {
                    return true;
                }
                if (FiletimeLess(y.ft, x.ft)) {
                    return false;
                }
                break;
        }
    }
    return false;
}

std::string LabelBytes(const SPropValue* v, ULONG k) {
    std::string key;
    for (ULONG c = 0; c < k; ++c) {
        switch (kTypes[c]) {
            case PT_LONG:
                key.append(reinterpret_cast<const char*>(&v[c].Value.l), 4);
                break;
            case PT_STRING8:
                key.append(v[c].Value.lpszA);
                key.push_back('\0');
                break;
            case PT_BINARY:
                key.append(reinterpret_cast<const char*>(&v[c].Value.bin.cb), 4);
                key.append(reinterpret_cast<const char*>(v[c].Value.bin.lpb), v[c].Value.bin.cb);
                break;
            case PT_SYSTIME:
                key.append(reinterpret_cast<const char*>(&v[c].Value.ft), 8);
                break;
        }
    }
    return key;
}

void SetCounters(benchmark::State& state, const CRows& rows, const CPeakMemory& memory) {
    state.SetItemsProcessed(int64_t(state.iterations()) * rows.n);
    state.counters["peak/item"] = double(memory.Peak()) / rows.n;
    state.counters["peak/unique"] = double(memory.Peak()) / rows.unique;
    state.counters["heap/unique"] = double(memory.Heap()) / rows.unique;
}

void SetReleaseCounters(benchmark::State& state, const CPeakMemory& memory) {
    state.counters["peak_MB"] = double(memory.Peak()) / 1e6;
    state.counters["retained_MB"] = double(memory.Retained()) / 1e6;
}

void IndexRun(benchmark::State& state, bool fTwoSteps) {
    SetTraceLevel(TRACE_ERROR);
    CRows rows = MakeRows(ULONG(state.range(0)), ULONG(state.range(1)), int(state.range(2)));
    // The result of an earlier search, still shown: a few of its objects share the pool's classes.
    CDrawerMapList* pOther = FileAll(rows, std::min<ULONG>(rows.n, 10));
    CPeakMemory memory;
    for (auto _ : state) {
        state.PauseTiming();
        memory.Start();
        state.ResumeTiming();
        CDrawerMapList* pResult = FileAll(rows, rows.n, fTwoSteps);
        state.PauseTiming();
        memory.Stop();
        pResult->Release();
        memory.Released();
        state.ResumeTiming();
    }
    pOther->Release();
    SetCounters(state, rows, memory);
    SetReleaseCounters(state, memory);
}

void BM_Index(benchmark::State& state) {
    IndexRun(state, false);
}

// The same rows filed in two steps per item, as a caller that brings its own drawers files them.
void BM_IndexTwoSteps(benchmark::State& state) {
    IndexRun(state, true);
}

// Releasing a filed search result, which the user waits for on a new search or on closing: the
// timed part is the release alone, with the small result of another search alive as in BM_Index.
void BM_IndexRelease(benchmark::State& state) {
    SetTraceLevel(TRACE_ERROR);
    CRows rows = MakeRows(ULONG(state.range(0)), ULONG(state.range(1)), int(state.range(2)));
    CDrawerMapList* pOther = FileAll(rows, std::min<ULONG>(rows.n, 10));
    CPeakMemory memory;
    for (auto _ : state) {
        state.PauseTiming();
        memory.Start();
        CDrawerMapList* pResult = FileAll(rows, rows.n);
        memory.Stop();
        state.ResumeTiming();
        pResult->Release();
        state.PauseTiming();
        memory.Released();
        state.ResumeTiming();
    }
    pOther->Release();
    state.SetItemsProcessed(int64_t(state.iterations()) * rows.n);
    SetReleaseCounters(state, memory);
}

void BM_SortAndGroup(benchmark::State& state) {
    CRows rows = MakeRows(ULONG(state.range(0)), ULONG(state.range(1)), int(state.range(2)));
    CPeakMemory memory;
    for (auto _ : state) {
        state.PauseTiming();
        memory.Start();
        state.ResumeTiming();
        std::vector<ULONG> order(rows.n);
        for (ULONG i = 0; i < rows.n; ++i) {
            order[i] = i;
        }
        const ULONG k = rows.k;
        std::stable_sort(order.begin(), order.end(), [&](ULONG a, ULONG b) {
            return LabelLess(&rows.values[size_t(a) * k], &rows.values[size_t(b) * k], k);
        });
        std::vector<ULONG> groupStart;
        for (ULONG i = 0; i < rows.n; ++i) {
            if (i == 0 ||
                LabelLess(&rows.values[size_t(order[i - 1]) * k], &rows.values[size_t(order[i]) * k], k)) {
                groupStart.push_back(i);
            }
        }
        benchmark::DoNotOptimize(groupStart.data());
        state.PauseTiming();
        memory.Stop();
        state.ResumeTiming();
    }
    SetCounters(state, rows, memory);
}

void BM_HashByLabel(benchmark::State& state) {
    CRows rows = MakeRows(ULONG(state.range(0)), ULONG(state.range(1)), int(state.range(2)));
    CPeakMemory memory;
    for (auto _ : state) {
        state.PauseTiming();
        memory.Start();
        state.ResumeTiming();
        std::unordered_map<std::string, std::vector<ULONG>> groups;
        for (ULONG i = 0; i < rows.n; ++i) {
            groups[LabelBytes(&rows.values[size_t(i) * rows.k], rows.k)].push_back(i);
        }
        state.PauseTiming();
        memory.Stop();
        groups.clear();
        state.ResumeTiming();
    }
    SetCounters(state, rows, memory);
}

// A group's label kept and handed out once, as the result page asks for it: the drawer packs the
// row and rebuilds it as a MAPI row. Arguments: labels N, properties K.
void BM_DrawerLabel(benchmark::State& state) {
    SetTraceLevel(TRACE_ERROR);
    CRows rows = MakeRows(ULONG(state.range(0)), ULONG(state.range(1)), 0);
    for (auto _ : state) {
        for (ULONG i = 0; i < rows.n; ++i) {
            SRow row = rows.Row(i);
            auto* pDrawer = new CSortDrawer();
            pDrawer->AddRef();
            pDrawer->Init(&row);
            LPSRow lpLabel = nullptr;
            pDrawer->GetDrawerLabel(&lpLabel);
            benchmark::DoNotOptimize(lpLabel);
            MAPIFreeBuffer(lpLabel);
            pDrawer->Release();
        }
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * rows.n);
}

void Args(benchmark::internal::Benchmark* b) {
    for (int64_t n : {10000, 100000, 1000000}) {
        for (int64_t k : {1, 3, 6}) {
            for (int64_t d : {0, 50, 99}) {
                b->Args({n, k, d});
            }
        }
    }
    b->Unit(benchmark::kMillisecond)->Iterations(1);
}

}  // namespace

BENCHMARK(BM_Index)->Apply(Args);
BENCHMARK(BM_IndexTwoSteps)
    ->Args({1000000, 3, 0})
    ->Args({1000000, 3, 50})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK(BM_IndexRelease)
    ->Args({100000, 3, 0})
    ->Args({1000000, 3, 0})
    ->Args({1000000, 3, 99})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK(BM_SortAndGroup)->Apply(Args);
BENCHMARK(BM_HashByLabel)->Apply(Args);
BENCHMARK(BM_DrawerLabel)->Args({100000, 3})->Args({100000, 6})->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
