// Binary keys in archives and their hexadecimal text.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "model/BinaryKey.h"
#include "platform/afx/CArchive.h"
#include "platform/afx/CMemFile.h"
#include "tests/model/PropTestSupport.h"

using namespace proptest;

namespace {

Bytes Save(ULONG cb, const BYTE* lpb) {
    CMemFile file;
    CArchive ar(&file, CArchive::store);
    SaveBinaryKey(cb, lpb, ar);
    ar.Close();
    return Bytes(file.GetBufferPtr(), file.GetBufferPtr() + file.GetLength());
}

std::string Load(Bytes bytes, SBinary& bin) {
    return Outcome([&] {
        CMemFile file(bytes.data(), (UINT)bytes.size());
        CArchive ar(&file, CArchive::load);
        LoadBinaryKey(bin, ar);
    });
}

TEST(BinaryKeyTest, SavedAsCountAndBytesAndLoadedBack) {
    const BYTE key[] = {0x01, 0xAB, 0xFF};
    EXPECT_EQ(Hex("03 00 00 00 01 AB FF"), Save(3, key));
    // A null pointer with a count is the empty key, not a read of nothing.
    EXPECT_EQ(Hex("00 00 00 00"), Save(5, nullptr));

    SBinary bin{99, reinterpret_cast<LPBYTE>(1)};
    ASSERT_EQ("ok", Load(Save(3, key), bin));
    ASSERT_EQ(3u, bin.cb);
    EXPECT_EQ(0, std::memcmp(key, bin.lpb, 3));
    free(bin.lpb);
    ASSERT_EQ("ok", Load(Hex("00 00 00 00"), bin));
    EXPECT_EQ(0u, bin.cb);
    EXPECT_EQ(nullptr, bin.lpb);
}

TEST(BinaryKeyTest, CountBeyondTheStreamIsRefusedAndLeavesAnEmptyKey) {
    SBinary bin{};
    // Four gigabytes announced, two bytes present: refused before any allocation is tried.
    EXPECT_EQ("archive:3", Load(Hex("FF FF FF FF 01 02"), bin));
    EXPECT_EQ(0u, bin.cb);
    EXPECT_EQ(nullptr, bin.lpb);
    EXPECT_EQ("archive:3", Load(Hex("04 00 00 00 01 02 03"), bin));
    EXPECT_EQ(nullptr, bin.lpb);
    EXPECT_EQ("archive:3", Load(Hex("04 00"), bin));
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
