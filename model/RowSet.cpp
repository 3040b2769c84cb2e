// CopyRowSet and FreeRowSet: one linked MAPI allocation per copied row.
#include "model/RowSet.h"

#include <cstring>

#include "platform/mapi/MAPIFunctions.h"
#include "trace/Trace.h"

namespace {

// Length in 16-bit units of a zero-terminated UTF-16 text.
size_t WideLength(LPCWSTR lpsz) {
    size_t n = 0;
    while (lpsz[n] != 0) {
        ++n;
    }
    return n;
}

// A zeroed block of cb bytes linked to the row. MAPI sizes are 32-bit: an array whose size does
// not fit is refused rather than allocated short and then overrun.
HRESULT AllocateLinked(LPVOID lpRoot, size_t cb, LPVOID* lppOut) {
    *lppOut = nullptr;
    if (cb > 0xFFFFFFFFu) {
        return MAPI_E_NOT_ENOUGH_MEMORY;
    }
    HRESULT hr = MAPIAllocateMore((ULONG)cb, lpRoot, lppOut);
    if (SUCCEEDED(hr)) {
        std::memset(*lppOut, 0, cb);
    }
    return hr;
}

// One block linked to the row holding a copy of cb bytes from lpSrc. A null or empty source gives
// a null block: there is nothing to keep.
HRESULT CopyBlock(LPVOID lpRoot, const void* lpSrc, size_t cb, LPVOID* lppOut) {
    *lppOut = nullptr;
    if (lpSrc == nullptr || cb == 0) {
        return S_OK;
    }
    if (cb > 0xFFFFFFFFu) {
        return MAPI_E_NOT_ENOUGH_MEMORY;
    }
    LPVOID lpBlock = nullptr;
    HRESULT hr = MAPIAllocateMore((ULONG)cb, lpRoot, &lpBlock);
    if (FAILED(hr)) {
        return hr;
    }
    std::memcpy(lpBlock, lpSrc, cb);
    *lppOut = lpBlock;
    return S_OK;
}

// Copies the element array of a multi-valued property of fixed-size elements: the count and a
// block of count elements. A missing source array gives an empty value.
template <typename TArray, typename TElem>
HRESULT CopyFixedArray(LPVOID lpRoot, const TArray& src, TArray& dst, TElem* TArray::*member,
                       const char* lpszName) {
    dst.cValues = 0;
    dst.*member = nullptr;
    if (src.*member == nullptr || src.cValues == 0) {
        return S_OK;
    }
    LPVOID lpBlock = nullptr;
    HRESULT hr = CopyBlock(lpRoot, src.*member, (size_t)src.cValues * sizeof(TElem), &lpBlock);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "MAPIAllocateMore(%s) failed: hr = 0x%08lx\n", lpszName, hr);
        return hr;
    }
    dst.*member = static_cast<TElem*>(lpBlock);
    dst.cValues = src.cValues;
    return S_OK;
}

// Copies an array of text pointers: a zeroed pointer array, then each text into its own block.
template <typename TChar, typename TArray>
HRESULT CopyTextArray(LPVOID lpRoot, ULONG cValues, TChar* const* lppSrc, TArray& dst,
                      TChar** TArray::*member, const char* lpszArrayTrace, const char* lpszTextTrace) {
    dst.cValues = 0;
    dst.*member = nullptr;
    if (lppSrc == nullptr || cValues == 0) {
        return S_OK;
    }
    LPVOID lpBlock = nullptr;
    HRESULT hr = AllocateLinked(lpRoot, (size_t)cValues * sizeof(TChar*), &lpBlock);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, lpszArrayTrace, hr);
        return hr;
    }
    TChar** lppDst = static_cast<TChar**>(lpBlock);
    for (ULONG i = 0; i < cValues; ++i) {
        if (lppSrc[i] == nullptr) {
            continue;
        }
        size_t cch = 0;
        if constexpr (sizeof(TChar) == 1) {
            cch = std::strlen(lppSrc[i]);
        } else {
            cch = WideLength(lppSrc[i]);
        }
        LPVOID lpText = nullptr;
        hr = CopyBlock(lpRoot, lppSrc[i], (cch + 1) * sizeof(TChar), &lpText);
        if (FAILED(hr)) {
            QTRACE(TRACE_ERROR, lpszTextTrace, hr);
            return hr;
        }
        lppDst[i] = static_cast<TChar*>(lpText);
    }
    dst.*member = lppDst;
    dst.cValues = cValues;
    return S_OK;
}

