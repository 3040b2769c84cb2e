// Trace pieces: level filter, prefix, undefined levels, cut-off, last error, data dumps, and the
// entry and exit lines of the scope tracers.
#include <functional>
#include <stdexcept>

#include "platform/mapi/MAPIDefs.h"
#include "platform/win32/Threads.h"
#include "tests/trace/TraceCapture.h"

namespace {

int g_evaluated = 0;
int Evaluate() {
    return ++g_evaluated;
}

template <class T>
void Returns(T value) {
    T result{};
    TRACE_FUNC_RESULT("F", result);
    result = value;
}

void ReturnsBool(BOOL value) {
    BOOL bResult = FALSE;
    TRACE_FUNC_BOOL("F", bResult);
    bResult = value;
}

void Throws() {
    HRESULT hr = E_OUTOFMEMORY;
    TRACE_FUNC_RESULT("F", hr);
    throw std::runtime_error("unwind");
}

struct CTraced {
    CTraced() { TRACE_CTOR("CTraced"); }
    ~CTraced() { TRACE_DTOR("CTraced"); }
};

struct CLanguageFileLike {
    CLanguageFileLike() { TRACE_CTOR_TID("CLanguageFile"); }
    ~CLanguageFileLike() { TRACE_DTOR_TID("CLanguageFile"); }
    HRESULT Load() {
        HRESULT hr = S_OK;
        TRACE_FUNC_RESULT_TID("Load", hr);
        return hr;
    }
    void Close() { TRACE_FUNC_VOID_TID("Close"); }
};

std::string Hex(const char* format, const void* p) {
    char buf[32];
    snprintf(buf, sizeof buf, format, (unsigned long)(uintptr_t)p);
    return buf;
}

}  // namespace

TEST_F(TraceTest, PrefixHoldsTimeLetterModuleFileAndLine) {
    SetTraceModule("QRV");
    Trace("C:\\src\\engine\\Search.cpp", 120, TRACE_ERROR, "Failed: hr = 0x%08lx\n", E_FAIL);
    Trace("/work/main/model/ConfigInfo.cpp", 7, TRACE_WARNING, "w\n");
    Trace("mixed/dir\\Name.cpp", 1, TRACE_DATA, "d\n");
    Trace("plain.cpp", 2, TRACE_CALL, "c\n");
    Trace(nullptr, 3, TRACE_INFO, "i\n");  // level 4 is above the current 3: not written
    auto p = Take();
    ASSERT_EQ(p.size(), 4u);
    EXPECT_TRUE(IsPrefixed(p[0], "E[QRV-Search.cpp:120", "] Failed: hr = 0x80004005\n")) << p[0];
    EXPECT_TRUE(IsPrefixed(p[1], "W[QRV-ConfigInfo.cpp:7", "] w\n")) << p[1];
    EXPECT_TRUE(IsPrefixed(p[2], "D[QRV-Name.cpp:1", "] d\n")) << p[2];
    EXPECT_TRUE(IsPrefixed(p[3], "C[QRV-plain.cpp:2", "] c\n")) << p[3];
    SetTraceLevel(TRACE_INFO);
    Trace("x.cpp", 3, TRACE_INFO, "i\n");
    EXPECT_TRUE(IsPrefixed(Take().back(), "I[QRV-x.cpp:3", "] i\n"));
}

TEST_F(TraceTest, LevelFilterIsSignedAndInclusiveAndSkipsTheArguments) {
    EXPECT_EQ(SetTraceLevel(0), TRACE_CALL);
    g_evaluated = 0;
    QTRACE(TRACE_ERROR, "e %d\n", Evaluate());
    QTRACE(TRACE_WARNING, "w %d\n", Evaluate());
    QTRACE_RAW(TRACE_CALL, "c %d\n", Evaluate());
    EXPECT_EQ(Take().size(), 1u);
    EXPECT_EQ(g_evaluated, 1);
    SetTraceLevel(-1);
    QTRACE(TRACE_ERROR, "nothing at all\n");
    QTRACE_RAW(TRACE_ERROR, "nothing at all\n");
    EXPECT_TRUE(Take().empty());
}

TEST_F(TraceTest, UndefinedLevelsAreWrittenWithUAfterAWarning) {
    // With the current level at -1 the level-0 warning is itself filtered out.
    const struct {
        LONG current, level;
        bool warned, written;
    } cases[] = {{7, 7, true, true}, {6, 7, false, false}, {0, -1, true, true}, {-1, -1, false, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.current) + "/" + std::to_string(c.level));
        SetTraceLevel(c.current);
        QTRACE(c.level, "text\n");
        auto p = Take();
        ASSERT_EQ(p.size(), size_t(c.warned) + size_t(c.written));
        EXPECT_TRUE(!c.warned || IsPrefixed(p[0], "E[-Trace.cpp:",
                                            "] *** **** Undefined trace level " + std::to_string(c.level) +
                                                " used -> using specifier 'U'!\n"))
            << p[0];
        EXPECT_TRUE(!c.written || IsPrefixed(p.back(), "U[-TraceTest.cpp:", "] text\n")) << p.back();
    }
    // Raw pieces have no letter and no check.
    QTRACE_RAW(-1, "raw\n");
    EXPECT_EQ(Take(), std::vector<std::string>{"raw\n"});
}

