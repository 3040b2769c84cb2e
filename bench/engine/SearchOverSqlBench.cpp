// The whole search against one plain SQL query that reads the same values of the same items from
// the same file.
//
// Two stores in one search world, each of 100,000 items (30 % duplicates) over 10 folders: contacts
// whose notes hold 4 KB, compared on four names and numbers, and mails with bodies of 2 to 6 KB,
// compared on subject, sender, delivery time and message id. Neither the notes nor the bodies are
// compared. Each iteration runs the plain query and then the search over one store, and the ratio
// of their times is taken per pair, so that the load of a busy machine hits both alike.
//
// The one query steps through the file from start to end; the search reads folder by folder, and
// a folder's items lie spread over the file. So each iteration also runs the plain query folder by
// folder (one per folder, the same values in all): the search against it shows what the service
// itself costs beside that way of reading.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <stdlib.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "engine/DrawerMapList.h"
#include "tests/engine/SearchWorld.h"
#include "tools/store/Catalog.h"
#include "tools/store/Generator.h"
#include "trace/Trace.h"

namespace {

constexpr ULONG kItems = 100000;
constexpr ULONG kFolders = 10;

struct CKind {
    const char* m_type;             // the generator's item type
    std::vector<ULONG> m_compared;  // what the search compares
    const char* m_fill;             // SQL text of the uncompared body each item gets
};

const CKind kContacts = {"contact",
                         {PR_GIVEN_NAME_A, PR_SURNAME_A, PR_COMPANY_NAME_A, PR_BUSINESS_TELEPHONE_NUMBER_A},
                         "hex(randomblob(2048))"};
const CKind kMails = {"mail",
                      {PR_SUBJECT_A, PR_SENDER_NAME_A, PR_MESSAGE_DELIVERY_TIME, PR_INTERNET_MESSAGE_ID_A},
                      "hex(randomblob(1024 + abs(random()) % 2048))"};

std::vector<BYTE> EntryIdOf(IMAPIProp* pProp) {
    SizedSPropTagArray(1, tags) = {1, {PR_ENTRYID}};
    ULONG cValues = 0;
    LPSPropValue lpValue = nullptr;
    std::vector<BYTE> id;
    if (SUCCEEDED(pProp->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), 0, &cValues, &lpValue))) {
        id.assign(lpValue->Value.bin.lpb, lpValue->Value.bin.lpb + lpValue->Value.bin.cb);
    }
    MAPIFreeBuffer(lpValue);
    return id;
}

// One store's items, its configuration and the plain query over its file.
struct CStoreCase {
    enginetest::CTestConfig* m_pConfig = nullptr;
    std::string m_path;
    std::string m_sql;
    std::string m_folderSql;  // the same, for the items of the folder bound to ?1

    void Make(enginetest::CSearchWorld& world, int s, const CKind& kind) {
        std::vector<qrvstore::CCatalogType> catalog = qrvstore::DefaultCatalog();
        qrvstore::CGenerateOptions options;
        options.m_type = qrvstore::FindType(catalog, kind.m_type);
        options.m_count = kItems;
        options.m_folders = kFolders;
        options.m_duplicates = 0.3;
        qrvstore::CGenerateResult made = qrvstore::Generate(world.Store(s), options);
        std::vector<std::vector<BYTE>> folders;
        for (ULONG f = 0; f < kFolders; ++f) {
            const std::string path =
                f == 0 ? options.m_type->m_folder : options.m_type->m_folder + "/" + made.m_folders[f];
            LPMAPIFOLDER lpFolder = qrvstore::OpenOrMakeFolder(
                world.Store(s), path, qrvstore::ContainerClassFor(options.m_type->m_messageClass));
            folders.push_back(EntryIdOf(lpFolder));
            lpFolder->Release();
        }
        m_pConfig = world.MakeConfig(1, {{s, folders}});
        for (ULONG tag : kind.m_compared) {
            m_pConfig->Compare(tag);
        }
        // The bodies go in through a connection of our own, in one transaction: item by item
        // through the store would take minutes.
        m_path = std::string(getenv("QUORVEL_ROOT")) + "/Store " + std::to_string(s) + ".pst";
        sqlite3* db = nullptr;
        sqlite3_open(m_path.c_str(), &db);
        sqlite3_busy_timeout(db, 10000);
        const std::string fill = "INSERT OR REPLACE INTO props(msg, pid, type, value) SELECT id, " +
                                 std::to_string(PROP_ID(PR_BODY_A)) + ", " + std::to_string(PT_STRING8) +
                                 ", " + kind.m_fill + " FROM messages";
        sqlite3_exec(db, fill.c_str(), nullptr, nullptr, nullptr);
        // The values the search reads of each item: the compared ones, its subject and its time
        // (its entry id is made from its id).
        std::vector<ULONG> pids;
        for (ULONG tag : kind.m_compared) {
            pids.push_back(PROP_ID(tag));
        }
        pids.push_back(PROP_ID(PR_SUBJECT_A));
        pids.push_back(PROP_ID(PR_LAST_MODIFICATION_TIME));
        std::sort(pids.begin(), pids.end());
        pids.erase(std::unique(pids.begin(), pids.end()), pids.end());
        std::string in;
        for (ULONG pid : pids) {
            in += (in.empty() ? "" : ",") + std::to_string(pid);
        }
        // Every item of the store lies in one of the searched folders.
        m_sql =
            "SELECT m.id, p.pid, p.type, p.value FROM messages m JOIN props p ON p.msg = m.id "
            "WHERE m.deleted = 0 AND p.pid IN (" +
            in + ")";
        m_folderSql =
            "SELECT m.id, p.pid, p.type, p.value FROM messages m JOIN props p ON p.msg = m.id "
            "WHERE m.folder = ?1 AND m.deleted = 0 AND p.pid IN (" +
            in + ") ORDER BY m.id";
        sqlite3_close(db);
    }
};

