// Benchmarks of the language dictionary: reading a language file and looking a text up.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "language/LanguageDict.h"
#include "trace/Trace.h"

namespace {

const char* const ENGLISH_FILE = QRV_LANGUAGE_DIR "English.lng";

void BM_LoadLanguageFile(benchmark::State& state) {
    SetTraceLevel(TRACE_ERROR);
    CLanguageDict dict;
    for (auto _ : state) {
        if (!dict.Load(ENGLISH_FILE))
            state.SkipWithError("English.lng did not load");
    }
}
BENCHMARK(BM_LoadLanguageFile);

void BM_GetLanguageText(benchmark::State& state) {
    SetTraceLevel(TRACE_ERROR);
    CLanguageDict dict;
    if (!dict.Load(ENGLISH_FILE)) {
        state.SkipWithError("English.lng did not load");
        return;
    }
    LONG textID = 0;
    for (auto _ : state) {
        LPSTR text = dict.GetLanguageText(2057, 100 + (textID++ % 16));
        benchmark::DoNotOptimize(text);
        std::free(text);
    }
}
BENCHMARK(BM_GetLanguageText);

}  // namespace

BENCHMARK_MAIN();
