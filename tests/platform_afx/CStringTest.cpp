// CString: UTF-8 bytes with value semantics and byte positions.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/afx/CException.h"
#include "platform/afx/CString.h"
#include "tests/platform_afx/ArchiveTestSupport.h"

TEST(CStringTest, NullAndLengthsAreSafe) {
    CString fromNull((LPCSTR) nullptr);
    EXPECT_TRUE(fromNull.IsEmpty());
    EXPECT_STREQ((LPCSTR)fromNull, "");
    CString part("abcdef", 3);
    EXPECT_EQ(part, "abc");
    EXPECT_EQ(CString("x", -1), "");
    EXPECT_EQ(CString('-', 3), "---");
    CString utf8("\xC3\xA9t\xC3\xA9");  // "été": lengths count bytes
    EXPECT_EQ(utf8.GetLength(), 5);
}

TEST(CStringTest, ComparisonIsByUnsignedBytes) {
    EXPECT_TRUE(CString("Zeta") < CString("alpha"));
    EXPECT_TRUE(CString("abc") < CString("\xC3\xA9"));
    EXPECT_LT(CString("Key").Compare("Keywords"), 0);
    EXPECT_EQ(CString("MiXeD").CompareNoCase("mixed"), 0);
    EXPECT_TRUE(CString("a") == "a");
    EXPECT_TRUE("b" != CString("a"));
    EXPECT_EQ(CString("").Compare(nullptr), 0);
}

TEST(CStringTest, ExtractsAndSearchesWithClampedBounds) {
    CString s("Hello, World");
    EXPECT_EQ(s.Left(5), "Hello");
    EXPECT_EQ(s.Right(5), "World");
    EXPECT_EQ(s.Mid(7), "World");
    EXPECT_EQ(s.Mid(7, 100), "World");
    EXPECT_EQ(s.Mid(-3, 2), "He");
    EXPECT_EQ(s.Left(-1), "");
    EXPECT_EQ(s.Find('o'), 4);
    EXPECT_EQ(s.Find('o', 5), 8);
    EXPECT_EQ(s.Find("World"), 7);
    EXPECT_EQ(s.Find("xyz"), -1);
    EXPECT_EQ(s.Find('o', 99), -1);
    EXPECT_EQ(s.ReverseFind('o'), 8);
    EXPECT_EQ(s.FindOneOf(",W"), 5);
}

TEST(CStringTest, EditsKeepBytesOutsideAsciiIntact) {
    CString s("a-b-c");
    EXPECT_EQ(s.Replace("-", "--"), 2);
    EXPECT_EQ(s, "a--b--c");
    EXPECT_EQ(s.Replace("", "x"), 0);  // an empty pattern would never end
    s.Delete(2, 100);
    EXPECT_EQ(s, "a-");
    CString t("  \tpad \r\n");
    EXPECT_EQ(t.Trim(), "pad");
    CString v("\u00E9Ab");
    EXPECT_EQ(v.MakeUpper(), "\u00E9AB");
    EXPECT_EQ(v.MakeLower(), "\u00E9ab");
}

TEST(CStringTest, BufferAccessSetsTheLengthCharacterAccessOutsideIsRefused) {
    CString s;
    char* p = s.GetBuffer(10);
    std::strcpy(p, "abc");
    s.ReleaseBuffer();
    EXPECT_EQ(s.GetLength(), 3);
    EXPECT_EQ(s, "abc");
    p = s.GetBufferSetLength(2);
    EXPECT_EQ(s, "ab");
    s.ReleaseBuffer(1);
    EXPECT_EQ(s, "a");
    EXPECT_EQ(s[0], 'a');
    EXPECT_EQ(afxtest::RaisedClass([&] { s.GetAt(1); }), RUNTIME_CLASS(CInvalidArgException));
}
