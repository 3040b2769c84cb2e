// Contents tables of folders, read in batches straight from the store file.
#include "platform/mapi/ContentsTable.h"

#include <algorithm>
#include <deque>

#include "platform/mapi/EntryId.h"
#include "platform/mapi/Message.h"

namespace qrvmapi {

namespace {
// Ids are fetched at least this many at a time when a restriction may reject some of them.
constexpr size_t kMinBatch = 100;

// Nesting deeper than this is left to the restriction's own copy, which refuses it.
constexpr int kMaxNesting = 64;

// Collects the ids of a restriction that names items by their ids alone: an equality on PR_ENTRYID
// with a binary value, or an OR of such, nested or not. False for anything else.
bool CollectNamedIds(const SRestriction& res, int depth, std::vector<const SBinary*>& ids) {
    if (depth > kMaxNesting) {
        return false;
    }
    if (res.rt == RES_OR) {
        const SOrRestriction& list = res.res.resOr;
        if (list.cRes > 0 && list.lpRes == nullptr) {
            return false;
        }
        for (ULONG i = 0; i < list.cRes; ++i) {
            if (!CollectNamedIds(list.lpRes[i], depth + 1, ids)) {
                return false;
            }
        }
        return true;
    }
    const SPropertyRestriction& prop = res.res.resProperty;
    if (res.rt != RES_PROPERTY || prop.relop != RELOP_EQ || prop.ulPropTag != PR_ENTRYID ||
        prop.lpProp == nullptr || PROP_TYPE(prop.lpProp->ulPropTag) != PT_BINARY ||
        (prop.lpProp->Value.bin.cb > 0 && prop.lpProp->Value.bin.lpb == nullptr)) {
        return false;
    }
    ids.push_back(&prop.lpProp->Value.bin);
    return true;
}

const std::vector<ULONG> kDefaultColumns = {PR_ENTRYID, PR_INSTANCE_KEY, PR_MESSAGE_CLASS, PR_SUBJECT,
                                            PR_LAST_MODIFICATION_TIME};
}  // namespace

CContentsTable::CContentsTable(std::shared_ptr<CStoreDb> store, LONGLONG folder)
    : CTableBase(kDefaultColumns), m_store(std::move(store)), m_folder(folder) {
    // Items are read to be judged, and deleting some may follow: the store's whole-file check
    // starts now, beside the reading, instead of at the first delete.
    m_store->PrepareWrites();
}

HRESULT CContentsTable::Restrict(LPSRestriction lpRestriction, ULONG ulFlags) {
    // A restriction that names items by their ids alone is kept as those ids, without a copy of
    // each equality: a cleanup names thousands at once. Any other is tested row by row.
    std::vector<const SBinary*> named;
    const bool byIds = lpRestriction != nullptr && CollectNamedIds(*lpRestriction, 0, named);
    HRESULT hr = CTableBase::Restrict(byIds ? nullptr : lpRestriction, ulFlags);
    m_byIds = byIds;
    m_namedIds.clear();
    CEntryRef ref;
    for (const SBinary* id : named) {
        // Only the exact bytes of one of this store's items' own ids equal its PR_ENTRYID.
        if (ParseEntryId(id->lpb, id->cb, ref) && ref.m_kind == EntryKind::Message &&
            ref.m_storeUid == m_store->Uid() && IsExactEntryId(id->lpb, id->cb)) {
            m_namedIds.push_back(ref.m_id);
        }
    }
    std::sort(m_namedIds.begin(), m_namedIds.end());
    m_namedIds.erase(std::unique(m_namedIds.begin(), m_namedIds.end()), m_namedIds.end());
    return hr;
}

HRESULT CContentsTable::NextIds(LONGLONG after, size_t want, std::vector<LONGLONG>& ids, LONGLONG& scanned,
                                bool& more) {
    ids.clear();
    scanned = after;
    if (!m_byIds) {
        HRESULT hr =
            m_store->NextMessages(m_folder, after, static_cast<int>(std::min<size_t>(want, 100000)), ids);
        more = SUCCEEDED(hr) && !ids.empty();
        if (more) {
            scanned = ids.back();
        }
        return hr;
    }
    // Whether each is live here is seen as its row is read.
    auto first = std::upper_bound(m_namedIds.begin(), m_namedIds.end(), after);
    const size_t n = std::min<size_t>(want, static_cast<size_t>(m_namedIds.end() - first));
    ids.assign(first, first + n);
    if (n != 0) {
        scanned = ids.back();
    }
    more = scanned != after;
    return S_OK;
}

HRESULT CContentsTable::Walk(LONGLONG& after, size_t count, bool project, std::vector<CRowCells>& rows,
                             size_t& counted) {
    counted = 0;
    std::vector<LONGLONG> ids;
    std::deque<CPropCell> computed;  // computed values of the current row; stable addresses
    // The stored values to read: those of the columns handed out and those the restriction tests,
    // no others (an item's body, say, is read only by whoever asks for it). Computed columns are
    // made for the row, never read.
    std::vector<ULONG> readPids;
    std::vector<ULONG> tested;
    if (m_restriction) {
        m_restriction->CollectTags(tested);
    }
    for (const std::vector<ULONG>* tags : {project ? &m_columns : nullptr, &tested}) {
        for (size_t c = 0; tags != nullptr && c < tags->size(); ++c) {
            if (!IsMessageComputed(PROP_ID((*tags)[c]))) {
                readPids.push_back(PROP_ID((*tags)[c]));
            }
        }
    }
    // A provisional id reads where the file keeps its name now, and nothing while it keeps none.
    std::vector<std::pair<ULONG, ULONG>> storedIds;  // the caller's id, the file's
    if (CStoreDb::AnyProvisional()) {
        for (ULONG& pid : readPids) {
            ULONG stored = pid;
            HRESULT hr = m_store->StoredId(pid, stored);
            if (FAILED(hr)) {
                return hr;
            }
            if (stored != pid) {
                storedIds.emplace_back(pid, stored);
                pid = stored;
            }
        }
        readPids.erase(std::remove(readPids.begin(), readPids.end(), 0u), readPids.end());
    }
    auto storedId = [&storedIds](ULONG pid) {
        for (const auto& [asked, stored] : storedIds) {
            if (asked == pid) {
                return stored;
            }
        }
        return pid;
    };
    std::sort(readPids.begin(), readPids.end());
    readPids.erase(std::unique(readPids.begin(), readPids.end()), readPids.end());
    // Rows looked up by id read into a batch of their own: a column's value can be moved out of
    // it, unless a later column asks for the same property again.
    std::vector<bool> movable(m_columns.size(), false);
    for (size_t c = 0; m_byIds && c < m_columns.size(); ++c) {
        movable[c] = std::none_of(m_columns.begin() + c + 1, m_columns.end(),
                                  [&](ULONG tag) { return PROP_ID(tag) == PROP_ID(m_columns[c]); });
    }
    while (counted < count) {
        size_t want = count - counted;
        if (m_restriction || m_byIds || !project) {
            want = std::max(want, kMinBatch);
        }
        std::lock_guard<std::recursive_mutex> guard(m_store->Db().Lock());
        LONGLONG scanned = after;
        bool more = false;
        HRESULT hr = NextIds(after, want, ids, scanned, more);
        if (FAILED(hr)) {
            return hr;
        }
        if (!more) {
            break;
        }
        // Shared with the items opened from these rows, which read what else they need themselves;
        // nobody changes it once it is read. Rows looked up by id: nobody opens items from them.
        const bool handOver = project && !m_byIds;
        std::shared_ptr<CCellBatch> batch =
            handOver ? m_store->BatchToFill() : std::make_shared<CCellBatch>();
        std::vector<char> live;  // of rows looked up by id: which are live messages of this folder
        hr = m_byIds ? m_store->ReadLiveColumns(m_folder, ids, readPids, *batch, live)
                     : m_store->ReadColumns(ids, readPids, *batch);
        if (FAILED(hr)) {
            return hr;
        }
        size_t used = 0;
        for (size_t i = 0; i < ids.size() && counted < count; ++i, ++used) {
            after = ids[i];
            const CPropCell* const first = batch->Begin(i);
            const CPropCell* const last = batch->End(i);
            auto lookup = [&](ULONG tag) -> const CPropCell* {
                ULONG pid = PROP_ID(tag);
                if (IsMessageComputed(pid)) {
                    computed.emplace_back();
                    if (!MessageComputedCell(pid, *m_store, ids[i], m_folder, computed.back())) {
                        computed.pop_back();
                        return nullptr;
                    }
                    return &computed.back();
                }
                pid = storedId(pid);
                const CPropCell* found = std::lower_bound(
                    first, last, pid, [](const CPropCell& c, ULONG id) { return PROP_ID(c.m_tag) < id; });
                return found != last && PROP_ID(found->m_tag) == pid ? found : nullptr;
            };
            computed.clear();
            // Looked up by id: every row is one the restriction names, if it is here at all.
            if (m_byIds ? !live[i] : m_restriction && !m_restriction->Matches(lookup)) {
                continue;
            }
            ++counted;
            if (!project) {
                continue;
            }
            CRowCells cells(m_columns.size());
            for (size_t c = 0; c < m_columns.size(); ++c) {
                const ULONG pid = PROP_ID(m_columns[c]);
                if (IsMessageComputed(pid)) {
                    // Made for this row alone: made in place rather than made and copied.
                    CPropCell& made = cells[c].emplace();
                    if (!MessageComputedCell(pid, *m_store, ids[i], m_folder, made)) {
                        cells[c].reset();
                    }
                } else if (const CPropCell* cell = lookup(m_columns[c])) {
                    if (!handOver && movable[c]) {
                        cells[c] = std::move(*const_cast<CPropCell*>(cell));
                    } else {
                        cells[c] = *cell;
                    }
                }
            }
            rows.push_back(std::move(cells));
        }
        if (handOver) {
            // Readers open the rows' items next: hand the store what was read of them.
            m_store->Prefetch(m_folder, ids, std::move(batch), used);
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
    if (!m_restriction && !m_byIds) {
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
