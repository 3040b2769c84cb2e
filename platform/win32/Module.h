// The running program's own file (from /proc/self/exe) and its directory.
#pragma once

#include <string>

#include "platform/win32/WinTypes.h"

// Copies the program's full path into buf. Returns its length; when it does not fit, the text is
// cut to size - 1 characters, size is returned and the last error is ERROR_INSUFFICIENT_BUFFER.
// The module handle must be null (the program itself).
DWORD GetModuleFileNameA(HMODULE module, LPSTR buf, DWORD size);
#define GetModuleFileName GetModuleFileNameA
// The program's directory with a trailing '/', or empty when it cannot be determined.
std::string GetProgramDirectory();
