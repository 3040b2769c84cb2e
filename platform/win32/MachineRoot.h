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
// The same for a directory that holds the user's secrets (profiles, stores): it is made, or made
// again if an earlier version left it open, readable by its owner alone (0700), whatever the
// umask. A directory of another owner is left as it is. false (with errno) when it is not there
// afterwards.
bool EnsurePrivateDirectory(const std::string& path);

// Copies "<root>/windows" into buf; returns its length, or the size needed (with NUL) when size
// is too small.
UINT GetWindowsDirectoryA(LPSTR buf, UINT size);
#define GetWindowsDirectory GetWindowsDirectoryA
