// Index lines past their few-key scan: hashed lookup, the derived key order, walks that meet new keys.
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <map>
#include <random>

#include "engine/LabelTable.h"
#include "model/RowSet.h"
#include "tests/engine/EngineTestSupport.h"

using namespace enginetest;

namespace {

// Checks one column type: rows[i] carries rank[i], its place in the key order. Rows of one rank
// must share a drawer, rows of different ranks must not, and the walk must go by ascending rank.
// Every row is filed three times, in a shuffled order.
void ExpectGrouping(std::vector<RowBuilder>& rows, const std::vector<int>& rank, ULONG ulType) {
    SCOPED_TRACE(ulType);
    std::vector<size_t> order;
    for (size_t i = 0; i < 3 * rows.size(); ++i) {
        order.push_back(i % rows.size());
    }
    std::shuffle(order.begin(), order.end(), std::mt19937(7));
    for (RowBuilder& b : rows) {
        b.ColumnTypes({ulType});
    }
    LPSPropTagArray lpColumns = rows[0].Columns();
    CDrawerMap* pMap = nullptr;
    ASSERT_EQ(S_OK, CDrawerMap::CreateDrawerMap(lpColumns, 0, &pMap));
    std::map<int, CSortDrawer*> drawerOfRank;
    for (size_t i : order) {
        CSortDrawer* pDrawer = FileRow(pMap, rows[i].Row(), lpColumns);
        EXPECT_EQ(drawerOfRank.emplace(rank[i], pDrawer).first->second, pDrawer) << "row " << i;
    }
    std::vector<CSortDrawer*> expected;
    for (auto& [r, pDrawer] : drawerOfRank) {
        expected.push_back(pDrawer);
    }
    EXPECT_EQ(expected, Walk(pMap));
    pMap->Release();
}

// The rank of each value: its place among the sorted distinct values, from 1.
template <class T, class LESS = std::less<T>>
std::vector<int> Ranks(const std::vector<T>& values, LESS less = LESS()) {
    std::vector<T> sorted = values;
    std::sort(sorted.begin(), sorted.end(), less);
    std::vector<int> rank;
    for (const T& v : values) {
        rank.push_back(1 + int(std::lower_bound(sorted.begin(), sorted.end(), v, less) - sorted.begin()));
    }
    return rank;
}

}  // namespace

TEST(LabelTable, HashedLinesGroupLikeTheKeyOrderAndWalkInIt) {
    // Numbers: 200 values, the missing value meeting 0.
    {
        std::vector<RowBuilder> rows(201);
        std::vector<int> rank;
        for (int v = -100; v < 100; ++v) {
            rows[v + 100].Long(v * 7919);
            rank.push_back(v);
        }
        rows[200].Missing();
        rank.push_back(0);
        ExpectGrouping(rows, rank, PT_LONG);
    }
    // Floating point: 0.0, -0.0 and the missing value are one key; every NaN is one key, sorting last.
    {
        std::vector<RowBuilder> rows(65);
        std::vector<int> rank;
        for (int v = 1; v <= 60; ++v) {
            const int signedV = v % 2 ? v : -v;
            rows[v - 1].Value(PT_DOUBLE, {.dbl = signedV * 0.25});
            rank.push_back(signedV);
        }
        rows[60].Value(PT_DOUBLE, {.dbl = 0.0});
        rows[61].Value(PT_DOUBLE, {.dbl = -0.0});
        rows[62].Missing(PT_NULL);
        rows[63].Value(PT_DOUBLE, {.dbl = std::numeric_limits<double>::quiet_NaN()});
        rows[64].Value(PT_DOUBLE, {.dbl = -std::numeric_limits<double>::quiet_NaN()});
        rank.insert(rank.end(), {0, 0, 0, 1000, 1000});
        ExpectGrouping(rows, rank, PT_DOUBLE);
    }
    // Narrow strings: the missing value first, then "" (another key), then byte order.
    {
        std::vector<std::string> texts = {"", "a", "A", "ab", "b", "\xC3\xA4"};
        for (int i = 0; i < 60; ++i) {
            texts.push_back("key-" + std::to_string(i * 37 % 101));
        }
        std::vector<RowBuilder> rows(texts.size() + 2);
        std::vector<int> rank = Ranks(texts);
        for (size_t i = 0; i < texts.size(); ++i) {
            rows[i].String(texts[i].c_str());
        }
        rows[texts.size()].Missing();
        rows[texts.size() + 1].String(nullptr);
        rank.insert(rank.end(), {0, 0});
        ExpectGrouping(rows, rank, PT_STRING8);
    }
    // Binary values: missing first, then shorter before longer whatever the bytes, the empty value
    // a key of its own.
    {
        std::vector<std::vector<BYTE>> values = {{}, {0}, {0, 0}, {255}, {1, 2, 3}};
        for (int i = 0; i < 50; ++i) {
            values.push_back({BYTE(i), BYTE(i * 3), BYTE(7), BYTE(i % 5)});
        }
        std::vector<RowBuilder> rows(values.size() + 1);
        std::vector<int> rank = Ranks(values, [](const auto& a, const auto& b) {
            return a.size() != b.size() ? a.size() < b.size() : a < b;
        });
        for (size_t i = 0; i < values.size(); ++i) {
            rows[i].Binary(values[i]);
        }
        rows[values.size()].Missing();
        rank.push_back(0);
        ExpectGrouping(rows, rank, PT_BINARY);
    }
}

TEST(LabelTable, TableFindsEveryKeyAcrossGrowthAndOrdersThem) {
    CLabelTable<LONG, CSortDrawer> table;
    std::map<LONG, ULONG> reference;
    std::mt19937 rng(3);
    for (ULONG i = 0; i < 5000; ++i) {
        const LONG key = LONG(rng() % 20000) - 10000;
        const ULONG found = table.Find(key, table.HashOf(key));
        auto it = reference.find(key);
        if (it == reference.end()) {
            ASSERT_EQ(table.kNone, found) << key;
            table.ReserveOne();
            table.Append(key, nullptr, table.HashOf(key));
            reference.emplace(key, table.Size() - 1);
        } else {
            ASSERT_EQ(it->second, found) << key;
        }
    }
    const ULONG* order = table.Order();
    ULONG pos = 0;
    for (auto& [key, index] : reference) {
        ASSERT_EQ(index, order[pos++]);
    }
    EXPECT_EQ(reference.size(), table.Size());
}

TEST(LabelTable, AWalkMeetsKeysFiledBehindItsPlaceLikeAnOrderedMap) {
    for (int cKeys : {3, 40}) {  // the scanned and the hashed form
        SCOPED_TRACE(cKeys);
        RowBuilder first;
        first.Long(10);
        LPSPropTagArray lpColumns = first.Columns();
        CDrawerMap* pMap = nullptr;
        ASSERT_EQ(S_OK, CDrawerMap::CreateDrawerMap(lpColumns, 0, &pMap));
        std::map<LONG, int> reference;
        auto File = [&](LONG l) {
            RowBuilder b;
            b.Long(l);
            FileRow(pMap, b.Row(), lpColumns);
            reference[l] = 0;
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
        for (auto it = reference.upper_bound(25); it != reference.end(); ++it) {
            expected.push_back(it->first);
        }
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
