// Small shared definitions of the object layer: positions of collection walks and index types.
#pragma once

#include <cstdint>

#include "platform/win32/WinTypes.h"

// An opaque cursor into a collection; null marks the end of a walk.
struct QrvPositionTag;
typedef QrvPositionTag* POSITION;
#define BEFORE_START_POSITION ((POSITION)-1L)

// Element counts and indexes of the collections are pointer-sized and signed.
typedef intptr_t INT_PTR;
typedef uintptr_t UINT_PTR;
