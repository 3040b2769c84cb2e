// Logon to a configuration's profile and opening of its message stores.
#pragma once

#include "platform/win32/WinTypes.h"

class CConfigInfo;
class CStoreInfo;
struct IMAPISession;
struct IMsgStore;

// The flags of every logon: a session of its own for the named profile, never any dialog.
#define QRV_LOGON_FLAGS 0x108032u

// Logs on to the configuration's profile with its stored profile password (or none). The caller
// has called MAPIInitialize, and logs off and releases the session it receives.
HRESULT RetrieveSession(CConfigInfo* pConfig, IMAPISession** lppSession);

// Opens the store by its entry id with best access (and modify access when asked). A store that
// its provider refuses for want of a password gets the password kept with the store record
// through the profile's service administration and is opened once more; the service is then told
// not to keep the password, whether the second open succeeded or not.
HRESULT OpenStore(CConfigInfo* pConfig, IMAPISession* lpSession, CStoreInfo* pStore, IMsgStore** lppMDB,
                  BOOL bModify);
