// Private-profile (INI file) access. A file name without a directory is looked up in the Windows
// directory, "<root>/windows" (matching the name case-insensitively when the exact name is absent).
#pragma once

#include "platform/win32/WinTypes.h"

// Copies the value of key in section (names case-insensitive, blanks around the value and one pair
// of enclosing quotes removed) or else def into buf. A null key gives all key names of the section,
// a null section all section names, each ended by NUL and the list by a second NUL. Returns the
// number of characters copied without the NUL; a value cut to fit returns size - 1 (size - 2 for
// the lists). A missing file gives the default.
DWORD GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR def, LPSTR buf, DWORD size,
                               LPCSTR fileName);
// The value as an integer: optional blanks, an optional sign, then decimal digits (or 0x and hex
// digits); a value that does not start with a number gives 0, a missing key def.
UINT GetPrivateProfileIntA(LPCSTR section, LPCSTR key, INT def, LPCSTR fileName);
// Sets key=value in section (creating file and section); a null value removes the key, a null key
// the section. The file is rewritten atomically.
BOOL WritePrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR fileName);

#define GetPrivateProfileString GetPrivateProfileStringA
#define GetPrivateProfileInt GetPrivateProfileIntA
#define WritePrivateProfileString WritePrivateProfileStringA
