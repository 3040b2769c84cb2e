// Binary keys in saved files, and their hexadecimal text.
#pragma once

#include "platform/mapi/MAPIDefs.h"
#include "platform/win32/WinTypes.h"

class CArchive;

// Writes a 4-byte count and the bytes; a null pointer is written as the empty key.
void SaveBinaryKey(ULONG cb, const BYTE* lpb, CArchive& ar);
// Reads a key into a malloc block that the caller frees with free(). The key is empty first; a
// count beyond the bytes left raises the archive's end-of-file failure before anything is
// allocated, a failed allocation CMemoryException (both leave the key empty).
void LoadBinaryKey(SBinary& bin, CArchive& ar);
// Two upper-case hex digits per byte, as a malloc string; null (and S_OK) for an empty key.
HRESULT SBin2String(const SBinary& bin, LPSTR* ppszText);
