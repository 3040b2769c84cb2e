// The texts of one language: the text pass over a language file and the lookup of a text.
#include <cstdlib>

#include "language/Language.h"
#include "tests/language/LanguageTestSupport.h"

using qrvtest::LanguageFileText;
using qrvtest::TraceCapture;

namespace {

class LanguageTest : public qrvtest::LanguageFilesTest {
protected:
    static std::string Text(CLanguage& language, LONG textID) {
        LPSTR psz = nullptr;
        language.Lookup(language.GetLanguageID(), textID, &psz);
        return qrvtest::Take(psz);
    }
};

TEST_F(LanguageTest, TextLinesAreReadByteForByte) {
    std::string longText(10000, 'y');
    std::string path = Write(
        "; L_VER:0\r\n; L_ID:1031\r\n17\t\tOpen file  \r\n\r\n; comment\r\n18 Line\\none\n"
        "19 \n0042 leading zeros\n5 first\n5 second\n20 " +
        longText + "\n21 no line feed");
    CLanguage language;
    ASSERT_TRUE(language.LoadLanguage(1031, path.c_str()));
    EXPECT_EQ(Text(language, 17), "Open file  ");
    EXPECT_EQ(Text(language, 18), "Line\\none");  // no escapes interpreted
    EXPECT_EQ(Text(language, 19), "");
    EXPECT_EQ(Text(language, 42), "leading zeros");
    EXPECT_EQ(Text(language, 5), "second");  // the later line of an id wins
    EXPECT_EQ(Text(language, 20), longText);
    EXPECT_EQ(Text(language, 21), "no line feed");
    EXPECT_EQ(language.GetTextCount(), 7u);
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
        {"2147483648 beyond 32 bits", "IsSelectorOK() failed!\n"},
        {"99999999999999999999 beyond 32 bits", "IsSelectorOK() failed!\n"},
    };
    for (const Case& c : cases) {
        std::string path = Write(LanguageFileText(1031, {"1 before", c.line, "2 after"}));
        TraceCapture trace(0);
        CLanguage language;
        EXPECT_FALSE(language.LoadLanguage(1031, path.c_str())) << c.line;
        EXPECT_TRUE(trace.Contains(c.message)) << c.line << "\n" << trace.Text();
        EXPECT_EQ(Text(language, 2), "<null>") << c.line;
    }
    CLanguage language;
    ASSERT_TRUE(language.LoadLanguage(1031, Write(LanguageFileText(1031, {"2147483647 max"})).c_str()));
    EXPECT_EQ(Text(language, 2147483647), "max");
}

TEST_F(LanguageTest, LookupChecksLanguageAndTextAndHandsOutCopies) {
    CLanguage language;
    ASSERT_TRUE(language.LoadLanguage(2057, Write(LanguageFileText(2057, {"1 one"})).c_str()));
    TraceCapture trace(1);
    LPSTR text = reinterpret_cast<LPSTR>(1);
    EXPECT_FALSE(language.Lookup(1031, 1, &text));
    EXPECT_EQ(text, nullptr);
    EXPECT_TRUE(trace.Contains("Failure: Language 1031 required, but language 2057 loaded!\n"));
    EXPECT_FALSE(language.Lookup(2057, 9, &text));
    EXPECT_TRUE(trace.Contains("WARNING: Text 9 for language 2057 not present!\n"));

    LPSTR a = nullptr;
    LPSTR b = nullptr;
    ASSERT_TRUE(language.Lookup(2057, 1, &a));
    ASSERT_TRUE(language.Lookup(2057, 1, &b));
    a[0] = 'X';
    EXPECT_STREQ(b, "one");
    std::free(a);
    std::free(b);
}

}  // namespace
