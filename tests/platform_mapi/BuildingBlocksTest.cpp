// The service's building blocks on their own: hashes, entry ids, restrictions, memory tables and the
// statement steps the store and profile databases share.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <set>
#include <stdexcept>
#include <thread>
#include <vector>

#include "platform/mapi/EntryId.h"
#include "platform/mapi/ForkJoin.h"
#include "platform/mapi/MemTable.h"
#include "platform/mapi/Restriction.h"
#include "platform/mapi/Sha256.h"
#include "platform/mapi/SqlSteps.h"
#include "platform/mapi/StoreAdmin.h"
#include "tests/platform_mapi/MapiTestSupport.h"

namespace mapitest {
namespace {

using qrvmapi::CPropCell;

TEST(Sha256, MatchesTheStandardTestVectors) {
    auto hexOf = [](const std::string& bytes) {
        static const char hex[] = "0123456789abcdef";
        std::string text;
        for (unsigned char c : bytes) {
            text += hex[c >> 4];
            text += hex[c & 15];
        }
        return text;
    };
    EXPECT_EQ("e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855", hexOf(qrvmapi::Sha256("")));
    EXPECT_EQ("ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad",
              hexOf(qrvmapi::Sha256("abc")));
    // Two blocks: the padding must spill into a second block at 56 bytes and more.
    EXPECT_EQ("248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1",
              hexOf(qrvmapi::Sha256("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq")));
    EXPECT_EQ(hexOf(qrvmapi::Sha256(std::string(1000000, 'a'))),
              "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
    EXPECT_NE(qrvmapi::HashPassword("salt1", "pw"), qrvmapi::HashPassword("salt2", "pw"));
    EXPECT_NE(qrvmapi::NewUid(), qrvmapi::NewUid());
}

TEST(EntryId, RoundTripsAndRefusesAnythingElse) {
    std::string store = qrvmapi::NewUid();
    std::string eid = qrvmapi::MakeEntryId(qrvmapi::EntryKind::Message, store, 0x0102030405LL);
    ASSERT_EQ(qrvmapi::kEntryIdSize, eid.size());
    qrvmapi::CEntryRef ref;
    ASSERT_TRUE(qrvmapi::ParseEntryId(eid.data(), eid.size(), ref));
    EXPECT_EQ(qrvmapi::EntryKind::Message, ref.m_kind);
    EXPECT_EQ(store, ref.m_storeUid);
    EXPECT_EQ(0x0102030405LL, ref.m_id);
    EXPECT_FALSE(qrvmapi::ParseEntryId(nullptr, eid.size(), ref));
    EXPECT_FALSE(qrvmapi::ParseEntryId(eid.data(), eid.size() - 1, ref));
    for (size_t at : {size_t(0), size_t(4), size_t(19), size_t(20), size_t(21)}) {
        std::string damaged = eid;
        damaged[at] = static_cast<char>(damaged[at] ^ 0x40);
        EXPECT_FALSE(qrvmapi::ParseEntryId(damaged.data(), damaged.size(), ref)) << "byte " << at;
    }
    // The reserved bytes parse whatever they hold; only a made id is exact.
    EXPECT_TRUE(qrvmapi::IsExactEntryId(eid.data(), eid.size()));
    for (size_t at : {size_t(22), size_t(23)}) {
        std::string reserved = eid;
        reserved[at] = 1;
        EXPECT_TRUE(qrvmapi::ParseEntryId(reserved.data(), reserved.size(), ref));
        EXPECT_FALSE(qrvmapi::IsExactEntryId(reserved.data(), reserved.size())) << "byte " << at;
    }
    // A folder or message needs an id; a store has none.
    std::string noId = qrvmapi::MakeEntryId(qrvmapi::EntryKind::Folder, store, 0);
    EXPECT_FALSE(qrvmapi::ParseEntryId(noId.data(), noId.size(), ref));
    std::string storeWithId = qrvmapi::MakeEntryId(qrvmapi::EntryKind::Store, store, 7);
    EXPECT_FALSE(qrvmapi::ParseEntryId(storeWithId.data(), storeWithId.size(), ref));
}

TEST(Restriction, RelationsCombinationsAndMissingValues) {
    std::vector<CPropCell> row = {CPropCell::Long(PR_IMPORTANCE, 1), CPropCell::Text(PR_SUBJECT_A, "beta"),
                                  CPropCell::Long(PR_MESSAGE_FLAGS, MSGFLAG_READ | MSGFLAG_HASATTACH)};
    auto matches = [&](const SRestriction& res) {
        std::unique_ptr<qrvmapi::CRestriction> built;
        EXPECT_EQ(S_OK, qrvmapi::CRestriction::Build(&res, built));
        return built && built->Matches([&](ULONG tag) { return qrvmapi::FindCell(row, tag); });
    };
    SPropValue one = LongValue(PR_IMPORTANCE, 1);
    SPropValue alpha = TextValue(PR_SUBJECT_A, "alpha");
    EXPECT_TRUE(matches(PropertyIs(RELOP_EQ, one)));
    EXPECT_FALSE(matches(PropertyIs(RELOP_NE, one)));
    EXPECT_TRUE(matches(PropertyIs(RELOP_LE, one)));
    EXPECT_FALSE(matches(PropertyIs(RELOP_LT, one)));
    EXPECT_TRUE(matches(PropertyIs(RELOP_GT, alpha)));
    EXPECT_TRUE(matches(PropertyIs(RELOP_GE, alpha)));
    // A value of another kind is never equal; a missing property never passes.
    SPropValue wrongKind = TextValue(PROP_TAG(PT_STRING8, PROP_ID(PR_IMPORTANCE)), "1");
    EXPECT_FALSE(matches(PropertyIs(RELOP_EQ, wrongKind)));
    EXPECT_TRUE(matches(PropertyIs(RELOP_NE, wrongKind)));
    SPropValue absent = LongValue(PR_SENSITIVITY, 0);
    EXPECT_FALSE(matches(PropertyIs(RELOP_NE, absent)));
    SRestriction exists{};
    exists.rt = RES_EXIST;
    exists.res.resExist.ulPropTag = PR_SUBJECT_A;
    EXPECT_TRUE(matches(exists));
    exists.res.resExist.ulPropTag = PR_SENSITIVITY;
    EXPECT_FALSE(matches(exists));

    SRestriction parts[2] = {PropertyIs(RELOP_EQ, one), PropertyIs(RELOP_EQ, absent)};
    SRestriction anyOf{};
    anyOf.rt = RES_OR;
    anyOf.res.resOr = SOrRestriction{2, parts};
    EXPECT_TRUE(matches(anyOf));
    SRestriction allOf = anyOf;
    allOf.rt = RES_AND;
    EXPECT_FALSE(matches(allOf));
    SRestriction notAll{};
    notAll.rt = RES_NOT;
    notAll.res.resNot.lpRes = &allOf;
    EXPECT_TRUE(matches(notAll));
    SRestriction bits{};
    bits.rt = RES_BITMASK;
    bits.res.resBitMask = SBitMaskRestriction{BMR_NEZ, PR_MESSAGE_FLAGS, MSGFLAG_HASATTACH};
    EXPECT_TRUE(matches(bits));
    bits.res.resBitMask.ulMask = MSGFLAG_SUBMIT;
    EXPECT_FALSE(matches(bits));

    std::unique_ptr<qrvmapi::CRestriction> built;
    SRestriction regex = PropertyIs(RELOP_RE, alpha);
    EXPECT_EQ(MAPI_E_TOO_COMPLEX, qrvmapi::CRestriction::Build(&regex, built));
    SRestriction other{};
    other.rt = RES_SUBRESTRICTION;
    EXPECT_EQ(MAPI_E_TOO_COMPLEX, qrvmapi::CRestriction::Build(&other, built));
    other.rt = RES_PROPERTY;  // with no value to compare with
    EXPECT_EQ(MAPI_E_INVALID_PARAMETER, qrvmapi::CRestriction::Build(&other, built));
    // Nesting without end (a caller's loop) is refused instead of recursing forever.
    SRestriction loop{};
    loop.rt = RES_NOT;
    loop.res.resNot.lpRes = &loop;
    EXPECT_EQ(MAPI_E_TOO_COMPLEX, qrvmapi::CRestriction::Build(&loop, built));
}

// Each part of each call runs once, on threads other than the caller's for all but the first, and
// the call returns only when all are done: whatever the number of parts from one call to the next.
TEST(ForkJoin, RunsEveryPartOnceACallAndWaitsForAll) {
    std::vector<size_t> rounds = {4, 1, 7, 2, 7, 3};
    {
        qrvmapi::CForkJoin fork;
        for (size_t parts : rounds) {
            std::vector<std::atomic<int>> ran(parts);
            std::vector<std::thread::id> on(parts);
            fork.Run(parts, [&](size_t p) {
                std::this_thread::sleep_for(std::chrono::microseconds(p == 0 ? 0 : 200));
                on[p] = std::this_thread::get_id();
                ++ran[p];
            });
            for (size_t p = 0; p < parts; ++p) {
                EXPECT_EQ(1, ran[p].load()) << parts << " parts, part " << p;
                EXPECT_EQ(p == 0, on[p] == std::this_thread::get_id());
            }
        }
    }  // idle threads stop with their owner
}

// A part that throws, on the caller's thread or on another, reaches the caller only once every
// part has returned: the others use the caller's work and what it refers to until then.
TEST(ForkJoin, AThrowingPartWaitsForTheOthersAndReachesTheCaller) {
    qrvmapi::CForkJoin fork;
    for (size_t thrower : {0, 2}) {
        std::atomic<int> finished{0};
        bool caught = false;
        try {
            fork.Run(4, [&](size_t p) {
                if (p == thrower) {
                    throw std::runtime_error("part failed");
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(30));
                ++finished;
            });
        } catch (const std::runtime_error&) {
            caught = true;
            EXPECT_EQ(3, finished.load()) << "part " << thrower << " threw";
        }
        EXPECT_TRUE(caught);
    }
    int ran = 0;
    fork.Run(3, [&](size_t p) {
        if (p == 0) {
            ++ran;
        }
    });
    EXPECT_EQ(1, ran) << "the kept threads serve the next call";
}

TEST(MemTable, SeeksBothWaysCountsAndHandsOutItsColumns) {
    std::vector<std::vector<CPropCell>> rows;
    for (int i = 0; i < 10; ++i) {
        rows.push_back(
            {CPropCell::Long(PR_IMPORTANCE, i % 2), CPropCell::Text(PR_SUBJECT_A, std::to_string(i))});
    }
    LONG buffers = CMAPITestHooks::LiveBuffers();
    {
        Ref<IMAPITable> table(new qrvmapi::CMemTable({PR_SUBJECT_A}, std::move(rows)));
        LPSPropTagArray columns = nullptr;
        ASSERT_EQ(S_OK, table->QueryColumns(0, &columns));
        EXPECT_EQ(1u, columns->cValues);
        EXPECT_EQ(PR_SUBJECT_A, columns->aulPropTag[0]);
        MAPIFreeBuffer(columns);
        SPropValue odd = LongValue(PR_IMPORTANCE, 1);
        SRestriction res = PropertyIs(RELOP_EQ, odd);
        ASSERT_EQ(S_OK, table->Restrict(&res, 0));
        ULONG count = 0;
        ASSERT_EQ(S_OK, table->GetRowCount(0, &count));
        EXPECT_EQ(5u, count);
        LONG sought = 0;
        ASSERT_EQ(S_OK, table->SeekRow(BOOKMARK_END, -2, &sought));
        EXPECT_EQ(-2, sought);
        Rows tail;
        ASSERT_EQ(S_OK, table->QueryRows(10, 0, &tail.p));
        ASSERT_EQ(2u, tail.p->cRows);
        EXPECT_STREQ("7", tail.p->aRow[0].lpProps[0].Value.lpszA);
        ASSERT_EQ(S_OK, table->SeekRow(BOOKMARK_BEGINNING, 100, &sought));
        EXPECT_EQ(5, sought) << "a seek stops at the end";
        EXPECT_EQ(MAPI_E_INVALID_BOOKMARK, table->SeekRow(99, 0, &sought));
        // A column the rows do not have reads as an error value, not a failure.
        ASSERT_EQ(S_OK, table->SetColumns(Tags{PR_SUBJECT_A, PR_BODY_A}, 0));
        ASSERT_EQ(S_OK, table->SeekRow(BOOKMARK_BEGINNING, 0, nullptr));
        Rows first;
        ASSERT_EQ(S_OK, table->QueryRows(1, 0, &first.p));
        EXPECT_EQ(CHANGE_PROP_TYPE(PR_BODY_A, PT_ERROR), first.p->aRow[0].lpProps[1].ulPropTag);
        EXPECT_EQ(MAPI_E_INVALID_PARAMETER, table->SetColumns(nullptr, 0));
        Rows none;
        EXPECT_EQ(MAPI_E_INVALID_PARAMETER, table->QueryRows(0, 0, &none.p));
    }
    EXPECT_EQ(buffers, CMAPITestHooks::LiveBuffers());
}

class SharedStore : public MapiTest {};

// One store object used by two threads at once: a reader walking the contents as the search does
// and a writer adding and deleting items. Every use of the store's connection is serialised.
TEST_F(SharedStore, ReadersAndWritersOnOneStoreObjectInTwoThreads) {
    ASSERT_EQ(S_OK, HrCreateStoreFile("shared.qst", "Shared", ""));
    Ref<IMsgStore> store;
    ASSERT_EQ(S_OK, HrOpenStoreFile("shared.qst", "", MAPI_BEST_ACCESS, &store));
    Ref<IMAPIFolder> inbox(OpenNamedFolder(store, "Inbox"));
    for (int i = 0; i < 200; ++i) {
        AddMessage(inbox, "IPM.Note", "seed " + std::to_string(i));
    }
    std::atomic<bool> failed{false};
    std::thread writer([&] {
        for (int i = 0; i < 100 && !failed; ++i) {
            LPMESSAGE message = nullptr;
            if (FAILED(inbox->CreateMessage(nullptr, 0, &message)) || FAILED(message->SaveChanges(0))) {
                failed = true;
            }
            Values value;
            if (message != nullptr &&
                SUCCEEDED(message->GetProps(Tags{PR_ENTRYID}, 0, &value.count, &value.p))) {
                SBinaryArray list{1, &value[0].Value.bin};
                if (i % 2 == 0 && FAILED(inbox->DeleteMessages(&list, 0, nullptr, 0))) {
                    failed = true;
                }
            }
            if (message != nullptr) {
                message->Release();
            }
        }
    });
    for (int pass = 0; pass < 3; ++pass) {
        Ref<IMAPITable> table(ContentsTable(inbox, {PR_ENTRYID, PR_SUBJECT_A}));
        for (;;) {
            Rows rows;
            ASSERT_EQ(S_OK, table->QueryRows(100, 0, &rows.p));
            if (rows.p->cRows == 0) {
                break;
            }
            for (ULONG r = 0; r < rows.p->cRows; ++r) {
                LPUNKNOWN unknown = nullptr;
                HRESULT hr = OpenById(inbox.p, Bytes(rows.p->aRow[r].lpProps[0].Value.bin), 0, &unknown);
                EXPECT_TRUE(hr == S_OK || hr == MAPI_E_NOT_FOUND);
                if (unknown != nullptr) {
                    unknown->Release();
                }
            }
        }
    }
    writer.join();
    EXPECT_FALSE(failed);
    EXPECT_EQ(250, LongProp(inbox, PR_CONTENT_COUNT));
}

// A deletion of many items is one change to every other user of the store object: a reader in
// another thread sees all of them or none deleted, never a part.
TEST_F(SharedStore, AReaderInAnotherThreadSeesADeletionWholeOrNotAtAll) {
    ASSERT_EQ(S_OK, HrCreateStoreFile("shared.qst", "Shared", ""));
    Ref<IMsgStore> store;
    ASSERT_EQ(S_OK, HrOpenStoreFile("shared.qst", "", MAPI_BEST_ACCESS, &store));
    Ref<IMAPIFolder> inbox(OpenNamedFolder(store, "Inbox"));
    constexpr LONG kItems = 600;
    ASSERT_EQ(S_OK, HrBeginStoreBatch(store));
    for (LONG i = 0; i < kItems; ++i) {
        AddMessage(inbox, "IPM.Note", "item " + std::to_string(i));
    }
    ASSERT_EQ(S_OK, HrEndStoreBatch(store, TRUE));
    const std::vector<std::string> ids = ContentIds(inbox);
    ASSERT_EQ(static_cast<size_t>(kItems), ids.size());
    std::vector<SBinary> bins;
    for (const std::string& id : ids) {
        bins.push_back(Bin(id));
    }
    SBinaryArray list{static_cast<ULONG>(bins.size()), bins.data()};
    std::atomic<bool> done{false};
    std::set<LONG> seen;
    std::thread reader([&] {
        while (!done) {
            seen.insert(LongProp(inbox, PR_CONTENT_COUNT));
        }
    });
    for (int round = 0; round < 10; ++round) {
        EXPECT_EQ(S_OK, inbox->DeleteMessages(&list, 0, nullptr, 0));
        ULONG restored = 0;
        EXPECT_EQ(S_OK, HrRestoreDeletedItems(store, {}, &restored));
    }
    done = true;
    reader.join();
    for (LONG count : seen) {
        EXPECT_TRUE(count == 0 || count == kItems) << count;
    }
}

using qrvmapi::CStmt;

struct CPair {
    LONGLONG m_a = 0;
    LONGLONG m_b = 0;
};

void ReadPair(CStmt& stmt, CPair& pair) {
    pair.m_a = stmt.Int(0);
    pair.m_b = stmt.Int(1);
}

class SqlStepsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(S_OK, m_db.Open(m_root.Path() + "/steps.db", true));
        ASSERT_EQ(S_OK, m_db.Exec("CREATE TABLE pairs(a INTEGER NOT NULL, b INTEGER NOT NULL, UNIQUE(a))"));
    }
    HRESULT Insert(LONGLONG a, LONGLONG b) {
        return qrvmapi::ExecWith(m_db, "INSERT INTO pairs(a, b) VALUES(?1, ?2)", {a, b});
    }
    // Every row as "a:b " in the order of a.
    std::string All() {
        std::vector<CPair> rows;
        auto stmt = m_db.Prepare("SELECT a, b FROM pairs ORDER BY a");
        EXPECT_EQ(S_OK, qrvmapi::ReadAllRows(*stmt, ReadPair, rows));
        std::string text;
        for (const CPair& pair : rows) {
            text += std::to_string(pair.m_a) + ":" + std::to_string(pair.m_b) + " ";
        }
        return text;
    }