HRESULT CopyBinaryArray(LPVOID lpRoot, const SBinaryArray& src, SBinaryArray& dst) {
    dst.cValues = 0;
    dst.lpbin = nullptr;
    if (src.lpbin == nullptr || src.cValues == 0) {
        return S_OK;
    }
    LPVOID lpBlock = nullptr;
    HRESULT hr = AllocateLinked(lpRoot, (size_t)src.cValues * sizeof(SBinary), &lpBlock);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "MAPIAllocateMore(PT_MV_BINARY) failed: hr = 0x%08lx\n", hr);
        return hr;
    }
    SBinary* lpDst = static_cast<SBinary*>(lpBlock);
    for (ULONG i = 0; i < src.cValues; ++i) {
        LPVOID lpBytes = nullptr;
        hr = CopyBlock(lpRoot, src.lpbin[i].lpb, src.lpbin[i].cb, &lpBytes);
        if (FAILED(hr)) {
            QTRACE(TRACE_ERROR, "MAPIAllocateMore(PT_MV_BINARY - 2) failed: hr = 0x%08lx\n", hr);
            return hr;
        }
        lpDst[i].lpb = static_cast<LPBYTE>(lpBytes);
        lpDst[i].cb = lpBytes != nullptr ? src.lpbin[i].cb : 0;
    }
    dst.lpbin = lpDst;
    dst.cValues = src.cValues;
    return S_OK;
}

// Copies one value into a zeroed destination entry. bKeepTag tells whether the source tag is
// taken over afterwards (the three "no value" types keep only their type).
HRESULT CopyValue(LPVOID lpRoot, const SPropValue& src, SPropValue& dst, bool& bKeepTag) {
    bKeepTag = true;
    const ULONG ulType = PROP_TYPE(src.ulPropTag);
    HRESULT hr = S_OK;
    LPVOID lpBlock = nullptr;
    switch (ulType) {
        case PT_UNSPECIFIED:
        case PT_NULL:
        case PT_ERROR:
            // The value says only that the property is missing or failed: its id and error code
            // would make two missing values of one column compare unequal.
            dst.ulPropTag = ulType;
            bKeepTag = false;
            return S_OK;
        case PT_I2:
        case PT_LONG:
        case PT_R4:
        case PT_DOUBLE:
        case PT_CURRENCY:
        case PT_APPTIME:
        case PT_BOOLEAN:
        case PT_OBJECT:
        case PT_I8:
        case PT_SYSTIME:
            std::memcpy(&dst.Value, &src.Value, sizeof(dst.Value));
            return S_OK;
        case PT_STRING8:
            if (src.Value.lpszA == nullptr) {
                return S_OK;
            }
            hr = CopyBlock(lpRoot, src.Value.lpszA, std::strlen(src.Value.lpszA) + 1, &lpBlock);
            if (FAILED(hr)) {
                QTRACE(TRACE_ERROR, "MAPIAllocateMore(PT_STRING8) failed: hr = 0x%08lx\n", hr);
                return hr;
            }
            dst.Value.lpszA = static_cast<LPSTR>(lpBlock);
            return S_OK;
        case PT_UNICODE:
            if (src.Value.lpszW == nullptr) {
                return S_OK;
            }
            hr = CopyBlock(lpRoot, src.Value.lpszW, (WideLength(src.Value.lpszW) + 1) * sizeof(WCHAR),
                           &lpBlock);
            if (FAILED(hr)) {
                QTRACE(TRACE_ERROR, "MAPIAllocateMore(PT_UNICODE) failed: hr = 0x%08lx\n", hr);
                return hr;
            }
            dst.Value.lpszW = static_cast<LPWSTR>(lpBlock);
            return S_OK;
        case PT_CLSID:
            hr = CopyBlock(lpRoot, src.Value.lpguid, sizeof(GUID), &lpBlock);
            if (FAILED(hr)) {
                QTRACE(TRACE_ERROR, "MAPIAllocateMore(PT_CLSID) failed: hr = 0x%08lx\n", hr);
                return hr;
            }
            dst.Value.lpguid = static_cast<LPGUID>(lpBlock);
            return S_OK;
        case PT_BINARY:
            hr = CopyBlock(lpRoot, src.Value.bin.lpb, src.Value.bin.cb, &lpBlock);
            if (FAILED(hr)) {
                QTRACE(TRACE_ERROR, "MAPIAllocateMore(PT_BINARY) failed: hr = 0x%08lx\n", hr);
                return hr;
            }
            dst.Value.bin.lpb = static_cast<LPBYTE>(lpBlock);
            dst.Value.bin.cb = lpBlock != nullptr ? src.Value.bin.cb : 0;
            return S_OK;
        case PT_MV_I2:
            return CopyFixedArray(lpRoot, src.Value.MVi, dst.Value.MVi, &SShortArray::lpi, "PT_MV_SHORT");
        case PT_MV_LONG:
            return CopyFixedArray(lpRoot, src.Value.MVl, dst.Value.MVl, &SLongArray::lpl, "PT_MV_LONG");
        case PT_MV_R4:
            return CopyFixedArray(lpRoot, src.Value.MVflt, dst.Value.MVflt, &SRealArray::lpflt,
                                  "PT_MV_FLOAT");
        case PT_MV_DOUBLE:
            return CopyFixedArray(lpRoot, src.Value.MVdbl, dst.Value.MVdbl, &SDoubleArray::lpdbl,
                                  "PT_MV_DOUBLE");
        case PT_MV_CURRENCY:
            return CopyFixedArray(lpRoot, src.Value.MVcur, dst.Value.MVcur, &SCurrencyArray::lpcur,
                                  "PT_MV_CURRENCY");
        case PT_MV_APPTIME:
            return CopyFixedArray(lpRoot, src.Value.MVat, dst.Value.MVat, &SAppTimeArray::lpat,
                                  "PT_MV_APPTIME");
        case PT_MV_I8:
            return CopyFixedArray(lpRoot, src.Value.MVli, dst.Value.MVli, &SLargeIntegerArray::lpli,
                                  "PT_MV_LONGLONG");
        case PT_MV_SYSTIME:
            return CopyFixedArray(lpRoot, src.Value.MVft, dst.Value.MVft, &SDateTimeArray::lpft,
                                  "PT_MV_SYSTIME");
        case PT_MV_CLSID:
            return CopyFixedArray(lpRoot, src.Value.MVguid, dst.Value.MVguid, &SGuidArray::lpguid,
                                  "PT_MV_CLSID");
        case PT_MV_STRING8:
            return CopyTextArray<char, SLPSTRArray>(
                lpRoot, src.Value.MVszA.cValues, src.Value.MVszA.lppszA, dst.Value.MVszA,
                &SLPSTRArray::lppszA, "MAPIAllocateMore(PT_MV_STRING8 failed: hr = 0x%08lx\n",
                "MAPIAllocateMore(PT_MV_STRING8 - 2) failed: hr = 0x%08lx\n");
        case PT_MV_UNICODE:
            return CopyTextArray<WCHAR, SWStringArray>(
                lpRoot, src.Value.MVszW.cValues, src.Value.MVszW.lppszW, dst.Value.MVszW,
                &SWStringArray::lppszW, "MAPIAllocateMore(PT_MV_UNICODE) failed: hr = 0x%08lx\n",
                "MAPIAllocateMore(PT_MV_UNICODE - 2) failed: hr = 0x%08lx\n");
        case PT_MV_BINARY:
            return CopyBinaryArray(lpRoot, src.Value.MVbin, dst.Value.MVbin);
        default:
            QTRACE(TRACE_ERROR, "Unknown property(type) 0x%08lx\n", src.ulPropTag);
            return E_FAIL;
    }
}

}  // namespace

