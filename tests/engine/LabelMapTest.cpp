// The duplicate index levels: the class a column gets, filing, lookup, walk order, replacement, teardown.
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>

#include "model/Allocators.h"
#include "tests/engine/EngineTestSupport.h"

using namespace enginetest;

namespace {

CDrawerMap* MakeIndex(LPSPropTagArray lpColumns) {
    CDrawerMap* pMap = nullptr;
    EXPECT_EQ(S_OK, CDrawerMap::CreateDrawerMap(lpColumns, 0, &pMap));
    return pMap;
}

// Files the rows in order into one index (columns of the given types, else of the values' own)
// and gives, for each drawer of the walk, the row that first made it.
std::vector<int> WalkOrder(std::vector<RowBuilder> rows, const std::vector<ULONG>& types = {}) {
    for (RowBuilder& b : rows) {
        if (!types.empty()) {
            b.ColumnTypes(types);
        }
    }
    LPSPropTagArray lpColumns = rows[0].Columns();
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

RowBuilder Of(ULONG ulType, const _PV& value) {
    return std::move(RowBuilder().Value(ulType, value));
}

}  // namespace

TEST(CreateDrawerMap, RefusesBadColumnsWithoutWritingTheOutPointer) {
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
        EXPECT_EQ(reinterpret_cast<CDrawerMap*>(0x1), pMap);
    }
}

// Each key type's order and equality: a case files its rows in order and expects the walk to list
// the drawers as made by the given rows.
TEST(LabelAccessMap, WalksEveryKeyTypeInItsOrderEachKeyOnce) {
    static const WCHAR wide[] = u"M\u00fcller";
    static GUID a{0x01, 0, 0, {0}}, a2 = a, b{0x0100, 0, 0, {0}};
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        const char* what;
        std::vector<RowBuilder> rows;
        std::vector<ULONG> types;
        std::vector<int> order;
    } cases[] = {
        {"labels lexicographic",
         {RowBuilder().Short(2).String("b"), RowBuilder().Short(1).String("z"),
          RowBuilder().Short(2).String("a")},
         {},
         {1, 2, 0}},
        {"missing string first",
         {RowBuilder().String("b").Long(5), RowBuilder().String("a").Long(7), RowBuilder().Missing().Long(1),
          RowBuilder().String("a").Long(2)},
         {PT_STRING8, PT_LONG},
         {2, 3, 1, 0}},
        {"missing number is 0", {RowBuilder().Missing(PT_NULL), RowBuilder().Long(0)}, {PT_LONG}, {0}},
        {"missing or NULL string is not empty",
         {RowBuilder().String(""), RowBuilder().Missing(), RowBuilder().String(nullptr)},
         {PT_STRING8},
         {1, 0}},
        {"case-sensitive, capital first",
         {RowBuilder().String("smith"), RowBuilder().String("Smith"), RowBuilder().String("smith")},
         {},
         {1, 0}},
        {"negative first", {RowBuilder().Long(5), RowBuilder().Long(-5)}, {}, {1, 0}},
        // Missing, then empty, then shorter before longer whatever the bytes, then unsigned bytes.
        {"binary",
         {RowBuilder().Binary({0x00, 0x00, 0x00}), RowBuilder().Binary({0xFF, 0xFF}),
          RowBuilder().Binary({0x80, 0x00, 0x00}), RowBuilder().Binary({}), RowBuilder().Missing()},
         {PT_BINARY},
         {4, 3, 1, 0, 2}},
        {"booleans 1 and 65535 differ", {Of(PT_BOOLEAN, {.b = 1}), Of(PT_BOOLEAN, {.b = 65535})}, {}, {0, 1}},
        // Currency goes by the stored bytes, lowest byte first.
        {"currency",
         {Of(PT_CURRENCY, {.cur = {.int64 = 1}}), Of(PT_CURRENCY, {.cur = {.int64 = 256}}),
          Of(PT_CURRENCY, {.cur = {.int64 = -1}})},
         {},
         {1, 0, 2}},
        {"time with the top bit set is latest",
         {Of(PT_SYSTIME, {.ft = {0, 0x80000000}}), Of(PT_SYSTIME, {.ft = {0xFFFFFFFF, 0x7FFFFFFF}})},
         {},
         {1, 0}},
        // GUIDs by their bytes in memory: the lowest byte of the first field decides first.
        {"guids",
         {Of(PT_CLSID, {.lpguid = &a}), Of(PT_CLSID, {.lpguid = &a2}), Of(PT_CLSID, {.lpguid = &b}),
          Of(PT_CLSID, {.lpguid = nullptr})},
         {},
         {3, 2, 0}},
        {"doubles: NaN last and one key, zeros one key",
         {Of(PT_DOUBLE, {.dbl = nan}), Of(PT_DOUBLE, {.dbl = 1e300}), Of(PT_DOUBLE, {.dbl = 0.0}),
          Of(PT_DOUBLE, {.dbl = -0.0}), Of(PT_DOUBLE, {.dbl = -nan})},
         {},
         {2, 1, 0}},
        {"floats: NaN last",
         {Of(PT_R4, {.flt = std::numeric_limits<float>::quiet_NaN()}), Of(PT_R4, {.flt = 1.0f})},
         {},
         {1, 0}},
        {"apptimes",
         {Of(PT_APPTIME, {.at = 2.5}), Of(PT_APPTIME, {.at = -1.0}), Of(PT_APPTIME, {.at = 2.5})},
         {},
         {1, 0}},
        {"i8 signed", {Of(PT_I8, {.li = {.QuadPart = 1}}), Of(PT_I8, {.li = {.QuadPart = -1}})}, {}, {1, 0}},
        {"objects by their first 32 bits",
         {Of(PT_OBJECT, {.x = 7}), Of(PT_OBJECT, {.x = 3}), Of(PT_OBJECT, {.x = 7})},
         {},
         {1, 0}},
        // The same text in UTF-8 and in UTF-16 is one key, in a narrow and in a wide column alike.
        {"utf-8 and utf-16 in a narrow column",
         {RowBuilder().String("M\xc3\xbcller"), Of(PT_UNICODE, {.lpszW = const_cast<LPWSTR>(wide)})},
         {PT_STRING8},
         {0}},
        {"utf-8 and utf-16 in a wide column",
         {RowBuilder().String("M\xc3\xbcller"), Of(PT_UNICODE, {.lpszW = const_cast<LPWSTR>(wide)})},
         {PT_UNICODE},
         {0}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.order, WalkOrder(c.rows, c.types)) << c.what;
    }
}

