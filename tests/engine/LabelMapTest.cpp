// The duplicate index levels: the class a column gets, filing, lookup, walk order, replacement, teardown.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "engine/PointerAccessMaps.h"
#include "engine/ValueAccessMaps.h"
#include "tests/engine/EngineTestSupport.h"

using namespace enginetest;

namespace {

// Files a new drawer under the row the way the search does, and hands back the index's drawer.
CSortDrawer* File(CDrawerMap* pMap, RowBuilder& b, LPSPropTagArray lpColumns) {
    CSortDrawer* pDrawer = nullptr;
    EXPECT_EQ(S_OK, pMap->LookupDrawer(&b.Row(), 0, lpColumns, &pDrawer));
    if (pDrawer == nullptr) {
        pDrawer = NewDrawer(b.Row());
        EXPECT_EQ(S_OK, pMap->InsertDrawer(&b.Row(), 0, lpColumns, &pDrawer));
    }
    pDrawer->Release();
    return pDrawer;
}

CDrawerMap* MakeIndex(LPSPropTagArray lpColumns) {
    CDrawerMap* pMap = nullptr;
    EXPECT_EQ(S_OK, CDrawerMap::CreateDrawerMap(lpColumns, 0, &pMap));
    return pMap;
}

template <class MAP>
bool IsLevel(CDrawerMap* p) {
    return dynamic_cast<MAP*>(p) != nullptr;
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

TEST(CreateDrawerMap, ChoosesTheClassByColumnTypeAndLineByPosition) {
    const ULONG types[] = {PT_I2,     PT_LONG, PT_R4,      PT_DOUBLE,  PT_CURRENCY, PT_APPTIME, PT_BOOLEAN,
                           PT_OBJECT, PT_I8,   PT_STRING8, PT_UNICODE, PT_SYSTIME,  PT_CLSID,   PT_BINARY};
    for (ULONG type : types) {
        SizedSPropTagArray(2, cols) = {2, {PROP_TAG(type, 0x8000), PROP_TAG(type, 0x8001)}};
        auto lpCols = reinterpret_cast<LPSPropTagArray>(&cols);
        CDrawerMap* pInner = nullptr;
        CDrawerMap* pLast = nullptr;
        ASSERT_EQ(S_OK, CDrawerMap::CreateDrawerMap(lpCols, 0, &pInner)) << type;
        ASSERT_EQ(S_OK, CDrawerMap::CreateDrawerMap(lpCols, 1, &pLast)) << type;
        bool fInner = false;
        bool fLast = false;
        switch (type) {
            case PT_I2:
                fInner = IsLevel<ShortAccessMap<CDrawerMap>>(pInner);
                fLast = IsLevel<ShortAccessMap<CSortDrawer>>(pLast);
                break;
            case PT_LONG:
                fInner = IsLevel<LongAccessMap<CDrawerMap>>(pInner);
                fLast = IsLevel<LongAccessMap<CSortDrawer>>(pLast);
                break;
            case PT_R4:
                fInner = IsLevel<FloatAccessMap<CDrawerMap>>(pInner);
                fLast = IsLevel<FloatAccessMap<CSortDrawer>>(pLast);
                break;
            case PT_DOUBLE:
                fInner = IsLevel<DoubleAccessMap<CDrawerMap>>(pInner);
                fLast = IsLevel<DoubleAccessMap<CSortDrawer>>(pLast);
                break;
            case PT_CURRENCY:
                fInner = IsLevel<CurrencyAccessMap<CDrawerMap>>(pInner);
                fLast = IsLevel<CurrencyAccessMap<CSortDrawer>>(pLast);
                break;
            case PT_APPTIME:
                fInner = IsLevel<ApptimeAccessMap<CDrawerMap>>(pInner);
                fLast = IsLevel<ApptimeAccessMap<CSortDrawer>>(pLast);
                break;
            case PT_BOOLEAN:
                fInner = IsLevel<BoolAccessMap<CDrawerMap>>(pInner);
                fLast = IsLevel<BoolAccessMap<CSortDrawer>>(pLast);
                break;
            case PT_OBJECT:
                fInner = IsLevel<ObjectAccessMap<CDrawerMap>>(pInner);
                fLast = IsLevel<ObjectAccessMap<CSortDrawer>>(pLast);
                break;
            case PT_I8:
                fInner = IsLevel<LonglongAccessMap<CDrawerMap>>(pInner);
                fLast = IsLevel<LonglongAccessMap<CSortDrawer>>(pLast);
                break;
            case PT_STRING8:
                fInner = IsLevel<NarrowStringAccessMap<CDrawerMap>>(pInner);
                fLast = IsLevel<NarrowStringAccessMap<CSortDrawer>>(pLast);
                break;
            case PT_UNICODE:
                fInner = IsLevel<WideStringAccessMap<CDrawerMap>>(pInner);
                fLast = IsLevel<WideStringAccessMap<CSortDrawer>>(pLast);
                break;
            case PT_SYSTIME:
                fInner = IsLevel<SystimeAccessMap<CDrawerMap>>(pInner);
                fLast = IsLevel<SystimeAccessMap<CSortDrawer>>(pLast);
                break;
            case PT_CLSID:
                fInner = IsLevel<ClsidAccessMap<CDrawerMap>>(pInner);
                fLast = IsLevel<ClsidAccessMap<CSortDrawer>>(pLast);
                break;
            case PT_BINARY:
                fInner = IsLevel<SBinaryAccessMap<CDrawerMap>>(pInner);
                fLast = IsLevel<SBinaryAccessMap<CSortDrawer>>(pLast);
                break;
        }
        EXPECT_TRUE(fInner) << type;
        EXPECT_TRUE(fLast) << type;
        // Each level comes with exactly one reference: one Release destroys it.
        EXPECT_EQ(0u, pInner->Release());
        EXPECT_EQ(0u, pLast->Release());
    }
}

TEST(LabelAccessMap, WalksInLexicographicLabelOrderEachDrawerOnce) {
    RowBuilder rows[3];
    rows[0].Short(2).String("b");
    rows[1].Short(1).String("z");
    rows[2].Short(2).String("a");
    CDrawerMap* pMap = MakeIndex(rows[0].Columns());
    CSortDrawer* drawers[3];
    for (int i = 0; i < 3; ++i) {
        drawers[i] = File(pMap, rows[i], rows[0].Columns());
    }
    std::vector<CSortDrawer*> walked = Walk(pMap);
    ASSERT_EQ(3u, walked.size());
    EXPECT_EQ(drawers[1], walked[0]);
    EXPECT_EQ(drawers[2], walked[1]);
    EXPECT_EQ(drawers[0], walked[2]);

    // Past the end every further FindNext still gives success and no drawer.
    CSortDrawer* pDrawer = reinterpret_cast<CSortDrawer*>(0x1);
    EXPECT_EQ(S_OK, pMap->FindNext(&pDrawer));
    EXPECT_EQ(nullptr, pDrawer);
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

TEST(LabelAccessMap, MissingValuesFileUnderTheNullKeyFirst) {
    // (b,5) (a,7) (missing,1) (a,2) in a string column then a long column.
    RowBuilder rows[4];
    rows[0].String("b").Long(5);
    rows[1].String("a").Long(7);
    rows[2].Missing().Long(1);
    rows[3].String("a").Long(2);
    for (RowBuilder& b : rows) {
        b.ColumnTypes({PT_STRING8, PT_LONG});
    }
    LPSPropTagArray lpColumns = rows[0].Columns();
    CDrawerMap* pMap = MakeIndex(lpColumns);
    CSortDrawer* drawers[4];
    for (int i = 0; i < 4; ++i) {
        drawers[i] = File(pMap, rows[i], lpColumns);
    }
    std::vector<CSortDrawer*> expected = {drawers[2], drawers[3], drawers[1], drawers[0]};
    EXPECT_EQ(expected, Walk(pMap));
    pMap->Release();
}

TEST(LabelAccessMap, NullKeysOfNumbersEqualZeroButNotOfStrings) {
    RowBuilder missingLong, zeroLong, missingString, emptyString, nullString;
    missingLong.Missing(PT_NULL).ColumnTypes({PT_LONG});
    zeroLong.Long(0);
    missingString.Missing().ColumnTypes({PT_STRING8});
    emptyString.String("");
    nullString.String(nullptr);

    CDrawerMap* pLongs = MakeIndex(zeroLong.Columns());
    EXPECT_EQ(File(pLongs, missingLong, zeroLong.Columns()), File(pLongs, zeroLong, zeroLong.Columns()));
    EXPECT_EQ(1u, Walk(pLongs).size());
    pLongs->Release();

    CDrawerMap* pStrings = MakeIndex(emptyString.Columns());
    CSortDrawer* pEmpty = File(pStrings, emptyString, emptyString.Columns());
    CSortDrawer* pMissing = File(pStrings, missingString, emptyString.Columns());
    EXPECT_NE(pEmpty, pMissing);
    // A NULL string pointer is a missing value too.
    EXPECT_EQ(pMissing, File(pStrings, nullString, emptyString.Columns()));
    std::vector<CSortDrawer*> expected = {pMissing, pEmpty};
    EXPECT_EQ(expected, Walk(pStrings));
    pStrings->Release();
}

TEST(LabelAccessMap, KeysAreExactValuesInTheirTypesOrder) {
    // Strings: case-sensitive, capital first.
    {
        RowBuilder lower, upper;
        lower.String("smith");
        upper.String("Smith");
        CDrawerMap* pMap = MakeIndex(lower.Columns());
        CSortDrawer* pLower = File(pMap, lower, lower.Columns());
        CSortDrawer* pUpper = File(pMap, upper, lower.Columns());
        std::vector<CSortDrawer*> expected = {pUpper, pLower};
        EXPECT_EQ(expected, Walk(pMap));
        pMap->Release();
    }
    // Binary: a shorter value first whatever its bytes; equal lengths by unsigned bytes; empty
    // differs from missing.
    {
        RowBuilder longer, shorter, high, empty, missing;
        longer.Binary({0x00, 0x00, 0x00});
        shorter.Binary({0xFF, 0xFF});
        high.Binary({0x80, 0x00, 0x00});
        empty.Binary({});
        missing.Missing().ColumnTypes({PT_BINARY});
        LPSPropTagArray lpColumns = longer.Columns();
        CDrawerMap* pMap = MakeIndex(lpColumns);
        CSortDrawer* pLonger = File(pMap, longer, lpColumns);
        CSortDrawer* pShorter = File(pMap, shorter, lpColumns);
        CSortDrawer* pHigh = File(pMap, high, lpColumns);
        CSortDrawer* pEmpty = File(pMap, empty, lpColumns);
        CSortDrawer* pMissing = File(pMap, missing, lpColumns);
        std::vector<CSortDrawer*> expected = {pMissing, pEmpty, pShorter, pLonger, pHigh};
        EXPECT_EQ(expected, Walk(pMap));
        pMap->Release();
    }
    // Booleans 1 and 65535 are different keys; currency by stored bytes; FILETIME unsigned.
    {
        SPropValue v{};
        RowBuilder one, all;
        v.Value.b = 1;
        one.Value(PT_BOOLEAN, v);
        v.Value.b = 65535;
        all.Value(PT_BOOLEAN, v);
        CDrawerMap* pMap = MakeIndex(one.Columns());
        EXPECT_NE(File(pMap, one, one.Columns()), File(pMap, all, one.Columns()));
        pMap->Release();
    }
    {
        SPropValue v{};
        RowBuilder c1, c256, cMinus;
        v.Value.cur.int64 = 1;
        c1.Value(PT_CURRENCY, v);
        v.Value.cur.int64 = 256;
        c256.Value(PT_CURRENCY, v);
        v.Value.cur.int64 = -1;
        cMinus.Value(PT_CURRENCY, v);
        CDrawerMap* pMap = MakeIndex(c1.Columns());
        CSortDrawer* p1 = File(pMap, c1, c1.Columns());
        CSortDrawer* p256 = File(pMap, c256, c1.Columns());
        CSortDrawer* pMinus = File(pMap, cMinus, c1.Columns());
        std::vector<CSortDrawer*> expected = {p256, p1, pMinus};
        EXPECT_EQ(expected, Walk(pMap));
        pMap->Release();
    }
    {
        SPropValue v{};
        RowBuilder low, topBit;
        v.Value.ft = FILETIME{0xFFFFFFFF, 0x7FFFFFFF};
        low.Value(PT_SYSTIME, v);
        v.Value.ft = FILETIME{0, 0x80000000};
        topBit.Value(PT_SYSTIME, v);
        CDrawerMap* pMap = MakeIndex(low.Columns());
        CSortDrawer* pTop = File(pMap, topBit, low.Columns());
        CSortDrawer* pLow = File(pMap, low, low.Columns());
        std::vector<CSortDrawer*> expected = {pLow, pTop};
        EXPECT_EQ(expected, Walk(pMap));
        pMap->Release();
    }
    // Negative longs before positive ones.
    {
        RowBuilder pos, neg;
        pos.Long(5);
        neg.Long(-5);
        CDrawerMap* pMap = MakeIndex(pos.Columns());
        CSortDrawer* pPos = File(pMap, pos, pos.Columns());
        CSortDrawer* pNeg = File(pMap, neg, pos.Columns());
        std::vector<CSortDrawer*> expected = {pNeg, pPos};
        EXPECT_EQ(expected, Walk(pMap));
        pMap->Release();
    }
}

TEST(LabelAccessMap, FloatKeysPlaceNanLastAndAsOneKey) {
    SPropValue v{};
    RowBuilder nan1, nan2, big, zero, minusZero;
    v.Value.dbl = std::numeric_limits<double>::quiet_NaN();
    nan1.Value(PT_DOUBLE, v);
    v.Value.dbl = -std::numeric_limits<double>::quiet_NaN();
    nan2.Value(PT_DOUBLE, v);
    v.Value.dbl = 1e300;
    big.Value(PT_DOUBLE, v);
    v.Value.dbl = 0.0;
    zero.Value(PT_DOUBLE, v);
    v.Value.dbl = -0.0;
    minusZero.Value(PT_DOUBLE, v);
    LPSPropTagArray lpColumns = big.Columns();
    CDrawerMap* pMap = MakeIndex(lpColumns);
    CSortDrawer* pNan = File(pMap, nan1, lpColumns);
    CSortDrawer* pBig = File(pMap, big, lpColumns);
    CSortDrawer* pZero = File(pMap, zero, lpColumns);
    EXPECT_EQ(pNan, File(pMap, nan2, lpColumns));
    EXPECT_EQ(pZero, File(pMap, minusZero, lpColumns));
    std::vector<CSortDrawer*> expected = {pZero, pBig, pNan};
    EXPECT_EQ(expected, Walk(pMap));
    pMap->Release();

    SPropValue f{};
    RowBuilder fnan, fone;
    f.Value.flt = std::numeric_limits<float>::quiet_NaN();
    fnan.Value(PT_R4, f);
    f.Value.flt = 1.0f;
    fone.Value(PT_R4, f);
    CDrawerMap* pFloats = MakeIndex(fone.Columns());
    CSortDrawer* pFnan = File(pFloats, fnan, fone.Columns());
    CSortDrawer* pFone = File(pFloats, fone, fone.Columns());
    std::vector<CSortDrawer*> fexpected = {pFone, pFnan};
    EXPECT_EQ(fexpected, Walk(pFloats));
    pFloats->Release();
}

TEST(LabelAccessMap, StringsOfTheOtherWidthAreConvertedNotMisread) {
    SPropValue v{};
    static const WCHAR wide[] = u"M\u00fcller";
    RowBuilder narrow, widened;
    narrow.String("M\xc3\xbcller");  // the same text in UTF-8
    v.Value.lpszW = const_cast<LPWSTR>(wide);
    widened.Value(PT_UNICODE, v);

    // A narrow column given a wide value, and a wide column given a narrow one: same key either way.
    CDrawerMap* pNarrow = MakeIndex(narrow.Columns());
    EXPECT_EQ(File(pNarrow, narrow, narrow.Columns()), File(pNarrow, widened, narrow.Columns()));
    pNarrow->Release();
    CDrawerMap* pWide = MakeIndex(widened.Columns());
    EXPECT_EQ(File(pWide, widened, widened.Columns()), File(pWide, narrow, widened.Columns()));
    EXPECT_EQ(1u, Walk(pWide).size());
    pWide->Release();
}

TEST(LabelAccessMap, GuidKeysCompareTheirBytes) {
    GUID a{0x01, 0, 0, {0}};
    GUID a2 = a;
    GUID b{0x0100, 0, 0, {0}};  // lowest byte 0 decides: b sorts first
    SPropValue v{};
    RowBuilder ra, ra2, rb, rnull;
    v.Value.lpguid = &a;
    ra.Value(PT_CLSID, v);
    v.Value.lpguid = &a2;
    ra2.Value(PT_CLSID, v);
    v.Value.lpguid = &b;
    rb.Value(PT_CLSID, v);
    v.Value.lpguid = nullptr;
    rnull.Value(PT_CLSID, v);
    LPSPropTagArray lpColumns = ra.Columns();
    CDrawerMap* pMap = MakeIndex(lpColumns);
    CSortDrawer* pA = File(pMap, ra, lpColumns);
    EXPECT_EQ(pA, File(pMap, ra2, lpColumns));
    CSortDrawer* pB = File(pMap, rb, lpColumns);
    CSortDrawer* pNull = File(pMap, rnull, lpColumns);
    std::vector<CSortDrawer*> expected = {pNull, pB, pA};
    EXPECT_EQ(expected, Walk(pMap));
    pMap->Release();
}

TEST(LabelAccessMap, LookupOfAnUnfiledLabelIsSuccessWithoutDrawer) {
    RowBuilder filed, other;
    filed.Long(1).Long(2);
    other.Long(1).Long(3);
    CDrawerMap* pMap = MakeIndex(filed.Columns());
    File(pMap, filed, filed.Columns());
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
    File(pMap, two, two.Columns());
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
    File(pMap, other, row.Columns());
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

TEST(LabelAccessMap, OneColumnIndexIsItsOwnLastLine) {
    RowBuilder a, b;
    a.Long(7);
    b.Long(7);
    CDrawerMap* pMap = MakeIndex(a.Columns());
    auto* pLevel = dynamic_cast<LongAccessMap<CSortDrawer>*>(pMap);
    ASSERT_NE(nullptr, pLevel);
    EXPECT_TRUE(pLevel->IsLastLine());
    EXPECT_EQ(File(pMap, a, a.Columns()), File(pMap, b, a.Columns()));
    EXPECT_EQ(1u, pLevel->GetEntryCount());
    pMap->Release();
}

TEST(LabelAccessMap, NullOutPointersAreRefused) {
    RowBuilder a;
    a.Long(7);
    CDrawerMap* pMap = MakeIndex(a.Columns());
    EXPECT_EQ(E_INVALIDARG, pMap->FindFirst(nullptr));
    EXPECT_EQ(E_INVALIDARG, pMap->FindNext(nullptr));
    EXPECT_EQ(E_INVALIDARG, pMap->LookupDrawer(&a.Row(), 0, a.Columns(), nullptr));
    CSortDrawer* pNone = nullptr;
    EXPECT_EQ(E_INVALIDARG, pMap->InsertDrawer(&a.Row(), 0, a.Columns(), &pNone));
    EXPECT_EQ(E_NOTIMPL, pMap->Merge(nullptr));
    pMap->Release();
}
