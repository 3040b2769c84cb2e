// SQLite connection, cached statements and nested transactions of the message-store service.
#include "platform/mapi/SqliteDb.h"

#include <sqlite3.h>

#include <cstdio>
#include <mutex>
#include <string>

#include "platform/mapi/HookState.h"
#include "platform/mapi/MAPICodes.h"

namespace qrvmapi {

HRESULT ResultFromSqlite(int rc) {
    switch (rc & 0xFF) {
        case SQLITE_OK:
        case SQLITE_ROW:
        case SQLITE_DONE:
            return S_OK;
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            return MAPI_E_BUSY;
        case SQLITE_NOMEM:
            return MAPI_E_NOT_ENOUGH_MEMORY;
        case SQLITE_READONLY:
        case SQLITE_PERM:
        case SQLITE_AUTH:
            return MAPI_E_NO_ACCESS;
        case SQLITE_CORRUPT:
        case SQLITE_NOTADB:
        case SQLITE_FORMAT:
            return MAPI_E_CORRUPT_STORE;
        case SQLITE_FULL:
            return MAPI_E_NOT_ENOUGH_DISK;
        case SQLITE_IOERR:
            return MAPI_E_DISK_ERROR;
        case SQLITE_CANTOPEN:
            return MAPI_E_NOT_FOUND;
        case SQLITE_CONSTRAINT:
            return MAPI_E_COLLISION;
        default:
            return MAPI_E_CALL_FAILED;
    }
}

CStmt::~CStmt() {
    if (m_stmt != nullptr) {
        sqlite3_reset(m_stmt);
        sqlite3_clear_bindings(m_stmt);
    }
}

void CStmt::Bind(int index, LONGLONG value) {
    sqlite3_bind_int64(m_stmt, index, value);
}
void CStmt::BindText(int index, const std::string& text) {
    sqlite3_bind_text(m_stmt, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}
void CStmt::BindBlob(int index, const void* data, size_t cb) {
    // A zero-length blob is still a blob, not NULL: empty binary values must stay values.
    sqlite3_bind_blob(m_stmt, index, cb > 0 ? data : "", static_cast<int>(cb), SQLITE_TRANSIENT);
}
void CStmt::BindNull(int index) {
    sqlite3_bind_null(m_stmt, index);
}
void CStmt::BindCell(int index, const CPropCell& cell) {
    switch (cell.m_kind) {
        case CellKind::Integer:
            Bind(index, cell.m_int);
            break;
        case CellKind::Real:
            sqlite3_bind_double(m_stmt, index, cell.m_real);
            break;
        case CellKind::Text:
            BindText(index, cell.m_bytes);
            break;
        case CellKind::Bytes:
            BindBlob(index, cell.m_bytes.data(), cell.m_bytes.size());
            break;
    }
}
int CStmt::Step() {
    const int rc = sqlite3_step(m_stmt);
    return m_owner != nullptr ? m_owner->Note(rc) : rc;
}
LONGLONG CStmt::Int(int column) const {
    return sqlite3_column_int64(m_stmt, column);
}
double CStmt::Real(int column) const {
    return sqlite3_column_double(m_stmt, column);
}
std::string CStmt::Text(int column) const {
    const unsigned char* text = sqlite3_column_text(m_stmt, column);
    int len = sqlite3_column_bytes(m_stmt, column);
    return text != nullptr ? std::string(reinterpret_cast<const char*>(text), static_cast<size_t>(len))
                           : std::string();
}
std::string CStmt::Blob(int column) const {
    const void* data = sqlite3_column_blob(m_stmt, column);
    int len = sqlite3_column_bytes(m_stmt, column);
    return data != nullptr ? std::string(static_cast<const char*>(data), static_cast<size_t>(len))
                           : std::string();
}
bool CStmt::IsNull(int column) const {
    return sqlite3_column_type(m_stmt, column) == SQLITE_NULL;
}
CPropCell CStmt::Cell(ULONG tag, int column) const {
    CPropCell cell;
    cell.m_tag = tag;
    cell.m_kind = KindOfType(PROP_TYPE(tag));
    switch (cell.m_kind) {
        case CellKind::Integer:
            cell.m_int = Int(column);
            break;
        case CellKind::Real:
            cell.m_real = Real(column);
            break;
        case CellKind::Text:
            cell.m_bytes = Text(column);
            break;
        case CellKind::Bytes:
            cell.m_bytes = Blob(column);
            break;
    }
    return cell;
}

void ConfigureSqlite() {
    static std::once_flag once;
    std::call_once(once, [] {
        // Every use of a connection already holds its Lock(), so SQLite's own per-call mutex is not
        // needed. SQLite's count of the memory it holds takes one lock for the whole process at
        // every allocation, which connections reading side by side in threads would queue for.
        // Refused (SQLITE_MISUSE) when something else in the process started SQLite already: it
        // then keeps counting, which costs time, not correctness.
        sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
    });
}

CSqliteDb::~CSqliteDb() {
    for (auto& entry : m_cache) {
        sqlite3_finalize(entry.second);
    }
    if (m_db != nullptr) {
        sqlite3_close_v2(m_db);
    }
}

HRESULT CSqliteDb::Open(const std::string& path, bool create) {
    ConfigureSqlite();
    int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX | (create ? SQLITE_OPEN_CREATE : 0);
    int rc = sqlite3_open_v2(path.c_str(), &m_db, flags, nullptr);
    if (rc != SQLITE_OK) {
        return m_lastResult = ResultFromSqlite(rc);
    }
    sqlite3_extended_result_codes(m_db, 0);
    sqlite3_busy_timeout(m_db, BusyTimeout());
    return S_OK;
}

HRESULT CSqliteDb::OpenReadOnly(const std::string& path) {
    ConfigureSqlite();
    int rc = sqlite3_open_v2(path.c_str(), &m_db, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        return m_lastResult = ResultFromSqlite(rc);
    }
    sqlite3_extended_result_codes(m_db, 0);
    sqlite3_busy_timeout(m_db, BusyTimeout());
    return S_OK;
}

HRESULT CSqliteDb::UseWal() {
    HRESULT hr = Exec("PRAGMA journal_mode=WAL");
    if (FAILED(hr)) {
        return hr;
    }
    return Exec("PRAGMA synchronous=NORMAL");
}

HRESULT CSqliteDb::Exec(const char* sql) {
    if (m_db == nullptr) {
        return m_lastResult = MAPI_E_CALL_FAILED;
    }
    int rc = Note(sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr));
    return m_lastResult = ResultFromSqlite(rc);
}

std::unique_ptr<CStmt> CSqliteDb::Prepare(const char* sql) {
    auto found = m_cache.find(sql);
    if (found != m_cache.end()) {
        return std::make_unique<CStmt>(found->second, this);
    }
    sqlite3_stmt* stmt = nullptr;
    int rc = m_db != nullptr ? Note(sqlite3_prepare_v2(m_db, sql, -1, &stmt, nullptr)) : SQLITE_MISUSE;
    if (rc != SQLITE_OK) {
        m_lastResult = m_damaged ? MAPI_E_CORRUPT_STORE : ResultFromSqlite(rc);
        if (stmt != nullptr) {
            sqlite3_finalize(stmt);
        }
        return std::make_unique<CStmt>(nullptr);
    }
    m_cache.emplace(sql, stmt);
    return std::make_unique<CStmt>(stmt, this);
}

HRESULT CSqliteDb::CheckIntegrity() {
    sqlite3_stmt* stmt = nullptr;
    int rc = m_db != nullptr ? sqlite3_prepare_v2(m_db, "PRAGMA integrity_check(1)", -1, &stmt, nullptr)
                             : SQLITE_MISUSE;
    if (rc == SQLITE_OK) {
        rc = sqlite3_step(stmt);
        if (rc == SQLITE_ROW) {
            const unsigned char* text = sqlite3_column_text(stmt, 0);
            rc = text != nullptr && std::string(reinterpret_cast<const char*>(text)) == "ok" ? SQLITE_OK
                                                                                             : SQLITE_CORRUPT;
        }
    }
    sqlite3_finalize(stmt);
    return m_lastResult = ResultFromSqlite(rc);
}

HRESULT CSqliteDb::DataVersion(LONGLONG& version) {
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    version = 0;
    auto stmt = Prepare("PRAGMA data_version");
    if (!stmt->Valid()) {
        return m_lastResult;
    }
    int rc = stmt->Step();
    if (rc != SQLITE_ROW) {
        return m_lastResult = ResultFromSqlite(rc);
    }
    version = stmt->Int(0);
    return S_OK;
}

namespace {

// What earlier versions of the service kept in a store to remember its check across processes:
// triggers that took a mark row away at any change by another program, and the mark row itself.
constexpr const char* kOldTriggers[] = {
    "unmark_folders_i", "unmark_folders_u",  "unmark_folders_d",  "unmark_fprops_i",   "unmark_fprops_u",
    "unmark_fprops_d",  "unmark_messages_i", "unmark_messages_u", "unmark_messages_d", "unmark_props_i",
    "unmark_props_u",   "unmark_props_d",    "unmark_named_i",    "unmark_named_u",    "unmark_named_d",
    "unmark_meta_i",    "unmark_meta_u",     "unmark_meta_d"};

bool IsDamage(int rc) {
    return (rc & 0xFF) == SQLITE_CORRUPT || (rc & 0xFF) == SQLITE_NOTADB;
}

}  // namespace

void CSqliteDb::CheckBeforeWrites(const std::string& path) {
    m_checkedPath = path;
    m_fileKey = KeyOfFile(path);
}

int CSqliteDb::Note(int rc) {
    if (IsDamage(rc) && m_fileKey.Valid()) {
        CFileChecks::Service().MarkDamaged(m_fileKey);
    }
    return rc;
}

HRESULT CSqliteDb::DropOldMarks() {
    m_oldMarksLooked = true;
    // The record an earlier version kept beside the file: nothing reads it any more.
    std::remove((m_checkedPath + ".checked").c_str());
    bool found = false;
    {
        auto stmt = Prepare(
            "SELECT 1 FROM sqlite_master WHERE type = 'trigger' AND name LIKE 'unmark\\_%' ESCAPE '\\' "
            "UNION ALL SELECT 1 FROM meta WHERE key = 'checked' LIMIT 1");
        if (!stmt->Valid()) {
            return m_lastResult;
        }
        int rc = stmt->Step();
        if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
            return ResultFromSqlite(rc);
        }
        found = rc == SQLITE_ROW;
    }
    if (!found) {
        return S_OK;
    }
    std::string drop;
    for (const char* name : kOldTriggers) {
        drop += std::string("DROP TRIGGER IF EXISTS ") + name + ";";
    }
    drop += "DELETE FROM meta WHERE key = 'checked';";
    return Exec(drop.c_str());
}

