// The soundness mark of store files and the whole-file checks that set it, each on a thread of its own.
#include "platform/mapi/CheckedFiles.h"

#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/mapi/MAPICodes.h"
#include "platform/win32/AtomicFile.h"

namespace qrvmapi {

namespace {

// How often a check is taken again when other programs keep changing the file while it runs.
constexpr int kAttempts = 3;

// Any change of the file through SQLite by another program clears the mark. Our own connections run
// no triggers (CSqliteDb::Open) and write the mark again before they commit (CSqliteDb::Commit).
constexpr const char* kUnmarkTriggers = R"sql(
CREATE TRIGGER IF NOT EXISTS unmark_folders_i AFTER INSERT ON folders BEGIN DELETE FROM meta WHERE key = 'checked'; END;
CREATE TRIGGER IF NOT EXISTS unmark_folders_u AFTER UPDATE ON folders BEGIN DELETE FROM meta WHERE key = 'checked'; END;
CREATE TRIGGER IF NOT EXISTS unmark_folders_d AFTER DELETE ON folders BEGIN DELETE FROM meta WHERE key = 'checked'; END;
CREATE TRIGGER IF NOT EXISTS unmark_fprops_i AFTER INSERT ON folder_props BEGIN DELETE FROM meta WHERE key = 'checked'; END;
CREATE TRIGGER IF NOT EXISTS unmark_fprops_u AFTER UPDATE ON folder_props BEGIN DELETE FROM meta WHERE key = 'checked'; END;
CREATE TRIGGER IF NOT EXISTS unmark_fprops_d AFTER DELETE ON folder_props BEGIN DELETE FROM meta WHERE key = 'checked'; END;
CREATE TRIGGER IF NOT EXISTS unmark_messages_i AFTER INSERT ON messages BEGIN DELETE FROM meta WHERE key = 'checked'; END;
CREATE TRIGGER IF NOT EXISTS unmark_messages_u AFTER UPDATE ON messages BEGIN DELETE FROM meta WHERE key = 'checked'; END;
CREATE TRIGGER IF NOT EXISTS unmark_messages_d AFTER DELETE ON messages BEGIN DELETE FROM meta WHERE key = 'checked'; END;
CREATE TRIGGER IF NOT EXISTS unmark_props_i AFTER INSERT ON props BEGIN DELETE FROM meta WHERE key = 'checked'; END;
CREATE TRIGGER IF NOT EXISTS unmark_props_u AFTER UPDATE ON props BEGIN DELETE FROM meta WHERE key = 'checked'; END;
CREATE TRIGGER IF NOT EXISTS unmark_props_d AFTER DELETE ON props BEGIN DELETE FROM meta WHERE key = 'checked'; END;
CREATE TRIGGER IF NOT EXISTS unmark_named_i AFTER INSERT ON named BEGIN DELETE FROM meta WHERE key = 'checked'; END;
CREATE TRIGGER IF NOT EXISTS unmark_named_u AFTER UPDATE ON named BEGIN DELETE FROM meta WHERE key = 'checked'; END;
CREATE TRIGGER IF NOT EXISTS unmark_named_d AFTER DELETE ON named BEGIN DELETE FROM meta WHERE key = 'checked'; END;
CREATE TRIGGER IF NOT EXISTS unmark_meta_i AFTER INSERT ON meta WHEN NEW.key <> 'checked' BEGIN DELETE FROM meta WHERE key = 'checked'; END;
CREATE TRIGGER IF NOT EXISTS unmark_meta_u AFTER UPDATE ON meta WHEN NEW.key <> 'checked' OR OLD.key <> 'checked' BEGIN DELETE FROM meta WHERE key = 'checked'; END;
CREATE TRIGGER IF NOT EXISTS unmark_meta_d AFTER DELETE ON meta WHEN OLD.key <> 'checked' BEGIN DELETE FROM meta WHERE key = 'checked'; END;
)sql";

// The check of one file: running, or how it ended and on which state of the file.
struct CCheck {
    bool running = false;
    HRESULT hr = S_OK;
    std::string damagedState;  // the file's state when it was found damaged
    CSqliteDb* db = nullptr;   // while running: the connection to interrupt at exit
};

// The checks of this process. At exit, running checks are interrupted and waited for.
class CChecks {
public:
    ~CChecks() {
        std::unique_lock<std::mutex> guard(lock);
        stopping = true;
        for (auto& [path, check] : checks) {
            if (check->running && check->db != nullptr) {
                check->db->Interrupt();
            }
        }
        ended.wait(guard, [this] {
            for (auto& [path, check] : checks) {
                if (check->running) {
                    return false;
                }
            }
            return true;
        });
    }
    std::mutex lock;
    std::condition_variable ended;
    std::map<std::string, std::unique_ptr<CCheck>> checks;
    bool stopping = false;
};

CChecks& Checks() {
    static CChecks checks;
    return checks;
}

std::atomic<long> g_checksRun{0};

// The file's identity, size and last change, and its log's: any write gives another state.
std::string FileState(const std::string& path) {
    std::string state;
    for (const std::string& name : {path, path + "-wal"}) {
        struct stat file {};
        if (stat(name.c_str(), &file) == 0) {
            state += std::to_string(file.st_dev) + ":" + std::to_string(file.st_ino) + ":" +
                     std::to_string(file.st_size) + ":" + std::to_string(file.st_mtim.tv_sec) + "." +
                     std::to_string(file.st_mtim.tv_nsec) + ";";
        }
    }
    return state;
}

// One whole-file check of 'path' on a connection of its own. The check reads a snapshot of the
// file beside the writers; the mark is written only when nobody committed since that snapshot,
// which the write lock then guarantees until the mark is in.
HRESULT RunCheck(CSqliteDb& db, const std::string& path) {
    HRESULT hr = db.Open(path, false);
    for (int attempt = 0; SUCCEEDED(hr) && attempt < kAttempts; ++attempt) {
        std::string mark, expected;
        LONGLONG seen = 0, now = 0;
        hr = db.Exec("BEGIN");
        if (SUCCEEDED(hr)) {
            hr = ReadMark(db, mark);  // the first read fixes the snapshot the check reads
        }
        if (SUCCEEDED(hr)) {
            hr = ExpectedMark(db, path, expected);
        }
        if (SUCCEEDED(hr) && !mark.empty() && mark == expected && RecordedState(path) == DiskState(path)) {
            db.Exec("COMMIT");
            return S_OK;  // another of our programs checked it meanwhile
        }
        if (SUCCEEDED(hr)) {
            ++g_checksRun;
            hr = db.CheckIntegrity();
        }
        if (SUCCEEDED(hr)) {
            hr = db.DataVersion(seen);
        }
        db.Exec("COMMIT");
        if (FAILED(hr)) {
            return hr;
        }
        hr = db.Exec("BEGIN IMMEDIATE");
        if (SUCCEEDED(hr)) {
            hr = db.DataVersion(now);
        }
        if (SUCCEEDED(hr) && now == seen) {
            hr = db.Exec(kUnmarkTriggers);
            if (SUCCEEDED(hr)) {
                hr = ExpectedMark(db, path, expected);
            }
            if (SUCCEEDED(hr)) {
                hr = WriteMark(db, expected);
            }
            hr = SUCCEEDED(hr) ? db.Exec("COMMIT") : hr;
            if (FAILED(hr)) {
                db.Exec("ROLLBACK");
                return hr;
            }
            // A file known sound may have its header written: write-ahead logging lets readers and
            // a writer of several processes work side by side (a busy file stays as it is for now).
            // Then the file as it is now, with the mark, is recorded.
            db.UseWal();
            RecordState(path, DiskState(path));
            db.KeepStateRecord(path);
            return hr;
        }
        db.Exec("ROLLBACK");  // changed since the snapshot: checked again
    }
    return FAILED(hr) ? hr : MAPI_E_BUSY;
}

void CheckThread(std::string path, CCheck* check) {
    HRESULT hr;
    {
        CSqliteDb db;
        bool stopping;
        {
            std::lock_guard<std::mutex> guard(Checks().lock);
            check->db = &db;
            stopping = Checks().stopping;
        }
        hr = stopping ? MAPI_E_CALL_FAILED : RunCheck(db, path);
        std::lock_guard<std::mutex> guard(Checks().lock);
        check->db = nullptr;
    }  // closed, with its last checkpoint recorded, before a waiting writer goes on
    std::lock_guard<std::mutex> guard(Checks().lock);
    check->hr = hr;
    check->damagedState = hr == MAPI_E_CORRUPT_STORE ? FileState(path) : std::string();
    check->running = false;
    Checks().ended.notify_all();
}

// Starts a check of 'path' (the lock held) unless one runs.
CCheck& Start(const std::string& path) {
    std::unique_ptr<CCheck>& check = Checks().checks[path];
    if (!check) {
        check = std::make_unique<CCheck>();
    }
    if (!check->running) {
        check->running = true;
        // Not joined: a check that ended leaves nothing behind (a process forked later inherits no
        // thread to wait for); the end of the process waits for the running ones (~CChecks).
        std::thread(CheckThread, path, check.get()).detach();
    }
    return *check;
}

}  // namespace

