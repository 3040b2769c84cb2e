// The packed drawer label: every value type comes back as the general row copy makes it.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine/PackedLabel.h"
#include "model/RowSet.h"
#include "platform/mapi/MAPITestHooks.h"
#include "tests/engine/EngineTestSupport.h"

using namespace enginetest;

namespace {

std::string Text(LPCSTR psz) {
    return psz == nullptr ? std::string("<null>") : std::string(psz);
}

std::u16string Text(LPCWSTR psz) {
    return psz == nullptr ? std::u16string(u"<null>") : std::u16string(psz);
}

// Compares element arrays by content; a null array and an empty one must agree in nullness too.
void ExpectSameArray(ULONG cA, const void* pA, ULONG cB, const void* pB, size_t cbElem, ULONG i) {
    ASSERT_EQ(cA, cB) << i;
    ASSERT_EQ(pA == nullptr, pB == nullptr) << i;
    if (cA != 0) {
        EXPECT_EQ(0, std::memcmp(pA, pB, cA * cbElem)) << i;
    }
}

// The value the general copy made (g) and the one rebuilt from the packed label (p), compared by
// what their type defines.
void ExpectSameValue(const SPropValue& g, const SPropValue& p, ULONG i) {
    ASSERT_EQ(g.ulPropTag, p.ulPropTag) << i;
    const _PV& a = g.Value;
    const _PV& b = p.Value;
    switch (PROP_TYPE(g.ulPropTag)) {
        case PT_I2:
            EXPECT_EQ(a.i, b.i) << i;
            break;
        case PT_BOOLEAN:
            EXPECT_EQ(a.b, b.b) << i;
            break;
        case PT_LONG:
            EXPECT_EQ(a.l, b.l) << i;
            break;
        case PT_R4:
            EXPECT_EQ(0, std::memcmp(&a.flt, &b.flt, sizeof(float))) << i;
            break;
        case PT_DOUBLE:
        case PT_APPTIME:
        case PT_CURRENCY:
        case PT_I8:
        case PT_SYSTIME:
            EXPECT_EQ(0, std::memcmp(&a, &b, 8)) << i;
            break;
        case PT_STRING8:
            EXPECT_EQ(Text(a.lpszA), Text(b.lpszA)) << i;
            break;
        case PT_UNICODE:
            EXPECT_EQ(Text(a.lpszW), Text(b.lpszW)) << i;
            break;
        case PT_CLSID:
            ASSERT_EQ(a.lpguid == nullptr, b.lpguid == nullptr) << i;
            if (a.lpguid != nullptr) {
                EXPECT_EQ(0, std::memcmp(a.lpguid, b.lpguid, sizeof(GUID))) << i;
            }
            break;
        case PT_BINARY:
            ExpectSameArray(a.bin.cb, a.bin.lpb, b.bin.cb, b.bin.lpb, 1, i);
            break;
// Element arrays of every fixed-size type compare by their bytes.
#define QRV_SAME_ARRAY(TYPE, MEMBER, ARRAY)                                                 \
    case TYPE:                                                                              \
        ExpectSameArray(a.MEMBER.cValues, a.MEMBER.ARRAY, b.MEMBER.cValues, b.MEMBER.ARRAY, \
                        sizeof(*a.MEMBER.ARRAY), i);                                        \
        break;
            QRV_SAME_ARRAY(PT_MV_I2, MVi, lpi)
            QRV_SAME_ARRAY(PT_MV_LONG, MVl, lpl)
            QRV_SAME_ARRAY(PT_MV_R4, MVflt, lpflt)
            QRV_SAME_ARRAY(PT_MV_DOUBLE, MVdbl, lpdbl)
            QRV_SAME_ARRAY(PT_MV_CURRENCY, MVcur, lpcur)
            QRV_SAME_ARRAY(PT_MV_APPTIME, MVat, lpat)
            QRV_SAME_ARRAY(PT_MV_I8, MVli, lpli)
            QRV_SAME_ARRAY(PT_MV_SYSTIME, MVft, lpft)
            QRV_SAME_ARRAY(PT_MV_CLSID, MVguid, lpguid)
#undef QRV_SAME_ARRAY
        case PT_MV_STRING8:
            ASSERT_EQ(a.MVszA.cValues, b.MVszA.cValues) << i;
            ASSERT_EQ(a.MVszA.lppszA == nullptr, b.MVszA.lppszA == nullptr) << i;
            for (ULONG k = 0; k < a.MVszA.cValues; ++k) {
                EXPECT_EQ(Text(a.MVszA.lppszA[k]), Text(b.MVszA.lppszA[k])) << i << "/" << k;
            }
            break;
        case PT_MV_UNICODE:
            ASSERT_EQ(a.MVszW.cValues, b.MVszW.cValues) << i;
            ASSERT_EQ(a.MVszW.lppszW == nullptr, b.MVszW.lppszW == nullptr) << i;
            for (ULONG k = 0; k < a.MVszW.cValues; ++k) {
                EXPECT_EQ(Text(a.MVszW.lppszW[k]), Text(b.MVszW.lppszW[k])) << i << "/" << k;
            }
            break;
        case PT_MV_BINARY:
            ASSERT_EQ(a.MVbin.cValues, b.MVbin.cValues) << i;
            ASSERT_EQ(a.MVbin.lpbin == nullptr, b.MVbin.lpbin == nullptr) << i;
            for (ULONG k = 0; k < a.MVbin.cValues; ++k) {
                ExpectSameArray(a.MVbin.lpbin[k].cb, a.MVbin.lpbin[k].lpb, b.MVbin.lpbin[k].cb,
                                b.MVbin.lpbin[k].lpb, 1, i * 100 + k);
            }
            break;
        default:
            // Missing values keep only their type and no value; the object value is kept whole.
            EXPECT_EQ(0, std::memcmp(&a, &b, sizeof(_PV))) << i;
    }
}

// Packs the row through a drawer, hands the label out and checks it against the general copy.
void ExpectRoundTrip(SRow& row) {
    LPSRow lpGeneral = nullptr;
    ASSERT_EQ(S_OK, CopyRowSet(&lpGeneral, &row));
    CSortDrawer* pDrawer = new CSortDrawer();
    pDrawer->AddRef();
    ASSERT_EQ(S_OK, pDrawer->Init(&row));
    LPSRow lpLabel = nullptr;
    ASSERT_EQ(S_OK, pDrawer->GetDrawerLabel(&lpLabel));
    ASSERT_NE(nullptr, lpLabel);
    ASSERT_EQ(lpGeneral->cValues, lpLabel->cValues);
    EXPECT_EQ(lpGeneral->lpProps == nullptr, lpLabel->lpProps == nullptr);
    for (ULONG i = 0; i < lpGeneral->cValues; ++i) {
        ExpectSameValue(lpGeneral->lpProps[i], lpLabel->lpProps[i], i);
    }
    FreeRowSet(&lpLabel);
    FreeRowSet(&lpGeneral);
    pDrawer->Release();
}

}  // namespace