HRESULT CopyRowSet(LPSRow* lppDest, const SRow* lpSrc) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CopyRowSet", hr);

    if (lppDest == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid row pointer specified!\n");
        return hr = E_INVALIDARG;
    }
    *lppDest = nullptr;
    if (lpSrc == nullptr || (lpSrc->cValues != 0 && lpSrc->lpProps == nullptr)) {
        QTRACE(TRACE_ERROR, "Failure: Invalid source row specified!\n");
        return hr = E_INVALIDARG;
    }

    LPVOID lpRow = nullptr;
    hr = MAPIAllocateBuffer(sizeof(SRow), &lpRow);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "MAPIAllocateBuffer(MAIN_STRUCT) failed: hr 0 0x%08lx\n", hr);
        return hr;
    }
    LPSRow lpDest = static_cast<LPSRow>(lpRow);
    std::memset(lpDest, 0, sizeof(SRow));
    *lppDest = lpDest;

    if (lpSrc->cValues == 0) {
        return hr = S_OK;
    }

    LPVOID lpArray = nullptr;
    hr = AllocateLinked(lpRow, (size_t)lpSrc->cValues * sizeof(SPropValue), &lpArray);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "MAPIAllocateBuffer(PROP_ARRAY) failed: hr 0 0x%08lx\n", hr);
        return hr;
    }
    lpDest->lpProps = static_cast<LPSPropValue>(lpArray);

    for (ULONG i = 0; i < lpSrc->cValues; ++i) {
        bool bKeepTag = true;
        hr = CopyValue(lpRow, lpSrc->lpProps[i], lpDest->lpProps[i], bKeepTag);
        if (FAILED(hr)) {
            return hr;
        }
        if (bKeepTag) {
            lpDest->lpProps[i].ulPropTag = lpSrc->lpProps[i].ulPropTag;
        }
    }
    // Only now does the copy count its values: a copy that stopped half way reads as empty.
    lpDest->cValues = lpSrc->cValues;
    return hr = S_OK;
}

HRESULT FreeRowSet(LPSRow* lppRow) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("FreeRowSet", hr);
    if (lppRow == nullptr) {
        return hr;
    }
    if (*lppRow != nullptr) {
        MAPIFreeBuffer(*lppRow);
    }
    *lppRow = nullptr;
    return hr;
}
