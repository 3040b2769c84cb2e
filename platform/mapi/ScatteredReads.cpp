// Reads of many scattered messages: a few columns of each, or whether each is live, shared out
// over several connections to the file that read side by side.
#include <sched.h>
#include <sqlite3.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <thread>

#include "platform/mapi/HookState.h"
#include "platform/mapi/StoreDb.h"

namespace qrvmapi {

namespace {

// Items probed by one statement: each statement costs its own stepping in and out.
constexpr size_t kProbe = 64;
// Columns whose ids lie this close together are read as the span from the lowest to the highest
// one: an item's values in between are few, and stepping over them is cheaper than a seek of the
// primary key per column.
constexpr ULONG kColumnSpan = 0x100;
// Columns further apart are sought one by one, up to this many; more read the span.
constexpr size_t kColumnPids = 8;
// Columns one read of the span keeps; more take one read per this many.
constexpr size_t kSpanPids = 16;
// Each connection reading its own part takes at least this many items: below that, starting a
// thread and a connection costs more than the part's look-ups.
constexpr size_t kPartItems = 128;
// At most this many connections read one batch side by side.
constexpr size_t kMaxParts = 8;

// The live messages among up to kProbe ids of a folder, each with its values in the asked columns
// (a row with a null property id when it has none): "SELECT m.id, p.pid, p.type, p.value FROM
// messages m LEFT JOIN props p ON p.msg = m.id AND p.pid BETWEEN ?1 AND ?2 AND +p.pid IN (?3, ...,
// ?18) WHERE m.id IN (?19, ..., ?82) AND +m.folder = ?83 AND +m.deleted = 0 ORDER BY m.id, p.pid",
// with "p.pid IN (?1, ..., ?8)" for columns sought one by one, and without the values when no
// column is asked. Each id is looked up by the primary key (the folder's index would sort each
// answer). The filter of the span is on the key alone: another property's row in between is
// stepped over in the key's index, its value never sought (the unary plus keeps SQLite from
// seeking each asked property on its own). Made once, so the texts keep their addresses for the
// statement cache.
enum class CProbe { Span, Pids, LiveOnly };

const char* ProbeSql(CProbe kind) {
    auto make = [](CProbe probe) {
        std::string text;
        int next = 1;
        if (probe == CProbe::LiveOnly) {
            text = "SELECT m.id FROM messages m WHERE m.id IN (";
        } else {
            text =
                "SELECT m.id, p.pid, p.type, p.value FROM messages m LEFT JOIN props p ON p.msg = m.id AND ";
            if (probe == CProbe::Span) {
                text += "p.pid BETWEEN ?1 AND ?2 AND +p.pid IN (";
                next = 3;
                for (size_t i = 0; i < kSpanPids; ++i) {
                    text += (i == 0 ? "?" : ", ?") + std::to_string(next++);
                }
                text += ")";
            } else {
                text += "p.pid IN (";
                for (size_t i = 0; i < kColumnPids; ++i) {
                    text += (i == 0 ? "?" : ", ?") + std::to_string(next++);
                }
                text += ")";
            }
            text += " WHERE m.id IN (";
        }
        for (size_t i = 0; i < kProbe; ++i) {
            text += (i == 0 ? "?" : ", ?") + std::to_string(next++);
        }
        text += ") AND +m.folder = ?" + std::to_string(next) + " AND +m.deleted = 0 ORDER BY m.id";
        return probe == CProbe::LiveOnly ? text : text + ", p.pid";
    };
    static const std::string spanSql = make(CProbe::Span);
    static const std::string pidSql = make(CProbe::Pids);
    static const std::string liveSql = make(CProbe::LiveOnly);
    return kind == CProbe::Span ? spanSql.c_str() : kind == CProbe::Pids ? pidSql.c_str() : liveSql.c_str();
}

HRESULT ReadLiveColumnsOn(CSqliteDb& db, LONGLONG folder, const LONGLONG* ids, size_t count,
                          const std::vector<ULONG>& pids, CCellBatch& batch, char* live);

// More columns than one read of the span keeps: a read per kSpanPids of them, each row's cells
// put together in property-id order. A row is live when every read found it so.
HRESULT ReadManyColumnsOn(CSqliteDb& db, LONGLONG folder, const LONGLONG* ids, size_t count,
                          const std::vector<ULONG>& pids, CCellBatch& batch, char* live) {
    std::vector<CCellBatch> parts((pids.size() + kSpanPids - 1) / kSpanPids);
    std::vector<char> partLive(count);
    for (size_t p = 0; p < parts.size(); ++p) {
        const std::vector<ULONG> some(pids.begin() + p * kSpanPids,
                                      pids.begin() + std::min(pids.size(), (p + 1) * kSpanPids));
        HRESULT hr =
            ReadLiveColumnsOn(db, folder, ids, count, some, parts[p], p == 0 ? live : partLive.data());
        if (FAILED(hr)) {
            return hr;
        }
        for (size_t i = 0; p != 0 && i < count; ++i) {
            live[i] = live[i] && partLive[i];
        }
    }
    size_t cells = 0;
    for (const CCellBatch& part : parts) {
        cells += part.m_cells.size();
    }
    batch.m_cells.clear();
    batch.m_cells.reserve(cells);
    batch.m_starts.assign(count + 1, 0);
    for (size_t row = 0; row < count; ++row) {
        batch.m_starts[row] = batch.m_cells.size();
        for (CCellBatch& part : parts) {
            std::move(part.m_cells.begin() + part.m_starts[row],
                      part.m_cells.begin() + part.m_starts[row + 1], std::back_inserter(batch.m_cells));
        }
    }
    batch.m_starts[count] = batch.m_cells.size();
    return S_OK;
}

// Reads, through one connection, which of ids[0, count) (ascending) are live messages of the
// folder (live[i]) and the asked columns of those: row i of the batch holds those of ids[i].
HRESULT ReadLiveColumnsOn(CSqliteDb& db, LONGLONG folder, const LONGLONG* ids, size_t count,
                          const std::vector<ULONG>& pids, CCellBatch& batch, char* live) {
    std::lock_guard<std::recursive_mutex> guard(db.Lock());
    if (pids.size() > kSpanPids) {
        return ReadManyColumnsOn(db, folder, ids, count, pids, batch, live);
    }
    batch.m_cells.clear();
    batch.m_starts.assign(count + 1, 0);
    std::fill(live, live + count, 0);
    // Asked columns spread over the property ids (a name and a named property, say) would pass
    // the pages of most of each item's values only to drop them: a few such columns are sought
    // each on its own.
    const CProbe kind = pids.empty() ? CProbe::LiveOnly
                        : pids.back() - pids.front() < kColumnSpan || pids.size() > kColumnPids
                            ? CProbe::Span
                            : CProbe::Pids;
    // Items mostly have a value in each asked column.
    batch.m_cells.reserve(count * pids.size());
    size_t row = 0;
    for (size_t from = 0; from < count; from += kProbe) {
        const size_t to = std::min(count, from + kProbe);
        auto stmt = db.Prepare(ProbeSql(kind));
        if (!stmt->Valid()) {
            return db.LastResult();
        }
        int next = 1;
        if (kind == CProbe::Span) {
            stmt->Bind(next++, static_cast<LONGLONG>(pids.front()));
            stmt->Bind(next++, static_cast<LONGLONG>(pids.back()));
            for (size_t i = 0; i < kSpanPids; ++i) {
                // Unused places repeat the last column: IN ignores the repeats.
                stmt->Bind(next++, static_cast<LONGLONG>(pids[std::min(i, pids.size() - 1)]));
            }
        } else if (kind == CProbe::Pids) {
            for (size_t i = 0; i < kColumnPids; ++i) {
                // Unused places repeat the last column: IN ignores the repeats.
                stmt->Bind(next++, static_cast<LONGLONG>(pids[std::min(i, pids.size() - 1)]));
            }
        }
        for (size_t i = 0; i < kProbe; ++i) {
            stmt->Bind(next++, ids[std::min(from + i, to - 1)]);
        }
        stmt->Bind(next, folder);
        int rc;
        while ((rc = stmt->Step()) == SQLITE_ROW) {
            const LONGLONG msg = stmt->Int(0);
            while (row < to && ids[row] < msg) {
                batch.m_starts[++row] = batch.m_cells.size();
            }
            if (row == to || ids[row] != msg) {
                continue;
            }
            live[row] = 1;
            if (kind == CProbe::LiveOnly || stmt->IsNull(1)) {
                continue;
            }
            const ULONG pid = static_cast<ULONG>(stmt->Int(1)) & 0xFFFF;
            if (kind == CProbe::Pids || std::binary_search(pids.begin(), pids.end(), pid)) {
                batch.m_cells.push_back(
                    stmt->Cell(PROP_TAG(static_cast<ULONG>(stmt->Int(2)) & 0xFFFF, pid), 3));
            }
        }
        if (rc != SQLITE_DONE) {
            return ResultFromSqlite(rc);
        }
        while (row < to) {
            batch.m_starts[++row] = batch.m_cells.size();
        }
    }
    return S_OK;
}

// The processors this process may run on: a process bound to a few of the machine's (a container,
// taskset) would only make more threads wait for each other.
size_t UsableCores() {
    if (const ULONG forced = ReadProcessors(); forced != 0) {
        return forced;  // a test's, to read side by side on a machine of one processor too
    }
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof(set), &set) == 0 && CPU_COUNT(&set) > 0) {
        return static_cast<size_t>(CPU_COUNT(&set));
    }
    return std::max(1u, std::thread::hardware_concurrency());
}

}  // namespace

