// The profile database on SQLite under the machine root.
#include "platform/mapi/ProfileDb.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <set>

#include "platform/mapi/FileCheck.h"
#include "platform/mapi/MAPICodes.h"
#include "platform/mapi/Sha256.h"
#include "platform/mapi/SqlSteps.h"
#include "platform/win32/MachineRoot.h"
#include "platform/win32/RegularFile.h"

namespace qrvmapi {

namespace {

constexpr const char* kSchema = R"sql(
CREATE TABLE IF NOT EXISTS profiles(id INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE COLLATE NOCASE,
  uid BLOB NOT NULL, pw_salt BLOB, pw_hash BLOB, is_default INTEGER NOT NULL DEFAULT 0);
CREATE TABLE IF NOT EXISTS services(id INTEGER PRIMARY KEY, profile INTEGER NOT NULL, uid BLOB NOT NULL UNIQUE,
  provider_uid BLOB NOT NULL UNIQUE, name TEXT NOT NULL, display TEXT NOT NULL, path TEXT NOT NULL DEFAULT '',
  store_uid BLOB, remembered_pw TEXT, is_default INTEGER NOT NULL DEFAULT 0);
)sql";

// A directory's path with every link and "." or ".." resolved, "" when it cannot be resolved.
std::string RealDirectory(const std::string& dir) {
    char* real = ::realpath(dir.c_str(), nullptr);
    std::string resolved = real != nullptr ? real : "";
    std::free(real);
    return resolved;
}

// How a service keeps its store's path: a file inside the machine root relative to the root, so that
// a root copied or moved elsewhere names its own stores, not the ones of the root it was copied
// from; any other file by the path it was given.
std::string StoredStorePath(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (path.empty() || slash == std::string::npos) {
        return path;
    }
    const std::string root = RealDirectory(GetMachineRoot());
    const std::string dir = RealDirectory(slash == 0 ? "/" : path.substr(0, slash));
    if (root.empty() || dir.empty()) {
        return path;
    }
    const std::string inside = (dir == "/" ? "" : dir) + path.substr(slash);
    if (root == "/" || inside.compare(0, root.size() + 1, root + "/") != 0) {
        return path;
    }
    return inside.substr(root.size() + 1);
}

// The path a kept store path names now: a relative one lies in this machine root. Profiles of
// earlier versions keep the paths they were given, used as they are: full paths, and below a
// machine root named by a relative path, paths that start with that root.
std::string ResolvedStorePath(const std::string& stored) {
    if (stored.empty() || stored[0] == '/') {
        return stored;
    }
    const std::string root = GetMachineRoot();
    if (root[0] != '/' && stored.compare(0, root.size() + 1, root + "/") == 0) {
        return stored;
    }
    return root + "/" + stored;
}

void ReadService(CStmt& stmt, CServiceRow& row) {
    row.m_id = stmt.Int(0);
    row.m_profile = stmt.Int(1);
    row.m_uid = stmt.Blob(2);
    row.m_providerUid = stmt.Blob(3);
    row.m_name = stmt.Text(4);
    row.m_display = stmt.Text(5);
    row.m_path = ResolvedStorePath(stmt.Text(6));
    row.m_storeUid = stmt.Blob(7);
    row.m_rememberedPassword = stmt.IsNull(8) ? std::nullopt : std::optional<std::string>(stmt.Text(8));
    row.m_default = stmt.Int(9) != 0;
}

#define SERVICE_COLUMNS                                                                               \
    "id, profile, uid, provider_uid, name, display, path, store_uid, remembered_pw, is_default FROM " \
    "services "

void ReadProfile(CStmt& stmt, CProfileRow& row) {
    row.m_id = stmt.Int(0);
    row.m_name = stmt.Text(1);
    row.m_uid = stmt.Blob(2);
    row.m_hasPassword = !stmt.IsNull(3);
    row.m_default = stmt.Int(4) != 0;
}

#define PROFILE_COLUMNS "id, name, uid, pw_hash, is_default FROM profiles "

// Why this thread's last open of the profile database failed, in words for the user.
struct CFailure {
    HRESULT m_hr = S_OK;
    std::string m_text;
};
thread_local CFailure t_failure;

HRESULT Fail(HRESULT hr, const std::string& text) {
    t_failure.m_hr = hr;
    t_failure.m_text = text;
    return hr;
}

HRESULT ResultFromErrno(int err) {
    switch (err) {
        case EACCES:
        case EPERM:
        case EROFS:
            return MAPI_E_NO_ACCESS;
        case ENOENT:
        case ENOTDIR:
            return MAPI_E_NOT_FOUND;
        case ENOSPC:
        case EDQUOT:
            return MAPI_E_NOT_ENOUGH_DISK;
        default:
            return MAPI_E_DISK_ERROR;
    }
}

// The profile database files this process has set up (schema, log mode, integrity): each use opens
// a new connection, and these need doing once per file.
std::mutex g_setUpLock;
std::set<CFileKey> g_setUp;
std::atomic<long> g_setUps{0};

// Finds the profile of that name and runs change(row) on it, both in one transaction.
template <class Change>
HRESULT ChangeProfile(CProfileDb& db, const std::string& name, Change change) {
    CTransaction tx(db.Db());
    if (FAILED(tx.Result())) {
        return tx.Result();
    }
    CProfileRow row;
    HRESULT hr = db.FindProfile(name, row);
    if (SUCCEEDED(hr)) {
        hr = change(row);
    }
    return FAILED(hr) ? hr : tx.Commit();
}

}  // namespace

