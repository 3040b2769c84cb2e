// Linked MAPI memory: buffers that own further blocks, freed together, and row-set release.
//
// A value array with its texts used to cost one heap block per text. Readers ask for thousands of
// such arrays in a row, and next to a large live index every small block is a slow search of the
// heap; so a buffer keeps room behind its own bytes, and linked blocks are cut from that room (or
// from a chunk allocated for more room) instead of being allocated one by one.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "platform/mapi/BufferRoom.h"
#include "platform/mapi/HookState.h"
#include "platform/mapi/MAPIFunctions.h"

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QRV_MAPI_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define QRV_MAPI_ASAN 1
#endif
#ifdef QRV_MAPI_ASAN
#include <sanitizer/asan_interface.h>
// Room not handed out yet, and the padding behind each block cut from it, stay poisoned, so that
// the sanitizer still sees a write past the end of a linked block.
#define QRV_POISON(p, n) ASAN_POISON_MEMORY_REGION((p), (n))
#define QRV_UNPOISON(p, n) ASAN_UNPOISON_MEMORY_REGION((p), (n))
#else
#define QRV_POISON(p, n) ((void)(p), (void)(n))
#define QRV_UNPOISON(p, n) ((void)(p), (void)(n))
#endif

namespace {

// Every block carries this header in front of the caller's bytes. A buffer (root) chains the
// chunks allocated for it; a linked block points at its root so that it can serve as the parent of
// further ones. A root or chunk may hold room behind its own bytes, from which linked blocks are cut.
struct alignas(16) CBlockHeader {
    uint32_t m_magic;
    uint32_t m_roomNext;  // root and chunk: offset from their bytes of the first free byte of room
    uint32_t m_roomEnd;   // root and chunk: offset from their bytes of the end of the room
    uint32_t m_reserved;
    CBlockHeader* m_next;  // root: newest chunk; chunk: the one before it; block cut from room: null
    CBlockHeader* m_root;  // linked block: its root; root: null
};
static_assert(sizeof(CBlockHeader) % 16 == 0, "the caller's bytes must stay 16-byte aligned");

constexpr uint32_t kRootMagic = 0x42554631u;    // marks a live buffer
constexpr uint32_t kLinkedMagic = 0x4C4E4B31u;  // marks a live linked block
constexpr uint32_t kDeadMagic = 0xDEADDEADu;
// Room given to a chunk beyond the block that made it: enough for the texts of a typical row.
constexpr size_t kChunkRoom = 512;
// Blocks larger than this get a chunk of their own size, without room.
constexpr size_t kLargeBlock = 64 * 1024;
// Nothing larger than this is asked of the heap: offsets and sizes stay within 32 bits.
constexpr size_t kMaxTotal = 0xFFFFFF00u;

size_t Round16(size_t cb) {
    return (cb + 15) & ~static_cast<size_t>(15);
}

CBlockHeader* HeaderOf(LPVOID p) {
    return reinterpret_cast<CBlockHeader*>(static_cast<BYTE*>(p) - sizeof(CBlockHeader));
}

BYTE* BytesOf(CBlockHeader* header) {
    return reinterpret_cast<BYTE*>(header + 1);
}

// A heap block for a header, cbOwn zeroed bytes and cbRoom bytes of room behind them.
CBlockHeader* NewBlock(size_t cbOwn, size_t cbRoom, uint32_t magic) {
    const size_t own = Round16(cbOwn);
    if (cbOwn > kMaxTotal || cbRoom > kMaxTotal - own - sizeof(CBlockHeader)) {
        return nullptr;
    }
    auto* header = static_cast<CBlockHeader*>(std::malloc(sizeof(CBlockHeader) + own + cbRoom));
    if (header == nullptr) {
        return nullptr;
    }
    std::memset(header, 0, sizeof(CBlockHeader) + cbOwn);
    header->m_magic = magic;
    header->m_roomNext = static_cast<uint32_t>(own);
    header->m_roomEnd = static_cast<uint32_t>(own + cbRoom);
    QRV_POISON(BytesOf(header) + cbOwn, own + cbRoom - cbOwn);
    return header;
}

void FreeBlock(CBlockHeader* header) {
    header->m_magic = kDeadMagic;
    QRV_UNPOISON(header, sizeof(CBlockHeader) + header->m_roomEnd);
    std::free(header);
}

// Cuts a zeroed block of cb bytes for 'root' from the room of 'holder'; null when it does not fit.
LPVOID CutFromRoom(CBlockHeader* holder, CBlockHeader* root, size_t cb) {
    const size_t need = sizeof(CBlockHeader) + Round16(cb);
    if (holder == nullptr || holder->m_roomEnd - holder->m_roomNext < need) {
        return nullptr;
    }
    BYTE* at = BytesOf(holder) + holder->m_roomNext;
    holder->m_roomNext += static_cast<uint32_t>(need);
    QRV_UNPOISON(at, sizeof(CBlockHeader) + cb);
    auto* header = reinterpret_cast<CBlockHeader*>(at);
    std::memset(header, 0, sizeof(CBlockHeader) + cb);
    header->m_magic = kLinkedMagic;
    header->m_root = root;
    return header + 1;
}

}  // namespace

