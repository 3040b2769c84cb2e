// Initialisation, logon and profile administration: the service's entry points.
#include "platform/mapi/HookState.h"
#include "platform/mapi/MAPIFunctions.h"
#include "platform/mapi/ProfAdmin.h"
#include "platform/mapi/ProfileDb.h"
#include "platform/mapi/Session.h"
#include "platform/mapi/SqliteDb.h"

HRESULT MAPIInitialize(LPVOID) {
    qrvmapi::ConfigureSqlite();
    qrvmapi::CountInitialize(+1);
    return S_OK;
}

void MAPIUninitialize() {
    qrvmapi::CountInitialize(-1);
}

HRESULT MAPILogonEx(ULONG_PTR, LPCSTR lpszProfileName, LPCSTR lpszPassword, FLAGS flFlags,
                    LPMAPISESSION* lppSession) {
    if (lppSession == nullptr) {
        return MAPI_E_INVALID_PARAMETER;
    }
    *lppSession = nullptr;
    if (qrvmapi::InitializeCount() == 0) {
        return MAPI_E_NOT_INITIALIZED;
    }
    qrvmapi::CProfileDb db;
    HRESULT hr = db.Open();
    if (FAILED(hr)) {
        return hr;
    }
    qrvmapi::CProfileRow profile;
    bool named = lpszProfileName != nullptr && *lpszProfileName != '\0';
    if (named && (flFlags & MAPI_USE_DEFAULT) == 0) {
        hr = db.FindProfile(lpszProfileName, profile);
    } else {
        hr = db.DefaultProfile(profile);
    }
    if (hr == MAPI_E_NOT_FOUND) {
        return MAPI_E_LOGON_FAILED;
    }
    if (FAILED(hr)) {
        return hr;
    }
    if (!db.CheckProfilePassword(profile.m_id, lpszPassword != nullptr ? lpszPassword : "")) {
        return MAPI_E_LOGON_FAILED;
    }
    *lppSession = new qrvmapi::CSessionImpl(profile.m_id, profile.m_name);
    return S_OK;
}

HRESULT MAPIAdminProfiles(ULONG, LPPROFADMIN* lppProfAdmin) {
    if (lppProfAdmin == nullptr) {
        return MAPI_E_INVALID_PARAMETER;
    }
    *lppProfAdmin = nullptr;
    if (qrvmapi::InitializeCount() == 0) {
        return MAPI_E_NOT_INITIALIZED;
    }
    *lppProfAdmin = new qrvmapi::CProfAdminImpl();
    return S_OK;
}
