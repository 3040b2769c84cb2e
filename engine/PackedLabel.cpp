// PackLabel and UnpackLabel: a label row as tags and value bytes in one pooled block.
#include "engine/PackedLabel.h"

#include <cstddef>
#include <cstring>

#include "engine/SmallBlockPool.h"
#include "platform/mapi/MAPIFunctions.h"
#include "trace/Trace.h"

// The block: its size, the value count, then per value the tag and the value's bytes.
struct CPackedLabel {
    ULONG cbBlock;
    ULONG cValues;
    BYTE* Bytes() { return reinterpret_cast<BYTE*>(this + 1); }
    const BYTE* Bytes() const { return reinterpret_cast<const BYTE*>(this + 1); }
};

namespace {

constexpr size_t kMaxBytes = 0xFFFFFFFFu;  // the block and a MAPI buffer give their size in 32 bits

// The bytes of a scalar value that are kept; 0 for a type that keeps none or is not a scalar.
size_t ScalarBytes(ULONG ulType) {
    switch (ulType) {
        case PT_I2:
            return sizeof(SHORT);
        case PT_BOOLEAN:
            return sizeof(unsigned short);
        case PT_LONG:
        case PT_R4:
            return 4;
        case PT_DOUBLE:
        case PT_CURRENCY:
        case PT_APPTIME:
        case PT_I8:
        case PT_SYSTIME:
            return 8;
        case PT_OBJECT:
            // No member of the value is defined for it: it is kept whole, as the row copy keeps it.
            return sizeof(_PV);
        default:
            return 0;
    }
}

// The element size of a multi-valued type of fixed-size elements; 0 for any other type.
size_t ElementBytes(ULONG ulType) {
    return (ulType & MV_FLAG) != 0 ? FixedElementSize(ulType) : 0;
}

// The element array of a multi-valued value of fixed-size elements (the arrays share one layout:
// count, then pointer).
struct CFixedArray {
    ULONG cValues;
    void* lpValues;
};
static_assert(sizeof(CFixedArray) == sizeof(SLongArray) && sizeof(CFixedArray) == sizeof(SGuidArray) &&
                  offsetof(SLongArray, lpl) == offsetof(CFixedArray, lpValues),
              "multi-valued arrays share one layout");

size_t TextLength(const char* psz) {
    return std::strlen(psz);
}

size_t TextLength(const WCHAR* psz) {
    size_t n = 0;
    while (psz[n] != 0) {
        ++n;
    }
    return n;
}

// Writes the packed bytes, or (kWrite false) only counts them: every drawer packs its label, so the
// counting pass copies nothing and the writing pass copies scalars at their fixed sizes.
template <bool kWrite>
class CPackWriter {
public:
    explicit CPackWriter(BYTE* pOut) : m_pOut(pOut) {}

