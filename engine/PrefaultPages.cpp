// PrefaultPages: the pages of a block mapped writable ahead of use.
#include "engine/PrefaultPages.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

void PrefaultPages(void* pBlock, size_t cb) noexcept {
#ifdef MADV_POPULATE_WRITE
    static const uintptr_t s_cbPage = uintptr_t(sysconf(_SC_PAGESIZE));
    const uintptr_t start = (reinterpret_cast<uintptr_t>(pBlock) + s_cbPage - 1) & ~(s_cbPage - 1);
    const uintptr_t end = (reinterpret_cast<uintptr_t>(pBlock) + cb) & ~(s_cbPage - 1);
    if (pBlock != nullptr && end > start) {
        // A failure (an older kernel, memory short) only means the pages come on first touch.
        (void)madvise(reinterpret_cast<void*>(start), end - start, MADV_POPULATE_WRITE);
    }
#else
    (void)pBlock;
    (void)cb;
#endif
}
