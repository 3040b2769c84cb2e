// CLabelTail: the values of a label below a line, packed, with the drawer they lead to.
#include "engine/LabelTail.h"

#include <cstring>
#include <new>

#include "engine/SmallBlockPool.h"
#include "engine/SortDrawer.h"

namespace {

constexpr ULONG kNull = 0xFFFFFFFFu;  // byte count of a NULL pointer
constexpr size_t kAlign = 8;

struct CRecord {
    ULONG ulPropTag;
    ULONG cb;  // bytes behind the record, kNull for a NULL pointer
};
static_assert(sizeof(CRecord) == kAlign);

size_t Padded(size_t cb) {
    return (cb + kAlign - 1) & ~(kAlign - 1);
}

bool IsPointerType(ULONG ulType) {
    return ulType == PT_STRING8 || ulType == PT_UNICODE || ulType == PT_CLSID || ulType == PT_BINARY;
}

// The bytes a value keeps behind its record, kNull for a NULL pointer. A binary value that counts
// bytes it does not point to keeps its count as a scalar.
ULONG PayloadOf(const SPropValue& v, const void** ppBytes) {
    *ppBytes = &v.Value;
    switch (PROP_TYPE(v.ulPropTag)) {
        case PT_STRING8:
            *ppBytes = v.Value.lpszA;
            return v.Value.lpszA == nullptr ? kNull : ULONG(std::strlen(v.Value.lpszA) + 1);
        case PT_UNICODE: {
            *ppBytes = v.Value.lpszW;
            if (v.Value.lpszW == nullptr) {
                return kNull;
            }
            size_t cch = 0;
            while (v.Value.lpszW[cch] != 0) {
                ++cch;
            }
            return ULONG((cch + 1) * sizeof(WCHAR));
        }
        case PT_CLSID:
            *ppBytes = v.Value.lpguid;
            return v.Value.lpguid == nullptr ? kNull : ULONG(sizeof(GUID));
        case PT_BINARY:
            if (v.Value.bin.lpb == nullptr) {
                return kNull;
            }
            *ppBytes = v.Value.bin.lpb;
            return v.Value.bin.cb;
        default:
            return 8;
    }
}

size_t RecordBytes(const SPropValue& v, ULONG cb) {
    if (cb == kNull) {
        // A binary value without bytes keeps its count.
        return sizeof(CRecord) + (PROP_TYPE(v.ulPropTag) == PT_BINARY ? kAlign : 0);
    }
    return sizeof(CRecord) + Padded(cb);
}

}  // namespace

CLabelTail* CLabelTail::Make(const SPropValue* lpValues, ULONG cValues, CSortDrawer* pDrawer) noexcept {
    // The payload sizes of the first values are measured once (a text's length is its cost).
    constexpr ULONG kMeasured = 16;
    ULONG acb[kMeasured] = {};
    const void* apBytes[kMeasured] = {};
    size_t cbBlock = sizeof(CLabelTail);
    for (ULONG i = 0; i < cValues; ++i) {
        const void* pBytes = nullptr;
        const ULONG cb = PayloadOf(lpValues[i], &pBytes);
        if (i < kMeasured) {
            acb[i] = cb;
            apBytes[i] = pBytes;
        }
        cbBlock += RecordBytes(lpValues[i], cb);
    }
    if (cbBlock > 0xFFFFFFF0u) {
        return nullptr;
    }
    void* pBlock = CPooledObject::AllocateBytes(cbBlock);
    if (pBlock == nullptr) {
        return nullptr;
    }
    auto* pTail = new (pBlock) CLabelTail();
    pTail->m_pDrawer = pDrawer;
    pTail->m_cbBlock = ULONG(cbBlock);
    pTail->m_cbDone = 0;
    auto* p = reinterpret_cast<unsigned char*>(pTail + 1);
    for (ULONG i = 0; i < cValues; ++i) {
        const SPropValue& v = lpValues[i];
        const void* pBytes = i < kMeasured ? apBytes[i] : nullptr;
        const ULONG cb = i < kMeasured ? acb[i] : PayloadOf(v, &pBytes);
        const CRecord record{v.ulPropTag, cb};
        std::memcpy(p, &record, sizeof(record));
        p += sizeof(record);
        if (cb == kNull) {
            if (PROP_TYPE(v.ulPropTag) == PT_BINARY) {
                const uint64_t cbCounted = v.Value.bin.cb;
                std::memcpy(p, &cbCounted, kAlign);
                p += kAlign;
            }
            continue;
        }
        if (cb != 0) {
            std::memcpy(p, pBytes, cb);
        }
        std::memset(p + cb, 0, Padded(cb) - cb);
        p += Padded(cb);
    }
    pDrawer->AddRef();
    return pTail;
}

void CLabelTail::Free(CLabelTail* pTail) noexcept {
    if (pTail != nullptr) {
        if (pTail->m_pDrawer != nullptr) {
            pTail->m_pDrawer->Release();
        }
        FreeBlock(pTail);
    }
}

void CLabelTail::FreeBlock(CLabelTail* pTail) noexcept {
    if (pTail != nullptr) {
        const ULONG cbBlock = pTail->m_cbBlock;
        pTail->~CLabelTail();
        CPooledObject::FreeBytes(pTail, cbBlock);
    }
}

CLabelTail::CReader::CReader(const CLabelTail* pTail)
    : m_pNext(reinterpret_cast<const unsigned char*>(pTail + 1) + pTail->m_cbDone) {}

SPropValue CLabelTail::CReader::Next() {
    CRecord record;
    std::memcpy(&record, m_pNext, sizeof(record));
    const unsigned char* pBytes = m_pNext + sizeof(record);
    SPropValue v{};
    v.ulPropTag = record.ulPropTag;
    const ULONG ulType = PROP_TYPE(record.ulPropTag);
    if (record.cb == kNull) {
        // Every pointer of the union is NULL already; a binary value brings back its count.
        if (ulType == PT_BINARY) {
            uint64_t cbCounted = 0;
            std::memcpy(&cbCounted, pBytes, kAlign);
            v.Value.bin.cb = ULONG(cbCounted);
            pBytes += kAlign;
        }
        m_pNext = pBytes;
        return v;
    }
    // The block is 8-byte aligned and so is every record's payload.
    void* pPayload = const_cast<unsigned char*>(pBytes);
    switch (ulType) {
        case PT_STRING8:
            v.Value.lpszA = static_cast<LPSTR>(pPayload);
            break;
        case PT_UNICODE:
            v.Value.lpszW = static_cast<LPWSTR>(pPayload);
            break;
        case PT_CLSID:
            v.Value.lpguid = static_cast<GUID*>(pPayload);
            break;
        case PT_BINARY:
            v.Value.bin.cb = record.cb;
            v.Value.bin.lpb = static_cast<LPBYTE>(pPayload);
            break;
        default:
            std::memcpy(&v.Value, pBytes, 8);
            break;
    }
    m_pNext = pBytes + (IsPointerType(ulType) ? Padded(record.cb) : 8);
    return v;
}

void CLabelTail::DropFirst() {
    CReader reader(this);
    const unsigned char* pStart = reinterpret_cast<const unsigned char*>(this + 1) + m_cbDone;
    reader.Next();
    m_cbDone += ULONG(reader.Position() - pStart);
}
