// The whole-file checks of store files, each on a thread and a connection of its own.
#include "platform/mapi/FileCheck.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <vector>

#include "platform/mapi/MAPICodes.h"
#include "platform/mapi/SqliteDb.h"

namespace qrvmapi {

namespace {

// How long a check waits in one step for another program's lock, and in all before it gives up.
constexpr int kBusyStepMs = 5;
constexpr int kBusyLimitMs = 10000;
// SQLite's virtual machine steps between two looks at the stop flag.
constexpr int kProgressSteps = 10000;

int WaitWhileBusy(void* stop, int count) {
    if (static_cast<std::atomic<bool>*>(stop)->load() || count * kBusyStepMs >= kBusyLimitMs) {
        return 0;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(kBusyStepMs));
    return 1;
}

int EndWhenStopped(void* stop) {
    return static_cast<std::atomic<bool>*>(stop)->load() ? 1 : 0;
}

// One connection of the check, closed on every way out.
class CConnection {
public:
    ~CConnection() {
        if (m_db != nullptr) {
            sqlite3_close_v2(m_db);
        }
    }
    // Opens the file with the stop flag watched in every busy wait and every long statement.
    int Open(const std::string& path, int flags, std::atomic<bool>* stop) {
        int rc = sqlite3_open_v2(path.c_str(), &m_db, flags | SQLITE_OPEN_NOMUTEX, nullptr);
        if (rc == SQLITE_OK) {
            sqlite3_extended_result_codes(m_db, 0);
            sqlite3_busy_handler(m_db, &WaitWhileBusy, stop);
            sqlite3_progress_handler(m_db, kProgressSteps, &EndWhenStopped, stop);
        }
        return rc;
    }
    sqlite3* Get() const { return m_db; }
    // The first column of the first row of 'sql' into 'text'.
    int Text(const char* sql, std::string& text) {
        sqlite3_stmt* stmt = nullptr;
        int rc = sqlite3_prepare_v2(m_db, sql, -1, &stmt, nullptr);
        if (rc == SQLITE_OK) {
            rc = sqlite3_step(stmt);
            if (rc == SQLITE_ROW) {
                const unsigned char* value = sqlite3_column_text(stmt, 0);
                text = value != nullptr ? reinterpret_cast<const char*>(value) : "";
                rc = SQLITE_OK;
            }
        }
        sqlite3_finalize(stmt);
        return rc;
    }

private:
    sqlite3* m_db = nullptr;
};

// A file of the check's own, made for its owner's eyes alone in the temporary folder (never beside
// the store: nothing is added there), removed when done.
class CPrivateCopy {
public:
    ~CPrivateCopy() {
        if (!m_path.empty()) {
            ::unlink(m_path.c_str());
        }
    }
    bool Make() {
        const char* dir = std::getenv("TMPDIR");
        std::string name = std::string(dir != nullptr && *dir != '\0' ? dir : "/tmp") + "/qrv-check-XXXXXX";
        int fd = ::mkstemp(name.data());
        if (fd < 0) {
            return false;
        }
        m_path = name;
        const bool ok = ::fchmod(fd, 0600) == 0;
        return ::close(fd) == 0 && ok;
    }
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

// SQLite's integrity check of the connection's file: SQLITE_OK when sound, SQLITE_CORRUPT when not.
int CheckIntegrity(CConnection& db) {
    std::string verdict;
    int rc = db.Text("PRAGMA integrity_check(1)", verdict);
    return rc != SQLITE_OK ? rc : (verdict == "ok" ? SQLITE_OK : SQLITE_CORRUPT);
}

// Copies the file of 'source' into 'target' under one short read lock.
int CopyWhole(CConnection& source, CConnection& target, std::atomic<bool>& stop) {
    sqlite3_backup* backup = sqlite3_backup_init(target.Get(), "main", source.Get(), "main");
    if (backup == nullptr) {
        return sqlite3_errcode(target.Get());
    }
    int rc;
    int waited = 0;
    // All pages in one step: the copy is one snapshot, taken under one read lock. A writer that
    // holds the file meanwhile is waited for, as long as a check is wanted at all.
    while ((rc = sqlite3_backup_step(backup, -1)) == SQLITE_BUSY || rc == SQLITE_LOCKED) {
        if (stop.load() || waited >= kBusyLimitMs) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(kBusyStepMs));
        waited += kBusyStepMs;
    }
    const int finished = sqlite3_backup_finish(backup);
    if (stop.load()) {
        return SQLITE_INTERRUPT;
    }
    return rc == SQLITE_DONE ? finished : rc;
}

}  // namespace

CFileKey KeyOfFile(const std::string& path) {
    struct statx st {};
    CFileKey key;
    if (::statx(AT_FDCWD, path.c_str(), 0, STATX_INO | STATX_BTIME, &st) == 0 &&
        (st.stx_mask & STATX_INO) != 0) {
        key.m_dev = (static_cast<unsigned long long>(st.stx_dev_major) << 32) | st.stx_dev_minor;
        key.m_ino = st.stx_ino;
        if ((st.stx_mask & STATX_BTIME) != 0) {
            key.m_born = st.stx_btime.tv_sec * 1000000000LL + st.stx_btime.tv_nsec;
        }
    }
    return key;
}

CFileChecks::~CFileChecks() {
    Stop();
}

CFileChecks& CFileChecks::Service() {
    static CFileChecks checks;
    return checks;
}

HRESULT CFileChecks::RunCheck(const std::string& path, const CFileKey& key) {
    // Opened for writing but kept to reading (query_only): a connection that is the file's last
    // one when it closes then ends SQLite's log files as any other would; a read-only one would
    // leave them beside the store.
    CConnection source;
    int rc = source.Open(path, SQLITE_OPEN_READWRITE, &m_stop);
    if (rc != SQLITE_OK) {
        return ResultFromSqlite(rc);
    }
    if (!(KeyOfFile(path) == key)) {
        return MAPI_E_NOT_FOUND;  // another file in its place: it gets its own check
    }
    std::string mode;
    rc = sqlite3_exec(source.Get(), "PRAGMA query_only = 1", nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK) {
        rc = source.Text("PRAGMA journal_mode", mode);
    }
    if (rc == SQLITE_OK && mode == "wal") {
        // Readers of a logged file hold no writer off: the check reads the file itself.
        rc = CheckIntegrity(source);
    } else if (rc == SQLITE_OK) {
        // In a file with a rollback journal, the check's long read would hold every writer's
        // commit off for its whole length: it checks a private copy, taken in one short read.
        CPrivateCopy file;
        CConnection copy;
        rc = file.Make() ? copy.Open(file.Path(), SQLITE_OPEN_READWRITE, &m_stop) : SQLITE_CANTOPEN;
        if (rc == SQLITE_OK) {
            rc = sqlite3_exec(copy.Get(), "PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF", nullptr,
                              nullptr, nullptr);
        }
        if (rc == SQLITE_OK) {
            rc = CopyWhole(source, copy, m_stop);
        }
        if (rc == SQLITE_OK) {
            rc = CheckIntegrity(copy);
        }
    }
    if (rc == SQLITE_OK || (rc & 0xFF) == SQLITE_CORRUPT || (rc & 0xFF) == SQLITE_NOTADB) {
        ++m_checksRun;
    }
    return ResultFromSqlite(rc);
}

void CFileChecks::Run(std::string path, CFileKey key, CCheck* check) {
    const HRESULT hr = RunCheck(path, key);
    std::lock_guard<std::mutex> guard(m_lock);
    if (!(check->verdict && check->hr == MAPI_E_CORRUPT_STORE)) {  // damage met meanwhile stays
        check->hr = hr;
        check->verdict = hr == S_OK || hr == MAPI_E_CORRUPT_STORE;
    }
    check->running = false;
    // A stop may have taken this thread to join already: then there is nothing left to hand on.
    if (check->pid == ::getpid() && check->thread.joinable()) {
        m_endedThreads.push_back(std::move(check->thread));  // joined by the next launch or stop
    }
    m_ended.notify_all();
}

void CFileChecks::JoinEnded() {
    // Each of them has let go of the lock for good and is returning.
    for (std::thread& thread : m_endedThreads) {
        if (thread.joinable()) {
            thread.join();
        }
    }
    m_endedThreads.clear();
}

void CFileChecks::Launch(const std::string& path, const CFileKey& key, CCheck& check) {
    JoinEnded();
    if (check.thread.joinable()) {
        // The thread of an earlier check, ended but for its return.
        if (check.pid == ::getpid()) {
            check.thread.join();
        } else {
            check.thread.detach();
        }
    }
    check.running = true;
    check.pid = ::getpid();
    check.thread = std::thread(&CFileChecks::Run, this, path, key, &check);
}

void CFileChecks::Start(const std::string& path, const CFileKey& key) {
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_stopping || !key.Valid()) {
        return;
    }
    std::unique_ptr<CCheck>& check = m_checks[key];
    if (!check) {
        check = std::make_unique<CCheck>();
    }
    if (!check->running && !check->verdict) {
        Launch(path, key, *check);
    }
}

