// The packed drawer label: every value type comes back as the general row copy makes it.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <type_traits>
#include <vector>

#include "engine/PackedLabel.h"
#include "model/RowSet.h"
#include "platform/mapi/MAPITestHooks.h"
#include "tests/engine/EngineTestSupport.h"

using namespace enginetest;

namespace {

// A value written out by what its type defines, so that two copies compare as texts: counts,
// whether each array or string is there at all, and the bytes of the elements.
std::string Dump(const SPropValue& v) {
    std::string s = std::to_string(v.ulPropTag) + ":";
    auto bytes = [&s](const void* p, size_t cb) {
        s += p == nullptr ? std::string("<null>") : "[" + std::string(static_cast<const char*>(p), cb) + "]";
    };
    auto text = [&](const auto* psz) {
        using C = std::remove_cv_t<std::remove_pointer_t<decltype(psz)>>;
        bytes(psz, psz == nullptr ? 0 : std::char_traits<C>::length(psz) * sizeof(C));
    };
    auto array = [&](ULONG c, const auto* p) {
        s += std::to_string(c);
        bytes(p, c * sizeof(*p));
    };
    auto each = [&](ULONG c, const auto* p, auto element) {
        s += std::to_string(c) + (p == nullptr ? "<null>" : "+");
        for (ULONG k = 0; p != nullptr && k < c; ++k) {
            element(p[k]);
        }
    };
    const _PV& a = v.Value;
    // Fixed-size values by the bytes their type uses.
    static const std::map<ULONG, size_t> kFixed = {{PT_I2, 2},       {PT_BOOLEAN, 2}, {PT_LONG, 4},
                                                   {PT_R4, 4},       {PT_DOUBLE, 8},  {PT_APPTIME, 8},
                                                   {PT_CURRENCY, 8}, {PT_I8, 8},      {PT_SYSTIME, 8}};
    if (auto it = kFixed.find(PROP_TYPE(v.ulPropTag)); it != kFixed.end()) {
        bytes(&a, it->second);
        return s;
    }
    switch (PROP_TYPE(v.ulPropTag)) {
        case PT_STRING8:
            text(a.lpszA);
            break;
        case PT_UNICODE:
            text(a.lpszW);
            break;
        case PT_CLSID:
            bytes(a.lpguid, sizeof(GUID));
            break;
        case PT_BINARY:
            array(a.bin.cb, a.bin.lpb);
            break;
// Element arrays of every fixed-size type compare by their bytes.
#define QRV_ARRAY_CASE(TYPE, MEMBER, ARRAY)      \
    case TYPE:                                   \
        array(a.MEMBER.cValues, a.MEMBER.ARRAY); \
        break;
            QRV_ARRAY_CASE(PT_MV_I2, MVi, lpi)
            QRV_ARRAY_CASE(PT_MV_LONG, MVl, lpl)
            QRV_ARRAY_CASE(PT_MV_R4, MVflt, lpflt)
            QRV_ARRAY_CASE(PT_MV_DOUBLE, MVdbl, lpdbl)
            QRV_ARRAY_CASE(PT_MV_CURRENCY, MVcur, lpcur)
            QRV_ARRAY_CASE(PT_MV_APPTIME, MVat, lpat)
            QRV_ARRAY_CASE(PT_MV_I8, MVli, lpli)
            QRV_ARRAY_CASE(PT_MV_SYSTIME, MVft, lpft)
            QRV_ARRAY_CASE(PT_MV_CLSID, MVguid, lpguid)
#undef QRV_ARRAY_CASE
        case PT_MV_STRING8:
            each(a.MVszA.cValues, a.MVszA.lppszA, text);
            break;
        case PT_MV_UNICODE:
            each(a.MVszW.cValues, a.MVszW.lppszW, text);
            break;
        case PT_MV_BINARY:
            each(a.MVbin.cValues, a.MVbin.lpbin, [&](const SBinary& bin) { array(bin.cb, bin.lpb); });
            break;
        default:
            // Missing values keep only their type and no value; the object value is kept whole.
            bytes(&a, sizeof(_PV));
    }
    return s;
}

// Packs the row through a drawer, hands the label out and checks it against the general copy.
void ExpectRoundTrip(SRow& row) {
    LPSRow lpGeneral = nullptr;
    ASSERT_EQ(S_OK, CopyRowSet(&lpGeneral, &row));
    CSortDrawer* pDrawer = NewDrawer(row);
    LPSRow lpLabel = nullptr;
    ASSERT_EQ(S_OK, pDrawer->GetDrawerLabel(&lpLabel));
    ASSERT_NE(nullptr, lpLabel);
    ASSERT_EQ(lpGeneral->cValues, lpLabel->cValues);
    EXPECT_EQ(lpGeneral->lpProps == nullptr, lpLabel->lpProps == nullptr);
    for (ULONG i = 0; i < lpGeneral->cValues; ++i) {
        EXPECT_EQ(Dump(lpGeneral->lpProps[i]), Dump(lpLabel->lpProps[i])) << i;
    }
    FreeRowSet(&lpLabel);
    FreeRowSet(&lpGeneral);
    pDrawer->Release();
}

}  // namespace