size_t CStoreDb::ReadParts(size_t items) {
    if (m_db.HasWritten()) {
        return 1;  // the other connections would not see what this one has not committed yet
    }
    const size_t cores = UsableCores();
    const size_t wanted = std::max<size_t>(1, std::min({kMaxParts, cores, items / kPartItems}));
    while (m_readers.size() + 1 < wanted) {
        // Only the file this store has open: another one may have taken its name since.
        auto reader = std::make_unique<CSqliteDb>();
        bool same = SUCCEEDED(reader->OpenReadOnly(m_path));
        if (same) {
            auto stmt = reader->Prepare("SELECT value FROM meta WHERE key = 'uid'");
            same = stmt->Valid() && stmt->Step() == SQLITE_ROW && stmt->Blob(0) == m_uid;
        }
        if (!same) {
            break;  // fewer connections read more each
        }
        // The damage it meets from now on is this store's file's, as if this connection met it.
        reader->ReportDamageOf(m_db.FileKey());
        m_readers.push_back(std::move(reader));
    }
    return std::min(m_readers.size() + 1, wanted);
}

HRESULT CStoreDb::ReadLiveColumns(LONGLONG folder, const std::vector<LONGLONG>& ids,
                                  const std::vector<ULONG>& pids, CCellBatch& batch,
                                  std::vector<char>& live) {
    std::lock_guard<std::recursive_mutex> guard(m_db.Lock());
    live.assign(ids.size(), 0);
    batch.m_cells.clear();
    batch.m_starts.assign(ids.size() + 1, 0);
    if (ids.empty()) {
        return S_OK;
    }
    // The items' values lie on pages of their own, a few items to a page: the read is one page
    // fetch after another, which other connections do side by side, each for its own run of ids.
    const size_t parts = ReadParts(ids.size());
    if (parts == 1) {
        return ReadLiveColumnsOn(m_db, folder, ids.data(), ids.size(), pids, batch, live.data());
    }
    // Part 0 here on this connection, each other part on its reader in a kept thread of its own.
    const size_t share = (ids.size() + parts - 1) / parts;
    std::vector<CCellBatch> read(parts);
    std::vector<HRESULT> results(parts, S_OK);
    m_fork.Run(parts, [&](size_t p) {
        const size_t from = std::min(ids.size(), p * share);
        const size_t count = std::min(ids.size(), from + share) - from;
        if (count != 0) {
            results[p] = ReadLiveColumnsOn(p == 0 ? m_db : *m_readers[p - 1], folder, ids.data() + from,
                                           count, pids, read[p], live.data() + from);
        }
    });
    for (HRESULT hr : results) {
        if (FAILED(hr)) {
            return hr;
        }
    }
    // The parts one after the other, as one connection would have read them.
    size_t cells = 0;
    for (const CCellBatch& part : read) {
        cells += part.m_cells.size();
    }
    batch.m_cells.reserve(cells);
    size_t row = 0;
    for (CCellBatch& part : read) {
        const size_t base = batch.m_cells.size();
        for (size_t i = 0; i < part.Count(); ++i) {
            batch.m_starts[row++] = base + part.m_starts[i];
        }
        std::move(part.m_cells.begin(), part.m_cells.end(), std::back_inserter(batch.m_cells));
    }
    batch.m_starts[row] = batch.m_cells.size();
    return S_OK;
}

}  // namespace qrvmapi
