// The in-process modules this program carries, by the name HKEY_CLASSES_ROOT gives them.
#pragma once

#include "platform/automation/ComTypes.h"

// A module's entry point: the class object of one of its classes.
typedef HRESULT (*PFN_GET_CLASS_OBJECT)(REFCLSID rclsid, REFIID riid, LPVOID* ppv);

// The entry point of the module with this name (compared without case), or null.
PFN_GET_CLASS_OBJECT FindInprocModule(const char* pszModule);
