// The configuration's profile and store operations: the profile choice, the reading of the
// profile's message stores, the check of the saved stores against the profile, the default store.
#include <cstdlib>
#include <memory>
#include <new>
#include <vector>

#include "model/ConfigInfo.h"
#include "model/Helpers.h"
#include "model/KeyCopy.h"
#include "model/QuorvelDoc.h"
#include "model/StoreInfo.h"
#include "model/UiServices.h"
#include "platform/mapi/MAPIFunctions.h"
#include "platform/mapi/MAPITags.h"
#include "platform/win32/MessageBox.h"
#include "trace/Trace.h"

namespace {

// Logon flags of the profile choice: MAPI may ask for the profile password.
const ULONG LOGON_FLAGS_WITH_PASSWORD_UI =
    MAPI_NEW_SESSION | MAPI_EXPLICIT_PROFILE | MAPI_EXTENDED | MAPI_NO_MAIL | MAPI_PASSWORD_UI;

// Columns of the message-stores table, in this order.
enum { STORE_COL_ENTRYID, STORE_COL_INSTANCE_KEY, STORE_COL_DISPLAY_NAME, STORE_COL_COUNT };
SizedSPropTagArray(STORE_COL_COUNT, s_StoreColumns) = {STORE_COL_COUNT,
                                                       {PR_ENTRYID, PR_INSTANCE_KEY, PR_DISPLAY_NAME_A}};

const ULONG LOAD_BATCH_ROWS = 50;
const ULONG CHECK_BATCH_ROWS = 100;
const ULONG ADDED_GROWTH = 10;

ULONG_PTR WindowHandleOf(CWnd* pParent) {
    IUiServices* pServices = GetUiServices();
    return pServices != nullptr ? pServices->GetWindowHandle(pParent) : 0;
}

BOOL HasBinary(const SRow& row, ULONG nColumn, ULONG ulTag) {
    return row.cValues > nColumn && row.lpProps != nullptr && row.lpProps[nColumn].ulPropTag == ulTag &&
           !IsBinaryKeyEmpty(row.lpProps[nColumn].Value.bin);
}

LPCSTR DisplayNameOf(const SRow& row) {
    if (row.cValues > STORE_COL_DISPLAY_NAME &&
        row.lpProps[STORE_COL_DISPLAY_NAME].ulPropTag == PR_DISPLAY_NAME_A &&
        row.lpProps[STORE_COL_DISPLAY_NAME].Value.lpszA != nullptr)
        return row.lpProps[STORE_COL_DISPLAY_NAME].Value.lpszA;
    return "<unknown>";
}

// A store record from one row of the message-stores table, with one reference for the caller.
HRESULT MakeStoreFromRow(const SRow& row, CStoreInfo** ppStore) {
    *ppStore = nullptr;
    CStoreInfo* pStore = new (std::nothrow) CStoreInfo;
    if (pStore == nullptr)
        return E_OUTOFMEMORY;
    pStore->AddRef();
    const SBinary& entryID = row.lpProps[STORE_COL_ENTRYID].Value.bin;
    const SBinary& instanceKey = row.lpProps[STORE_COL_INSTANCE_KEY].Value.bin;
    HRESULT hr = pStore->Init(entryID.cb, entryID.lpb, instanceKey.cb, instanceKey.lpb);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "InitStoreID() failed: hr = 0x%08lx\n", hr);
        pStore->Release();
        return hr;
    }
    pStore->SetStoreName(DisplayNameOf(row));
    *ppStore = pStore;
    return S_OK;
}

// The profile's message-stores table with the store columns set. *lppTable is set as soon as
// the table is open, also when setting the columns fails: the caller releases it either way.
HRESULT OpenStoresTable(IMAPISession* lpSession, LPMAPITABLE* lppTable) {
    HRESULT hr = lpSession->GetMsgStoresTable(0, lppTable);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "GetMsgStoresTable() failed: hr = 0x%08lx\n", hr);
        return hr;
    }
    hr = (*lppTable)->SetColumns(reinterpret_cast<LPSPropTagArray>(&s_StoreColumns), 0);
    if (FAILED(hr))
        QTRACE(TRACE_ERROR, "SetColumns() failed: hr = 0x%08lx\n", hr);
    return hr;
}