TEST(PackedLabel, EverySingleValuedTypeComesBackAsTheGeneralCopyMakesIt) {
    static const WCHAR wide[] = u"W\u00e4rme \U0001F600";
    static const WCHAR emptyWide[] = u"";
    static GUID guid = {0x01020304, 0x0506, 0x0708, {9, 10, 11, 12, 13, 14, 15, 16}};
    const std::string long127(127, 'a');  // the longest text with a one-byte length
    const std::string long128(128, 'b');
    const std::string long20000(20000, 'c');  // a three-byte length
    RowBuilder b;
    b.Long(-7).Long(0x7FFFFFFF).Short(-3).String("text").String("").String(nullptr);
    b.String(long127.c_str()).String(long128.c_str()).String(long20000.c_str());
    b.Binary({1, 2, 3}).Binary({}).Binary(std::vector<BYTE>(300, 0xAB));
    b.Missing(PT_ERROR).Missing(PT_NULL).Missing(PT_UNSPECIFIED);
    SPropValue v{};
    v.Value.lpszW = const_cast<WCHAR*>(wide);
    b.Value(PT_UNICODE, v);
    v.Value.lpszW = const_cast<WCHAR*>(emptyWide);
    b.Value(PT_UNICODE, v);
    v.Value.lpszW = nullptr;
    b.Value(PT_UNICODE, v);
    v = SPropValue{};
    v.Value.lpguid = &guid;
    b.Value(PT_CLSID, v);
    v.Value.lpguid = nullptr;
    b.Value(PT_CLSID, v);
    v = SPropValue{};
    v.Value.ft = FILETIME{0xFFFFFFFFu, 0x01D00000u};
    b.Value(PT_SYSTIME, v);
    v = SPropValue{};
    v.Value.dbl = -2.5e300;
    b.Value(PT_DOUBLE, v);
    v.Value.at = 45000.25;
    b.Value(PT_APPTIME, v);
    v = SPropValue{};
    v.Value.flt = 1.5f;
    b.Value(PT_R4, v);
    v = SPropValue{};
    v.Value.b = 1;
    b.Value(PT_BOOLEAN, v);
    v = SPropValue{};
    v.Value.li.QuadPart = -1234567890123LL;
    b.Value(PT_I8, v);
    v = SPropValue{};
    v.Value.cur.int64 = 99999999999LL;
    b.Value(PT_CURRENCY, v);
    v = SPropValue{};
    v.Value.x = 17;
    b.Value(PT_OBJECT, v);
    SRow& row = b.Row();
    // A count without bytes comes back as no bytes.
    row.lpProps[10].Value.bin.cb = 5;
    ExpectRoundTrip(row);
}

