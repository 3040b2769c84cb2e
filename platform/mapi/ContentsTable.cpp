// Contents tables of folders, read in batches straight from the store file.
#include "platform/mapi/ContentsTable.h"

#include <algorithm>
#include <deque>

#include "platform/mapi/Message.h"

namespace qrvmapi {

namespace {
// Ids are fetched at least this many at a time when a restriction may reject some of them.
constexpr size_t kMinBatch = 100;

const std::vector<ULONG> kDefaultColumns = {PR_ENTRYID, PR_INSTANCE_KEY, PR_MESSAGE_CLASS, PR_SUBJECT,
                                            PR_LAST_MODIFICATION_TIME};
}  // namespace

CContentsTable::CContentsTable(std::shared_ptr<CStoreDb> store, LONGLONG folder)
    : CTableBase(kDefaultColumns), m_store(std::move(store)), m_folder(folder) {}

HRESULT CContentsTable::Walk(LONGLONG& after, size_t count, bool project, std::vector<CRowCells>& rows,
                             size_t& counted) {
    counted = 0;
    // The stored properties to fetch: the columns' and the restriction's, computed ones aside.
    std::vector<ULONG> tags = m_columns;
    if (m_restriction) {
        m_restriction->CollectTags(tags);
    }
    std::vector<ULONG> pids;
    for (ULONG tag : tags) {
        ULONG pid = PROP_ID(tag);
        if (!IsMessageComputed(pid) && pid != PROP_ID_NULL &&
            std::find(pids.begin(), pids.end(), pid) == pids.end()) {
            pids.push_back(pid);
        }
    }
    std::vector<LONGLONG> ids;
    std::vector<std::vector<std::optional<CPropCell>>> batch;
    std::deque<CPropCell> rowCells;  // computed values of the current row; stable addresses
    while (counted < count) {
        size_t want = count - counted;
        if (m_restriction || !project) {
            want = std::max(want, kMinBatch);
        }
        std::lock_guard<std::recursive_mutex> guard(m_store->Db().Lock());
        HRESULT hr =
            m_store->NextMessages(m_folder, after, static_cast<int>(std::min<size_t>(want, 100000)), ids);
        if (FAILED(hr)) {
            return hr;
        }
        if (ids.empty()) {
            break;
        }
        hr = m_store->ReadBatch(ids, pids, batch);
        if (FAILED(hr)) {
            return hr;
        }
        for (size_t i = 0; i < ids.size() && counted < count; ++i) {
            after = ids[i];
            auto lookup = [&](ULONG tag) -> const CPropCell* {
                ULONG pid = PROP_ID(tag);
                if (IsMessageComputed(pid)) {
                    rowCells.emplace_back();
                    if (!MessageComputedCell(pid, *m_store, ids[i], m_folder, rowCells.back())) {
                        rowCells.pop_back();
                        return nullptr;
                    }
                    return &rowCells.back();
                }
                for (size_t j = 0; j < pids.size(); ++j) {
                    if (pids[j] == pid) {
                        return batch[i][j] ? &*batch[i][j] : nullptr;
                    }
                }
                return nullptr;
            };
            rowCells.clear();
            if (m_restriction && !m_restriction->Matches(lookup)) {
                continue;
            }
            ++counted;
            if (!project) {
                continue;
            }
            CRowCells cells(m_columns.size());
            for (size_t c = 0; c < m_columns.size(); ++c) {
                if (const CPropCell* cell = lookup(m_columns[c])) {
                    cells[c] = *cell;
                }
            }
            rows.push_back(std::move(cells));
        }
    }
    return S_OK;
}

HRESULT CContentsTable::NextRows(size_t count, std::vector<CRowCells>& rows) {
    size_t counted = 0;
    return Walk(m_after, count, true, rows, counted);
}

HRESULT CContentsTable::GetRowCount(ULONG, ULONG* lpulCount) {
    if (lpulCount == nullptr) {
        return MAPI_E_INVALID_PARAMETER;
    }
    *lpulCount = 0;
    if (!m_restriction) {
        return m_store->CountMessages(m_folder, *lpulCount);
    }
    LONGLONG after = 0;
    std::vector<CRowCells> none;
    size_t counted = 0;
    HRESULT hr = Walk(after, static_cast<size_t>(-1), false, none, counted);
    *lpulCount = static_cast<ULONG>(counted);
    return hr;
}

HRESULT CContentsTable::SeekRow(ULONG bkOrigin, LONG lRowCount, LONG* lplRowsSought) {
    if (lplRowsSought != nullptr) {
        *lplRowsSought = 0;
    }
    if (bkOrigin == BOOKMARK_BEGINNING) {
        m_after = 0;
    } else if (bkOrigin != BOOKMARK_CURRENT) {
        return MAPI_E_NO_SUPPORT;
    }
    if (lRowCount < 0) {
        return MAPI_E_NO_SUPPORT;  // the table reads forwards only
    }
    std::vector<CRowCells> none;
    size_t counted = 0;
    HRESULT hr = Walk(m_after, static_cast<size_t>(lRowCount), false, none, counted);
    if (lplRowsSought != nullptr) {
        *lplRowsSought = static_cast<LONG>(counted);
    }
    return hr;
}

}  // namespace qrvmapi
