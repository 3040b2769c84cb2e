// The index against a plain grouping: random labels filed as the search files them give the same groups.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <set>

#include "engine/SmallBlockPool.h"
#include "tests/engine/EngineTestSupport.h"

using namespace enginetest;

namespace {

// One random value of a column type; a small value space so that duplicates are common, and a
// missing value now and then. 'canonical' gets the value as a plain grouping sees it.
void AddRandomValue(RowBuilder& b, ULONG ulType, std::mt19937& rng, std::string& canonical) {
    const int v = std::uniform_int_distribution<int>(0, 4)(rng);
    if (std::uniform_int_distribution<int>(0, 9)(rng) == 0) {
        b.Missing();
        // A missing number or time is 0; a missing text or binary value is a key of its own.
        canonical += ulType == PT_LONG      ? "L0|"
                     : ulType == PT_SYSTIME ? "T0/0|"
                     : ulType == PT_STRING8 ? "S-|"
                                            : "B-|";
        return;
    }
    const std::string s = (v == 0) ? "" : std::string(1, "aAbB"[v - 1]);
    const std::vector<BYTE> bytes(v % 3, BYTE(v));
    switch (ulType) {
        case PT_LONG:
            b.Long(v - 2);
            canonical += "L" + std::to_string(v - 2) + "|";
            break;
        case PT_STRING8:
            b.String(s.c_str());
            canonical += "S+" + s + "|";
            break;
        case PT_BINARY:
            b.Binary(bytes);
            canonical +=
                "B+" + std::to_string(bytes.size()) + ":" + std::to_string(bytes.empty() ? 0 : v) + "|";
            break;
        case PT_SYSTIME:
            b.Value(PT_SYSTIME, {.ft = {DWORD(v), DWORD(v % 2)}});
            canonical += "T" + std::to_string(v) + "/" + std::to_string(v % 2) + "|";
            break;
    }
}

}  // namespace

TEST(IndexDifferential, GroupsEqualAPlainGroupingOfTheSameValues) {
    const std::vector<std::vector<ULONG>> layouts = {{PT_LONG},
                                                     {PT_STRING8, PT_LONG},
                                                     {PT_BINARY, PT_SYSTIME, PT_STRING8},
                                                     {PT_LONG, PT_LONG, PT_BINARY, PT_STRING8}};
    // Run at the program's default level, where keys are looked up as the values stand, and at
    // call-trace level, where every key is converted into a copy first: both must group alike.
    for (unsigned run = 0; run < 40; ++run) {
        const unsigned seed = 1 + run / 2;
        qrvtest::TraceCapture level(run % 2 ? TRACE_CALL : TRACE_ERROR);
        std::mt19937 rng(seed);
        const std::vector<ULONG>& types = layouts[seed % layouts.size()];
        const int nItems = 50 + int(rng() % 400);

        std::vector<RowBuilder> rows(nItems);
        std::map<std::string, std::set<ULONG>> expected;
        for (int i = 0; i < nItems; ++i) {
            std::string canonical;
            for (ULONG t : types) {
                AddRandomValue(rows[i], t, rng, canonical);
            }
            rows[i].ColumnTypes(types);
            expected[canonical].insert(ULONG(i + 1));
        }
        LPSPropTagArray lpColumns = rows[0].Columns();
        // In the normal build the index's objects share slabs, where a leak checker cannot tell a
        // lost object from a free block; the pool's own count can: a released index gives every
        // block back.
        const size_t cBlocksBefore = CSmallBlockPool::Shared().LiveBlocks();
        CDrawerMap* pMap = MakeIndex(lpColumns);
        for (int i = 0; i < nItems; ++i) {
            FileEntry(pMap, rows[i].Row(), lpColumns, ULONG(i + 1), i % 2 ? "subject" : nullptr);
        }

        std::set<std::set<ULONG>> found;
        size_t entries = 0;
        for (CSortDrawer* pDrawer : Walk(pMap)) {
            const std::vector<ULONG> numbers = EntryNumbers(pDrawer);
            entries += numbers.size();
            found.emplace(numbers.begin(), numbers.end());
        }
        std::set<std::set<ULONG>> want;
        for (auto& [key, group] : expected) {
            want.insert(group);
        }
        EXPECT_EQ(size_t(nItems), entries) << "run " << run;
        EXPECT_EQ(want, found) << "run " << run;
        pMap->Release();
        EXPECT_EQ(cBlocksBefore, CSmallBlockPool::Shared().LiveBlocks()) << "run " << run;
    }
}
