// Reading a language file: the line reader, numbers and the header checks, then the text pass of
// one language over the file and the lookup of a text.
#include <sys/stat.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "language/Language.h"
#include "language/LanguageFile.h"
#include "tests/language/LanguageTestSupport.h"
#include "tests/support/HangGuard.h"

using qrvtest::LanguageFileText;
using qrvtest::TraceCapture;

namespace {

using LanguageFileTest = qrvtest::LanguageFilesTest;

TEST_F(LanguageFileTest, GetLineDropsCarriageReturnsAndReturnsNoneBehindTheEnd) {
    std::string path = Write("; L_VER:0\r\n; L_ID:7\r\nab\rc\r\n\nlast");
    CLanguageFile file;
    ASSERT_TRUE(file.OpenFile(path.c_str(), "r"));
    LPSTR line = nullptr;
    for (const char* text : {"; L_ID:7", "abc", "", "last"}) {
        ASSERT_TRUE(file.GetLine(&line));
        ASSERT_NE(line, nullptr);
        EXPECT_STREQ(line, text);
    }
    EXPECT_TRUE(file.IsEOF());
    // Behind the end the previous line is released, never handed back a second time.
    ASSERT_TRUE(file.GetLine(&line));
    EXPECT_EQ(line, nullptr);
    EXPECT_FALSE(file.GetLine(nullptr));
}

TEST_F(LanguageFileTest, LinesOfAnyLengthAreReadWholeAcrossEveryGrowthOfTheBuffer) {
    // Lengths around the first buffer sizes, then a line of several megabytes with carriage
    // returns spread through it, which are dropped wherever they stand.
    std::vector<std::string> lines;
    for (size_t n : {78u, 79u, 80u, 81u, 159u, 160u, 161u, 319u, 320u, 641u})
        lines.push_back(std::string(n, 'a'));
    std::string huge;
    huge.reserve(6u << 20);
    for (size_t i = 0; huge.size() < (6u << 20); ++i)
        huge += static_cast<char>('!' + i % 90);
    lines.push_back(huge);
    std::string content = "; L_VER:0\n; L_ID:7\n";
    for (const std::string& line : lines) {
        std::string written = line;
        for (size_t pos = 0; pos < written.size(); pos += 65536)
            written.insert(pos, "\r");
        content += written + "\n";
    }
    CLanguageFile file;
    ASSERT_TRUE(file.OpenFile(Write(content).c_str(), "r"));
    LPSTR line = nullptr;
    ASSERT_TRUE(file.GetLine(&line));
    for (const std::string& expected : lines) {
        ASSERT_TRUE(file.GetLine(&line));
        ASSERT_NE(line, nullptr);
        EXPECT_EQ(std::string(line), expected);
    }
    std::free(line);
}

TEST_F(LanguageFileTest, GetNumericValueReadsDigitsUpToBlankTabOrEndWithin32Bits) {
    CLanguageFile file;
    LONG value = -5;
    EXPECT_TRUE(file.GetNumericValue("2057 English", &value));
    EXPECT_EQ(value, 2057);
    EXPECT_TRUE(file.GetNumericValue(" 1031", &value));  // empty number before the blank
    EXPECT_EQ(value, 0);
    EXPECT_TRUE(file.GetNumericValue("2147483647\tx", &value));
    EXPECT_EQ(value, 2147483647);
    value = 99;
    for (const char* bad : {"10a1", "-1", "2147483648", "99999999999999999999999"})
        EXPECT_FALSE(file.GetNumericValue(bad, &value)) << bad;
    EXPECT_EQ(value, 99);
}

TEST_F(LanguageFileTest, OpenFileRefusesBadHeadersWithTheirMessages) {
    struct Case {
        const char* content;
        const char* message;
    } cases[] = {
        {"L_VER:0\n; L_ID:1\n", "Failure: Invalid file format!\n"},
        {"; version 0\n; L_ID:1\n", "Failure: Invalid file format (2)t!\n"},
        {"; L_VER:\n; L_ID:1\n", "Failure: Invalid file format(3)!\n"},
        {"; L_VER:0x\n; L_ID:1\n", "Failure: Invalid number format!\n"},
        {"; L_VER:0\n1 text\n", "ReadLanguageID() failed!\n"},
        {"; L_VER:0\n; no id", "Failure: GetLine() returned NULL!\n"},
        {"", "Failure: Invalid file format!\n"},
    };
    for (const Case& c : cases) {
        std::string path = Write(c.content);
        TraceCapture trace(0);
        CLanguageFile file;
        EXPECT_FALSE(file.OpenFile(path.c_str(), "r")) << c.content;
        EXPECT_TRUE(trace.Contains(c.message)) << c.content << "\n" << trace.Text();
    }
    CLanguageFile file;
    EXPECT_FALSE(file.OpenFile((m_root.Path() + "/missing.lng").c_str(), "r"));
}

TEST_F(LanguageFileTest, IsCapableToLoadChecksVersionAndReportsTheFirstId) {
    CLanguageFile file;
    LONG id = 0;
    // A blank after "L_VER:" reads as version 0; of two ids the check reports the first.
    EXPECT_TRUE(file.IsCapableToLoad(Write("; L_VER: 5\n; L_ID:1031\n; L_ID:2057\n").c_str(), &id));
    EXPECT_EQ(id, 1031);

    TraceCapture trace(1);
    id = 0;
    EXPECT_FALSE(file.IsCapableToLoad(Write("; L_VER:3\n; L_ID:2057\n").c_str(), &id));
    EXPECT_EQ(id, 2057);  // reported also for an unsupported version
    EXPECT_TRUE(trace.Contains("Version number 3 unsupported!\n"));

    id = 77;
    EXPECT_FALSE(file.IsCapableToLoad(Write("; L_VER:0\n; L_ID:10x1\n").c_str(), &id));
    EXPECT_EQ(id, 77);
}

TEST_F(LanguageFileTest, AFifoOrADeviceNamedAsALanguageFileIsRefusedAtOnce) {
    const std::string fifo = m_root.Path() + "/Pipe.lng";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    qrvtest::HangGuard guard("reading a FIFO as a language file");
    for (const std::string& path : {fifo, std::string("/dev/zero"), m_root.Path()}) {
        TraceCapture trace(0);
        CLanguageFile file;
        LONG id = 77;
        EXPECT_FALSE(file.IsCapableToLoad(path.c_str(), &id)) << path;
        EXPECT_EQ(id, 77);
        EXPECT_TRUE(trace.Contains("fopen(" + path + ", 'r') failed!\n")) << trace.Text();
        EXPECT_FALSE(file.OpenFile(path.c_str(), "r")) << path;
        EXPECT_TRUE(trace.Contains("fopen(" + path + ", r) failed!\n")) << trace.Text();
    }
}

TEST_F(LanguageFileTest, CheckOnAReaderKeepsItsOwnFileAndAnEndOfFileStaysUntilClosed) {
    // The check of a header-only file runs into its end; the same reader must then still read the
    // file it has open. The end a file's own id scan met stays met: rewinding does not forget it.
    std::string own = Write("; L_VER:0\n; L_ID:1031\n1 Eins\n");
    std::string headerOnly = Write("; L_VER:0\n; L_ID:2057");
    CLanguageFile file;
    ASSERT_TRUE(file.OpenFile(own.c_str(), "r"));
    LONG id = 0;
    ASSERT_TRUE(file.IsCapableToLoad(headerOnly.c_str(), &id));
    EXPECT_EQ(file.GetLanguageID(), 1031);
    EXPECT_FALSE(file.IsEOF());
    LPSTR line = nullptr;
    ASSERT_TRUE(file.GetLine(&line));
    EXPECT_STREQ(line, "; L_ID:1031");

    ASSERT_TRUE(file.OpenFile(headerOnly.c_str(), "r"));
    EXPECT_TRUE(file.IsEOF());
    ASSERT_TRUE(file.GetLine(&line));
    EXPECT_EQ(line, nullptr);
    EXPECT_TRUE(file.CloseFile());
    EXPECT_FALSE(file.IsEOF());
}

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
