// The message-store file on SQLite: schema, standard folders, messages, properties, named ids.
#include "platform/mapi/StoreDb.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <set>

#include "platform/mapi/EntryId.h"
#include "platform/mapi/FileCheck.h"
#include "platform/mapi/MAPIDefs.h"
#include "platform/mapi/Sha256.h"
#include "platform/mapi/SqlSteps.h"

namespace qrvmapi {

namespace {

constexpr const char* kFormat = "quorvel-message-store";
constexpr LONGLONG kVersion = 1;
// How long prefetched rows stay usable: long enough for a reader to open the items of a batch,
// short enough that a later open does not see old values.
constexpr auto kPrefetchLife = std::chrono::seconds(2);

// The schema. Properties are keyed by (object, property id) in clustered tables so that reading
// an item's few properties is a handful of b-tree probes; the index on messages serves the
// folder's contents table in id order without a sort.
constexpr const char* kSchema = R"sql(
CREATE TABLE meta(key TEXT PRIMARY KEY, value) WITHOUT ROWID;
CREATE TABLE folders(id INTEGER PRIMARY KEY, parent INTEGER NOT NULL, name TEXT NOT NULL,
  class TEXT, type INTEGER NOT NULL, comment TEXT NOT NULL DEFAULT '');
CREATE INDEX folders_parent ON folders(parent, name);
CREATE TABLE folder_props(folder INTEGER NOT NULL, pid INTEGER NOT NULL, type INTEGER NOT NULL, value,
  PRIMARY KEY(folder, pid)) WITHOUT ROWID;
CREATE TABLE messages(id INTEGER PRIMARY KEY, folder INTEGER NOT NULL, deleted INTEGER NOT NULL DEFAULT 0,
  deleted_on INTEGER);
CREATE INDEX messages_folder ON messages(folder, deleted, id);
CREATE TABLE props(msg INTEGER NOT NULL, pid INTEGER NOT NULL, type INTEGER NOT NULL, value,
  PRIMARY KEY(msg, pid)) WITHOUT ROWID;
CREATE TABLE named(pid INTEGER PRIMARY KEY, guid BLOB NOT NULL, kind INTEGER NOT NULL, lid INTEGER NOT NULL,
  name TEXT NOT NULL, UNIQUE(guid, kind, lid, name));
)sql";

struct CStandardFolder {
    SpecialFolder m_role;
    const char* m_name;
    const char* m_class;
};

// Below the IPM subtree, in the order they are made.
const CStandardFolder kStandardFolders[] = {
    {SpecialFolder::Inbox, "Inbox", "IPF.Note"},
    {SpecialFolder::Outbox, "Outbox", "IPF.Note"},
    {SpecialFolder::SentItems, "Sent Items", "IPF.Note"},
    {SpecialFolder::DeletedItems, "Deleted Items", "IPF.Note"},
    {SpecialFolder::Drafts, "Drafts", "IPF.Note"},
    {SpecialFolder::Junk, "Junk E-mail", "IPF.Note"},
    {SpecialFolder::Contacts, "Contacts", "IPF.Contact"},
    {SpecialFolder::Calendar, "Calendar", "IPF.Appointment"},
    {SpecialFolder::Notes, "Notes", "IPF.StickyNote"},
    {SpecialFolder::Tasks, "Tasks", "IPF.Task"},
    {SpecialFolder::Journal, "Journal", "IPF.Journal"},
};

const char* RoleKey(SpecialFolder role) {
    static const char* const keys[] = {
        "folder.root",        "folder.ipm",    "folder.inbox",  "folder.outbox",   "folder.sent",
        "folder.wastebasket", "folder.drafts", "folder.junk",   "folder.contacts", "folder.calendar",
        "folder.notes",       "folder.tasks",  "folder.journal"};
    return keys[static_cast<int>(role)];
}

HRESULT SetMeta(CSqliteDb& db, const char* key, const std::string* text, const std::string* blob,
                LONGLONG number) {
    auto stmt = db.Prepare("INSERT OR REPLACE INTO meta(key, value) VALUES(?1, ?2)");
    if (!stmt->Valid()) {
        return db.LastResult();
    }
    stmt->BindText(1, key);
    if (text != nullptr) {
        stmt->BindText(2, *text);
    } else if (blob != nullptr) {
        stmt->BindBlob(2, blob->data(), blob->size());
    } else {
        stmt->Bind(2, number);
    }
    return StepDone(*stmt);
}

HRESULT InsertFolder(CSqliteDb& db, LONGLONG parent, const std::string& name, const char* cls, ULONG type,
                     const std::string& comment, LONGLONG& id) {
    auto stmt =
        db.Prepare("INSERT INTO folders(parent, name, class, type, comment) VALUES(?1, ?2, ?3, ?4, ?5)");
    if (!stmt->Valid()) {
        return db.LastResult();
    }
    stmt->Bind(1, parent);
    stmt->BindText(2, name);
    if (cls != nullptr) {
        stmt->BindText(3, cls);
    } else {
        stmt->BindNull(3);
    }
    stmt->Bind(4, type);
    stmt->BindText(5, comment);
    HRESULT hr = StepDone(*stmt);
    if (SUCCEEDED(hr)) {
        id = db.LastInsertId();
    }
    return hr;
}

// Writes property changes of one folder or message: a cell replaces the stored value, an empty
// change removes it. upsert binds (owner, pid, type, value), remove binds (owner, pid).
HRESULT WriteCells(CSqliteDb& db, const char* upsert, const char* remove, LONGLONG owner,
                   const CPropChanges& changes) {
    for (const auto& [pid, cell] : changes) {
        auto stmt = db.Prepare(cell ? upsert : remove);
        if (!stmt->Valid()) {
            return db.LastResult();
        }
        stmt->Bind(1, owner);
        stmt->Bind(2, pid);
        if (cell) {
            stmt->Bind(3, cell->Type());
            stmt->BindCell(4, *cell);
        }
        HRESULT hr = StepDone(*stmt);
        if (FAILED(hr)) {
            return hr;
        }
    }
    return S_OK;
}

}  // namespace

