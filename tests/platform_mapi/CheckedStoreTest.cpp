// The whole-file check of a store: once per file in a process, none for another program's commits,
// a damaged file never written, reads that change nothing, and a stop that never waits.
#include <dirent.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <functional>
#include <future>
#include <mutex>
#include <set>
#include <thread>

#include "platform/mapi/FileCheck.h"
#include "platform/mapi/StoreAdmin.h"
#include "tests/platform_mapi/MapiTestSupport.h"
#include "tests/support/HangGuard.h"

namespace mapitest {
namespace {

const GUID kSet = {0x00062004, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

class CheckedStore : public MapiTest {
protected:
    HRESULT IdOf(LPMDB store, LONG id, ULONG flags, ULONG& tag) {
        return NamedIdOf(store, kSet, id, flags, tag);
    }
    // Opens the store, adds a note, closes it again: the result of the note's save.
    HRESULT AddNote(const std::string& subject, const std::string& file = "s.qst") {
        Ref<IMsgStore> store;
        HRESULT hr = HrOpenStoreFile(file, "", MAPI_BEST_ACCESS, &store);
        if (FAILED(hr)) {
            return hr;
        }
        Ref<IMAPIFolder> notes(OpenNamedFolder(store, "Notes"));
        Ref<IMessage> message;
        hr = notes->CreateMessage(nullptr, 0, &message);
        SPropValue values[2] = {TextValue(PR_MESSAGE_CLASS_A, "IPM.StickyNote"),
                                TextValue(PR_SUBJECT_A, subject.c_str())};
        if (SUCCEEDED(hr)) {
            hr = message->SetProps(2, values, nullptr);
        }
        return SUCCEEDED(hr) ? message->SaveChanges(0) : hr;
    }
    // A change made through SQLite by a program that is not ours.
    static void Sql(const char* change, const std::string& file = "s.qst") {
        sqlite3* db = nullptr;
        ASSERT_EQ(SQLITE_OK, sqlite3_open(HrResolveStorePath(file).c_str(), &db));
        EXPECT_EQ(SQLITE_OK, sqlite3_exec(db, change, nullptr, nullptr, nullptr)) << sqlite3_errmsg(db);
        sqlite3_close(db);
    }
    static std::string Path(const std::string& file = "s.qst") { return HrResolveStorePath(file); }
    // A copy of a store file: another file, which this process has not checked.
    static void Copy(const std::string& from, const std::string& to) {
        const std::string bytes = FileBytes(Path(from));
        FILE* copy = std::fopen(Path(to).c_str(), "wb");
        ASSERT_NE(nullptr, copy);
        ASSERT_EQ(bytes.size(), std::fwrite(bytes.data(), 1, bytes.size(), copy));
        std::fclose(copy);
    }
    // A store kept with a rollback journal, large enough for a copy of several steps and an
    // integrity check of many.
    void MakeLargeJournalStore() {
        ASSERT_EQ(S_OK, HrCreateStoreFile("s.qst", "S", ""));
        Sql("PRAGMA journal_mode = DELETE; CREATE TABLE pad(n, x); CREATE INDEX pad_n ON pad(n);"
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 3000) "
            "INSERT INTO pad SELECT i, randomblob(3000) FROM n");
    }
    // The names in a folder.
    static std::set<std::string> Names(const std::string& dir) {
        std::set<std::string> names;
        if (DIR* listing = ::opendir(dir.c_str())) {
            while (dirent* entry = ::readdir(listing)) {
                if (std::string(entry->d_name) != "." && std::string(entry->d_name) != "..") {
                    names.insert(entry->d_name);
                }
            }
            ::closedir(listing);
        }
        return names;
    }
};

// SQLite's temporary folder for the life of the object: one of the test's own.
class CTempFolder {
public:
    explicit CTempFolder(const std::string& path) : m_path(path), m_was(sqlite3_temp_directory) {
        ::mkdir(path.c_str(), 0700);
        sqlite3_temp_directory = sqlite3_mprintf("%s", path.c_str());
    }
    ~CTempFolder() {
        sqlite3_free(sqlite3_temp_directory);
        sqlite3_temp_directory = m_was;
    }
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
    char* m_was;
};

// A file with a rollback journal is checked on a copy: another program commits while the check
// reads, and the copy has no name in the temporary folder, during the check or after it.
TEST_F(CheckedStore, ARollbackJournalFileIsCheckedOnACopyWithoutAName) {
    MakeLargeJournalStore();
    const std::string dir = Path().substr(0, Path().rfind('/'));
    CTempFolder temp(dir + "/tmp");
    qrvmapi::CFileChecks checks;
    int checking = 0;
    checks.SetStageHook([&](qrvmapi::CFileChecks::CStage stage) {
        if (stage != qrvmapi::CFileChecks::CStage::Checking || checking++ != 0) {
            return;
        }
        EXPECT_TRUE(Names(temp.Path()).empty());
        sqlite3* other = nullptr;
        ASSERT_EQ(SQLITE_OK, sqlite3_open(Path().c_str(), &other));
        EXPECT_EQ(SQLITE_OK, sqlite3_exec(other, "INSERT INTO pad VALUES (0, 1)", nullptr, nullptr, nullptr))
            << "another program's commit waits for the check: " << sqlite3_errmsg(other);
        sqlite3_close(other);
    });
    EXPECT_EQ(S_OK, checks.Await(Path(), qrvmapi::KeyOfFile(Path())));
    EXPECT_GT(checking, 0);
    EXPECT_EQ(1, checks.ChecksRun());
    EXPECT_TRUE(Names(temp.Path()).empty());
}

// A stop during the copy ends it before the next step: no integrity check starts, and no verdict
// is left. Damage that a read meets while a check runs stays, whatever the check finds.
TEST_F(CheckedStore, AStopEndsACopyAndDamageMetMeanwhileOutlastsTheCheck) {
    MakeLargeJournalStore();
    const qrvmapi::CFileKey key = qrvmapi::KeyOfFile(Path());
    std::thread stopper;
    std::atomic<int> copying{0}, checking{0};
    std::atomic<bool> stopping{false};
    {
        qrvmapi::CFileChecks checks;
        checks.SetStageHook([&](qrvmapi::CFileChecks::CStage stage) {
            if (stage == qrvmapi::CFileChecks::CStage::Copied ||
                stage == qrvmapi::CFileChecks::CStage::Checking) {
                ++checking;
            } else if (stage == qrvmapi::CFileChecks::CStage::Copying && copying++ == 0) {
                stopper = std::thread([&] { checks.Stop(); });
                stopping = true;
                std::this_thread::sleep_for(std::chrono::milliseconds(100));  // stopping by now
            }
        });
        checks.Start(Path(), key);
        {
            qrvtest::HangGuard guard("a stop during a check's copy", std::chrono::seconds(5));
            while (!stopping) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            stopper.join();
        }
        EXPECT_EQ(1, copying.load());
        EXPECT_EQ(0, checking.load()) << "the copy went on after the stop";
        EXPECT_EQ(0, checks.ChecksRun());
        EXPECT_FALSE(checks.IsDamaged(key));
    }
    qrvmapi::CFileChecks checks;
    checks.SetStageHook([&](qrvmapi::CFileChecks::CStage stage) {
        if (stage == qrvmapi::CFileChecks::CStage::Checking && checking++ == 0) {
            checks.MarkDamaged(key);  // as a read on another connection would
        }
    });
    EXPECT_EQ(MAPI_E_CORRUPT_STORE, checks.Await(Path(), key));
    EXPECT_EQ(1, checks.ChecksRun());
    EXPECT_TRUE(checks.IsDamaged(key));
}

// While it lives, SQLite's default file system reads store files through a count of the reads made
// on one thread, with a step a test takes at the nth of them.
class CReadCounter {
public:
    CReadCounter() {
        s_base = sqlite3_vfs_find(nullptr);
        m_vfs = *s_base;
        m_vfs.zName = "qrv-counted";
        m_vfs.pNext = nullptr;
        m_vfs.xOpen = &Open;
        sqlite3_vfs_register(&m_vfs, 1);
    }
    ~CReadCounter() {
        sqlite3_vfs_unregister(&m_vfs);
        sqlite3_vfs_register(s_base, 1);
        s_thread = std::thread::id();
        s_atRead = nullptr;
    }
    // Counts the reads of 'thread' from now on; 'at' is called on it at the nth.
    void Watch(std::thread::id thread, long nth, std::function<void()> at) {
        s_nth = nth;
        s_atRead = std::move(at);
        s_reads = 0;
        s_thread = thread;
    }
    long Reads() const { return s_reads.load(); }

private:
    static int Open(sqlite3_vfs*, const char* name, sqlite3_file* file, int flags, int* outFlags) {
        const int rc = s_base->xOpen(s_base, name, file, flags, outFlags);
        if (rc == SQLITE_OK && (flags & SQLITE_OPEN_MAIN_DB) != 0 && file->pMethods != nullptr) {
            static std::once_flag once;
            std::call_once(once, [&] {
                s_methods = *file->pMethods;
                s_read = s_methods.xRead;
                s_methods.xRead = &Read;
            });
            if (file->pMethods->xRead == s_read) {
                file->pMethods = &s_methods;
            }
        }
        return rc;
    }
    static int Read(sqlite3_file* file, void* buffer, int amount, sqlite3_int64 offset) {
        if (s_thread.load() == std::this_thread::get_id() && ++s_reads == s_nth && s_atRead) {
            s_atRead();
        }
        return s_read(file, buffer, amount, offset);
    }

