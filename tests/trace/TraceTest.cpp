// Trace pieces: level filter, prefix, undefined levels, cut-off, last error, data dumps.
#include "platform/mapi/MAPIDefs.h"
#include "tests/trace/TraceCapture.h"

namespace {

int g_evaluated = 0;
int Evaluate() {
    ++g_evaluated;
    return 1;
}

}  // namespace

TEST_F(TraceTest, PrefixHoldsTimeLetterModuleFileAndLine) {
    SetTraceModule("QRV");
    Trace("C:\\src\\engine\\Search.cpp", 120, TRACE_ERROR, "Failed: hr = 0x%08lx\n", E_FAIL);
    Trace("/work/main/model/ConfigInfo.cpp", 7, TRACE_WARNING, "w\n");
    Trace("mixed/dir\\Name.cpp", 1, TRACE_DATA, "d\n");
    Trace("plain.cpp", 2, TRACE_CALL, "c\n");
    Trace(nullptr, 3, TRACE_INFO, "i\n");  // level 4 is above the current 3: not written
    auto p = Pieces();
    ASSERT_EQ(p.size(), 4u);
    EXPECT_TRUE(IsPrefixed(p[0], "E[QRV-Search.cpp:120", "] Failed: hr = 0x80004005\n")) << p[0];
    EXPECT_TRUE(IsPrefixed(p[1], "W[QRV-ConfigInfo.cpp:7", "] w\n")) << p[1];
    EXPECT_TRUE(IsPrefixed(p[2], "D[QRV-Name.cpp:1", "] d\n")) << p[2];
    EXPECT_TRUE(IsPrefixed(p[3], "C[QRV-plain.cpp:2", "] c\n")) << p[3];
    SetTraceLevel(TRACE_INFO);
    Trace("x.cpp", 3, TRACE_INFO, "i\n");
    EXPECT_TRUE(IsPrefixed(Pieces().back(), "I[QRV-x.cpp:3", "] i\n"));
}

TEST_F(TraceTest, EmptyModuleBeforeStartUp) {
    QTRACE(TRACE_ERROR, "early\n");
    ASSERT_EQ(Pieces().size(), 1u);
    EXPECT_NE(Pieces()[0].find(" E[-TraceTest.cpp:"), std::string::npos) << Pieces()[0];
}

TEST_F(TraceTest, LevelFilterIsSignedAndInclusive) {
    EXPECT_EQ(SetTraceLevel(0), TRACE_CALL);
    EXPECT_EQ(GetTraceLevel(), 0);
    QTRACE(TRACE_ERROR, "e\n");
    QTRACE(TRACE_WARNING, "w\n");
    QTRACE_RAW(TRACE_CALL, "c\n");
    EXPECT_EQ(Pieces().size(), 1u);
    Clear();
    SetTraceLevel(-1);
    QTRACE(TRACE_ERROR, "nothing at all\n");
    QTRACE_RAW(TRACE_ERROR, "nothing at all\n");
    EXPECT_TRUE(Pieces().empty());
}

TEST_F(TraceTest, DisabledPiecesEvaluateNoArgument) {
    SetTraceLevel(TRACE_ERROR);
    g_evaluated = 0;
    QTRACE(TRACE_CALL, "%d\n", Evaluate());
    QTRACE_RAW(TRACE_INFO, "%d\n", Evaluate());
    EXPECT_EQ(g_evaluated, 0);
    QTRACE(TRACE_ERROR, "%d\n", Evaluate());
    EXPECT_EQ(g_evaluated, 1);
}

TEST_F(TraceTest, UndefinedLevelAboveFour) {
    SetTraceLevel(7);
    QTRACE(7, "seven\n");
    auto p = Pieces();
    ASSERT_EQ(p.size(), 2u);
    EXPECT_TRUE(IsPrefixed(
        p[0], "E[-Trace.cpp:", "] *** **** Undefined trace level 7 used -> using specifier 'U'!\n"))
        << p[0];
    EXPECT_TRUE(IsPrefixed(p[1], "U[-TraceTest.cpp:", "] seven\n")) << p[1];
    // Not enabled below level 7.
    Clear();
    SetTraceLevel(6);
    QTRACE(7, "x\n");
    EXPECT_TRUE(Pieces().empty());
}

