// Object activation: CoCreateInstance and the class objects a process offers while it runs.
#pragma once

#include "platform/automation/ComTypes.h"

// Makes an object of a class and asks it for riid. Needs COM initialised on this thread
// (CO_E_NOTINITIALIZED). A class object registered by this process with CoRegisterClassObject is
// used first; otherwise the class must be registered in HKEY_CLASSES_ROOT (REGDB_E_CLASSNOTREG)
// with a known module (CO_E_DLLNOTFOUND). Every context runs in this process, so any context that
// names a server (in-process, local or remote) is served.
HRESULT CoCreateInstance(REFCLSID rclsid, IUnknown* pUnkOuter, DWORD dwClsContext, REFIID riid, LPVOID* ppv);
// The class object of a class, found in the same order as CoCreateInstance.
HRESULT CoGetClassObject(REFCLSID rclsid, DWORD dwClsContext, LPVOID pvReserved, REFIID riid, LPVOID* ppv);

// Offers a class object to the process (as a running server does); the runtime holds one
// reference until CoRevokeClassObject with the returned cookie (CO_E_OBJNOTREG when unknown).
HRESULT CoRegisterClassObject(REFCLSID rclsid, IUnknown* pUnk, DWORD dwClsContext, DWORD flags,
                              LPDWORD lpdwRegister);
HRESULT CoRevokeClassObject(DWORD dwRegister);