// Frees the batch in *plpRows and reads the next one; a batch of no rows is the end of the table.
HRESULT QueryNextRows(LPMAPITABLE lpTable, ULONG cRows, LPSRowSet* plpRows) {
    FreeProws(*plpRows);
    *plpRows = nullptr;
    HRESULT hr = lpTable->QueryRows(cRows, 0, plpRows);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "QueryRows() failed: hr = 0x%08lx\n", hr);
        return hr;
    }
    if (*plpRows == nullptr) {
        // What was read so far may stay, but it is not the whole table: say so.
        QTRACE(TRACE_ERROR, "QueryRows() failed: returned NULL row structure!\n");
        return E_UNEXPECTED;
    }
    return S_OK;
}

// A row without the two keys names no store that could be found again: it is passed over.
BOOL IsUsableStoreRow(const SRow& row) {
    if (HasBinary(row, STORE_COL_ENTRYID, PR_ENTRYID) &&
        HasBinary(row, STORE_COL_INSTANCE_KEY, PR_INSTANCE_KEY))
        return TRUE;
    QTRACE(TRACE_WARNING, "Store row without entry id or instance key - skipping!\n");
    return FALSE;
}

}  // namespace

HRESULT CConfigInfo::OnSelectProfile(CWnd* pParent) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CConfigInfo::OnSelectProfile", hr);
    if (m_pDoc == nullptr) {
        QTRACE(TRACE_ERROR, "Document pointer not set!\n");
        return hr = E_UNEXPECTED;
    }
    IUiServices* pServices = GetUiServices();
    std::unique_ptr<IProfileChooser> chooser;
    if (pServices != nullptr)
        chooser = pServices->CreateProfileChooser(pParent);
    if (chooser == nullptr) {
        QTRACE(TRACE_ERROR, "Unable to create the profile dialog!\n");
        return hr = E_FAIL;
    }
    if (IsProfileSelected()) {
        hr = chooser->Init(&m_ProfileKey);
        if (FAILED(hr)) {
            QTRACE(TRACE_ERROR, "Init() failed: hr = 0x%08lx\n", hr);
            return hr;
        }
    }

    ClearNewFlag();
    m_bSelectingProfile = TRUE;
    if (chooser->DoModal() != IDOK) {
        m_bSelectingProfile = FALSE;
        return hr;
    }

    CUiWaitCursor wait;
    SBinary key = {0, nullptr};
    hr = chooser->GetProfileKey(&key);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "GetProfileKey() failed: hr = 0x%08lx\n", hr);
        m_bSelectingProfile = FALSE;
        return hr;
    }
    const CString strName = chooser->GetProfileName();
    const BOOL bKeyChanged =
        key.cb != m_ProfileKey.cb || (key.cb != 0 && (m_ProfileKey.lpb == nullptr || key.lpb == nullptr ||
                                                      memcmp(key.lpb, m_ProfileKey.lpb, key.cb) != 0));
    const BOOL bNameChanged = strName != m_strProfileName;
    const BOOL bHadStores = !m_Stores.empty();
    if (!bKeyChanged && !bNameChanged && bHadStores) {
        // The profile already chosen: reading its stores afresh would drop the chosen folders and
        // the store passwords. An empty list is read again: the last reading may have failed.
        FreeBinaryKey(&key);
        m_bSelectingProfile = FALSE;
        return hr;
    }

    FreeBinaryKey(&m_ProfileKey);
    m_ProfileKey = key;
    m_strProfileName = strName;
    hr = LoadStoresFromMAPI(pParent);
    if (FAILED(hr))
        QTRACE(TRACE_ERROR, "LoadStoresFromMAPI() failed: hr = 0x%08lx\n", hr);
    // The key, the name or the stores may have changed even when the reading failed: the
    // document must know, or the change would never be saved.
    if (SUCCEEDED(hr) || bKeyChanged || bNameChanged || bHadStores || !m_Stores.empty())
        MarkDocumentModified();
    m_bSelectingProfile = FALSE;
    return hr;
}

