// Mapping in the pages of fresh memory in one step instead of a fault per page.
#pragma once

#include <cstddef>

// A large search takes hundreds of megabytes of fresh memory, and the kernel maps each 4 KB page
// of it on first touch: one trap per page, which cost a third of the filing of a million new
// labels. Asking for the pages of a whole block at once does the same work without the traps, and
// spares a table that is read before it is written a second fault per page (the shared zero page
// first, then a copy). The block's contents are left as they are. Only whole pages inside the
// block are asked for; a kernel that cannot do it leaves the pages to be mapped on first touch.
void PrefaultPages(void* pBlock, size_t cb) noexcept;
