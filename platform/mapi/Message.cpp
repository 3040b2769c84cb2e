// Messages of a store: computed ids and keys, stored properties and saving of changes.
#include "platform/mapi/Message.h"

#include <algorithm>
#include <map>

#include "platform/mapi/EntryId.h"

namespace qrvmapi {

namespace {
const ULONG kComputed[] = {PROP_ID(PR_ENTRYID),       PROP_ID(PR_INSTANCE_KEY),
                           PROP_ID(PR_RECORD_KEY),    PROP_ID(PR_PARENT_ENTRYID),
                           PROP_ID(PR_STORE_ENTRYID), PROP_ID(PR_STORE_RECORD_KEY),
                           PROP_ID(PR_OBJECT_TYPE),   PROP_ID(PR_MDB_PROVIDER)};
}  // namespace

bool IsMessageComputed(ULONG pid) {
    for (ULONG computed : kComputed) {
        if (computed == pid) {
            return true;
        }
    }
    return false;
}

bool MessageComputedCell(ULONG pid, const CStoreDb& store, LONGLONG id, LONGLONG folder, CPropCell& cell) {
    switch (pid) {
        case PROP_ID(PR_ENTRYID):
            if (id == 0) {
                return false;  // a new message has no entry id until it is saved
            }
            cell = CPropCell::Binary(PR_ENTRYID, MakeEntryId(EntryKind::Message, store.Uid(), id));
            return true;
        case PROP_ID(PR_INSTANCE_KEY):
        case PROP_ID(PR_RECORD_KEY):
            if (id == 0) {
                return false;
            }
            cell = CPropCell::Binary(pid == PROP_ID(PR_RECORD_KEY) ? PR_RECORD_KEY : PR_INSTANCE_KEY,
                                     MakeObjectKey(EntryKind::Message, id));
            return true;
        case PROP_ID(PR_PARENT_ENTRYID):
            cell = CPropCell::Binary(PR_PARENT_ENTRYID, MakeEntryId(EntryKind::Folder, store.Uid(), folder));
            return true;
        case PROP_ID(PR_STORE_ENTRYID):
            cell = CPropCell::Binary(PR_STORE_ENTRYID, MakeEntryId(EntryKind::Store, store.Uid(), 0));
            return true;
        case PROP_ID(PR_STORE_RECORD_KEY):
            cell = CPropCell::Binary(PR_STORE_RECORD_KEY, store.Uid());
            return true;
        case PROP_ID(PR_MDB_PROVIDER):
            cell = CPropCell::Binary(PR_MDB_PROVIDER, StoreProviderType());
            return true;
        case PROP_ID(PR_OBJECT_TYPE):
            cell = CPropCell::Long(PR_OBJECT_TYPE, MAPI_MESSAGE);
            return true;
        default:
            return false;
    }
}

CMessageImpl::CMessageImpl(std::shared_ptr<CStoreDb> store, LONGLONG id, LONGLONG folder, bool writable,
                           CStoredCells stored)
    : CPropObject<IMessage>(std::move(store), writable),
      m_id(id),
      m_folder(folder),
      m_stored(std::move(stored)) {}

HRESULT CMessageImpl::CompleteStored() {
    if (m_stored.Complete() || m_id == 0) {
        return S_OK;
    }
    LONGLONG folder = 0;
    bool deleted = false;
    std::vector<CPropCell> cells;
    HRESULT hr = m_store->ReadMessage(m_id, folder, deleted, cells);
    if (hr == MAPI_E_NOT_FOUND || (SUCCEEDED(hr) && deleted)) {
        // Removed since it was opened, for good or to the recoverable items: it is no live item
        // any more, to read or to save over.
        return MAPI_E_OBJECT_DELETED;
    }
    if (FAILED(hr)) {
        return hr;
    }
    m_stored = CStoredCells(std::move(cells));
    return S_OK;
}

HRESULT CMessageImpl::CollectProps(std::vector<CPropCell>& cells) {
    cells.clear();
    HRESULT hr = CompleteStored();
    if (FAILED(hr)) {
        return hr;
    }
    for (ULONG pid : kComputed) {
        CPropCell cell;
        if (MessageComputedCell(pid, *m_store, m_id, m_folder, cell)) {
            cells.push_back(std::move(cell));
        }
    }
    for (const CPropCell& cell : m_stored) {
        if (m_pending.count(PROP_ID(cell.m_tag)) == 0 && !IsMessageComputed(PROP_ID(cell.m_tag))) {
            cells.push_back(cell);
        }
    }
    for (const auto& [pid, cell] : m_pending) {
        if (cell) {
            cells.push_back(*cell);
        }
    }
    return S_OK;
}

HRESULT CMessageImpl::FindProps(LPSPropTagArray lpTags, std::vector<std::optional<CPropCell>>& cells) {
    // The ids the file keeps the asked properties by (a provisional id's name may be elsewhere).
    std::vector<ULONG> stored(lpTags->cValues);
    for (ULONG i = 0; i < lpTags->cValues; ++i) {
        stored[i] = PROP_ID(lpTags->aulPropTag[i]);
        if (CStoreDb::AnyProvisional()) {
            HRESULT hr = m_store->StoredId(stored[i], stored[i]);
            if (FAILED(hr)) {
                return hr;
            }
        }
    }
    for (ULONG i = 0; i < lpTags->cValues && !m_stored.Complete(); ++i) {
        const ULONG pid = PROP_ID(lpTags->aulPropTag[i]);
        // Under 0 the file keeps nothing: no read can find more.
        if (!IsMessageComputed(pid) && m_pending.count(pid) == 0 && stored[i] != 0 && !m_stored.Covers(pid) &&
            !m_stored.Covers(stored[i])) {
            HRESULT hr = CompleteStored();
            if (FAILED(hr)) {
                return hr;
            }
        }
    }
    for (ULONG i = 0; i < lpTags->cValues; ++i) {
        ULONG pid = PROP_ID(lpTags->aulPropTag[i]);
        CPropCell cell;
        if (MessageComputedCell(pid, *m_store, m_id, m_folder, cell)) {
            cells[i] = std::move(cell);
            continue;
        }
        auto pending = m_pending.find(pid);
        if (pending != m_pending.end()) {
            cells[i] = pending->second;
            continue;
        }
        // Under the caller's id when this item saved it so, else where the file keeps it.
        const CPropCell* found = m_stored.Find(lpTags->aulPropTag[i]);
        if (found == nullptr && stored[i] != pid && stored[i] != 0) {
            found = m_stored.Find(PROP_TAG(PROP_TYPE(lpTags->aulPropTag[i]), stored[i]));
        }
        if (found != nullptr) {
            cells[i] = *found;
        }
    }
    return S_OK;
}

HRESULT CMessageImpl::ApplyChanges(const CPropChanges& changes) {
    for (const auto& [pid, cell] : changes) {
        m_pending[pid] = cell;
    }
    return S_OK;
}

HRESULT CMessageImpl::SaveChanges(ULONG) {
    if (!m_writable) {
        return MAPI_E_NO_ACCESS;
    }
    if (m_pending.empty() && m_id != 0) {
        return S_OK;
    }
    // What it keeps after the save is laid over all it had.
    HRESULT hr = CompleteStored();
    if (FAILED(hr)) {
        return hr;
    }
    CPropChanges changes = m_pending;
    LONGLONG now = NowFileTime();
    if (changes.count(PROP_ID(PR_LAST_MODIFICATION_TIME)) == 0) {
        changes[PROP_ID(PR_LAST_MODIFICATION_TIME)] = CPropCell::Time(PR_LAST_MODIFICATION_TIME, now);
    }
    if (m_id == 0) {
        if (changes.count(PROP_ID(PR_CREATION_TIME)) == 0) {
            changes[PROP_ID(PR_CREATION_TIME)] = CPropCell::Time(PR_CREATION_TIME, now);
        }
        auto cls = changes.find(PROP_ID(PR_MESSAGE_CLASS));
        if (cls == changes.end() || !cls->second) {
            changes[PROP_ID(PR_MESSAGE_CLASS)] = CPropCell::Text(PR_MESSAGE_CLASS, "IPM.Note");
        }
    }
    hr = m_store->SaveMessage(m_id, m_folder, changes);
    if (FAILED(hr)) {
        return hr;
    }
    // What the item keeps now: the snapshot with the saved changes laid over it.
    std::map<ULONG, CPropCell> merged;
    for (const CPropCell& cell : m_stored) {
        merged[PROP_ID(cell.m_tag)] = cell;
    }
    for (auto& [pid, cell] : changes) {
        if (cell) {
            merged[pid] = *cell;
        } else {
            merged.erase(pid);
        }
    }
    std::vector<CPropCell> kept;
    kept.reserve(merged.size());
    for (auto& [pid, cell] : merged) {
        kept.push_back(std::move(cell));
    }
    m_stored = CStoredCells(std::move(kept));
    m_pending.clear();
    return S_OK;
}

}  // namespace qrvmapi
