// Entry and exit lines of the scope tracers.
#include <stdexcept>

#include "platform/win32/Threads.h"
#include "tests/trace/TraceCapture.h"

namespace {

HRESULT ReturnsFailure() {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("ReturnsFailure", hr);
    hr = E_FAIL;
    return hr;
}

BOOL ReturnsBool(BOOL value) {
    BOOL bResult = FALSE;
    TRACE_FUNC_BOOL("ReturnsBool", bResult);
    bResult = value;
    return bResult;
}

void Throws() {
    HRESULT hr = E_OUTOFMEMORY;
    TRACE_FUNC_RESULT("Throws", hr);
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

std::string Hex(uintptr_t p) {
    char buf[32];
    snprintf(buf, sizeof buf, "%08lx", (unsigned long)p);
    return buf;
}

}  // namespace

TEST_F(TraceTest, FunctionEntryIsPrefixPlusTextAndExitIsUnprefixed) {
    SetTraceModule("QRV");
    { TRACE_FUNC_VOID("InitInstance"); }
    auto p = Pieces();
    ASSERT_EQ(p.size(), 3u);
    EXPECT_TRUE(IsPrefixed(p[0], "C[QRV-TraceScopeTest.cpp:", "] ")) << p[0];
    EXPECT_EQ(p[1], "-->InitInstance()\n");
    EXPECT_EQ(p[2], "<--InitInstance()\n");
}

TEST_F(TraceTest, ResultIsTheReturnedValueInHexWithoutZeros) {
    EXPECT_EQ(ReturnsFailure(), E_FAIL);
    auto p = Pieces();
    ASSERT_EQ(p.size(), 3u);
    EXPECT_EQ(p[1], "-->ReturnsFailure()\n");
    EXPECT_EQ(p[2], "<--ReturnsFailure(), ret = 80004005\n");
    Clear();
    ULONG count = 0;
    { TRACE_FUNC_RESULT("Count", count); }
    EXPECT_EQ(Pieces().back(), "<--Count(), ret = 0\n");
    Clear();
    LONG negative = -2;
    { TRACE_FUNC_RESULT("Negative", negative); }
    EXPECT_EQ(Pieces().back(), "<--Negative(), ret = fffffffe\n");
}

TEST_F(TraceTest, PointerResultInFullWidth) {
    int object = 0;
    int* result = nullptr;
    {
        TRACE_FUNC_RESULT("GetObject", result);
        result = &object;
    }
    char expected[64];
    snprintf(expected, sizeof expected, "<--GetObject(), ret = %lx\n", (unsigned long)(uintptr_t)&object);
    EXPECT_EQ(Pieces().back(), expected);
}

TEST_F(TraceTest, BoolResult) {
    ReturnsBool(TRUE);
    EXPECT_EQ(Pieces().back(), "<--ReturnsBool(), ret = TRUE\n");
    ReturnsBool(FALSE);
    EXPECT_EQ(Pieces().back(), "<--ReturnsBool(), ret = FALSE\n");
    ReturnsBool(42);  // any non-zero value
    EXPECT_EQ(Pieces().back(), "<--ReturnsBool(), ret = TRUE\n");
}

TEST_F(TraceTest, ConstructorAndDestructorShowTheObject) {
    uintptr_t address = 0;
    {
        CTraced t;
        address = (uintptr_t)&t;
    }
    auto p = Pieces();
    ASSERT_EQ(p.size(), 6u);
    EXPECT_EQ(p[1], "-->CTraced::CTraced(" + Hex(address) + ")\n");
    EXPECT_EQ(p[2], "<--CTraced::CTraced()\n");
    EXPECT_EQ(p[4], "-->CTraced::~CTraced(" + Hex(address) + ")\n");
    EXPECT_EQ(p[5], "<--CTraced::~CTraced()\n");
}

TEST_F(TraceTest, ExitLineDuringUnwinding) {
    EXPECT_THROW(Throws(), std::runtime_error);
    EXPECT_EQ(Pieces().back(), "<--Throws(), ret = 8007000e\n");
}

TEST_F(TraceTest, ThreadIdFormsPrefixTheExitLines) {
    char tid[32];
    snprintf(tid, sizeof tid, "[0x%lx] ", (unsigned long)GetCurrentThreadId());
    uintptr_t address = 0;
    {
        CLanguageFileLike f;
        address = (uintptr_t)&f;
        f.Load();
        f.Close();
    }
    auto p = Pieces();
    ASSERT_EQ(p.size(), 12u);
    EXPECT_EQ(p[1], "-->CLanguageFile::CLanguageFile(" + Hex(address) + ")\n");
    EXPECT_EQ(p[2], std::string(tid) + "<--CLanguageFile::CLanguageFile()\n");
    EXPECT_EQ(p[4], "-->Load()\n");
    EXPECT_EQ(p[5], std::string(tid) + "<--Load(), ret = 0\n");
    EXPECT_EQ(p[7], "-->Close()\n");
    EXPECT_EQ(p[8], std::string(tid) + "<--Close()\n");
    EXPECT_EQ(p[10], "-->CLanguageFile::~CLanguageFile(" + Hex(address) + ")\n");
    EXPECT_EQ(p[11], std::string(tid) + "<--CLanguageFile::~CLanguageFile()\n");
}

TEST_F(TraceTest, ScopesAreSilentBelowCallLevel) {
    SetTraceLevel(TRACE_DATA);
    ReturnsFailure();
    { CTraced t; }
    EXPECT_TRUE(Pieces().empty());
}