TEST(PackedLabel, EveryMultiValuedTypeComesBackAsTheGeneralCopyMakesIt) {
    SHORT shorts[] = {-1, 2};
    LONG longs[] = {4, 5, -6};
    float floats[] = {0.5f};
    double doubles[] = {1.25, -3.5};
    CURRENCY currencies[2];
    currencies[0].int64 = 1;
    currencies[1].int64 = -2;
    double apptimes[] = {40000.5};
    LARGE_INTEGER larges[1];
    larges[0].QuadPart = 1LL << 40;
    FILETIME times[] = {{1, 2}, {3, 4}};
    GUID guids[] = {{1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}}, {12, 13, 14, {15, 16, 17, 18, 19, 20, 21, 22}}};
    char s1[] = "first";
    char s2[] = "";
    LPSTR texts[] = {s1, nullptr, s2};
    WCHAR w1[] = u"erste";
    LPWSTR wides[] = {nullptr, w1};
    BYTE bytes[] = {7, 8, 9};
    SBinary bins[] = {{3, bytes}, {0, bytes}, {2, nullptr}};

    RowBuilder b;
    SPropValue v{};
    v.Value.MVi = SShortArray{2, shorts};
    b.Value(PT_MV_I2, v);
    v.Value.MVl = SLongArray{3, longs};
    b.Value(PT_MV_LONG, v);
    v.Value.MVflt = SRealArray{1, floats};
    b.Value(PT_MV_R4, v);
    v.Value.MVdbl = SDoubleArray{2, doubles};
    b.Value(PT_MV_DOUBLE, v);
    v.Value.MVcur = SCurrencyArray{2, currencies};
    b.Value(PT_MV_CURRENCY, v);
    v.Value.MVat = SAppTimeArray{1, apptimes};
    b.Value(PT_MV_APPTIME, v);
    v.Value.MVli = SLargeIntegerArray{1, larges};
    b.Value(PT_MV_I8, v);
    v.Value.MVft = SDateTimeArray{2, times};
    b.Value(PT_MV_SYSTIME, v);
    v.Value.MVguid = SGuidArray{2, guids};
    b.Value(PT_MV_CLSID, v);
    v.Value.MVszA = SLPSTRArray{3, texts};
    b.Value(PT_MV_STRING8, v);
    v.Value.MVszW = SWStringArray{2, wides};
    b.Value(PT_MV_UNICODE, v);
    v.Value.MVbin = SBinaryArray{3, bins};
    b.Value(PT_MV_BINARY, v);
    // Empty arrays, and counts without an array, are no elements.
    v.Value.MVl = SLongArray{0, longs};
    b.Value(PT_MV_LONG, v);
    v.Value.MVl = SLongArray{4, nullptr};
    b.Value(PT_MV_LONG, v);
    v.Value.MVszA = SLPSTRArray{2, nullptr};
    b.Value(PT_MV_STRING8, v);
    v.Value.MVszW = SWStringArray{0, wides};
    b.Value(PT_MV_UNICODE, v);
    v.Value.MVbin = SBinaryArray{5, nullptr};
    b.Value(PT_MV_BINARY, v);
    v.Value.MVguid = SGuidArray{0, nullptr};
    b.Value(PT_MV_CLSID, v);
    b.String("after the arrays");
    ExpectRoundTrip(b.Row());
}