TEST_F(TraceTest, UndefinedNegativeLevel) {
    SetTraceLevel(0);
    QTRACE(-1, "minus\n");
    auto p = Pieces();
    ASSERT_EQ(p.size(), 2u);
    EXPECT_NE(p[0].find("Undefined trace level -1 used"), std::string::npos);
    EXPECT_NE(p[1].find(" U[-"), std::string::npos);
    // With the current level at -1 the level-0 warning is itself filtered out.
    Clear();
    SetTraceLevel(-1);
    QTRACE(-1, "minus\n");
    p = Pieces();
    ASSERT_EQ(p.size(), 1u);
    EXPECT_NE(p[0].find(" U[-"), std::string::npos);
    // Raw pieces have no letter and no check.
    Clear();
    QTRACE_RAW(-1, "raw\n");
    EXPECT_EQ(Pieces(), std::vector<std::string>{"raw\n"});
}

TEST_F(TraceTest, LongMessageIsCutButWritten) {
    std::string longText(3000, 'x');
    QTRACE(TRACE_ERROR, "%s\n", longText);
    QTRACE_RAW(TRACE_ERROR, "%s\n", longText);
    auto p = Pieces();
    ASSERT_EQ(p.size(), 2u);
    size_t prefixEnd = p[0].find("] ") + 2;
    EXPECT_EQ(p[0].size() - prefixEnd, 1023u);
    EXPECT_EQ(p[1].size(), 1023u);
    EXPECT_EQ(p[1].back(), 'x');  // the line feed was cut away with the rest
}

TEST_F(TraceTest, LastErrorSurvivesTracing) {
    SetLastError(ERROR_ACCESS_DENIED);
    QTRACE(TRACE_ERROR, "CreateEvent() failed: Error code %ld\n", GetLastError());
    QTRACE_RAW(TRACE_ERROR, "raw\n");
    { TRACE_FUNC_VOID("Scoped"); }
    QTRACE(7, "undefined level\n");
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_ACCESS_DENIED);
    EXPECT_NE(Pieces()[0].find("Error code 5\n"), std::string::npos);
}

TEST_F(TraceTest, BadFormatIsWrittenLiterally) {
    QTRACE(TRACE_ERROR, "Failed to load language (ID:%ld, path=\"%s\")!\n", 1031);
    EXPECT_NE(Pieces()[0].find("(ID:1031, path=\"%s\")!\n"), std::string::npos) << Pieces()[0];
}

TEST_F(TraceTest, GuidDump) {
    GUID g = {0x00062004, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
    TraceGUID(&g);
    EXPECT_EQ(All(), "00062004-0000-0000-c000000000000046\n");
    Clear();
    TraceGUID(nullptr);
    EXPECT_EQ(All(), "NULL\n");
    Clear();
    SetTraceLevel(TRACE_WARNING);
    TraceGUID(&g);
    EXPECT_TRUE(Pieces().empty());
}

TEST_F(TraceTest, NamedPropertyDump) {
    GUID g = {0x00020329, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
    WCHAR name[] = u"Keywords";
    MAPINAMEID byName{&g, MNID_STRING, {}};
    byName.Kind.lpwstrName = name;
    MAPINAMEID byId{&g, MNID_ID, {}};
    byId.Kind.lID = 0x8083;
    TraceNamedPropID(&byName);
    EXPECT_EQ(All(), "guid=00020329-0000-0000-c000000000000046\nname=Keywords\n");
    Clear();
    TraceNamedPropID(&byId);
    EXPECT_EQ(All(), "guid=00020329-0000-0000-c000000000000046\nid=8083\n");
    Clear();
    MAPINAMEID noGuid{nullptr, MNID_ID, {}};
    TraceNamedPropID(&noGuid);
    EXPECT_EQ(All(), "guid=NULL\nid=0\n");
    Clear();
    TraceNamedPropID(nullptr);
    EXPECT_EQ(All(), "NULL\n");
}
