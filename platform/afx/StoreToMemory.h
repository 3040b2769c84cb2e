// An object's whole stored form in memory, made before any of it reaches a file.
#pragma once

#include <vector>

#include "platform/afx/CObject.h"
#include "platform/win32/WinTypes.h"

// Runs the object's Serialize with a storing archive into memory and hands over the bytes. false,
// with bytes empty, when Serialize raises an exception (deleted here): nothing of an object stored
// in part is handed on, so a file is only ever replaced by a complete copy.
bool StoreToMemory(CObject& object, std::vector<BYTE>& bytes);
