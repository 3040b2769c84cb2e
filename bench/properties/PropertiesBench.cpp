// Row copies (one per duplicate group) and walks of a configuration's property list.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "model/NamedPropertyID.h"
#include "model/PropTypeList.h"
#include "model/RowSet.h"
#include "model/StdPropertyID.h"
#include "trace/Trace.h"

namespace {

struct Quiet {
    Quiet() { SetTraceLevel(-1); }
} s_quiet;

// A label row as a contact search makes it: names, an address, a phone, a birthday, categories.
struct LabelRow {
    LabelRow() {
        Text(0x3A06001E, "Margarethe");
        Text(0x3A11001E, "Oberhuber-Lindqvist");
        Text(0x3A08001E, "+49 89 1234567");
        SPropValue wide{PROP_TAG(PT_UNICODE, 0x8083), 0, {}};
        wide.Value.lpszW = const_cast<LPWSTR>(u"margarethe.oberhuber@example.org");
        props.push_back(wide);
        SPropValue birthday{PROP_TAG(PT_SYSTIME, 0x3A42), 0, {}};
        birthday.Value.ft = {0x5D3A8000, 0x01B7A3C2};
        props.push_back(birthday);
        SPropValue categories{PROP_TAG(PT_MV_STRING8, 0x8500), 0, {}};
        categories.Value.MVszA = {2, cats};
        props.push_back(categories);
        SPropValue missing{PROP_TAG(PT_ERROR, 0x3A45), 0, {}};
        props.push_back(missing);
        row = {0, (ULONG)props.size(), props.data()};
    }
    void Text(ULONG ulTag, const char* psz) {
        SPropValue v{ulTag, 0, {}};
        v.Value.lpszA = const_cast<LPSTR>(psz);
        props.push_back(v);
    }
    LPSTR cats[2] = {const_cast<LPSTR>("Family"), const_cast<LPSTR>("Munich")};
    std::vector<SPropValue> props;
    SRow row{};
};

void BM_CopyRowSet(benchmark::State& state) {
    LabelRow label;
    for (auto _ : state) {
        LPSRow lpCopy = nullptr;
        CopyRowSet(&lpCopy, &label.row);
        benchmark::DoNotOptimize(lpCopy);
        FreeRowSet(&lpCopy);
    }
}
BENCHMARK(BM_CopyRowSet);

// A walk over a list of n standard and n named properties, as a search does for each store.
void BM_WalkTypeList(benchmark::State& state) {
    const GUID set = {0x00062004, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
    CPropTypeList* pList = new CPropTypeList;
    pList->AddRef();
    for (LONG i = 0; i < state.range(0); ++i) {
        CPropertyID* pStd = new CStdPropertyID(0, PROP_TAG(PT_STRING8, 0x3A00 + i));
        CPropertyID* pNamed = new CNamedPropertyID(0, &set, MNID_ID, 0x8000 + i, nullptr, PT_UNICODE);
        pList->InsertProperty(pStd);
        pList->InsertProperty(pNamed);
    }
    for (auto _ : state) {
        int n = 0;
        CPropertyID* p = nullptr;
        HRESULT hr = pList->GetFirstProperty(&p);
        while (SUCCEEDED(hr) && p != nullptr) {
            n += p->IsSelected() ? 2 : 1;
            p->Release();
            hr = pList->GetNextProperty(&p);
        }
        benchmark::DoNotOptimize(n);
    }
    pList->Release();
}
BENCHMARK(BM_WalkTypeList)->Arg(8)->Arg(64);

}  // namespace

BENCHMARK_MAIN();
