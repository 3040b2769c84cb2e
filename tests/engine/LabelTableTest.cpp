// Index lines past their few-key scan: hashed lookup, the derived key order, walks that meet new
// keys and large groups.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <random>

#include "engine/LabelTable.h"
#include "model/RowSet.h"
#include "platform/mapi/MAPIFunctions.h"
#include "tests/engine/EngineTestSupport.h"

using namespace enginetest;

namespace {

// Files each row (one column) and gives, per row, the drawer it landed in.
std::vector<CSortDrawer*> FileRows(CDrawerMap* pMap, std::vector<RowBuilder>& rows,
                                   LPSPropTagArray lpColumns) {
    std::vector<CSortDrawer*> drawers;
    for (RowBuilder& b : rows) {
        drawers.push_back(FileRow(pMap, b.Row(), lpColumns));
    }
    return drawers;
}

// Checks one column type: rows[i] carries class[i] (equal classes must share a drawer, different
// ones must not), and the walk must list the classes in ascending rank.
void ExpectGrouping(std::vector<RowBuilder>& rows, const std::vector<int>& classes,
                    const std::vector<int>& rank, ULONG ulType) {
    // Shuffled with repeats: every row is filed three times, in a random order.
    std::vector<size_t> order;
    for (size_t r = 0; r < 3; ++r) {
        for (size_t i = 0; i < rows.size(); ++i) {
            order.push_back(i);
        }
    }
    std::shuffle(order.begin(), order.end(), std::mt19937(7));
    std::vector<RowBuilder> filed;
    for (size_t i : order) {
        filed.push_back(rows[i]);
        filed.back().ColumnTypes({ulType});
    }
    LPSPropTagArray lpColumns = filed[0].Columns();
    CDrawerMap* pMap = nullptr;
    ASSERT_EQ(S_OK, CDrawerMap::CreateDrawerMap(lpColumns, 0, &pMap));
    std::vector<CSortDrawer*> drawers = FileRows(pMap, filed, lpColumns);

    std::map<int, CSortDrawer*> drawerOfClass;
    for (size_t i = 0; i < order.size(); ++i) {
        auto [it, fNew] = drawerOfClass.emplace(classes[order[i]], drawers[i]);
        EXPECT_EQ(it->second, drawers[i]) << "type " << ulType << " row " << order[i];
    }
    std::vector<CSortDrawer*> distinct;
    for (auto& [cls, pDrawer] : drawerOfClass) {
        distinct.push_back(pDrawer);
    }
    std::sort(distinct.begin(), distinct.end());
    EXPECT_EQ(distinct.end(), std::adjacent_find(distinct.begin(), distinct.end())) << "type " << ulType;

    std::vector<std::pair<int, int>> expected;  // (rank, class)
    for (auto& [cls, pDrawer] : drawerOfClass) {
        expected.push_back({rank[cls], cls});
    }
    std::sort(expected.begin(), expected.end());
    std::vector<CSortDrawer*> walk = Walk(pMap);
    ASSERT_EQ(expected.size(), walk.size()) << "type " << ulType;
    for (size_t i = 0; i < walk.size(); ++i) {
        EXPECT_EQ(drawerOfClass[expected[i].second], walk[i]) << "type " << ulType << " position " << i;
    }
    pMap->Release();
}

}  // namespace

