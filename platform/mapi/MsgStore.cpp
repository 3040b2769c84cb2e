// Opened message stores: store properties, opening folders and messages, receive folder.
#include "platform/mapi/MsgStore.h"

#include <cstring>

#include "platform/mapi/EntryId.h"
#include "platform/mapi/Folder.h"
#include "platform/mapi/Message.h"

namespace qrvmapi {

bool SameEntry(ULONG cb1, const void* lp1, ULONG cb2, const void* lp2) {
    CEntryRef a, b;
    if (ParseEntryId(lp1, cb1, a) && ParseEntryId(lp2, cb2, b)) {
        return a.m_kind == b.m_kind && a.m_storeUid == b.m_storeUid && a.m_id == b.m_id;
    }
    if (cb1 != cb2) {
        return false;
    }
    return cb1 == 0 || (lp1 != nullptr && lp2 != nullptr && std::memcmp(lp1, lp2, cb1) == 0);
}

CMsgStoreImpl::CMsgStoreImpl(std::shared_ptr<CStoreDb> store, std::string instanceKey,
                             std::string displayName, bool writable)
    : CPropObject<IMsgStore>(std::move(store), writable),
      m_instanceKey(std::move(instanceKey)),
      m_displayName(std::move(displayName)) {}

HRESULT CMsgStoreImpl::CollectProps(std::vector<CPropCell>& cells) {
    const std::string& uid = m_store->Uid();
    cells.clear();
    cells.push_back(CPropCell::Binary(PR_ENTRYID, MakeEntryId(EntryKind::Store, uid, 0)));
    cells.push_back(CPropCell::Binary(PR_STORE_ENTRYID, MakeEntryId(EntryKind::Store, uid, 0)));
    cells.push_back(CPropCell::Binary(PR_RECORD_KEY, uid));
    cells.push_back(CPropCell::Binary(PR_STORE_RECORD_KEY, uid));
    cells.push_back(CPropCell::Binary(PR_INSTANCE_KEY, m_instanceKey));
    cells.push_back(CPropCell::Binary(PR_MDB_PROVIDER, StoreProviderType()));
    cells.push_back(CPropCell::Text(PR_DISPLAY_NAME, m_displayName));
    cells.push_back(CPropCell::Long(PR_OBJECT_TYPE, MAPI_STORE));
    cells.push_back(
        CPropCell::Long(PR_STORE_SUPPORT_MASK, STORE_ENTRYID_UNIQUE | STORE_MODIFY_OK | STORE_CREATE_OK |
                                                   STORE_MV_PROPS_OK | STORE_RESTRICTION_OK | STORE_ANSI_OK |
                                                   STORE_UNICODE_OK | (m_writable ? 0 : STORE_READONLY)));
    cells.push_back(CPropCell::Long(PR_VALID_FOLDER_MASK, 0xFF));
    const struct {
        ULONG m_tag;
        SpecialFolder m_role;
    } special[] = {{PR_IPM_SUBTREE_ENTRYID, SpecialFolder::IpmSubtree},
                   {PR_IPM_OUTBOX_ENTRYID, SpecialFolder::Outbox},
                   {PR_IPM_WASTEBASKET_ENTRYID, SpecialFolder::DeletedItems},
                   {PR_IPM_SENTMAIL_ENTRYID, SpecialFolder::SentItems}};
    for (const auto& entry : special) {
        LONGLONG id = m_store->Special(entry.m_role);
        if (id > 0) {
            cells.push_back(CPropCell::Binary(entry.m_tag, MakeEntryId(EntryKind::Folder, uid, id)));
        }
    }
    return S_OK;
}

HRESULT CMsgStoreImpl::ApplyChanges(const CPropChanges& changes) {
    return changes.empty() ? S_OK : MAPI_E_NO_SUPPORT;
}

HRESULT CMsgStoreImpl::OpenEntry(ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID lpInterface, ULONG ulFlags,
                                 ULONG* lpulObjType, LPUNKNOWN* lppUnk) {
    if (lppUnk == nullptr) {
        return MAPI_E_INVALID_PARAMETER;
    }
    *lppUnk = nullptr;
    if (lpulObjType != nullptr) {
        *lpulObjType = 0;
    }
    HRESULT hr = OpenEntryFault();
    if (FAILED(hr)) {
        return hr;
    }
    return OpenEntryUncounted(cbEntryID, lpEntryID, lpInterface, ulFlags, lpulObjType, lppUnk);
}

HRESULT CMsgStoreImpl::OpenEntryUncounted(ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID lpInterface,
                                          ULONG ulFlags, ULONG* lpulObjType, LPUNKNOWN* lppUnk) {
    if (lppUnk == nullptr) {
        return MAPI_E_INVALID_PARAMETER;
    }
    *lppUnk = nullptr;
    if (lpulObjType != nullptr) {
        *lpulObjType = 0;
    }
    HRESULT hr = S_OK;
    bool writable = (ulFlags & (MAPI_MODIFY | MAPI_BEST_ACCESS)) != 0;
    CEntryRef ref;
    if (cbEntryID == 0 || lpEntryID == nullptr) {
        // No id: the root folder of the store.
        ref.m_kind = EntryKind::Folder;
        ref.m_storeUid = m_store->Uid();
        ref.m_id = m_store->Special(SpecialFolder::Root);
    } else if (!ParseEntryId(lpEntryID, cbEntryID, ref)) {
        return MAPI_E_INVALID_ENTRYID;
    }
    if (ref.m_storeUid != m_store->Uid()) {
        return MAPI_E_INVALID_ENTRYID;  // an object of another store
    }
    switch (ref.m_kind) {
        case EntryKind::Store:
            if (!InterfaceFits(lpInterface, {&IID_IMsgStore, &IID_IMAPIProp})) {
                return MAPI_E_INTERFACE_NOT_SUPPORTED;
            }
            AddRef();
            *lppUnk = static_cast<IMsgStore*>(this);
            if (lpulObjType != nullptr) {
                *lpulObjType = MAPI_STORE;
            }
            return S_OK;
        case EntryKind::Folder: {
            if (!InterfaceFits(lpInterface, {&IID_IMAPIFolder, &IID_IMAPIContainer, &IID_IMAPIProp})) {
                return MAPI_E_INTERFACE_NOT_SUPPORTED;
            }
            CFolderRow row;
            hr = m_store->GetFolder(ref.m_id, row);
            if (FAILED(hr)) {
                return hr;
            }
            *lppUnk = static_cast<IMAPIFolder*>(new CFolderImpl(this, row, writable));
            if (lpulObjType != nullptr) {
                *lpulObjType = MAPI_FOLDER;
            }
            return S_OK;
        }
        case EntryKind::Message: {
            if (!InterfaceFits(lpInterface, {&IID_IMessage, &IID_IMAPIProp})) {
                return MAPI_E_INTERFACE_NOT_SUPPORTED;
            }
            LONGLONG folder = 0;
            bool deleted = false;
            CStoredCells stored;
            hr = m_store->LoadMessage(ref.m_id, folder, deleted, stored);
            if (FAILED(hr)) {
                return hr;
            }
            if (deleted) {
                return MAPI_E_NOT_FOUND;  // soft-deleted items are out of reach until restored
            }
            *lppUnk = static_cast<IMessage*>(
                new CMessageImpl(m_store, ref.m_id, folder, writable, std::move(stored)));
            if (lpulObjType != nullptr) {
                *lpulObjType = MAPI_MESSAGE;
            }
            return S_OK;
        }
    }
    return MAPI_E_INVALID_ENTRYID;
}

HRESULT CMsgStoreImpl::CompareEntryIDs(ULONG cbEntryID1, LPENTRYID lpEntryID1, ULONG cbEntryID2,
                                       LPENTRYID lpEntryID2, ULONG, ULONG* lpulResult) {
    if (lpulResult == nullptr || (cbEntryID1 > 0 && lpEntryID1 == nullptr) ||
        (cbEntryID2 > 0 && lpEntryID2 == nullptr)) {
        return MAPI_E_INVALID_PARAMETER;
    }
    *lpulResult = SameEntry(cbEntryID1, lpEntryID1, cbEntryID2, lpEntryID2) ? TRUE : FALSE;
    return S_OK;
}

HRESULT CMsgStoreImpl::GetReceiveFolder(LPCSTR, ULONG, ULONG* lpcbEntryID, LPENTRYID* lppEntryID,
                                        LPSTR* lppszExplicitClass) {
    if (lpcbEntryID == nullptr || lppEntryID == nullptr) {
        return MAPI_E_INVALID_PARAMETER;
    }
    *lpcbEntryID = 0;
    *lppEntryID = nullptr;
    if (lppszExplicitClass != nullptr) {
        *lppszExplicitClass = nullptr;
    }
    LONGLONG inbox = m_store->Special(SpecialFolder::Inbox);
    if (inbox <= 0) {
        return MAPI_E_NOT_FOUND;
    }
    std::string eid = MakeEntryId(EntryKind::Folder, m_store->Uid(), inbox);
    LPVOID block = nullptr;
    HRESULT hr = MAPIAllocateBuffer(static_cast<ULONG>(eid.size()), &block);
    if (FAILED(hr)) {
        return hr;
    }
    std::memcpy(block, eid.data(), eid.size());
    if (lppszExplicitClass != nullptr) {
        // Every class is received by the inbox: the explicit class is the default, "".
        LPVOID cls = nullptr;
        hr = MAPIAllocateBuffer(1, &cls);
        if (FAILED(hr)) {
            MAPIFreeBuffer(block);
            return hr;
        }
        *lppszExplicitClass = static_cast<LPSTR>(cls);
    }
    *lpcbEntryID = static_cast<ULONG>(eid.size());
    *lppEntryID = static_cast<LPENTRYID>(block);
    return S_OK;
}

}  // namespace qrvmapi
