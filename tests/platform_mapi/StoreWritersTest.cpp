// Several processes writing one store file: every commit any of them made stays in the file.
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

#include "platform/mapi/StoreAdmin.h"
#include "tests/platform_mapi/MapiTestSupport.h"

namespace mapitest {
namespace {

// One process of the test, forked from this one while this one holds no connection to the file (a
// child inherits what SQLite knows of the parent's connections). It waits for a byte from its
// parent before each step and answers with one after it: open the store (twice), add a note called
// the note that 'write' adds (nothing when it is empty), close the store and leave.
class CChild {
public:
    explicit CChild(const std::function<bool(LPMDB)>& write, bool plain = false) : m_plain(plain) {
        if (pipe(m_go) != 0 || pipe(m_done) != 0) {
            ADD_FAILURE() << "pipe";
            return;
        }
        m_pid = fork();
        if (m_pid == 0) {
            _exit(Run(write));
        }
    }
    ~CChild() {
        for (int fd : {m_go[0], m_go[1], m_done[0], m_done[1]}) {
            close(fd);
        }
    }
    // Lets the child take its next step and waits until it took it.
    void Step() {
        char byte = 's';
        ASSERT_EQ(1, ::write(m_go[1], &byte, 1));
        ASSERT_EQ(1, read(m_done[0], &byte, 1));
    }
    void Reap() {
        int status = -1;
        ASSERT_EQ(m_pid, waitpid(m_pid, &status, 0));
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(0, WEXITSTATUS(status));
    }

private:
    int Run(const std::function<bool(LPMDB)>& write) {
        char byte = 0;
        auto wait = [&] { return read(m_go[0], &byte, 1) == 1; };
        auto done = [&] { return ::write(m_done[1], &byte, 1) == 1; };
        if (m_plain) {
            // A plain SQLite user of the file: opens it, reads, and closes when told.
            sqlite3* db = nullptr;
            if (!wait() || sqlite3_open(HrResolveStorePath("shared.qst").c_str(), &db) != SQLITE_OK ||
                sqlite3_exec(db, "SELECT count(*) FROM messages", nullptr, nullptr, nullptr) != SQLITE_OK ||
                !done() || !wait()) {
                return 6;
            }
            sqlite3_close(db);
            return done() ? 0 : 7;
        }
        // The store twice, as the program opens it once more for each operation while a page keeps
        // it open.
        LPMDB store = nullptr, again = nullptr;
        if (!wait() || FAILED(HrOpenStoreFile("shared.qst", "", MAPI_BEST_ACCESS, &store)) ||
            FAILED(HrOpenStoreFile("shared.qst", "", MAPI_BEST_ACCESS, &again)) || !done()) {
            return 1;
        }
        // Reads something, so that the process takes part in the file's log.
        LPSPropValue props = nullptr;
        ULONG count = 0;
        SizedSPropTagArray(1, tags) = {1, {PR_DISPLAY_NAME_A}};
        store->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), 0, &count, &props);
        MAPIFreeBuffer(props);
        if (!wait()) {
            return 2;
        }
        int code = 0;
        if (write) {
            code = write(store) ? 0 : 3;
        }
        if (!done() || !wait()) {
            return 4;
        }
        again->Release();
        store->Release();
        return done() ? code : 5;
    }

    int m_go[2] = {-1, -1};
    int m_done[2] = {-1, -1};
    pid_t m_pid = -1;
    bool m_plain;
};

class StoreWriters : public MapiTest {
protected:
    std::function<bool(LPMDB)> Note(const std::string& subject) {
        return [this, subject](LPMDB store) {
            Ref<IMAPIFolder> notes(OpenNamedFolder(store, "Notes"));
            return !AddMessage(notes, "IPM.StickyNote", subject).empty();
        };
    }
    std::set<std::string> Subjects() {
        std::set<std::string> subjects;
        Ref<IMsgStore> store;
        EXPECT_EQ(S_OK, HrOpenStoreFile("shared.qst", "", MAPI_BEST_ACCESS, &store));
        Ref<IMAPIFolder> notes(OpenNamedFolder(store, "Notes"));
        Ref<IMAPITable> table(ContentsTable(notes, {PR_SUBJECT_A}));
        EachRow(table, 100, [&](const SRow& row) { subjects.insert(row.lpProps[0].Value.lpszA); });
        return subjects;
    }
};

TEST_F(StoreWriters, EveryCommitOfSeveralProcessesStaysInTheFile) {
    ASSERT_EQ(S_OK, HrCreateStoreFile("shared.qst", "Shared", ""));
    {
        CChild first(Note("first"));  // the file is in use by write-ahead logging from here on
        for (int step = 0; step < 3; ++step) {
            first.Step();
        }
        first.Reap();
    }

    // A opens the store; B writes and closes; C keeps the file open; A writes and closes; C closes.
    // Each process must know of the others all along, or one of them takes itself for the file's
    // last user and folds the log into the file while another one still writes to it.
    CChild a(Note("from A")), b(Note("from B")), c({}, true);
    a.Step();
    for (int step = 0; step < 3; ++step) {
        b.Step();
    }
    b.Reap();
    c.Step();
    a.Step();
    a.Step();
    a.Reap();
    c.Step();
    c.Reap();

    EXPECT_EQ((std::set<std::string>{"first", "from A", "from B"}), Subjects());
}

}  // namespace
}  // namespace mapitest