HRESULT CConfigInfo::LoadStoresFromMAPI(CWnd* pParent) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CConfigInfo::LoadStoresFromMAPI", hr);
    ClearStores();
    if (!IsProfileSelected())
        return hr;

    hr = MAPIInitialize(nullptr);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "MAPIInitialize() failed: hr = 0x%08lx\n", hr);
        return hr;
    }
    const ULONG_PTR ulUIParam = WindowHandleOf(pParent);
    LPMAPISESSION lpSession = nullptr;
    LPMAPITABLE lpTable = nullptr;
    LPSRowSet lpRows = nullptr;
    do {
        const CString strPassword = m_strProfilePassword;
        hr = MAPILogonEx(ulUIParam, m_strProfileName, m_bProfilePassword ? (LPCSTR)strPassword : nullptr,
                         LOGON_FLAGS_WITH_PASSWORD_UI, &lpSession);
        if (FAILED(hr)) {
            QTRACE(TRACE_ERROR, "MAPILogonEx() failed: hr = 0x%08lx\n", hr);
            break;
        }
        hr = OpenStoresTable(lpSession, &lpTable);
        if (FAILED(hr))
            break;
        for (;;) {
            // On a failure the stores read so far stay, but the list is not the profile's.
            hr = QueryNextRows(lpTable, LOAD_BATCH_ROWS, &lpRows);
            if (FAILED(hr) || lpRows->cRows == 0)
                break;
            for (ULONG i = 0; i < lpRows->cRows && SUCCEEDED(hr); ++i) {
                const SRow& row = lpRows->aRow[i];
                if (!IsUsableStoreRow(row))
                    continue;
                CStoreInfo* pStore = nullptr;
                hr = MakeStoreFromRow(row, &pStore);
                if (FAILED(hr)) {
                    QTRACE(TRACE_ERROR, "new() failed: Unable to create store class!\n");
                    hr = E_OUTOFMEMORY;
                    break;
                }
                if (FAILED(AppendStore(pStore))) {
                    QTRACE(TRACE_ERROR, "Failed to add store to store list!\n");
                    hr = E_OUTOFMEMORY;
                }
                pStore->Release();
            }
            if (FAILED(hr))
                break;
        }
    } while (false);

    FreeProws(lpRows);
    if (lpTable != nullptr)
        lpTable->Release();
    if (lpSession != nullptr) {
        lpSession->Logoff(ulUIParam, MAPI_LOGOFF_UI, 0);
        lpSession->Release();
    }
    MAPIUninitialize();
    return hr;
}

HRESULT CConfigInfo::IsStorePresentInInternalList(IMAPISession* lpSession, const LONG* plIndexes,
                                                  ULONG cEntries, ULONG cbKey, const BYTE* lpbKey,
                                                  BOOL* pbFound, LONG* plPosition) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CConfigInfo::IsStorePresentInInternalList", hr);
    if (pbFound == nullptr || plPosition == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid return pointer specified!\n");
        return hr = E_INVALIDARG;
    }
    *pbFound = FALSE;
    *plPosition = -1;
    if (lpSession == nullptr || (plIndexes == nullptr && cEntries > 0) || cbKey == 0 || lpbKey == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid argument specified!\n");
        return hr = E_INVALIDARG;
    }
    for (ULONG ulPos = 0; ulPos < cEntries; ++ulPos) {
        const LONG lIndex = plIndexes[ulPos];
        if (lIndex < 0 || lIndex >= (LONG)m_Stores.size() || m_Stores[lIndex] == nullptr) {
            QTRACE(TRACE_ERROR, "No store at index %ld!\n", lIndex);
            continue;
        }
        SBinary key = {0, nullptr};
        HRESULT hrStep = m_Stores[lIndex]->GetInstanceKey(&key);
        if (FAILED(hrStep)) {
            QTRACE(TRACE_ERROR, "GetInstanceKey() failed: hr = 0x%08lx\n", hrStep);
            hr = MAPI_W_ERRORS_RETURNED;
            continue;
        }
        if (IsBinaryKeyEmpty(key)) {
            // A record without an instance key can match no row of the profile.
            QTRACE(TRACE_WARNING, "Store %ld has no instance key!\n", lIndex);
            continue;
        }
        ULONG ulEqual = FALSE;
        hrStep =
            lpSession->CompareEntryIDs(key.cb, reinterpret_cast<LPENTRYID>(key.lpb), cbKey,
                                       reinterpret_cast<LPENTRYID>(const_cast<BYTE*>(lpbKey)), 0, &ulEqual);
        FreeBinaryKey(&key);
        if (FAILED(hrStep)) {
            QTRACE(TRACE_ERROR, "CompareEntryIDs() failed: hr = 0x%08lx\n", hrStep);
            // A success code still, but one that lets a caller tell "not there" from "could not
            // tell".
            hr = MAPI_W_ERRORS_RETURNED;
            continue;
        }
        if (ulEqual) {
            *pbFound = TRUE;
            *plPosition = (LONG)ulPos;
            hr = S_OK;
            break;
        }
    }
    return hr;
}

