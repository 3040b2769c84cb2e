// Column sets, restrictions and row sets of the service's tables; tables over rows in memory.
#include "platform/mapi/MemTable.h"

#include <cstring>

#include "platform/mapi/BufferRoom.h"
#include "platform/mapi/MAPIFunctions.h"

namespace qrvmapi {

namespace {

void FreeRows(LPSRowSet rows, ULONG made) {
    for (ULONG i = 0; i < made; ++i) {
        MAPIFreeBuffer(rows->aRow[i].lpProps);
    }
    MAPIFreeBuffer(rows);
}

}  // namespace

HRESULT CTableBase::SetColumns(LPSPropTagArray lpPropTagArray, ULONG) {
    if (lpPropTagArray == nullptr || lpPropTagArray->cValues == 0) {
        return MAPI_E_INVALID_PARAMETER;
    }
    m_columns.assign(lpPropTagArray->aulPropTag, lpPropTagArray->aulPropTag + lpPropTagArray->cValues);
    return S_OK;
}

HRESULT CTableBase::QueryColumns(ULONG, LPSPropTagArray* lpPropTagArray) {
    if (lpPropTagArray == nullptr) {
        return MAPI_E_INVALID_PARAMETER;
    }
    LPSPropTagArray tags = nullptr;
    HRESULT hr = MAPIAllocateBuffer(static_cast<ULONG>(CbNewSPropTagArray(m_columns.size())),
                                    reinterpret_cast<LPVOID*>(&tags));
    if (FAILED(hr)) {
        *lpPropTagArray = nullptr;
        return hr;
    }
    tags->cValues = static_cast<ULONG>(m_columns.size());
    for (size_t i = 0; i < m_columns.size(); ++i) {
        tags->aulPropTag[i] = m_columns[i];
    }
    *lpPropTagArray = tags;
    return S_OK;
}

HRESULT CTableBase::Restrict(LPSRestriction lpRestriction, ULONG) {
    std::unique_ptr<CRestriction> restriction;
    if (lpRestriction != nullptr) {
        HRESULT hr = CRestriction::Build(lpRestriction, restriction);
        if (FAILED(hr)) {
            return hr;
        }
    }
    m_restriction = std::move(restriction);
    Rewind();
    return S_OK;
}

HRESULT CTableBase::QueryRows(LONG lRowCount, ULONG, LPSRowSet* lppRows) {
    if (lppRows == nullptr) {
        return MAPI_E_INVALID_PARAMETER;
    }
    *lppRows = nullptr;
    if (lRowCount <= 0) {
        return MAPI_E_INVALID_PARAMETER;
    }
    HRESULT hr = QueryRowsFault();
    if (FAILED(hr)) {
        return hr;
    }
    std::vector<CRowCells> rows;
    hr = NextRows(static_cast<size_t>(lRowCount), rows);
    if (FAILED(hr)) {
        return hr;
    }
    LPSRowSet set = nullptr;
    hr = MAPIAllocateBuffer(static_cast<ULONG>(CbNewSRowSet(rows.size())), reinterpret_cast<LPVOID*>(&set));
    if (FAILED(hr)) {
        return hr;
    }
    set->cRows = 0;
    for (size_t r = 0; r < rows.size(); ++r) {
        SRow& row = set->aRow[r];
        // One heap block for the row's values and everything they point at.
        size_t room = 0;
        for (size_t c = 0; c < m_columns.size(); ++c) {
            if (rows[r][c]) {
                room += LinkedRoomOfCell(*rows[r][c], m_columns[c], 0);
            }
        }
        LPSPropValue props = nullptr;
        hr = AllocateBufferWithRoom(static_cast<ULONG>(m_columns.size() * sizeof(SPropValue)), room,
                                    reinterpret_cast<LPVOID*>(&props));
        if (FAILED(hr)) {
            FreeRows(set, static_cast<ULONG>(r));
            return hr;
        }
        row.ulAdrEntryPad = 0;
        row.cValues = static_cast<ULONG>(m_columns.size());
        row.lpProps = props;
        for (size_t c = 0; c < m_columns.size(); ++c) {
            if (rows[r][c]) {
                hr = ValueFromCell(*rows[r][c], m_columns[c], 0, props, props[c]);
            } else {
                ErrorValue(m_columns[c], MAPI_E_NOT_FOUND, props[c]);
            }
            if (FAILED(hr)) {
                FreeRows(set, static_cast<ULONG>(r + 1));
                return hr;
            }
        }
    }
    set->cRows = static_cast<ULONG>(rows.size());
    *lppRows = set;
    return S_OK;
}

const CPropCell* FindCell(const std::vector<CPropCell>& row, ULONG tag) {
    for (const CPropCell& cell : row) {
        if (PROP_ID(cell.m_tag) == PROP_ID(tag)) {
            return &cell;
        }
    }
    return nullptr;
}

bool CMemTable::Passes(const std::vector<CPropCell>& row) const {
    if (!m_restriction) {
        return true;
    }
    return m_restriction->Matches([&row](ULONG tag) { return FindCell(row, tag); });
}

HRESULT CMemTable::NextRows(size_t count, std::vector<CRowCells>& rows) {
    while (m_cursor < m_rows.size() && rows.size() < count) {
        const std::vector<CPropCell>& row = m_rows[m_cursor++];
        if (!Passes(row)) {
            continue;
        }
        CRowCells cells(m_columns.size());
        for (size_t c = 0; c < m_columns.size(); ++c) {
            if (const CPropCell* cell = FindCell(row, m_columns[c])) {
                cells[c] = *cell;
            }
        }
        rows.push_back(std::move(cells));
    }
    return S_OK;
}

HRESULT CMemTable::GetRowCount(ULONG, ULONG* lpulCount) {
    if (lpulCount == nullptr) {
        return MAPI_E_INVALID_PARAMETER;
    }
    ULONG count = 0;
    for (const auto& row : m_rows) {
        if (Passes(row)) {
            ++count;
        }
    }
    *lpulCount = count;
    return S_OK;
}

HRESULT CMemTable::SeekRow(ULONG bkOrigin, LONG lRowCount, LONG* lplRowsSought) {
    if (lplRowsSought != nullptr) {
        *lplRowsSought = 0;
    }
    if (bkOrigin == BOOKMARK_BEGINNING) {
        m_cursor = 0;
    } else if (bkOrigin == BOOKMARK_END) {
        m_cursor = m_rows.size();
    } else if (bkOrigin != BOOKMARK_CURRENT) {
        return MAPI_E_INVALID_BOOKMARK;
    }
    LONG moved = 0;
    while (lRowCount > 0 && m_cursor < m_rows.size()) {
        if (Passes(m_rows[m_cursor++])) {
            --lRowCount;
            ++moved;
        }
    }
    while (lRowCount < 0 && m_cursor > 0) {
        if (Passes(m_rows[--m_cursor])) {
            ++lRowCount;
            --moved;
        }
    }
    if (lplRowsSought != nullptr) {
        *lplRowsSought = moved;
    }
    return S_OK;
}

}  // namespace qrvmapi
