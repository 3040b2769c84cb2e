// CopyLabelCompact: one MAPI buffer per drawer label.
#include "engine/CompactLabel.h"

#include <cstring>

#include "platform/mapi/MAPIFunctions.h"

namespace {

constexpr size_t kAlign = 8;

size_t Aligned(size_t cb) {
    return (cb + kAlign - 1) & ~(kAlign - 1);
}

size_t WideBytes(LPCWSTR lpsz) {
    size_t n = 0;
    while (lpsz[n] != 0) {
        ++n;
    }
    return (n + 1) * sizeof(WCHAR);
}

// The bytes of a value's data that the copy keeps after the value array (before alignment); false
// for a type the compact form does not hold.
bool DataBytes(const SPropValue& value, size_t& cb) {
    switch (PROP_TYPE(value.ulPropTag)) {
        case PT_UNSPECIFIED:
        case PT_NULL:
        case PT_ERROR:
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
            cb = 0;
            return true;
        case PT_STRING8:
            cb = value.Value.lpszA == nullptr ? 0 : std::strlen(value.Value.lpszA) + 1;
            return true;
        case PT_UNICODE:
            cb = value.Value.lpszW == nullptr ? 0 : WideBytes(value.Value.lpszW);
            return true;
        case PT_CLSID:
            cb = value.Value.lpguid == nullptr ? 0 : sizeof(GUID);
            return true;
        case PT_BINARY:
            cb = (value.Value.bin.lpb == nullptr || value.Value.bin.cb == 0) ? 0 : value.Value.bin.cb;
            return true;
        default:
            return false;
    }
}

}  // namespace

HRESULT CopyLabelCompact(LPSRow* lppDest, const SRow* lpSrc) {
    if (lppDest == nullptr || lpSrc == nullptr || (lpSrc->cValues != 0 && lpSrc->lpProps == nullptr)) {
        return E_INVALIDARG;
    }
    // Every drawer makes one, so the data sizes of the first values are measured once, not again
    // while copying.
    constexpr ULONG kKept = 16;
    size_t acbKept[kKept];
    size_t cbTotal = Aligned(sizeof(SRow)) + Aligned(size_t(lpSrc->cValues) * sizeof(SPropValue));
    for (ULONG i = 0; i < lpSrc->cValues; ++i) {
        size_t cb = 0;
        if (!DataBytes(lpSrc->lpProps[i], cb)) {
            return S_FALSE;
        }
        if (i < kKept) {
            acbKept[i] = cb;
        }
        cbTotal += Aligned(cb);
    }
    if (cbTotal > 0xFFFFFFFFu) {
        return S_FALSE;  // the general copy refuses it with its own message
    }
    LPVOID lpBlock = nullptr;
    if (FAILED(MAPIAllocateBuffer(ULONG(cbTotal), &lpBlock))) {
        return E_OUTOFMEMORY;
    }
    std::memset(lpBlock, 0, cbTotal);
    auto* pBytes = static_cast<BYTE*>(lpBlock);
    auto* lpRow = reinterpret_cast<LPSRow>(pBytes);
    auto* lpProps = reinterpret_cast<LPSPropValue>(pBytes + Aligned(sizeof(SRow)));
    BYTE* pNext = pBytes + Aligned(sizeof(SRow)) + Aligned(size_t(lpSrc->cValues) * sizeof(SPropValue));
    for (ULONG i = 0; i < lpSrc->cValues; ++i) {
        const SPropValue& src = lpSrc->lpProps[i];
        SPropValue& dst = lpProps[i];
        const ULONG ulType = PROP_TYPE(src.ulPropTag);
        dst.ulPropTag = src.ulPropTag;
        size_t cb = 0;
        if (i < kKept) {
            cb = acbKept[i];
        } else {
            DataBytes(src, cb);
        }
        switch (ulType) {
            case PT_UNSPECIFIED:
            case PT_NULL:
            case PT_ERROR:
                // Two missing values of one column must compare equal: only the type is kept.
                dst.ulPropTag = ulType;
                break;
            case PT_STRING8:
                if (cb != 0) {
                    std::memcpy(pNext, src.Value.lpszA, cb);
                    dst.Value.lpszA = reinterpret_cast<LPSTR>(pNext);
                }
                break;
            case PT_UNICODE:
                if (cb != 0) {
                    std::memcpy(pNext, src.Value.lpszW, cb);
                    dst.Value.lpszW = reinterpret_cast<LPWSTR>(pNext);
                }
                break;
            case PT_CLSID:
                if (cb != 0) {
                    std::memcpy(pNext, src.Value.lpguid, cb);
                    dst.Value.lpguid = reinterpret_cast<LPGUID>(pNext);
                }
                break;
            case PT_BINARY:
                if (cb != 0) {
                    std::memcpy(pNext, src.Value.bin.lpb, cb);
                    dst.Value.bin.lpb = pNext;
                    dst.Value.bin.cb = src.Value.bin.cb;
                }
                break;
            default:
                std::memcpy(&dst.Value, &src.Value, sizeof(dst.Value));
                break;
        }
        pNext += Aligned(cb);
    }
    lpRow->cValues = lpSrc->cValues;
    lpRow->lpProps = lpSrc->cValues != 0 ? lpProps : nullptr;
    *lppDest = lpRow;
    return S_OK;
}