    size_t Size() const { return m_cb; }
    void Put(const void* p, size_t cb) {
        if constexpr (kWrite) {
            if (cb != 0) {
                std::memcpy(m_pOut + m_cb, p, cb);
            }
        }
        m_cb += cb;
    }
    template <size_t cb>
    void PutFixed(const void* p) {
        if constexpr (kWrite) {
            std::memcpy(m_pOut + m_cb, p, cb);
        }
        m_cb += cb;
    }
    void PutCount(size_t n) {
        do {
            BYTE b = BYTE(n & 0x7F);
            n >>= 7;
            if (n != 0) {
                b |= 0x80;
            }
            if constexpr (kWrite) {
                m_pOut[m_cb] = b;
            }
            ++m_cb;
        } while (n != 0);
    }
    // A text as its length + 1 and its characters without the terminator; 0 for a null text.
    template <typename TChar>
    void PutText(const TChar* psz) {
        if (psz == nullptr) {
            PutCount(0);
            return;
        }
        const size_t cch = TextLength(psz);
        PutCount(cch + 1);
        Put(psz, cch * sizeof(TChar));
    }
    // Bytes as their count and themselves; a null pointer counts as no bytes.
    void PutBytes(const void* p, size_t cb) {
        if (p == nullptr) {
            cb = 0;
        }
        PutCount(cb);
        Put(p, cb);
    }

private:
    BYTE* m_pOut;
    size_t m_cb = 0;
};

template <bool kWrite>
void PackFixedArray(const _PV& value, size_t cbElem, CPackWriter<kWrite>& w) {
    CFixedArray a;
    std::memcpy(&a, &value, sizeof(a));
    const size_t cValues = a.lpValues == nullptr ? 0 : a.cValues;
    w.PutCount(cValues);
    w.Put(a.lpValues, cValues * cbElem);
}

// Packs one value; false for a type the row copy does not know.
template <bool kWrite>
bool PackValue(const SPropValue& v, CPackWriter<kWrite>& w) {
    const ULONG ulType = PROP_TYPE(v.ulPropTag);
    switch (ulType) {
        case PT_UNSPECIFIED:
        case PT_NULL:
        case PT_ERROR:
            // Two missing values of one column must compare equal: only the type is kept.
            w.template PutFixed<sizeof(ULONG)>(&ulType);
            return true;
        case PT_I2:
        case PT_BOOLEAN:
            w.template PutFixed<sizeof(ULONG)>(&v.ulPropTag);
            w.template PutFixed<2>(&v.Value);
            return true;
        case PT_LONG:
        case PT_R4:
            w.template PutFixed<sizeof(ULONG)>(&v.ulPropTag);
            w.template PutFixed<4>(&v.Value);
            return true;
        case PT_DOUBLE:
        case PT_CURRENCY:
        case PT_APPTIME:
        case PT_I8:
        case PT_SYSTIME:
            w.template PutFixed<sizeof(ULONG)>(&v.ulPropTag);
            w.template PutFixed<8>(&v.Value);
            return true;
        case PT_OBJECT:
            // No member of the value is defined for it: it is kept whole, as the row copy keeps it.
            w.template PutFixed<sizeof(ULONG)>(&v.ulPropTag);
            w.template PutFixed<sizeof(_PV)>(&v.Value);
            return true;
        case PT_STRING8:
            w.template PutFixed<sizeof(ULONG)>(&v.ulPropTag);
            w.PutText(v.Value.lpszA);
            return true;
        case PT_UNICODE:
            w.template PutFixed<sizeof(ULONG)>(&v.ulPropTag);
            w.PutText(v.Value.lpszW);
            return true;
        case PT_CLSID: {
            w.template PutFixed<sizeof(ULONG)>(&v.ulPropTag);
            const BYTE fPresent = v.Value.lpguid != nullptr ? 1 : 0;
            w.template PutFixed<1>(&fPresent);
            if (fPresent) {
                w.template PutFixed<sizeof(GUID)>(v.Value.lpguid);
            }
            return true;
        }
        case PT_BINARY:
            w.template PutFixed<sizeof(ULONG)>(&v.ulPropTag);
            w.PutBytes(v.Value.bin.lpb, v.Value.bin.cb);
            return true;
        case PT_MV_STRING8: {
            w.template PutFixed<sizeof(ULONG)>(&v.ulPropTag);
            const ULONG c = v.Value.MVszA.lppszA == nullptr ? 0 : v.Value.MVszA.cValues;
            w.PutCount(c);
            for (ULONG i = 0; i < c; ++i) {
                w.PutText(v.Value.MVszA.lppszA[i]);
            }
            return true;
        }
        case PT_MV_UNICODE: {
            w.template PutFixed<sizeof(ULONG)>(&v.ulPropTag);
            const ULONG c = v.Value.MVszW.lppszW == nullptr ? 0 : v.Value.MVszW.cValues;
            w.PutCount(c);
            for (ULONG i = 0; i < c; ++i) {
                w.PutText(v.Value.MVszW.lppszW[i]);
            }
            return true;
        }
        case PT_MV_BINARY: {
            w.template PutFixed<sizeof(ULONG)>(&v.ulPropTag);
            const ULONG c = v.Value.MVbin.lpbin == nullptr ? 0 : v.Value.MVbin.cValues;
            w.PutCount(c);
            for (ULONG i = 0; i < c; ++i) {
                w.PutBytes(v.Value.MVbin.lpbin[i].lpb, v.Value.MVbin.lpbin[i].cb);
            }
            return true;
        }
        default:
            if (const size_t cbElem = ElementBytes(ulType); cbElem != 0) {
                w.template PutFixed<sizeof(ULONG)>(&v.ulPropTag);
                PackFixedArray(v.Value, cbElem, w);
                return true;
            }
            return false;
    }
}

template <bool kWrite>
bool PackRow(const SRow* lpSrc, CPackWriter<kWrite>& w) {
    for (ULONG i = 0; i < lpSrc->cValues; ++i) {
        if (!PackValue(lpSrc->lpProps[i], w)) {
            QTRACE(TRACE_ERROR, "Unknown property(type) 0x%08lx\n", lpSrc->lpProps[i].ulPropTag);
            return false;
        }
    }
    return true;
}

// Reads what CPackWriter wrote.
class CPackReader {
public:
    explicit CPackReader(const BYTE* p) : m_p(p) {}

