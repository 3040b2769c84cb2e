// Key orders of GUIDs (bytes in memory) and wide texts (16-bit units).
#include <gtest/gtest.h>

#include <algorithm>

#include "model/KeyOrders.h"

namespace {

GUID FromBytes(std::initializer_list<BYTE> bytes) {
    GUID g{};
    std::copy(bytes.begin(), bytes.end(), reinterpret_cast<BYTE*>(&g));
    return g;
}

TEST(KeyOrdersTest, ClsidLessPutsNullFirstAndComparesMemoryBytes) {
    GUID a = FromBytes({0x04, 0x20, 0x06, 0x00});  // {00062004-...}
    GUID b = FromBytes({0x29, 0x03, 0x02, 0x00});  // {00020329-...}
    // The text order would put 00020329 first; the stored bytes put 00062004 first.
    EXPECT_TRUE(ClsidLess(&a, &b));
    EXPECT_FALSE(ClsidLess(&b, &a));
    EXPECT_TRUE(ClsidLess(nullptr, &a));
    EXPECT_FALSE(ClsidLess(&a, nullptr));
    EXPECT_FALSE(ClsidLess(nullptr, nullptr));
    EXPECT_FALSE(ClsidLess(&a, &a));
    GUID aCopy = a;
    EXPECT_FALSE(ClsidLess(&a, &aCopy));
    // Bytes are unsigned: 0x80 in the last byte sorts after 0x7F.
    GUID low = FromBytes({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x7F});
    GUID high = FromBytes({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x80});
    EXPECT_TRUE(ClsidLess(&low, &high));
}

TEST(KeyOrdersTest, WideStringLessComparesUnitsCaseSensitively) {
    EXPECT_TRUE(WideStringLess(u"Zeta", u"alpha"));
    EXPECT_FALSE(WideStringLess(u"alpha", u"Zeta"));
    EXPECT_TRUE(WideStringLess(u"Key", u"Keywords"));
    EXPECT_FALSE(WideStringLess(u"Keywords", u"Key"));
    EXPECT_FALSE(WideStringLess(u"Key", u"Key"));
    EXPECT_TRUE(WideStringLess(nullptr, u""));
    EXPECT_FALSE(WideStringLess(u"", nullptr));
    EXPECT_FALSE(WideStringLess(nullptr, nullptr));
    EXPECT_TRUE(WideStringLess(u"", u"a"));
    // Units above 0x7FFF are unsigned: U+FFFD after U+00E9, a high surrogate after U+D7FF.
    EXPECT_TRUE(WideStringLess(u"\u00e9", u"\ufffd"));
    const WCHAR surrogate[] = {0xD83D, 0xDE00, 0};
    EXPECT_TRUE(WideStringLess(u"\ud7ff", surrogate));
}

}  // namespace
