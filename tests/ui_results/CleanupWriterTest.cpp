// A cleanup through the results page beside another program that writes the same store: in a
// loop, with the outcome recounted from the file afterwards; between two folders' deletions; and
// while the cleanup's error box waits for the user.
#include <fcntl.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <sstream>

#include "engine/EntryList.h"
#include "model/StoreInfo.h"
#include "platform/afx/wnd/MessageBoxUi.h"
#include "platform/mapi/MAPITestHooks.h"
#include "resources/ResultTemplates.h"
#include "tests/ui_results/ResultsFixture.h"
#include "tests/ui_results/StoreClient.h"
#include "ui/FormViews.h"
#include "ui/ItemInfo.h"
#include "ui/SearchResultPP.h"

namespace qrvtest {
namespace {

// FILETIME ticks now, as the store stamps a deletion.
long long NowTicks() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::system_clock::now().time_since_epoch())
                   .count() /
               100 +
           116444736000000000LL;
}

std::string Hex(const std::vector<BYTE>& bytes) {
    static const char* digits = "0123456789ABCDEF";
    std::string text;
    for (BYTE b : bytes) {
        text += digits[b >> 4];
        text += digits[b & 15];
    }
    return text;
}

// One change the other program reported as committed (its tool exited 0), with the times before
// it started and after it ended.
struct CChange {
    char kind;  // 's' subject set, 'd' deleted, 'a' added
    std::string item;
    std::string value;
    long long before, after;
};

// Runs the store tool once; true when it reported success. With a limit (in seconds), a tool still
// running then is killed and counts as failed: one that waits for a lock held too long.
bool Tool(const std::vector<std::string>& args, int nLimit = 0) {
    pid_t child = fork();
    if (child == 0) {
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(QRVSTORE_PATH));
        for (const std::string& arg : args)
            argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        dup2(null, 2);
        execv(QRVSTORE_PATH, argv.data());
        _exit(127);
    }
    int status = -1;
    if (child > 0 && nLimit > 0) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(nLimit);
        while (waitpid(child, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > until) {
                kill(child, SIGKILL);
                waitpid(child, &status, 0);
                return false;
            }
            usleep(20000);
        }
        return WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
    return child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// The other program: until 'stop' closes (or a time limit), each step changes the subject of an
// item not touched before, deletes one, or adds one, and reports each committed change on 'out'.
void Writer(const std::string& store, const std::vector<std::string>& items, const std::string& itemFile,
            int stop, int out) {
    std::mt19937 random(7);
    std::vector<std::string> untouched = items;
    std::shuffle(untouched.begin(), untouched.end(), random);
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    fcntl(stop, F_SETFL, O_NONBLOCK);
    for (int n = 0; std::chrono::steady_clock::now() < until; ++n) {
        char byte;
        if (read(stop, &byte, 1) == 0)
            break;  // the test closed its end
        CChange change{"sda"[n % 3], "", "", NowTicks(), 0};
        bool done = false;
        if (change.kind == 'a') {
            done = Tool({"item", "import", store, "Inbox", itemFile});
        } else if (!untouched.empty()) {
            change.item = untouched.back();
            untouched.pop_back();
            change.value = "changed " + std::to_string(n);
            done = change.kind == 's' ? Tool({"item", "set", store, change.item, "0x0037001E", change.value})
                                      : Tool({"item", "delete", store, change.item});
        }
        change.after = NowTicks();
        if (done) {
            std::ostringstream line;
            line << change.kind << ' ' << (change.item.empty() ? "-" : change.item) << ' ' << change.before
                 << ' ' << change.after << ' ' << (change.value.empty() ? "-" : change.value) << '\n';
            const std::string text = line.str();
            if (write(out, text.data(), text.size()) != (ssize_t)text.size())
                break;
        }
    }
}

// What the file holds of one item, read by plain SQLite.
struct CItem {
    bool deleted = false;
    long long deletedOn = 0;
    std::string subject, sender;
};