    void Get(void* p, size_t cb) {
        if (p != nullptr && cb != 0) {
            std::memcpy(p, m_p, cb);
        }
        m_p += cb;
    }
    size_t GetCount() {
        size_t n = 0;
        for (unsigned shift = 0;; shift += 7) {
            const BYTE b = *m_p++;
            n |= size_t(b & 0x7F) << shift;
            if ((b & 0x80) == 0) {
                return n;
            }
        }
    }

private:
    const BYTE* m_p;
};

constexpr size_t kAlign = 8;

size_t Aligned(size_t cb) {
    return (cb + kAlign - 1) & ~(kAlign - 1);
}

// Hands out the rebuilt row's blocks from one zeroed buffer, or only adds up their sizes when it has
// no buffer (then every block is NULL and nothing is written).
class CRowArena {
public:
    explicit CRowArena(BYTE* pBase) : m_pBase(pBase) {}

    size_t Size() const { return m_cb; }
    void* Take(size_t cb) {
        BYTE* p = m_pBase == nullptr ? nullptr : m_pBase + m_cb;
        m_cb += Aligned(cb);
        return p;
    }

private:
    BYTE* m_pBase;
    size_t m_cb = 0;
};

template <typename TChar>
TChar* UnpackText(CPackReader& r, CRowArena& a) {
    const size_t n = r.GetCount();
    if (n == 0) {
        return nullptr;
    }
    auto* psz = static_cast<TChar*>(a.Take(n * sizeof(TChar)));
    r.Get(psz, (n - 1) * sizeof(TChar));  // the arena's zeroes terminate it
    return psz;
}

// Bytes kept by PutBytes: no bytes give a null pointer and a count of 0.
void UnpackBytes(CPackReader& r, CRowArena& a, SBinary& bin) {
    const size_t cb = r.GetCount();
    bin.cb = ULONG(cb);
    bin.lpb = nullptr;
    if (cb != 0) {
        bin.lpb = static_cast<LPBYTE>(a.Take(cb));
        r.Get(bin.lpb, cb);
    }
}

void UnpackValue(CPackReader& r, CRowArena& a, SPropValue& dst) {
    r.Get(&dst.ulPropTag, sizeof(dst.ulPropTag));
    const ULONG ulType = PROP_TYPE(dst.ulPropTag);
    if (const size_t cb = ScalarBytes(ulType); cb != 0) {
        r.Get(&dst.Value, cb);
        return;
    }
    if (const size_t cbElem = ElementBytes(ulType); cbElem != 0) {
        CFixedArray arr{ULONG(r.GetCount()), nullptr};
        if (arr.cValues != 0) {
            arr.lpValues = a.Take(arr.cValues * cbElem);
            r.Get(arr.lpValues, arr.cValues * cbElem);
        }
        std::memcpy(&dst.Value, &arr, sizeof(arr));
        return;
    }
    switch (ulType) {
        case PT_STRING8:
            dst.Value.lpszA = UnpackText<char>(r, a);
            return;
        case PT_UNICODE:
            dst.Value.lpszW = UnpackText<WCHAR>(r, a);
            return;
        case PT_CLSID: {
            BYTE fPresent = 0;
            r.Get(&fPresent, 1);
            if (fPresent) {
                dst.Value.lpguid = static_cast<LPGUID>(a.Take(sizeof(GUID)));
                r.Get(dst.Value.lpguid, sizeof(GUID));
            }
            return;
        }
        case PT_BINARY:
            UnpackBytes(r, a, dst.Value.bin);
            return;
        case PT_MV_STRING8:
        case PT_MV_UNICODE:
        case PT_MV_BINARY: {
            const ULONG c = ULONG(r.GetCount());
            if (ulType == PT_MV_STRING8) {
                auto* lpp = c == 0 ? nullptr : static_cast<LPSTR*>(a.Take(c * sizeof(LPSTR)));
                for (ULONG i = 0; i < c; ++i) {
                    LPSTR psz = UnpackText<char>(r, a);
                    if (lpp != nullptr) {
                        lpp[i] = psz;
                    }
                }
                dst.Value.MVszA = SLPSTRArray{c, lpp};
            } else if (ulType == PT_MV_UNICODE) {
                auto* lpp = c == 0 ? nullptr : static_cast<LPWSTR*>(a.Take(c * sizeof(LPWSTR)));
                for (ULONG i = 0; i < c; ++i) {
                    LPWSTR psz = UnpackText<WCHAR>(r, a);
                    if (lpp != nullptr) {
                        lpp[i] = psz;
                    }
                }
                dst.Value.MVszW = SWStringArray{c, lpp};
            } else {
                auto* lpbin = c == 0 ? nullptr : static_cast<SBinary*>(a.Take(c * sizeof(SBinary)));
                for (ULONG i = 0; i < c; ++i) {
                    SBinary bin{};
                    UnpackBytes(r, a, bin);
                    if (lpbin != nullptr) {
                        lpbin[i] = bin;
                    }
                }
                dst.Value.MVbin = SBinaryArray{c, lpbin};
            }
            return;
        }
        default:
            return;  // a type that keeps only its tag
    }
}

// Lays the row out in the arena: the row, its value array, then the values' blocks. With an arena
// that only counts, the values are read into scratch space.
void UnpackRow(const CPackedLabel* pLabel, CRowArena& a) {
    auto* lpRow = static_cast<LPSRow>(a.Take(sizeof(SRow)));
    const ULONG cValues = pLabel->cValues;
    auto* lpProps = cValues == 0 ? nullptr : static_cast<LPSPropValue>(a.Take(cValues * sizeof(SPropValue)));
    CPackReader r(pLabel->Bytes());
    for (ULONG i = 0; i < cValues; ++i) {
        SPropValue scratch{};
        UnpackValue(r, a, lpProps != nullptr ? lpProps[i] : scratch);
    }
    if (lpRow != nullptr) {
        lpRow->cValues = cValues;
        lpRow->lpProps = lpProps;
    }
}

}  // namespace