TEST(LabelTable, HashedLinesGroupLikeTheKeyOrderAndWalkInIt) {
    // Numbers: 200 values, the missing value meeting 0.
    {
        std::vector<RowBuilder> rows;
        std::vector<int> classes, rank;
        for (int v = -100; v < 100; ++v) {
            rows.emplace_back().Long(v * 7919);
            classes.push_back(v + 100);
            rank.push_back(v + 100);
        }
        rows.emplace_back().Missing();
        classes.push_back(100);  // the class of 0
        ExpectGrouping(rows, classes, rank, PT_LONG);
    }
    // Floating point: 0.0 and -0.0 are one key, every NaN is one key and sorts last.
    {
        std::vector<RowBuilder> rows;
        std::vector<int> classes, rank;
        for (int v = 1; v <= 60; ++v) {
            SPropValue value{};
            value.Value.dbl = (v % 2 ? 1 : -1) * v * 0.25;
            rows.emplace_back().Value(PT_DOUBLE, value);
            classes.push_back(v);
            rank.push_back((v % 2 ? 1000 : -1000) + (v % 2 ? v : -v));
        }
        SPropValue zero{}, negZero{}, nan1{}, nan2{};
        zero.Value.dbl = 0.0;
        negZero.Value.dbl = -0.0;
        nan1.Value.dbl = std::numeric_limits<double>::quiet_NaN();
        nan2.Value.dbl = -std::numeric_limits<double>::quiet_NaN();
        rows.emplace_back().Value(PT_DOUBLE, zero);
        rows.emplace_back().Value(PT_DOUBLE, negZero);
        rows.emplace_back().Missing(PT_NULL);  // missing is 0 too
        rows.emplace_back().Value(PT_DOUBLE, nan1);
        rows.emplace_back().Value(PT_DOUBLE, nan2);
        classes.insert(classes.end(), {0, 0, 0, 61, 61});
        rank.insert(rank.begin(), 0);  // class 0
        rank.push_back(100000);        // class 61, NaN
        ExpectGrouping(rows, classes, rank, PT_DOUBLE);
    }
    // Narrow strings: the missing value first, then "" (another key), then byte order.
    {
        std::vector<RowBuilder> rows;
        std::vector<int> classes, rank;
        std::vector<std::string> texts = {"", "a", "A", "ab", "b", "\xC3\xA4"};
        for (int i = 0; i < 60; ++i) {
            texts.push_back("key-" + std::to_string(i * 37 % 101));
        }
        std::vector<std::string> sorted = texts;
        std::sort(sorted.begin(), sorted.end());
        for (size_t i = 0; i < texts.size(); ++i) {
            rows.emplace_back().String(texts[i].c_str());
            classes.push_back(int(i));
            rank.push_back(1 + int(std::find(sorted.begin(), sorted.end(), texts[i]) - sorted.begin()));
        }
        rows.emplace_back().Missing();
        rows.emplace_back().String(nullptr);
        classes.insert(classes.end(), {int(texts.size()), int(texts.size())});
        rank.push_back(0);
        ExpectGrouping(rows, classes, rank, PT_STRING8);
    }
    // Binary values: missing first, then shorter before longer whatever the bytes, the empty value
    // a key of its own.
    {
        std::vector<RowBuilder> rows;
        std::vector<int> classes, rank;
        std::vector<std::vector<BYTE>> values = {{}, {0}, {0, 0}, {255}, {1, 2, 3}};
        for (int i = 0; i < 50; ++i) {
            values.push_back({BYTE(i), BYTE(i * 3), BYTE(7), BYTE(i % 5)});
        }
        std::vector<std::vector<BYTE>> sorted = values;
        std::sort(sorted.begin(), sorted.end(), [](const auto& a, const auto& b) {
            return a.size() != b.size() ? a.size() < b.size() : a < b;
        });
        for (size_t i = 0; i < values.size(); ++i) {
            rows.emplace_back().Binary(values[i]);
            classes.push_back(int(i));
            rank.push_back(1 + int(std::find(sorted.begin(), sorted.end(), values[i]) - sorted.begin()));
        }
        rows.emplace_back().Missing();
        classes.push_back(int(values.size()));
        rank.push_back(0);
        ExpectGrouping(rows, classes, rank, PT_BINARY);
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
        std::vector<RowBuilder> rows;
        for (int k = 0; k < cKeys; ++k) {
            rows.emplace_back().Long(10 * (k + 1));
        }
        LPSPropTagArray lpColumns = rows[0].Columns();
        CDrawerMap* pMap = nullptr;
        ASSERT_EQ(S_OK, CDrawerMap::CreateDrawerMap(lpColumns, 0, &pMap));
        FileRows(pMap, rows, lpColumns);
        std::map<LONG, int> reference;
        for (int k = 0; k < cKeys; ++k) {
            reference[10 * (k + 1)] = 0;
        }
        auto File = [&](LONG l) {
            RowBuilder b;
            b.Long(l);
            std::vector<RowBuilder> one{b};
            FileRows(pMap, one, lpColumns);
            reference[l] = 0;
        };
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
        auto it = reference.begin();
        EXPECT_EQ(it->first, LabelOf(pDrawer));
        ++it;
        ASSERT_EQ(S_OK, pMap->FindNext(&pDrawer));
        EXPECT_EQ(it->first, LabelOf(pDrawer));  // 20: the next to hand out is 30
        ++it;
        File(5);   // before the walk's place: not met
        File(25);  // before the next one too
        File(35);  // behind it: met
        File(10 * (cKeys + 5));
        std::vector<LONG> expected, walked;
        for (; it != reference.end(); ++it) {
            expected.push_back(it->first);
        }
        while (SUCCEEDED(pMap->FindNext(&pDrawer)) && pDrawer != nullptr) {
            walked.push_back(LabelOf(pDrawer));
        }
        EXPECT_EQ(expected, walked) << cKeys;
        // Once at the end, the walk stays there even when larger keys come.
        File(10 * (cKeys + 9));
        EXPECT_EQ(S_OK, pMap->FindNext(&pDrawer));
        EXPECT_EQ(nullptr, pDrawer);
        pMap->Release();
    }
}

