// The duplicate index levels: the class a column gets, filing, lookup, walk order, replacement, teardown.
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>

#include "model/Allocators.h"
#include "tests/engine/EngineTestSupport.h"

using namespace enginetest;

namespace {

// Files the rows in order into one index (columns of the given types, else of the values' own)
// and gives, for each drawer of the walk, the row that first made it.
std::vector<int> WalkOrder(std::vector<RowBuilder> rows, const std::vector<ULONG>& types = {}) {
    LPSPropTagArray lpColumns = rows[0].ColumnTypes(types).Columns();
    CDrawerMap* pMap = MakeIndex(lpColumns);
    std::vector<CSortDrawer*> made;
    for (RowBuilder& b : rows) {
        made.push_back(FileRow(pMap, b.Row(), lpColumns));
    }
    std::vector<int> order;
    for (CSortDrawer* pDrawer : Walk(pMap)) {
        order.push_back(int(std::find(made.begin(), made.end(), pDrawer) - made.begin()));
    }
    pMap->Release();
    return order;
}

// One row of one value of the type per value given.
std::vector<RowBuilder> Rows(ULONG ulType, std::initializer_list<_PV> values) {
    std::vector<RowBuilder> rows;
    for (const _PV& v : values) {
        rows.push_back(RowOf(ulType, v));
    }
    return rows;
}

}  // namespace

TEST(CreateDrawerMap, RefusesBadColumnsAndLeavesNoPointerBehind) {
    SizedSPropTagArray(1, none) = {0, {0}};
    SizedSPropTagArray(2, two) = {2, {PR_SUBJECT, PR_ENTRYID}};
    SizedSPropTagArray(2, errors) = {2, {PROP_TAG(PT_ERROR, 0x8001), PROP_TAG(PT_ERROR, 0x8002)}};
    SizedSPropTagArray(2, odd) = {2, {PROP_TAG(PT_MV_STRING8, 0x0001), PROP_TAG(PT_UNSPECIFIED, 0x0002)}};
    const struct {
        void* columns;
        ULONG index;
        HRESULT hr;
    } cases[] = {{nullptr, 0, E_INVALIDARG}, {&none, 0, E_INVALIDARG},   {&two, 2, E_INVALIDARG},
                 {&errors, 0, E_INVALIDARG}, {&errors, 1, E_INVALIDARG}, {&odd, 0, E_UNEXPECTED},
                 {&odd, 1, E_UNEXPECTED}};
    for (const auto& c : cases) {
        CDrawerMap* pMap = reinterpret_cast<CDrawerMap*>(0x1);
        EXPECT_EQ(c.hr, CDrawerMap::CreateDrawerMap(static_cast<LPSPropTagArray>(c.columns), c.index, &pMap))
            << c.columns << "/" << c.index;
        EXPECT_EQ(nullptr, pMap);
    }
}

