// Kernel-object handles (threads, events, mutexes): waiting and closing.
#pragma once

#include "platform/win32/WinTypes.h"

#define WAIT_OBJECT_0 0x00000000u
#define WAIT_ABANDONED 0x00000080u
#define WAIT_TIMEOUT 0x00000102u
#define WAIT_FAILED 0xFFFFFFFFu

#define SYNCHRONIZE 0x00100000u
#define STILL_ACTIVE 259u

// Closes a handle; the object goes when its last handle is closed (a thread runs on regardless).
// FALSE with ERROR_INVALID_HANDLE for a handle that is not open.
BOOL CloseHandle(HANDLE handle);
// Waits until a thread has ended or an event is signalled (an auto-reset event is reset by a
// successful wait), at most milliseconds (INFINITE: no limit; 0: just a test). A mutex handle is
// always signalled to its owner process. WAIT_FAILED with ERROR_INVALID_HANDLE for a bad handle.
DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds);