HRESULT CStoreDb::CreateSchema(CSqliteDb& db, const std::string& uid, const std::string& displayName,
                               const std::string& password) {
    CTransaction tx(db);
    if (FAILED(tx.Result())) {
        return tx.Result();
    }
    HRESULT hr = db.Exec(kSchema);
    std::string format = kFormat;
    if (SUCCEEDED(hr))
        hr = SetMeta(db, "format", &format, nullptr, 0);
    if (SUCCEEDED(hr))
        hr = SetMeta(db, "version", nullptr, nullptr, kVersion);
    if (SUCCEEDED(hr))
        hr = SetMeta(db, "uid", nullptr, &uid, 0);
    if (SUCCEEDED(hr))
        hr = SetMeta(db, "name", &displayName, nullptr, 0);
    if (SUCCEEDED(hr) && !password.empty()) {
        std::string salt = NewUid();
        std::string hash = HashPassword(salt, password);
        hr = SetMeta(db, "pw.salt", nullptr, &salt, 0);
        if (SUCCEEDED(hr))
            hr = SetMeta(db, "pw.hash", nullptr, &hash, 0);
    }
    LONGLONG root = 0, ipm = 0;
    if (SUCCEEDED(hr))
        hr = InsertFolder(db, 0, "", nullptr, FOLDER_ROOT, "", root);
    if (SUCCEEDED(hr))
        hr = db.Exec("UPDATE folders SET parent = id WHERE parent = 0");
    if (SUCCEEDED(hr))
        hr = SetMeta(db, RoleKey(SpecialFolder::Root), nullptr, nullptr, root);
    if (SUCCEEDED(hr))
        hr = InsertFolder(db, root, "Top of Personal Folders", nullptr, FOLDER_GENERIC, "", ipm);
    if (SUCCEEDED(hr))
        hr = SetMeta(db, RoleKey(SpecialFolder::IpmSubtree), nullptr, nullptr, ipm);
    for (const CStandardFolder& folder : kStandardFolders) {
        LONGLONG id = 0;
        if (SUCCEEDED(hr))
            hr = InsertFolder(db, ipm, folder.m_name, folder.m_class, FOLDER_GENERIC, "", id);
        if (SUCCEEDED(hr))
            hr = SetMeta(db, RoleKey(folder.m_role), nullptr, nullptr, id);
    }
    if (FAILED(hr)) {
        return hr;
    }
    return tx.Commit();
}

HRESULT CStoreDb::Create(const std::string& path, const std::string& displayName,
                         const std::string& password) {
    if (path.empty()) {
        return MAPI_E_INVALID_PARAMETER;
    }
    if (access(path.c_str(), F_OK) == 0) {
        return MAPI_E_COLLISION;
    }
    // Build the file under a temporary name beside the target and link it into place at the end,
    // so that no reader ever sees a store without its folders and an existing file is never hit.
    std::string temp = path + ".new-" + std::to_string(getpid());
    std::remove(temp.c_str());
    // A store holds all its mail and its password's hash: made for its owner's eyes alone, whatever
    // the umask, before SQLite writes to it (its journals take the file's mode).
    int fd = open(temp.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        const int err = errno;
        return err == ENOENT ? MAPI_E_NOT_FOUND : (err == ENOSPC ? MAPI_E_NOT_ENOUGH_DISK : MAPI_E_NO_ACCESS);
    }
    const bool privateMode = fchmod(fd, 0600) == 0;
    if (close(fd) != 0 || !privateMode) {
        std::remove(temp.c_str());
        return MAPI_E_NO_ACCESS;
    }
    HRESULT hr;
    {
        CSqliteDb db;
        hr = db.Open(temp, true);
        if (SUCCEEDED(hr)) {
            hr = db.UseWal();
        }
        if (SUCCEEDED(hr)) {
            hr = CreateSchema(db, NewUid(), displayName, password);
        }
        // Fold the log into the file before it moves: the log is named after the file. The file
        // stays in write-ahead logging, which its header says.
        if (SUCCEEDED(hr)) {
            hr = db.Exec("PRAGMA wal_checkpoint(TRUNCATE)");
        }
    }
    if (SUCCEEDED(hr) && link(temp.c_str(), path.c_str()) != 0) {
        hr = errno == EEXIST ? MAPI_E_COLLISION : (errno == ENOENT ? MAPI_E_NOT_FOUND : MAPI_E_NO_ACCESS);
    }
    std::remove(temp.c_str());
    std::remove((temp + "-wal").c_str());
    std::remove((temp + "-shm").c_str());
    return hr;
}

