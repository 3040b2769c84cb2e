// Critical sections and events. Events are process-local, also when named: one instance of the
// program never stops another's threads.
#pragma once

#include "platform/win32/Handle.h"
#include "platform/win32/WinTypes.h"

// A recursive lock. Initialize before use and Delete after; the owning thread may enter again.
struct CRITICAL_SECTION {
    void* m_impl = nullptr;
};
typedef CRITICAL_SECTION* LPCRITICAL_SECTION;

void InitializeCriticalSection(LPCRITICAL_SECTION cs);
void DeleteCriticalSection(LPCRITICAL_SECTION cs);
void EnterCriticalSection(LPCRITICAL_SECTION cs);
BOOL TryEnterCriticalSection(LPCRITICAL_SECTION cs);
void LeaveCriticalSection(LPCRITICAL_SECTION cs);

#define EVENT_MODIFY_STATE 0x0002u
#define EVENT_ALL_ACCESS 0x1F0003u

// Creates an event; a name already in use in this process opens that event instead and sets the
// last error to ERROR_ALREADY_EXISTS (ERROR_SUCCESS otherwise).
HANDLE CreateEventA(void* securityAttributes, BOOL manualReset, BOOL initialState, LPCSTR name);
// Opens an existing named event; null with ERROR_FILE_NOT_FOUND when none has that name.
HANDLE OpenEventA(DWORD desiredAccess, BOOL inheritHandle, LPCSTR name);
BOOL SetEvent(HANDLE event);
BOOL ResetEvent(HANDLE event);
#define CreateEvent CreateEventA
#define OpenEvent OpenEventA
