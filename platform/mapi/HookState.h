// Internal counters and armed faults behind the test hooks, shared by the service's objects.
#pragma once

#include "platform/win32/WinTypes.h"

namespace qrvmapi {

// True when an armed allocation fault fires now.
bool AllocationFaultFires();
// S_OK, or the code of an armed fault that fires now.
HRESULT OpenEntryFault();
HRESULT QueryRowsFault();
// The processors a test set for scattered reads; 0 when none was set.
ULONG ReadProcessors();
// Milliseconds a new connection waits for another program's lock.
int BusyTimeout();
// Runs the test's hook before a write lock is asked for, if one is set.
void BeforeWriteLock();

void CountBuffer(LONG delta);
void CountObject(LONG delta);
// Adds to the initialisation count and returns the new count (never below 0).
LONG CountInitialize(LONG delta);
LONG InitializeCount();
// MAPIInitialize calls less MAPIUninitialize calls, negative after one too many.
LONG InitializeBalance();

// Base of every reference-counted object of the service: counts live objects for the tests.
class CLiveObject {
public:
    CLiveObject() { CountObject(+1); }
    CLiveObject(const CLiveObject&) = delete;
    CLiveObject& operator=(const CLiveObject&) = delete;
    virtual ~CLiveObject() { CountObject(-1); }
};

}  // namespace qrvmapi