TEST(PackedLabel, EmptyRowAndIndependentCopies) {
    RowBuilder none;
    ExpectRoundTrip(none.Row());

    RowBuilder b;
    b.String("kept").Binary({1, 2});
    CSortDrawer* pDrawer = NewDrawer(b.Row());
    LPSRow lpFirst = nullptr;
    LPSRow lpSecond = nullptr;
    ASSERT_EQ(S_OK, pDrawer->GetDrawerLabel(&lpFirst));
    ASSERT_EQ(S_OK, pDrawer->GetDrawerLabel(&lpSecond));
    // Each caller owns its copy: changing or freeing one leaves the other and the drawer intact.
    EXPECT_NE(lpFirst->lpProps[0].Value.lpszA, b.Row().lpProps[0].Value.lpszA);
    lpFirst->lpProps[0].Value.lpszA[0] = 'X';
    lpFirst->lpProps[1].Value.bin.lpb[0] = 9;
    FreeRowSet(&lpFirst);
    EXPECT_STREQ("kept", lpSecond->lpProps[0].Value.lpszA);
    EXPECT_EQ(1, lpSecond->lpProps[1].Value.bin.lpb[0]);
    FreeRowSet(&lpSecond);
    ASSERT_EQ(S_OK, pDrawer->GetDrawerLabel(&lpSecond));
    EXPECT_STREQ("kept", lpSecond->lpProps[0].Value.lpszA);
    FreeRowSet(&lpSecond);
    pDrawer->Release();
}

TEST(PackedLabel, FailuresLeaveNoLabel) {
    RowBuilder b;
    b.String("old label");
    CSortDrawer* pDrawer = NewDrawer(b.Row());
    LPSRow lpLabel = nullptr;

    // A type no copy knows fails Init as the general copy fails, and the old label is gone.
    RowBuilder unknown;
    unknown.Long(1);
    unknown.Row().lpProps[0].ulPropTag = PROP_TAG(0x0777, 0x8000);
    LPSRow lpGeneral = nullptr;
    const HRESULT hrGeneral = CopyRowSet(&lpGeneral, &unknown.Row());
    FreeRowSet(&lpGeneral);
    {
        TraceCapture trace;
        EXPECT_EQ(hrGeneral, pDrawer->Init(&unknown.Row()));
        EXPECT_TRUE(trace.Contains("Unknown property(type) 0x80000777\n")) << trace.Text();
        EXPECT_TRUE(trace.Contains("CopyRowSet() failed: hr = 0x80004005\n")) << trace.Text();
    }
    ASSERT_EQ(S_OK, pDrawer->GetDrawerLabel(&lpLabel));
    EXPECT_EQ(nullptr, lpLabel);

    // A block that cannot be had fails Init with E_OUTOFMEMORY, small labels and large alike.
    RowBuilder big;
    big.String(std::string(1000, 'x').c_str());
    for (SRow* pRow : {&b.Row(), &big.Row()}) {
        ASSERT_EQ(S_OK, pDrawer->Init(pRow));
        CPooledObject::SetFailureAfter(0);
        EXPECT_EQ(E_OUTOFMEMORY, pDrawer->Init(pRow));
        CPooledObject::SetFailureAfter(-1);
        ASSERT_EQ(S_OK, pDrawer->GetDrawerLabel(&lpLabel));
        EXPECT_EQ(nullptr, lpLabel);
    }

    // A label that cannot be handed out fails the call, not the drawer.
    ASSERT_EQ(S_OK, pDrawer->Init(&big.Row()));
    lpLabel = reinterpret_cast<LPSRow>(&b);
    CMAPITestHooks::FailAllocation(1);
    EXPECT_EQ(MAPI_E_NOT_ENOUGH_MEMORY, pDrawer->GetDrawerLabel(&lpLabel));
    CMAPITestHooks::Reset();
    EXPECT_EQ(nullptr, lpLabel);
    ASSERT_EQ(S_OK, pDrawer->GetDrawerLabel(&lpLabel));
    ASSERT_NE(nullptr, lpLabel);
    EXPECT_EQ(1000u, std::strlen(lpLabel->lpProps[0].Value.lpszA));
    FreeRowSet(&lpLabel);

    // A row that claims values but has none is refused.
    SRow broken{0, 2, nullptr};
    EXPECT_EQ(E_INVALIDARG, pDrawer->Init(&broken));
    pDrawer->Release();
}

TEST(PackedLabel, ATypicalLabelCostsLessThanItsValueArray) {
    // Every group of a large search keeps one: a number, a subject and an id must take fewer bytes
    // than the three MAPI values alone would.
    RowBuilder b;
    b.Long(12345).String("Quarterly report 2026").Binary(std::vector<BYTE>(16, 0x5A));
    CPackedLabel* pLabel = nullptr;
    ASSERT_EQ(S_OK, PackLabel(&b.Row(), &pLabel));
    EXPECT_LT(PackedLabelBytes(pLabel), 3 * sizeof(SPropValue));
    FreePackedLabel(pLabel);
}