HRESULT CConfigInfo::CheckProfileStores(CWnd* pParent) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CConfigInfo::CheckProfileStores", hr);
    IUiServices* pServices = GetUiServices();
    std::unique_ptr<IStoreChangesReport> report;
    if (pServices != nullptr)
        report = pServices->CreateStoreChangesReport(pParent);
    if (m_strProfileName.IsEmpty()) {
        QTRACE(TRACE_INFO, "No profile was set. Skipping.\n");
        return hr;
    }

    struct Rename {
        LONG lIndex;
        CString strName;
    };
    std::vector<LONG> unmatched;
    std::vector<CStoreInfo*> added;  // one reference each
    std::vector<CStoreInfo*> removed;
    std::vector<Rename> renames;
    BOOL bUndecided = FALSE;
    BOOL bInitialized = FALSE;
    LPMAPISESSION lpSession = nullptr;
    LPMAPITABLE lpTable = nullptr;
    LPSRowSet lpRows = nullptr;
    do {
        try {
            unmatched.reserve(m_Stores.size());
            for (LONG i = 0; i < (LONG)m_Stores.size(); ++i)
                unmatched.push_back(i);
        } catch (const std::bad_alloc&) {
            QTRACE(TRACE_ERROR, "malloc() failed: Unable to allocate index arrays!\n");
            hr = E_OUTOFMEMORY;
            break;
        }
        hr = MAPIInitialize(nullptr);
        if (FAILED(hr)) {
            QTRACE(TRACE_ERROR, "MAPIInitialize() failed: hr = 0x%08lx\n", hr);
            break;
        }
        bInitialized = TRUE;
        hr = RetrieveSession(this, &lpSession);
        if (FAILED(hr)) {
            QTRACE(TRACE_ERROR, "RetrieveSession() failed: hr = 0x%08lx\n", hr);
            break;
        }
        hr = OpenStoresTable(lpSession, &lpTable);
        if (FAILED(hr))
            break;

        for (;;) {
            hr = QueryNextRows(lpTable, CHECK_BATCH_ROWS, &lpRows);
            if (FAILED(hr) || lpRows->cRows == 0)
                break;
            for (ULONG r = 0; r < lpRows->cRows && !bUndecided; ++r) {
                const SRow& row = lpRows->aRow[r];
                if (!IsUsableStoreRow(row))
                    continue;
                BOOL bFound = FALSE;
                LONG lPosition = -1;
                if (!unmatched.empty()) {
                    const SBinary& instanceKey = row.lpProps[STORE_COL_INSTANCE_KEY].Value.bin;
                    const HRESULT hrFind =
                        IsStorePresentInInternalList(lpSession, unmatched.data(), (ULONG)unmatched.size(),
                                                     instanceKey.cb, instanceKey.lpb, &bFound, &lPosition);
                    if (FAILED(hrFind) || (hrFind == MAPI_W_ERRORS_RETURNED && !bFound)) {
                        // A store that could not be compared might be one of ours: deciding now
                        // could drop its chosen folders. Leave everything as it is this time.
                        QTRACE(TRACE_ERROR, "IsStorePresentInInternalList() failed: hr = 0x%08lx\n", hrFind);
                        bUndecided = TRUE;
                        break;
                    }
                }
                if (bFound) {
                    const LONG lIndex = unmatched[lPosition];
                    if (row.lpProps[STORE_COL_DISPLAY_NAME].ulPropTag == PR_DISPLAY_NAME_A &&
                        row.lpProps[STORE_COL_DISPLAY_NAME].Value.lpszA != nullptr) {
                        try {
                            renames.push_back({lIndex, row.lpProps[STORE_COL_DISPLAY_NAME].Value.lpszA});
                        } catch (const std::bad_alloc&) {
                            QTRACE(TRACE_WARNING, "Unable to keep the new store name!\n");
                        }
                    }
                    unmatched.erase(unmatched.begin() + lPosition);
                    continue;
                }
                CStoreInfo* pStore = nullptr;
                if (FAILED(MakeStoreFromRow(row, &pStore))) {
                    QTRACE(TRACE_ERROR, "new() failed: Unable to create store class!\n");
                    continue;
                }
                try {
                    if (added.size() == added.capacity())
                        added.reserve(added.size() + ADDED_GROWTH);
                    added.push_back(pStore);
                } catch (const std::bad_alloc&) {
                    // Left out of this check; the next check finds it again.
                    QTRACE(TRACE_ERROR, "malloc() failed: Unable to grow added array!\n");
                    pStore->Release();
                }
            }
            if (bUndecided)
                break;
        }
        if (FAILED(hr) || bUndecided)
            break;

        try {
            removed.reserve(unmatched.size());
        } catch (const std::bad_alloc&) {
            QTRACE(TRACE_ERROR, "malloc() failed: Unable to allocate index arrays!\n");
            hr = E_OUTOFMEMORY;
            break;
        }
        for (LONG lIndex : unmatched) {
            m_Stores[lIndex]->AddRef();
            removed.push_back(m_Stores[lIndex]);
        }

        const BOOL bChanged = !added.empty() || !removed.empty();
        if (bChanged && report != nullptr) {
            hr = report->Init(added.data(), (ULONG)added.size(), removed.data(), (ULONG)removed.size());
            if (FAILED(hr)) {
                QTRACE(TRACE_ERROR, "Failed to Init Dialog: hr = 0x%08lx\n", hr);
                break;
            }
            report->DoModal();
        }

        for (const Rename& rename : renames)
            m_Stores[rename.lIndex]->SetStoreName(rename.strName);
        // From the highest index down, so that the lower ones stay valid.
        for (auto it = unmatched.rbegin(); it != unmatched.rend(); ++it) {
            m_Stores[*it]->Release();
            m_Stores.erase(m_Stores.begin() + *it);
        }
        for (CStoreInfo* pStore : added) {
            if (FAILED(AppendStore(pStore)))
                QTRACE(TRACE_ERROR, "Failed to add store to store list!\n");
        }
        if (bChanged) {
            OnStoresChanged();
            MarkDocumentModified();
        }
    } while (false);

    if (bUndecided) {
        QTRACE(TRACE_WARNING, "Store check undecided: nothing was changed.\n");
        hr = MAPI_W_ERRORS_RETURNED;
    }
    for (CStoreInfo* pStore : added)
        pStore->Release();
    for (CStoreInfo* pStore : removed)
        pStore->Release();
    if (lpSession != nullptr) {
        lpSession->Logoff(0, 0, 0);
        lpSession->Release();
    }
    if (lpTable != nullptr)
        lpTable->Release();
    FreeProws(lpRows);
    if (bInitialized)
        MAPIUninitialize();
    return hr;
}

