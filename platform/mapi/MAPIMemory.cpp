// Linked MAPI memory: buffers that own further blocks, freed together, and row-set release.
#include <cstdint>
#include <cstdlib>

#include "platform/mapi/HookState.h"
#include "platform/mapi/MAPIFunctions.h"

namespace {

// Every block carries this header in front of the caller's bytes. A buffer (root) chains the blocks
// linked to it; a linked block points at its root so that it can serve as the parent of further ones.
struct alignas(16) CBlockHeader {
    uint64_t m_magic;
    CBlockHeader* m_next;  // root: first linked block; linked block: the next one
    CBlockHeader* m_root;  // linked block: its root; root: null
    uint64_t m_reserved;
};
static_assert(sizeof(CBlockHeader) % 16 == 0, "the caller's bytes must stay 16-byte aligned");

constexpr uint64_t kRootMagic = 0x5256514D42554631ull;    // marks a live buffer
constexpr uint64_t kLinkedMagic = 0x5256514D4C4E4B31ull;  // marks a live linked block
constexpr uint64_t kDeadMagic = 0xDEADDEADDEADDEADull;

CBlockHeader* HeaderOf(LPVOID p) {
    return reinterpret_cast<CBlockHeader*>(static_cast<BYTE*>(p) - sizeof(CBlockHeader));
}

CBlockHeader* NewBlock(ULONG cbSize) {
    if (qrvmapi::AllocationFaultFires()) {
        return nullptr;
    }
    return static_cast<CBlockHeader*>(std::calloc(1, sizeof(CBlockHeader) + static_cast<size_t>(cbSize)));
}

}  // namespace

SCODE MAPIAllocateBuffer(ULONG cbSize, LPVOID* lppBuffer) {
    if (lppBuffer == nullptr) {
        return MAPI_E_INVALID_PARAMETER;
    }
    *lppBuffer = nullptr;
    CBlockHeader* header = NewBlock(cbSize);
    if (header == nullptr) {
        return MAPI_E_NOT_ENOUGH_MEMORY;
    }
    header->m_magic = kRootMagic;
    qrvmapi::CountBuffer(+1);
    *lppBuffer = header + 1;
    return S_OK;
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
    CBlockHeader* header = NewBlock(cbSize);
    if (header == nullptr) {
        return MAPI_E_NOT_ENOUGH_MEMORY;
    }
    header->m_magic = kLinkedMagic;
    header->m_root = root;
    header->m_next = root->m_next;
    root->m_next = header;
    *lppBuffer = header + 1;
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
    CBlockHeader* block = root->m_next;
    while (block != nullptr) {
        CBlockHeader* next = block->m_next;
        block->m_magic = kDeadMagic;
        std::free(block);
        block = next;
    }
    root->m_magic = kDeadMagic;
    std::free(root);
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