// The folders hold every profile's remembered passwords and the stores with all their mail: they
// are the user's alone, whatever the umask, and so is everything made inside them.
std::string MapiDirectory() {
    std::string dir = GetMachineRoot() + "/mapi";
    EnsurePrivateDirectory(dir);
    return dir;
}

std::string StoresDirectory() {
    std::string dir = MapiDirectory() + "/stores";
    EnsurePrivateDirectory(dir);
    return dir;
}

long ProfileDbSetUps() {
    return g_setUps.load();
}

std::string ProfileDbFailure(HRESULT hr) {
    return hr == t_failure.m_hr ? t_failure.m_text : std::string();
}

HRESULT CProfileDb::Open() {
    t_failure = CFailure();
    std::string dir = GetMachineRoot() + "/mapi";
    std::string path = dir + "/profiles.db";
    if (!EnsurePrivateDirectory(dir)) {
        int err = errno;
        return Fail(ResultFromErrno(err), "cannot make the folder \"" + dir + "\": " + std::strerror(err));
    }
    // The file is made private before SQLite makes it: its journals take the file's mode. A FIFO or
    // a device in its place would hang or lose every read; a file made open by an earlier version
    // is closed to others. An existing file is only looked at by name, never opened: this process
    // may hold it through SQLite already, and closing any other descriptor of it would drop
    // SQLite's locks on it.
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) {
        int err = errno;
        int fd = err == ENOENT ? ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600) : -1;
        if (fd >= 0) {
            ::close(fd);
        } else if (err != ENOENT || errno != EEXIST) {
            err = err == ENOENT ? errno : err;
            return Fail(ResultFromErrno(err),
                        "cannot open the profile database \"" + path + "\": " + std::strerror(err));
        }
    } else if (qrvfile::NotRegularError(st.st_mode) != 0) {
        return Fail(ResultFromErrno(EINVAL),
                    "cannot open the profile database \"" + path + "\": not a regular file");
    } else if ((st.st_mode & 077) != 0 && st.st_uid == ::geteuid()) {
        ::chmod(path.c_str(), 0600);
    }
    HRESULT hr = m_db.Open(path, true);
    const CFileKey key = KeyOfFile(path);
    bool setUp = false;
    if (SUCCEEDED(hr)) {
        std::lock_guard<std::mutex> guard(g_setUpLock);
        setUp = key.Valid() && g_setUp.count(key) != 0;
    }
    if (SUCCEEDED(hr) && setUp) {
        hr = m_db.Exec("PRAGMA synchronous=NORMAL");  // this connection's own setting
    } else if (SUCCEEDED(hr)) {
        ++g_setUps;
        hr = m_db.UseWal();
        if (SUCCEEDED(hr)) {
            hr = m_db.Exec(kSchema);
        }
        if (SUCCEEDED(hr)) {
            // The file is small: a damaged one is found here, before a logon takes its damage for a
            // missing profile or a wrong password.
            hr = m_db.CheckIntegrity();
        }
        if (SUCCEEDED(hr) && key.Valid()) {
            std::lock_guard<std::mutex> guard(g_setUpLock);
            g_setUp.insert(key);
        }
    }
    if (hr == MAPI_E_CORRUPT_STORE) {
        // Not a message store: the profiles themselves are damaged.
        return Fail(MAPI_E_CORRUPT_DATA,
                    "the profile database \"" + path + "\" is damaged or is not a profile database");
    }
    if (FAILED(hr)) {
        return Fail(hr, "cannot use the profile database \"" + path + "\"");
    }
    return hr;
}

