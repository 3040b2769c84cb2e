// Growth of the engine's zero-filled arrays of object pointers (entry lists, the search result).
#pragma once

#include <cstdlib>
#include <cstring>

#include "platform/win32/WinTypes.h"

// Grows *pppArray by ulStep zero-filled slots, keeping its first ulCount pointers, and raises
// *pulCapacity to match; false, with nothing changed, when memory runs out.
template <class T>
bool GrowPointerArray(T*** pppArray, ULONG ulCount, ULONG* pulCapacity, ULONG ulStep) {
    const ULONG ulNewCapacity = *pulCapacity + ulStep;
    auto ppNew = static_cast<T**>(std::calloc(ulNewCapacity, sizeof(T*)));
    if (ppNew == nullptr) {
        return false;
    }
    if (ulCount != 0) {
        std::memcpy(ppNew, *pppArray, ulCount * sizeof(T*));
    }
    std::free(*pppArray);
    *pppArray = ppNew;
    *pulCapacity = ulNewCapacity;
    return true;
}
