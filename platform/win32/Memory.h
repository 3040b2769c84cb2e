// Local heap blocks: what FormatMessage hands out and LocalFree takes back.
#pragma once

#include "platform/win32/WinTypes.h"

#define LMEM_FIXED 0x0000
#define LMEM_ZEROINIT 0x0040
#define LPTR (LMEM_FIXED | LMEM_ZEROINIT)

// A block of `bytes` bytes (zero-filled with LMEM_ZEROINIT), or null with ERROR_NOT_ENOUGH_MEMORY.
HLOCAL LocalAlloc(UINT flags, size_t bytes);
// Frees a block from LocalAlloc; null is allowed. Returns null.
HLOCAL LocalFree(HLOCAL block);