// Each key type's order and equality: a case files its rows in order (in columns of the given
// types, else of the values' own) and expects the walk to list the drawers as made by those rows.
TEST(LabelAccessMap, WalksEveryKeyTypeInItsOrderEachKeyOnce) {
    static const WCHAR wide[] = u"M\u00fcller";
    static GUID a{0x01, 0, 0, {0}}, a2 = a, b{0x0100, 0, 0, {0}};
    using R = RowBuilder;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        std::vector<int> order;
        std::vector<RowBuilder> rows;
        std::vector<ULONG> types = {};
    } cases[] = {
        // Labels in lexicographic order.
        {{1, 2, 0}, {R().Short(2).String("b"), R().Short(1).String("z"), R().Short(2).String("a")}},
        // A missing string first.
        {{2, 3, 1, 0},
         {R().String("b").Long(5), R().String("a").Long(7), R().Missing().Long(1), R().String("a").Long(2)},
         {PT_STRING8, PT_LONG}},
        // A missing number is the number 0; a missing or NULL string is not the empty string.
        {{0}, {R().Missing(PT_NULL), R().Long(0)}, {PT_LONG}},
        {{1, 0}, {R().String(""), R().Missing(), R().String(nullptr)}, {PT_STRING8}},
        // Strings are case-sensitive, the capital first; negative numbers before positive ones.
        {{1, 0}, {R().String("smith"), R().String("Smith"), R().String("smith")}},
        {{1, 0}, {R().Long(5), R().Long(-5)}},
        // Binary: missing, then empty, then shorter before longer whatever the bytes, then unsigned bytes.
        {{4, 3, 1, 0, 2},
         {R().Binary({0, 0, 0}), R().Binary({0xFF, 0xFF}), R().Binary({0x80, 0, 0}), R().Binary({}),
          R().Missing()},
         {PT_BINARY}},
        // A count without bytes is copied as an empty value, so it meets the empty values.
        {{0}, {R().Binary({}), RowOf(PT_BINARY, {.bin = {5, nullptr}})}},
        // Booleans 1 and 65535 differ; currency goes by the stored bytes, lowest byte first; a time
        // with the top bit of its high half set is the latest.
        {{0, 1}, Rows(PT_BOOLEAN, {{.b = 1}, {.b = 65535}})},
        {{1, 0, 2},
         Rows(PT_CURRENCY, {{.cur = {.int64 = 1}}, {.cur = {.int64 = 256}}, {.cur = {.int64 = -1}}})},
        {{1, 0}, Rows(PT_SYSTIME, {{.ft = {0, 0x80000000}}, {.ft = {0xFFFFFFFF, 0x7FFFFFFF}}})},
        // GUIDs by their bytes in memory: the lowest byte of the first field decides first.
        {{3, 2, 0}, Rows(PT_CLSID, {{.lpguid = &a}, {.lpguid = &a2}, {.lpguid = &b}, {.lpguid = nullptr}})},
        // Floating point: every NaN is one key, after every number; 0.0 and -0.0 are one key.
        {{2, 1, 0},
         Rows(PT_DOUBLE, {{.dbl = nan}, {.dbl = 1e300}, {.dbl = 0.0}, {.dbl = -0.0}, {.dbl = -nan}})},
        {{1, 0}, Rows(PT_R4, {{.flt = std::numeric_limits<float>::quiet_NaN()}, {.flt = 1.0f}})},
        {{1, 0}, Rows(PT_APPTIME, {{.at = 2.5}, {.at = -1.0}, {.at = 2.5}})},
        // 64-bit numbers are signed; objects compare by their first 32 bits.
        {{1, 0}, Rows(PT_I8, {{.li = {.QuadPart = 1}}, {.li = {.QuadPart = -1}}})},
        {{1, 0}, Rows(PT_OBJECT, {{.x = 7}, {.x = 3}, {.x = 7}})},
        // The same text in UTF-8 and in UTF-16 is one key, in a narrow and in a wide column alike.
        {{0},
         {R().String("M\xc3\xbcller"), RowOf(PT_UNICODE, {.lpszW = const_cast<LPWSTR>(wide)})},
         {PT_STRING8}},
        {{0},
         {R().String("M\xc3\xbcller"), RowOf(PT_UNICODE, {.lpszW = const_cast<LPWSTR>(wide)})},
         {PT_UNICODE}},
    };
    // At the program's default level keys are looked up as the values stand; at call-trace level
    // every key is converted into a copy first: both must group alike.
    for (LONG level : {LONG(TRACE_ERROR), LONG(TRACE_CALL)}) {
        qrvtest::TraceCapture trace(level);
        for (size_t i = 0; i < std::size(cases); ++i) {
            EXPECT_EQ(cases[i].order, WalkOrder(cases[i].rows, cases[i].types))
                << "case " << i << " level " << level;
        }
    }
}

