// Local heap blocks over the C heap.
#include "platform/win32/Memory.h"

#include <cstdlib>

HLOCAL LocalAlloc(UINT flags, size_t bytes) {
    // A zero-byte request still yields a distinct block, so that the caller can free it.
    void* p = (flags & LMEM_ZEROINIT) ? std::calloc(bytes ? bytes : 1, 1) : std::malloc(bytes ? bytes : 1);
    if (!p)
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return p;
}

HLOCAL LocalFree(HLOCAL block) {
    std::free(block);
    return nullptr;
}