    qrvtest::TempRoot m_root;
    qrvmapi::CSqliteDb m_db;
};

// A commit that fails (here: another connection still reads a file with a rollback journal) ends
// the transaction: the write lock goes, and the next transaction is one of its own.
TEST_F(SqlStepsTest, AFailedCommitEndsItsTransaction) {
    ASSERT_EQ(S_OK, Insert(1, 10));
    ASSERT_EQ(S_OK, m_db.Exec("PRAGMA busy_timeout = 20"));
    sqlite3* reader = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_open((m_root.Path() + "/steps.db").c_str(), &reader));
    ASSERT_EQ(SQLITE_OK,
              sqlite3_exec(reader, "BEGIN; SELECT count(*) FROM pairs", nullptr, nullptr, nullptr));
    {
        qrvmapi::CTransaction tx(m_db);
        ASSERT_EQ(S_OK, tx.Result());
        ASSERT_EQ(S_OK, Insert(2, 20));
        EXPECT_EQ(MAPI_E_BUSY, tx.Commit());
    }
    EXPECT_EQ(0, m_db.Depth());
    ASSERT_EQ(SQLITE_OK, sqlite3_exec(reader, "COMMIT", nullptr, nullptr, nullptr));
    EXPECT_EQ(SQLITE_OK, sqlite3_exec(reader, "BEGIN IMMEDIATE; ROLLBACK", nullptr, nullptr, nullptr))
        << "the write lock was let go";
    sqlite3_close(reader);
    {
        qrvmapi::CTransaction tx(m_db);
        ASSERT_EQ(S_OK, Insert(3, 30));
        ASSERT_EQ(S_OK, tx.Commit());
    }
    EXPECT_EQ(0, m_db.Depth());
    EXPECT_EQ("1:10 3:30 ", All());
}

