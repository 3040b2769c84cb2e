// The machine root: where registry hives, the Windows directory and MAPI data live.
#pragma once

#include <string>

#include "platform/win32/WinTypes.h"

// $QUORVEL_ROOT when set and not empty, else ${XDG_DATA_HOME:-$HOME/.local/share}/quorvel. Read
// anew on every call (tests switch roots). The directory is not created here.
std::string GetMachineRoot();
// "<root>/windows", created on demand by EnsureDirectory.
std::string GetWindowsDirectoryPath();
// Creates a directory and its parents; true when it exists afterwards.
bool EnsureDirectory(const std::string& path);

// Copies "<root>/windows" into buf; returns its length, or the size needed (with NUL) when size
// is too small.
UINT GetWindowsDirectoryA(LPSTR buf, UINT size);
#define GetWindowsDirectory GetWindowsDirectoryA