TEST(LabelAccessMap, RefusesRowsThatDoNotFitTheIndexAndChangesNothing) {
    RowBuilder two, one;
    two.Long(1).Long(2);
    one.Long(1);
    CDrawerMap* pMap = MakeIndex(two.Columns());
    FileRow(pMap, two.Row(), two.Columns());
    CSortDrawer* pDrawer = NewDrawer(one.Row());
    EXPECT_EQ(E_INVALIDARG, pMap->InsertDrawer(&one.Row(), 0, two.Columns(), &pDrawer));
    EXPECT_EQ(E_INVALIDARG, pMap->InsertDrawer(&two.Row(), 2, two.Columns(), &pDrawer));
    EXPECT_EQ(E_INVALIDARG, pMap->InsertDrawer(nullptr, 0, two.Columns(), &pDrawer));
    EXPECT_EQ(E_INVALIDARG, pMap->InsertDrawer(&two.Row(), 0, nullptr, &pDrawer));
    // A one-column row with a one-column set is consistent in itself but ends at an inner level:
    // the level's own flag refuses it, so no drawer is ever taken for a level (or the reverse).
    EXPECT_EQ(E_INVALIDARG, pMap->InsertDrawer(&one.Row(), 0, one.Columns(), &pDrawer));
    CSortDrawer* pFound = nullptr;
    EXPECT_EQ(E_INVALIDARG, pMap->LookupDrawer(&one.Row(), 0, one.Columns(), &pFound));
    EXPECT_EQ(nullptr, pFound);
    EXPECT_EQ(1u, Walk(pMap).size());
    pMap->Release();

    // A value of another type than its column's.
    const std::pair<ULONG, RowBuilder> mismatches[] = {{PT_I2, RowBuilder().Long(1)},
                                                       {PT_STRING8, RowBuilder().Short(1)},
                                                       {PT_BINARY, RowBuilder().Short(1)}};
    for (auto [ulColumn, row] : mismatches) {
        row.ColumnTypes({ulColumn});
        pMap = MakeIndex(row.Columns());
        EXPECT_EQ(E_UNEXPECTED, pMap->InsertDrawer(&row.Row(), 0, row.Columns(), &pDrawer)) << ulColumn;
        EXPECT_EQ(0u, Walk(pMap).size());
        pMap->Release();
    }
    EXPECT_EQ(1u, RefCount(pDrawer));
    pDrawer->Release();
}

// One index through its life: empty, filed, looked up, walked, a drawer replaced, released.
TEST(LabelAccessMap, WalkEdgesReplacementAndTeardownKeepTheCounts) {
    RowBuilder rows[3], unfiled;
    rows[0].Long(1).String("a").Binary({1, 2});
    rows[1].Long(1).String("b").Binary({1, 2});
    rows[2].Long(2).String("a").Binary({3});
    unfiled.Long(1).String("a").Binary({9});
    LPSPropTagArray lpColumns = rows[0].Columns();
    CDrawerMap* pMap = MakeIndex(lpColumns);
    // An empty index: FindFirst succeeds with nothing, and so does FindNext after it.
    CSortDrawer* pDrawer = reinterpret_cast<CSortDrawer*>(0x1);
    EXPECT_EQ(S_OK, pMap->FindFirst(&pDrawer));
    EXPECT_EQ(nullptr, pDrawer);
    EXPECT_EQ(S_OK, pMap->FindNext(&pDrawer));
    EXPECT_EQ(nullptr, pDrawer);
    std::vector<CSortDrawer*> drawers;
    for (RowBuilder& b : rows) {
        drawers.push_back(NewDrawer(b.Row()));
        ASSERT_EQ(S_OK, pMap->InsertDrawer(&b.Row(), 0, lpColumns, &drawers.back()));
        EXPECT_EQ(2u, RefCount(drawers.back()));
    }
    // A label never filed, though its first values are: success without a drawer.
    pDrawer = reinterpret_cast<CSortDrawer*>(0x1);
    EXPECT_EQ(S_OK, pMap->LookupDrawer(&unfiled.Row(), 0, lpColumns, &pDrawer));
    EXPECT_EQ(nullptr, pDrawer);

    // Another drawer under the first label takes its place; the first is left to the caller alone.
    drawers.push_back(NewDrawer(rows[0].Row()));
    ASSERT_EQ(S_OK, pMap->InsertDrawer(&rows[0].Row(), 0, lpColumns, &drawers[3]));
    EXPECT_EQ(1u, RefCount(drawers[0]));
    EXPECT_EQ(2u, RefCount(drawers[3]));
    const std::vector<CSortDrawer*> walked = {drawers[3], drawers[1], drawers[2]};
    EXPECT_EQ(walked, Walk(pMap));
    // Filing the same drawer again under its own label must not free it on the way.
    ASSERT_EQ(S_OK, pMap->InsertDrawer(&rows[0].Row(), 0, lpColumns, &drawers[3]));
    EXPECT_EQ(2u, RefCount(drawers[3]));

    // Past the end every further FindNext still gives success and no drawer; FindFirst in the
    // middle of a walk starts again from the first drawer.
    pDrawer = reinterpret_cast<CSortDrawer*>(0x1);
    EXPECT_EQ(S_OK, pMap->FindNext(&pDrawer));
    EXPECT_EQ(nullptr, pDrawer);
    ASSERT_EQ(S_OK, pMap->FindFirst(&pDrawer));
    pDrawer->Release();
    ASSERT_EQ(S_OK, pMap->FindNext(&pDrawer));
    pDrawer->Release();
    EXPECT_EQ(walked, Walk(pMap));

    // Release from 2 keeps everything; the last one releases every level and drawer.
    EXPECT_EQ(2u, pMap->AddRef());
    EXPECT_EQ(1u, pMap->Release());
    EXPECT_EQ(3u, Walk(pMap).size());
    EXPECT_EQ(0u, pMap->Release());
    for (CSortDrawer* p : drawers) {
        EXPECT_EQ(1u, RefCount(p));
        EXPECT_EQ(0u, p->Release());
    }
}

