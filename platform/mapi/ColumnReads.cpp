// Reads of a table's columns for a batch of messages, and of one whole message: a table reads no
// value of a property nobody asked for, such as the body of a mail it only lists.
#include <sqlite3.h>

#include <algorithm>
#include <numeric>
#include <string>

#include "platform/mapi/StoreDb.h"

namespace qrvmapi {

namespace {

// Messages looked up by one statement.
constexpr size_t kIds = 64;
// Property ids sought by one statement; more columns take more statements per batch.
constexpr size_t kPids = 16;

// The asked property ids ?first, ..., as a filter on the key alone: a row of another property is
// stepped over in the key's index without its row being sought (the unary plus keeps SQLite from
// seeking each asked property on its own instead of stepping from the lowest to the highest).
std::string WantedFilter(int first) {
    std::string text = " AND +pid IN (";
    for (size_t i = 0; i < kPids; ++i) {
        text += (i == 0 ? "?" : ", ?") + std::to_string(first + static_cast<int>(i));
    }
    return text + ")";
}

// "SELECT msg, pid, type, value FROM props WHERE msg IN (?19, ..., ?82) AND pid BETWEEN ?1 AND ?2
// AND +pid IN (?3, ..., ?18)": one seek of the key (message, property id) per message, then a step
// over each of its properties from the lowest column to the highest. A seek costs far more than a
// step, as the messages of one folder lie spread over the file; the value of a property between
// the columns (a body, say) is stepped over unread. Made once, so the text keeps its address for
// the statement cache.
const char* ColumnSql() {
    static const std::string sql = [] {
        std::string text = "SELECT msg, pid, type, value FROM props WHERE msg IN (";
        int next = 3 + static_cast<int>(kPids);
        for (size_t i = 0; i < kIds; ++i) {
            text += (i == 0 ? "?" : ", ?") + std::to_string(next++);
        }
        return text + ") AND pid BETWEEN ?1 AND ?2" + WantedFilter(3);
    }();
    return sql.c_str();
}

// "SELECT msg, pid, type, value FROM props WHERE msg >= ?1 AND +pid IN (?2, ..., ?17)": one seek
// for a batch whose items lie close together, then a step over every property of each message
// from there; the reader stops after the last item. Without an upper bound SQLite compares no key
// while stepping: comparing with a key whose row holds a large value reads the whole value.
const char* RangeSql() {
    static const std::string sql =
        std::string("SELECT msg, pid, type, value FROM props WHERE msg >= ?1") + WantedFilter(2);
    return sql.c_str();
}

}  // namespace

HRESULT CStoreDb::ReadColumns(const std::vector<LONGLONG>& ids, const std::vector<ULONG>& pids,
                              CCellBatch& batch) {
    std::lock_guard<std::recursive_mutex> guard(m_db.Lock());
    std::vector<CPropCell>& cells = batch.m_cells;
    cells.clear();
    batch.m_starts.assign(ids.size() + 1, 0);
    batch.m_pids = pids;
    std::sort(batch.m_pids.begin(), batch.m_pids.end());
    batch.m_pids.erase(std::unique(batch.m_pids.begin(), batch.m_pids.end()), batch.m_pids.end());
    const std::vector<ULONG>& wanted = batch.m_pids;
    if (ids.empty() || wanted.empty()) {
        return S_OK;
    }
    // Items mostly have a value in each column.
    cells.reserve(ids.size() * wanted.size());
    std::vector<size_t> rowOf;  // the batch row of each cell read
    rowOf.reserve(ids.size() * wanted.size());
    // Items of a folder often sit close together by id: one seek and a step over the few others
    // in between serve the whole batch. Spread out, each is sought on its own.
    const bool close = static_cast<ULONGLONG>(ids.back() - ids.front()) <= ids.size() * 2 + 16;
    for (size_t fromPid = 0; fromPid < wanted.size(); fromPid += kPids) {
        const size_t toPid = std::min(wanted.size(), fromPid + kPids);
        for (size_t from = 0; from < ids.size(); from += close ? ids.size() : kIds) {
            const size_t to = close ? ids.size() : std::min(ids.size(), from + kIds);
            auto stmt = m_db.Prepare(close ? RangeSql() : ColumnSql());
            if (!stmt->Valid()) {
                return m_db.LastResult();
            }
            int next = 1;
            if (close) {
                stmt->Bind(next++, ids.front());
            } else {
                stmt->Bind(next++, static_cast<LONGLONG>(wanted[fromPid]));
                stmt->Bind(next++, static_cast<LONGLONG>(wanted[toPid - 1]));
            }
            for (size_t i = 0; i < kPids; ++i) {
                // Unused places repeat the last one: IN ignores the repeats.
                stmt->Bind(next++, static_cast<LONGLONG>(wanted[std::min(fromPid + i, toPid - 1)]));
            }
            for (size_t i = 0; !close && i < kIds; ++i) {
                stmt->Bind(next++, ids[std::min(from + i, to - 1)]);
            }
            int rc;
            while ((rc = stmt->Step()) == SQLITE_ROW) {
                const LONGLONG msg = stmt->Int(0);
                if (msg > ids[to - 1]) {
                    break;  // past the last item
                }
                // Ids ascend; the rows of one statement come for ids among [from, to).
                auto row = std::lower_bound(ids.begin() + from, ids.begin() + to, msg);
                if (row == ids.begin() + to || *row != msg) {
                    continue;
                }
                const ULONG pid = static_cast<ULONG>(stmt->Int(1)) & 0xFFFF;
                if (!std::binary_search(wanted.begin() + fromPid, wanted.begin() + toPid, pid)) {
                    continue;  // a property outside the columns
                }
                cells.push_back(stmt->Cell(PROP_TAG(static_cast<ULONG>(stmt->Int(2)) & 0xFFFF, pid), 3));
                rowOf.push_back(static_cast<size_t>(row - ids.begin()));
            }
            if (rc != SQLITE_DONE && rc != SQLITE_ROW) {
                return ResultFromSqlite(rc);
            }
        }
    }
    // Each row's cells in property-id order, the rows in batch order: as SQLite hands them out when
    // one statement read them all; put in order otherwise.
    auto before = [&](size_t a, size_t b) {
        return rowOf[a] != rowOf[b] ? rowOf[a] < rowOf[b] : PROP_ID(cells[a].m_tag) < PROP_ID(cells[b].m_tag);
    };
    bool ordered = true;
    for (size_t i = 1; i < cells.size() && ordered; ++i) {
        ordered = before(i - 1, i);
    }
    if (!ordered) {
        std::vector<size_t> order(cells.size());
        std::iota(order.begin(), order.end(), 0);
        std::sort(order.begin(), order.end(), before);
        std::vector<CPropCell> sorted;
        sorted.reserve(cells.size());
        std::vector<size_t> sortedRows;
        sortedRows.reserve(cells.size());
        for (size_t i : order) {
            sorted.push_back(std::move(cells[i]));
            sortedRows.push_back(rowOf[i]);
        }
        cells = std::move(sorted);
        rowOf = std::move(sortedRows);
    }
    size_t cell = 0;
    for (size_t row = 0; row < ids.size(); ++row) {
        batch.m_starts[row] = cell;
        while (cell < cells.size() && rowOf[cell] == row) {
            ++cell;
        }
    }
    batch.m_starts[ids.size()] = cell;
    return S_OK;
}

HRESULT CStoreDb::ReadMessage(LONGLONG id, LONGLONG& folder, bool& deleted, std::vector<CPropCell>& cells) {
    std::lock_guard<std::recursive_mutex> guard(m_db.Lock());
    cells.clear();
    auto stmt = m_db.Prepare(
        "SELECT m.folder, m.deleted, p.pid, p.type, p.value FROM messages m LEFT JOIN props p ON p.msg = "
        "m.id WHERE m.id = ?1 ORDER BY p.pid");
    if (!stmt->Valid()) {
        return m_db.LastResult();
    }
    stmt->Bind(1, id);
    int rc;
    bool found = false;
    while ((rc = stmt->Step()) == SQLITE_ROW) {
        found = true;
        folder = stmt->Int(0);
        deleted = stmt->Int(1) != 0;
        if (!stmt->IsNull(2)) {
            ULONG pid = static_cast<ULONG>(stmt->Int(2)) & 0xFFFF;
            cells.push_back(stmt->Cell(PROP_TAG(static_cast<ULONG>(stmt->Int(3)) & 0xFFFF, pid), 4));
        }
    }
    if (rc != SQLITE_DONE) {
        return ResultFromSqlite(rc);
    }
    return found ? S_OK : MAPI_E_NOT_FOUND;
}

}  // namespace qrvmapi
