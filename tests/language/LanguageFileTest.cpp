// The language file reader: the line reader, numbers and the header checks.
#include <cstdlib>

#include "language/LanguageFile.h"
#include "tests/language/LanguageTestSupport.h"

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

TEST_F(LanguageFileTest, CheckOnAReaderKeepsItsOwnFileAndNoStaleEndOfFile) {
    // The check of a header-only file runs into its end; the same reader must then still read the
    // file it has open, and a reopened file starts afresh.
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
    EXPECT_FALSE(file.IsEOF());
    ASSERT_TRUE(file.GetLine(&line));
    EXPECT_STREQ(line, "; L_ID:2057");
    std::free(line);
}

}  // namespace
