// The duplicate index levels: the class a column gets, filing, lookup, walk order, replacement, teardown.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "engine/PointerAccessMaps.h"
#include "engine/ValueAccessMaps.h"
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
std::vector<int> WalkOrder(std::vector<RowBuilder>& rows, const std::vector<ULONG>& types = {}) {
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

}  // namespace

TEST(CreateDrawerMap, RefusesBadColumnsWithoutWritingTheOutPointer) {
    TraceCapture trace;
    CDrawerMap* pMap = reinterpret_cast<CDrawerMap*>(0x1);
    EXPECT_EQ(E_INVALIDARG, CDrawerMap::CreateDrawerMap(nullptr, 0, &pMap));
    EXPECT_TRUE(trace.Contains("Failure: Invalid column array specified!\n"));

    SizedSPropTagArray(1, none) = {0, {0}};
    EXPECT_EQ(E_INVALIDARG, CDrawerMap::CreateDrawerMap(reinterpret_cast<LPSPropTagArray>(&none), 0, &pMap));
    SizedSPropTagArray(2, two) = {2, {PR_SUBJECT, PR_ENTRYID}};
    EXPECT_EQ(E_INVALIDARG, CDrawerMap::CreateDrawerMap(reinterpret_cast<LPSPropTagArray>(&two), 2, &pMap));
    EXPECT_TRUE(trace.Contains("Failure: Invalid column index specified!\n"));

    SizedSPropTagArray(2, errors) = {2, {PROP_TAG(PT_ERROR, 0x8001), PROP_TAG(PT_ERROR, 0x8002)}};
    EXPECT_EQ(E_INVALIDARG,
              CDrawerMap::CreateDrawerMap(reinterpret_cast<LPSPropTagArray>(&errors), 0, &pMap));
    EXPECT_TRUE(trace.Contains("Property type onindex 0 is PT_ERROR!\n"));
    EXPECT_EQ(E_INVALIDARG,
              CDrawerMap::CreateDrawerMap(reinterpret_cast<LPSPropTagArray>(&errors), 1, &pMap));
    EXPECT_TRUE(trace.Contains("Property type on index 1 is PT_ERROR!\n"));

    SizedSPropTagArray(2, odd) = {2, {PROP_TAG(PT_MV_STRING8, 0x0001), PROP_TAG(PT_UNSPECIFIED, 0x0002)}};
    EXPECT_EQ(E_UNEXPECTED, CDrawerMap::CreateDrawerMap(reinterpret_cast<LPSPropTagArray>(&odd), 0, &pMap));
    EXPECT_TRUE(trace.Contains("Unexpected property type 69662!\n"));  // 0x0001101E, the whole tag
    EXPECT_EQ(E_UNEXPECTED, CDrawerMap::CreateDrawerMap(reinterpret_cast<LPSPropTagArray>(&odd), 1, &pMap));
    EXPECT_TRUE(trace.Contains("Unexpected property type 131072!\n"));
    EXPECT_EQ(reinterpret_cast<CDrawerMap*>(0x1), pMap);
}

