// Threads: start, identity, exit code, sleeping.
#pragma once

#include "platform/win32/Handle.h"
#include "platform/win32/WinTypes.h"

typedef DWORD (*LPTHREAD_START_ROUTINE)(LPVOID parameter);

#define CREATE_SUSPENDED 0x00000004u

// Starts a thread running start(parameter) and returns a handle to it (wait on it with
// WaitForSingleObject, close it with CloseHandle). The security, stack and flag arguments are
// accepted; CREATE_SUSPENDED is refused with ERROR_INVALID_PARAMETER. Null with the last error set
// when no thread can be started.
HANDLE CreateThread(void* securityAttributes, size_t stackSize, LPTHREAD_START_ROUTINE start,
                    LPVOID parameter, DWORD flags, LPDWORD threadId);
// The kernel id of the calling thread.
DWORD GetCurrentThreadId();
// The thread's result once it has ended, STILL_ACTIVE before.
BOOL GetExitCodeThread(HANDLE thread, LPDWORD exitCode);
void Sleep(DWORD milliseconds);