HRESULT CProfileDb::Profiles(std::vector<CProfileRow>& rows) {
    rows.clear();
    auto stmt = m_db.Prepare("SELECT " PROFILE_COLUMNS "ORDER BY id");
    if (!stmt->Valid()) {
        return m_db.LastResult();
    }
    return ReadAllRows(*stmt, ReadProfile, rows);
}

HRESULT CProfileDb::FindProfile(const std::string& name, CProfileRow& row) {
    auto stmt = m_db.Prepare("SELECT " PROFILE_COLUMNS "WHERE name = ?1");
    if (!stmt->Valid()) {
        return m_db.LastResult();
    }
    stmt->BindText(1, name);
    return ReadFirstRow(*stmt, ReadProfile, row);
}

HRESULT CProfileDb::DefaultProfile(CProfileRow& row) {
    auto stmt = m_db.Prepare("SELECT " PROFILE_COLUMNS "WHERE is_default <> 0 LIMIT 1");
    if (!stmt->Valid()) {
        return m_db.LastResult();
    }
    return ReadFirstRow(*stmt, ReadProfile, row);
}

bool CProfileDb::CheckProfilePassword(LONGLONG profile, const std::string& password) {
    auto stmt = m_db.Prepare("SELECT pw_salt, pw_hash FROM profiles WHERE id = ?1");
    if (!stmt->Valid()) {
        return false;
    }
    stmt->Bind(1, profile);
    if (stmt->Step() != SQLITE_ROW) {
        return false;
    }
    if (stmt->IsNull(1)) {
        return true;  // a profile without a password takes any
    }
    return HashPassword(stmt->Blob(0), password) == stmt->Blob(1);
}

HRESULT CProfileDb::CreateProfile(const std::string& name, const std::string& password) {
    if (name.empty()) {
        return MAPI_E_INVALID_PARAMETER;
    }
    CTransaction tx(m_db);
    if (FAILED(tx.Result())) {
        return tx.Result();
    }
    CProfileRow existing;
    HRESULT hr = FindProfile(name, existing);
    if (SUCCEEDED(hr)) {
        return MAPI_E_NO_ACCESS;  // the public code for "a profile of that name exists"
    }
    if (hr != MAPI_E_NOT_FOUND) {
        return hr;
    }
    std::vector<CProfileRow> all;
    hr = Profiles(all);
    if (FAILED(hr)) {
        return hr;
    }
    auto stmt = m_db.Prepare(
        "INSERT INTO profiles(name, uid, pw_salt, pw_hash, is_default) VALUES(?1, ?2, ?3, ?4, ?5)");
    if (!stmt->Valid()) {
        return m_db.LastResult();
    }
    stmt->BindText(1, name);
    std::string uid = NewUid();
    stmt->BindBlob(2, uid.data(), uid.size());
    if (!password.empty()) {
        std::string salt = NewUid();
        std::string hash = HashPassword(salt, password);
        stmt->BindBlob(3, salt.data(), salt.size());
        stmt->BindBlob(4, hash.data(), hash.size());
    }
    // The first profile of the machine becomes its default, as a user would expect.
    stmt->Bind(5, all.empty() ? 1 : 0);
    hr = StepDone(*stmt);
    if (FAILED(hr)) {
        return hr;
    }
    return tx.Commit();
}

HRESULT CProfileDb::DeleteProfile(const std::string& name) {
    return ChangeProfile(*this, name, [this](const CProfileRow& row) {
        HRESULT hr = ExecWith(m_db, "DELETE FROM services WHERE profile = ?1", {row.m_id});
        return FAILED(hr) ? hr : ExecWith(m_db, "DELETE FROM profiles WHERE id = ?1", {row.m_id});
    });
}

