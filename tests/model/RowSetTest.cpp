// Row copies: every property type, independence from the source, and allocation faults.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "model/RowSet.h"
#include "platform/mapi/MAPIFunctions.h"
#include "platform/mapi/MAPITestHooks.h"

namespace {

class RowSetTest : public ::testing::Test {
protected:
    void SetUp() override {
        CMAPITestHooks::Reset();
        m_baseline = CMAPITestHooks::LiveBuffers();
    }
    void TearDown() override {
        CMAPITestHooks::Reset();
        EXPECT_EQ(m_baseline, CMAPITestHooks::LiveBuffers()) << "a row copy leaked";
    }
    LONG m_baseline = 0;
};

// A source row holding one value of every type the copy knows, in memory the test owns.
struct SampleRow {
    SampleRow() {
        std::memcpy(&guid, "\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0A\x0B\x0C\x0D\x0E\x0F\x10", 16);
        props.resize(0);
        Add(PROP_TAG(PT_UNSPECIFIED, 0x1000)).Value.l = 7;
        Add(PROP_TAG(PT_NULL, 0x1001)).Value.l = 7;
        Add(PROP_TAG(PT_ERROR, 0x1002)).Value.err = (SCODE)0x8004010F;
        Add(PROP_TAG(PT_I2, 0x1003)).Value.i = -2;
        Add(PROP_TAG(PT_LONG, 0x1004)).Value.l = -123456;
        Add(PROP_TAG(PT_R4, 0x1005)).Value.flt = 1.5f;
        Add(PROP_TAG(PT_DOUBLE, 0x1006)).Value.dbl = 2.25;
        Add(PROP_TAG(PT_CURRENCY, 0x1007)).Value.cur.int64 = 123456789012LL;
        Add(PROP_TAG(PT_APPTIME, 0x1008)).Value.at = 40000.5;
        Add(PROP_TAG(PT_BOOLEAN, 0x1009)).Value.b = 1;
        Add(PROP_TAG(PT_OBJECT, 0x100A)).Value.l = 0;
        Add(PROP_TAG(PT_I8, 0x100B)).Value.li.QuadPart = -5000000000LL;
        SPropValue& ft = Add(PROP_TAG(PT_SYSTIME, 0x100C));
        ft.Value.ft.dwLowDateTime = 0x11223344;
        ft.Value.ft.dwHighDateTime = 0x01D00000;
        Add(PROP_TAG(PT_STRING8, 0x100D)).Value.lpszA = text;
        Add(PROP_TAG(PT_UNICODE, 0x100E)).Value.lpszW = wtext;
        Add(PROP_TAG(PT_CLSID, 0x100F)).Value.lpguid = &guid;
        SPropValue& bin = Add(PROP_TAG(PT_BINARY, 0x1010));
        bin.Value.bin.cb = sizeof(bytes);
        bin.Value.bin.lpb = bytes;
        SPropValue& mvi = Add(PROP_TAG(PT_MV_I2, 0x1011));
        mvi.Value.MVi.cValues = 3;
        mvi.Value.MVi.lpi = shorts;
        SPropValue& mvl = Add(PROP_TAG(PT_MV_LONG, 0x1012));
        mvl.Value.MVl.cValues = 3;
        mvl.Value.MVl.lpl = longs;
        SPropValue& mvf = Add(PROP_TAG(PT_MV_R4, 0x1013));
        mvf.Value.MVflt.cValues = 2;
        mvf.Value.MVflt.lpflt = floats;
        SPropValue& mvd = Add(PROP_TAG(PT_MV_DOUBLE, 0x1014));
        mvd.Value.MVdbl.cValues = 2;
        mvd.Value.MVdbl.lpdbl = doubles;
        SPropValue& mvc = Add(PROP_TAG(PT_MV_CURRENCY, 0x1015));
        mvc.Value.MVcur.cValues = 2;
        mvc.Value.MVcur.lpcur = currencies;
        SPropValue& mva = Add(PROP_TAG(PT_MV_APPTIME, 0x1016));
        mva.Value.MVat.cValues = 2;
        mva.Value.MVat.lpat = doubles;
        SPropValue& mv8 = Add(PROP_TAG(PT_MV_I8, 0x1017));
        mv8.Value.MVli.cValues = 2;
        mv8.Value.MVli.lpli = larges;
        SPropValue& mvt = Add(PROP_TAG(PT_MV_SYSTIME, 0x1018));
        mvt.Value.MVft.cValues = 2;
        mvt.Value.MVft.lpft = times;
        SPropValue& mvg = Add(PROP_TAG(PT_MV_CLSID, 0x1019));
        mvg.Value.MVguid.cValues = 1;
        mvg.Value.MVguid.lpguid = &guid;
        SPropValue& mvs = Add(PROP_TAG(PT_MV_STRING8, 0x101A));
        mvs.Value.MVszA.cValues = 3;
        mvs.Value.MVszA.lppszA = texts;
        SPropValue& mvw = Add(PROP_TAG(PT_MV_UNICODE, 0x101B));
        mvw.Value.MVszW.cValues = 2;
        mvw.Value.MVszW.lppszW = wtexts;
        SPropValue& mvb = Add(PROP_TAG(PT_MV_BINARY, 0x101C));
        mvb.Value.MVbin.cValues = 2;
        mvb.Value.MVbin.lpbin = bins;
        row.ulAdrEntryPad = 99;
        row.cValues = (ULONG)props.size();
        row.lpProps = props.data();
    }
    SPropValue& Add(ULONG ulTag) {
        props.reserve(32);
        SPropValue v{};
        v.ulPropTag = ulTag;
        props.push_back(v);
        return props.back();
    }