TEST(PackedLabel, EveryValueTypeComesBackAsTheGeneralCopyMakesIt) {
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
    b.Value(PT_UNICODE, {.lpszW = const_cast<WCHAR*>(wide)})
        .Value(PT_UNICODE, {.lpszW = const_cast<WCHAR*>(emptyWide)});
    b.Value(PT_UNICODE, {.lpszW = nullptr})
        .Value(PT_CLSID, {.lpguid = &guid})
        .Value(PT_CLSID, {.lpguid = nullptr});
    b.Value(PT_SYSTIME, {.ft = {0xFFFFFFFFu, 0x01D00000u}}).Value(PT_DOUBLE, {.dbl = -2.5e300});
    b.Value(PT_APPTIME, {.at = 45000.25}).Value(PT_R4, {.flt = 1.5f}).Value(PT_BOOLEAN, {.b = 1});
    b.Value(PT_I8, {.li = {.QuadPart = -1234567890123LL}})
        .Value(PT_CURRENCY, {.cur = {.int64 = 99999999999LL}});
    b.Missing(PT_OBJECT);  // no usable value, but its bytes kept as they are
    // A count without bytes comes back as no bytes.
    b.Row().lpProps[10].Value.bin.cb = 5;

    SHORT shorts[] = {-1, 2};
    LONG longs[] = {4, 5, -6};
    float floats[] = {0.5f};
    double doubles[] = {1.25, -3.5};
    CURRENCY currencies[] = {{.int64 = 1}, {.int64 = -2}};
    double apptimes[] = {40000.5};
    LARGE_INTEGER larges[] = {{.QuadPart = 1LL << 40}};
    FILETIME times[] = {{1, 2}, {3, 4}};
    GUID guids[] = {{1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}}, {12, 13, 14, {15, 16, 17, 18, 19, 20, 21, 22}}};
    char s1[] = "first";
    char s2[] = "";
    LPSTR texts[] = {s1, nullptr, s2};
    WCHAR w1[] = u"erste";
    LPWSTR wides[] = {nullptr, w1};
    BYTE bytes[] = {7, 8, 9};
    SBinary bins[] = {{3, bytes}, {0, bytes}, {2, nullptr}};
    b.Value(PT_MV_I2, {.MVi = {2, shorts}}).Value(PT_MV_LONG, {.MVl = {3, longs}});
    b.Value(PT_MV_R4, {.MVflt = {1, floats}}).Value(PT_MV_DOUBLE, {.MVdbl = {2, doubles}});
    b.Value(PT_MV_CURRENCY, {.MVcur = {2, currencies}}).Value(PT_MV_APPTIME, {.MVat = {1, apptimes}});
    b.Value(PT_MV_I8, {.MVli = {1, larges}}).Value(PT_MV_SYSTIME, {.MVft = {2, times}});
    b.Value(PT_MV_CLSID, {.MVguid = {2, guids}}).Value(PT_MV_STRING8, {.MVszA = {3, texts}});
    b.Value(PT_MV_UNICODE, {.MVszW = {2, wides}}).Value(PT_MV_BINARY, {.MVbin = {3, bins}});
    // Empty arrays, and counts without an array, are no elements.
    b.Value(PT_MV_LONG, {.MVl = {0, longs}}).Value(PT_MV_LONG, {.MVl = {4, nullptr}});
    b.Value(PT_MV_STRING8, {.MVszA = {2, nullptr}}).Value(PT_MV_UNICODE, {.MVszW = {0, wides}});
    b.Value(PT_MV_BINARY, {.MVbin = {5, nullptr}}).Value(PT_MV_CLSID, {.MVguid = {0, nullptr}});
    b.String("after the arrays");
    ExpectRoundTrip(b.Row());
    RowBuilder none;
    ExpectRoundTrip(none.Row());
}

