// Speed of the message-store service: the search's way of reading a folder against one plain SQL
// query over the same file, opening a store, the first change of a file state (which checks the
// whole file) against later ones, and deleting 10,000 of 100,000 items in one call.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/mapi/MAPIX.h"
#include "platform/mapi/StoreAdmin.h"
#include "tools/store/Catalog.h"
#include "tools/store/Generator.h"

namespace {

constexpr ULONG kItems = 100000;

// One generated store of 100,000 contacts in one folder, made once per run in a private root.
struct CFixture {
    std::string m_root;
    std::string m_path;
    std::vector<ULONG> m_columns;  // the search's column set: 4 compared values, entry id, time, subject

    CFixture() {
        char dir[] = "/tmp/qrvbench.XXXXXX";
        m_root = mkdtemp(dir);
        setenv("QUORVEL_ROOT", m_root.c_str(), 1);
        MAPIInitialize(nullptr);
        HrCreateStoreFile("bench.qst", "Bench", "");
        m_path = HrResolveStorePath("bench.qst");
        LPMDB store = nullptr;
        HrOpenStoreFile("bench.qst", "", MAPI_BEST_ACCESS, &store);
        std::vector<qrvstore::CCatalogType> catalog = qrvstore::DefaultCatalog();
        qrvstore::CGenerateOptions options;
        options.m_type = qrvstore::FindType(catalog, "contact");
        options.m_count = kItems;
        options.m_duplicates = 0.2;
        qrvstore::Generate(store, options);
        // given name, surname, company, phone: four standard text values every contact has
        m_columns = {PR_GIVEN_NAME_A, PR_SURNAME_A, PR_COMPANY_NAME_A,        PR_BUSINESS_TELEPHONE_NUMBER_A,
                     PR_ENTRYID,      PR_SUBJECT_A, PR_LAST_MODIFICATION_TIME};
        store->Release();
    }
    ~CFixture() {
        MAPIUninitialize();
        std::filesystem::remove_all(m_root);
    }
    LPMAPIFOLDER Contacts(LPMDB store) {
        LPUNKNOWN unknown = nullptr;
        ULONG type = 0;
        store->OpenEntry(0, nullptr, nullptr, MAPI_BEST_ACCESS, &type, &unknown);
        LPMAPIFOLDER root = static_cast<LPMAPIFOLDER>(static_cast<IMAPIFolder*>(unknown));
        SizedSPropTagArray(1, tag) = {1, {PR_IPM_CONTACT_ENTRYID}};
        ULONG count = 0;
        LPSPropValue value = nullptr;
        root->GetProps(reinterpret_cast<LPSPropTagArray>(&tag), 0, &count, &value);
        store->OpenEntry(value->Value.bin.cb, reinterpret_cast<LPENTRYID>(value->Value.bin.lpb), nullptr,
                         MAPI_BEST_ACCESS, &type, &unknown);
        MAPIFreeBuffer(value);
        root->Release();
        return static_cast<LPMAPIFOLDER>(static_cast<IMAPIFolder*>(unknown));
    }
    // A copy of the store file, so a benchmark that changes it starts from the generated state.
    std::string CopyPath() const { return m_root + "/copy.qst"; }
    void FreshCopy() const {
        std::filesystem::copy_file(m_path, CopyPath(), std::filesystem::copy_options::overwrite_existing);
    }
};

CFixture& Fixture() {
    static CFixture fixture;
    return fixture;
}

LPSPropTagArray Columns(std::vector<ULONG>& raw) {
    std::vector<ULONG>& columns = Fixture().m_columns;
    raw.assign(1, static_cast<ULONG>(columns.size()));
    raw.insert(raw.end(), columns.begin(), columns.end());
    return reinterpret_cast<LPSPropTagArray>(raw.data());
}

// Contents table in batches of 100, then OpenEntry and GetProps for every item, as the search does.
void BM_SearchStyleRead(benchmark::State& state) {
    CFixture& fixture = Fixture();
    std::vector<ULONG> raw;
    LPSPropTagArray columns = Columns(raw);
    LPMDB store = nullptr;
    HrOpenStoreFile("bench.qst", "", MAPI_BEST_ACCESS, &store);
    LPMAPIFOLDER folder = fixture.Contacts(store);
    size_t items = 0;
    for (auto _ : state) {
        LPMAPITABLE table = nullptr;
        folder->GetContentsTable(0, &table);
        table->SetColumns(columns, 0);
        for (;;) {
            LPSRowSet rows = nullptr;
            if (FAILED(table->QueryRows(100, 0, &rows)) || rows->cRows == 0) {
                FreeProws(rows);
                break;
            }
            for (ULONG r = 0; r < rows->cRows; ++r) {
                const SBinary& eid = rows->aRow[r].lpProps[4].Value.bin;
                LPMESSAGE item = nullptr;
                ULONG type = 0;
                if (SUCCEEDED(folder->OpenEntry(eid.cb, reinterpret_cast<LPENTRYID>(eid.lpb), nullptr,
                                                MAPI_BEST_ACCESS, &type,
                                                reinterpret_cast<LPUNKNOWN*>(&item)))) {
                    ULONG count = 0;
                    LPSPropValue values = nullptr;
                    item->GetProps(columns, 0, &count, &values);
                    benchmark::DoNotOptimize(values);
                    MAPIFreeBuffer(values);
                    item->Release();
                    ++items;
                }
            }
            FreeProws(rows);
        }
        table->Release();
    }
    folder->Release();
    store->Release();
    state.counters["items/s"] = benchmark::Counter(static_cast<double>(items), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_SearchStyleRead)->Unit(benchmark::kMillisecond)->Iterations(3);

// The same values read by one plain SQL query over the same file.
void BM_PlainSqlRead(benchmark::State& state) {
    CFixture& fixture = Fixture();
    sqlite3* db = nullptr;
    sqlite3_open_v2(fixture.m_path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    std::string pids;
    for (ULONG tag : fixture.m_columns) {
        pids += (pids.empty() ? "" : ",") + std::to_string(PROP_ID(tag));
    }
    std::string sql =
        "SELECT m.id, p.pid, p.type, p.value FROM messages m JOIN props p ON p.msg = m.id "
        "WHERE m.folder = (SELECT folder FROM messages LIMIT 1) AND m.deleted = 0 AND p.pid IN (" +
        pids + ") ORDER BY m.id";
    size_t items = 0;
    for (auto _ : state) {
        sqlite3_stmt* stmt = nullptr;
        sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr);
        sqlite3_int64 last = -1;
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            sqlite3_int64 id = sqlite3_column_int64(stmt, 0);
            benchmark::DoNotOptimize(sqlite3_column_blob(stmt, 3));
            benchmark::DoNotOptimize(sqlite3_column_bytes(stmt, 3));
            if (id != last) {
                ++items;
                last = id;
            }
        }
        sqlite3_finalize(stmt);
    }
    sqlite3_close(db);
    state.counters["items/s"] = benchmark::Counter(static_cast<double>(items), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_PlainSqlRead)->Unit(benchmark::kMillisecond)->Iterations(3);

// Opening the store file and its top folder, as a session's first look at a store does.
void BM_OpenStore(benchmark::State& state) {
    CFixture& fixture = Fixture();
    for (auto _ : state) {
        LPMDB store = nullptr;
        HrOpenStoreFile("bench.qst", "", MAPI_BEST_ACCESS, &store);
        LPMAPIFOLDER folder = fixture.Contacts(store);
        benchmark::DoNotOptimize(folder);
        folder->Release();
        store->Release();
    }
}
BENCHMARK(BM_OpenStore)->Unit(benchmark::kMillisecond)->Iterations(20);

// The folder's contents table with only the entry id column.
LPMAPITABLE EntryIdTable(LPMAPIFOLDER folder) {
    LPMAPITABLE table = nullptr;
    folder->GetContentsTable(0, &table);
    SizedSPropTagArray(1, eid) = {1, {PR_ENTRYID}};
    table->SetColumns(reinterpret_cast<LPSPropTagArray>(&eid), 0);
    return table;
}

// The first change after a store file changed behind the program's back (a fresh copy of it):
// opening it and saving one item, which checks the whole file before writing; then a second
// change of the same connection, which needs no check.
void ChangeOneItem(LPMAPIFOLDER folder, LPMAPITABLE table, benchmark::State& state) {
    LPSRowSet rows = nullptr;
    table->QueryRows(1, 0, &rows);
    const SBinary& bin = rows->aRow[0].lpProps[0].Value.bin;
    LPMESSAGE item = nullptr;
    ULONG type = 0;
    HRESULT hr = folder->OpenEntry(bin.cb, reinterpret_cast<LPENTRYID>(bin.lpb), nullptr, MAPI_BEST_ACCESS,
                                   &type, reinterpret_cast<LPUNKNOWN*>(&item));
    FreeProws(rows);
    SPropValue subject{PR_SUBJECT_A, 0, {}};
    subject.Value.lpszA = const_cast<char*>("changed");
    if (SUCCEEDED(hr)) {
        hr = item->SetProps(1, &subject, nullptr);
    }
    if (SUCCEEDED(hr)) {
        hr = item->SaveChanges(0);
    }
    if (item != nullptr) {
        item->Release();
    }
    if (FAILED(hr)) {
        state.SkipWithError("changing an item failed");
    }
}
void BM_FirstChangeOfAFileState(benchmark::State& state) {
    CFixture& fixture = Fixture();
    for (auto _ : state) {
        state.PauseTiming();
        fixture.FreshCopy();
        state.ResumeTiming();
        LPMDB store = nullptr;
        HrOpenStoreFile(fixture.CopyPath(), "", MAPI_BEST_ACCESS, &store);
        LPMAPIFOLDER folder = fixture.Contacts(store);
        LPMAPITABLE table = EntryIdTable(folder);
        ChangeOneItem(folder, table, state);
        state.PauseTiming();
        table->Release();
        folder->Release();
        store->Release();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_FirstChangeOfAFileState)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_LaterChange(benchmark::State& state) {
    CFixture& fixture = Fixture();
    fixture.FreshCopy();
    LPMDB store = nullptr;
    HrOpenStoreFile(fixture.CopyPath(), "", MAPI_BEST_ACCESS, &store);
    LPMAPIFOLDER folder = fixture.Contacts(store);
    LPMAPITABLE table = EntryIdTable(folder);
    ChangeOneItem(folder, table, state);  // the first change of this state, outside the timing
    for (auto _ : state) {
        ChangeOneItem(folder, table, state);
    }
    table->Release();
    folder->Release();
    store->Release();
}
BENCHMARK(BM_LaterChange)->Unit(benchmark::kMillisecond)->Iterations(20);

// SQLite's own checks of the whole file, for comparison with what opening and writing cost.
void IntegrityPragma(benchmark::State& state, const char* sql) {
    CFixture& fixture = Fixture();
    sqlite3* db = nullptr;
    sqlite3_open_v2(fixture.m_path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    for (auto _ : state) {
        sqlite3_stmt* stmt = nullptr;
        sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr);
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            benchmark::DoNotOptimize(sqlite3_column_text(stmt, 0));
        }
        sqlite3_finalize(stmt);
    }
    sqlite3_close(db);
}
void BM_QuickCheck(benchmark::State& state) {
    IntegrityPragma(state, "PRAGMA quick_check");
}
void BM_IntegrityCheck(benchmark::State& state) {
    IntegrityPragma(state, "PRAGMA integrity_check");
}
BENCHMARK(BM_QuickCheck)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_IntegrityCheck)->Unit(benchmark::kMillisecond)->Iterations(3);

// DeleteMessages with 10,000 entry ids in one call, on a fresh copy of the store each time.
void DeleteTenThousand(benchmark::State& state, ULONG flags) {
    CFixture& fixture = Fixture();
    for (auto _ : state) {
        state.PauseTiming();
        fixture.FreshCopy();
        LPMDB store = nullptr;
        HrOpenStoreFile(fixture.CopyPath(), "", MAPI_BEST_ACCESS, &store);
        LPMAPIFOLDER folder = fixture.Contacts(store);
        LPMAPITABLE table = EntryIdTable(folder);
        std::vector<std::string> ids;
        while (ids.size() < 100000) {
            LPSRowSet rows = nullptr;
            table->QueryRows(1000, 0, &rows);
            if (rows->cRows == 0) {
                FreeProws(rows);
                break;
            }
            for (ULONG r = 0; r < rows->cRows; ++r) {
                const SBinary& bin = rows->aRow[r].lpProps[0].Value.bin;
                ids.emplace_back(reinterpret_cast<const char*>(bin.lpb), bin.cb);
            }
            FreeProws(rows);
        }
        table->Release();
        // Every tenth item, so the deletions are spread over the whole folder.
        std::vector<SBinary> bins;
        for (size_t i = 0; i < ids.size(); i += 10) {
            bins.push_back(
                SBinary{static_cast<ULONG>(ids[i].size()), reinterpret_cast<LPBYTE>(ids[i].data())});
        }
        SBinaryArray list{static_cast<ULONG>(bins.size()), bins.data()};
        state.ResumeTiming();
        HRESULT hr = folder->DeleteMessages(&list, 0, nullptr, flags);
        state.PauseTiming();
        if (hr != S_OK) {
            state.SkipWithError("DeleteMessages failed");
        }
        state.counters["deleted"] = static_cast<double>(bins.size());
        folder->Release();
        store->Release();
        state.ResumeTiming();
    }
}
void BM_DeleteTenThousandSoft(benchmark::State& state) {
    DeleteTenThousand(state, 0);
}
void BM_DeleteTenThousandHard(benchmark::State& state) {
    DeleteTenThousand(state, DELETE_HARD_DELETE);
}
BENCHMARK(BM_DeleteTenThousandSoft)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_DeleteTenThousandHard)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