HRESULT CStoreDb::Open(const std::string& path) {
    std::lock_guard<std::recursive_mutex> guard(m_db.Lock());
    if (access(path.c_str(), F_OK) != 0) {
        return MAPI_E_NOT_FOUND;
    }
    m_path = path;
    HRESULT hr = m_db.Open(path, false);
    if (FAILED(hr)) {
        return hr == MAPI_E_NOT_FOUND ? MAPI_E_NO_ACCESS : hr;
    }
    hr = LoadMeta();
    if (FAILED(hr)) {
        return hr;
    }
    if (!HasStoreSchema()) {
        m_db.MarkDamaged();  // read what reads; never written
    }
    m_db.CheckBeforeWrites(path);
    m_db.SetTransactionHooks(
        [this] {
            m_namesWritten.clear();
            return WriteProvisionalNames();
        },
        [this] { SettleWrittenNames(); });
    // The journal mode is the file owner's choice: a logged file gets this connection's settings
    // for it (they write nothing), any other stays as it is.
    bool logged = false;
    hr = UsesWal(logged);
    return FAILED(hr) || !logged ? hr : m_db.UseWal();
}

void CStoreDb::PrepareWrites() {
    std::lock_guard<std::recursive_mutex> guard(m_db.Lock());
    if (m_writesPrepared) {
        return;
    }
    m_writesPrepared = true;
    StartFileCheck(m_path, m_db.FileKey());
}

bool CStoreDb::HasStoreSchema() {
    // Every table a store has, with every column the service reads or writes.
    static const std::pair<const char*, std::vector<std::string>> kTables[] = {
        {"PRAGMA table_info(meta)", {"key", "value"}},
        {"PRAGMA table_info(folders)", {"id", "parent", "name", "class", "type", "comment"}},
        {"PRAGMA table_info(folder_props)", {"folder", "pid", "type", "value"}},
        {"PRAGMA table_info(messages)", {"id", "folder", "deleted", "deleted_on"}},
        {"PRAGMA table_info(props)", {"msg", "pid", "type", "value"}},
        {"PRAGMA table_info(named)", {"pid", "guid", "kind", "lid", "name"}},
    };
    for (const auto& [sql, columns] : kTables) {
        auto stmt = m_db.Prepare(sql);
        if (!stmt->Valid()) {
            return false;
        }
        std::set<std::string> found;
        int rc;
        while ((rc = stmt->Step()) == SQLITE_ROW) {
            found.insert(stmt->Text(1));
        }
        if (rc != SQLITE_DONE) {
            return false;
        }
        for (const std::string& column : columns) {
            if (found.count(column) == 0) {
                return false;
            }
        }
    }
    return true;
}

HRESULT CStoreDb::UsesWal(bool& wal) {
    // Asked of SQLite, never read from the file by other means: closing any other descriptor of a
    // file drops every lock this process holds on it, SQLite's too, and another process would then
    // take itself for the file's last user and remove the log this one still writes to.
    wal = false;
    auto stmt = m_db.Prepare("PRAGMA journal_mode");
    if (!stmt->Valid()) {
        return m_db.LastResult();
    }
    int rc = stmt->Step();
    if (rc != SQLITE_ROW) {
        return ResultFromSqlite(rc);
    }
    wal = stmt->Text(0) == "wal";
    return S_OK;
}

