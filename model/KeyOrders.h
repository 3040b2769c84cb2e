// Orders of GUID and wide-text keys, shared by the named property lists and the duplicate index.
#pragma once

#include "platform/win32/WinTypes.h"

// Null first, then the 16 bytes as they lie in memory, compared as unsigned bytes. This is not
// the order of the GUID's text form: the first field is little-endian in memory.
bool ClsidLess(const GUID* a, const GUID* b);

// Null first, then the 16-bit code units compared one by one as unsigned values; a text sorts
// before any longer text it begins. Case-sensitive and locale-free, so the order never changes
// with the user's settings.
bool WideStringLess(const WCHAR* a, const WCHAR* b);

// The two orders as comparison objects for ordered containers.
struct CClsidLess {
    bool operator()(const GUID* a, const GUID* b) const { return ClsidLess(a, b); }
};
struct CWideStringLess {
    bool operator()(const WCHAR* a, const WCHAR* b) const { return WideStringLess(a, b); }
};
