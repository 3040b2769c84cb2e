// RetrieveSession and OpenStore, with the password retry through service administration.
#include "model/Session.h"

#include <cstdlib>

#include "model/ConfigInfo.h"
#include "model/StoreInfo.h"
#include "platform/afx/CException.h"
#include "platform/mapi/MAPIFunctions.h"
#include "trace/Trace.h"

HRESULT RetrieveSession(CConfigInfo* pConfig, IMAPISession** lppSession) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("RetrieveSession", hr);
    if (lppSession == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid session pointer specified!\n");
        return hr = E_INVALIDARG;
    }
    *lppSession = nullptr;
    if (pConfig == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid configuration object specified!\n");
        return hr = E_INVALIDARG;
    }
    CString strProfile = pConfig->GetProfileName();
    CString strPassword = pConfig->HasProfilePassword() ? pConfig->GetProfilePassword() : CString();
    try {
        hr = MAPILogonEx(0, strProfile, strPassword, QRV_LOGON_FLAGS, lppSession);
    } catch (CException* e) {
        QTRACE(TRACE_ERROR, "Exception caught in MAPILogonEx!\n");
        e->Delete();
        *lppSession = nullptr;
        return hr = E_FAIL;
    }
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "MAPILogonEx() failed: hr = 0x%08lx\n", hr);
        *lppSession = nullptr;
    }
    return hr;
}

namespace {

// Everything the password retry holds, given back on every path.
struct CPasswordRetry {
    SBinary instanceKey{0, nullptr};
    LPPROFADMIN lpProfAdmin = nullptr;
    LPSERVICEADMIN lpServiceAdmin = nullptr;
    LPMAPITABLE lpTable = nullptr;
    LPSRowSet lpRows = nullptr;

    ~CPasswordRetry() {
        free(instanceKey.lpb);
        if (lpServiceAdmin != nullptr) {
            lpServiceAdmin->Release();
        }
        FreeProws(lpRows);
        if (lpTable != nullptr) {
            lpTable->Release();
        }
        if (lpProfAdmin != nullptr) {
            lpProfAdmin->Release();
        }
    }
};

HRESULT OpenByEntryID(IMAPISession* lpSession, const SBinary& storeKey, BOOL bModify, IMsgStore** lppMDB) {
    ULONG ulObjType = 0;
    ULONG ulFlags = MAPI_BEST_ACCESS | (bModify ? MAPI_MODIFY : 0);
    return lpSession->OpenEntry(storeKey.cb, reinterpret_cast<LPENTRYID>(storeKey.lpb), nullptr, ulFlags,
                                &ulObjType, reinterpret_cast<LPUNKNOWN*>(lppMDB));
}

HRESULT ConfigureRemember(LPSERVICEADMIN lpServiceAdmin, LPMAPIUID lpUID, const CString& strPassword,
                          BOOL bRemember) {
    SPropValue props[2]{};
    props[0].ulPropTag = PR_PST_PW_SZ_OLD;
    props[0].Value.lpszA = const_cast<LPSTR>(strPassword.GetString());
    props[1].ulPropTag = PR_PST_REMEMBER_PW;
    props[1].Value.b = bRemember ? 1 : 0;
    return lpServiceAdmin->ConfigureMsgService(lpUID, 0, 0, 2, props);
}

}  // namespace