std::string DiskState(const std::string& path) {
    struct stat file {};
    if (stat(path.c_str(), &file) != 0) {
        return std::string();
    }
    return std::to_string(file.st_dev) + ":" + std::to_string(file.st_ino) + ":" +
           std::to_string(file.st_size) + ":" + std::to_string(file.st_mtim.tv_sec) + "." +
           std::to_string(file.st_mtim.tv_nsec);
}

std::string RecordedState(const std::string& path) {
    // Read as every other input: a FIFO or a device planted in its place is refused at once.
    std::string content;
    if (!qrvfile::ReadWholeFile(path + ".checked", content)) {
        return std::string();
    }
    return content.substr(0, content.find('\n'));
}

void RecordState(const std::string& path, const std::string& state) {
    // Replaced whole: a reader never sees half a record. The temporary is made new under a name
    // nobody can foresee (no link planted there is followed) and is the user's alone, as the store
    // beside it. Not flushed to disk: a record lost in a crash only costs one more check.
    std::string name = path + ".checked.new-XXXXXX";
    int fd = ::mkstemp(name.data());
    if (fd < 0) {
        return;
    }
    const std::string line = state + "\n";
    bool ok = ::fchmod(fd, 0600) == 0 && ::write(fd, line.data(), line.size()) == (ssize_t)line.size();
    ok = ::close(fd) == 0 && ok;
    if (!ok || std::rename(name.c_str(), (path + ".checked").c_str()) != 0) {
        ::unlink(name.c_str());
    }
}