TEST_F(TraceTest, LongMessageIsCutButWritten) {
    std::string longText(3000, 'x');
    QTRACE(TRACE_ERROR, "%s\n", longText);
    QTRACE_RAW(TRACE_ERROR, "%s\n", longText);
    auto p = Take();
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
    EXPECT_NE(Take()[0].find("Error code 5\n"), std::string::npos);
}

TEST_F(TraceTest, BadFormatIsWrittenLiterally) {
    QTRACE(TRACE_ERROR, "Failed to load language (ID:%ld, path=\"%s\")!\n", 1031);
    std::string piece = TakeAll();
    EXPECT_NE(piece.find("(ID:1031, path=\"%s\")!\n"), std::string::npos) << piece;
}

TEST_F(TraceTest, GuidAndNamedPropertyDumpsAtDataLevel) {
    GUID g = {0x00020329, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
    const std::string text = "00020329-0000-0000-c000000000000046\n";
    WCHAR name[] = u"Keywords";
    MAPINAMEID byName{&g, MNID_STRING, {}};
    byName.Kind.lpwstrName = name;
    MAPINAMEID byId{&g, MNID_ID, {}};
    byId.Kind.lID = 0x8083;
    MAPINAMEID noGuid{nullptr, MNID_ID, {}};
    TraceGUID(&g);
    EXPECT_EQ(TakeAll(), text);
    TraceGUID(nullptr);
    EXPECT_EQ(TakeAll(), "NULL\n");
    TraceNamedPropID(&byName);
    EXPECT_EQ(TakeAll(), "guid=" + text + "name=Keywords\n");
    TraceNamedPropID(&byId);
    EXPECT_EQ(TakeAll(), "guid=" + text + "id=8083\n");
    TraceNamedPropID(&noGuid);
    EXPECT_EQ(TakeAll(), "guid=NULL\nid=0\n");
    TraceNamedPropID(nullptr);
    EXPECT_EQ(TakeAll(), "NULL\n");
    SetTraceLevel(TRACE_WARNING);
    TraceGUID(&g);
    TraceNamedPropID(&byName);
    EXPECT_TRUE(Take().empty());
}

TEST_F(TraceTest, EntryIsPrefixPlusTextAndExitShowsTheValueReturned) {
    int object = 0;
    const struct {
        std::function<void()> run;
        std::string exit;
    } cases[] = {
        {[] { TRACE_FUNC_VOID("F"); }, "<--F()\n"},
        {[] { Returns<HRESULT>(E_FAIL); }, "<--F(), ret = 80004005\n"},
        {[] { Returns<ULONG>(0); }, "<--F(), ret = 0\n"},
        {[] { Returns<LONG>(-2); }, "<--F(), ret = fffffffe\n"},
        {[&] { Returns<int*>(&object); }, "<--F(), ret = " + Hex("%lx", &object) + "\n"},  // full width
        {[] { ReturnsBool(TRUE); }, "<--F(), ret = TRUE\n"},
        {[] { ReturnsBool(FALSE); }, "<--F(), ret = FALSE\n"},
        {[] { ReturnsBool(42); }, "<--F(), ret = TRUE\n"},
        {[] { EXPECT_THROW(Throws(), std::runtime_error); }, "<--F(), ret = 8007000e\n"},  // unwinding
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.exit);
        c.run();
        auto p = Take();
        ASSERT_EQ(p.size(), 3u);
        EXPECT_TRUE(IsPrefixed(p[0], "C[-TraceTest.cpp:", "] ")) << p[0];
        EXPECT_EQ(p[1], "-->F()\n");
        EXPECT_EQ(p[2], c.exit);
    }
}

TEST_F(TraceTest, ObjectsShowTheirAddressAndThreadIdFormsPrefixTheExitLines) {
    const std::string tid = Hex("[0x%lx] ", (const void*)(uintptr_t)GetCurrentThreadId());
    std::string traced, file;
    {
        CTraced t;
        CLanguageFileLike f;
        traced = Hex("%08lx", &t);
        file = Hex("%08lx", &f);
        f.Load();
        f.Close();
    }
    auto p = Take();
    ASSERT_EQ(p.size(), 18u);
    std::vector<std::string> lines;
    for (size_t i = 0; i < p.size(); i += 3) {
        EXPECT_TRUE(IsPrefixed(p[i], "C[-TraceTest.cpp:", "] ")) << p[i];
        lines.insert(lines.end(), {p[i + 1], p[i + 2]});
    }
    EXPECT_EQ(
        lines,
        (std::vector<std::string>{
            "-->CTraced::CTraced(" + traced + ")\n", "<--CTraced::CTraced()\n",
            "-->CLanguageFile::CLanguageFile(" + file + ")\n", tid + "<--CLanguageFile::CLanguageFile()\n",
            "-->Load()\n", tid + "<--Load(), ret = 0\n", "-->Close()\n", tid + "<--Close()\n",
            "-->CLanguageFile::~CLanguageFile(" + file + ")\n", tid + "<--CLanguageFile::~CLanguageFile()\n",
            "-->CTraced::~CTraced(" + traced + ")\n", "<--CTraced::~CTraced()\n"}));
}

TEST_F(TraceTest, ScopesAreSilentBelowCallLevel) {
    SetTraceLevel(TRACE_DATA);
    Returns<HRESULT>(E_FAIL);
    {
        CTraced t;
        CLanguageFileLike f;
    }
    EXPECT_TRUE(Take().empty());
}
