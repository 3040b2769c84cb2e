// Tables of the service: the shared column and row-set handling, and a table over rows in memory.
#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "platform/mapi/ComObject.h"
#include "platform/mapi/Restriction.h"

namespace qrvmapi {

// One row as the table hands it out: a value (or none) per column.
typedef std::vector<std::optional<CPropCell>> CRowCells;

// Column set, restriction and the making of SRowSets; subclasses produce the rows.
class CTableBase : public CComObject<IMAPITable> {
public:
    explicit CTableBase(std::vector<ULONG> defaultColumns) : m_columns(std::move(defaultColumns)) {}

    HRESULT SetColumns(LPSPropTagArray lpPropTagArray, ULONG ulFlags) override;
    HRESULT QueryColumns(ULONG ulFlags, LPSPropTagArray* lpPropTagArray) override;
    HRESULT Restrict(LPSRestriction lpRestriction, ULONG ulFlags) override;
    HRESULT QueryRows(LONG lRowCount, ULONG ulFlags, LPSRowSet* lppRows) override;

protected:
    bool Supports(REFIID riid) const override { return riid == IID_IMAPITable; }
    // The next rows after the cursor that pass the restriction, at most 'count'; moves the cursor.
    virtual HRESULT NextRows(size_t count, std::vector<CRowCells>& rows) = 0;
    // Puts the cursor back to the first row.
    virtual void Rewind() = 0;

    std::vector<ULONG> m_columns;
    std::unique_ptr<CRestriction> m_restriction;
};

// A table whose rows are all known when it is made: stores, profiles, services, providers, folders.
class CMemTable : public CTableBase {
public:
    CMemTable(std::vector<ULONG> defaultColumns, std::vector<std::vector<CPropCell>> rows)
        : CTableBase(std::move(defaultColumns)), m_rows(std::move(rows)) {}

    HRESULT GetRowCount(ULONG ulFlags, ULONG* lpulCount) override;
    HRESULT SeekRow(ULONG bkOrigin, LONG lRowCount, LONG* lplRowsSought) override;

protected:
    HRESULT NextRows(size_t count, std::vector<CRowCells>& rows) override;
    void Rewind() override { m_cursor = 0; }

private:
    bool Passes(const std::vector<CPropCell>& row) const;

    std::vector<std::vector<CPropCell>> m_rows;
    size_t m_cursor = 0;
};

// Finds a cell by property id in a row of all its cells.
const CPropCell* FindCell(const std::vector<CPropCell>& row, ULONG tag);

}  // namespace qrvmapi