// A page that hands control to the test right before each folder's deletion, as when another
// program writes at that moment.
class CHookedPage : public CSearchResultPP {
public:
    explicit CHookedPage(FVBase* pOwner) : CSearchResultPP(pOwner) {}
    HRESULT DeleteDuplicates(CEntryList* pList) override {
        if (s_before)
            s_before(pList->GetFolderIndex());
        return CSearchResultPP::DeleteDuplicates(pList);
    }
    static std::function<void(int)> s_before;
};
std::function<void(int)> CHookedPage::s_before;

class CleanupWriterTest : public ResultsFixture {
protected:
    void TearDown() override {
        CHookedPage::s_before = nullptr;
        m_client.reset();
        ResultsFixture::TearDown();
    }
    // Folders below the inbox, searched after the inbox (positions 1, 2, ...).
    std::vector<BYTE> SearchedFolder(const char* lpszName) {
        if (m_client == nullptr)
            m_client = std::make_unique<CStoreClient>(m_pConfig);
        const std::vector<BYTE> folder = m_client->MakeFolder(m_inbox, lpszName);
        CStoreInfo* pStore = m_pConfig->GetStore(0);
        EXPECT_EQ(S_OK, pStore->AddFolder(m_client->Store(), (ULONG)folder.size(),
                                          const_cast<BYTE*>(folder.data())));
        pStore->Release();
        return folder;
    }
    std::string StorePath() const { return m_root->Path() + "/Personal.pst"; }

    std::unique_ptr<CStoreClient> m_client;
};

TEST_F(CleanupWriterTest, ACommitBetweenTwoFoldersDeletionsIsSeenByEveryLaterFolder) {
    // A: kept and one copy in F1, one copy in F3. B: in F2. C and D: in F3, where another program
    // changes C's copy after F1's deletion and before F2's. Groups may span the store's folders.
    m_pConfig->SetCompareMode(COMPARE_MODE_STORE);
    const std::vector<BYTE> f1 = SearchedFolder("F1"), f2 = SearchedFolder("F2"), f3 = SearchedFolder("F3");
    // Each item by its name (group, folder, the kept one with a k).
    std::map<std::vector<BYTE>, std::string> names;
    auto add = [&](const std::vector<BYTE>& folder, const char* lpszSubject, const char* lpszName, DWORD dw) {
        const std::vector<BYTE> id = m_client->AddMail(folder, lpszSubject, lpszSubject, dw);
        names[id] = lpszName;
        return id;
    };
    add(f1, "Alpha", "A1k", 100);
    add(f1, "Alpha", "A1", 200);
    add(f3, "Alpha", "A3", 300);
    add(f2, "Beta", "B2k", 100);
    add(f2, "Beta", "B2", 200);
    add(f3, "Gamma", "C3k", 100);
    const std::vector<BYTE> c3 = add(f3, "Gamma", "C3", 200);
    add(f3, "Delta", "D3k", 100);
    add(f3, "Delta", "D3", 200);
    // E: kept and one copy in F2, one copy in F3 that changes with C3: F2's judgement of E's part
    // there must not stand for its part in F3.
    add(f2, "Epsilon", "E2k", 100);
    add(f2, "Epsilon", "E2", 200);
    const std::vector<BYTE> e3 = add(f3, "Epsilon", "E3", 300);
    auto live = [&]() {
        std::set<std::string> found;
        for (const std::vector<BYTE>& folder : {f1, f2, f3})
            for (const std::vector<BYTE>& id : m_client->LiveItems(folder))
                found.insert(names[id]);
        return found;
    };
    std::vector<int> folders;
    bool bChanged = false;
    CHookedPage::s_before = [&](int nFolder) {
        folders.push_back(nFolder);
        if (folders.size() == 2)
            bChanged = Tool({"item", "set", StorePath(), Hex(c3), "0x0037001E", "Gamma, answered"}) &&
                       Tool({"item", "set", StorePath(), Hex(e3), "0x0037001E", "Epsilon, answered"});
    };
    SetSearchResultPageFactory([](FVBase* pOwner) -> PropertyPageBase* { return new CHookedPage(pOwner); });
    FVPagedView* pView = ShowForm(m_pConfig);
    ASSERT_NE(nullptr, pView);
    CSearchResultPP* pPage = Start(pView);
    ASSERT_NE(nullptr, pPage);
    ASSERT_EQ(5u, Roots(pPage->GetTree()).size());
    AfxClearShownMessageBoxes();
    pPage->SendMessage(WM_COMMAND, MAKEWPARAM(IDC_RES_DELETE, BN_CLICKED), 0);
    Settle();
    CHookedPage::s_before = nullptr;
    ASSERT_EQ((std::vector<int>{1, 2, 3}), folders);
    EXPECT_TRUE(bChanged) << "the other program's change failed";

    // C3 changed after the judgement: its group stays whole. A3's group was judged again by its
    // part in F3 (its part in F1 went with F1); E2 went with F2, E3 changed and stays: E's group
    // was cleaned in part, and is told apart from C's.
    EXPECT_EQ((std::set<std::string>{"A1k", "B2k", "C3k", "C3", "D3k", "E2k", "E3"}), live());
    ASSERT_EQ(2u, AfxGetShownMessageBoxes().size());
    const std::string whole = AfxGetShownMessageBoxes()[0].text, part = AfxGetShownMessageBoxes()[1].text;
    EXPECT_NE(std::string::npos, whole.find("1 duplicate group(s) were left")) << whole;
    EXPECT_NE(std::string::npos, whole.find("1 with a marked entry that no longer matches")) << whole;
    EXPECT_NE(std::string::npos, part.find("1 duplicate group(s) were cleaned only in part")) << part;
    EXPECT_NE(std::string::npos, part.find("1 with a marked entry that no longer matches")) << part;
    CloseForm(pView);
}