TEST(SortDrawer, LargeGroupsWalkByBucketAndReleaseEveryEntry) {
    RowBuilder row;
    row.Long(1);
    CSortDrawer* pDrawer = NewDrawer(row.Row());
    std::vector<CEntryReference*> entries;
    for (ULONG n = 1; n <= 600; ++n) {
        auto* pEntry = new CEntryReference(n);
        pEntry->AddRef();
        pEntry->AddRef();  // the test's own reference, to watch the drawer's go
        ASSERT_EQ(S_OK, pDrawer->Insert(pEntry));
        pEntry->Release();
        entries.push_back(pEntry);
    }
    // Replacing the first filed number keeps its place.
    auto* pFirst = new CEntryReference(1);
    pFirst->AddRef();
    ASSERT_EQ(S_OK, pDrawer->Insert(pFirst));
    EXPECT_EQ(1u, RefCount(entries[0]));  // only the test holds the replaced one
    EXPECT_EQ(600u, pDrawer->GetCount());

    std::vector<ULONG> expected;
    for (ULONG bucket = 0; bucket < 17; ++bucket) {
        for (ULONG n = 600; n >= 1; --n) {
            if (CSortDrawer::BucketOf(n) == bucket) {
                expected.push_back(n);
            }
        }
    }
    std::vector<ULONG> walked;
    CEntryReference* pEntry = nullptr;
    for (HRESULT hr = pDrawer->FindFirst(&pEntry); SUCCEEDED(hr) && pEntry != nullptr;
         hr = pDrawer->FindNext(&pEntry)) {
        walked.push_back(pEntry->GetNumber());
        if (pEntry->GetNumber() == 1) {
            EXPECT_EQ(pFirst, pEntry);
        }
        pEntry->Release();
    }
    EXPECT_EQ(expected, walked);
    pDrawer->Release();
    for (size_t i = 1; i < entries.size(); ++i) {
        EXPECT_EQ(1u, RefCount(entries[i])) << i;
    }
    EXPECT_EQ(1u, RefCount(pFirst));
    for (CEntryReference* p : entries) {
        p->Release();
    }
    pFirst->Release();
}