HRESULT CProfileDb::SetDefaultProfile(const std::string& name) {
    return ChangeProfile(*this, name, [this](const CProfileRow& row) {
        return ExecWith(m_db, "UPDATE profiles SET is_default = (id = ?1)", {row.m_id});
    });
}

HRESULT CProfileDb::Services(LONGLONG profile, std::vector<CServiceRow>& rows) {
    rows.clear();
    auto stmt = m_db.Prepare("SELECT " SERVICE_COLUMNS "WHERE profile = ?1 ORDER BY id");
    if (!stmt->Valid()) {
        return m_db.LastResult();
    }
    stmt->Bind(1, profile);
    return ReadAllRows(*stmt, ReadService, rows);
}

HRESULT CProfileDb::FindService(LONGLONG profile, const std::string& uid, CServiceRow& row) {
    auto stmt = m_db.Prepare("SELECT " SERVICE_COLUMNS "WHERE profile = ?1 AND uid = ?2");
    if (!stmt->Valid()) {
        return m_db.LastResult();
    }
    stmt->Bind(1, profile);
    stmt->BindBlob(2, uid.data(), uid.size());
    return ReadFirstRow(*stmt, ReadService, row);
}

HRESULT CProfileDb::FindServiceByStore(LONGLONG profile, const std::string& storeUid, CServiceRow& row) {
    auto stmt = m_db.Prepare("SELECT " SERVICE_COLUMNS "WHERE profile = ?1 AND store_uid = ?2");
    if (!stmt->Valid()) {
        return m_db.LastResult();
    }
    stmt->Bind(1, profile);
    stmt->BindBlob(2, storeUid.data(), storeUid.size());
    return ReadFirstRow(*stmt, ReadService, row);
}

HRESULT CProfileDb::CreateService(LONGLONG profile, const std::string& name, const std::string& display,
                                  std::string* made) {
    auto stmt = m_db.Prepare(
        "INSERT INTO services(profile, uid, provider_uid, name, display) VALUES(?1, ?2, ?3, ?4, ?5)");
    if (!stmt->Valid()) {
        return m_db.LastResult();
    }
    std::string uid = NewUid();
    std::string provider = NewUid();
    stmt->Bind(1, profile);
    stmt->BindBlob(2, uid.data(), uid.size());
    stmt->BindBlob(3, provider.data(), provider.size());
    stmt->BindText(4, name);
    stmt->BindText(5, display);
    if (made != nullptr) {
        *made = uid;
    }
    return StepDone(*stmt);
}

HRESULT CProfileDb::DeleteService(LONGLONG profile, const std::string& uid) {
    auto stmt = m_db.Prepare("DELETE FROM services WHERE profile = ?1 AND uid = ?2");
    if (!stmt->Valid()) {
        return m_db.LastResult();
    }
    stmt->Bind(1, profile);
    stmt->BindBlob(2, uid.data(), uid.size());
    HRESULT hr = StepDone(*stmt);
    if (SUCCEEDED(hr) && m_db.Changes() == 0) {
        return MAPI_E_NOT_FOUND;
    }
    return hr;
}

HRESULT CProfileDb::UpdateService(const CServiceRow& row) {
    auto stmt = m_db.Prepare(
        "UPDATE services SET display = ?2, path = ?3, store_uid = ?4, remembered_pw = ?5 WHERE id = ?1");
    if (!stmt->Valid()) {
        return m_db.LastResult();
    }
    stmt->Bind(1, row.m_id);
    stmt->BindText(2, row.m_display);
    stmt->BindText(3, StoredStorePath(row.m_path));
    if (row.m_storeUid.empty()) {
        stmt->BindNull(4);
    } else {
        stmt->BindBlob(4, row.m_storeUid.data(), row.m_storeUid.size());
    }
    if (row.m_rememberedPassword) {
        stmt->BindText(5, *row.m_rememberedPassword);
    } else {
        stmt->BindNull(5);
    }
    return StepDone(*stmt);
}

HRESULT CProfileDb::SetDefaultService(LONGLONG profile, LONGLONG service) {
    return ExecWith(m_db, "UPDATE services SET is_default = (id = ?2) WHERE profile = ?1",
                    {profile, service});
}

}  // namespace qrvmapi
