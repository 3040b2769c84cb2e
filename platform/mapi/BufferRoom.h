// Buffers with room for their linked blocks: one heap block for a value array and its texts.
#pragma once

#include <cstddef>

#include "platform/mapi/MAPIDefs.h"

namespace qrvmapi {

// MAPIAllocateBuffer with cbRoom bytes of room behind the buffer, from which MAPIAllocateMore cuts
// the blocks linked to it before it goes to the heap again. The buffer behaves in every other way
// as one from MAPIAllocateBuffer (counted, freed by MAPIFreeBuffer, subject to armed faults).
SCODE AllocateBufferWithRoom(ULONG cbSize, size_t cbRoom, LPVOID* lppBuffer);

// The room a linked block of cb bytes takes, with its header and alignment.
size_t LinkedBlockCost(size_t cb);

}  // namespace qrvmapi