TEST_F(CleanupWriterTest, AnotherProgramWritesWhileTheCleanupsErrorBoxWaits) {
    const std::vector<BYTE> kept = AddMail({"Alpha", "Ann", 100});
    AddMail({"Alpha", "Ann", 200});
    AddMail({"Alpha", "Ann", 300});
    const std::set<std::vector<BYTE>> before = LiveItems();
    FVPagedView* pView = ShowForm(m_pConfig);
    ASSERT_NE(nullptr, pView);
    CSearchResultPP* pPage = Start(pView);
    ASSERT_NE(nullptr, pPage);
    // While a box is up, another program writes the store: it must not wait for the box.
    auto written = std::make_shared<std::vector<bool>>();
    AfxSetMessageBoxHook([written, store = StorePath(), item = Hex(kept)](const AfxShownMessageBox&) {
        written->push_back(Tool({"item", "set", store, item, "0x1000001E", "seen"}, 8));
        return IDOK;
    });
    for (const char* lpszRound :
         {"the judgement fails", "the judgement again under the lock fails", "the deletion fails"}) {
        SCOPED_TRACE(lpszRound);
        const std::string round = lpszRound;
        if (round == "the judgement fails") {
            CMAPITestHooks::FailQueryRows(1, MAPI_E_DISK_ERROR);
        } else if (round == "the judgement again under the lock fails") {
            // Another program commits right before the deletion takes the lock: its groups are
            // judged again there, and that fails. The lock must go before the box comes.
            CMAPITestHooks::SetBeforeWriteLock([store = StorePath(), item = Hex(kept)]() {
                CMAPITestHooks::SetBeforeWriteLock(nullptr);
                Tool({"item", "set", store, item, "0x1000001E", "read"});
                CMAPITestHooks::FailQueryRows(1, MAPI_E_DISK_ERROR);
            });
        } else {
            // Another program's index allows one deleted item a folder: the cleanup's deletion of
            // two from the inbox at once fails.
            sqlite3* db = nullptr;
            ASSERT_EQ(SQLITE_OK, sqlite3_open(StorePath().c_str(), &db));
            EXPECT_EQ(
                SQLITE_OK,
                sqlite3_exec(db, "CREATE UNIQUE INDEX one_deleted ON messages(folder) WHERE deleted = 1",
                             nullptr, nullptr, nullptr));
            sqlite3_close(db);
        }
        written->clear();
        pPage->SendMessage(WM_COMMAND, MAKEWPARAM(IDC_RES_DELETE, BN_CLICKED), 0);
        Settle();
        CMAPITestHooks::Reset();
        EXPECT_EQ(std::vector<bool>{true}, *written)
            << "the other program waited for the box, or no box came";
        EXPECT_EQ(before, LiveItems());
        ASSERT_EQ(pPage, PageOf(pView));
    }
    AfxSetMessageBoxHook([](const AfxShownMessageBox&) { return IDOK; });
    CloseForm(pView);
}

