// The whole-file checks of store files, each on a thread and a connection of its own.
#include "platform/mapi/FileCheck.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <mutex>
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
// Pages a copy takes in one step, between two looks at the stop flag: a few milliseconds' work.
constexpr int kCopyPages = 1024;

bool IsDamage(int rc) {
    return (rc & 0xFF) == SQLITE_CORRUPT || (rc & 0xFF) == SQLITE_NOTADB;
}

}  // namespace

// One connection of the check, closed on every way out.
class CCheckConnection {
public:
    ~CCheckConnection() {
        if (m_checks != nullptr) {
            std::lock_guard<std::mutex> guard(m_checks->m_lock);
            m_checks->m_connections.erase(m_db);
        }
        if (m_db != nullptr) {
            sqlite3_close_v2(m_db);
        }
    }
    // Opens the file with the stop flag watched in every busy wait and every long statement, and
    // known to a stop, which interrupts what it does.
    int Open(const char* path, int flags, CFileChecks* checks) {
        int rc = sqlite3_open_v2(path, &m_db, flags | SQLITE_OPEN_NOMUTEX, nullptr);
        if (rc == SQLITE_OK) {
            sqlite3_extended_result_codes(m_db, 0);
            sqlite3_busy_handler(m_db, &CFileChecks::WaitWhileBusy, checks);
            sqlite3_progress_handler(m_db, kProgressSteps, &CFileChecks::EndWhenStopped, checks);
            std::lock_guard<std::mutex> guard(checks->m_lock);
            checks->m_connections.insert(m_db);
            m_checks = checks;
        }
        return rc;
    }
    sqlite3* Get() const { return m_db; }
    int Exec(const char* sql) { return sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr); }
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
    // SQLite's integrity check of the connection's file: SQLITE_OK when sound, SQLITE_CORRUPT when not.
    int CheckIntegrity(const std::atomic<bool>& stop) {
        if (stop.load()) {
            return SQLITE_INTERRUPT;  // a stop that came between two statements interrupted nothing
        }
        std::string verdict;
        int rc = Text("PRAGMA integrity_check(1)", verdict);
        return rc != SQLITE_OK ? rc : (verdict == "ok" ? SQLITE_OK : SQLITE_CORRUPT);
    }

private:
    sqlite3* m_db = nullptr;
    CFileChecks* m_checks = nullptr;
};

int CFileChecks::WaitWhileBusy(void* checks, int count) {
    if (static_cast<CFileChecks*>(checks)->m_stop.load() || count * kBusyStepMs >= kBusyLimitMs) {
        return 0;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(kBusyStepMs));
    return 1;
}

int CFileChecks::EndWhenStopped(void* checks) {
    auto* self = static_cast<CFileChecks*>(checks);
    self->Reached(CStage::Checking);
    return self->m_stop.load() ? 1 : 0;
}

int CFileChecks::CopyWhole(CCheckConnection& source, CCheckConnection& target) {
    // One read transaction over the whole copy: no commit comes between two chunks, so the copy
    // is one state of the file, and writers wait no longer than for a copy in one step.
    std::string count;
    int rc = source.Exec("BEGIN");
    if (rc == SQLITE_OK) {
        rc = source.Text("SELECT count(*) FROM sqlite_master", count);
    }
    sqlite3_backup* backup = nullptr;
    if (rc == SQLITE_OK) {
        backup = sqlite3_backup_init(target.Get(), "main", source.Get(), "main");
        rc = backup == nullptr ? sqlite3_errcode(target.Get()) : SQLITE_OK;
    }
    while (rc == SQLITE_OK) {
        Reached(CStage::Copying);
        rc = m_stop.load() ? SQLITE_INTERRUPT : sqlite3_backup_step(backup, kCopyPages);
    }
    if (backup != nullptr) {
        const int finished = sqlite3_backup_finish(backup);
        rc = rc == SQLITE_DONE ? finished : rc;
    }
    if (rc == SQLITE_OK) {
        Reached(CStage::Copied);
    }
    source.Exec("ROLLBACK");  // nothing was written: the end only lets the file go
    return rc;
}