HRESULT CStoreDb::LoadMeta() {
    auto stmt = m_db.Prepare("SELECT key, value FROM meta");
    if (!stmt->Valid()) {
        // No meta table: an SQLite file, but not one of our stores.
        return m_db.LastResult() == MAPI_E_CALL_FAILED ? MAPI_E_CORRUPT_STORE : m_db.LastResult();
    }
    std::string format;
    LONGLONG version = 0;
    int rc;
    while ((rc = stmt->Step()) == SQLITE_ROW) {
        std::string key = stmt->Text(0);
        if (key == "format") {
            format = stmt->Text(1);
        } else if (key == "version") {
            version = stmt->Int(1);
        } else if (key == "uid") {
            m_uid = stmt->Blob(1);
        } else if (key == "name") {
            m_displayName = stmt->Text(1);
        } else if (key == "pw.salt") {
            m_pwSalt = stmt->Blob(1);
        } else if (key == "pw.hash") {
            m_pwHash = stmt->Blob(1);
        } else {
            for (int role = 0; role < static_cast<int>(SpecialFolder::Count); ++role) {
                if (key == RoleKey(static_cast<SpecialFolder>(role))) {
                    m_special[role] = stmt->Int(1);
                }
            }
        }
    }
    if (rc != SQLITE_DONE) {
        return ResultFromSqlite(rc);
    }
    if (format != kFormat || m_uid.size() != 16 || m_special[static_cast<int>(SpecialFolder::Root)] <= 0) {
        return MAPI_E_CORRUPT_STORE;
    }
    if (version > kVersion) {
        return MAPI_E_VERSION;
    }
    return S_OK;
}

bool CStoreDb::CheckPassword(const std::string& password) const {
    if (m_pwHash.empty()) {
        return true;
    }
    return HashPassword(m_pwSalt, password) == m_pwHash;
}

SpecialFolder CStoreDb::RoleOf(LONGLONG folder) const {
    for (int role = 0; role < static_cast<int>(SpecialFolder::Count); ++role) {
        if (m_special[role] == folder) {
            return static_cast<SpecialFolder>(role);
        }
    }
    return SpecialFolder::Count;
}

HRESULT CStoreDb::GetFolder(LONGLONG id, CFolderRow& row) {
    std::lock_guard<std::recursive_mutex> guard(m_db.Lock());
    auto stmt = m_db.Prepare("SELECT id, parent, name, class, type, comment FROM folders WHERE id = ?1");
    if (!stmt->Valid()) {
        return m_db.LastResult();
    }
    stmt->Bind(1, id);
    int rc = stmt->Step();
    if (rc == SQLITE_DONE) {
        return MAPI_E_NOT_FOUND;
    }
    if (rc != SQLITE_ROW) {
        return ResultFromSqlite(rc);
    }
    row.m_id = stmt->Int(0);
    row.m_parent = stmt->Int(1);
    row.m_name = stmt->Text(2);
    row.m_class = stmt->IsNull(3) ? std::nullopt : std::optional<std::string>(stmt->Text(3));
    row.m_type = static_cast<ULONG>(stmt->Int(4));
    row.m_comment = stmt->Text(5);
    return S_OK;
}

HRESULT CStoreDb::ChildFolders(LONGLONG parent, std::vector<CFolderRow>& rows) {
    std::lock_guard<std::recursive_mutex> guard(m_db.Lock());
    rows.clear();
    auto stmt = m_db.Prepare(
        "SELECT id, parent, name, class, type, comment FROM folders WHERE parent = ?1 AND id <> parent ORDER "
        "BY id");
    if (!stmt->Valid()) {
        return m_db.LastResult();
    }
    stmt->Bind(1, parent);
    int rc;
    while ((rc = stmt->Step()) == SQLITE_ROW) {
        CFolderRow row;
        row.m_id = stmt->Int(0);
        row.m_parent = stmt->Int(1);
        row.m_name = stmt->Text(2);
        row.m_class = stmt->IsNull(3) ? std::nullopt : std::optional<std::string>(stmt->Text(3));
        row.m_type = static_cast<ULONG>(stmt->Int(4));
        row.m_comment = stmt->Text(5);
        rows.push_back(std::move(row));
    }
    return rc == SQLITE_DONE ? S_OK : ResultFromSqlite(rc);
}

HRESULT CStoreDb::FindChildFolder(LONGLONG parent, const std::string& name, LONGLONG& id) {
    std::lock_guard<std::recursive_mutex> guard(m_db.Lock());
    id = 0;
    auto stmt = m_db.Prepare(
        "SELECT id FROM folders WHERE parent = ?1 AND id <> parent AND name = ?2 COLLATE NOCASE");
    if (!stmt->Valid()) {
        return m_db.LastResult();
    }
    stmt->Bind(1, parent);
    stmt->BindText(2, name);
    int rc = stmt->Step();
    if (rc == SQLITE_ROW) {
        id = stmt->Int(0);
        return S_OK;
    }
    return rc == SQLITE_DONE ? MAPI_E_NOT_FOUND : ResultFromSqlite(rc);
}