    sqlite3_vfs m_vfs{};
    static inline sqlite3_vfs* s_base = nullptr;
    static inline sqlite3_io_methods s_methods{};
    static inline int (*s_read)(sqlite3_file*, void*, int, sqlite3_int64) = nullptr;
    static inline std::atomic<std::thread::id> s_thread{};
    static inline std::atomic<long> s_reads{0};
    static inline long s_nth = 0;
    static inline std::function<void()> s_atRead;
};

// The structural part of SQLite's integrity check reads every page of the file in one step of its
// program, which no progress handler sees: a stop made there ends it at once all the same.
TEST_F(CheckedStore, AStopEndsTheIntegrityCheckInsideItsStructuralPart) {
    MakeLargeJournalStore();
    Sql("PRAGMA journal_mode = WAL");  // checked in place: every page is read by the check itself
    const qrvmapi::CFileKey key = qrvmapi::KeyOfFile(Path());
    constexpr long kStopAt = 200;  // a file of thousands of pages: well inside the structural part
    CReadCounter reads;
    std::thread stopper;
    std::atomic<bool> stopping{false};
    std::atomic<int> checking{0};
    qrvmapi::CFileChecks checks;
    checks.SetStageHook([&](qrvmapi::CFileChecks::CStage stage) {
        if (stage == qrvmapi::CFileChecks::CStage::Checking) {
            ++checking;
        } else if (stage == qrvmapi::CFileChecks::CStage::Starting) {
            reads.Watch(std::this_thread::get_id(), kStopAt, [&] {
                std::atomic<bool> entering{false};
                stopper = std::thread([&] {
                    entering = true;
                    checks.Stop();
                });
                stopping = true;
                while (!entering) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(200));  // stopped by now
            });
        }
    });
    checks.Start(Path(), key);
    {
        qrvtest::HangGuard guard("a stop inside the integrity check", std::chrono::seconds(10));
        while (!stopping) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        stopper.join();
    }
    EXPECT_EQ(0, checking.load()) << "the stop came after the structural part";
    EXPECT_LT(reads.Reads() - kStopAt, 50) << "the structural part read on after the stop";
    EXPECT_EQ(0, checks.ChecksRun());
    EXPECT_FALSE(checks.IsDamaged(key));
}

// A rollback-journal file is copied in chunks. When no temporary file can be written (here: a limit
// on the size of the files the process writes), the copy is kept in memory, and that copy is
// checked as well: a damaged store never passes for sound.
TEST_F(CheckedStore, ACopyKeptInMemoryIsCheckedAsWell) {
    MakeLargeJournalStore();
    FlipBitInPageOf("s.qst", "messages_folder", 0);
    const qrvmapi::CFileKey key = qrvmapi::KeyOfFile(Path());
    auto copySteps = [&](HRESULT expected) {
        qrvmapi::CFileChecks checks;
        std::atomic<int> copying{0};
        checks.SetStageHook([&](qrvmapi::CFileChecks::CStage stage) {
            copying += stage == qrvmapi::CFileChecks::CStage::Copying ? 1 : 0;
        });
        EXPECT_EQ(expected, checks.Await(Path(), key));
        EXPECT_EQ(1, checks.ChecksRun());
        return copying.load();
    };
    const int steps = copySteps(MAPI_E_CORRUPT_STORE);
    EXPECT_GE(steps, 2) << "a file of several chunks was copied in one step";

    rlimit was{};
    ASSERT_EQ(0, ::getrlimit(RLIMIT_FSIZE, &was));
    rlimit small = was;
    small.rlim_cur = 1 << 20;  // well below the copy
    void (*signalWas)(int) = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(0, ::setrlimit(RLIMIT_FSIZE, &small));
    const int limitedSteps = copySteps(MAPI_E_CORRUPT_STORE);
    ::setrlimit(RLIMIT_FSIZE, &was);
    std::signal(SIGXFSZ, signalWas);
    EXPECT_GT(limitedSteps, steps) << "the copy into a temporary file did not fail";
}

// A watcher is called with no lock of the checks held, and before its thread is handed over to be
// joined: it may ask the checks again while another check starts meanwhile, another file's or its
// own file's again (a check that gave no verdict: here, the file at the path is not the one named).
TEST_F(CheckedStore, AWatcherMayAskTheChecksWhileAnotherCheckStarts) {
    ASSERT_EQ(S_OK, HrCreateStoreFile("a.qst", "A", ""));
    ASSERT_EQ(S_OK, HrCreateStoreFile("b.qst", "B", ""));
    const qrvmapi::CFileKey a = qrvmapi::KeyOfFile(Path("a.qst"));
    const qrvmapi::CFileKey b = qrvmapi::KeyOfFile(Path("b.qst"));
    const struct {
        std::string watched;
        qrvmapi::CFileKey watchedKey;
        HRESULT hr;
        std::string started;
        qrvmapi::CFileKey startedKey;
    } cases[] = {{"a.qst", a, S_OK, "b.qst", b}, {"b.qst", a, MAPI_E_NOT_FOUND, "b.qst", a}};
    for (const auto& c : cases) {
        std::promise<void> called, started;
        std::shared_future<void> startedSoon = started.get_future().share();
        std::atomic<bool> asked{false};
        qrvmapi::CFileChecks checks;
        checks.Watch(Path(c.watched), c.watchedKey, [&](HRESULT hr) {
            EXPECT_EQ(c.hr, hr);
            called.set_value();
            // Another check starts now; then this watcher asks the checks about its file.
            if (startedSoon.wait_for(std::chrono::seconds(3)) == std::future_status::ready) {
                asked = !checks.IsDamaged(c.watchedKey);
            }
        });
        called.get_future().wait();
        {
            qrvtest::HangGuard guard("a check started while a watcher runs", std::chrono::seconds(10));
            checks.Start(Path(c.started), c.startedKey);
            started.set_value();
            EXPECT_EQ(c.hr, checks.Await(Path(c.started), c.startedKey));
            checks.Stop();  // joins the watcher's thread
        }
        EXPECT_TRUE(asked.load()) << "starting a check waited for a running watcher of " << c.watched;
    }
}

TEST_F(CheckedStore, ALookUpThatFindsEveryNameTakesNoWriteLock) {
    ASSERT_EQ(S_OK, HrCreateStoreFile("s.qst", "S", ""));
    ULONG made = 0;
    {
        Ref<IMsgStore> store;
        ASSERT_EQ(S_OK, HrOpenStoreFile("s.qst", "", MAPI_BEST_ACCESS, &store));
        ASSERT_EQ(S_OK, IdOf(store, 0x8101, MAPI_CREATE, made));
    }
    // A copy of it, damaged: writes are refused, but asking for a name it has, even with the flag
    // that would make a missing one, changes nothing and is answered.
    Copy("s.qst", "d.qst");
    FlipBitInPageOf("d.qst", "messages_folder", 0);
    Ref<IMsgStore> store;
    ASSERT_EQ(S_OK, HrOpenStoreFile("d.qst", "", MAPI_BEST_ACCESS, &store));
    ULONG found = 0;
    EXPECT_EQ(S_OK, IdOf(store, 0x8101, MAPI_CREATE, found));
    EXPECT_EQ(made, found);
    // A missing one is answered without a write, so without waiting for the check that finds the
    // damage; once the damage is known, it is refused.
    EXPECT_EQ(S_OK, IdOf(store, 0x8102, MAPI_CREATE, found));
    EXPECT_EQ(MAPI_E_CORRUPT_STORE,
              qrvmapi::AwaitFileCheck(Path("d.qst"), qrvmapi::KeyOfFile(Path("d.qst"))));
    EXPECT_EQ(MAPI_E_CORRUPT_STORE, IdOf(store, 0x8103, MAPI_CREATE, found));
}

TEST_F(CheckedStore, AFileIsCheckedOnceInAProcessWhateverOtherProgramsCommit) {
    ASSERT_EQ(S_OK, HrCreateStoreFile("s.qst", "S", ""));
    const long start = qrvmapi::FileChecksRun();
    ASSERT_EQ(S_OK, AddNote("first"));
    EXPECT_EQ(start + 1, qrvmapi::FileChecksRun());
    ASSERT_EQ(S_OK, AddNote("after a close"));

    // Another connection commits while our store is open and checked: our next write goes on.
    {
        Ref<IMsgStore> store;
        ASSERT_EQ(S_OK, HrOpenStoreFile("s.qst", "", MAPI_BEST_ACCESS, &store));
        ULONG tag = 0;
        ASSERT_EQ(S_OK, IdOf(store, 0x8101, MAPI_CREATE, tag));
        Sql("UPDATE folders SET comment = 'elsewhere' WHERE id = 2");
        EXPECT_EQ(S_OK, IdOf(store, 0x8102, MAPI_CREATE, tag));
    }
    EXPECT_EQ(start + 1, qrvmapi::FileChecksRun());

    // Another file put in its place gets a check of its own.
    Copy("s.qst", "copy.qst");
    ASSERT_EQ(0, std::rename(Path("copy.qst").c_str(), Path().c_str()));
    ASSERT_EQ(S_OK, AddNote("in the new file"));
    EXPECT_EQ(start + 2, qrvmapi::FileChecksRun());

    // A damaged file refuses every write.
    ASSERT_EQ(S_OK, HrCreateStoreFile("d.qst", "D", ""));
    FlipBitInPageOf("d.qst", "messages_folder", 0);
    Ref<IMsgStore> store;
    ASSERT_EQ(S_OK, HrOpenStoreFile("d.qst", "", MAPI_BEST_ACCESS, &store));
    EXPECT_EQ(MAPI_E_CORRUPT_STORE, HrBeginStoreBatch(store));
    EXPECT_EQ(MAPI_E_CORRUPT_STORE, HrAwaitStoreCheck(store));
    EXPECT_EQ(start + 3, qrvmapi::FileChecksRun());
}

TEST_F(CheckedStore, DamageAReadMeetsRefusesWritesWithoutACheck) {
    ASSERT_EQ(S_OK, HrCreateStoreFile("s.qst", "S", ""));
    std::string entryId;
    {
        Ref<IMsgStore> store;
        ASSERT_EQ(S_OK, HrOpenStoreFile("s.qst", "", MAPI_BEST_ACCESS, &store));
        Ref<IMAPIFolder> notes(OpenNamedFolder(store, "Notes"));
        entryId = AddMessage(notes, "IPM.StickyNote", "note");
    }
    Copy("s.qst", "d.qst");                   // a file not checked yet
    FlipBitInPageOf("d.qst", "messages", 0);  // its page type is wrong
    const long start = qrvmapi::FileChecksRun();
    Ref<IMsgStore> store;
    ASSERT_EQ(S_OK, HrOpenStoreFile("d.qst", "", MAPI_BEST_ACCESS, &store));
    LPUNKNOWN item = nullptr;
    EXPECT_EQ(MAPI_E_CORRUPT_STORE, OpenById(store.p, entryId, 0, &item));
    ASSERT_EQ(nullptr, item);
    ULONG tag = 0;
    EXPECT_EQ(MAPI_E_CORRUPT_STORE, IdOf(store, 0x8101, MAPI_CREATE, tag));
    EXPECT_EQ(start, qrvmapi::FileChecksRun()) << "known damaged without a check";
}

TEST_F(CheckedStore, ReadsAsASearchDoesChangeNothingInOrBesideTheFile) {
    ASSERT_EQ(S_OK, HrCreateStoreFile("s.qst", "S", ""));
    {
        Ref<IMsgStore> store;
        ASSERT_EQ(S_OK, HrOpenStoreFile("s.qst", "", MAPI_BEST_ACCESS, &store));
        Ref<IMAPIFolder> notes(OpenNamedFolder(store, "Notes"));
        AddMessage(notes, "IPM.StickyNote", "note");
    }
    // A file logged as we make them, and one with a rollback journal as another program may keep it.
    ASSERT_EQ(0, ::link(Path().c_str(), Path("journal.qst").c_str()));
    ASSERT_EQ(0, ::unlink(Path().c_str()));
    ASSERT_EQ(S_OK, HrCreateStoreFile("s.qst", "S", ""));
    Sql("PRAGMA journal_mode = DELETE", "journal.qst");
    for (const std::string file : {"s.qst", "journal.qst"}) {
        const std::string before = StoreState(file);
        {
            Ref<IMsgStore> store;
            ASSERT_EQ(S_OK, HrOpenStoreFile(file, "", MAPI_BEST_ACCESS, &store));
            Ref<IMAPIFolder> notes(OpenNamedFolder(store, "Notes"));
            Ref<IMAPITable> table(ContentsTable(notes, {PR_ENTRYID, PR_SUBJECT_A}));
            Rows rows;
            ASSERT_EQ(S_OK, table->QueryRows(10, 0, &rows.p));
            EXPECT_EQ(S_OK, HrAwaitStoreCheck(store)) << file;  // the check it started has ended
        }
        EXPECT_TRUE(before == StoreState(file)) << file;
    }
}

TEST_F(CheckedStore, AStopEndsACheckThatWaitsForAnotherProgramsLock) {
    ASSERT_EQ(S_OK, HrCreateStoreFile("s.qst", "S", ""));
    Sql("PRAGMA journal_mode = DELETE");
    sqlite3* other = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_open(Path().c_str(), &other));
    ASSERT_EQ(SQLITE_OK, sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr));
    {
        qrvmapi::CFileChecks checks;
        checks.Start(Path(), qrvmapi::KeyOfFile(Path()));
        std::this_thread::sleep_for(std::chrono::milliseconds(50));  // waiting for the lock by now
        {
            qrvtest::HangGuard guard("stopping a check beside another program's lock",
                                     std::chrono::seconds(5));
            checks.Stop();
            // Stopped again, as the owner's destructor does at exit after the program's own stop.
            checks.Stop();
        }
        EXPECT_EQ(0, checks.ChecksRun());
        // Stopped, it left no verdict: once the other program is done, the next wait runs it.
        ASSERT_EQ(SQLITE_OK, sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr));
        EXPECT_EQ(S_OK, checks.Await(Path(), qrvmapi::KeyOfFile(Path())));
        EXPECT_EQ(1, checks.ChecksRun());
    }
    sqlite3_close(other);
}

