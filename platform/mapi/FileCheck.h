// SQLite's whole-file check of the store files this process uses: once per file (known by device
// and inode) for the life of the process, in the background on a connection of its own, with an
// owner that ends the running checks at once when asked.
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/win32/WinTypes.h"

struct sqlite3;

namespace qrvmapi {

// A file's identity on disk: the same while it is written or renamed, another for a file put in
// its place. Its time of birth, where the file system keeps one, tells a new file from a removed
// one whose inode number it got.
struct CFileKey {
    unsigned long long m_dev = 0;
    unsigned long long m_ino = 0;
    long long m_born = 0;  // nanoseconds; 0 when not known
    bool Valid() const { return m_ino != 0; }
    bool operator<(const CFileKey& other) const {
        if (m_dev != other.m_dev) {
            return m_dev < other.m_dev;
        }
        return m_ino != other.m_ino ? m_ino < other.m_ino : m_born < other.m_born;
    }
    bool operator==(const CFileKey& other) const {
        return m_dev == other.m_dev && m_ino == other.m_ino && m_born == other.m_born;
    }
};

// The identity of the file at 'path' now (invalid when it cannot be looked at).
CFileKey KeyOfFile(const std::string& path);

class CCheckConnection;

// The checks of one process. A file's verdict (sound or damaged) is kept until the process ends;
// a check that could not run (stopped, busy, the file gone) leaves none, and the next wait for it
// runs it again.
class CFileChecks {
public:
    CFileChecks() = default;
    // Stops: safe from a static destructor at exit.
    ~CFileChecks();
    CFileChecks(const CFileChecks&) = delete;
    CFileChecks& operator=(const CFileChecks&) = delete;

    // The checks of the message-store service.
    static CFileChecks& Service();

    // Starts the check of the file 'key' at 'path' in the background unless it ran or runs.
    void Start(const std::string& path, const CFileKey& key);
    // Waits until the file's check ended, starting it when it neither ran nor runs: S_OK when the
    // file is sound, MAPI_E_CORRUPT_STORE when it is damaged, or why the check could not run.
    HRESULT Await(const std::string& path, const CFileKey& key);
    // Has 'ended' called with what Await would give once the file's check ended, starting it when it
    // neither ran nor runs: at once, on this thread, when the file's verdict is known; else on the
    // check's thread as it ends, where it should only hand the result on. It is called with no lock
    // of the checks held (so it may ask them again, and other checks start meanwhile), but a stop
    // waits for it: it must not call Stop. A stop forgets the calls still waited for.
    void Watch(const std::string& path, const CFileKey& key, std::function<void(HRESULT)> ended);
    // The file was found damaged by other means (SQLite met damage reading it): so it stays.
    void MarkDamaged(const CFileKey& key);
    bool IsDamaged(const CFileKey& key);
    // Ends every running check soon (each one notices within a few milliseconds, also while it
    // waits for another program's lock) and waits for their threads. Checks asked for while it
    // runs do not start; afterwards they start again as usual.
    void Stop();
    // How many whole-file checks ran to their end (for tests).
    long ChecksRun() const { return m_checksRun.load(); }
    // For tests: called on the check's thread as it starts (Starting), before each chunk of a copy
    // (Copying), once the copy is whole (Copied), and every few thousand steps of SQLite's integrity
    // check (Checking). Set it before any check.
    enum class CStage { Copying, Copied, Checking, Starting };
    void SetStageHook(std::function<void(CStage)> hook) { m_stageHook = std::move(hook); }

private:
    friend class CCheckConnection;  // installs the callbacks below
    struct CCheck {
        bool running = false;
        HRESULT hr = S_OK;  // when ended: S_OK or MAPI_E_CORRUPT_STORE are verdicts, others not
        bool verdict = false;
        std::thread thread;
        int pid = 0;  // the process that made the thread: a forked child has no thread to join
        std::vector<std::function<void(HRESULT)>> watchers;
    };
    void Launch(const std::string& path, const CFileKey& key, CCheck& check);
    // Joins the threads of the checks that ended (the lock held): a thread not joined keeps its
    // stack, and a process that reads many files (a fuzzer) would gather them.
    void JoinEnded();
    void Run(std::string path, CFileKey key, CCheck* check);
    HRESULT RunCheck(const std::string& path, const CFileKey& key);
    // The check of a file with a rollback journal, on a private copy (see FileCheck.cpp).
    int CheckCopy(CCheckConnection& source);
    // Copies the file of 'source' into 'target' in chunks under one read transaction of 'source'.
    int CopyWhole(CCheckConnection& source, CCheckConnection& target);
    // The stop flag and the stage hook, for SQLite's callbacks.
    static int EndWhenStopped(void* checks);
    static int WaitWhileBusy(void* checks, int count);
    void Reached(CStage stage) const {
        if (m_stageHook) {
            m_stageHook(stage);
        }
    }

    std::mutex m_lock;
    std::condition_variable m_ended;
    std::map<CFileKey, std::unique_ptr<CCheck>> m_checks;
    std::vector<std::thread> m_endedThreads;  // handed over by checks as they end
    // Threads of ended checks still calling their watchers when their file's check started again.
    std::vector<std::thread> m_handingOn;
    bool m_stopping = false;
    std::atomic<bool> m_stop{false};  // read by the checks' SQLite callbacks
    std::atomic<long> m_checksRun{0};
    std::function<void(CStage)> m_stageHook;
    // The checks' open connections, for a stop to interrupt what their statements do in one step
    // (the structural part of the integrity check, which no progress handler sees).
    std::set<sqlite3*> m_connections;
};

// The service's checks (CFileChecks::Service()).
void StartFileCheck(const std::string& path, const CFileKey& key);
HRESULT AwaitFileCheck(const std::string& path, const CFileKey& key);
// Ends the service's running checks within a second, whatever they are doing, and waits for their
// threads: called at the program's exit and by the tools before they return.
void StopFileChecks();
long FileChecksRun();

}  // namespace qrvmapi
