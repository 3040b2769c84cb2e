// Counted COM initialisation per thread.
#include "platform/automation/ComInit.h"

namespace {
thread_local int t_nInitCount = 0;
HRESULT g_hrNext = S_OK;
}  // namespace

HRESULT CoInitialize(LPVOID) {
    if (FAILED(g_hrNext))
        return g_hrNext;
    // A second initialisation of the same thread succeeds with S_FALSE, as COM answers.
    return t_nInitCount++ == 0 ? S_OK : S_FALSE;
}

void CoUninitialize() {
    if (t_nInitCount > 0)
        --t_nInitCount;
}

int GetComInitCount() {
    return t_nInitCount;
}

void SetCoInitializeResult(HRESULT hr) {
    g_hrNext = hr;
}
