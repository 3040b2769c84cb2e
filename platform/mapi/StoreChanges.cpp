// The change mark of an opened store: SQLite's data version of the store's connection.
#include "platform/mapi/StoreChanges.h"

#include "platform/mapi/MAPICodes.h"
#include "platform/mapi/MsgStore.h"
#include "platform/mapi/StoreDb.h"

HRESULT HrGetStoreChangeMark(LPMDB lpMDB, ULONGLONG* lpullMark) {
    if (lpullMark == nullptr) {
        return MAPI_E_INVALID_PARAMETER;
    }
    *lpullMark = 0;
    auto* store = dynamic_cast<qrvmapi::CMsgStoreImpl*>(lpMDB);
    if (store == nullptr) {
        return MAPI_E_INVALID_PARAMETER;
    }
    LONGLONG version = 0;
    HRESULT hr = store->Store()->Db().DataVersion(version);
    if (SUCCEEDED(hr)) {
        *lpullMark = static_cast<ULONGLONG>(version);
    }
    return hr;
}

HRESULT HrBeginStoreSnapshot(LPMDB lpMDB) {
    auto* store = dynamic_cast<qrvmapi::CMsgStoreImpl*>(lpMDB);
    if (store == nullptr) {
        return MAPI_E_INVALID_PARAMETER;
    }
    qrvmapi::CSqliteDb& db = store->Store()->Db();
    db.Lock().lock();  // held until the snapshot ends: nobody else may use the connection meanwhile
    // A deferred BEGIN: the snapshot is the state of the file at the first read, and nothing is
    // locked for writing.
    HRESULT hr = db.Depth() == 0 ? db.Exec("BEGIN") : MAPI_E_CALL_FAILED;
    if (FAILED(hr)) {
        db.Lock().unlock();
    }
    return hr;
}

HRESULT HrEndStoreSnapshot(LPMDB lpMDB) {
    auto* store = dynamic_cast<qrvmapi::CMsgStoreImpl*>(lpMDB);
    if (store == nullptr) {
        return MAPI_E_INVALID_PARAMETER;
    }
    qrvmapi::CSqliteDb& db = store->Store()->Db();
    // Nothing was written: the end only lets the snapshot go.
    HRESULT hr = db.Exec("COMMIT");
    if (FAILED(hr)) {
        db.Exec("ROLLBACK");
    }
    db.Lock().unlock();
    return hr;
}
