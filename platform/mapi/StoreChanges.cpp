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