HRESULT CConfigInfo::GetDefaultStoreIndex(LONG* plIndex) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CConfigInfo::GetDefaultStoreIndex", hr);
    if (plIndex == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid return pointer specified!\n");
        return hr = E_INVALIDARG;
    }
    SizedSPropTagArray(2, columns) = {2, {PR_DEFAULT_STORE, PR_ENTRYID}};
    SPropValue value = {};
    value.ulPropTag = PR_DEFAULT_STORE;
    value.Value.b = TRUE;
    SRestriction restriction = {};
    restriction.rt = RES_PROPERTY;
    restriction.res.resProperty.relop = RELOP_EQ;
    restriction.res.resProperty.ulPropTag = PR_DEFAULT_STORE;
    restriction.res.resProperty.lpProp = &value;

    BOOL bInitialized = FALSE;
    LPMAPISESSION lpSession = nullptr;
    LPMAPITABLE lpTable = nullptr;
    LPSRowSet lpRows = nullptr;
    SBinary key = {0, nullptr};
    do {
        hr = MAPIInitialize(nullptr);
        if (FAILED(hr)) {
            QTRACE(TRACE_ERROR, "MAPIInitialize() failed: hr = 0x%08lx\n", hr);
            break;
        }
        bInitialized = TRUE;
        hr = RetrieveSession(this, &lpSession);
        if (FAILED(hr)) {
            QTRACE(TRACE_ERROR, "RetrieveSession() failed: hr = 0x%08lx\n", hr);
            break;
        }
        hr = lpSession->GetMsgStoresTable(0, &lpTable);
        if (FAILED(hr)) {
            QTRACE(TRACE_ERROR, "GetMsgStoresTable() failed: hr = 0x%08lx\n", hr);
            break;
        }
        hr = lpTable->SetColumns(reinterpret_cast<LPSPropTagArray>(&columns), 0);
        if (FAILED(hr)) {
            QTRACE(TRACE_ERROR, "SetColumns() failed: hr = 0x%08lx\n", hr);
            break;
        }
        hr = lpTable->Restrict(&restriction, 0);
        if (FAILED(hr)) {
            QTRACE(TRACE_ERROR, "Restrict() failed: hr = 0x%08lx\n", hr);
            break;
        }
        hr = lpTable->QueryRows(2, 0, &lpRows);
        if (FAILED(hr)) {
            QTRACE(TRACE_ERROR, "QueryRows() failed: hr = 0x%08lx\n", hr);
            break;
        }
        if (lpRows == nullptr) {
            QTRACE(TRACE_ERROR, "QueryRows() failed: returned NULL row structure!\n");
            hr = E_FAIL;
            break;
        }
        if (lpRows->cRows != 1) {
            QTRACE(TRACE_ERROR, "QueryRows() returned %ld rows. Expected exactly 1!\n", lpRows->cRows);
            hr = E_UNEXPECTED;
            break;
        }
        const SRow& row = lpRows->aRow[0];
        if (row.cValues < 2 || row.lpProps[1].ulPropTag != PR_ENTRYID) {
            QTRACE(TRACE_ERROR, "Default store row carries no entry id!\n");
            hr = E_UNEXPECTED;
            break;
        }
        const SBinary& entryID = row.lpProps[1].Value.bin;
        for (LONG i = 0; i < (LONG)m_Stores.size(); ++i) {
            if (m_Stores[i] == nullptr)
                continue;
            FreeBinaryKey(&key);
            HRESULT hrStep = m_Stores[i]->GetStoreKey(&key);
            if (FAILED(hrStep)) {
                QTRACE(TRACE_ERROR, "GetStoreKey() failed: hr = 0x%08lx\n", hrStep);
                continue;
            }
            ULONG ulEqual = FALSE;
            hrStep = lpSession->CompareEntryIDs(key.cb, reinterpret_cast<LPENTRYID>(key.lpb), entryID.cb,
                                                reinterpret_cast<LPENTRYID>(entryID.lpb), 0, &ulEqual);
            if (FAILED(hrStep)) {
                QTRACE(TRACE_ERROR, "CompareEntryIDs() failed: hr = 0x%08lx\n", hrStep);
                continue;
            }
            if (ulEqual) {
                *plIndex = i;
                break;
            }
        }
    } while (false);

    if (lpTable != nullptr)
        lpTable->Release();
    FreeProws(lpRows);
    if (lpSession != nullptr) {
        lpSession->Logoff(0, 0, 0);
        lpSession->Release();
    }
    FreeBinaryKey(&key);
    if (bInitialized)
        MAPIUninitialize();
    return hr;
}
