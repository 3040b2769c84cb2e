// Direct store-file administration: creating, opening, batching, soft-deleted items.
#include "platform/mapi/StoreAdmin.h"

#include <memory>
#include <mutex>

#include <sqlite3.h>

#include "platform/mapi/EntryId.h"
#include "platform/mapi/FileCheck.h"
#include "platform/mapi/MsgStore.h"
#include "platform/mapi/ProfAdmin.h"
#include "platform/mapi/ProfileDb.h"

namespace {

qrvmapi::CMsgStoreImpl* Ours(LPMDB lpMDB) {
    return dynamic_cast<qrvmapi::CMsgStoreImpl*>(lpMDB);
}

HRESULT IdsOf(qrvmapi::CStoreDb& store, const std::vector<std::string>& entryIds,
              std::vector<LONGLONG>& ids) {
    for (const std::string& eid : entryIds) {
        qrvmapi::CEntryRef ref;
        if (!qrvmapi::ParseEntryId(eid.data(), eid.size(), ref) ||
            ref.m_kind != qrvmapi::EntryKind::Message || ref.m_storeUid != store.Uid()) {
            return MAPI_E_INVALID_ENTRYID;
        }
        ids.push_back(ref.m_id);
    }
    return S_OK;
}

// Restores or purges (change) the soft-deleted items among the entry ids; *lpulDone gets how many.
HRESULT ChangeDeletedItems(LPMDB lpMDB, const std::vector<std::string>& entryIds, ULONG* lpulDone,
                           HRESULT (qrvmapi::CStoreDb::*change)(const std::vector<LONGLONG>&, ULONG&)) {
    qrvmapi::CMsgStoreImpl* store = Ours(lpMDB);
    if (store == nullptr) {
        return MAPI_E_INVALID_PARAMETER;
    }
    std::vector<LONGLONG> ids;
    HRESULT hr = IdsOf(*store->Store(), entryIds, ids);
    if (FAILED(hr)) {
        return hr;
    }
    ULONG done = 0;
    hr = (store->Store().get()->*change)(ids, done);
    if (lpulDone != nullptr) {
        *lpulDone = SUCCEEDED(hr) ? done : 0;
    }
    return hr;
}

// The folder of this store that an entry id names, when it is one that may be changed.
HRESULT ChangeableFolder(LPMDB lpMDB, const std::string& folderEntryId, qrvmapi::CMsgStoreImpl*& store,
                         LONGLONG& folder) {
    store = Ours(lpMDB);
    if (store == nullptr) {
        return MAPI_E_INVALID_PARAMETER;
    }
    qrvmapi::CEntryRef ref;
    if (!qrvmapi::ParseEntryId(folderEntryId.data(), folderEntryId.size(), ref) ||
        ref.m_kind != qrvmapi::EntryKind::Folder || ref.m_storeUid != store->Store()->Uid()) {
        return MAPI_E_INVALID_ENTRYID;
    }
    if (store->Store()->RoleOf(ref.m_id) != qrvmapi::SpecialFolder::Count) {
        return MAPI_E_NO_ACCESS;
    }
    folder = ref.m_id;
    return S_OK;
}

}  // namespace

std::string HrProfileDbFailure(HRESULT hr) {
    return qrvmapi::ProfileDbFailure(hr);
}

std::string HrResolveStorePath(const std::string& path) {
    return qrvmapi::ResolveStorePath(path);
}

HRESULT HrCreateStoreFile(const std::string& path, const std::string& displayName,
                          const std::string& password) {
    return qrvmapi::CStoreDb::Create(qrvmapi::ResolveStorePath(path), displayName, password);
}

HRESULT HrOpenStoreFile(const std::string& path, const std::string& password, ULONG ulFlags, LPMDB* lppMDB) {
    if (lppMDB == nullptr) {
        return MAPI_E_INVALID_PARAMETER;
    }
    *lppMDB = nullptr;
    auto store = std::make_shared<qrvmapi::CStoreDb>();
    HRESULT hr = store->Open(qrvmapi::ResolveStorePath(path));
    if (FAILED(hr)) {
        return hr;
    }
    if (!store->CheckPassword(password)) {
        return MAPI_E_FAILONEPROVIDER;
    }
    std::string name = store->DisplayName();
    *lppMDB = new qrvmapi::CMsgStoreImpl(store, store->Uid(), name,
                                         (ulFlags & (MAPI_MODIFY | MAPI_BEST_ACCESS)) != 0);
    return S_OK;
}

