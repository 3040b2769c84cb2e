// The texts of one language: the text pass over a language file and the lookup of a text.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "language/Language.h"
#include "tests/language/LanguageTestSupport.h"

using qrvtest::HeapText;
using qrvtest::LanguageFileText;
using qrvtest::TempRoot;
using qrvtest::TraceCapture;

namespace {

class LanguageTest : public ::testing::Test {
protected:
    std::string Write(const std::string& content) {
        return m_root.WriteFile("lang/f" + std::to_string(m_next++) + ".lng", content);
    }
    std::string Text(CLanguage& language, LONG textID) {
        LPSTR psz = nullptr;
        if (!language.Lookup(language.GetLanguageID(), textID, &psz))
            return "<none>";
        HeapText text(psz);
        return text.Str();
    }
    TempRoot m_root;
    int m_next = 0;
};

TEST_F(LanguageTest, TextKeepsTrailingBlanksAndBackslashSequences) {
    std::string path =
        Write(LanguageFileText(1031, {"17\t\tOpen file  ", "18 Line\\none", "19 ", "0042 leading zeros"}));
    CLanguage language;
    ASSERT_TRUE(language.LoadLanguage(1031, path.c_str()));
    EXPECT_EQ(Text(language, 17), "Open file  ");
    EXPECT_EQ(Text(language, 18), "Line\\none");
    EXPECT_EQ(Text(language, 19), "");
    EXPECT_EQ(Text(language, 42), "leading zeros");
    EXPECT_EQ(language.GetTextCount(), 4u);
}

TEST_F(LanguageTest, CommentsAndEmptyLinesAnywhereAreSkipped) {
    std::string path =
        Write(LanguageFileText(1031, {"", "; a comment", "1 one", "", ";2 not a text", "3 three"}));
    CLanguage language;
    ASSERT_TRUE(language.LoadLanguage(1031, path.c_str()));
    EXPECT_EQ(Text(language, 1), "one");
    EXPECT_EQ(Text(language, 2), "<none>");
    EXPECT_EQ(Text(language, 3), "three");
}

TEST_F(LanguageTest, CrLfFileReadsLikeLfFile) {
    std::string lf = Write("; L_VER:0\n; L_ID:1031\n1 one\n2\ttwo \n");
    std::string crlf = Write("; L_VER:0\r\n; L_ID:1031\r\n1 one\r\n2\ttwo \r\n");
    CLanguage a;
    CLanguage b;
    ASSERT_TRUE(a.LoadLanguage(1031, lf.c_str()));
    ASSERT_TRUE(b.LoadLanguage(1031, crlf.c_str()));
    EXPECT_EQ(Text(a, 1), Text(b, 1));
    EXPECT_EQ(Text(a, 2), Text(b, 2));
    EXPECT_EQ(Text(b, 2), "two ");
}

TEST_F(LanguageTest, LastLineWithoutLineFeedIsUsed) {
    std::string path = Write("; L_VER:0\n; L_ID:1031\n1 one\n2 two");
    CLanguage language;
    ASSERT_TRUE(language.LoadLanguage(1031, path.c_str()));
    EXPECT_EQ(Text(language, 2), "two");
}

TEST_F(LanguageTest, LaterLineOfTheSameIdWins) {
    std::string path = Write(LanguageFileText(1031, {"5 first", "6 other", "5 second"}));
    CLanguage language;
    ASSERT_TRUE(language.LoadLanguage(1031, path.c_str()));
    EXPECT_EQ(Text(language, 5), "second");
    EXPECT_EQ(language.GetTextCount(), 2u);
}

TEST_F(LanguageTest, LongTextIsReadWhole) {
    std::string longText(10000, 'y');
    std::string path = Write(LanguageFileText(1031, {"1 " + longText, "2 end"}));
    CLanguage language;
    ASSERT_TRUE(language.LoadLanguage(1031, path.c_str()));
    EXPECT_EQ(Text(language, 1), longText);
    EXPECT_EQ(Text(language, 2), "end");
}

TEST_F(LanguageTest, HeaderOnlyFileLoadsWithoutTexts) {
    std::string path = Write("; L_VER:0\n; L_ID:1031");
    CLanguage language;
    EXPECT_TRUE(language.LoadLanguage(1031, path.c_str()));
    EXPECT_EQ(language.GetTextCount(), 0u);
}

TEST_F(LanguageTest, BadLinesFailTheWholeFile) {
    struct Case {
        const char* line;
        const char* message;
    } cases[] = {
        {"42", "Failure: No separator found!\n"},
        {"  7 indented", "Failure: No head available!\n"},
        {"   ", "Failure: No head available!\n"},
        {"12a3 text", "Failure: Invalid selector format for \"a3\": Character 'a'!\n"},
        {"-1 minus", "Failure: Invalid selector format for \"-1\": Character '-'!\n"},
        {"2147483648 too large", "IsSelectorOK() failed!\n"},
        {"99999999999999999999 too large", "IsSelectorOK() failed!\n"},
    };
    for (const Case& c : cases) {
        std::string path = Write(LanguageFileText(1031, {"1 before", c.line, "2 after"}));
        TraceCapture trace(0);
        CLanguage language;
        EXPECT_FALSE(language.LoadLanguage(1031, path.c_str())) << c.line;
        EXPECT_TRUE(trace.Contains(c.message)) << c.line << "\n" << trace.Text();
        EXPECT_EQ(Text(language, 2), "<none>") << c.line;
    }
}

TEST_F(LanguageTest, LargestSelectorIsAccepted) {
    std::string path = Write(LanguageFileText(1031, {"2147483647 max"}));
    CLanguage language;
    ASSERT_TRUE(language.LoadLanguage(1031, path.c_str()));
    EXPECT_EQ(Text(language, 2147483647), "max");
}

TEST_F(LanguageTest, LoadReplacesEarlierTextsAndKeepsThemOnABadPath) {
    std::string first = Write(LanguageFileText(1031, {"1 one", "2 two"}));
    std::string second = Write(LanguageFileText(1031, {"3 three"}));
    CLanguage language;
    ASSERT_TRUE(language.LoadLanguage(1031, first.c_str()));
    EXPECT_FALSE(language.LoadLanguage(1031, nullptr));
    EXPECT_EQ(Text(language, 1), "one");
    ASSERT_TRUE(language.LoadLanguage(1031, second.c_str()));
    EXPECT_EQ(Text(language, 1), "<none>");
    EXPECT_EQ(Text(language, 3), "three");

    TraceCapture trace(0);
    EXPECT_FALSE(language.LoadLanguage(1031, (m_root.Path() + "/missing.lng").c_str()));
    EXPECT_TRUE(trace.Contains("Failed to open file "));
}

TEST_F(LanguageTest, LookupChecksLanguageAndTextWithoutTouchingTheOutputOnError) {
    std::string path = Write(LanguageFileText(2057, {"1 one"}));
    CLanguage language;
    ASSERT_TRUE(language.LoadLanguage(2057, path.c_str()));

    TraceCapture trace(1);
    LPSTR text = reinterpret_cast<LPSTR>(1);
    EXPECT_FALSE(language.Lookup(1031, 1, &text));
    EXPECT_EQ(text, nullptr);
    EXPECT_TRUE(trace.Contains("Failure: Language 1031 required, but language 2057 loaded!\n"));

    text = reinterpret_cast<LPSTR>(1);
    EXPECT_FALSE(language.Lookup(2057, 9, &text));
    EXPECT_EQ(text, nullptr);
    EXPECT_TRUE(trace.Contains("WARNING: Text 9 for language 2057 not present!\n"));

    EXPECT_FALSE(language.Lookup(2057, 1, nullptr));

    // Each lookup hands out its own copy.
    LPSTR a = nullptr;
    LPSTR b = nullptr;
    ASSERT_TRUE(language.Lookup(2057, 1, &a));
    ASSERT_TRUE(language.Lookup(2057, 1, &b));
    EXPECT_NE(a, b);
    a[0] = 'X';
    EXPECT_STREQ(b, "one");
    std::free(a);
    std::free(b);
}

TEST_F(LanguageTest, IsSelectorOKAcceptsDigitsOnly) {
    CLanguage language;
    EXPECT_TRUE(language.IsSelectorOK("0123456789"));
    EXPECT_FALSE(language.IsSelectorOK("12 3"));
    EXPECT_FALSE(language.IsSelectorOK("\xC3\xA4"));
    EXPECT_FALSE(language.IsSelectorOK(nullptr));
}

}  // namespace
