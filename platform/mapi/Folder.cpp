// Folders of a store: properties, tables, opening of entries, new messages and deletion.
#include "platform/mapi/Folder.h"

#include <set>

#include "platform/mapi/ContentsTable.h"
#include "platform/mapi/EntryId.h"
#include "platform/mapi/MemTable.h"
#include "platform/mapi/Message.h"
#include "platform/mapi/MsgStore.h"

namespace qrvmapi {

namespace {

const ULONG kComputedFolder[] = {
    PROP_ID(PR_ENTRYID),     PROP_ID(PR_PARENT_ENTRYID), PROP_ID(PR_INSTANCE_KEY),
    PROP_ID(PR_RECORD_KEY),  PROP_ID(PR_STORE_ENTRYID),  PROP_ID(PR_STORE_RECORD_KEY),
    PROP_ID(PR_OBJECT_TYPE), PROP_ID(PR_DISPLAY_NAME),   PROP_ID(PR_COMMENT),
    PROP_ID(PR_FOLDER_TYPE), PROP_ID(PR_CONTENT_COUNT),  PROP_ID(PR_SUBFOLDERS),
    PROP_ID(PR_DEPTH),       PROP_ID(PR_MDB_PROVIDER),
};

// The special-folder ids the root folder and the inbox carry, and the folder each names.
struct CSpecialProp {
    ULONG m_tag;
    SpecialFolder m_role;
};
const CSpecialProp kSpecialProps[] = {
    {PR_IPM_APPOINTMENT_ENTRYID, SpecialFolder::Calendar}, {PR_IPM_CONTACT_ENTRYID, SpecialFolder::Contacts},
    {PR_IPM_JOURNAL_ENTRYID, SpecialFolder::Journal},      {PR_IPM_NOTE_ENTRYID, SpecialFolder::Notes},
    {PR_IPM_TASK_ENTRYID, SpecialFolder::Tasks},           {PR_IPM_DRAFTS_ENTRYID, SpecialFolder::Drafts},
};

// The hierarchy rows below a folder, depth first, with their depth. The walk keeps the folders of
// each level still to be listed on a list, not in a call per level: folders may nest tens of
// thousands of levels deep. A damaged file may hold a cycle of parents; a folder is listed once at
// most, so the walk always ends.
HRESULT CollectHierarchy(CStoreDb& store, LONGLONG parent, bool deep, std::set<LONGLONG>& seen,
                         std::vector<std::vector<CPropCell>>& rows) {
    struct CLevel {
        std::vector<CFolderRow> children;
        size_t next = 0;
    };
    std::vector<CLevel> levels(1);
    HRESULT hr = store.ChildFolders(parent, levels.back().children);
    while (SUCCEEDED(hr) && !levels.empty()) {
        CLevel& level = levels.back();
        if (level.next == level.children.size()) {
            levels.pop_back();
            continue;
        }
        const CFolderRow child = std::move(level.children[level.next++]);
        if (!seen.insert(child.m_id).second) {
            continue;
        }
        std::vector<CPropCell> cells;
        hr = FolderCells(store, child, cells);
        if (FAILED(hr)) {
            break;
        }
        cells.push_back(CPropCell::Long(PR_DEPTH, static_cast<LONG>(levels.size())));
        rows.push_back(std::move(cells));
        if (deep) {
            levels.emplace_back();
            hr = store.ChildFolders(child.m_id, levels.back().children);
        }
    }
    return hr;
}

}  // namespace

HRESULT FolderCells(CStoreDb& store, const CFolderRow& row, std::vector<CPropCell>& cells, bool counts) {
    cells.clear();
    const std::string& uid = store.Uid();
    cells.push_back(CPropCell::Binary(PR_ENTRYID, MakeEntryId(EntryKind::Folder, uid, row.m_id)));
    cells.push_back(CPropCell::Binary(PR_PARENT_ENTRYID, MakeEntryId(EntryKind::Folder, uid, row.m_parent)));
    cells.push_back(CPropCell::Binary(PR_INSTANCE_KEY, MakeObjectKey(EntryKind::Folder, row.m_id)));
    cells.push_back(CPropCell::Binary(PR_RECORD_KEY, MakeObjectKey(EntryKind::Folder, row.m_id)));
    cells.push_back(CPropCell::Binary(PR_STORE_ENTRYID, MakeEntryId(EntryKind::Store, uid, 0)));
    cells.push_back(CPropCell::Binary(PR_STORE_RECORD_KEY, uid));
    cells.push_back(CPropCell::Binary(PR_MDB_PROVIDER, StoreProviderType()));
    cells.push_back(CPropCell::Long(PR_OBJECT_TYPE, MAPI_FOLDER));
    cells.push_back(CPropCell::Text(PR_DISPLAY_NAME, row.m_name));
    if (!row.m_comment.empty()) {
        cells.push_back(CPropCell::Text(PR_COMMENT, row.m_comment));
    }
    if (row.m_class) {
        cells.push_back(CPropCell::Text(PR_CONTAINER_CLASS, *row.m_class));
    }
    cells.push_back(CPropCell::Long(PR_FOLDER_TYPE, row.m_type));
    HRESULT hr = S_OK;
    if (counts) {
        ULONG count = 0;
        hr = store.CountMessages(row.m_id, count);
        if (FAILED(hr)) {
            return hr;
        }
        cells.push_back(CPropCell::Long(PR_CONTENT_COUNT, count));
        bool any = false;
        hr = store.HasChildFolders(row.m_id, any);
        if (FAILED(hr)) {
            return hr;
        }
        cells.push_back(CPropCell::Bool(PR_SUBFOLDERS, any));
    }
    SpecialFolder role = store.RoleOf(row.m_id);
    if (role == SpecialFolder::Root || role == SpecialFolder::Inbox) {
        for (const CSpecialProp& special : kSpecialProps) {
            LONGLONG target = store.Special(special.m_role);
            if (target > 0) {
                cells.push_back(
                    CPropCell::Binary(special.m_tag, MakeEntryId(EntryKind::Folder, uid, target)));
            }
        }
        // The well-known layout: conflicts, sync issues, local failures, server failures, junk.
        std::vector<std::string> additional(5);
        if (store.Special(SpecialFolder::Junk) > 0) {
            additional[4] = MakeEntryId(EntryKind::Folder, uid, store.Special(SpecialFolder::Junk));
        }
        CPropCell list;
        list.m_tag = PR_ADDITIONAL_REN_ENTRYIDS;
        list.m_kind = CellKind::Bytes;
        list.m_bytes = PackVariable(additional);
        cells.push_back(std::move(list));
    }
    std::vector<CPropCell> stored;
    hr = store.ReadFolderProps(row.m_id, stored);
    if (FAILED(hr)) {
        return hr;
    }
    for (CPropCell& cell : stored) {
        if (FindCell(cells, cell.m_tag) == nullptr) {
            cells.push_back(std::move(cell));
        }
    }
    return S_OK;
}

CFolderImpl::CFolderImpl(CMsgStoreImpl* owner, const CFolderRow& row, bool writable)
    : CPropObject<IMAPIFolder>(owner->Store(), writable), m_owner(owner), m_row(row) {
    m_owner->AddRef();
}

CFolderImpl::~CFolderImpl() {
    m_owner->Release();
}

HRESULT CFolderImpl::CollectProps(std::vector<CPropCell>& cells) {
    return ReadCells(cells, true);
}

HRESULT CFolderImpl::FindProps(LPSPropTagArray lpTags, std::vector<std::optional<CPropCell>>& cells) {
    bool counts = false;
    for (ULONG i = 0; i < lpTags->cValues; ++i) {
        const ULONG pid = PROP_ID(lpTags->aulPropTag[i]);
        counts = counts || pid == PROP_ID(PR_CONTENT_COUNT) || pid == PROP_ID(PR_SUBFOLDERS);
    }
    std::vector<CPropCell> all;
    HRESULT hr = ReadCells(all, counts);
    if (FAILED(hr)) {
        return hr;
    }
    for (ULONG i = 0; i < lpTags->cValues; ++i) {
        ULONG tag = lpTags->aulPropTag[i];
        ULONG stored = PROP_ID(tag);
        if (CStoreDb::AnyProvisional() && FAILED(hr = m_store->StoredId(stored, stored))) {
            return hr;
        }
        if (const CPropCell* cell = FindCell(all, PROP_TAG(PROP_TYPE(tag), stored))) {
            cells[i] = *cell;
        }
    }
    return S_OK;
}

HRESULT CFolderImpl::ReadCells(std::vector<CPropCell>& cells, bool counts) {
    // Re-read the folder's row: another object or process may have changed it.
    CFolderRow row;
    HRESULT hr = m_store->GetFolder(m_row.m_id, row);
    if (FAILED(hr)) {
        return hr == MAPI_E_NOT_FOUND ? MAPI_E_OBJECT_DELETED : hr;
    }
    m_row = row;
    return FolderCells(*m_store, m_row, cells, counts);
}

bool CFolderImpl::IsComputed(ULONG pid) const {
    for (ULONG computed : kComputedFolder) {
        if (computed == pid) {
            return true;
        }
    }
    for (const CSpecialProp& special : kSpecialProps) {
        if (PROP_ID(special.m_tag) == pid) {
            return true;
        }
    }
    return pid == PROP_ID(PR_ADDITIONAL_REN_ENTRYIDS);
}

HRESULT CFolderImpl::ApplyChanges(const CPropChanges& changes) {
    CPropChanges stored;
    for (const auto& [pid, cell] : changes) {
        if (pid == PROP_ID(PR_CONTAINER_CLASS)) {
            std::optional<std::string> cls;
            if (cell) {
                if (cell->m_kind != CellKind::Text) {
                    return MAPI_E_INVALID_TYPE;
                }
                cls = cell->m_bytes;
            }
            HRESULT hr = m_store->SetFolderClass(m_row.m_id, cls);
            if (FAILED(hr)) {
                return hr;
            }
            m_row.m_class = cls;
        } else {
            stored[pid] = cell;
        }
    }
    return stored.empty() ? S_OK : m_store->WriteFolderProps(m_row.m_id, stored);
}

HRESULT CFolderImpl::GetContentsTable(ULONG ulFlags, LPMAPITABLE* lppTable) {
    if (lppTable == nullptr) {
        return MAPI_E_INVALID_PARAMETER;
    }
    *lppTable = nullptr;
    if (ulFlags & MAPI_ASSOCIATED) {
        // Folders here hold no associated (hidden) contents.
        *lppTable = new CMemTable({PR_ENTRYID, PR_MESSAGE_CLASS}, {});
        return S_OK;
    }
    *lppTable = new CContentsTable(m_store, m_row.m_id);
    return S_OK;
}

HRESULT CFolderImpl::GetHierarchyTable(ULONG ulFlags, LPMAPITABLE* lppTable) {
    if (lppTable == nullptr) {
        return MAPI_E_INVALID_PARAMETER;
    }
    *lppTable = nullptr;
    std::vector<std::vector<CPropCell>> rows;
    std::set<LONGLONG> seen = {m_row.m_id};
    HRESULT hr = CollectHierarchy(*m_store, m_row.m_id, (ulFlags & CONVENIENT_DEPTH) != 0, seen, rows);
    if (FAILED(hr)) {
        return hr;
    }
    *lppTable = new CMemTable({PR_ENTRYID, PR_DISPLAY_NAME, PR_CONTAINER_CLASS, PR_CONTENT_COUNT,
                               PR_SUBFOLDERS, PR_DEPTH, PR_INSTANCE_KEY},
                              std::move(rows));
    return S_OK;
}

HRESULT CFolderImpl::OpenEntry(ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID lpInterface, ULONG ulFlags,
                               ULONG* lpulObjType, LPUNKNOWN* lppUnk) {
    return m_owner->OpenEntry(cbEntryID, lpEntryID, lpInterface, ulFlags, lpulObjType, lppUnk);
}

HRESULT CFolderImpl::CreateMessage(LPCIID lpInterface, ULONG, LPMESSAGE* lppMessage) {
    if (lppMessage == nullptr) {
        return MAPI_E_INVALID_PARAMETER;
    }
    *lppMessage = nullptr;
    if (!InterfaceFits(lpInterface, {&IID_IMessage, &IID_IMAPIProp})) {
        return MAPI_E_INTERFACE_NOT_SUPPORTED;
    }
    if (!m_writable) {
        return MAPI_E_NO_ACCESS;
    }
    *lppMessage = new CMessageImpl(m_store, 0, m_row.m_id, true);
    return S_OK;
}

HRESULT CFolderImpl::DeleteMessages(LPENTRYLIST lpMsgList, ULONG_PTR, LPMAPIPROGRESS, ULONG ulFlags) {
    if (lpMsgList == nullptr || (lpMsgList->cValues > 0 && lpMsgList->lpbin == nullptr)) {
        return MAPI_E_INVALID_PARAMETER;
    }
    if (!m_writable) {
        return MAPI_E_NO_ACCESS;
    }
    std::vector<LONGLONG> ids;
    ULONG foreign = 0;
    for (ULONG i = 0; i < lpMsgList->cValues; ++i) {
        const SBinary& bin = lpMsgList->lpbin[i];
        CEntryRef ref;
        if (!ParseEntryId(bin.lpb, bin.cb, ref) || ref.m_kind != EntryKind::Message ||
            ref.m_storeUid != m_store->Uid()) {
            ++foreign;
            continue;
        }
        ids.push_back(ref.m_id);
    }
    ULONG missing = 0;
    HRESULT hr = m_store->DeleteMessages(m_row.m_id, ids, (ulFlags & DELETE_HARD_DELETE) != 0, missing);
    if (FAILED(hr)) {
        return hr;
    }
    return foreign + missing > 0 ? MAPI_W_PARTIAL_COMPLETION : S_OK;
}

HRESULT CFolderImpl::CreateFolder(ULONG ulFolderType, LPCSTR lpszFolderName, LPCSTR lpszFolderComment,
                                  LPCIID lpInterface, ULONG ulFlags, LPMAPIFOLDER* lppFolder) {
    if (lppFolder == nullptr || lpszFolderName == nullptr || *lpszFolderName == '\0') {
        return MAPI_E_INVALID_PARAMETER;
    }
    *lppFolder = nullptr;
    if (ulFolderType != FOLDER_GENERIC) {
        return MAPI_E_NO_SUPPORT;  // search folders are not kept by this store
    }
    if (!InterfaceFits(lpInterface, {&IID_IMAPIFolder, &IID_IMAPIContainer, &IID_IMAPIProp})) {
        return MAPI_E_INTERFACE_NOT_SUPPORTED;
    }
    if (!m_writable) {
        return MAPI_E_NO_ACCESS;
    }
    LONGLONG id = 0;
    HRESULT hr = m_store->CreateFolder(m_row.m_id, lpszFolderName, std::nullopt, FOLDER_GENERIC,
                                       lpszFolderComment != nullptr ? lpszFolderComment : "", id);
    if (hr == MAPI_E_COLLISION && (ulFlags & OPEN_IF_EXISTS) == 0) {
        return hr;
    }
    if (FAILED(hr) && hr != MAPI_E_COLLISION) {
        return hr;
    }
    CFolderRow row;
    hr = m_store->GetFolder(id, row);
    if (FAILED(hr)) {
        return hr;
    }
    *lppFolder = new CFolderImpl(m_owner, row, true);
    return S_OK;
}

}  // namespace qrvmapi
