// Heap copies of binary keys (entry ids, instance keys) held by the configuration records.
#include "model/KeyCopy.h"

#include <cstdlib>
#include <cstring>

#include "trace/Trace.h"

namespace {
int g_nFailAfter = -1;

BYTE* AllocateKey(ULONG cb) {
    if (g_nFailAfter == 0) {
        g_nFailAfter = -1;
        return nullptr;
    }
    if (g_nFailAfter > 0)
        --g_nFailAfter;
    return static_cast<BYTE*>(malloc(cb));
}
}  // namespace

void SetKeyCopyFailureAfter(int nSkip) {
    g_nFailAfter = nSkip;
}

HRESULT CopyBinaryKey(SBinary* lpDest, ULONG cb, const BYTE* lpb) {
    lpDest->cb = 0;
    lpDest->lpb = nullptr;
    if (cb == 0 || lpb == nullptr)
        return S_OK;
    BYTE* lpCopy = AllocateKey(cb);
    if (lpCopy == nullptr)
        return E_OUTOFMEMORY;
    memcpy(lpCopy, lpb, cb);
    lpDest->cb = cb;
    lpDest->lpb = lpCopy;
    return S_OK;
}

void FreeBinaryKey(SBinary* lpKey) {
    free(lpKey->lpb);
    lpKey->lpb = nullptr;
    lpKey->cb = 0;
}

HRESULT HandOutKeyCopy(SBinary* lpKey, const SBinary& held, const char* pszCopyFailure) {
    if (lpKey == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid key pointer specified!\n");
        return E_INVALIDARG;
    }
    HRESULT hr = CopyBinaryKey(lpKey, held.cb, held.lpb);
    if (FAILED(hr))
        QTRACE(TRACE_ERROR, "%s", pszCopyFailure);
    return hr;
}
