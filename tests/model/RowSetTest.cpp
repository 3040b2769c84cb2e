// Row copies: every property type, independence from the source, and allocation faults.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
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

// Every multi-valued type of fixed-size elements shares the layout { count, pointer }.
struct FixedArray {
    ULONG cValues;
    const void* lp;
};
const struct {
    ULONG ulType;
    size_t cbElem;
} kFixedArrays[] = {{PT_MV_I2, 2},      {PT_MV_LONG, 4},     {PT_MV_R4, 4},
                    {PT_MV_DOUBLE, 8},  {PT_MV_CURRENCY, 8}, {PT_MV_APPTIME, 8},
                    {PT_MV_SYSTIME, 8}, {PT_MV_I8, 8},       {PT_MV_CLSID, 16}};
const ULONG kScalarTypes[] = {PT_I2,      PT_LONG,    PT_R4,     PT_DOUBLE, PT_CURRENCY,
                              PT_APPTIME, PT_BOOLEAN, PT_OBJECT, PT_I8,     PT_SYSTIME};

// A row with a value of every type the copy knows, in memory the source owns.
struct SampleRow {
    SampleRow() {
        for (int i = 0; i < 64; ++i)
            pool[i] = (BYTE)(i * 7 + 1);
        Add(PT_UNSPECIFIED).Value.l = 7;
        Add(PT_NULL).Value.l = 7;
        Add(PT_ERROR).Value.err = MAPI_E_NOT_FOUND;
        for (ULONG t : kScalarTypes)
            Add(t).Value.li.QuadPart = 0x0102030405060708LL + t;
        Add(PT_STRING8).Value.lpszA = text;
        Add(PT_UNICODE).Value.lpszW = wtext;
        Add(PT_CLSID).Value.lpguid = reinterpret_cast<LPGUID>(pool);
        SPropValue& bin = Add(PT_BINARY);
        bin.Value.bin = {5, pool};
        for (const auto& a : kFixedArrays) {
            FixedArray arr{2, pool};
            std::memcpy(&Add(a.ulType).Value, &arr, sizeof(arr));
        }
        SPropValue& mvs = Add(PT_MV_STRING8);
        mvs.Value.MVszA = {3, texts};
        SPropValue& mvw = Add(PT_MV_UNICODE);
        mvw.Value.MVszW = {2, wtexts};
        SPropValue& mvb = Add(PT_MV_BINARY);
        mvb.Value.MVbin = {2, bins};
        row = {99, (ULONG)props.size(), props.data()};
    }
    SPropValue& Add(ULONG ulType) {
        props.reserve(40);
        props.push_back(SPropValue{PROP_TAG(ulType, 0x1000 + props.size()), 0, {}});
        return props.back();
    }
    const SPropValue& Find(ULONG ulType) const {
        for (const SPropValue& v : props) {
            if (PROP_TYPE(v.ulPropTag) == ulType)
                return v;
        }
        return props[0];
    }

    BYTE pool[64];
    char text[8] = "Subject";
    WCHAR wtext[6] = u"Grüße";
    char s1[2] = "a", s2[1] = "", s3[4] = "xyz";
    LPSTR texts[3] = {s1, s2, s3};
    WCHAR w1[3] = u"ab", w2[4] = u"cde";
    LPWSTR wtexts[2] = {w1, w2};
    SBinary bins[2] = {{2, pool}, {3, pool + 8}};
    std::vector<SPropValue> props;
    SRow row{};
};

