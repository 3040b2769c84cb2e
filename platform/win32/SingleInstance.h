// Named mutexes as markers across processes: an exclusive flock on "qrv-mutex-<name>.lock" in
// $XDG_RUNTIME_DIR, released by the kernel when the holder dies. When QUORVEL_ROOT names a machine
// root (tests, a separate installation) or there is no runtime directory, the lock file lies in the
// machine root, so each machine root has its own instance.
#pragma once

#include "platform/win32/Handle.h"
#include "platform/win32/WinTypes.h"

#define MUTEX_ALL_ACCESS 0x1F0001u

// Creates the named mutex and holds its lock until the handle is closed. When the name is already
// held (by another process, or earlier in this one) a handle is still returned and the last error
// is ERROR_ALREADY_EXISTS, as on the platform; ERROR_SUCCESS otherwise. Null with the last error
// when the lock file cannot be made. initialOwner is accepted; ownership means nothing here.
HANDLE CreateMutexA(void* securityAttributes, BOOL initialOwner, LPCSTR name);
// Succeeds (a handle that holds nothing) when a mutex of that name is held by any process, fails
// with ERROR_FILE_NOT_FOUND otherwise.
HANDLE OpenMutexA(DWORD desiredAccess, BOOL inheritHandle, LPCSTR name);
#define CreateMutex CreateMutexA
#define OpenMutex OpenMutexA
