// A small owner of one SQLite connection: cached statements, nested transactions, error mapping.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

#include "platform/mapi/FileCheck.h"
#include "platform/mapi/PropCell.h"
#include "platform/win32/WinTypes.h"

struct sqlite3;
struct sqlite3_stmt;

namespace qrvmapi {

class CSqliteDb;

// SQLite's process-wide set-up, made once before its first use (MAPIInitialize and the first open
// call it; later calls do nothing): SQLite takes such settings only before it starts, and their
// change is not safe beside threads already using it.
void ConfigureSqlite();

// The service's result code for an SQLite result code.
HRESULT ResultFromSqlite(int rc);

// One prepared statement in use: bound, stepped, and reset (with its bindings cleared) when it
// goes out of scope, so a cached statement is always clean for its next user.
class CStmt {
public:
    explicit CStmt(sqlite3_stmt* stmt, CSqliteDb* owner = nullptr) : m_stmt(stmt), m_owner(owner) {}
    ~CStmt();
    CStmt(const CStmt&) = delete;
    CStmt& operator=(const CStmt&) = delete;

    bool Valid() const { return m_stmt != nullptr; }
    void Bind(int index, LONGLONG value);
    void BindText(int index, const std::string& text);
    void BindBlob(int index, const void* data, size_t cb);
    void BindNull(int index);
    // Binds the value of a cell by its kind.
    void BindCell(int index, const CPropCell& cell);
    // SQLITE_ROW, SQLITE_DONE or an error code.
    int Step();
    LONGLONG Int(int column) const;
    double Real(int column) const;
    std::string Text(int column) const;
    std::string Blob(int column) const;
    bool IsNull(int column) const;
    // Reads a cell of the given stored type from a column, whatever SQLite holds there.
    CPropCell Cell(ULONG tag, int column) const;

private:
    sqlite3_stmt* m_stmt;
    CSqliteDb* m_owner;  // told of the damage a step meets
};

class CSqliteDb {
public:
    CSqliteDb() = default;
    ~CSqliteDb();
    CSqliteDb(const CSqliteDb&) = delete;
    CSqliteDb& operator=(const CSqliteDb&) = delete;

    // Opens (create: or makes) the file with a busy timeout, so that another process writing at
    // the same time makes us wait instead of fail. Nothing is written to the file.
    HRESULT Open(const std::string& path, bool create);
    // Opens an existing file for reading only: such a connection can never write to it.
    HRESULT OpenReadOnly(const std::string& path);
    // Switches the file to write-ahead logging: readers and one writer of several processes then
    // work side by side. Called once the file is known to be ours, since it writes the header.
    HRESULT UseWal();
    HRESULT Exec(const char* sql);
    // A cached prepared statement for a string literal (kept until the connection closes); an
    // invalid statement when it cannot be prepared (LastResult tells why). A statement must not be
    // prepared again while it is still being stepped.
    std::unique_ptr<CStmt> Prepare(const char* sql);
    HRESULT LastResult() const { return m_lastResult; }

    // From now on no transaction writes to the file at 'path' (this connection's) before its
    // whole-file check (FileCheck.h) found it sound: the outermost Begin waits for the check, never
    // holding the write lock, and a damaged file gives MAPI_E_CORRUPT_STORE. A write to a damaged
    // file would build on what is wrong in it and spread the damage. Damage SQLite meets on this
    // connection marks the file damaged for the rest of the process. The first write transaction
    // also takes away what earlier versions kept in and beside the file to remember a check.
    void CheckBeforeWrites(const std::string& path);
    const CFileKey& FileKey() const { return m_fileKey; }
    // A connection that only reads the file 'key' that another connection writes: damage SQLite
    // meets on it marks that file damaged for the rest of the process.
    void ReportDamageOf(const CFileKey& key) { m_fileKey = key; }
    // Marks the file as damaged in a way SQLite cannot see (a schema that is not the one expected):
    // every transaction is refused and every statement SQLite cannot prepare fails with
    // MAPI_E_CORRUPT_STORE; what still reads, reads.
    void MarkDamaged() { m_damaged = true; }
    // Whether the file is known to be damaged now, by this connection or by the file's check: no
    // transaction will write it.
    bool KnownDamaged() const {
        return m_damaged || (m_fileKey.Valid() && CFileChecks::Service().IsDamaged(m_fileKey));
    }
    // Notes an SQLite result met on this connection: damage marks the checked file damaged.
    int Note(int rc);
    // Makes a statement running on another thread stop soon with an error.
    void Interrupt();
    // SQLite's integrity check of the whole file: S_OK, MAPI_E_CORRUPT_STORE or why it could not run.
    HRESULT CheckIntegrity();