TEST_F(RowSetTest, CopiesEveryTypeDeeplyIntoOneBuffer) {
    SampleRow src;
    LPSRow lpCopy = nullptr;
    ASSERT_EQ(S_OK, CopyRowSet(&lpCopy, &src.row));
    EXPECT_EQ(m_baseline + 1, CMAPITestHooks::LiveBuffers()) << "value blocks must be linked to the row";
    EXPECT_EQ(0u, lpCopy->ulAdrEntryPad);
    ASSERT_EQ(src.row.cValues, lpCopy->cValues);
    const SPropValue* c = lpCopy->lpProps;
    ASSERT_NE(src.row.lpProps, c);

    // The three types without a value keep only their type, and no error code.
    EXPECT_EQ(PT_UNSPECIFIED, c[0].ulPropTag);
    EXPECT_EQ(PT_NULL, c[1].ulPropTag);
    EXPECT_EQ(PT_ERROR, c[2].ulPropTag);
    EXPECT_EQ(0, c[2].Value.err);
    for (ULONG i = 3; i < lpCopy->cValues; ++i)
        EXPECT_EQ(src.props[i].ulPropTag, c[i].ulPropTag) << "value " << i;
    for (ULONG i = 3; i < 3 + std::size(kScalarTypes); ++i)
        EXPECT_EQ(src.props[i].Value.li.QuadPart, c[i].Value.li.QuadPart) << "value " << i;
    auto copyOf = [&](ULONG t) -> const SPropValue& { return c[&src.Find(t) - src.props.data()]; };
    // Each pointer-carrying value has bytes of its own with the source's content.
    auto own = [](const void* lpSource, const void* lpCopy, size_t cb) {
        return lpCopy != lpSource && lpCopy != nullptr && std::memcmp(lpSource, lpCopy, cb) == 0;
    };
    EXPECT_TRUE(own(src.text, copyOf(PT_STRING8).Value.lpszA, sizeof(src.text)));
    EXPECT_TRUE(own(src.wtext, copyOf(PT_UNICODE).Value.lpszW, sizeof(src.wtext)));
    EXPECT_TRUE(own(src.pool, copyOf(PT_CLSID).Value.lpguid, 16));
    ASSERT_EQ(5u, copyOf(PT_BINARY).Value.bin.cb);
    EXPECT_TRUE(own(src.pool, copyOf(PT_BINARY).Value.bin.lpb, 5));
    for (const auto& a : kFixedArrays) {
        FixedArray arr{};
        std::memcpy(&arr, &copyOf(a.ulType).Value, sizeof(arr));
        EXPECT_EQ(2u, arr.cValues) << a.ulType;
        EXPECT_TRUE(own(src.pool, arr.lp, 2 * a.cbElem)) << a.ulType;
    }
    const SLPSTRArray& mvs = copyOf(PT_MV_STRING8).Value.MVszA;
    ASSERT_EQ(3u, mvs.cValues);
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(own(src.texts[i], mvs.lppszA[i], strlen(src.texts[i]) + 1)) << i;
    const SWStringArray& mvw = copyOf(PT_MV_UNICODE).Value.MVszW;
    ASSERT_EQ(2u, mvw.cValues);
    EXPECT_TRUE(own(src.w1, mvw.lppszW[0], sizeof(src.w1)));
    EXPECT_TRUE(own(src.w2, mvw.lppszW[1], sizeof(src.w2)));
    const SBinaryArray& mvb = copyOf(PT_MV_BINARY).Value.MVbin;
    ASSERT_EQ(2u, mvb.cValues);
    EXPECT_EQ(3u, mvb.lpbin[1].cb);
    EXPECT_TRUE(own(src.pool + 8, mvb.lpbin[1].lpb, 3));

    // Changing the copy leaves the source alone.
    const_cast<LONG*>(copyOf(PT_MV_LONG).Value.MVl.lpl)[0] = -1;
    EXPECT_NE(-1, src.Find(PT_MV_LONG).Value.MVl.lpl[0]);

    EXPECT_EQ(S_OK, FreeRowSet(&lpCopy));
    EXPECT_EQ(nullptr, lpCopy);
}

TEST_F(RowSetTest, EmptyRowsNullValuesUnknownTypesAndArguments) {
    SRow empty{0, 0, nullptr};
    LPSRow lpCopy = nullptr;
    ASSERT_EQ(S_OK, CopyRowSet(&lpCopy, &empty));
    EXPECT_EQ(0u, lpCopy->cValues);
    FreeRowSet(&lpCopy);

    // Null pointers inside values copy as empty values instead of being read.
    SPropValue props[3]{};
    props[0].ulPropTag = PROP_TAG(PT_STRING8, 0x0037);
    props[1].ulPropTag = PROP_TAG(PT_BINARY, 0x0FF9);
    props[1].Value.bin.cb = 5;
    props[2].ulPropTag = PROP_TAG(PT_MV_STRING8, 0x8001);
    LPSTR texts[2] = {nullptr, const_cast<LPSTR>("b")};
    props[2].Value.MVszA = {2, texts};
    SRow row{0, 3, props};
    ASSERT_EQ(S_OK, CopyRowSet(&lpCopy, &row));
    EXPECT_EQ(nullptr, lpCopy->lpProps[0].Value.lpszA);
    EXPECT_EQ(0u, lpCopy->lpProps[1].Value.bin.cb);
    EXPECT_EQ(nullptr, lpCopy->lpProps[2].Value.MVszA.lppszA[0]);
    EXPECT_STREQ("b", lpCopy->lpProps[2].Value.MVszA.lppszA[1]);
    FreeRowSet(&lpCopy);

    // An unknown type stops the copy with an empty row that still frees.
    props[1].ulPropTag = PROP_TAG(0x0008, 0x3001);
    EXPECT_EQ(E_FAIL, CopyRowSet(&lpCopy, &row));
    ASSERT_NE(nullptr, lpCopy);
    EXPECT_EQ(0u, lpCopy->cValues);
    EXPECT_EQ(S_OK, FreeRowSet(&lpCopy));
    EXPECT_EQ(nullptr, lpCopy);

    EXPECT_EQ(E_INVALIDARG, CopyRowSet(nullptr, &empty));
    EXPECT_EQ(E_INVALIDARG, CopyRowSet(&lpCopy, nullptr));
    SRow broken{0, 3, nullptr};
    EXPECT_EQ(E_INVALIDARG, CopyRowSet(&lpCopy, &broken));
    EXPECT_EQ(nullptr, lpCopy);
    EXPECT_EQ(S_OK, FreeRowSet(&lpCopy));
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
            FreeRowSet(&lpCopy);
            break;
        }
        EXPECT_EQ(MAPI_E_NOT_ENOUGH_MEMORY, hr) << "allocation " << nth;
        if (nth > 1) {
            ASSERT_NE(nullptr, lpCopy) << "allocation " << nth;
            EXPECT_EQ(0u, lpCopy->cValues) << "allocation " << nth;
        }
        EXPECT_EQ(S_OK, FreeRowSet(&lpCopy));
        EXPECT_EQ(m_baseline, CMAPITestHooks::LiveBuffers()) << "allocation " << nth;
    }
    // The row, its array and every block of every pointer-carrying value were each tried.
    EXPECT_GT(nth, 20u);
    EXPECT_LT(nth, 200u);
}

}  // namespace