HRESULT CStoreDb::CreateFolder(LONGLONG parent, const std::string& name,
                               const std::optional<std::string>& cls, ULONG type, const std::string& comment,
                               LONGLONG& id) {
    if (name.empty()) {
        return MAPI_E_INVALID_PARAMETER;
    }
    CLockedTransaction tx(m_db);
    if (FAILED(tx.Result())) {
        return tx.Result();
    }
    CFolderRow parentRow;
    HRESULT hr = GetFolder(parent, parentRow);
    if (FAILED(hr)) {
        return hr;
    }
    LONGLONG existing = 0;
    hr = FindChildFolder(parent, name, existing);
    if (SUCCEEDED(hr)) {
        id = existing;
        return MAPI_E_COLLISION;
    }
    if (hr != MAPI_E_NOT_FOUND) {
        return hr;
    }
    hr = InsertFolder(m_db, parent, name, cls ? cls->c_str() : nullptr, type, comment, id);
    if (FAILED(hr)) {
        return hr;
    }
    return tx.Commit();
}

HRESULT CStoreDb::SetFolderClass(LONGLONG folder, const std::optional<std::string>& cls) {
    CLockedTransaction tx(m_db);
    if (FAILED(tx.Result())) {
        return tx.Result();
    }
    auto stmt = m_db.Prepare("UPDATE folders SET class = ?2 WHERE id = ?1");
    if (!stmt->Valid()) {
        return m_db.LastResult();
    }
    stmt->Bind(1, folder);
    if (cls) {
        stmt->BindText(2, *cls);
    } else {
        stmt->BindNull(2);
    }
    HRESULT hr = StepDone(*stmt);
    if (SUCCEEDED(hr) && m_db.Changes() == 0) {
        return MAPI_E_OBJECT_DELETED;
    }
    return FAILED(hr) ? hr : tx.Commit();
}

HRESULT CStoreDb::DeleteFolderTree(LONGLONG folder) {
    CLockedTransaction tx(m_db);
    if (FAILED(tx.Result())) {
        return tx.Result();
    }
    DropPrefetch();
    CFolderRow row;
    HRESULT hr = GetFolder(folder, row);
    if (FAILED(hr)) {
        return hr;
    }
    // Every folder below, each once: a damaged file may hold a cycle of parents. The folders above
    // are never part of it, also where such a cycle makes one of them a child of a folder below.
    std::vector<LONGLONG> tree = {folder};
    std::set<LONGLONG> seen = {folder};
    for (CFolderRow above = row; seen.insert(above.m_parent).second;) {
        hr = GetFolder(above.m_parent, above);
        if (hr == MAPI_E_NOT_FOUND) {
            break;
        }
        if (FAILED(hr)) {
            return hr;
        }
    }
    for (size_t next = 0; next < tree.size(); ++next) {
        std::vector<CFolderRow> children;
        hr = ChildFolders(tree[next], children);
        if (FAILED(hr)) {
            return hr;
        }
        for (const CFolderRow& child : children) {
            if (seen.insert(child.m_id).second) {
                tree.push_back(child.m_id);
            }
        }
    }
    // A folder's items' values first, the folder's own row last.
    static const char* const kDeletes[] = {
        "DELETE FROM props WHERE msg IN (SELECT id FROM messages WHERE folder = ?1)",
        "DELETE FROM messages WHERE folder = ?1", "DELETE FROM folder_props WHERE folder = ?1",
        "DELETE FROM folders WHERE id = ?1"};
    for (LONGLONG id : tree) {
        for (const char* sql : kDeletes) {
            hr = ExecWith(m_db, sql, {id});
            if (FAILED(hr)) {
                return hr;
            }
        }
    }
    return tx.Commit();
}

HRESULT CStoreDb::RenameFolder(LONGLONG folder, const std::string& name) {
    if (name.empty()) {
        return MAPI_E_INVALID_PARAMETER;
    }
    CLockedTransaction tx(m_db);
    if (FAILED(tx.Result())) {
        return tx.Result();
    }
    CFolderRow row;
    HRESULT hr = GetFolder(folder, row);
    if (FAILED(hr)) {
        return hr;
    }
    LONGLONG sibling = 0;
    hr = FindChildFolder(row.m_parent, name, sibling);
    if (SUCCEEDED(hr) && sibling != folder) {
        return MAPI_E_COLLISION;
    }
    if (FAILED(hr) && hr != MAPI_E_NOT_FOUND) {
        return hr;
    }
    auto stmt = m_db.Prepare("UPDATE folders SET name = ?2 WHERE id = ?1");
    if (!stmt->Valid()) {
        return m_db.LastResult();
    }
    stmt->Bind(1, folder);
    stmt->BindText(2, name);
    hr = StepDone(*stmt);
    if (FAILED(hr)) {
        return hr;
    }
    return tx.Commit();
}

HRESULT CStoreDb::CountMessages(LONGLONG folder, ULONG& count) {
    std::lock_guard<std::recursive_mutex> guard(m_db.Lock());
    count = 0;
    auto stmt = m_db.Prepare("SELECT count(*) FROM messages WHERE folder = ?1 AND deleted = 0");
    if (!stmt->Valid()) {
        return m_db.LastResult();
    }
    stmt->Bind(1, folder);
    int rc = stmt->Step();
    if (rc != SQLITE_ROW) {
        return ResultFromSqlite(rc);
    }
    count = static_cast<ULONG>(stmt->Int(0));
    return S_OK;
}