HRESULT ExpectedMark(CSqliteDb& db, const std::string& path, std::string& mark) {
    mark.clear();
    struct stat file {};
    if (stat(path.c_str(), &file) != 0) {
        return MAPI_E_NOT_FOUND;
    }
    auto stmt = db.Prepare("PRAGMA schema_version");
    if (!stmt->Valid()) {
        return db.LastResult();
    }
    int rc = stmt->Step();
    if (rc != SQLITE_ROW) {
        return ResultFromSqlite(rc);
    }
    mark = "1:" + std::to_string(file.st_dev) + ":" + std::to_string(file.st_ino) + ":" +
           std::to_string(stmt->Int(0));
    return S_OK;
}

HRESULT ReadMark(CSqliteDb& db, std::string& mark) {
    mark.clear();
    auto stmt = db.Prepare("SELECT value FROM meta WHERE key = 'checked'");
    if (!stmt->Valid()) {
        return db.LastResult();
    }
    int rc = stmt->Step();
    if (rc == SQLITE_ROW) {
        mark = stmt->Text(0);
        return S_OK;
    }
    return rc == SQLITE_DONE ? S_OK : ResultFromSqlite(rc);
}

HRESULT WriteMark(CSqliteDb& db, const std::string& mark) {
    auto stmt = db.Prepare("INSERT OR REPLACE INTO meta(key, value) VALUES('checked', ?1)");
    if (!stmt->Valid()) {
        return db.LastResult();
    }
    stmt->BindText(1, mark);
    int rc = stmt->Step();
    return rc == SQLITE_DONE ? S_OK : ResultFromSqlite(rc);
}

void StartFileCheck(const std::string& path) {
    std::lock_guard<std::mutex> guard(Checks().lock);
    if (!Checks().stopping) {
        Start(path);
    }
}

HRESULT AwaitFileCheck(const std::string& path) {
    std::unique_lock<std::mutex> guard(Checks().lock);
    if (Checks().stopping) {
        return MAPI_E_CALL_FAILED;
    }
    auto found = Checks().checks.find(path);
    if (found != Checks().checks.end() && !found->second->running &&
        found->second->hr == MAPI_E_CORRUPT_STORE && found->second->damagedState == FileState(path)) {
        return MAPI_E_CORRUPT_STORE;  // damaged, and not written since
    }
    CCheck& check = Start(path);
    Checks().ended.wait(guard, [&] { return !check.running; });
    return check.hr;
}

long FileChecksRun() {
    return g_checksRun.load();
}

}  // namespace qrvmapi
