// Automation classes in HKEY_CLASSES_ROOT: ProgIDs, class ids and the module that serves each.
//
// A registered class has "HKCR\<ProgID>\CLSID" = "{class id}" and "HKCR\CLSID\{class id}" with
// "ProgID" and an "InprocServer32" key whose default value names the module that makes its
// objects (see InprocModules.h).
#pragma once

#include <string>

#include "platform/automation/ComTypes.h"

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" into a class id: CO_E_CLASSSTRING for anything else.
HRESULT CLSIDFromString(LPCOLESTR lpsz, LPCLSID pclsid);
// The braced upper-case text of a GUID; returns the units written with the NUL (39), or 0 when
// cchMax is too small.
int StringFromGUID2(REFGUID rguid, LPOLESTR lpsz, int cchMax);
std::string GuidToString(REFGUID rguid);
bool GuidFromString(const std::string& text, GUID* pGuid);

// The class id registered for a ProgID. CO_E_CLASSSTRING when the ProgID is not registered or its
// class id is not a valid one; E_INVALIDARG for null arguments.
HRESULT CLSIDFromProgID(LPCOLESTR lpszProgID, LPCLSID lpclsid);

// Writes the keys of one class (replacing those of an earlier registration); a Win32 error is
// returned as an HRESULT.
HRESULT RegisterAutomationClass(const std::string& progId, REFCLSID clsid, const std::string& description,
                                const std::string& module);
// Removes the class's keys; S_OK when there were none.
HRESULT UnregisterAutomationClass(const std::string& progId, REFCLSID clsid);
// The module named for the class: REGDB_E_CLASSNOTREG without a class key, or without a server.
HRESULT GetInprocServerModule(REFCLSID clsid, std::string& module);
