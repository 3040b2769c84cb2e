// The language file reader: the line reader, line splitting, numbers and the header checks.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "language/LanguageFile.h"
#include "tests/language/LanguageTestSupport.h"

using qrvtest::HeapText;
using qrvtest::TempRoot;
using qrvtest::TraceCapture;

namespace {

class LanguageFileTest : public ::testing::Test {
protected:
    std::string Write(const std::string& name, const std::string& content) {
        return m_root.WriteFile("lang/" + name, content);
    }
    TempRoot m_root;
};

TEST_F(LanguageFileTest, GetLineDropsCarriageReturnsAndReadsTheLastLineWithoutLineFeed) {
    std::string path = Write("a.lng", "; L_VER:0\r\n; L_ID:7\r\nab\rc\r\n\nlast");
    CLanguageFile file;
    ASSERT_TRUE(file.OpenFile(path.c_str(), "r"));
    LPSTR line = nullptr;
    const char* expected[] = {"; L_ID:7", "abc", "", "last"};
    for (const char* text : expected) {
        ASSERT_TRUE(file.GetLine(&line));
        ASSERT_NE(line, nullptr);
        EXPECT_STREQ(line, text);
    }
    EXPECT_TRUE(file.IsEOF());
    // Behind the end: success, and the previous line is released rather than handed back again.
    ASSERT_TRUE(file.GetLine(&line));
    EXPECT_EQ(line, nullptr);
    ASSERT_TRUE(file.GetLine(&line));
    EXPECT_EQ(line, nullptr);
}

TEST_F(LanguageFileTest, GetLineReadsVeryLongLinesWhole) {
    std::string longText(10000, 'x');
    longText[4999] = 'M';
    std::string path = Write("long.lng", "; L_VER:0\n; L_ID:7\n1 " + longText + "\n2 after\n");
    CLanguageFile file;
    ASSERT_TRUE(file.OpenFile(path.c_str(), "r"));
    LPSTR line = nullptr;
    ASSERT_TRUE(file.GetLine(&line));  // line 2, the id line
    ASSERT_TRUE(file.GetLine(&line));
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(std::string(line), "1 " + longText);
    ASSERT_TRUE(file.GetLine(&line));
    EXPECT_STREQ(line, "2 after");
    std::free(line);
}

TEST_F(LanguageFileTest, GetLineRejectsNullAndUnopenedFile) {
    CLanguageFile file;
    EXPECT_FALSE(file.GetLine(nullptr));
    LPSTR line = static_cast<LPSTR>(std::malloc(4));
    EXPECT_FALSE(file.GetLine(&line));
    EXPECT_EQ(line, nullptr);
}

TEST_F(LanguageFileTest, SplitLineSplitsAtTheFirstRunOfSeparators) {
    CLanguageFile file;
    LPSTR head = nullptr;
    LPSTR tail = nullptr;
    ASSERT_TRUE(file.SplitLine("17\t\tOpen file  ", &head, &tail, "\t "));
    EXPECT_STREQ(head, "17");
    EXPECT_STREQ(tail, "Open file  ");
    std::free(head);
    std::free(tail);

    ASSERT_TRUE(file.SplitLine("5 \t ", &head, &tail, "\t "));
    EXPECT_STREQ(head, "5");
    EXPECT_STREQ(tail, "");
    std::free(head);
    std::free(tail);

    ASSERT_TRUE(file.SplitLine("3 a\\nb c", &head, &tail, "\t "));
    EXPECT_STREQ(tail, "a\\nb c");  // no escapes interpreted here
    std::free(head);
    std::free(tail);
}

TEST_F(LanguageFileTest, SplitLineFailsWithoutHeadOrSeparatorAndLeavesNothingAllocated) {
    CLanguageFile file;
    for (const char* line : {"", " 17 text", "   ", "42"}) {
        LPSTR head = reinterpret_cast<LPSTR>(1);
        LPSTR tail = reinterpret_cast<LPSTR>(1);
        EXPECT_FALSE(file.SplitLine(line, &head, &tail, "\t ")) << line;
        EXPECT_EQ(head, nullptr);
        EXPECT_EQ(tail, nullptr);
    }
    LPSTR head = nullptr;
    LPSTR tail = nullptr;
    EXPECT_FALSE(file.SplitLine(nullptr, &head, &tail, "\t "));
    EXPECT_FALSE(file.SplitLine("1 a", &head, &tail, nullptr));
}

TEST_F(LanguageFileTest, IsCharInNeverMatchesTheTerminatingZero) {
    CLanguageFile file;
    EXPECT_TRUE(file.IsCharIn(' ', "\t "));
    EXPECT_FALSE(file.IsCharIn('x', "\t "));
    EXPECT_FALSE(file.IsCharIn('\0', "\t "));
    EXPECT_FALSE(file.IsCharIn(' ', nullptr));
}

TEST_F(LanguageFileTest, GetNumericValueReadsDigitsUpToBlankTabOrEnd) {
    CLanguageFile file;
    LONG value = -5;
    EXPECT_TRUE(file.GetNumericValue("1031", &value));
    EXPECT_EQ(value, 1031);
    EXPECT_TRUE(file.GetNumericValue("2057 English", &value));
    EXPECT_EQ(value, 2057);
    EXPECT_TRUE(file.GetNumericValue("12\tx", &value));
    EXPECT_EQ(value, 12);
    EXPECT_TRUE(file.GetNumericValue(" 1031", &value));  // empty number before the blank
    EXPECT_EQ(value, 0);
    EXPECT_TRUE(file.GetNumericValue("2147483647", &value));
    EXPECT_EQ(value, 2147483647);
}

TEST_F(LanguageFileTest, GetNumericValueRefusesOtherCharactersAndValuesBeyond32Bits) {
    CLanguageFile file;
    LONG value = 99;
    TraceCapture trace(0);
    EXPECT_FALSE(file.GetNumericValue("10a1", &value));
    EXPECT_TRUE(trace.Contains("Failure: Invalid number format!\n"));
    EXPECT_FALSE(file.GetNumericValue("-1", &value));
    EXPECT_FALSE(file.GetNumericValue("2147483648", &value));
    EXPECT_FALSE(file.GetNumericValue("99999999999999999999999", &value));
    EXPECT_EQ(value, 99);
    EXPECT_FALSE(file.GetNumericValue(nullptr, &value));
}

TEST_F(LanguageFileTest, OpenFileChecksTheHeaderAndStopsAtLine2) {
    std::string path = Write("ok.lng", "; L_VER:0 comment\n; L_ID:1031\t(German)\n1 Eins\n");
    CLanguageFile file;
    ASSERT_TRUE(file.OpenFile(path.c_str(), "r"));
    EXPECT_EQ(file.GetVersion(), 0);
    EXPECT_EQ(file.GetLanguageID(), 1031);
    LPSTR line = nullptr;
    ASSERT_TRUE(file.GetLine(&line));
    EXPECT_STREQ(line, "; L_ID:1031\t(German)");
    std::free(line);
}

TEST_F(LanguageFileTest, OpenFileRefusesBadHeaders) {
    struct Case {
        const char* content;
        const char* message;
    } cases[] = {
        {"L_VER:0\n; L_ID:1\n", "Failure: Invalid file format!\n"},
        {"; version 0\n; L_ID:1\n", "Failure: Invalid file format (2)t!\n"},
        {"; L_VER:\n; L_ID:1\n", "Failure: Invalid file format(3)!\n"},
        {"; L_VER:0x\n; L_ID:1\n", "Failure: Invalid number format!\n"},
        {"; L_VER:0\n1 text\n", "ReadLanguageID() failed!\n"},
        {"; L_VER:0\n; L_ID:\n", "Failure: Invalid file format(3)!\n"},
        {"", "Failure: Invalid file format!\n"},
    };
    int n = 0;
    for (const Case& c : cases) {
        std::string path = Write("bad" + std::to_string(n++) + ".lng", c.content);
        TraceCapture trace(0);
        CLanguageFile file;
        EXPECT_FALSE(file.OpenFile(path.c_str(), "r")) << c.content;
        EXPECT_TRUE(trace.Contains(c.message)) << c.content << "\n" << trace.Text();
    }
    CLanguageFile file;
    EXPECT_FALSE(file.OpenFile((m_root.Path() + "/missing.lng").c_str(), "r"));
    EXPECT_FALSE(file.OpenFile(nullptr, "r"));
    EXPECT_FALSE(file.OpenFile((m_root.Path() + "/x.lng").c_str(), nullptr));
}

TEST_F(LanguageFileTest, IsCapableToLoadAcceptsVersion0AndReportsTheFirstId) {
    std::string path = Write("two.lng", "; L_VER: 5\n; L_ID:1031\n; L_ID:2057\n1 x\n");
    CLanguageFile file;
    LONG id = 0;
    EXPECT_TRUE(file.IsCapableToLoad(path.c_str(), &id));  // a blank after the colon reads as version 0
    EXPECT_EQ(id, 1031);
}

TEST_F(LanguageFileTest, IsCapableToLoadRefusesOtherVersionsButStillReportsTheId) {
    std::string path = Write("v3.lng", "; L_VER:3\n; L_ID:1031\n1 x\n");
    TraceCapture trace(1);
    CLanguageFile file;
    LONG id = 0;
    EXPECT_FALSE(file.IsCapableToLoad(path.c_str(), &id));
    EXPECT_EQ(id, 1031);
    EXPECT_TRUE(trace.Contains("Version number 3 unsupported!\n"));
}

TEST_F(LanguageFileTest, IsCapableToLoadRefusesAnIdWithALetter) {
    std::string path = Write("letter.lng", "; L_VER:0\n; L_ID:10x1\n1 x\n");
    TraceCapture trace(0);
    CLanguageFile file;
    LONG id = 77;
    EXPECT_FALSE(file.IsCapableToLoad(path.c_str(), &id));
    EXPECT_EQ(id, 77);
    EXPECT_TRUE(trace.Contains("Failure: Invalid number format!\n"));
}

TEST_F(LanguageFileTest, IsCapableToLoadKeepsTheReadersOwnFile) {
    std::string own = Write("own.lng", "; L_VER:0\n; L_ID:1031\n1 Eins\n");
    std::string other = Write("other.lng", "; L_VER:0\n; L_ID:2057\n1 One\n");
    CLanguageFile file;
    ASSERT_TRUE(file.OpenFile(own.c_str(), "r"));
    LONG id = 0;
    EXPECT_TRUE(file.IsCapableToLoad(other.c_str(), &id));
    EXPECT_EQ(id, 2057);
    EXPECT_EQ(file.GetLanguageID(), 1031);
    LPSTR line = nullptr;
    ASSERT_TRUE(file.GetLine(&line));
    EXPECT_STREQ(line, "; L_ID:1031");
    std::free(line);
}

TEST_F(LanguageFileTest, HeaderOnlyFileWithoutFinalLineFeedOpensAtItsStart) {
    // The id check runs into the end of the file; reopening must not inherit that end.
    std::string path = Write("header.lng", "; L_VER:0\n; L_ID:1031");
    CLanguageFile file;
    LONG id = 0;
    ASSERT_TRUE(file.IsCapableToLoad(path.c_str(), &id));
    ASSERT_TRUE(file.OpenFile(path.c_str(), "r"));
    EXPECT_FALSE(file.IsEOF());
    LPSTR line = nullptr;
    ASSERT_TRUE(file.GetLine(&line));
    EXPECT_STREQ(line, "; L_ID:1031");
    EXPECT_TRUE(file.IsEOF());
    std::free(line);
}

}  // namespace