TEST_F(CleanupWriterTest, AnotherWriterDuringTheCleanupLosesNothingAndNothingWrongIsDeleted) {
    // 120 groups of three in the inbox.
    for (int g = 0; g < 120; ++g)
        for (int c = 0; c < 3; ++c)
            AddMail({"Group " + std::to_string(g), "Sender " + std::to_string(g), DWORD(100 + c)});
    FVPagedView* pView = ShowForm(m_pConfig);
    ASSERT_NE(nullptr, pView);
    CSearchResultPP* pPage = Start(pView);
    ASSERT_NE(nullptr, pPage);
    CResultTree& tree = pPage->GetTree();
    // Each item's group: its kept entry (the root), by hex entry id.
    std::map<std::string, std::string> keptOf;
    std::vector<std::string> items;
    for (HTREEITEM hRoot : Roots(tree)) {
        const std::string kept = Hex(EntryOf(Info(tree, hRoot)));
        items.push_back(kept);
        for (HTREEITEM hChild : Children(tree, hRoot)) {
            keptOf[Hex(EntryOf(Info(tree, hChild)))] = kept;
            items.push_back(Hex(EntryOf(Info(tree, hChild))));
        }
    }
    ASSERT_EQ(240u, keptOf.size());
    const std::string store = m_root->Path() + "/Personal.pst";
    const std::string itemFile = m_root->WriteFile(
        "new.json", R"({"items": [{"properties": [{"tag": "0x0037001E", "value": "new item"}]}]})");

    int stop[2], reports[2];
    ASSERT_EQ(0, pipe(stop));
    ASSERT_EQ(0, pipe(reports));
    pid_t writer = fork();
    ASSERT_GE(writer, 0);
    if (writer == 0) {
        close(stop[1]);
        close(reports[0]);
        Writer(store, items, itemFile, stop[0], reports[1]);
        _exit(0);
    }
    close(stop[0]);
    close(reports[1]);
    // Reads the other program's reports until it has committed 'count' changes in all (or ended):
    // a loaded machine may start each of its tools slowly, so time alone would not tell.
    std::string text;
    auto waitForChanges = [&](size_t count) {
        char buffer[4096];
        while (static_cast<size_t>(std::count(text.begin(), text.end(), '\n')) < count) {
            ssize_t got = read(reports[0], buffer, sizeof(buffer));
            if (got <= 0)
                break;
            text.append(buffer, (size_t)got);
        }
    };
    waitForChanges(2);  // the other program is under way
    AfxSetModalHook([](CWnd*) { return IDOK; });
    pPage->SendMessage(WM_COMMAND, MAKEWPARAM(IDC_RES_DELETE, BN_CLICKED), 0);
    Settle();
    const size_t beforeEnd = static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
    waitForChanges(beforeEnd + 2);  // and goes on after the cleanup
    close(stop[1]);
    waitForChanges(SIZE_MAX);
    close(reports[0]);
    int status = -1;
    ASSERT_EQ(writer, waitpid(writer, &status, 0));
    std::vector<CChange> changes;
    std::istringstream lines(text);
    for (CChange change{}; lines >> change.kind >> change.item >> change.before >> change.after;) {
        std::getline(lines, change.value);
        change.value = change.value.size() > 1 ? change.value.substr(1) : std::string();
        changes.push_back(change);
    }
    EXPECT_GE(changes.size(), 4u) << "the other program got no turn";

    // The independent recount: every item as the file holds it.
    sqlite3* db = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_open_v2(store.c_str(), &db, SQLITE_OPEN_READONLY, nullptr));
    std::map<LONGLONG, CItem> file;
    sqlite3_stmt* stmt = nullptr;
    ASSERT_EQ(SQLITE_OK,
              sqlite3_prepare_v2(db,
                                 "SELECT m.id, m.deleted, coalesce(m.deleted_on, 0), s.value, n.value "
                                 "FROM messages m LEFT JOIN props s ON s.msg = m.id AND s.pid = 55 "
                                 "LEFT JOIN props n ON n.msg = m.id AND n.pid = 3098",
                                 -1, &stmt, nullptr));
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        CItem& item = file[sqlite3_column_int64(stmt, 0)];
        item.deleted = sqlite3_column_int(stmt, 1) != 0;
        item.deletedOn = sqlite3_column_int64(stmt, 2);
        const unsigned char* subject = sqlite3_column_text(stmt, 3);
        const unsigned char* sender = sqlite3_column_text(stmt, 4);
        item.subject = subject != nullptr ? reinterpret_cast<const char*>(subject) : "";
        item.sender = sender != nullptr ? reinterpret_cast<const char*>(sender) : "";
    }
    sqlite3_finalize(stmt);
    ASSERT_EQ(SQLITE_OK, sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &stmt, nullptr));
    ASSERT_EQ(SQLITE_ROW, sqlite3_step(stmt));
    EXPECT_STREQ("ok", reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)));
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    // An entry id ends in the item's number, 8 bytes little-endian.
    auto idOf = [](const std::string& hex) {
        LONGLONG id = 0;
        for (int b = 7; b >= 0; --b)
            id = id * 256 + std::stoi(hex.substr(hex.size() - 16 + 2 * b, 2), nullptr, 16);
        return id;
    };

    // Every change the other program reported is there.
    std::map<std::string, const CChange*> changed;
    int added = 0;
    for (const CChange& change : changes) {
        if (change.kind == 'a') {
            ++added;
            continue;
        }
        changed[change.item] = &change;
        const CItem& item = file.at(idOf(change.item));
        if (change.kind == 's')
            EXPECT_EQ(change.value, item.subject) << change.item;
        else
            EXPECT_TRUE(item.deleted) << change.item;
    }
    int newItems = 0;
    for (const auto& [id, item] : file)
        newItems += item.subject == "new item" ? 1 : 0;
    EXPECT_EQ(added, newItems);

    // Whatever the cleanup deleted was, when it was deleted, a live duplicate of its group's live
    // kept entry: neither it nor the kept entry changed or went before. (A change of a deleted
    // item fails, so any reported change of it came before; a change of the kept entry counts
    // when it had ended before the deletion; deletions are told apart by their stamps.)
    int deletedByCleanup = 0;
    for (const auto& [hex, kept] : keptOf) {
        const CItem& item = file.at(idOf(hex));
        auto mine = changed.find(hex);
        if (!item.deleted || (mine != changed.end() && mine->second->kind == 'd'))
            continue;
        ++deletedByCleanup;
        const long long at = item.deletedOn;
        EXPECT_TRUE(mine == changed.end() || mine->second->before > at) << hex << " changed before it went";
        auto other = changed.find(kept);
        EXPECT_TRUE(other == changed.end() || other->second->after > at) << hex << "'s kept entry changed";
        const CItem& keptItem = file.at(idOf(kept));
        EXPECT_TRUE(!keptItem.deleted || keptItem.deletedOn > at) << hex << "'s kept entry went before";
    }
    EXPECT_GT(deletedByCleanup, 0);
    CloseForm(pView);
}

}  // namespace
}  // namespace qrvtest