    // Nested transactions: the outermost is BEGIN IMMEDIATE, inner ones are savepoints.
    HRESULT Begin();
    // 'began' runs inside every outermost transaction right after it began (its failure rolls it
    // back and fails the Begin), 'committed' after every outermost commit: the owner writes there
    // what it owes the file, and learns when that is in it.
    void SetTransactionHooks(std::function<HRESULT()> began, std::function<void()> committed) {
        m_began = std::move(began);
        m_committed = std::move(committed);
    }
    HRESULT Commit();
    void Rollback();
    int Depth() const { return m_depth; }
    // SQLite's data version of this connection: it changes with every commit of another connection.
    HRESULT DataVersion(LONGLONG& version);
    // Whether the open transaction changed anything yet: until it does, a connection that starts
    // reading now sees what it sees (it holds the write lock; nobody else can commit).
    bool HasWritten() const;

    // Serialises the use of the connection and its cached statements between threads.
    std::recursive_mutex& Lock() { return m_lock; }
    LONGLONG LastInsertId() const;
    int Changes() const;

private:
    sqlite3* m_db = nullptr;
    std::unordered_map<const char*, sqlite3_stmt*> m_cache;  // keyed by the literal's address
    std::recursive_mutex m_lock;
    int m_depth = 0;
    bool m_damaged = false;
    long long m_changesAtBegin = 0;
    HRESULT m_lastResult = S_OK;
    // Drops the marks of a check that earlier versions kept in the file (inside a write transaction).
    HRESULT DropOldMarks();

    std::string m_checkedPath;
    CFileKey m_fileKey;
    bool m_oldMarksLooked = false;
    bool m_dropping = false;  // the outermost transaction running looked at the old marks
    std::function<HRESULT()> m_began;
    std::function<void()> m_committed;
};

// Runs a transaction for the lifetime of the object; rolls back unless Commit succeeded.
class CTransaction {
public:
    explicit CTransaction(CSqliteDb& db) : m_db(db), m_hr(db.Begin()) {}
    ~CTransaction() {
        if (SUCCEEDED(m_hr) && !m_done) {
            m_db.Rollback();
        }
    }
    CTransaction(const CTransaction&) = delete;
    CTransaction& operator=(const CTransaction&) = delete;
    HRESULT Result() const { return m_hr; }
    HRESULT Commit() {
        if (FAILED(m_hr)) {
            return m_hr;
        }
        m_done = true;
        HRESULT hr = m_db.Commit();
        if (FAILED(hr)) {
            m_db.Rollback();
        }
        return hr;
    }

private:
    CSqliteDb& m_db;
    HRESULT m_hr;
    bool m_done = false;
};

// The connection's lock and then a transaction on it, for one change of the file: the
// transaction ends (rolled back unless committed) before the lock is let go.
class CLockedTransaction {
public:
    explicit CLockedTransaction(CSqliteDb& db) : m_guard(db.Lock()), m_tx(db) {}
    HRESULT Result() const { return m_tx.Result(); }
    HRESULT Commit() { return m_tx.Commit(); }

private:
    std::lock_guard<std::recursive_mutex> m_guard;
    CTransaction m_tx;
};

}  // namespace qrvmapi
