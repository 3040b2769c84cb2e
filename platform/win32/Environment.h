// Environment variables: %NAME% expansion.
#pragma once

#include "platform/win32/WinTypes.h"

// Replaces each %NAME% by the variable's value; an unknown name and a lone % stay as they are.
// Returns the size of the full result including its NUL; when that is more than size, dst holds
// nothing usable (as on the platform, the caller must compare). 0 with ERROR_INVALID_PARAMETER for
// a null source.
DWORD ExpandEnvironmentStringsA(LPCSTR src, LPSTR dst, DWORD size);
#define ExpandEnvironmentStrings ExpandEnvironmentStringsA