HRESULT OpenStore(CConfigInfo* pConfig, IMAPISession* lpSession, CStoreInfo* pStore, IMsgStore** lppMDB,
                  BOOL bModify) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("OpenStore", hr);
    if (pConfig == nullptr) {
        QTRACE(TRACE_ERROR, "No configuration has been set!\n");
        return hr = E_UNEXPECTED;
    }
    if (pStore == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid StoreInfo specified!\n");
        return hr = E_INVALIDARG;
    }
    if (lppMDB == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid store pointer specified!\n");
        return hr = E_INVALIDARG;
    }
    *lppMDB = nullptr;
    if (lpSession == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid session specified!\n");
        return hr = E_INVALIDARG;
    }

    SBinary storeKey{0, nullptr};
    hr = pStore->GetStoreKey(&storeKey);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "GetStoreKey() failed: hr = 0x%08lx\n", hr);
        return hr;
    }
    hr = OpenByEntryID(lpSession, storeKey, bModify, lppMDB);
    if (SUCCEEDED(hr)) {
        free(storeKey.lpb);
        return hr = S_OK;
    }
    *lppMDB = nullptr;
    if (hr != MAPI_E_FAILONEPROVIDER) {
        free(storeKey.lpb);
        return hr;
    }
    if (!pStore->IsPasswordProtected()) {
        QTRACE(TRACE_ERROR, "Password protetced store, but no password specified!\n");
        free(storeKey.lpb);
        return hr;
    }

    CPasswordRetry retry;
    CString strProfile = pConfig->GetProfileName();
    const BOOL bProfilePassword = pConfig->HasProfilePassword();
    CString strProfilePassword = bProfilePassword ? pConfig->GetProfilePassword() : CString();
    CString strStorePassword = pStore->GetPassword();

    hr = pStore->GetInstanceKey(&retry.instanceKey);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "GetInstanceKey() failed: hr = 0x%08lx\n", hr);
    }
    if (SUCCEEDED(hr)) {
        hr = MAPIAdminProfiles(0, &retry.lpProfAdmin);
        if (FAILED(hr)) {
            QTRACE(TRACE_ERROR, "MAPIAdminProfiles() failed: hr = 0x%08lx\n", hr);
        }
    }
    if (SUCCEEDED(hr)) {
        hr = retry.lpProfAdmin->AdminServices(strProfile,
                                              bProfilePassword ? strProfilePassword.GetString() : nullptr, 0,
                                              0, &retry.lpServiceAdmin);
        if (FAILED(hr)) {
            QTRACE(TRACE_ERROR, "AdminServices() failed: hr = 0x%08lx\n", hr);
        }
    }
    if (SUCCEEDED(hr)) {
        hr = retry.lpServiceAdmin->GetProviderTable(0, &retry.lpTable);
        if (FAILED(hr)) {
            QTRACE(TRACE_ERROR, "GetProviderTable() failed: hr = 0x%08lx\n", hr);
        }
    }
    if (SUCCEEDED(hr)) {
        SizedSPropTagArray(2, columns) = {2, {PR_INSTANCE_KEY, PR_SERVICE_UID}};
        hr = retry.lpTable->SetColumns(reinterpret_cast<LPSPropTagArray>(&columns), 0);
        if (FAILED(hr)) {
            QTRACE(TRACE_ERROR, "SetColumns() failed: hr = 0x%08lx\n", hr);
        }
    }
    if (SUCCEEDED(hr)) {
        SPropValue keyValue{};
        keyValue.ulPropTag = PR_INSTANCE_KEY;
        keyValue.Value.bin = retry.instanceKey;
        SRestriction restriction{};
        restriction.rt = RES_PROPERTY;
        restriction.res.resProperty.relop = RELOP_EQ;
        restriction.res.resProperty.ulPropTag = PR_INSTANCE_KEY;
        restriction.res.resProperty.lpProp = &keyValue;
        hr = retry.lpTable->Restrict(&restriction, 0);
        if (FAILED(hr)) {
            QTRACE(TRACE_ERROR, "Restrict() failed: hr 0 0x%08lx\n", hr);
        }
    }
    if (SUCCEEDED(hr)) {
        hr = retry.lpTable->QueryRows(2, 0, &retry.lpRows);
        if (FAILED(hr)) {
            QTRACE(TRACE_ERROR, "QueryRows() failed: hr = 0x%08lx\n", hr);
        } else if (retry.lpRows == nullptr) {
            QTRACE(TRACE_ERROR, "QueryRows() returned row set of NULL!\n");
            hr = E_FAIL;
        } else if (retry.lpRows->cRows != 1) {
            QTRACE(TRACE_ERROR, "QueryRows() returned %ld rows. Expected exactly 1!\n", retry.lpRows->cRows);
            hr = E_FAIL;
        } else if (retry.lpRows->aRow[0].cValues < 2 || retry.lpRows->aRow[0].lpProps == nullptr) {
            // The service id is read from the second column: a shorter row cannot name the service.
            QTRACE(TRACE_ERROR, "Failed to get service UID! (property returned: 0x%08lx)\n", (ULONG)0);
            hr = E_FAIL;
        } else if (retry.lpRows->aRow[0].lpProps[1].ulPropTag != PR_SERVICE_UID) {
            QTRACE(TRACE_ERROR, "Failed to get service UID! (property returned: 0x%08lx)\n",
                   retry.lpRows->aRow[0].lpProps[1].ulPropTag);
            hr = E_FAIL;
        } else if (retry.lpRows->aRow[0].lpProps[1].Value.bin.cb != sizeof(MAPIUID) ||
                   retry.lpRows->aRow[0].lpProps[1].Value.bin.lpb == nullptr) {
            // A service id is 16 bytes; anything else would be read past its end.
            QTRACE(TRACE_ERROR, "Failed to get service UID! (property returned: 0x%08lx)\n",
                   retry.lpRows->aRow[0].lpProps[1].ulPropTag);
            hr = E_FAIL;
        }
    }
    if (FAILED(hr)) {
        free(storeKey.lpb);
        return hr;
    }

    LPMAPIUID lpServiceUID = reinterpret_cast<LPMAPIUID>(retry.lpRows->aRow[0].lpProps[1].Value.bin.lpb);
    hr = ConfigureRemember(retry.lpServiceAdmin, lpServiceUID, strStorePassword, TRUE);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "ConfigureMsgService() failed: hr = 0x%08lx\n", hr);
        free(storeKey.lpb);
        return hr;
    }
    hr = OpenByEntryID(lpSession, storeKey, bModify, lppMDB);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "OpenEntry() failed: hr = 0x%08lx\n", hr);
        *lppMDB = nullptr;
    } else {
        hr = S_OK;
    }
    // The password must not stay in the profile, whatever the second open answered.
    HRESULT hrReset = ConfigureRemember(retry.lpServiceAdmin, lpServiceUID, strStorePassword, FALSE);
    if (FAILED(hrReset)) {
        QTRACE(TRACE_ERROR, "ConfigureMsgService() failed (2): hr = 0x%08lx\n", hrReset);
    }
    free(storeKey.lpb);
    return hr;
}
