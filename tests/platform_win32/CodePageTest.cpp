// UTF-8 <-> UTF-16 conversion and the code-page calls.
#include <gtest/gtest.h>

#include "platform/win32/CodePage.h"

TEST(CodePage, RoundTripsEveryPlaneAndReplacesInvalidInput) {
    std::string utf8 = "A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80";  // A, e-acute, euro, an emoji
    std::u16string utf16 = Utf8ToUtf16(utf8);
    EXPECT_EQ(utf16, (std::u16string{u'A', 0x00E9, 0x20AC, 0xD83D, 0xDE00}));
    EXPECT_EQ(Utf16ToUtf8(utf16), utf8);
    EXPECT_EQ(Utf8ToUtf16("a\xFF"
                          "b"),
              (std::u16string{u'a', 0xFFFD, u'b'}));
    EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), (std::u16string{0xFFFD, 0xFFFD}));              // overlong
    EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80"), (std::u16string{0xFFFD, 0xFFFD, 0xFFFD}));  // surrogate
    EXPECT_EQ(Utf8ToUtf16("\xE2\x82"), (std::u16string{0xFFFD, 0xFFFD}));              // cut off
    EXPECT_EQ(Utf16ToUtf8(std::u16string{0xDC00, u'x'}), "\xEF\xBF\xBDx");
    EXPECT_EQ(Utf16ToUtf8(std::u16string{u'x', 0xD800}), "x\xEF\xBF\xBD");
}

TEST(CodePage, MultiByteToWideCharAndBack) {
    WCHAR buf[8];
    // -1: up to and including the NUL.
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "h\xC3\xA9", -1, nullptr, 0), 3);
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "h\xC3\xA9", -1, buf, 8), 3);
    EXPECT_EQ(buf[0], u'h');
    EXPECT_EQ(buf[1], 0x00E9);
    EXPECT_EQ(buf[2], 0);
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "abcdef", 6, buf, 2), 0);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, "\xFF", 1, buf, 8), 0);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_NO_UNICODE_TRANSLATION);
    EXPECT_EQ(MultiByteToWideChar(1252, 0, "a", 1, buf, 8), 0);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
    char narrow[8];
    BOOL usedDefault = TRUE;
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, u"\u20AC", -1, narrow, sizeof narrow, nullptr, &usedDefault), 4);
    EXPECT_STREQ(narrow, "\xE2\x82\xAC");
    EXPECT_FALSE(usedDefault);
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, u"\u20AC\u20AC\u20AC", 3, narrow, 8, nullptr, nullptr), 0);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INSUFFICIENT_BUFFER);
}