    GUID guid{};
    char text[8] = "Subject";
    WCHAR wtext[6] = u"Grüße";
    BYTE bytes[4] = {0x00, 0xAB, 0xFF, 0x10};
    SHORT shorts[3] = {1, -1, 32767};
    LONG longs[3] = {10, 20, 30};
    float floats[2] = {0.5f, -0.25f};
    double doubles[2] = {1.0 / 3, 1e300};
    CURRENCY currencies[2] = {{.int64 = 1}, {.int64 = -1}};
    LARGE_INTEGER larges[2] = {{.QuadPart = 1}, {.QuadPart = -1}};
    FILETIME times[2] = {{1, 2}, {3, 4}};
    char s1[2] = "a";
    char s2[1] = "";
    char s3[4] = "xyz";
    LPSTR texts[3] = {s1, s2, s3};
    WCHAR w1[3] = u"ab";
    WCHAR w2[4] = u"cde";
    LPWSTR wtexts[2] = {w1, w2};
    BYTE b1[2] = {1, 2};
    BYTE b2[3] = {3, 4, 5};
    SBinary bins[2] = {{2, b1}, {3, b2}};
    std::vector<SPropValue> props;
    SRow row{};
};

template <typename T>
void ExpectArrayCopy(const T* lpSrc, const T* lpCopy, ULONG n) {
    ASSERT_NE(lpCopy, nullptr);
    EXPECT_NE((const void*)lpSrc, (const void*)lpCopy) << "the copy shares the source's array";
    EXPECT_EQ(0, std::memcmp(lpSrc, lpCopy, n * sizeof(T)));
}

TEST_F(RowSetTest, CopiesEveryTypeDeeplyIntoOneBuffer) {
    SampleRow src;
    LPSRow lpCopy = nullptr;
    ASSERT_EQ(S_OK, CopyRowSet(&lpCopy, &src.row));
    ASSERT_NE(lpCopy, nullptr);
    // One buffer: every value block is linked to the row.
    EXPECT_EQ(m_baseline + 1, CMAPITestHooks::LiveBuffers());
    EXPECT_EQ(0u, lpCopy->ulAdrEntryPad);
    ASSERT_EQ(src.row.cValues, lpCopy->cValues);
    ASSERT_NE(src.row.lpProps, lpCopy->lpProps);

    const SPropValue* c = lpCopy->lpProps;
    const SPropValue* s = src.row.lpProps;
    // The three "no value" types keep only their type and no error code.
    EXPECT_EQ(PT_UNSPECIFIED, c[0].ulPropTag);
    EXPECT_EQ(PT_NULL, c[1].ulPropTag);
    EXPECT_EQ(PT_ERROR, c[2].ulPropTag);
    EXPECT_EQ(0, c[2].Value.err);
    for (ULONG i = 3; i < lpCopy->cValues; ++i) {
        EXPECT_EQ(s[i].ulPropTag, c[i].ulPropTag) << "value " << i;
    }
    EXPECT_EQ(-2, c[3].Value.i);
    EXPECT_EQ(-123456, c[4].Value.l);
    EXPECT_EQ(1.5f, c[5].Value.flt);
    EXPECT_EQ(2.25, c[6].Value.dbl);
    EXPECT_EQ(123456789012LL, c[7].Value.cur.int64);
    EXPECT_EQ(40000.5, c[8].Value.at);
    EXPECT_EQ(1, c[9].Value.b);
    EXPECT_EQ(-5000000000LL, c[11].Value.li.QuadPart);
    EXPECT_EQ(0x11223344u, c[12].Value.ft.dwLowDateTime);
    EXPECT_EQ(0x01D00000u, c[12].Value.ft.dwHighDateTime);
    ExpectArrayCopy(src.text, c[13].Value.lpszA, 8);
    ExpectArrayCopy(src.wtext, c[14].Value.lpszW, 6);
    ExpectArrayCopy(&src.guid, c[15].Value.lpguid, 1);
    EXPECT_EQ(4u, c[16].Value.bin.cb);
    ExpectArrayCopy(src.bytes, c[16].Value.bin.lpb, 4);
    EXPECT_EQ(3u, c[17].Value.MVi.cValues);
    ExpectArrayCopy(src.shorts, c[17].Value.MVi.lpi, 3);
    EXPECT_EQ(3u, c[18].Value.MVl.cValues);
    ExpectArrayCopy(src.longs, c[18].Value.MVl.lpl, 3);
    ExpectArrayCopy(src.floats, c[19].Value.MVflt.lpflt, 2);
    ExpectArrayCopy(src.doubles, c[20].Value.MVdbl.lpdbl, 2);
    ExpectArrayCopy(src.currencies, c[21].Value.MVcur.lpcur, 2);
    ExpectArrayCopy(src.doubles, c[22].Value.MVat.lpat, 2);
    ExpectArrayCopy(src.larges, c[23].Value.MVli.lpli, 2);
    ExpectArrayCopy(src.times, c[24].Value.MVft.lpft, 2);
    EXPECT_EQ(1u, c[25].Value.MVguid.cValues);
    ExpectArrayCopy(&src.guid, c[25].Value.MVguid.lpguid, 1);

    ASSERT_EQ(3u, c[26].Value.MVszA.cValues);
    for (int i = 0; i < 3; ++i) {
        ASSERT_NE(c[26].Value.MVszA.lppszA[i], nullptr);
        EXPECT_NE(src.texts[i], c[26].Value.MVszA.lppszA[i]);
        EXPECT_STREQ(src.texts[i], c[26].Value.MVszA.lppszA[i]);
    }
    ASSERT_EQ(2u, c[27].Value.MVszW.cValues);
    EXPECT_EQ(std::u16string(u"ab"), std::u16string(c[27].Value.MVszW.lppszW[0]));
    EXPECT_EQ(std::u16string(u"cde"), std::u16string(c[27].Value.MVszW.lppszW[1]));
    EXPECT_NE(src.wtexts[1], c[27].Value.MVszW.lppszW[1]);
    ASSERT_EQ(2u, c[28].Value.MVbin.cValues);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(src.bins[i].cb, c[28].Value.MVbin.lpbin[i].cb);
        ExpectArrayCopy(src.bins[i].lpb, c[28].Value.MVbin.lpbin[i].lpb, src.bins[i].cb);
    }