namespace qrvmapi {

SCODE AllocateBufferWithRoom(ULONG cbSize, size_t cbRoom, LPVOID* lppBuffer) {
    if (lppBuffer == nullptr) {
        return MAPI_E_INVALID_PARAMETER;
    }
    *lppBuffer = nullptr;
    if (AllocationFaultFires()) {
        return MAPI_E_NOT_ENOUGH_MEMORY;
    }
    CBlockHeader* header = NewBlock(cbSize, Round16(cbRoom), kRootMagic);
    if (header == nullptr) {
        return MAPI_E_NOT_ENOUGH_MEMORY;
    }
    CountBuffer(+1);
    *lppBuffer = header + 1;
    return S_OK;
}

size_t LinkedBlockCost(size_t cb) {
    return sizeof(CBlockHeader) + Round16(cb);
}

}  // namespace qrvmapi

SCODE MAPIAllocateBuffer(ULONG cbSize, LPVOID* lppBuffer) {
    return qrvmapi::AllocateBufferWithRoom(cbSize, 0, lppBuffer);
}

SCODE MAPIAllocateMore(ULONG cbSize, LPVOID lpObject, LPVOID* lppBuffer) {
    if (lppBuffer == nullptr) {
        return MAPI_E_INVALID_PARAMETER;
    }
    *lppBuffer = nullptr;
    if (lpObject == nullptr) {
        return MAPI_E_INVALID_PARAMETER;
    }
    CBlockHeader* parent = HeaderOf(lpObject);
    CBlockHeader* root = nullptr;
    if (parent->m_magic == kRootMagic) {
        root = parent;
    } else if (parent->m_magic == kLinkedMagic) {
        root = parent->m_root;
    } else {
        return MAPI_E_INVALID_PARAMETER;
    }
    // Every call counts for the armed faults, whether or not it reaches the heap.
    if (qrvmapi::AllocationFaultFires()) {
        return MAPI_E_NOT_ENOUGH_MEMORY;
    }
    if (LPVOID cut = CutFromRoom(root->m_next, root, cbSize)) {
        *lppBuffer = cut;
        return S_OK;
    }
    if (LPVOID cut = CutFromRoom(root, root, cbSize)) {
        *lppBuffer = cut;
        return S_OK;
    }
    // A chunk of its own: the block, and room for the next small ones.
    CBlockHeader* chunk = NewBlock(cbSize, cbSize <= kLargeBlock ? kChunkRoom : 0, kLinkedMagic);
    if (chunk == nullptr) {
        return MAPI_E_NOT_ENOUGH_MEMORY;
    }
    chunk->m_root = root;
    // A large chunk without room goes behind the newest one, which keeps its room for what follows.
    CBlockHeader* newest = root->m_next;
    if (chunk->m_roomEnd == chunk->m_roomNext && newest != nullptr) {
        chunk->m_next = newest->m_next;
        newest->m_next = chunk;
    } else {
        chunk->m_next = newest;
        root->m_next = chunk;
    }
    *lppBuffer = chunk + 1;
    return S_OK;
}

ULONG MAPIFreeBuffer(LPVOID lpBuffer) {
    if (lpBuffer == nullptr) {
        return S_OK;
    }
    CBlockHeader* root = HeaderOf(lpBuffer);
    if (root->m_magic != kRootMagic) {
        // A linked block is freed with its buffer; anything else is not ours to free.
        return static_cast<ULONG>(MAPI_E_INVALID_PARAMETER);
    }
    CBlockHeader* chunk = root->m_next;
    while (chunk != nullptr) {
        CBlockHeader* next = chunk->m_next;
        FreeBlock(chunk);
        chunk = next;
    }
    FreeBlock(root);
    qrvmapi::CountBuffer(-1);
    return S_OK;
}

void FreeProws(LPSRowSet lpRows) {
    if (lpRows == nullptr) {
        return;
    }
    for (ULONG i = 0; i < lpRows->cRows; ++i) {
        MAPIFreeBuffer(lpRows->aRow[i].lpProps);
    }
    MAPIFreeBuffer(lpRows);
}