HRESULT CStoreDb::HasChildFolders(LONGLONG folder, bool& any) {
    std::lock_guard<std::recursive_mutex> guard(m_db.Lock());
    any = false;
    auto stmt = m_db.Prepare("SELECT 1 FROM folders WHERE parent = ?1 AND id <> parent LIMIT 1");
    if (!stmt->Valid()) {
        return m_db.LastResult();
    }
    stmt->Bind(1, folder);
    int rc = stmt->Step();
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
        return ResultFromSqlite(rc);
    }
    any = rc == SQLITE_ROW;
    return S_OK;
}

HRESULT CStoreDb::ReadFolderProps(LONGLONG folder, std::vector<CPropCell>& cells) {
    std::lock_guard<std::recursive_mutex> guard(m_db.Lock());
    cells.clear();
    auto stmt = m_db.Prepare("SELECT pid, type, value FROM folder_props WHERE folder = ?1 ORDER BY pid");
    if (!stmt->Valid()) {
        return m_db.LastResult();
    }
    stmt->Bind(1, folder);
    int rc;
    while ((rc = stmt->Step()) == SQLITE_ROW) {
        cells.push_back(
            stmt->Cell(PROP_TAG(static_cast<ULONG>(stmt->Int(1)), static_cast<ULONG>(stmt->Int(0))), 2));
    }
    return rc == SQLITE_DONE ? S_OK : ResultFromSqlite(rc);
}

HRESULT CStoreDb::WriteFolderProps(LONGLONG folder, const CPropChanges& changes) {
    CLockedTransaction tx(m_db);
    if (FAILED(tx.Result())) {
        return tx.Result();
    }
    CPropChanges stored;
    const CPropChanges* use = nullptr;
    HRESULT hr = StoredChanges(changes, stored, use);
    if (FAILED(hr)) {
        return hr;
    }
    hr = WriteCells(m_db,
                    "INSERT OR REPLACE INTO folder_props(folder, pid, type, value) VALUES(?1, ?2, ?3, ?4)",
                    "DELETE FROM folder_props WHERE folder = ?1 AND pid = ?2", folder, *use);
    if (FAILED(hr)) {
        return hr;
    }
    return tx.Commit();
}

HRESULT CStoreDb::MessageState(LONGLONG id, LONGLONG& folder, bool& deleted) {
    std::lock_guard<std::recursive_mutex> guard(m_db.Lock());
    auto stmt = m_db.Prepare("SELECT folder, deleted FROM messages WHERE id = ?1");
    if (!stmt->Valid()) {
        return m_db.LastResult();
    }
    stmt->Bind(1, id);
    int rc = stmt->Step();
    if (rc == SQLITE_DONE) {
        return MAPI_E_NOT_FOUND;
    }
    if (rc != SQLITE_ROW) {
        return ResultFromSqlite(rc);
    }
    folder = stmt->Int(0);
    deleted = stmt->Int(1) != 0;
    return S_OK;
}

HRESULT CStoreDb::LoadMessage(LONGLONG id, LONGLONG& folder, bool& deleted, CStoredCells& cells) {
    std::lock_guard<std::recursive_mutex> guard(m_db.Lock());
    cells = CStoredCells();
    auto prefetched =
        std::lower_bound(m_prefetchRows.begin(), m_prefetchRows.end(), id,
                         [](const CPrefetchRow& row, LONGLONG wanted) { return row.m_id < wanted; });
    if (prefetched != m_prefetchRows.end() && prefetched->m_id == id && !prefetched->m_taken) {
        // Handed out once: a second open of the item reads it again.
        prefetched->m_taken = true;
        if (std::chrono::steady_clock::now() - m_prefetchTime < kPrefetchLife) {
            folder = m_prefetchFolder;
            deleted = false;
            cells = CStoredCells(m_prefetchBatch, prefetched->m_row);
            return S_OK;
        }
    }
    std::vector<CPropCell> own;
    HRESULT hr = ReadMessage(id, folder, deleted, own);
    cells = CStoredCells(std::move(own));
    return hr;
}

HRESULT CStoreDb::ReadProp(LONGLONG msg, ULONG pid, CPropCell& cell, bool& found) {
    std::lock_guard<std::recursive_mutex> guard(m_db.Lock());
    found = false;
    auto stmt = m_db.Prepare("SELECT type, value FROM props WHERE msg = ?1 AND pid = ?2");
    if (!stmt->Valid()) {
        return m_db.LastResult();
    }
    stmt->Bind(1, msg);
    stmt->Bind(2, pid);
    int rc = stmt->Step();
    if (rc == SQLITE_ROW) {
        cell = stmt->Cell(PROP_TAG(static_cast<ULONG>(stmt->Int(0)) & 0xFFFF, pid), 1);
        found = true;
        return S_OK;
    }
    return rc == SQLITE_DONE ? S_OK : ResultFromSqlite(rc);
}

