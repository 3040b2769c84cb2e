// The message-store service's free functions: initialisation, logon, profile administration, memory.
#pragma once

#include "platform/mapi/MAPIInterfaces.h"

// Initialisation is counted: every successful MAPIInitialize needs one MAPIUninitialize. Logon and
// profile administration answer MAPI_E_NOT_INITIALIZED while the count is 0. The argument (a
// MAPIINIT block) may be null.
HRESULT MAPIInitialize(LPVOID lpMapiInit = nullptr);
void MAPIUninitialize();

// Logs on to a profile of the machine root's profile database. The profile is named (with
// MAPI_EXPLICIT_PROFILE or a non-empty name) or the default one (MAPI_USE_DEFAULT). A profile with a
// password needs it: a wrong or missing one gives MAPI_E_LOGON_FAILED, with or without the UI flags,
// since this layer has no user interface. A null or empty password stands for "no password".
HRESULT MAPILogonEx(ULONG_PTR ulUIParam, LPCSTR lpszProfileName, LPCSTR lpszPassword, FLAGS flFlags,
                    LPMAPISESSION* lppSession);
HRESULT MAPIAdminProfiles(ULONG ulFlags, LPPROFADMIN* lppProfAdmin);

// Linked memory: a buffer from MAPIAllocateBuffer owns the blocks that MAPIAllocateMore links to it,
// and one MAPIFreeBuffer on the buffer frees them all. Blocks are zero-filled and 16-byte aligned.
SCODE MAPIAllocateBuffer(ULONG cbSize, LPVOID* lppBuffer);
SCODE MAPIAllocateMore(ULONG cbSize, LPVOID lpObject, LPVOID* lppBuffer);
ULONG MAPIFreeBuffer(LPVOID lpBuffer);

// Frees a row set: every row's value array, then the set.
void FreeProws(LPSRowSet lpRows);
