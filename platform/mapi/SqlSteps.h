// Statement steps shared by the store and profile databases: one write, the first row, all rows.
#pragma once

#include <sqlite3.h>

#include <initializer_list>
#include <vector>

#include "platform/mapi/MAPICodes.h"
#include "platform/mapi/SqliteDb.h"

namespace qrvmapi {

// Runs a statement whose rows are not wanted: S_OK once it is done or has a row.
inline HRESULT StepDone(CStmt& stmt) {
    int rc = stmt.Step();
    return rc == SQLITE_DONE || rc == SQLITE_ROW ? S_OK : ResultFromSqlite(rc);
}

// Prepares sql (a string literal: the connection caches it by address), binds the numbers to
// ?1, ?2, ... in order and runs it once.
inline HRESULT ExecWith(CSqliteDb& db, const char* sql, std::initializer_list<LONGLONG> values) {
    auto stmt = db.Prepare(sql);
    if (!stmt->Valid()) {
        return db.LastResult();
    }
    int index = 1;
    for (LONGLONG value : values) {
        stmt->Bind(index++, value);
    }
    return StepDone(*stmt);
}

// Reads the statement's first row with read(stmt, row); MAPI_E_NOT_FOUND when it has none.
template <class Row, class Reader>
HRESULT ReadFirstRow(CStmt& stmt, Reader read, Row& row) {
    int rc = stmt.Step();
    if (rc == SQLITE_ROW) {
        read(stmt, row);
        return S_OK;
    }
    return rc == SQLITE_DONE ? MAPI_E_NOT_FOUND : ResultFromSqlite(rc);
}

// Appends every row of the statement, each read with read(stmt, row).
template <class Row, class Reader>
HRESULT ReadAllRows(CStmt& stmt, Reader read, std::vector<Row>& rows) {
    int rc;
    while ((rc = stmt.Step()) == SQLITE_ROW) {
        Row row;
        read(stmt, row);
        rows.push_back(std::move(row));
    }
    return rc == SQLITE_DONE ? S_OK : ResultFromSqlite(rc);
}

}  // namespace qrvmapi
