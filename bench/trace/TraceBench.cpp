// Cost of trace pieces: a disabled level must cost next to nothing, an enabled one a formatting pass.
#include <benchmark/benchmark.h>

#include "platform/win32/DebugOutput.h"
#include "trace/Trace.h"

namespace {

HRESULT Traced(HRESULT in) {
    HRESULT hr = in;
    TRACE_FUNC_RESULT("Traced", hr);
    if (FAILED(hr))
        QTRACE(TRACE_ERROR, "OpenStore() failed: hr = 0x%08lx\n", hr);
    return hr;
}

void BM_DisabledPiece(benchmark::State& state) {
    SetTraceLevel(TRACE_ERROR);
    int i = 0;
    for (auto _ : state) {
        QTRACE(TRACE_CALL, "Value %d of %s\n", ++i, "name");
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_DisabledPiece);

void BM_DisabledScope(benchmark::State& state) {
    SetTraceLevel(TRACE_ERROR);
    for (auto _ : state)
        benchmark::DoNotOptimize(Traced(S_OK));
}
BENCHMARK(BM_DisabledScope);

// Enabled pieces, with the debugger output going nowhere: the formatting cost alone.
void BM_EnabledPiece(benchmark::State& state) {
    bool echo = SetDebugOutputEcho(false);
    SetTraceLevel(TRACE_CALL);
    SetTraceModule("QRV");
    int i = 0;
    for (auto _ : state)
        QTRACE(TRACE_ERROR, "Failed to load language (ID:%ld, path=\"%s\")!\n", ++i,
               "/opt/quorvel/lang/English.lng");
    SetDebugOutputEcho(echo);
}
BENCHMARK(BM_EnabledPiece);

void BM_EnabledScope(benchmark::State& state) {
    bool echo = SetDebugOutputEcho(false);
    SetTraceLevel(TRACE_CALL);
    for (auto _ : state)
        benchmark::DoNotOptimize(Traced(E_FAIL));
    SetDebugOutputEcho(echo);
}
BENCHMARK(BM_EnabledScope);

}  // namespace

BENCHMARK_MAIN();