HRESULT HrBeginStoreBatch(LPMDB lpMDB) {
    qrvmapi::CMsgStoreImpl* store = Ours(lpMDB);
    if (store == nullptr) {
        return MAPI_E_INVALID_PARAMETER;
    }
    qrvmapi::CSqliteDb& db = store->Store()->Db();
    db.Lock().lock();  // held until the batch ends: the batch belongs to one thread
    HRESULT hr = db.Begin();
    if (FAILED(hr)) {
        db.Lock().unlock();
    }
    return hr;
}

HRESULT HrAddConfiguredService(LPSERVICEADMIN lpServices, LPCSTR lpszDisplayName, ULONG cValues,
                               LPSPropValue lpProps, LPMAPIUID lpUID) {
    auto* services = dynamic_cast<qrvmapi::CMsgServiceAdminImpl*>(lpServices);
    if (services == nullptr) {
        return MAPI_E_INVALID_PARAMETER;
    }
    return services->CreateConfiguredService(lpszDisplayName, cValues, lpProps, lpUID);
}

HRESULT HrAwaitStoreCheck(LPMDB lpMDB) {
    qrvmapi::CMsgStoreImpl* store = Ours(lpMDB);
    if (store == nullptr) {
        return MAPI_E_INVALID_PARAMETER;
    }
    qrvmapi::CSqliteDb& db = store->Store()->Db();
    return qrvmapi::AwaitFileCheck(store->Store()->Path(), db.FileKey());
}

HRESULT HrAdviseStoreCheck(LPMDB lpMDB, std::function<void(HRESULT)> fnEnded) {
    qrvmapi::CMsgStoreImpl* store = Ours(lpMDB);
    if (store == nullptr || !fnEnded) {
        return MAPI_E_INVALID_PARAMETER;
    }
    qrvmapi::CSqliteDb& db = store->Store()->Db();
    qrvmapi::CFileChecks::Service().Watch(store->Store()->Path(), db.FileKey(), std::move(fnEnded));
    return S_OK;
}

void StopStoreChecks() {
    qrvmapi::StopFileChecks();
}

HRESULT HrEndStoreBatch(LPMDB lpMDB, BOOL bCommit) {
    qrvmapi::CMsgStoreImpl* store = Ours(lpMDB);
    if (store == nullptr) {
        return MAPI_E_INVALID_PARAMETER;
    }
    qrvmapi::CSqliteDb& db = store->Store()->Db();
    if (db.Depth() == 0) {
        return MAPI_E_CALL_FAILED;
    }
    HRESULT hr = S_OK;
    if (bCommit) {
        hr = db.Commit();
        if (FAILED(hr)) {
            db.Rollback();
        }
    } else {
        db.Rollback();
    }
    db.Lock().unlock();
    return hr;
}

HRESULT HrListDeletedItems(LPMDB lpMDB, std::vector<CDeletedItem>& items) {
    items.clear();
    qrvmapi::CMsgStoreImpl* store = Ours(lpMDB);
    if (store == nullptr) {
        return MAPI_E_INVALID_PARAMETER;
    }
    std::vector<qrvmapi::CDeletedRow> rows;
    HRESULT hr = store->Store()->ListDeleted(rows);
    if (FAILED(hr)) {
        return hr;
    }
    const std::string& uid = store->Store()->Uid();
    for (const qrvmapi::CDeletedRow& row : rows) {
        CDeletedItem item;
        item.m_entryId = qrvmapi::MakeEntryId(qrvmapi::EntryKind::Message, uid, row.m_id);
        item.m_folderEntryId = qrvmapi::MakeEntryId(qrvmapi::EntryKind::Folder, uid, row.m_folder);
        item.m_deletedOn = row.m_deletedOn;
        item.m_messageClass = row.m_class;
        item.m_subject = row.m_subject;
        items.push_back(std::move(item));
    }
    return S_OK;
}

HRESULT HrRestoreDeletedItems(LPMDB lpMDB, const std::vector<std::string>& entryIds, ULONG* lpulDone) {
    return ChangeDeletedItems(lpMDB, entryIds, lpulDone, &qrvmapi::CStoreDb::RestoreMessages);
}

