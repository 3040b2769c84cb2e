// SaveBinaryKey, LoadBinaryKey and SBin2String.
#include "model/BinaryKey.h"

#include <cstdlib>
#include <cstring>

#include "platform/afx/CArchive.h"
#include "platform/afx/CException.h"
#include "trace/Trace.h"

void SaveBinaryKey(ULONG cb, const BYTE* lpb, CArchive& ar) {
    TRACE_FUNC_VOID("SaveBinaryKey");
    if (lpb == nullptr) {
        cb = 0;
    }
    ar << (DWORD)cb;
    if (cb != 0) {
        ar.Write(lpb, cb);
    }
}

void LoadBinaryKey(SBinary& bin, CArchive& ar) {
    TRACE_FUNC_VOID("LoadBinaryKey");
    bin.cb = 0;
    bin.lpb = nullptr;
    DWORD cb = 0;
    ar >> cb;
    if (cb == 0) {
        return;
    }
    // A damaged count must not make us allocate gigabytes before the read fails.
    ar.EnsureReadable(cb);
    LPBYTE lpb = static_cast<LPBYTE>(malloc(cb));
    if (lpb == nullptr) {
        AfxThrowMemoryException();
    }
    if (ar.Read(lpb, cb) != cb) {
        free(lpb);
        AfxThrowArchiveException(CArchiveException::endOfFile);
    }
    bin.cb = cb;
    bin.lpb = lpb;
}

HRESULT SBin2String(const SBinary& bin, LPSTR* ppszText) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("SBin2String", hr);
    if (ppszText == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid return buffer specified!\n");
        return hr = E_INVALIDARG;
    }
    *ppszText = nullptr;
    if (bin.cb == 0 || bin.lpb == nullptr) {
        return hr;
    }
    LPSTR psz = static_cast<LPSTR>(malloc((size_t)bin.cb * 2 + 1));
    if (psz == nullptr) {
        QTRACE(TRACE_ERROR, "malloc() failed: Unable to allocate binary string!\n");
        return hr = E_OUTOFMEMORY;
    }
    static const char kDigits[] = "0123456789ABCDEF";
    for (ULONG i = 0; i < bin.cb; ++i) {
        psz[2 * i] = kDigits[bin.lpb[i] >> 4];
        psz[2 * i + 1] = kDigits[bin.lpb[i] & 0x0F];
    }
    psz[(size_t)bin.cb * 2] = '\0';
    *ppszText = psz;
    return hr;
}