// SQLite is set up once, before the first connection of the process, also when another part of
// the program opens one of its own right after MAPIInitialize: its memory is then not counted
// (a count every allocation of every thread would queue for). Run in a fresh process, since this
// one started SQLite long ago.
TEST(SqliteSetUp, MadeBeforeAnyConnection) {
    if (std::getenv("QRV_FRESH_SQLITE") != nullptr) {
        ASSERT_EQ(S_OK, MAPIInitialize(nullptr));
        sqlite3* db = nullptr;
        ASSERT_EQ(SQLITE_OK, sqlite3_open(":memory:", &db));
        ASSERT_EQ(SQLITE_OK, sqlite3_exec(db, "CREATE TABLE t(a); INSERT INTO t VALUES(randomblob(5000))",
                                          nullptr, nullptr, nullptr));
        EXPECT_EQ(0, sqlite3_memory_used());
        sqlite3_close(db);
        MAPIUninitialize();
        return;
    }
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::setenv("QRV_FRESH_SQLITE", "1", 1);
        ::execl("/proc/self/exe", "test_platform_mapi", "--gtest_filter=SqliteSetUp.MadeBeforeAnyConnection",
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    int status = -1;
    ASSERT_EQ(child, ::waitpid(child, &status, 0));
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(0, WEXITSTATUS(status));
}

TEST_F(SqlStepsTest, NumbersAreBoundInOrderFailuresReportedAndNoRowToldFromAFoundOne) {
    EXPECT_EQ("", All());
    ASSERT_EQ(S_OK, Insert(1, 10));
    // The places in the text need not come in order: ?2 is the second number wherever it stands.
    ASSERT_EQ(S_OK, qrvmapi::ExecWith(m_db, "INSERT INTO pairs(b, a) VALUES(?2, ?1)", {2, 20}));
    ASSERT_EQ(S_OK, qrvmapi::ExecWith(m_db, "UPDATE pairs SET b = ?2 WHERE a = ?1", {1, 11}));
    EXPECT_EQ("1:11 2:20 ", All());
    // A statement whose rows are not wanted still succeeds when it has some.
    EXPECT_EQ(S_OK, qrvmapi::ExecWith(m_db, "SELECT a FROM pairs WHERE a >= ?1", {0}));
    EXPECT_TRUE(FAILED(qrvmapi::ExecWith(m_db, "INSERT INTO nowhere(a) VALUES(?1)", {1})));
    ASSERT_EQ(S_OK, Insert(5, 1));
    // A constraint broken while running is a failure too, and leaves the table as it was.
    EXPECT_TRUE(FAILED(Insert(5, 2)));
    EXPECT_EQ("1:11 2:20 5:1 ", All());
    // The cached statement was left clean: the next use of it works.
    EXPECT_EQ(S_OK, Insert(6, 2));
    EXPECT_EQ("1:11 2:20 5:1 6:2 ", All());
    CPair pair{-1, -1};
    auto none = m_db.Prepare("SELECT a, b FROM pairs WHERE a = ?1");
    none->Bind(1, 9);
    EXPECT_EQ(MAPI_E_NOT_FOUND, qrvmapi::ReadFirstRow(*none, ReadPair, pair));
    EXPECT_EQ(-1, pair.m_a);  // untouched when there is no row
    auto stmt = m_db.Prepare("SELECT a, b FROM pairs WHERE a >= ?1 ORDER BY a");
    stmt->Bind(1, 2);
    ASSERT_EQ(S_OK, qrvmapi::ReadFirstRow(*stmt, ReadPair, pair));
    EXPECT_EQ(2, pair.m_a);
    EXPECT_EQ(20, pair.m_b);
}

}  // namespace
}  // namespace mapitest
