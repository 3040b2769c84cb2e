// COM initialisation of the user-interface thread. Nothing here needs a COM runtime of its own:
// the calls count the thread's initialisations so that they balance, as the program expects.
#pragma once

#include "platform/win32/WinTypes.h"

HRESULT CoInitialize(LPVOID pvReserved);
void CoUninitialize();
// How many initialisations of this thread are outstanding (tests check the balance).
int GetComInitCount();
// Makes the next CoInitialize calls fail with hr (S_OK: succeed again); for tests.
void SetCoInitializeResult(HRESULT hr);