TEST(LabelAccessMap, WalkAndLookupEdges) {
    RowBuilder rows[3], unfiled;
    rows[0].Long(2).Long(1);
    rows[1].Long(1).Long(2);
    rows[2].Long(2).Long(2);
    unfiled.Long(1).Long(3);
    LPSPropTagArray lpColumns = rows[0].Columns();
    CDrawerMap* pMap = MakeIndex(lpColumns);
    // An empty index: FindFirst succeeds with nothing, and so does FindNext after it.
    CSortDrawer* pDrawer = reinterpret_cast<CSortDrawer*>(0x1);
    EXPECT_EQ(S_OK, pMap->FindFirst(&pDrawer));
    EXPECT_EQ(nullptr, pDrawer);
    EXPECT_EQ(S_OK, pMap->FindNext(&pDrawer));
    EXPECT_EQ(nullptr, pDrawer);
    for (RowBuilder& b : rows) {
        FileRow(pMap, b.Row(), lpColumns);
    }
    // A label never filed, though its first value is: success without a drawer.
    pDrawer = reinterpret_cast<CSortDrawer*>(0x1);
    EXPECT_EQ(S_OK, pMap->LookupDrawer(&unfiled.Row(), 0, lpColumns, &pDrawer));
    EXPECT_EQ(nullptr, pDrawer);

    std::vector<CSortDrawer*> walked = Walk(pMap);
    EXPECT_EQ(3u, walked.size());
    // Past the end every further FindNext still gives success and no drawer.
    pDrawer = reinterpret_cast<CSortDrawer*>(0x1);
    EXPECT_EQ(S_OK, pMap->FindNext(&pDrawer));
    EXPECT_EQ(nullptr, pDrawer);
    // FindFirst in the middle of a walk starts again from the first drawer.
    ASSERT_EQ(S_OK, pMap->FindFirst(&pDrawer));
    pDrawer->Release();
    ASSERT_EQ(S_OK, pMap->FindNext(&pDrawer));
    pDrawer->Release();
    EXPECT_EQ(walked, Walk(pMap));
    pMap->Release();
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

TEST(LabelAccessMap, ReplacementSwapsTheDrawerAndKeepsTheCount) {
    RowBuilder row, other;
    row.String("same").Long(1);
    other.String("same").Long(2);
    CDrawerMap* pMap = MakeIndex(row.Columns());
    CSortDrawer* pFirst = NewDrawer(row.Row());
    CSortDrawer* pSecond = NewDrawer(row.Row());
    ASSERT_EQ(S_OK, pMap->InsertDrawer(&row.Row(), 0, row.Columns(), &pFirst));
    FileRow(pMap, other.Row(), row.Columns());
    EXPECT_EQ(2u, RefCount(pFirst));

    ASSERT_EQ(S_OK, pMap->InsertDrawer(&row.Row(), 0, row.Columns(), &pSecond));
    EXPECT_EQ(1u, RefCount(pFirst));
    EXPECT_EQ(2u, RefCount(pSecond));
    std::vector<CSortDrawer*> walked = Walk(pMap);
    ASSERT_EQ(2u, walked.size());
    EXPECT_EQ(pSecond, walked[0]);

    // Filing the same drawer again under its own label must not free it on the way.
    ASSERT_EQ(S_OK, pMap->InsertDrawer(&row.Row(), 0, row.Columns(), &pSecond));
    EXPECT_EQ(2u, RefCount(pSecond));

    pMap->Release();
    EXPECT_EQ(1u, RefCount(pSecond));
    pFirst->Release();
    pSecond->Release();
}

TEST(LabelAccessMap, ReleaseTearsDownEveryLevelAndDrawerReference) {
    RowBuilder rows[3];
    rows[0].Long(1).String("a").Binary({1, 2});
    rows[1].Long(1).String("b").Binary({1, 2});
    rows[2].Long(2).String("a").Binary({3});
    LPSPropTagArray lpColumns = rows[0].Columns();
    CDrawerMap* pMap = MakeIndex(lpColumns);
    std::vector<CSortDrawer*> drawers;
    for (RowBuilder& b : rows) {
        CSortDrawer* pDrawer = NewDrawer(b.Row());
        ASSERT_EQ(S_OK, pMap->InsertDrawer(&b.Row(), 0, lpColumns, &pDrawer));
        drawers.push_back(pDrawer);
        EXPECT_EQ(2u, RefCount(pDrawer));
    }
    // Release from 2 keeps everything.
    EXPECT_EQ(2u, pMap->AddRef());
    EXPECT_EQ(1u, pMap->Release());
    EXPECT_EQ(3u, Walk(pMap).size());
    EXPECT_EQ(0u, pMap->Release());
    for (CSortDrawer* pDrawer : drawers) {
        EXPECT_EQ(1u, RefCount(pDrawer));
        EXPECT_EQ(0u, pDrawer->Release());
    }
}

TEST(LabelAccessMap, KeyCopyThatCannotBeAllocatedFailsInsteadOfMeetingTheMissingValues) {
    static GUID guid{7, 7, 7, {7}};
    // A narrow value in a wide column takes the conversion path.
    const std::pair<ULONG, RowBuilder> cases[] = {{PT_STRING8, RowBuilder().String("value")},
                                                  {PT_UNICODE, RowBuilder().String("value")},
                                                  {PT_BINARY, RowBuilder().Binary({1, 2, 3})},
                                                  {PT_CLSID, Of(PT_CLSID, {.lpguid = &guid})}};
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
            TraceLevel trace(level);
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

// A binary value that counts bytes without having them is copied as an empty value, so it meets the
// empty values, whether the key is looked up as the value stands or converted first.
TEST(LabelAccessMap, BinaryCountWithoutBytesGroupsWithTheEmptyValue) {
    for (LONG level : {LONG(TRACE_ERROR), LONG(TRACE_CALL)}) {
        TraceLevel trace(level);
        RowBuilder empty, counted;
        empty.Binary({});
        counted.Value(PT_BINARY, {.bin = {5, nullptr}});
        LPSPropTagArray lpColumns = empty.Columns();
        CDrawerMap* pMap = MakeIndex(lpColumns);
        CSortDrawer* pDrawer = FileRow(pMap, empty.Row(), lpColumns);
        CSortDrawer* pFound = nullptr;
        ASSERT_EQ(S_OK, pMap->LookupDrawer(&counted.Row(), 0, lpColumns, &pFound)) << level;
        EXPECT_EQ(pDrawer, pFound) << level;
        if (pFound != nullptr) {
            pFound->Release();
        }
        pMap->Release();  // FileRow left the drawer to the index
    }
}
