// Binary keys in archives and their hexadecimal text.
#include <gtest/gtest.h>

#include <cstdlib>

#include "model/BinaryKey.h"
#include "platform/afx/CArchive.h"
#include "platform/afx/CMemFile.h"
#include "tests/model/PropTestSupport.h"

using proptest::Bytes;
using proptest::Hex;
using proptest::operator+;

namespace {

Bytes Save(ULONG cb, const BYTE* lpb) {
    CMemFile file;
    CArchive ar(&file, CArchive::store);
    SaveBinaryKey(cb, lpb, ar);
    ar.Close();
    return Bytes(file.GetBufferPtr(), file.GetBufferPtr() + file.GetLength());
}

// Loads a key; the archive's cause, or -1 for a memory failure, or 0 for success.
int Load(Bytes bytes, SBinary& bin) {
    CMemFile file(bytes.data(), (UINT)bytes.size());
    CArchive ar(&file, CArchive::load);
    try {
        LoadBinaryKey(bin, ar);
    } catch (CArchiveException* e) {
        int cause = e->m_cause;
        e->Delete();
        return cause;
    } catch (CMemoryException* e) {
        e->Delete();
        return -1;
    }
    return 0;
}

TEST(BinaryKeyTest, SavedAsCountAndBytes) {
    const BYTE key[] = {0x01, 0xAB, 0xFF};
    EXPECT_EQ(Hex("03 00 00 00 01 AB FF"), Save(3, key));
    // A null pointer with a count is the empty key, not a read of nothing.
    EXPECT_EQ(Hex("00 00 00 00"), Save(5, nullptr));
    EXPECT_EQ(Hex("00 00 00 00"), Save(0, key));
}

TEST(BinaryKeyTest, LoadsWhatWasSaved) {
    const BYTE key[] = {0x10, 0x20, 0x30, 0x40, 0x50};
    SBinary bin{99, reinterpret_cast<LPBYTE>(1)};
    ASSERT_EQ(0, Load(Save(5, key), bin));
    ASSERT_EQ(5u, bin.cb);
    EXPECT_EQ(0, std::memcmp(key, bin.lpb, 5));
    free(bin.lpb);

    SBinary empty{7, reinterpret_cast<LPBYTE>(1)};
    ASSERT_EQ(0, Load(Hex("00 00 00 00"), empty));
    EXPECT_EQ(0u, empty.cb);
    EXPECT_EQ(nullptr, empty.lpb);
}

TEST(BinaryKeyTest, CountBeyondTheStreamIsRefusedAndLeavesAnEmptyKey) {
    SBinary bin{};
    // Four gigabytes announced, two bytes present: refused before any allocation is tried.
    EXPECT_EQ(CArchiveException::endOfFile, Load(Hex("FF FF FF FF 01 02"), bin));
    EXPECT_EQ(0u, bin.cb);
    EXPECT_EQ(nullptr, bin.lpb);
    EXPECT_EQ(CArchiveException::endOfFile, Load(Hex("04 00 00 00 01 02 03"), bin));
    EXPECT_EQ(nullptr, bin.lpb);
    EXPECT_EQ(CArchiveException::endOfFile, Load(Hex("04 00"), bin));
}

TEST(BinaryKeyTest, HexTextHasTwoUpperCaseDigitsPerByte) {
    BYTE key[] = {0x01, 0xAB, 0xFF};
    SBinary bin{3, key};
    LPSTR psz = reinterpret_cast<LPSTR>(1);
    ASSERT_EQ(S_OK, SBin2String(bin, &psz));
    ASSERT_NE(nullptr, psz);
    EXPECT_STREQ("01ABFF", psz);
    free(psz);

    SBinary empty{0, key};
    psz = reinterpret_cast<LPSTR>(1);
    EXPECT_EQ(S_OK, SBin2String(empty, &psz));
    EXPECT_EQ(nullptr, psz);
    SBinary nullBytes{4, nullptr};
    EXPECT_EQ(S_OK, SBin2String(nullBytes, &psz));
    EXPECT_EQ(nullptr, psz);
    EXPECT_EQ(E_INVALIDARG, SBin2String(bin, nullptr));
}

}  // namespace
