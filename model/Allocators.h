// Heap copies of the MAPI values that the duplicate index keys by pointer: binary values, narrow
// and wide strings, GUIDs.
//
// Each allocator is stateless and lives for one key operation. A value is made by Allocate and
// filled by Copy from the same source, and handed back through the same allocator's Free. Every
// block comes from malloc (never from MAPI's memory functions, so a key never shares storage with
// the value it was made from) and is zero-filled before anything is copied into it.
#pragma once

#include "platform/mapi/MAPIDefs.h"
#include "platform/win32/WinTypes.h"

class CBinaryAllocator {
public:
    CBinaryAllocator();
    ~CBinaryAllocator();
    CBinaryAllocator(const CBinaryAllocator&) = delete;
    CBinaryAllocator& operator=(const CBinaryAllocator&) = delete;

    // A new empty SBinary (cb 0, lpb null) whatever the source; null only when the heap is
    // exhausted. The bytes come with Copy.
    SBinary* Allocate(const SBinary* lpSource);
    // Gives the destination (an empty value from Allocate) a copy of the source's bytes when the
    // destination exists and the source has bytes. E_OUTOFMEMORY when the byte block cannot be had: the
    // destination then stays empty, and an empty key must not stand in for a value that has bytes.
    HRESULT Copy(SBinary* lpDest, const SBinary* lpSource);
    // Frees the bytes (if any) and the structure.
    void Free(SBinary* lpValue);
};

class CCharAllocator {
public:
    CCharAllocator();
    ~CCharAllocator();
    CCharAllocator(const CCharAllocator&) = delete;
    CCharAllocator& operator=(const CCharAllocator&) = delete;

    // A copy of the zero-terminated string; null for a null source or an exhausted heap.
    char* Allocate(const char* lpszSource);
    // Copies the source over the destination only when it is no longer than the destination's
    // current string (there is room for nothing more); otherwise nothing happens. S_OK always.
    HRESULT Copy(char* lpszDest, const char* lpszSource);
    void Free(char* lpszValue);
};

class CWchar_tAllocator {
public:
    CWchar_tAllocator();
    ~CWchar_tAllocator();
    CWchar_tAllocator(const CWchar_tAllocator&) = delete;
    CWchar_tAllocator& operator=(const CWchar_tAllocator&) = delete;

    // The same as CCharAllocator in 16-bit units.
    WCHAR* Allocate(const WCHAR* lpszSource);
    HRESULT Copy(WCHAR* lpszDest, const WCHAR* lpszSource);
    void Free(WCHAR* lpszValue);
};

class CClsidAllocator {
public:
    CClsidAllocator();
    ~CClsidAllocator();
    CClsidAllocator(const CClsidAllocator&) = delete;
    CClsidAllocator& operator=(const CClsidAllocator&) = delete;

    // A 16-byte copy of the GUID; null for a null source or an exhausted heap.
    GUID* Allocate(const GUID* lpSource);
    // Copies the 16 bytes when the destination exists. S_OK always.
    HRESULT Copy(GUID* lpDest, const GUID* lpSource);
    void Free(GUID* lpValue);
};

// Test seam: after the next nSkip successful allocations of the allocators, the following one
// fails as if the heap were exhausted; -1 (the start value) turns it off.
void SetAllocatorFailureAfter(int nSkip);