int CFileChecks::CheckCopy(CCheckConnection& source) {
    // A private temporary database: SQLite makes its file in its temporary folder ($TMPDIR or the
    // first usable of /var/tmp, /usr/tmp, /tmp) and removes its name as soon as it opened it, so
    // nobody else can open it and nothing of it outlives the process, however it ends.
    CCheckConnection copy;
    int rc = copy.Open("", SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, this);
    if (rc == SQLITE_OK) {
        rc = copy.Exec("PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF");
    }
    if (rc == SQLITE_OK) {
        rc = CopyWhole(source, copy);
    }
    const bool copied = rc == SQLITE_OK;
    if (!copied && !m_stop.load() && !IsDamage(rc) && (rc & 0xFF) != SQLITE_BUSY) {
        // No temporary file could be made (no usable folder, a full disk): the copy is kept in
        // memory instead, which costs as much memory as the file is large while the check runs;
        // when that fails too, the check tells why (SQLITE_NOMEM), never that the store was not found.
        CCheckConnection inMemory;
        rc = inMemory.Open(":memory:", SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, this);
        if (rc == SQLITE_OK) {
            rc = CopyWhole(source, inMemory);
        }
        return rc == SQLITE_OK ? inMemory.CheckIntegrity(m_stop) : rc;
    }
    return copied ? copy.CheckIntegrity(m_stop) : rc;
}

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
    Reached(CStage::Starting);
    // Opened for writing but kept to reading (query_only): a connection that is the file's last
    // one when it closes then ends SQLite's log files as any other would; a read-only one would
    // leave them beside the store.
    CCheckConnection source;
    int rc = source.Open(path.c_str(), SQLITE_OPEN_READWRITE, this);
    if (rc != SQLITE_OK) {
        return ResultFromSqlite(rc);
    }
    if (!(KeyOfFile(path) == key)) {
        return MAPI_E_NOT_FOUND;  // another file in its place: it gets its own check
    }
    std::string mode;
    rc = source.Exec("PRAGMA query_only = 1");
    if (rc == SQLITE_OK) {
        rc = source.Text("PRAGMA journal_mode", mode);
    }
    if (rc == SQLITE_OK && mode == "wal") {
        // Readers of a logged file hold no writer off: the check reads the file itself.
        rc = source.CheckIntegrity(m_stop);
    } else if (rc == SQLITE_OK) {
        // In a file with a rollback journal, the check's long read would hold every writer's
        // commit off for its whole length: it checks a private copy, taken in one short read.
        rc = CheckCopy(source);
    }
    if (m_stop.load()) {
        rc = SQLITE_INTERRUPT;  // whatever the stop broke off reads as no verdict
    }
    if (rc == SQLITE_OK || IsDamage(rc)) {
        ++m_checksRun;
    }
    return ResultFromSqlite(rc);
}

void CFileChecks::Run(std::string path, CFileKey key, CCheck* check) {
    const HRESULT hr = RunCheck(path, key);
    std::vector<std::function<void(HRESULT)>> watchers;
    HRESULT result = hr;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (!(check->verdict && check->hr == MAPI_E_CORRUPT_STORE)) {  // damage met meanwhile stays
            check->hr = hr;
            check->verdict = hr == S_OK || hr == MAPI_E_CORRUPT_STORE;
        }
        check->running = false;
        if (!m_stop.load()) {
            watchers.swap(check->watchers);
        }
        result = check->hr;  // what a wait gives
        m_ended.notify_all();
    }
    // The watchers are called with no lock held, and before this thread is handed over to be
    // joined: a watcher may call the service, also while another check is started meanwhile.
    for (auto& watcher : watchers) {
        watcher(result);
    }
    std::lock_guard<std::mutex> guard(m_lock);
    const std::thread::id self = std::this_thread::get_id();
    // A stop may have taken this thread to join already: then there is nothing left to hand on.
    if (check->thread.joinable() && check->thread.get_id() == self) {
        m_endedThreads.push_back(std::move(check->thread));  // joined by the next launch or stop
        return;
    }
    for (auto it = m_handingOn.begin(); it != m_handingOn.end(); ++it) {
        if (it->get_id() == self) {
            m_endedThreads.push_back(std::move(*it));
            m_handingOn.erase(it);
            return;
        }
    }
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
        // The thread of an earlier check that is still calling its watchers: it is joined once it
        // handed itself over, never here under the lock, which its watchers may want.
        if (check.pid == ::getpid()) {
            m_handingOn.push_back(std::move(check.thread));
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

void CFileChecks::Watch(const std::string& path, const CFileKey& key, std::function<void(HRESULT)> ended) {
    std::unique_lock<std::mutex> guard(m_lock);
    if (!key.Valid()) {
        guard.unlock();
        ended(MAPI_E_NOT_FOUND);
        return;
    }
    std::unique_ptr<CCheck>& slot = m_checks[key];
    if (!slot) {
        slot = std::make_unique<CCheck>();
    }
    CCheck& check = *slot;
    if (check.verdict && (!check.running || check.hr == MAPI_E_CORRUPT_STORE)) {
        const HRESULT hr = check.hr;
        guard.unlock();
        ended(hr);
        return;
    }
    if (m_stopping) {
        return;
    }
    check.watchers.push_back(std::move(ended));
    if (!check.running) {
        Launch(path, key, check);
    }
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
        for (sqlite3* db : m_connections) {
            sqlite3_interrupt(db);
        }
        threads = std::move(m_endedThreads);
        m_endedThreads.clear();
        for (std::thread& thread : m_handingOn) {
            threads.push_back(std::move(thread));
        }
        m_handingOn.clear();
        for (auto& [key, check] : m_checks) {
            check->watchers.clear();
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
