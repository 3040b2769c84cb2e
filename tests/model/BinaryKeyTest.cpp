// Binary keys in archives and their hexadecimal text.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "model/BinaryKey.h"
#include "tests/model/PropTestSupport.h"

using namespace proptest;

namespace {

std::string Save(ULONG cb, const BYTE* lpb) {
    return Stored([&](CArchive& ar) { SaveBinaryKey(cb, lpb, ar); });
}

TEST(BinaryKeyTest, SavedAsCountAndBytesAndLoadedBackOrRefused) {
    const BYTE key[] = {0x01, 0xAB, 0xFF};
    EXPECT_EQ(Hex("03 00 00 00 01 AB FF"), Save(3, key));
    // A null pointer with a count is the empty key, not a read of nothing.
    EXPECT_EQ(Hex("00 00 00 00"), Save(5, nullptr));

    const struct {
        const char* pszStream;
        const char* pszOutcome;
        ULONG cb;
    } cases[] = {{"03 00 00 00 01 AB FF", "ok", 3},
                 {"00 00 00 00", "ok", 0},
                 // Four gigabytes announced, two bytes present: refused before any allocation.
                 {"FF FF FF FF 01 02", "archive:3", 0},
                 {"04 00 00 00 01 02 03", "archive:3", 0},
                 {"04 00", "archive:3", 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszStream);
        SBinary bin{99, reinterpret_cast<LPBYTE>(1)};
        EXPECT_EQ(c.pszOutcome,
                  Outcome([&] { Loaded(Hex(c.pszStream), [&](CArchive& ar) { LoadBinaryKey(bin, ar); }); }));
        ASSERT_EQ(c.cb, bin.cb);
        EXPECT_EQ(c.cb == 0, bin.lpb == nullptr);
        EXPECT_TRUE(c.cb == 0 || std::memcmp(key, bin.lpb, c.cb) == 0);
        free(bin.lpb);
    }
}

TEST(BinaryKeyTest, HexTextHasTwoUpperCaseDigitsPerByte) {
    BYTE key[] = {0x01, 0xAB, 0xFF};
    LPSTR psz = nullptr;
    ASSERT_EQ(S_OK, SBin2String(SBinary{3, key}, &psz));
    EXPECT_STREQ("01ABFF", psz);
    free(psz);
    psz = reinterpret_cast<LPSTR>(1);
    EXPECT_EQ(S_OK, SBin2String(SBinary{0, key}, &psz));
    EXPECT_EQ(nullptr, psz);
    EXPECT_EQ(S_OK, SBin2String(SBinary{4, nullptr}, &psz));
    EXPECT_EQ(nullptr, psz);
    EXPECT_EQ(E_INVALIDARG, SBin2String(SBinary{3, key}, nullptr));
}

}  // namespace