HRESULT CStoreDb::ReadProps(LONGLONG msg, std::vector<CPropCell>& cells) {
    std::lock_guard<std::recursive_mutex> guard(m_db.Lock());
    cells.clear();
    auto stmt = m_db.Prepare("SELECT pid, type, value FROM props WHERE msg = ?1 ORDER BY pid");
    if (!stmt->Valid()) {
        return m_db.LastResult();
    }
    stmt->Bind(1, msg);
    int rc;
    while ((rc = stmt->Step()) == SQLITE_ROW) {
        ULONG pid = static_cast<ULONG>(stmt->Int(0)) & 0xFFFF;
        cells.push_back(stmt->Cell(PROP_TAG(static_cast<ULONG>(stmt->Int(1)) & 0xFFFF, pid), 2));
    }
    return rc == SQLITE_DONE ? S_OK : ResultFromSqlite(rc);
}

std::shared_ptr<CCellBatch> CStoreDb::BatchToFill() {
    std::lock_guard<std::recursive_mutex> guard(m_db.Lock());
    // Held by the handover alone, nobody can reach it but us: no item keeps a view of it.
    if (m_prefetchBatch && m_prefetchBatch.use_count() == 1) {
        std::shared_ptr<CCellBatch> batch = std::move(m_prefetchBatch);
        DropPrefetch();
        return batch;
    }
    return std::make_shared<CCellBatch>();
}

void CStoreDb::Prefetch(LONGLONG folder, const std::vector<LONGLONG>& ids, std::shared_ptr<CCellBatch> batch,
                        size_t count) {
    std::lock_guard<std::recursive_mutex> guard(m_db.Lock());
    DropPrefetch();
    if (!batch) {
        return;
    }
    count = std::min({count, ids.size(), batch->Count()});
    m_prefetchFolder = folder;
    m_prefetchRows.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        m_prefetchRows.push_back(CPrefetchRow{ids[i], i, false});
    }
    // Looked up by binary search; a table hands its ids over ascending already.
    if (!std::is_sorted(m_prefetchRows.begin(), m_prefetchRows.end(),
                        [](const CPrefetchRow& a, const CPrefetchRow& b) { return a.m_id < b.m_id; })) {
        std::sort(m_prefetchRows.begin(), m_prefetchRows.end(),
                  [](const CPrefetchRow& a, const CPrefetchRow& b) { return a.m_id < b.m_id; });
    }
    m_prefetchBatch = std::move(batch);
    m_prefetchTime = std::chrono::steady_clock::now();
}

HRESULT CStoreDb::WriteProps(LONGLONG msg, const CPropChanges& changes) {
    CPropChanges stored;
    const CPropChanges* use = nullptr;
    HRESULT hr = StoredChanges(changes, stored, use);
    if (FAILED(hr)) {
        return hr;
    }
    return WriteCells(m_db, "INSERT OR REPLACE INTO props(msg, pid, type, value) VALUES(?1, ?2, ?3, ?4)",
                      "DELETE FROM props WHERE msg = ?1 AND pid = ?2", msg, *use);
}

HRESULT CStoreDb::SaveMessage(LONGLONG& id, LONGLONG folder, const CPropChanges& changes) {
    CLockedTransaction tx(m_db);
    if (FAILED(tx.Result())) {
        return tx.Result();
    }
    DropPrefetch();
    HRESULT hr = S_OK;
    LONGLONG target = id;
    if (target == 0) {
        CFolderRow row;
        hr = GetFolder(folder, row);
        if (FAILED(hr)) {
            return hr;
        }
        hr = ExecWith(m_db, "INSERT INTO messages(folder) VALUES(?1)", {folder});
        if (FAILED(hr)) {
            return hr;
        }
        target = m_db.LastInsertId();
    } else {
        LONGLONG current = 0;
        bool deleted = false;
        hr = MessageState(target, current, deleted);
        if (FAILED(hr)) {
            return hr == MAPI_E_NOT_FOUND ? MAPI_E_OBJECT_DELETED : hr;
        }
        if (deleted) {
            return MAPI_E_OBJECT_DELETED;
        }
    }
    hr = WriteProps(target, changes);
    if (SUCCEEDED(hr)) {
        hr = tx.Commit();
    }
    // A new message whose transaction failed keeps no id, so that saving it again makes it anew.
    if (SUCCEEDED(hr)) {
        id = target;
    }
    return hr;
}

