// SQLite connection, cached statements and nested transactions of the message-store service.
#include "platform/mapi/SqliteDb.h"

#include <sqlite3.h>

#include <string>

#include "platform/mapi/CheckedFiles.h"
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
    return sqlite3_step(m_stmt);
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

CSqliteDb::~CSqliteDb() {
    for (auto& entry : m_cache) {
        sqlite3_finalize(entry.second);
    }
    if (m_db != nullptr && !m_recordPath.empty()) {
        // What is left in the log goes into the file now, with its record: SQLite's own checkpoint
        // at the close of the file's last connection then finds nothing to change.
        CheckpointAndRecord();
    }
    if (m_db != nullptr) {
        sqlite3_close_v2(m_db);
    }
}

HRESULT CSqliteDb::Open(const std::string& path, bool create) {
    // Every use of the connection already holds Lock(), so SQLite's own per-call mutex is not needed.
    // SQLite's count of the memory it holds takes one lock for the whole process at every
    // allocation, which connections reading side by side in threads would queue for. It has to be
    // switched off before SQLite first starts; a process that started it already keeps it.
    static const int noMemoryCount = sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
    (void)noMemoryCount;
    int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX | (create ? SQLITE_OPEN_CREATE : 0);
    int rc = sqlite3_open_v2(path.c_str(), &m_db, flags, nullptr);
    if (rc != SQLITE_OK) {
        return m_lastResult = ResultFromSqlite(rc);
    }
    sqlite3_extended_result_codes(m_db, 0);
    sqlite3_busy_timeout(m_db, 10000);
    // The only triggers in our files take a store's soundness mark away when another program changes
    // a row. Our own writes keep the mark (a transaction sets it again before it commits), so they
    // need not run a trigger program for every row they change: that cost a cleanup more than the
    // deletion itself. Other programs' connections run them as usual.
    sqlite3_db_config(m_db, SQLITE_DBCONFIG_ENABLE_TRIGGER, 0, nullptr);
    return S_OK;
}

HRESULT CSqliteDb::OpenReadOnly(const std::string& path) {
    int rc = sqlite3_open_v2(path.c_str(), &m_db, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        return m_lastResult = ResultFromSqlite(rc);
    }
    sqlite3_extended_result_codes(m_db, 0);
    sqlite3_busy_timeout(m_db, 10000);
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
    int rc = sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr);
    return m_lastResult = ResultFromSqlite(rc);
}

std::unique_ptr<CStmt> CSqliteDb::Prepare(const char* sql) {
    auto found = m_cache.find(sql);
    if (found != m_cache.end()) {
        return std::make_unique<CStmt>(found->second);
    }
    sqlite3_stmt* stmt = nullptr;
    int rc = m_db != nullptr ? sqlite3_prepare_v2(m_db, sql, -1, &stmt, nullptr) : SQLITE_MISUSE;
    if (rc != SQLITE_OK) {
        m_lastResult = m_damaged ? MAPI_E_CORRUPT_STORE : ResultFromSqlite(rc);
        if (stmt != nullptr) {
            sqlite3_finalize(stmt);
        }
        return std::make_unique<CStmt>(nullptr);
    }
    m_cache.emplace(sql, stmt);
    return std::make_unique<CStmt>(stmt);
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
// Log pages after which a commit folds the log into the file (SQLite's own default).
constexpr int kCheckpointPages = 1000;
}  // namespace

void CSqliteDb::KeepStateRecord(const std::string& path) {
    m_recordPath = path;
    if (m_db != nullptr) {
        sqlite3_wal_hook(m_db, &CSqliteDb::AfterCommit, this);  // replaces the automatic checkpoints
    }
}

int CSqliteDb::AfterCommit(void* self, sqlite3*, const char*, int frames) {
    if (frames >= kCheckpointPages) {
        static_cast<CSqliteDb*>(self)->CheckpointAndRecord();
    }
    return SQLITE_OK;
}

void CSqliteDb::CheckpointAndRecord() {
    // One at a time in the process: a checkpoint between another one's look at the file and its
    // record would leave the record behind.
    static std::mutex one;
    std::lock_guard<std::mutex> guard(one);
    const std::string before = DiskState(m_recordPath);
    const bool known = !before.empty() && RecordedState(m_recordPath) == before;
    sqlite3_wal_checkpoint_v2(m_db, nullptr, SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
    const std::string after = DiskState(m_recordPath);
    if (known && after != before) {
        RecordState(m_recordPath, after);
    }
}

void CSqliteDb::Interrupt() {
    if (m_db != nullptr) {
        sqlite3_interrupt(m_db);
    }
}

HRESULT CSqliteDb::Begin() {
    HRESULT hr;
    if (m_depth == 0) {
        m_mark.clear();
        if (m_damaged) {
            return m_lastResult = MAPI_E_CORRUPT_STORE;
        }
        hr = Exec("BEGIN IMMEDIATE");
        // Under the write lock: nobody else can change the file between the look at the mark and
        // the write. Without the mark the lock goes while the file is checked (never under it).
        for (int attempt = 0; SUCCEEDED(hr) && !m_checkedPath.empty(); ++attempt) {
            std::string mark, expected;
            hr = ReadMark(*this, mark);
            if (SUCCEEDED(hr)) {
                hr = ExpectedMark(*this, m_checkedPath, expected);
            }
            if (SUCCEEDED(hr) && !mark.empty() && mark == expected &&
                RecordedState(m_checkedPath) == DiskState(m_checkedPath)) {
                m_mark = expected;
                break;
            }
            Exec("ROLLBACK");
            if (SUCCEEDED(hr)) {
                hr = attempt < 3 ? AwaitFileCheck(m_checkedPath) : MAPI_E_BUSY;
            }
            if (SUCCEEDED(hr)) {
                hr = Exec("BEGIN IMMEDIATE");
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
    HRESULT hr = S_OK;
    if (m_depth == 1) {
        // What this connection wrote onto a sound file is sound: the changes took the mark away
        // (any change does), and it is set again before the lock goes.
        if (!m_mark.empty() && HasWritten()) {
            hr = WriteMark(*this, m_mark);
        }
        const std::string before = m_mark.empty() ? std::string() : DiskState(m_checkedPath);
        if (SUCCEEDED(hr)) {
            hr = Exec("COMMIT");
        }
        if (SUCCEEDED(hr) && !m_mark.empty()) {
            // A file without a log takes the commit itself (a checkpoint after it recorded itself).
            const std::string after = DiskState(m_checkedPath);
            if (after != before && RecordedState(m_checkedPath) == before) {
                RecordState(m_checkedPath, after);
            }
        }
        if (SUCCEEDED(hr)) {
            m_mark.clear();
        }
    } else {
        hr = Exec(("RELEASE sp" + std::to_string(m_depth - 1)).c_str());
    }
    if (SUCCEEDED(hr)) {
        --m_depth;
    }
    return hr;
}

void CSqliteDb::Rollback() {
    if (m_depth == 0) {
        return;
    }
    if (m_depth == 1) {
        Exec("ROLLBACK");
        m_mark.clear();
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
