// Profile administration and message-service administration over the profile database.
#include "platform/mapi/ProfAdmin.h"

#include <cstring>

#include <unistd.h>

#include <climits>

#include "platform/mapi/EntryId.h"
#include "platform/mapi/MemTable.h"
#include "platform/mapi/StoreDb.h"

namespace qrvmapi {

namespace {

constexpr ULONG kStoreProviderType = 33;  // MAPI_STORE_PROVIDER

std::string TextOf(LPCSTR text) {
    return text != nullptr ? std::string(text) : std::string();
}

// The text of an 8-bit or UTF-16 string value; false for any other type.
bool TextValue(const SPropValue& value, std::string& text) {
    CPropCell cell;
    if (FAILED(CellFromValue(value, cell)) || cell.m_kind != CellKind::Text) {
        return false;
    }
    text = cell.m_bytes;
    return true;
}

// Opens the profile database for one call: the failure to open it, or what the call returns.
template <class Call>
HRESULT WithProfileDb(Call call) {
    CProfileDb db;
    HRESULT hr = db.Open();
    return FAILED(hr) ? hr : call(db);
}

// A table of the profile's services, one row each made by rowOf, showing the columns.
template <class RowOf>
HRESULT ServiceTable(LONGLONG profile, std::vector<ULONG> columns, RowOf rowOf, LPMAPITABLE* lppTable) {
    if (lppTable == nullptr) {
        return MAPI_E_INVALID_PARAMETER;
    }
    *lppTable = nullptr;
    std::vector<CServiceRow> services;
    HRESULT hr = WithProfileDb([&](CProfileDb& db) { return db.Services(profile, services); });
    if (FAILED(hr)) {
        return hr;
    }
    std::vector<std::vector<CPropCell>> rows;
    for (const CServiceRow& service : services) {
        rows.push_back(rowOf(service));
    }
    *lppTable = new CMemTable(std::move(columns), std::move(rows));
    return S_OK;
}

}  // namespace

std::string ResolveStorePath(const std::string& path) {
    if (path.find('/') == std::string::npos) {
        return StoresDirectory() + "/" + path;
    }
    if (path[0] == '/') {
        return path;
    }
    char cwd[PATH_MAX];
    if (getcwd(cwd, sizeof(cwd)) == nullptr) {
        return path;
    }
    return std::string(cwd) + "/" + path;
}

HRESULT CProfAdminImpl::GetProfileTable(ULONG, LPMAPITABLE* lppTable) {
    if (lppTable == nullptr) {
        return MAPI_E_INVALID_PARAMETER;
    }
    *lppTable = nullptr;
    std::vector<CProfileRow> profiles;
    HRESULT hr = WithProfileDb([&](CProfileDb& db) { return db.Profiles(profiles); });
    if (FAILED(hr)) {
        return hr;
    }
    std::vector<std::vector<CPropCell>> rows;
    for (const CProfileRow& profile : profiles) {
        rows.push_back({CPropCell::Text(PR_DISPLAY_NAME, profile.m_name),
                        CPropCell::Binary(PR_INSTANCE_KEY, profile.m_uid),
                        CPropCell::Bool(PR_DEFAULT_PROFILE, profile.m_default)});
    }
    *lppTable = new CMemTable({PR_DISPLAY_NAME, PR_INSTANCE_KEY, PR_DEFAULT_PROFILE}, std::move(rows));
    return S_OK;
}

HRESULT CProfAdminImpl::CreateProfile(LPCSTR lpszProfileName, LPCSTR lpszPassword, ULONG_PTR, ULONG) {
    if (lpszProfileName == nullptr || *lpszProfileName == '\0') {
        return MAPI_E_INVALID_PARAMETER;
    }
    return WithProfileDb(
        [&](CProfileDb& db) { return db.CreateProfile(lpszProfileName, TextOf(lpszPassword)); });
}

HRESULT CProfAdminImpl::DeleteProfile(LPCSTR lpszProfileName, ULONG) {
    if (lpszProfileName == nullptr) {
        return MAPI_E_INVALID_PARAMETER;
    }
    return WithProfileDb([&](CProfileDb& db) { return db.DeleteProfile(lpszProfileName); });
}

HRESULT CProfAdminImpl::SetDefaultProfile(LPCSTR lpszProfileName, ULONG) {
    if (lpszProfileName == nullptr) {
        return MAPI_E_INVALID_PARAMETER;
    }
    return WithProfileDb([&](CProfileDb& db) { return db.SetDefaultProfile(lpszProfileName); });
}

HRESULT CProfAdminImpl::AdminServices(LPCSTR lpszProfileName, LPCSTR lpszPassword, ULONG_PTR, ULONG,
                                      LPSERVICEADMIN* lppServiceAdmin) {
    if (lppServiceAdmin == nullptr || lpszProfileName == nullptr) {
        return MAPI_E_INVALID_PARAMETER;
    }
    *lppServiceAdmin = nullptr;
    CProfileDb db;
    HRESULT hr = db.Open();
    CProfileRow profile;
    if (SUCCEEDED(hr)) {
        hr = db.FindProfile(lpszProfileName, profile);
    }
    if (FAILED(hr)) {
        return hr;
    }
    if (!db.CheckProfilePassword(profile.m_id, TextOf(lpszPassword))) {
        return MAPI_E_LOGON_FAILED;
    }
    *lppServiceAdmin = new CMsgServiceAdminImpl(profile.m_id);
    return S_OK;
}

HRESULT CMsgServiceAdminImpl::GetMsgServiceTable(ULONG, LPMAPITABLE* lppTable) {
    return ServiceTable(
        m_profile, {PR_SERVICE_UID, PR_SERVICE_NAME, PR_DISPLAY_NAME, PR_RESOURCE_FLAGS, PR_INSTANCE_KEY},
        [](const CServiceRow& service) -> std::vector<CPropCell> {
            return {CPropCell::Binary(PR_SERVICE_UID, service.m_uid),
                    CPropCell::Text(PR_SERVICE_NAME, service.m_name),
                    CPropCell::Text(PR_DISPLAY_NAME, service.m_display),
                    CPropCell::Long(PR_RESOURCE_FLAGS, service.m_default ? STATUS_DEFAULT_STORE : 0),
                    CPropCell::Binary(PR_INSTANCE_KEY, service.m_uid),
                    CPropCell::Text(PR_PST_PATH, service.m_path)};
        },
        lppTable);
}

HRESULT CMsgServiceAdminImpl::CreateMsgService(LPCSTR lpszService, LPCSTR lpszDisplayName, ULONG_PTR, ULONG) {
    std::string service = TextOf(lpszService);
    if (service != "MSPST MS" && service != "MSUPST MS") {
        return MAPI_E_NOT_FOUND;  // the personal-folders service is the only one installed
    }
    std::string display = TextOf(lpszDisplayName);
    if (display.empty()) {
        display = "Personal Folders";
    }
    return WithProfileDb([&](CProfileDb& db) { return db.CreateService(m_profile, service, display); });
}

HRESULT CMsgServiceAdminImpl::DeleteMsgService(LPMAPIUID lpUID) {
    if (lpUID == nullptr) {
        return MAPI_E_INVALID_PARAMETER;
    }
    return WithProfileDb([&](CProfileDb& db) {
        return db.DeleteService(m_profile, std::string(reinterpret_cast<const char*>(lpUID->ab), 16));
    });
}

namespace {

// The settings a configuration of a personal-folders service gives.
struct CServiceSettings {
    std::optional<std::string> m_display, m_path, m_newPassword, m_oldPassword;
    std::optional<bool> m_remember;
};

HRESULT ReadSettings(ULONG cValues, LPSPropValue lpProps, CServiceSettings& settings) {
    for (ULONG i = 0; i < cValues; ++i) {
        const SPropValue& value = lpProps[i];
        std::string text;
        switch (PROP_ID(value.ulPropTag)) {
            case PROP_ID(PR_DISPLAY_NAME):
                if (!TextValue(value, text))
                    return MAPI_E_INVALID_PARAMETER;
                settings.m_display = text;
                break;
            case PROP_ID(PR_PST_PATH):
                if (!TextValue(value, text) || text.empty())
                    return MAPI_E_INVALID_PARAMETER;
                settings.m_path = text;
                break;
            case PROP_ID(PR_PST_PW_SZ_NEW):
                if (!TextValue(value, text))
                    return MAPI_E_INVALID_PARAMETER;
                settings.m_newPassword = text;
                break;
            case PROP_ID(PR_PST_PW_SZ_OLD):
                if (!TextValue(value, text))
                    return MAPI_E_INVALID_PARAMETER;
                settings.m_oldPassword = text;
                break;
            case PROP_ID(PR_PST_REMEMBER_PW):
                if (PROP_TYPE(value.ulPropTag) != PT_BOOLEAN)
                    return MAPI_E_INVALID_PARAMETER;
                settings.m_remember = value.Value.b != 0;
                break;
            default:
                break;  // other settings of the service are not kept
        }
    }
    return S_OK;
}

// Configures the service 'uid' of the profile, inside a transaction of 'db'.
HRESULT ApplySettings(CProfileDb& db, LONGLONG profile, const std::string& uid,
                      const CServiceSettings& settings) {
    HRESULT hr;
    CServiceRow service;
    hr = db.FindService(profile, uid, service);
    if (FAILED(hr)) {
        return hr;
    }
    if (settings.m_display) {
        service.m_display = *settings.m_display;
    }
    if (settings.m_path) {
        std::string full = ResolveStorePath(*settings.m_path);
        if (access(full.c_str(), F_OK) != 0) {
            hr = CStoreDb::Create(full, service.m_display, settings.m_newPassword.value_or(""));
            if (FAILED(hr)) {
                return hr;
            }
        }
        CStoreDb store;
        hr = store.Open(full);
        if (FAILED(hr)) {
            return hr;
        }
        CServiceRow other;
        hr = db.FindServiceByStore(profile, store.Uid(), other);
        if (SUCCEEDED(hr) && other.m_id != service.m_id) {
            return MAPI_E_COLLISION;  // the profile has that store already
        }
        if (FAILED(hr) && hr != MAPI_E_NOT_FOUND) {
            return hr;
        }
        service.m_path = full;
        service.m_storeUid = store.Uid();
    }
    // The password the service hands to its store: kept when asked to remember it (or when it is
    // given alone), dropped when asked to forget.
    if (settings.m_oldPassword && settings.m_remember.value_or(true)) {
        service.m_rememberedPassword = *settings.m_oldPassword;
    } else if (settings.m_remember && !*settings.m_remember) {
        service.m_rememberedPassword.reset();
    }
    hr = db.UpdateService(service);
    if (FAILED(hr)) {
        return hr;
    }
    if (settings.m_path) {
        // A profile's first store becomes its default store.
        std::vector<CServiceRow> services;
        hr = db.Services(profile, services);
        if (FAILED(hr)) {
            return hr;
        }
        bool anyDefault = false;
        for (const CServiceRow& row : services) {
            anyDefault = anyDefault || (row.m_default && !row.m_path.empty());
        }
        if (!anyDefault) {
            hr = db.SetDefaultService(profile, service.m_id);
            if (FAILED(hr)) {
                return hr;
            }
        }
    }
    return S_OK;
}

// Reads the settings, then applies them to the profile database in one transaction: a failure
// leaves the database as it was.
template <class Apply>
HRESULT ApplyInTransaction(ULONG cValues, LPSPropValue lpProps, Apply apply) {
    CServiceSettings settings;
    HRESULT hr = ReadSettings(cValues, lpProps, settings);
    if (FAILED(hr)) {
        return hr;
    }
    CProfileDb db;
    hr = db.Open();
    if (FAILED(hr)) {
        return hr;
    }
    CTransaction tx(db.Db());
    if (FAILED(tx.Result())) {
        return tx.Result();
    }
    hr = apply(db, settings);
    return FAILED(hr) ? hr : tx.Commit();
}

}  // namespace

HRESULT CMsgServiceAdminImpl::ConfigureMsgService(LPMAPIUID lpUID, ULONG_PTR, ULONG, ULONG cValues,
                                                  LPSPropValue lpProps) {
    if (lpUID == nullptr || (cValues > 0 && lpProps == nullptr)) {
        return MAPI_E_INVALID_PARAMETER;
    }
    const std::string uid(reinterpret_cast<const char*>(lpUID->ab), 16);
    return ApplyInTransaction(cValues, lpProps, [&](CProfileDb& db, const CServiceSettings& settings) {
        return ApplySettings(db, m_profile, uid, settings);
    });
}

HRESULT CMsgServiceAdminImpl::CreateConfiguredService(LPCSTR lpszDisplayName, ULONG cValues,
                                                      LPSPropValue lpProps, LPMAPIUID lpUID) {
    if (lpUID == nullptr || (cValues > 0 && lpProps == nullptr)) {
        return MAPI_E_INVALID_PARAMETER;
    }
    const std::string display = TextOf(lpszDisplayName);
    std::string uid;
    // One transaction: a service is there configured, or not at all.
    HRESULT hr = ApplyInTransaction(cValues, lpProps, [&](CProfileDb& db, const CServiceSettings& settings) {
        HRESULT hrCreate =
            db.CreateService(m_profile, "MSPST MS", display.empty() ? "Personal Folders" : display, &uid);
        return FAILED(hrCreate) ? hrCreate : ApplySettings(db, m_profile, uid, settings);
    });
    if (SUCCEEDED(hr)) {
        std::memcpy(lpUID->ab, uid.data(), sizeof(lpUID->ab));
    }
    return hr;
}

HRESULT CMsgServiceAdminImpl::GetProviderTable(ULONG, LPMAPITABLE* lppTable) {
    return ServiceTable(
        m_profile, {PR_INSTANCE_KEY, PR_SERVICE_UID, PR_DISPLAY_NAME, PR_PROVIDER_UID, PR_RESOURCE_TYPE},
        [](const CServiceRow& service) -> std::vector<CPropCell> {
            return {CPropCell::Binary(PR_INSTANCE_KEY, service.m_providerUid),
                    CPropCell::Binary(PR_SERVICE_UID, service.m_uid),
                    CPropCell::Text(PR_DISPLAY_NAME, service.m_display),
                    CPropCell::Binary(PR_PROVIDER_UID, service.m_providerUid),
                    CPropCell::Long(PR_RESOURCE_TYPE, kStoreProviderType),
                    CPropCell::Text(PR_PROVIDER_DISPLAY, "Personal Folders")};
        },
        lppTable);
}

}  // namespace qrvmapi
