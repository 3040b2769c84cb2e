// Index lines past their few-key scan: hashed lookup, the derived key order, walks that meet new keys.
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <map>
#include <random>
#include <set>

#include "model/RowSet.h"
#include "tests/engine/EngineTestSupport.h"

using namespace enginetest;

namespace {

using Ranked = std::vector<std::pair<RowBuilder, int>>;

// Checks one column type: each row carries its rank, its place in the key order. Rows of one rank
// must share a drawer, rows of different ranks must not, and the walk must go by ascending rank.
// Every row is filed three times, in a shuffled order.
void ExpectGrouping(Ranked rows, ULONG ulType) {
    SCOPED_TRACE(ulType);
    std::vector<size_t> order;
    for (size_t i = 0; i < 3 * rows.size(); ++i) {
        order.push_back(i % rows.size());
    }
    std::shuffle(order.begin(), order.end(), std::mt19937(7));
    LPSPropTagArray lpColumns = rows[0].first.ColumnTypes({ulType}).Columns();
    CDrawerMap* pMap = MakeIndex(lpColumns);
    std::map<int, CSortDrawer*> drawerOfRank;
    for (size_t i : order) {
        CSortDrawer* pDrawer = FileRow(pMap, rows[i].first.Row(), lpColumns);
        EXPECT_EQ(drawerOfRank.emplace(rows[i].second, pDrawer).first->second, pDrawer) << "row " << i;
    }
    std::vector<CSortDrawer*> expected;
    for (auto& [r, pDrawer] : drawerOfRank) {
        expected.push_back(pDrawer);
    }
    EXPECT_EQ(expected, Walk(pMap));
    pMap->Release();
}

// Adds a row per value, ranked by its place among the sorted distinct values, from 1.
template <class T, class MAKE, class LESS = std::less<T>>
void AddRanked(Ranked& rows, const std::vector<T>& values, MAKE make, LESS less = LESS()) {
    std::vector<T> sorted = values;
    std::sort(sorted.begin(), sorted.end(), less);
    for (const T& v : values) {
        rows.push_back(
            {make(v), 1 + int(std::lower_bound(sorted.begin(), sorted.end(), v, less) - sorted.begin())});
    }
}

}  // namespace

TEST(LabelTable, HashedLinesGroupLikeTheKeyOrderAndWalkInIt) {
    using R = RowBuilder;
    // Numbers: 200 values, the missing value meeting 0.
    Ranked longs = {{R().Missing(), 0}};
    for (int v = -100; v < 100; ++v) {
        longs.push_back({R().Long(v * 7919), v});
    }
    ExpectGrouping(longs, PT_LONG);

    // Floating point: 0.0, -0.0 and the missing value are one key; every NaN is one key, sorting last.
    const double nan = std::numeric_limits<double>::quiet_NaN();
    Ranked doubles = {{RowOf(PT_DOUBLE, {.dbl = 0.0}), 0},
                      {RowOf(PT_DOUBLE, {.dbl = -0.0}), 0},
                      {R().Missing(PT_NULL), 0},
                      {RowOf(PT_DOUBLE, {.dbl = nan}), 1000},
                      {RowOf(PT_DOUBLE, {.dbl = -nan}), 1000}};
    for (int v = 1; v <= 60; ++v) {
        const int signedV = v % 2 ? v : -v;
        doubles.push_back({RowOf(PT_DOUBLE, {.dbl = signedV * 0.25}), signedV});
    }
    ExpectGrouping(doubles, PT_DOUBLE);

    // Narrow strings: the missing value first, then "" (another key), then byte order.
    std::vector<std::string> texts = {"", "a", "A", "ab", "b", "\xC3\xA4"};
    for (int i = 0; i < 60; ++i) {
        texts.push_back("key-" + std::to_string(i * 37 % 101));
    }
    Ranked strings = {{R().Missing(), 0}, {R().String(nullptr), 0}};
    AddRanked(strings, texts, [](const std::string& t) { return R().String(t.c_str()); });
    ExpectGrouping(strings, PT_STRING8);

    // Binary values: missing first, then shorter before longer whatever the bytes, the empty value
    // a key of its own.
    std::vector<std::vector<BYTE>> values = {{}, {0}, {0, 0}, {255}, {1, 2, 3}};
    for (int i = 0; i < 50; ++i) {
        values.push_back({BYTE(i), BYTE(i * 3), BYTE(7), BYTE(i % 5)});
    }
    Ranked binaries = {{R().Missing(), 0}};
    AddRanked(
        binaries, values, [](const std::vector<BYTE>& v) { return R().Binary(v); },
        [](const auto& a, const auto& b) { return a.size() != b.size() ? a.size() < b.size() : a < b; });
    ExpectGrouping(binaries, PT_BINARY);
}

TEST(LabelTable, AWalkMeetsKeysFiledBehindItsPlaceLikeAnOrderedMap) {
    for (int cKeys : {3, 40}) {  // the scanned and the hashed form
        SCOPED_TRACE(cKeys);
        RowBuilder first = RowOf(PT_LONG, {.l = 10});
        LPSPropTagArray lpColumns = first.Columns();
        CDrawerMap* pMap = MakeIndex(lpColumns);
        std::set<LONG> reference;
        auto File = [&](LONG l) {
            FileRow(pMap, RowOf(PT_LONG, {.l = l}).Row(), lpColumns);
            reference.insert(l);
        };
        for (int k = 0; k < cKeys; ++k) {
            File(10 * (k + 1));
        }
        auto LabelOf = [](CSortDrawer* pDrawer) {
            LPSRow lpLabel = nullptr;
            EXPECT_EQ(S_OK, pDrawer->GetDrawerLabel(&lpLabel));
            const LONG l = lpLabel->lpProps[0].Value.l;
            FreeRowSet(&lpLabel);
            pDrawer->Release();
            return l;
        };
        CSortDrawer* pDrawer = nullptr;
        ASSERT_EQ(S_OK, pMap->FindFirst(&pDrawer));
        EXPECT_EQ(10, LabelOf(pDrawer));
        ASSERT_EQ(S_OK, pMap->FindNext(&pDrawer));
        EXPECT_EQ(20, LabelOf(pDrawer));  // the next to hand out is 30
        File(5);                          // before the walk's place: not met
        File(25);                         // before the next one too
        File(35);                         // behind it: met
        File(10 * (cKeys + 5));
        std::vector<LONG> expected, walked;
        expected.assign(reference.upper_bound(25), reference.end());
        while (SUCCEEDED(pMap->FindNext(&pDrawer)) && pDrawer != nullptr) {
            walked.push_back(LabelOf(pDrawer));
        }
        EXPECT_EQ(expected, walked);
        // Once at the end, the walk stays there even when larger keys come.
        File(10 * (cKeys + 9));
        EXPECT_EQ(S_OK, pMap->FindNext(&pDrawer));
        EXPECT_EQ(nullptr, pDrawer);
        pMap->Release();
    }
}
