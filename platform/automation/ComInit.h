// COM initialisation per thread: counted, so that every successful call is balanced by one
// CoUninitialize, as COM answers.
#pragma once

#include "platform/automation/ComTypes.h"

// S_OK for the thread's first initialisation, S_FALSE for a further one.
HRESULT CoInitialize(LPVOID pvReserved);
void CoUninitialize();
// How many initialisations of this thread are outstanding (CoCreateInstance needs one).
int GetComInitCount();
// Makes the next CoInitialize calls fail with hr (S_OK: succeed again); for tests.
void SetCoInitializeResult(HRESULT hr);

// As CoInitialize with a threading model; a thread keeps the model of its first initialisation
// and a different one gives RPC_E_CHANGED_MODE (which counts no initialisation).
HRESULT CoInitializeEx(LPVOID pvReserved, DWORD dwCoInit);
