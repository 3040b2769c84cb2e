// The mail-client object model that automation reaches as "Outlook.Application": an application
// with a "Session" namespace that logs on to a profile of the message-store service, finds items
// by their hex entry ids and displays them in the item viewer.
#pragma once

#include "platform/automation/ComTypes.h"

// The ProgID, the class id it stands for, and the in-process module that serves it.
#define MAILCLIENT_PROGID "Outlook.Application"
#define MAILCLIENT_MODULE "qrvmailclient"
extern const CLSID CLSID_MailApplication;

// Writes the class's keys into HKEY_CLASSES_ROOT (the install step does this).
HRESULT RegisterMailClientClasses();
HRESULT UnregisterMailClientClasses();

// The module's entry point: the application's class factory (CLASS_E_CLASSNOTAVAILABLE for
// another class).
HRESULT MailClientGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv);
