// CoInitializeEx: CoInitialize with a threading model that a thread keeps while it is initialised.
//
// Kept apart from ComInit.cpp and built only on that file's four functions, so that a program
// that brings its own counted CoInitialize links with this runtime unchanged.
#include "platform/automation/ComInit.h"

namespace {
thread_local DWORD t_dwModel = COINIT_APARTMENTTHREADED;
}  // namespace

HRESULT CoInitializeEx(LPVOID pvReserved, DWORD dwCoInit) {
    const DWORD dwModel = dwCoInit & COINIT_APARTMENTTHREADED;
    if (GetComInitCount() > 0 && dwModel != t_dwModel)
        return RPC_E_CHANGED_MODE;
    HRESULT hr = CoInitialize(pvReserved);
    if (hr == S_OK)
        t_dwModel = dwModel;
    return hr;
}
