// Private-profile reading and writing on a temporary Windows directory.
#include <gtest/gtest.h>

#include <string>

#include "platform/win32/Profile.h"
#include "tests/support/TempRoot.h"

namespace {

class Profile : public ::testing::Test {
protected:
    std::string Get(const char* section, const char* key, const char* def, const char* file,
                    DWORD size = 256) {
        std::string buf(size, 'Z');
        DWORD n = GetPrivateProfileStringA(section, key, def, buf.data(), size, file);
        return buf.substr(0, n);
    }
    qrvtest::TempRoot m_root;
};

TEST_F(Profile, BareNamesResolveToTheWindowsDirectoryAndAChangedFileIsReadAgain) {
    m_root.WriteFile("windows/Quorvel.ini", "[QRV]\nDebugLevel=3\nDebugFile = %TEMP%\\trace.log \n");
    EXPECT_EQ(GetPrivateProfileIntA("QRV", "DebugLevel", 0, "Quorvel.ini"), 3u);
    EXPECT_EQ(Get("QRV", "DebugFile", "", "Quorvel.ini"), "%TEMP%\\trace.log");
    // Section and key names ignore case, and so does the file name when the exact one is absent.
    EXPECT_EQ(GetPrivateProfileIntA("qrv", "DEBUGLEVEL", 0, "QUORVEL.INI"), 3u);
    // A full path is used as it stands.
    std::string full = m_root.Path() + "/windows/Quorvel.ini";
    EXPECT_EQ(GetPrivateProfileIntA("QRV", "DebugLevel", 0, full.c_str()), 3u);
    m_root.WriteFile("windows/Quorvel.ini", "[QRV]\nDebugLevel=22\n");
    EXPECT_EQ(GetPrivateProfileIntA("QRV", "DebugLevel", 0, "Quorvel.ini"), 22u);
}

TEST_F(Profile, DefaultsForMissingFileSectionOrKeyAndIntegerParsing) {
    EXPECT_EQ(GetPrivateProfileIntA("QRV", "DebugLevel", 0, "Quorvel.ini"), 0u);
    EXPECT_EQ(Get("QRV", "DebugFile", "", "Quorvel.ini"), "");
    m_root.WriteFile("windows/n.ini",
                     "[S]\nneg=-1\nhex=0x1F\ntext=abc\nlead=  42xyz\nempty=\nplus=+12\n"
                     "plushex= +0x1f\nsigns=+-3\n");
    EXPECT_EQ(Get("S", "missing", "dflt", "n.ini"), "dflt");
    EXPECT_EQ(Get("T", "neg", nullptr, "n.ini"), "");
    EXPECT_EQ((LONG)GetPrivateProfileIntA("S", "neg", 0, "n.ini"), -1);
    EXPECT_EQ(GetPrivateProfileIntA("S", "hex", 0, "n.ini"), 31u);
    EXPECT_EQ(GetPrivateProfileIntA("S", "text", 7, "n.ini"), 0u);
    EXPECT_EQ(GetPrivateProfileIntA("S", "lead", 0, "n.ini"), 42u);
    // One leading sign, plus or minus, before decimal or hexadecimal digits.
    EXPECT_EQ(GetPrivateProfileIntA("S", "plus", 0, "n.ini"), 12u);
    EXPECT_EQ(GetPrivateProfileIntA("S", "plushex", 0, "n.ini"), 31u);
    EXPECT_EQ(GetPrivateProfileIntA("S", "signs", 7, "n.ini"), 0u);
    EXPECT_EQ(GetPrivateProfileIntA("S", "empty", 7, "n.ini"), 0u);
    EXPECT_EQ(GetPrivateProfileIntA("S", "absent", 7, "n.ini"), 7u);
}

TEST_F(Profile, FileFormatDetailsCutValuesAndLists) {
    m_root.WriteFile("windows/l.ini", "[A]\nx=0123456789\ny=1\n[B]\n");
    EXPECT_EQ(Get("A", "x", "", "l.ini", 5), "0123");  // size - 1 characters
    EXPECT_EQ(Get("A", nullptr, "", "l.ini"), std::string("x\0y\0", 4));
    EXPECT_EQ(Get(nullptr, nullptr, "", "l.ini"), std::string("A\0B\0", 4));
    char buf[4];
    EXPECT_EQ(GetPrivateProfileStringA(nullptr, nullptr, "", buf, sizeof buf, "l.ini"), 2u);
    EXPECT_EQ(buf[2], '\0');
    EXPECT_EQ(buf[3], '\0');
    m_root.WriteFile("windows/f.ini",
                     "\xEF\xBB\xBF; comment\r\n[First]\r\nk=first\r\nk=second\r\nq=\"quoted value\"\r\n"
                     "eq=a=b\r\n[First]\r\nk=third\r\n");
    EXPECT_EQ(Get("First", "k", "", "f.ini"), "first");
    EXPECT_EQ(Get("First", "q", "", "f.ini"), "quoted value");
    EXPECT_EQ(Get("First", "eq", "", "f.ini"), "a=b");
}

TEST_F(Profile, WriteKeepsCommentsAndOtherEntries) {
    m_root.WriteFile("windows/w.ini", "; keep me\n[S]\na=1\nb=2\n\n[T]\nc=3\n");
    ASSERT_TRUE(WritePrivateProfileStringA("S", "b", "20", "w.ini"));
    ASSERT_TRUE(WritePrivateProfileStringA("S", "new", "x", "w.ini"));
    ASSERT_TRUE(WritePrivateProfileStringA("U", "d", "4", "w.ini"));
    ASSERT_TRUE(WritePrivateProfileStringA("S", "a", nullptr, "w.ini"));
    EXPECT_EQ(m_root.ReadFile("windows/w.ini"), "; keep me\n[S]\nb=20\nnew=x\n\n[T]\nc=3\n[U]\nd=4\n");
    EXPECT_EQ(GetPrivateProfileIntA("S", "b", 0, "w.ini"), 20u);
    ASSERT_TRUE(WritePrivateProfileStringA("T", nullptr, nullptr, "w.ini"));
    EXPECT_EQ(Get("T", "c", "gone", "w.ini"), "gone");
}

}  // namespace
