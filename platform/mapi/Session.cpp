// Sessions: the profile's stores table, opening by entry id, the default store and logoff.
#include "platform/mapi/Session.h"

#include <memory>

#include "platform/mapi/EntryId.h"
#include "platform/mapi/MemTable.h"
#include "platform/mapi/MsgStore.h"

namespace qrvmapi {

namespace {

const char* const kProviderDisplay = "Personal Folders";

// The rows of the stores table: one per service that has a store file.
std::vector<std::vector<CPropCell>> StoreRows(const std::vector<CServiceRow>& services) {
    std::vector<std::vector<CPropCell>> rows;
    for (const CServiceRow& service : services) {
        if (service.m_path.empty() || service.m_storeUid.size() != 16) {
            continue;
        }
        std::vector<CPropCell> row;
        row.push_back(CPropCell::Binary(PR_ENTRYID, MakeEntryId(EntryKind::Store, service.m_storeUid, 0)));
        row.push_back(CPropCell::Binary(PR_INSTANCE_KEY, service.m_providerUid));
        row.push_back(CPropCell::Binary(PR_RECORD_KEY, service.m_storeUid));
        row.push_back(CPropCell::Text(PR_DISPLAY_NAME, service.m_display));
        row.push_back(CPropCell::Bool(PR_DEFAULT_STORE, service.m_default));
        row.push_back(CPropCell::Binary(PR_MDB_PROVIDER, StoreProviderType()));
        row.push_back(CPropCell::Long(PR_RESOURCE_FLAGS, service.m_default ? STATUS_DEFAULT_STORE : 0));
        row.push_back(CPropCell::Text(PR_PROVIDER_DISPLAY, kProviderDisplay));
        row.push_back(CPropCell::Binary(PR_SERVICE_UID, service.m_uid));
        row.push_back(CPropCell::Long(PR_OBJECT_TYPE, MAPI_STORE));
        rows.push_back(std::move(row));
    }
    return rows;
}

}  // namespace

HRESULT OpenServiceStore(const CServiceRow& service, ULONG ulFlags, LPMDB* lppMDB) {
    *lppMDB = nullptr;
    if (service.m_path.empty()) {
        return MAPI_E_NOT_FOUND;
    }
    auto store = std::make_shared<CStoreDb>();
    HRESULT hr = store->Open(service.m_path);
    if (FAILED(hr)) {
        return hr;
    }
    if (!service.m_storeUid.empty() && store->Uid() != service.m_storeUid) {
        return MAPI_E_NOT_FOUND;  // another store now sits at the configured path
    }
    if (store->HasPassword() &&
        !(service.m_rememberedPassword && store->CheckPassword(*service.m_rememberedPassword))) {
        return MAPI_E_FAILONEPROVIDER;
    }
    bool writable = (ulFlags & (MAPI_MODIFY | MAPI_BEST_ACCESS)) != 0;
    *lppMDB = new CMsgStoreImpl(store, service.m_providerUid, service.m_display, writable);
    return S_OK;
}

CSessionImpl::CSessionImpl(LONGLONG profile, std::string profileName)
    : m_profile(profile), m_profileName(std::move(profileName)) {}

HRESULT CSessionImpl::GetMsgStoresTable(ULONG, LPMAPITABLE* lppTable) {
    if (lppTable == nullptr) {
        return MAPI_E_INVALID_PARAMETER;
    }
    *lppTable = nullptr;
    if (m_loggedOff) {
        return MAPI_E_END_OF_SESSION;
    }
    CProfileDb db;
    HRESULT hr = db.Open();
    std::vector<CServiceRow> services;
    if (SUCCEEDED(hr)) {
        hr = db.Services(m_profile, services);
    }
    if (FAILED(hr)) {
        return hr;
    }
    *lppTable = new CMemTable({PR_ENTRYID, PR_DISPLAY_NAME, PR_DEFAULT_STORE, PR_INSTANCE_KEY, PR_RECORD_KEY,
                               PR_MDB_PROVIDER, PR_RESOURCE_FLAGS},
                              StoreRows(services));
    return S_OK;
}

HRESULT CSessionImpl::FindStoreService(ULONG cbEntryID, LPENTRYID lpEntryID, CProfileDb& db,
                                       CServiceRow& service) {
    CEntryRef ref;
    if (!ParseEntryId(lpEntryID, cbEntryID, ref)) {
        return MAPI_E_INVALID_ENTRYID;
    }
    HRESULT hr = db.Open();
    if (FAILED(hr)) {
        return hr;
    }
    hr = db.FindServiceByStore(m_profile, ref.m_storeUid, service);
    return hr == MAPI_E_NOT_FOUND ? MAPI_E_UNKNOWN_ENTRYID : hr;
}

HRESULT CSessionImpl::OpenMsgStore(ULONG_PTR, ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID lpInterface,
                                   ULONG ulFlags, LPMDB* lppMDB) {
    if (lppMDB == nullptr) {
        return MAPI_E_INVALID_PARAMETER;
    }
    *lppMDB = nullptr;
    if (m_loggedOff) {
        return MAPI_E_END_OF_SESSION;
    }
    if (!InterfaceFits(lpInterface, {&IID_IMsgStore, &IID_IMAPIProp})) {
        return MAPI_E_INTERFACE_NOT_SUPPORTED;
    }
    CProfileDb db;
    CServiceRow service;
    HRESULT hr = FindStoreService(cbEntryID, lpEntryID, db, service);
    if (FAILED(hr)) {
        return hr;
    }
    return OpenServiceStore(service, ulFlags, lppMDB);
}

HRESULT CSessionImpl::OpenEntry(ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID lpInterface, ULONG ulFlags,
                                ULONG* lpulObjType, LPUNKNOWN* lppUnk) {
    if (lppUnk == nullptr) {
        return MAPI_E_INVALID_PARAMETER;
    }
    *lppUnk = nullptr;
    if (lpulObjType != nullptr) {
        *lpulObjType = 0;
    }
    if (m_loggedOff) {
        return MAPI_E_END_OF_SESSION;
    }
    HRESULT hr = OpenEntryFault();
    if (FAILED(hr)) {
        return hr;
    }
    CEntryRef ref;
    if (!ParseEntryId(lpEntryID, cbEntryID, ref)) {
        return MAPI_E_INVALID_ENTRYID;
    }
    CProfileDb db;
    CServiceRow service;
    hr = FindStoreService(cbEntryID, lpEntryID, db, service);
    if (FAILED(hr)) {
        return hr;
    }
    if (ref.m_kind == EntryKind::Store && !InterfaceFits(lpInterface, {&IID_IMsgStore, &IID_IMAPIProp})) {
        return MAPI_E_INTERFACE_NOT_SUPPORTED;
    }
    LPMDB store = nullptr;
    hr = OpenServiceStore(service, ulFlags, &store);
    if (FAILED(hr)) {
        return hr;
    }
    if (ref.m_kind == EntryKind::Store) {
        *lppUnk = store;
        if (lpulObjType != nullptr) {
            *lpulObjType = MAPI_STORE;
        }
        return S_OK;
    }
    // A folder or message: the store opens it; the opened object keeps the store alive.
    hr = static_cast<CMsgStoreImpl*>(store)->OpenEntryUncounted(cbEntryID, lpEntryID, lpInterface, ulFlags,
                                                                lpulObjType, lppUnk);
    store->Release();
    return hr;
}

HRESULT CSessionImpl::CompareEntryIDs(ULONG cbEntryID1, LPENTRYID lpEntryID1, ULONG cbEntryID2,
                                      LPENTRYID lpEntryID2, ULONG, ULONG* lpulResult) {
    if (lpulResult == nullptr || (cbEntryID1 > 0 && lpEntryID1 == nullptr) ||
        (cbEntryID2 > 0 && lpEntryID2 == nullptr)) {
        return MAPI_E_INVALID_PARAMETER;
    }
    *lpulResult = SameEntry(cbEntryID1, lpEntryID1, cbEntryID2, lpEntryID2) ? TRUE : FALSE;
    return S_OK;
}

HRESULT CSessionImpl::SetDefaultStore(ULONG, ULONG cbEntryID, LPENTRYID lpEntryID) {
    if (m_loggedOff) {
        return MAPI_E_END_OF_SESSION;
    }
    CProfileDb db;
    CServiceRow service;
    HRESULT hr = FindStoreService(cbEntryID, lpEntryID, db, service);
    if (FAILED(hr)) {
        return hr;
    }
    return db.SetDefaultService(m_profile, service.m_id);
}

HRESULT CSessionImpl::Logoff(ULONG_PTR, ULONG, ULONG) {
    m_loggedOff = true;
    return S_OK;
}

}  // namespace qrvmapi
