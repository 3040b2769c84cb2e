// Heap copies of binary keys (entry ids, instance keys) held by the configuration records.
#pragma once

#include "platform/mapi/MAPIDefs.h"
#include "platform/win32/WinTypes.h"

// Makes *lpDest an owned malloc copy of cb bytes at lpb. A source without bytes (count 0 or no
// pointer) gives the empty key and S_OK; E_OUTOFMEMORY leaves *lpDest empty. *lpDest must not
// own bytes when called.
HRESULT CopyBinaryKey(SBinary* lpDest, ULONG cb, const BYTE* lpb);

// Gives a caller its own copy of a held key (the caller frees it with FreeBinaryKey). A null
// lpKey is E_INVALIDARG; a failed copy is traced with the holder's own pszCopyFailure text.
HRESULT HandOutKeyCopy(SBinary* lpKey, const SBinary& held, const char* pszCopyFailure);

// Test seam: the copy after the next nSkip successful ones fails as if memory were exhausted;
// -1 (the start value) turns it off.
void SetKeyCopyFailureAfter(int nSkip);

// Frees an owned key and sets it empty.
void FreeBinaryKey(SBinary* lpKey);

// TRUE when the key has no bytes.
inline BOOL IsBinaryKeyEmpty(const SBinary& key) {
    return key.cb == 0 || key.lpb == nullptr;
}