struct CFixture {
    std::unique_ptr<enginetest::CSearchWorld> world;
    CStoreCase contacts;
    CStoreCase mails;

    CFixture() {
        SetTraceLevel(TRACE_ERROR);
        world = std::make_unique<enginetest::CSearchWorld>(2);
        contacts.Make(*world, 0, kContacts);
        mails.Make(*world, 1, kMails);
    }
    ~CFixture() {
        contacts.m_pConfig->Release();
        mails.m_pConfig->Release();
    }
};

CFixture& Fixture() {
    static CFixture fixture;
    return fixture;
}

double ThreadSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

double WallSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// The plain query over the file, every value touched; returns the rows read. With a folder, only
// that folder's items.
size_t PlainQuery(sqlite3* db, const std::string& sql, sqlite3_int64 folder = 0) {
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr);
    if (folder != 0) {
        sqlite3_bind_int64(stmt, 1, folder);
    }
    size_t rows = 0;
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        benchmark::DoNotOptimize(sqlite3_column_int64(stmt, 0));
        benchmark::DoNotOptimize(sqlite3_column_blob(stmt, 3));
        benchmark::DoNotOptimize(sqlite3_column_bytes(stmt, 3));
        ++rows;
    }
    sqlite3_finalize(stmt);
    return rows;
}

// The query and the search in turns; counters: the median and the highest ratio of their
// processor times (the search runs on one thread), the median ratio of their wall times, and the
// median ratio of the search to the queries folder by folder.
void SearchOverSql(benchmark::State& state, CStoreCase& store) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(store.m_path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    std::vector<sqlite3_int64> folders;
    sqlite3_stmt* list = nullptr;
    sqlite3_prepare_v2(db, "SELECT DISTINCT folder FROM messages ORDER BY folder", -1, &list, nullptr);
    while (sqlite3_step(list) == SQLITE_ROW) {
        folders.push_back(sqlite3_column_int64(list, 0));
    }
    sqlite3_finalize(list);
    std::vector<double> ratios;
    std::vector<double> wallRatios;
    std::vector<double> folderRatios;
    for (auto _ : state) {
        double folderStart = ThreadSeconds();
        for (sqlite3_int64 folder : folders) {
            benchmark::DoNotOptimize(PlainQuery(db, store.m_folderSql, folder));
        }
        const double byFolder = ThreadSeconds() - folderStart;
        double start = ThreadSeconds();
        double wallStart = WallSeconds();
        benchmark::DoNotOptimize(PlainQuery(db, store.m_sql));
        const double query = ThreadSeconds() - start;
        const double wallQuery = WallSeconds() - wallStart;
        CDrawerMapList* pList = nullptr;
        start = ThreadSeconds();
        wallStart = WallSeconds();
        if (FAILED(store.m_pConfig->FindDuplicates(&pList, nullptr))) {
            state.SkipWithError("search failed");
            break;
        }
        const double search = ThreadSeconds() - start;
        const double wallSearch = WallSeconds() - wallStart;
        pList->Release();
        state.SetIterationTime(search);
        ratios.push_back(search / query);
        wallRatios.push_back(wallSearch / wallQuery);
        folderRatios.push_back(search / byFolder);
    }
    sqlite3_close(db);
    std::sort(ratios.begin(), ratios.end());
    std::sort(wallRatios.begin(), wallRatios.end());
    std::sort(folderRatios.begin(), folderRatios.end());
    if (!ratios.empty()) {
        state.counters["by_folder"] = folderRatios[folderRatios.size() / 2];
        state.counters["ratio"] = ratios[ratios.size() / 2];
        state.counters["ratio_max"] = ratios.back();
        state.counters["wall_ratio"] = wallRatios[wallRatios.size() / 2];
    }
    state.counters["items/s"] =
        benchmark::Counter(double(kItems) * double(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_ContactsWithNotesOverSql(benchmark::State& state) {
    SearchOverSql(state, Fixture().contacts);
}
void BM_MailsWithBodiesOverSql(benchmark::State& state) {
    SearchOverSql(state, Fixture().mails);
}

}  // namespace

BENCHMARK(BM_ContactsWithNotesOverSql)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);
BENCHMARK(BM_MailsWithBodiesOverSql)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);
BENCHMARK_MAIN();
