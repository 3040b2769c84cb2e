// The profile database of the machine: profiles, their message services and the stores behind them.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/mapi/SqliteDb.h"

namespace qrvmapi {

struct CProfileRow {
    LONGLONG m_id = 0;
    std::string m_name;
    std::string m_uid;  // 16 bytes: the profile's instance key
    bool m_default = false;
    bool m_hasPassword = false;
};

// One message service of a profile, with the one store file it gives access to.
struct CServiceRow {
    LONGLONG m_id = 0;
    LONGLONG m_profile = 0;
    std::string m_uid;          // PR_SERVICE_UID
    std::string m_providerUid;  // the store's PR_INSTANCE_KEY in the stores and provider tables
    std::string m_name;         // "MSPST MS"
    std::string m_display;
    std::string m_path;      // the store file; empty until configured
    std::string m_storeUid;  // the file's own id, which its entry ids carry
    std::optional<std::string> m_rememberedPassword;
    bool m_default = false;
};

// The directory of the service's data: "<machine root>/mapi", created on demand.
std::string MapiDirectory();
// "<machine root>/mapi/stores", where store files named without a directory go.
std::string StoresDirectory();

// Why this thread's last CProfileDb::Open failed with hr, naming the file and the reason ("" when
// it did not fail with hr).
std::string ProfileDbFailure(HRESULT hr);

// How often this process set a profile database file up: its schema, log mode and integrity check
// (for tests).
long ProfileDbSetUps();

// Opens a fresh connection for every use, so that changes made by another process (the
// administration tool) are seen at once.
class CProfileDb {
public:
    // Opens (or makes) the profile database, readable by the user alone; a failure leaves its words
    // for ProfileDbFailure.
    HRESULT Open();
    CSqliteDb& Db() { return m_db; }

    HRESULT Profiles(std::vector<CProfileRow>& rows);
    HRESULT FindProfile(const std::string& name, CProfileRow& row);
    HRESULT DefaultProfile(CProfileRow& row);
    bool CheckProfilePassword(LONGLONG profile, const std::string& password);
    HRESULT CreateProfile(const std::string& name, const std::string& password);
    HRESULT DeleteProfile(const std::string& name);
    HRESULT SetDefaultProfile(const std::string& name);

    HRESULT Services(LONGLONG profile, std::vector<CServiceRow>& rows);
    HRESULT FindService(LONGLONG profile, const std::string& uid, CServiceRow& row);
    HRESULT FindServiceByStore(LONGLONG profile, const std::string& storeUid, CServiceRow& row);
    // 'made' (when given) gets the new service's uid.
    HRESULT CreateService(LONGLONG profile, const std::string& name, const std::string& display,
                          std::string* made = nullptr);
    HRESULT DeleteService(LONGLONG profile, const std::string& uid);
    HRESULT UpdateService(const CServiceRow& row);
    // Makes the service's store the profile's default store (and no other).
    HRESULT SetDefaultService(LONGLONG profile, LONGLONG service);

private:
    CSqliteDb m_db;
};

}  // namespace qrvmapi