    EXPECT_EQ(S_OK, FreeRowSet(&lpCopy));
    EXPECT_EQ(nullptr, lpCopy);
}

TEST_F(RowSetTest, CopyIsIndependentOfItsSource) {
    SampleRow src;
    LPSRow lpCopy = nullptr;
    ASSERT_EQ(S_OK, CopyRowSet(&lpCopy, &src.row));
    lpCopy->lpProps[18].Value.MVl.lpl[1] = 999;
    lpCopy->lpProps[13].Value.lpszA[0] = 'X';
    EXPECT_EQ(20, src.longs[1]);
    EXPECT_STREQ("Subject", src.text);
    // And the source can go away first.
    src.text[0] = 's';
    src.longs[0] = -1;
    EXPECT_EQ('X', lpCopy->lpProps[13].Value.lpszA[0]);
    EXPECT_EQ(10, lpCopy->lpProps[18].Value.MVl.lpl[0]);
    FreeRowSet(&lpCopy);
}

TEST_F(RowSetTest, UnknownTypeStopsWithAnEmptyRowThatStillFrees) {
    SPropValue props[2]{};
    props[0].ulPropTag = PROP_TAG(PT_LONG, 0x3000);
    props[0].Value.l = 5;
    props[1].ulPropTag = PROP_TAG(0x0008, 0x3001);
    SRow row{0, 2, props};
    LPSRow lpCopy = nullptr;
    EXPECT_EQ(E_FAIL, CopyRowSet(&lpCopy, &row));
    ASSERT_NE(lpCopy, nullptr);
    EXPECT_EQ(0u, lpCopy->cValues);
    EXPECT_EQ(S_OK, FreeRowSet(&lpCopy));
    EXPECT_EQ(nullptr, lpCopy);
}