void CSqliteDb::Interrupt() {
    if (m_db != nullptr) {
        sqlite3_interrupt(m_db);
    }
}

HRESULT CSqliteDb::Begin() {
    HRESULT hr;
    if (m_depth == 0) {
        if (m_damaged) {
            return m_lastResult = MAPI_E_CORRUPT_STORE;
        }
        // The check is waited for before the write lock is taken: other writers go on meanwhile.
        hr = m_checkedPath.empty() ? S_OK : AwaitFileCheck(m_checkedPath, m_fileKey);
        if (SUCCEEDED(hr)) {
            BeforeWriteLock();
            hr = Exec("BEGIN IMMEDIATE");
        }
        if (SUCCEEDED(hr) && !m_checkedPath.empty() && !m_oldMarksLooked) {
            hr = DropOldMarks();
            m_dropping = true;
            if (FAILED(hr)) {
                Exec("ROLLBACK");
            }
        }
        if (SUCCEEDED(hr) && m_began) {
            hr = m_began();
            if (FAILED(hr)) {
                Exec("ROLLBACK");
                m_oldMarksLooked = m_oldMarksLooked && !m_dropping;
                m_dropping = false;
            }
        }
        if (FAILED(hr)) {
            return m_lastResult = hr;
        }
    } else {
        hr = Exec(("SAVEPOINT sp" + std::to_string(m_depth)).c_str());
    }
    if (SUCCEEDED(hr)) {
        if (m_depth == 0) {
            m_changesAtBegin = sqlite3_total_changes64(m_db);
        }
        ++m_depth;
    }
    return hr;
}