HRESULT PackLabel(const SRow* lpSrc, CPackedLabel** ppLabel) {
    if (ppLabel == nullptr) {
        return E_INVALIDARG;
    }
    *ppLabel = nullptr;
    if (lpSrc == nullptr || (lpSrc->cValues != 0 && lpSrc->lpProps == nullptr)) {
        return E_INVALIDARG;
    }
    CPackWriter<false> measure(nullptr);
    if (!PackRow(lpSrc, measure)) {
        return E_FAIL;
    }
    const size_t cbBlock = sizeof(CPackedLabel) + measure.Size();
    if (cbBlock > kMaxBytes) {
        return E_OUTOFMEMORY;
    }
    auto* pLabel = static_cast<CPackedLabel*>(CPooledObject::AllocateBytes(cbBlock));
    if (pLabel == nullptr) {
        return E_OUTOFMEMORY;
    }
    pLabel->cbBlock = ULONG(cbBlock);
    pLabel->cValues = lpSrc->cValues;
    CPackWriter<true> write(pLabel->Bytes());
    PackRow(lpSrc, write);
    *ppLabel = pLabel;
    return S_OK;
}

HRESULT UnpackLabel(const CPackedLabel* pLabel, LPSRow* lppRow) {
    if (lppRow == nullptr || pLabel == nullptr) {
        return E_INVALIDARG;
    }
    *lppRow = nullptr;
    CRowArena measure(nullptr);
    UnpackRow(pLabel, measure);
    if (measure.Size() > kMaxBytes) {
        return MAPI_E_NOT_ENOUGH_MEMORY;
    }
    LPVOID lpBuffer = nullptr;
    const HRESULT hr = MAPIAllocateBuffer(ULONG(measure.Size()), &lpBuffer);
    if (FAILED(hr)) {
        return hr;
    }
    std::memset(lpBuffer, 0, measure.Size());
    CRowArena build(static_cast<BYTE*>(lpBuffer));
    UnpackRow(pLabel, build);
    *lppRow = static_cast<LPSRow>(lpBuffer);
    return S_OK;
}

void FreePackedLabel(CPackedLabel* pLabel) {
    if (pLabel != nullptr) {
        CPooledObject::FreeBytes(pLabel, pLabel->cbBlock);
    }
}

ULONG PackedLabelBytes(const CPackedLabel* pLabel) {
    return pLabel == nullptr ? 0 : pLabel->cbBlock;
}