TEST(LabelAccessMap, KeyCopyThatCannotBeAllocatedFailsInsteadOfMeetingTheMissingValues) {
    static GUID guid{7, 7, 7, {7}};
    // A narrow value in a wide column takes the conversion path.
    const std::pair<ULONG, RowBuilder> cases[] = {{PT_STRING8, RowBuilder().String("value")},
                                                  {PT_UNICODE, RowBuilder().String("value")},
                                                  {PT_BINARY, RowBuilder().Binary({1, 2, 3})},
                                                  {PT_CLSID, RowOf(PT_CLSID, {.lpguid = &guid})}};
    for (auto [type, value] : cases) {
        SCOPED_TRACE(type);
        RowBuilder missing;
        missing.Missing().ColumnTypes({type});
        value.ColumnTypes({type});
        LPSPropTagArray lpColumns = missing.Columns();
        CDrawerMap* pMap = MakeIndex(lpColumns);
        CSortDrawer* pMissing = FileRow(pMap, missing.Row(), lpColumns);
        CSortDrawer* pDrawer = NewDrawer(value.Row());
        // A lookup whose key cannot be copied fails; it never hands out the missing values' drawer.
        // At call-trace level every lookup converts (copies) its key; otherwise only a value of
        // the other width needs a copy, and the others, with nothing filed under them, find nothing.
        for (LONG level : {LONG(TRACE_CALL), LONG(TRACE_ERROR)}) {
            qrvtest::TraceCapture trace(level);
            SetAllocatorFailureAfter(0);
            CSortDrawer* pFound = nullptr;
            const HRESULT hrLookup = pMap->LookupDrawer(&value.Row(), 0, lpColumns, &pFound);
            SetAllocatorFailureAfter(-1);
            EXPECT_EQ(level == TRACE_CALL || type == PT_UNICODE ? E_OUTOFMEMORY : S_OK, hrLookup) << level;
            EXPECT_EQ(nullptr, pFound);
        }
        // Filing fails at every copy it needs, leaving the index as it was, until it can be made.
        int nFailures = 0;
        for (int nSkip = 0; nSkip < 8; ++nSkip) {
            SetAllocatorFailureAfter(nSkip);
            const HRESULT hr = pMap->InsertDrawer(&value.Row(), 0, lpColumns, &pDrawer);
            SetAllocatorFailureAfter(-1);
            if (SUCCEEDED(hr)) {
                break;
            }
            EXPECT_EQ(E_OUTOFMEMORY, hr);
            EXPECT_EQ(1u, Walk(pMap).size());
            ++nFailures;
        }
        EXPECT_GT(nFailures, 0);
        EXPECT_EQ((std::vector<CSortDrawer*>{pMissing, pDrawer}), Walk(pMap));
        pMap->Release();
        EXPECT_EQ(1u, RefCount(pDrawer));
        pDrawer->Release();
    }
}