TEST_F(CheckedStore, TheMarksOfEarlierVersionsGoAtTheNextWrite) {
    ASSERT_EQ(S_OK, HrCreateStoreFile("s.qst", "S", ""));
    Sql("CREATE TRIGGER unmark_props_i AFTER INSERT ON props BEGIN DELETE FROM meta WHERE key = 'checked'; "
        "END;"
        "CREATE TRIGGER unmark_meta_d AFTER DELETE ON meta WHEN OLD.key <> 'checked' BEGIN "
        "DELETE FROM meta WHERE key = 'checked'; END;"
        "CREATE TRIGGER users_own AFTER INSERT ON folders BEGIN SELECT 1; END;"
        "INSERT INTO meta(key, value) VALUES('checked', '1:2:3:4')");
    const std::string record = Path() + ".checked";
    ASSERT_EQ(0, ::mkfifo(record.c_str(), 0600));  // never read: a FIFO cannot hold anything up
    {
        qrvtest::HangGuard guard("the first write beside an old record");
        ASSERT_EQ(S_OK, AddNote("first"));
    }
    struct stat st {};
    EXPECT_NE(0, ::stat(record.c_str(), &st));
    sqlite3* db = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_open_v2(Path().c_str(), &db, SQLITE_OPEN_READONLY, nullptr));
    sqlite3_stmt* stmt = nullptr;
    ASSERT_EQ(SQLITE_OK,
              sqlite3_prepare_v2(db,
                                 "SELECT group_concat(name) FROM sqlite_master WHERE type = 'trigger' "
                                 "UNION ALL SELECT count(*) FROM meta WHERE key = 'checked'",
                                 -1, &stmt, nullptr));
    ASSERT_EQ(SQLITE_ROW, sqlite3_step(stmt));
    EXPECT_STREQ("users_own", reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)));
    ASSERT_EQ(SQLITE_ROW, sqlite3_step(stmt));
    EXPECT_EQ(0, sqlite3_column_int(stmt, 0));
    sqlite3_finalize(stmt);
    sqlite3_close(db);
}

}  // namespace
}  // namespace mapitest