TEST_F(RowSetTest, EmptyRowAndArgumentChecks) {
    SRow empty{0, 0, nullptr};
    LPSRow lpCopy = nullptr;
    ASSERT_EQ(S_OK, CopyRowSet(&lpCopy, &empty));
    ASSERT_NE(lpCopy, nullptr);
    EXPECT_EQ(0u, lpCopy->cValues);
    FreeRowSet(&lpCopy);

    EXPECT_EQ(E_INVALIDARG, CopyRowSet(nullptr, &empty));
    EXPECT_EQ(E_INVALIDARG, CopyRowSet(&lpCopy, nullptr));
    EXPECT_EQ(nullptr, lpCopy);
    SRow broken{0, 3, nullptr};
    EXPECT_EQ(E_INVALIDARG, CopyRowSet(&lpCopy, &broken));
    EXPECT_EQ(nullptr, lpCopy);

    LPSRow lpNull = nullptr;
    EXPECT_EQ(S_OK, FreeRowSet(&lpNull));
    EXPECT_EQ(S_OK, FreeRowSet(nullptr));
}

// Every allocation of the copy, failed in turn: the code comes back, nothing leaks and the row
// left behind (if any) counts no values.
TEST_F(RowSetTest, EveryAllocationFaultLeavesAnEmptyRowAndNoLeak) {
    SampleRow src;
    ULONG nth = 1;
    for (; nth < 200; ++nth) {
        CMAPITestHooks::FailAllocation(nth);
        LPSRow lpCopy = nullptr;
        HRESULT hr = CopyRowSet(&lpCopy, &src.row);
        CMAPITestHooks::Reset();
        if (hr == S_OK) {
            EXPECT_EQ(src.row.cValues, lpCopy->cValues);
            FreeRowSet(&lpCopy);
            break;
        }
        EXPECT_EQ(MAPI_E_NOT_ENOUGH_MEMORY, hr) << "allocation " << nth;
        if (nth == 1) {
            EXPECT_EQ(nullptr, lpCopy) << "no row exists when the row itself fails";
        } else {
            ASSERT_NE(nullptr, lpCopy) << "allocation " << nth;
            EXPECT_EQ(0u, lpCopy->cValues) << "allocation " << nth;
        }
        EXPECT_EQ(S_OK, FreeRowSet(&lpCopy));
        EXPECT_EQ(m_baseline, CMAPITestHooks::LiveBuffers()) << "allocation " << nth;
    }
    // The row, the array and at least one block per pointer-carrying value were each tried.
    EXPECT_GT(nth, 20u);
    EXPECT_LT(nth, 200u);
}

TEST_F(RowSetTest, NullPointersInsideValuesCopyAsEmpty) {
    SPropValue props[3]{};
    props[0].ulPropTag = PROP_TAG(PT_STRING8, 0x0037);
    props[1].ulPropTag = PROP_TAG(PT_BINARY, 0x0FF9);
    props[1].Value.bin.cb = 5;  // a count without bytes copies as the empty value
    props[2].ulPropTag = PROP_TAG(PT_MV_STRING8, 0x8001);
    props[2].Value.MVszA.cValues = 2;
    LPSTR texts[2] = {nullptr, const_cast<LPSTR>("b")};
    props[2].Value.MVszA.lppszA = texts;
    SRow row{0, 3, props};
    LPSRow lpCopy = nullptr;
    ASSERT_EQ(S_OK, CopyRowSet(&lpCopy, &row));
    EXPECT_EQ(nullptr, lpCopy->lpProps[0].Value.lpszA);
    EXPECT_EQ(0u, lpCopy->lpProps[1].Value.bin.cb);
    EXPECT_EQ(nullptr, lpCopy->lpProps[1].Value.bin.lpb);
    EXPECT_EQ(nullptr, lpCopy->lpProps[2].Value.MVszA.lppszA[0]);
    EXPECT_STREQ("b", lpCopy->lpProps[2].Value.MVszA.lppszA[1]);
    FreeRowSet(&lpCopy);
}

}  // namespace