HRESULT CStoreDb::NextMessages(LONGLONG folder, LONGLONG after, int limit, std::vector<LONGLONG>& ids) {
    std::lock_guard<std::recursive_mutex> guard(m_db.Lock());
    ids.clear();
    auto stmt = m_db.Prepare(
        "SELECT id FROM messages WHERE folder = ?1 AND deleted = 0 AND id > ?2 ORDER BY id LIMIT ?3");
    if (!stmt->Valid()) {
        return m_db.LastResult();
    }
    stmt->Bind(1, folder);
    stmt->Bind(2, after);
    stmt->Bind(3, limit);
    int rc;
    while ((rc = stmt->Step()) == SQLITE_ROW) {
        ids.push_back(stmt->Int(0));
    }
    return rc == SQLITE_DONE ? S_OK : ResultFromSqlite(rc);
}

HRESULT CStoreDb::DeleteMessages(LONGLONG folder, const std::vector<LONGLONG>& ids, bool hard,
                                 ULONG& missing) {
    missing = 0;
    CLockedTransaction tx(m_db);
    if (FAILED(tx.Result())) {
        return tx.Result();
    }
    DropPrefetch();
    LONGLONG now = NowFileTime();
    for (LONGLONG id : ids) {
        HRESULT hr =
            hard ? ExecWith(m_db, "DELETE FROM messages WHERE id = ?1 AND folder = ?2 AND deleted = 0",
                            {id, folder})
                 : ExecWith(
                       m_db,
                       "UPDATE messages SET deleted = 1, deleted_on = ?3 WHERE id = ?1 AND folder = ?2 AND "
                       "deleted = 0",
                       {id, folder, now});
        if (FAILED(hr)) {
            return hr;
        }
        if (m_db.Changes() == 0) {
            ++missing;
            continue;
        }
        if (hard) {
            hr = ExecWith(m_db, "DELETE FROM props WHERE msg = ?1", {id});
            if (FAILED(hr)) {
                return hr;
            }
        }
    }
    return tx.Commit();
}

HRESULT CStoreDb::ListDeleted(std::vector<CDeletedRow>& rows) {
    std::lock_guard<std::recursive_mutex> guard(m_db.Lock());
    rows.clear();
    auto stmt = m_db.Prepare(
        "SELECT m.id, m.folder, m.deleted_on, c.value, s.value FROM messages m "
        "LEFT JOIN props c ON c.msg = m.id AND c.pid = 26 "
        "LEFT JOIN props s ON s.msg = m.id AND s.pid = 55 WHERE m.deleted <> 0 ORDER BY m.id");
    if (!stmt->Valid()) {
        return m_db.LastResult();
    }
    return ReadAllRows(
        *stmt,
        [](const CStmt& stmt, CDeletedRow& row) {
            row.m_id = stmt.Int(0);
            row.m_folder = stmt.Int(1);
            row.m_deletedOn = stmt.Int(2);
            row.m_class = stmt.Text(3);
            row.m_subject = stmt.Text(4);
        },
        rows);
}

HRESULT CStoreDb::RestoreMessages(const std::vector<LONGLONG>& ids, ULONG& done) {
    done = 0;
    CLockedTransaction tx(m_db);
    if (FAILED(tx.Result())) {
        return tx.Result();
    }
    DropPrefetch();
    HRESULT hr = S_OK;
    if (ids.empty()) {
        hr = m_db.Exec("UPDATE messages SET deleted = 0, deleted_on = NULL WHERE deleted <> 0");
        done = static_cast<ULONG>(m_db.Changes());
    } else {
        for (LONGLONG id : ids) {
            hr = ExecWith(m_db,
                          "UPDATE messages SET deleted = 0, deleted_on = NULL WHERE id = ?1 AND deleted <> 0",
                          {id});
            if (FAILED(hr)) {
                return hr;
            }
            done += static_cast<ULONG>(m_db.Changes());
        }
    }
    if (FAILED(hr)) {
        return hr;
    }
    return tx.Commit();
}

HRESULT CStoreDb::PurgeMessages(const std::vector<LONGLONG>& ids, ULONG& done) {
    done = 0;
    CLockedTransaction tx(m_db);
    if (FAILED(tx.Result())) {
        return tx.Result();
    }
    DropPrefetch();
    HRESULT hr = S_OK;
    if (ids.empty()) {
        hr = m_db.Exec("DELETE FROM props WHERE msg IN (SELECT id FROM messages WHERE deleted <> 0)");
        if (SUCCEEDED(hr)) {
            hr = m_db.Exec("DELETE FROM messages WHERE deleted <> 0");
            done = static_cast<ULONG>(m_db.Changes());
        }
    } else {
        for (LONGLONG id : ids) {
            hr = ExecWith(m_db, "DELETE FROM messages WHERE id = ?1 AND deleted <> 0", {id});
            if (FAILED(hr)) {
                return hr;
            }
            if (m_db.Changes() == 0) {
                continue;
            }
            ++done;
            hr = ExecWith(m_db, "DELETE FROM props WHERE msg = ?1", {id});
            if (FAILED(hr)) {
                return hr;
            }
        }
    }
    if (FAILED(hr)) {
        return hr;
    }
    return tx.Commit();
}

}  // namespace qrvmapi
