// The key orders of the duplicate index: which compared values count as equal and how they sort.
#pragma once

#include <cmath>
#include <cstring>

#include "model/KeyOrders.h"
#include "platform/mapi/MAPIDefs.h"
#include "platform/win32/WinTypes.h"

// The 8 stored bytes compared as unsigned bytes from the first byte in memory, which on this
// little-endian machine is the lowest-order byte. This is deliberately not the numeric order: it is
// the order users have always seen currency groups listed in, and equal amounts remain equal keys.
inline bool CurrencyLess(CURRENCY a, CURRENCY b) {
    return std::memcmp(&a, &b, sizeof(CURRENCY)) < 0;
}

// The unsigned 64-bit order of the time.
inline bool FiletimeLess(const FILETIME& a, const FILETIME& b) {
    if (a.dwHighDateTime != b.dwHighDateTime) {
        return a.dwHighDateTime < b.dwHighDateTime;
    }
    return a.dwLowDateTime < b.dwLowDateTime;
}

// Floating-point keys must form a strict weak order or the ordered map breaks: NaN is placed after
// every number and all NaNs are one key. 0.0 and -0.0 compare equal under '<' already.
template <class T>
inline bool FloatingLess(T a, T b) {
    const bool aNan = std::isnan(a);
    const bool bNan = std::isnan(b);
    if (aNan || bNan) {
        return !aNan && bNan;
    }
    return a < b;
}

// Narrow strings: the missing value (NULL) first, then byte order, case-sensitive.
inline bool StringLess(const char* a, const char* b) {
    if (a == b) {
        return false;
    }
    if (a == nullptr) {
        return true;
    }
    if (b == nullptr) {
        return false;
    }
    return std::strcmp(a, b) < 0;
}

// Binary values: NULL first, then the shorter value whatever its bytes, then the bytes unsigned.
inline bool SBinaryLess(const SBinary* a, const SBinary* b) {
    if (a == b) {
        return false;
    }
    if (a == nullptr) {
        return true;
    }
    if (b == nullptr) {
        return false;
    }
    if (a->cb != b->cb) {
        return a->cb < b->cb;
    }
    if (a->cb == 0) {
        return false;
    }
    return std::memcmp(a->lpb, b->lpb, a->cb) < 0;
}

// The comparator of each key type, for the ordered map of a label line.
template <class KEY>
struct KeyLess {
    bool operator()(KEY a, KEY b) const { return a < b; }
};
template <>
struct KeyLess<float> {
    bool operator()(float a, float b) const { return FloatingLess(a, b); }
};
template <>
struct KeyLess<double> {
    bool operator()(double a, double b) const { return FloatingLess(a, b); }
};
template <>
struct KeyLess<CURRENCY> {
    bool operator()(const CURRENCY& a, const CURRENCY& b) const { return CurrencyLess(a, b); }
};
template <>
struct KeyLess<FILETIME> {
    bool operator()(const FILETIME& a, const FILETIME& b) const { return FiletimeLess(a, b); }
};
template <>
struct KeyLess<char*> {
    bool operator()(const char* a, const char* b) const { return StringLess(a, b); }
};
template <>
struct KeyLess<WCHAR*> {
    bool operator()(const WCHAR* a, const WCHAR* b) const { return WideStringLess(a, b); }
};
template <>
struct KeyLess<GUID*> {
    bool operator()(const GUID* a, const GUID* b) const { return ClsidLess(a, b); }
};
template <>
struct KeyLess<SBinary*> {
    bool operator()(const SBinary* a, const SBinary* b) const { return SBinaryLess(a, b); }
};
