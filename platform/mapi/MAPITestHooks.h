// Test hooks of the message-store service: fault injection and counters of what is still alive.
#pragma once

#include <functional>

#include "platform/win32/WinTypes.h"

// Each Fail* call arms one fault: the nth call from now of that kind fails (1 = the very next one)
// with the given code, once; 0 disarms it. Counting is process-wide and thread-safe.
struct CMAPITestHooks {
    // MAPIAllocateBuffer and MAPIAllocateMore (counted together) answer MAPI_E_NOT_ENOUGH_MEMORY.
    static void FailAllocation(ULONG nth);
    // OpenEntry of a session, store or folder (counted together).
    static void FailOpenEntry(ULONG nth, HRESULT hr);
    // IMAPITable::QueryRows of any table.
    static void FailQueryRows(ULONG nth, HRESULT hr);
    // Reads of many scattered items share their work out as if the process could run on n
    // processors, so that the reads side by side are tried on any machine; 0 (also after Reset):
    // on as many as it may run on.
    static void SetReadProcessors(ULONG n);
    // Runs 'before' on the thread that is about to ask SQLite for a file's write lock (the start of
    // an outermost transaction of any store or profile database), right before it asks, each time
    // until set again; empty disarms it. Transactions that 'before' itself starts do not run it.
    static void SetBeforeWriteLock(std::function<void()> before);
    // How long, in milliseconds, connections opened from now on wait for a lock another program
    // holds before they give up (MAPI_E_BUSY); 0 (also after Reset): the service's own wait.
    static void SetBusyTimeout(ULONG ulMilliseconds);
    // Disarms every fault and hook and forgets the processors set.
    static void Reset();

    // Buffers from MAPIAllocateBuffer not yet freed (their linked blocks are not counted apart).
    static LONG LiveBuffers();
    // Sessions, stores, folders, messages, tables and administration objects not yet released.
    static LONG LiveObjects();
    // MAPIInitialize calls not yet matched by MAPIUninitialize; negative when MAPIUninitialize was
    // called more often (the service itself then stays uninitialised, not below it).
    static LONG InitializeBalance();
};