HRESULT HrPurgeDeletedItems(LPMDB lpMDB, const std::vector<std::string>& entryIds, ULONG* lpulDone) {
    return ChangeDeletedItems(lpMDB, entryIds, lpulDone, &qrvmapi::CStoreDb::PurgeMessages);
}

HRESULT HrDeleteFolder(LPMDB lpMDB, const std::string& folderEntryId) {
    qrvmapi::CMsgStoreImpl* store = nullptr;
    LONGLONG folder = 0;
    HRESULT hr = ChangeableFolder(lpMDB, folderEntryId, store, folder);
    return SUCCEEDED(hr) ? store->Store()->DeleteFolderTree(folder) : hr;
}

HRESULT HrRenameFolder(LPMDB lpMDB, const std::string& folderEntryId, const std::string& name) {
    qrvmapi::CMsgStoreImpl* store = nullptr;
    LONGLONG folder = 0;
    HRESULT hr = ChangeableFolder(lpMDB, folderEntryId, store, folder);
    return SUCCEEDED(hr) ? store->Store()->RenameFolder(folder, name) : hr;
}

HRESULT HrListFoldersOutOfReach(LPMDB lpMDB, std::vector<std::string>& entryIds) {
    entryIds.clear();
    qrvmapi::CMsgStoreImpl* store = Ours(lpMDB);
    if (store == nullptr) {
        return MAPI_E_INVALID_PARAMETER;
    }
    qrvmapi::CStoreDb& db = *store->Store();
    std::lock_guard<std::recursive_mutex> guard(db.Db().Lock());
    // UNION keeps each folder once, so a cycle of parents ends the walk.
    auto stmt = db.Db().Prepare(
        "WITH RECURSIVE reach(id) AS (SELECT id FROM folders WHERE id IN (?1, ?2) UNION "
        "SELECT f.id FROM folders f JOIN reach r ON f.parent = r.id) "
        "SELECT id FROM folders WHERE id NOT IN (SELECT id FROM reach) ORDER BY id");
    if (!stmt->Valid()) {
        return db.Db().LastResult();
    }
    stmt->Bind(1, db.Special(qrvmapi::SpecialFolder::Root));
    stmt->Bind(2, db.Special(qrvmapi::SpecialFolder::IpmSubtree));
    int rc;
    while ((rc = stmt->Step()) == SQLITE_ROW) {
        entryIds.push_back(qrvmapi::MakeEntryId(qrvmapi::EntryKind::Folder, db.Uid(), stmt->Int(0)));
    }
    return rc == SQLITE_DONE ? S_OK : qrvmapi::ResultFromSqlite(rc);
}

HRESULT HrRemoveProfileStore(const std::string& profile, const std::string& profilePassword,
                             const std::string& display) {
    qrvmapi::CProfileDb db;
    HRESULT hr = db.Open();
    qrvmapi::CProfileRow row;
    if (SUCCEEDED(hr)) {
        hr = db.FindProfile(profile, row);
    }
    if (FAILED(hr)) {
        return hr;
    }
    if (!db.CheckProfilePassword(row.m_id, profilePassword)) {
        return MAPI_E_LOGON_FAILED;
    }
    qrvmapi::CTransaction tx(db.Db());
    if (FAILED(tx.Result())) {
        return tx.Result();
    }
    std::vector<qrvmapi::CServiceRow> services;
    hr = db.Services(row.m_id, services);
    if (FAILED(hr)) {
        return hr;
    }
    const qrvmapi::CServiceRow* found = nullptr;
    size_t stores = 0;
    for (const qrvmapi::CServiceRow& service : services) {
        if (service.m_path.empty()) {
            continue;  // a service never configured gives no store
        }
        ++stores;
        if (service.m_display == display) {
            if (found != nullptr) {
                return MAPI_E_AMBIGUOUS_RECIP;
            }
            found = &service;
        }
    }
    if (found == nullptr) {
        return MAPI_E_NOT_FOUND;
    }
    // The default store is where a profile's work goes: another one is made the default first.
    if (found->m_default && stores > 1) {
        return MAPI_E_NO_ACCESS;
    }
    hr = db.DeleteService(row.m_id, found->m_uid);
    if (FAILED(hr)) {
        return hr;
    }
    return tx.Commit();
}
