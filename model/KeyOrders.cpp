// ClsidLess and WideStringLess.
#include "model/KeyOrders.h"

#include <cstring>

bool ClsidLess(const GUID* a, const GUID* b) {
    if (a == b || b == nullptr) {
        return false;
    }
    if (a == nullptr) {
        return true;
    }
    return std::memcmp(a, b, sizeof(GUID)) < 0;
}

bool WideStringLess(const WCHAR* a, const WCHAR* b) {
    if (a == nullptr) {
        return b != nullptr;
    }
    if (b == nullptr) {
        return false;
    }
    // char16_t is unsigned, so the units compare as unsigned 16-bit values.
    while (*a != 0 && *a == *b) {
        ++a;
        ++b;
    }
    return *a < *b;
}