HRESULT CFileChecks::Await(const std::string& path, const CFileKey& key) {
    std::unique_lock<std::mutex> guard(m_lock);
    if (!key.Valid()) {
        return MAPI_E_NOT_FOUND;
    }
    std::unique_ptr<CCheck>& slot = m_checks[key];
    if (!slot) {
        slot = std::make_unique<CCheck>();
    }
    CCheck& check = *slot;
    if (check.verdict && (!check.running || check.hr == MAPI_E_CORRUPT_STORE)) {
        return check.hr;
    }
    if (m_stopping) {
        return MAPI_E_CALL_FAILED;
    }
    if (!check.running) {
        Launch(path, key, check);
    }
    m_ended.wait(guard, [&] { return !check.running; });
    return check.hr;
}

void CFileChecks::MarkDamaged(const CFileKey& key) {
    if (!key.Valid()) {
        return;
    }
    std::lock_guard<std::mutex> guard(m_lock);
    std::unique_ptr<CCheck>& check = m_checks[key];
    if (!check) {
        check = std::make_unique<CCheck>();
    }
    check->verdict = true;
    check->hr = MAPI_E_CORRUPT_STORE;
}

bool CFileChecks::IsDamaged(const CFileKey& key) {
    std::lock_guard<std::mutex> guard(m_lock);
    auto found = m_checks.find(key);
    return found != m_checks.end() && found->second->verdict && found->second->hr == MAPI_E_CORRUPT_STORE;
}

void CFileChecks::Stop() {
    std::vector<std::thread> threads;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_stopping = true;
        m_stop = true;
        threads = std::move(m_endedThreads);
        m_endedThreads.clear();
        for (auto& [key, check] : m_checks) {
            if (!check->thread.joinable()) {
                continue;
            }
            if (check->pid == ::getpid()) {
                threads.push_back(std::move(check->thread));
            } else {
                check->thread.detach();  // made by the process this one was forked from
            }
        }
    }
    for (std::thread& thread : threads) {
        if (thread.joinable()) {
            thread.join();
        }
    }
    std::lock_guard<std::mutex> guard(m_lock);
    m_stopping = false;
    m_stop = false;
}

void StartFileCheck(const std::string& path, const CFileKey& key) {
    CFileChecks::Service().Start(path, key);
}

HRESULT AwaitFileCheck(const std::string& path, const CFileKey& key) {
    return CFileChecks::Service().Await(path, key);
}

void StopFileChecks() {
    CFileChecks::Service().Stop();
}

long FileChecksRun() {
    return CFileChecks::Service().ChecksRun();
}

}  // namespace qrvmapi