TEST(PackedLabel, LabelsAreIndependentCopiesAndFailuresLeaveNone) {
    RowBuilder b;
    b.String("kept").Binary({1, 2});
    CSortDrawer* pDrawer = NewDrawer(b.Row());
    b.Row().lpProps[0].Value.lpszA[0] = 'X';  // the caller's row changes afterwards
    LPSRow lpLabel = nullptr;
    LPSRow lpSecond = nullptr;
    ASSERT_EQ(S_OK, pDrawer->GetDrawerLabel(&lpLabel));
    ASSERT_EQ(S_OK, pDrawer->GetDrawerLabel(&lpSecond));
    // Each caller owns its copy: changing or freeing one leaves the other and the drawer intact.
    EXPECT_STREQ("kept", lpLabel->lpProps[0].Value.lpszA);
    lpLabel->lpProps[0].Value.lpszA[0] = 'Y';
    lpLabel->lpProps[1].Value.bin.lpb[0] = 9;
    FreeRowSet(&lpLabel);
    EXPECT_STREQ("kept", lpSecond->lpProps[0].Value.lpszA);
    EXPECT_EQ(1, lpSecond->lpProps[1].Value.bin.lpb[0]);
    FreeRowSet(&lpSecond);
    ASSERT_EQ(S_OK, pDrawer->GetDrawerLabel(&lpSecond));
    EXPECT_STREQ("kept", lpSecond->lpProps[0].Value.lpszA);
    FreeRowSet(&lpSecond);

    // A type no copy knows fails Init as the general copy fails, and the old label is gone.
    RowBuilder unknown = RowOf(0x0777, {.l = 1});
    LPSRow lpGeneral = nullptr;
    const HRESULT hrGeneral = CopyRowSet(&lpGeneral, &unknown.Row());
    FreeRowSet(&lpGeneral);
    EXPECT_TRUE(FAILED(hrGeneral));
    EXPECT_EQ(hrGeneral, pDrawer->Init(&unknown.Row()));
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

    // A label that cannot be handed out fails the call, not the drawer; a second Init replaced the
    // first label.
    ASSERT_EQ(S_OK, pDrawer->Init(&b.Row()));
    ASSERT_EQ(S_OK, pDrawer->Init(&big.Row()));
    lpLabel = reinterpret_cast<LPSRow>(&b);
    CMAPITestHooks::FailAllocation(1);
    EXPECT_EQ(MAPI_E_NOT_ENOUGH_MEMORY, pDrawer->GetDrawerLabel(&lpLabel));
    CMAPITestHooks::Reset();
    EXPECT_EQ(nullptr, lpLabel);
    ASSERT_EQ(S_OK, pDrawer->GetDrawerLabel(&lpLabel));
    ASSERT_NE(nullptr, lpLabel);
    EXPECT_EQ(1u, lpLabel->cValues);
    EXPECT_EQ(1000u, std::strlen(lpLabel->lpProps[0].Value.lpszA));
    FreeRowSet(&lpLabel);

    // A row that claims values but has none, or no row, is refused.
    SRow broken{0, 2, nullptr};
    EXPECT_EQ(E_INVALIDARG, pDrawer->Init(&broken));
    EXPECT_EQ(E_INVALIDARG, pDrawer->Init(nullptr));
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
