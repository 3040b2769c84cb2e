// Entry and exit lines of the scope tracers.
#include <functional>
#include <stdexcept>

#include "platform/win32/Threads.h"
#include "tests/trace/TraceCapture.h"

namespace {

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
        EXPECT_TRUE(IsPrefixed(p[0], "C[-TraceScopeTest.cpp:", "] ")) << p[0];
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
        EXPECT_TRUE(IsPrefixed(p[i], "C[-TraceScopeTest.cpp:", "] ")) << p[i];
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