bool CSqliteDb::HasWritten() const {
    return m_depth > 0 && sqlite3_total_changes64(m_db) != m_changesAtBegin;
}

HRESULT CSqliteDb::Commit() {
    if (m_depth == 0) {
        return MAPI_E_CALL_FAILED;
    }
    HRESULT hr = m_depth == 1 ? Exec("COMMIT") : Exec(("RELEASE sp" + std::to_string(m_depth - 1)).c_str());
    if (SUCCEEDED(hr)) {
        m_dropping = m_dropping && m_depth > 1;
        --m_depth;
        if (m_depth == 0 && m_committed) {
            m_committed();
        }
    }
    return hr;
}

void CSqliteDb::Rollback() {
    if (m_depth == 0) {
        return;
    }
    if (m_depth == 1) {
        Exec("ROLLBACK");
        m_oldMarksLooked = m_oldMarksLooked && !m_dropping;  // looked at again by the next one
        m_dropping = false;
    } else {
        std::string name = "sp" + std::to_string(m_depth - 1);
        Exec(("ROLLBACK TO " + name).c_str());
        Exec(("RELEASE " + name).c_str());
    }
    --m_depth;
}

LONGLONG CSqliteDb::LastInsertId() const {
    return sqlite3_last_insert_rowid(m_db);
}

int CSqliteDb::Changes() const {
    return sqlite3_changes(m_db);
}

}  // namespace qrvmapi