TEST(LabelAccessMap, WalksInLexicographicLabelOrderEachDrawerOnce) {
    std::vector<RowBuilder> rows(3);
    rows[0].Short(2).String("b");
    rows[1].Short(1).String("z");
    rows[2].Short(2).String("a");
    EXPECT_EQ((std::vector<int>{1, 2, 0}), WalkOrder(rows));

    CDrawerMap* pMap = MakeIndex(rows[0].Columns());
    for (RowBuilder& b : rows) {
        FileRow(pMap, b.Row(), rows[0].Columns());
    }
    std::vector<CSortDrawer*> walked = Walk(pMap);
    // Past the end every further FindNext still gives success and no drawer.
    CSortDrawer* pDrawer = reinterpret_cast<CSortDrawer*>(0x1);
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

TEST(LabelAccessMap, MissingValuesTakeTheNullKeyOfTheirType) {
    // A string then a long column: (b,5) (a,7) (missing,1) (a,2) walk missing first.
    std::vector<RowBuilder> rows(4);
    rows[0].String("b").Long(5);
    rows[1].String("a").Long(7);
    rows[2].Missing().Long(1);
    rows[3].String("a").Long(2);
    EXPECT_EQ((std::vector<int>{2, 3, 1, 0}), WalkOrder(rows, {PT_STRING8, PT_LONG}));

    // A missing number is the number 0; a missing or NULL string is not the empty string.
    std::vector<RowBuilder> longs(2);
    longs[0].Missing(PT_NULL);
    longs[1].Long(0);
    EXPECT_EQ((std::vector<int>{0}), WalkOrder(longs, {PT_LONG}));
    std::vector<RowBuilder> strings(3);
    strings[0].String("");
    strings[1].Missing();
    strings[2].String(nullptr);
    EXPECT_EQ((std::vector<int>{1, 0}), WalkOrder(strings, {PT_STRING8}));
}

TEST(LabelAccessMap, KeysAreExactValuesInTheirTypesOrder) {
    // Strings are case-sensitive, the capital first; negative numbers before positive ones.
    std::vector<RowBuilder> names(3);
    names[0].String("smith");
    names[1].String("Smith");
    names[2].String("smith");
    EXPECT_EQ((std::vector<int>{1, 0}), WalkOrder(names));
    std::vector<RowBuilder> longs(2);
    longs[0].Long(5);
    longs[1].Long(-5);
    EXPECT_EQ((std::vector<int>{1, 0}), WalkOrder(longs));

    // Binary: missing, then empty, then shorter before longer whatever the bytes, then unsigned bytes.
    std::vector<RowBuilder> bins(5);
    bins[0].Binary({0x00, 0x00, 0x00});
    bins[1].Binary({0xFF, 0xFF});
    bins[2].Binary({0x80, 0x00, 0x00});
    bins[3].Binary({});
    bins[4].Missing();
    EXPECT_EQ((std::vector<int>{4, 3, 1, 0, 2}), WalkOrder(bins, {PT_BINARY}));

    // Booleans 1 and 65535 differ; currency goes by the stored bytes, lowest byte first; a time
    // with the top bit of its high half set is the latest.
    SPropValue v{};
    std::vector<RowBuilder> bools(2);
    v.Value.b = 1;
    bools[0].Value(PT_BOOLEAN, v);
    v.Value.b = 65535;
    bools[1].Value(PT_BOOLEAN, v);
    EXPECT_EQ((std::vector<int>{0, 1}), WalkOrder(bools));
    std::vector<RowBuilder> money(3);
    const LONGLONG amounts[] = {1, 256, -1};
    for (int i = 0; i < 3; ++i) {
        v.Value.cur.int64 = amounts[i];
        money[i].Value(PT_CURRENCY, v);
    }
    EXPECT_EQ((std::vector<int>{1, 0, 2}), WalkOrder(money));
    std::vector<RowBuilder> times(2);
    v.Value.ft = FILETIME{0, 0x80000000};
    times[0].Value(PT_SYSTIME, v);
    v.Value.ft = FILETIME{0xFFFFFFFF, 0x7FFFFFFF};
    times[1].Value(PT_SYSTIME, v);
    EXPECT_EQ((std::vector<int>{1, 0}), WalkOrder(times));

    // GUIDs by their bytes in memory: the lowest byte of the first field decides first.
    GUID a{0x01, 0, 0, {0}}, a2 = a, b{0x0100, 0, 0, {0}};
    std::vector<RowBuilder> guids(4);
    GUID* pGuids[] = {&a, &a2, &b, nullptr};
    for (int i = 0; i < 4; ++i) {
        v.Value.lpguid = pGuids[i];
        guids[i].Value(PT_CLSID, v);
    }
    EXPECT_EQ((std::vector<int>{3, 2, 0}), WalkOrder(guids));
}

TEST(LabelAccessMap, FloatKeysPlaceNanLastAndAsOneKey) {
    SPropValue v{};
    const double values[] = {std::numeric_limits<double>::quiet_NaN(), 1e300, 0.0, -0.0,
                             -std::numeric_limits<double>::quiet_NaN()};
    std::vector<RowBuilder> doubles(5);
    for (int i = 0; i < 5; ++i) {
        v.Value.dbl = values[i];
        doubles[i].Value(PT_DOUBLE, v);
    }
    EXPECT_EQ((std::vector<int>{2, 1, 0}), WalkOrder(doubles));
    std::vector<RowBuilder> floats(2);
    v.Value.flt = std::numeric_limits<float>::quiet_NaN();
    floats[0].Value(PT_R4, v);
    v.Value.flt = 1.0f;
    floats[1].Value(PT_R4, v);
    EXPECT_EQ((std::vector<int>{1, 0}), WalkOrder(floats));
}

TEST(LabelAccessMap, StringsOfTheOtherWidthAreConvertedNotMisread) {
    SPropValue v{};
    static const WCHAR wide[] = u"M\u00fcller";
    v.Value.lpszW = const_cast<LPWSTR>(wide);
    // The same text in UTF-8 and in UTF-16 is one key, in a narrow and in a wide column alike.
    for (ULONG type : {PT_STRING8, PT_UNICODE}) {
        std::vector<RowBuilder> rows(2);
        rows[0].String("M\xc3\xbcller");
        rows[1].Value(PT_UNICODE, v);
        EXPECT_EQ((std::vector<int>{0}), WalkOrder(rows, {type}));
    }
}

TEST(LabelAccessMap, LookupOfAnUnfiledLabelIsSuccessWithoutDrawer) {
    RowBuilder filed, other;
    filed.Long(1).Long(2);
    other.Long(1).Long(3);
    CDrawerMap* pMap = MakeIndex(filed.Columns());
    FileRow(pMap, filed.Row(), filed.Columns());
    CSortDrawer* pDrawer = reinterpret_cast<CSortDrawer*>(0x1);
    EXPECT_EQ(S_OK, pMap->LookupDrawer(&other.Row(), 0, filed.Columns(), &pDrawer));
    EXPECT_EQ(nullptr, pDrawer);
    pMap->Release();

    // An empty index: FindFirst succeeds with nothing, and so does FindNext after it.
    CDrawerMap* pEmpty = MakeIndex(filed.Columns());
    EXPECT_EQ(S_OK, pEmpty->FindFirst(&pDrawer));
    EXPECT_EQ(nullptr, pDrawer);
    EXPECT_EQ(S_OK, pEmpty->FindNext(&pDrawer));
    EXPECT_EQ(nullptr, pDrawer);
    pEmpty->Release();
}

TEST(LabelAccessMap, RefusesRowsThatDoNotFitTheIndex) {
    TraceCapture trace;
    RowBuilder two, one;
    two.Long(1).Long(2);
    one.Long(1);
    CDrawerMap* pMap = MakeIndex(two.Columns());
    FileRow(pMap, two.Row(), two.Columns());
    CSortDrawer* pDrawer = NewDrawer(one.Row());

    EXPECT_EQ(E_INVALIDARG, pMap->InsertDrawer(&one.Row(), 0, two.Columns(), &pDrawer));
    EXPECT_TRUE(trace.Contains("Failure: Invalid prop tag array size!\n"));
    EXPECT_EQ(E_INVALIDARG, pMap->InsertDrawer(&two.Row(), 2, two.Columns(), &pDrawer));
    EXPECT_TRUE(trace.Contains("Failure: Invalid characteristics index specified!\n"));
    EXPECT_EQ(E_INVALIDARG, pMap->InsertDrawer(nullptr, 0, two.Columns(), &pDrawer));
    EXPECT_TRUE(trace.Contains("Failure: Invalid characteristics pointer specified!\n"));
    EXPECT_EQ(E_INVALIDARG, pMap->InsertDrawer(&two.Row(), 0, nullptr, &pDrawer));
    EXPECT_TRUE(trace.Contains("Failure: Invalid prop tag array specified!\n"));

    // A one-column row with a one-column set is consistent in itself but ends at an inner level:
    // the level's own flag refuses it, so no drawer is ever taken for a level (or the reverse).
    EXPECT_EQ(E_INVALIDARG, pMap->InsertDrawer(&one.Row(), 0, one.Columns(), &pDrawer));
    CSortDrawer* pFound = nullptr;
    EXPECT_EQ(E_INVALIDARG, pMap->LookupDrawer(&one.Row(), 0, one.Columns(), &pFound));
    EXPECT_EQ(nullptr, pFound);
    EXPECT_EQ(1u, RefCount(pDrawer));
    EXPECT_EQ(1u, Walk(pMap).size());
    pDrawer->Release();
    pMap->Release();
}

TEST(LabelAccessMap, ValueOfAnotherTypeFailsAndLeavesTheIndexUnchanged) {
    TraceCapture trace;
    RowBuilder shortRow, longRow, stringRow;
    shortRow.Short(1);
    longRow.Long(1);
    stringRow.String("x");
    CDrawerMap* pShorts = MakeIndex(shortRow.Columns());
    CSortDrawer* pDrawer = NewDrawer(longRow.Row());
    EXPECT_EQ(E_UNEXPECTED, pShorts->InsertDrawer(&longRow.Row(), 0, shortRow.Columns(), &pDrawer));
    EXPECT_TRUE(trace.Contains("Invalid property type 3 instead of 2!\n"));
    EXPECT_TRUE(trace.Contains("ConvertToKey() failed: hr = 0x8000ffff\n"));
    EXPECT_EQ(0u, Walk(pShorts).size());
    pShorts->Release();

    CDrawerMap* pStrings = MakeIndex(stringRow.Columns());
    EXPECT_EQ(E_UNEXPECTED, pStrings->InsertDrawer(&shortRow.Row(), 0, stringRow.Columns(), &pDrawer));
    EXPECT_TRUE(trace.Contains("Invalid property type 2 instead of 30/31!\n"));
    pStrings->Release();

    RowBuilder binRow;
    binRow.Binary({1});
    CDrawerMap* pBinaries = MakeIndex(binRow.Columns());
    EXPECT_EQ(E_UNEXPECTED, pBinaries->InsertDrawer(&shortRow.Row(), 0, binRow.Columns(), &pDrawer));
    EXPECT_TRUE(trace.Contains("Invalid property type 2 instead of 258\n"));
    pBinaries->Release();
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
    GUID guid{7, 7, 7, {7}};
    SPropValue v{};
    v.Value.lpguid = &guid;
    for (ULONG type : {PT_STRING8, PT_UNICODE, PT_BINARY, PT_CLSID}) {
        std::vector<RowBuilder> rows(2);
        rows[0].Missing();
        if (type == PT_BINARY) {
            rows[1].Binary({1, 2, 3});
        } else if (type == PT_CLSID) {
            rows[1].Value(PT_CLSID, v);
        } else {
            rows[1].String("value");  // a narrow value in a wide column takes the conversion path
        }
        for (RowBuilder& b : rows) {
            b.ColumnTypes({type});
        }
        LPSPropTagArray lpColumns = rows[0].Columns();
        CDrawerMap* pMap = MakeIndex(lpColumns);
        CSortDrawer* pMissing = FileRow(pMap, rows[0].Row(), lpColumns);
        CSortDrawer* pDrawer = NewDrawer(rows[1].Row());
        // A lookup whose key cannot be copied fails; it never hands out the missing values' drawer.
        // At call-trace level every lookup converts (copies) its key.
        {
            TraceCapture calls(TRACE_CALL);
            SetAllocatorFailureAfter(0);
            CSortDrawer* pFound = nullptr;
            EXPECT_EQ(E_OUTOFMEMORY, pMap->LookupDrawer(&rows[1].Row(), 0, lpColumns, &pFound)) << type;
            SetAllocatorFailureAfter(-1);
            EXPECT_EQ(nullptr, pFound);
        }
        // Otherwise only a value of the other width needs a copy; the others are looked up as they
        // stand and, with nothing filed under them, find nothing.
        SetAllocatorFailureAfter(0);
        CSortDrawer* pFound = nullptr;
        const HRESULT hrLookup = pMap->LookupDrawer(&rows[1].Row(), 0, lpColumns, &pFound);
        SetAllocatorFailureAfter(-1);
        EXPECT_EQ(type == PT_UNICODE ? E_OUTOFMEMORY : S_OK, hrLookup) << type;
        EXPECT_EQ(nullptr, pFound);
        // Filing fails at every copy it needs, leaving the index as it was, until it can be made.
        int nFailures = 0;
        for (int nSkip = 0; nSkip < 8; ++nSkip) {
            SetAllocatorFailureAfter(nSkip);
            const HRESULT hr = pMap->InsertDrawer(&rows[1].Row(), 0, lpColumns, &pDrawer);
            SetAllocatorFailureAfter(-1);
            if (SUCCEEDED(hr)) {
                break;
            }
            EXPECT_EQ(E_OUTOFMEMORY, hr) << type;
            EXPECT_EQ(1u, Walk(pMap).size()) << type;
            ++nFailures;
        }
        EXPECT_GT(nFailures, 0) << type;
        std::vector<CSortDrawer*> expected = {pMissing, pDrawer};
        EXPECT_EQ(expected, Walk(pMap)) << type;
        pMap->Release();
        EXPECT_EQ(1u, RefCount(pDrawer));
        pDrawer->Release();
    }
}

// A binary value that counts bytes without having them is copied as an empty value, so it meets the
// empty values, whether the key is looked up as the value stands or converted first.
TEST(LabelAccessMap, BinaryCountWithoutBytesGroupsWithTheEmptyValue) {
    for (LONG level : {LONG(TRACE_ERROR), LONG(TRACE_CALL)}) {
        TraceCapture trace(level);
        RowBuilder empty;
        empty.Binary({});
        empty.ColumnTypes({PT_BINARY});
        LPSPropTagArray lpColumns = empty.Columns();
        CDrawerMap* pMap = MakeIndex(lpColumns);
        CSortDrawer* pDrawer = FileRow(pMap, empty.Row(), lpColumns);
        RowBuilder counted;
        SPropValue v{};
        v.Value.bin = SBinary{5, nullptr};
        counted.Value(PT_BINARY, v);
        CSortDrawer* pFound = nullptr;
        ASSERT_EQ(S_OK, pMap->LookupDrawer(&counted.Row(), 0, lpColumns, &pFound)) << level;
        EXPECT_EQ(pDrawer, pFound) << level;
        if (pFound != nullptr) {
            pFound->Release();
        }
        pMap->Release();  // File left the drawer to the index
    }
}
