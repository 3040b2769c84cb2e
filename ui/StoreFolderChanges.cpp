// Adding folders (through the folder picker, with their sub-folders) and removing them.
#include <strings.h>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "model/ConfigInfo.h"
#include "model/ErrorBoxes.h"
#include "model/ObjectMap.h"
#include "model/QuorvelDoc.h"
#include "model/Session.h"
#include "model/StoreInfo.h"
#include "platform/afx/wnd/BusyPeriod.h"
#include "platform/afx/wnd/WaitCursor.h"
#include "platform/mapi/MAPIFunctions.h"
#include "platform/mapi/MAPITags.h"
#include "platform/win32/WinTypes.h"
#include "trace/Trace.h"
#include "ui/SelectMAPIFolderDlg.h"
#include "ui/StoreFolderSelection.h"
#include "ui/StoreOpenErrorBox.h"

namespace {
// Hierarchy tables of the sub-folder walk are read in batches of this many rows.
const LONG kRowBatch = 100;
}  // namespace

void CStoreFolderSelection::OnAddFolder() {
    TRACE_FUNC_VOID("CStoreFolderSelection::OnAddFolder");
    CConfigInfo* pConfig = m_pPage->GetPageConfiguration();
    CListBox* pStores = m_pPage->GetStoreList();
    if (pConfig == nullptr) {
        QTRACE(TRACE_ERROR, "No configuration info object!\n");
        return;
    }
    if (pConfig->GetDocument() == nullptr) {
        QTRACE(TRACE_ERROR, "Document pointer not set!\n");
        return;
    }
    int nSel = pStores != nullptr ? pStores->GetCurSel() : LB_ERR;
    if (nSel < 0) {
        QTRACE(TRACE_INFO, "Clicked ADD without store being selected.\n");
        return;
    }
    if (!m_pPage->ConfirmDiscardResults())
        return;

    auto* pWait = new CWaitCursor;
    CWnd* pWnd = m_pPage->GetPageWindow();
    CStoreInfo* pStore = pConfig->GetStore((int)pStores->GetItemData(nSel));
    CObjectMap known;
    SBinary storeKey{0, nullptr};
    SBinary folderKey{0, nullptr};
    LPMAPISESSION lpSession = nullptr;
    LPMDB lpMDB = nullptr;
    BOOL bInitialized = FALSE;
    HRESULT hr = S_OK;
    do {
        if (pStore == nullptr) {
            QTRACE(TRACE_ERROR, "GetStore() failed!\n");
            break;
        }
        hr = pStore->GetStoreKey(&storeKey);
        if (FAILED(hr)) {
            QTRACE(TRACE_ERROR, "GetStoreKey() failed: hr = 0x%08lx\n", (ULONG)hr);
            break;
        }
        if (storeKey.cb == 0 || storeKey.lpb == nullptr) {
            QTRACE(TRACE_ERROR, "Failure: No binary store key available!\n");
            break;
        }
        hr = pStore->BuildObjectMap(&known);
        if (FAILED(hr)) {
            QTRACE(TRACE_ERROR, "BuildObjectMap() failed: hr = 0x%08lx\n", (ULONG)hr);
            break;
        }
        hr = MAPIInitialize(nullptr);
        if (FAILED(hr)) {
            QTRACE(TRACE_ERROR, "MAPIInitialize() failed: hr = 0x%08lx\n", (ULONG)hr);
            break;
        }
        bInitialized = TRUE;
        hr = RetrieveSession(pConfig, &lpSession);
        if (FAILED(hr)) {
            QTRACE(TRACE_ERROR, "RetrieveSession() failed: hr = 0x%08lx\n", (ULONG)hr);
            lpSession = nullptr;
            ShowErrorWithArgs(
                pWnd, "Error",
                "Failed to open MAPI session (Error code 0x%1!08lx!). May be caused by a wrong profile "
                "password.",
                150, 151, (ULONG)hr);
            break;
        }
        hr = OpenStore(pConfig, lpSession, pStore, &lpMDB, FALSE);
        if (FAILED(hr)) {
            QTRACE(TRACE_ERROR, "OpenStore() failed: hr = 0x%08lx\n", (ULONG)hr);
            lpMDB = nullptr;
            ShowStoreOpenError(pWnd, pStore, hr);
            break;
        }
        LPCSTR pszFilter = nullptr;
        if (!GetFolderClassFilter(pConfig->GetConfigType(), &pszFilter)) {
            QTRACE(TRACE_ERROR, "Failure: Invalid configuartion Type %d\n", (int)pConfig->GetConfigType());
            break;
        }
        CSelectMAPIFolderDlg dlg(pWnd);
        hr = dlg.Init(lpMDB, pszFilter);
        if (FAILED(hr)) {
            QTRACE(TRACE_ERROR, "dlg.Init() failed: hr = 0x%08lx\n", (ULONG)hr);
            ShowError(pWnd, "Failed to create dialog!", "The folder selection dialog initialisation failed.",
                      128, 129);
            break;
        }
        // The user chooses without the wait cursor; it comes back once the picker has closed.
        delete pWait;
        pWait = nullptr;
        INT_PTR nResult = dlg.DoModal();
        pWait = new CWaitCursor;
        if (nResult != IDOK)
            break;
        // Taking in the folders, with thousands of sub-folders, and listing them again is work the
        // user waits for.
        CBusyScope busy(m_pBusy);
        hr = dlg.GetSelectedFolderKey(&folderKey);
        if (FAILED(hr)) {
            QTRACE(TRACE_ERROR, "GetSelectedFolderKey() failed: hr = 0x%08lx\n", (ULONG)hr);
            ShowError(pWnd, hr);
            break;
        }
        BOOL bPresent = TRUE;
        HRESULT hrPresent = known.IsObjectPresent(folderKey.cb, folderKey.lpb, &bPresent);
        if (FAILED(hrPresent)) {
            QTRACE(TRACE_ERROR, "IsObjectPresent() failed: hr = 0x%08lx\n", (ULONG)hrPresent);
            QTRACE(TRACE_ERROR, "Ignore error, but will not insert folder!\n");
            bPresent = TRUE;
        }
        if (!bPresent) {
            hr = pStore->AddFolder(pConfig->GetConfigType(), lpMDB, folderKey.cb, folderKey.lpb);
            if (FAILED(hr)) {
                QTRACE(TRACE_ERROR, "pStoreInfo->AddFolder() failed: hr = 0x%08lx\n", (ULONG)hr);
                ShowError(pWnd, hr);
                break;
            }
        }
        if (dlg.GetCheckState()) {
            HRESULT hrSub = InsertSubFolders(&known, lpSession, lpMDB, pStore, folderKey.cb, folderKey.lpb);
            if (FAILED(hrSub)) {
                QTRACE(TRACE_ERROR, "InsertSubFolders() failed: hr = 0x%08lx\n", (ULONG)hrSub);
                QTRACE(TRACE_ERROR, "Continuing...\n");
            }
        }
        OnSelchangeStoreList();
        pConfig->NotifyConfigChange(nullptr);
        delete pWait;
        pWait = nullptr;
        MarkDocumentModified(pConfig);
        m_pPage->EnableDialog();
    } while (false);

    if (pStore != nullptr)
        pStore->Release();
    if (lpMDB != nullptr)
        lpMDB->Release();
    if (lpSession != nullptr) {
        lpSession->Logoff(0, 0, 0);
        lpSession->Release();
    }
    std::free(storeKey.lpb);
    std::free(folderKey.lpb);
    if (bInitialized)
        MAPIUninitialize();
    delete pWait;
}

HRESULT CStoreFolderSelection::InsertSubFolders(CObjectMap* pKnown, LPMAPISESSION lpSession, LPMDB lpMDB,
                                                CStoreInfo* pStore, ULONG cbEntryID, LPBYTE lpbEntryID) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CStoreFolderSelection::InsertSubFolders", hr);
    const struct {
        bool bMissing;
        LPCSTR pszTrace;
    } checks[] = {{pKnown == nullptr, "Failure: Invalid map pointer specified!\n"},
                  {lpSession == nullptr, "Failure: Invalid session specified!\n"},
                  {lpMDB == nullptr, "Failure: Invalid store specified!\n"},
                  {pStore == nullptr, "Failure: Invalid store info specified!\n"},
                  {cbEntryID == 0, "Failure: Invalid folder key (count) specified!\n"},
                  {lpbEntryID == nullptr, "Failure: Invalid folder key (data) specified!\n"}};
    for (const auto& check : checks) {
        if (check.bMissing) {
            QTRACE(TRACE_ERROR, check.pszTrace);
            hr = E_INVALIDARG;
            return hr;
        }
    }
    // Depth first, every folder before the folders below it, with the folders still to be taken
    // on a list (the next one last) rather than in a call per level: a store may nest folders
    // tens of thousands of levels deep. A damaged store may hold a cycle of folders; a folder is
    // taken once at most, so the walk always ends.
    std::string first(reinterpret_cast<const char*>(lpbEntryID), cbEntryID);
    std::set<std::string> met = {first};
    // The folders above the chosen one are no sub-folders of it, also where a damaged store makes
    // one of them a child of a folder below.
    MarkAncestors(lpMDB, first, met);
    std::vector<std::string> pending = {std::move(first)};
    std::vector<std::string> children;
    for (bool bChosen = true; !pending.empty(); bChosen = false) {
        if (m_pBusy != nullptr && m_pBusy->IsTurnDue())
            m_pBusy->PaintNow(false);
        const std::string folder = std::move(pending.back());
        pending.pop_back();
        auto* lpbFolder = reinterpret_cast<LPBYTE>(const_cast<char*>(folder.data()));
        hr = DoInsertFolder((ULONG)folder.size(), lpbFolder, pKnown, lpMDB, pStore);
        if (FAILED(hr)) {
            QTRACE(TRACE_ERROR, "DoInsertFolder() failed: hr = 0x%08lx\n", (ULONG)hr);
            if (!bChosen)
                QTRACE(TRACE_ERROR, "InsertSubFolders() failed: hr = 0x%08lx\n", (ULONG)hr);
            return hr;
        }
        hr = ListSubFolders(lpMDB, (ULONG)folder.size(), lpbFolder, children);
        if (FAILED(hr)) {
            if (!bChosen)
                QTRACE(TRACE_ERROR, "InsertSubFolders() failed: hr = 0x%08lx\n", (ULONG)hr);
            return hr;
        }
        for (auto child = children.rbegin(); child != children.rend(); ++child) {
            if (!met.insert(*child).second) {
                QTRACE(TRACE_WARNING, "Folder met a second time: the folders form a cycle!\n");
                continue;
            }
            pending.push_back(std::move(*child));
        }
    }
    return hr;
}

void CStoreFolderSelection::MarkAncestors(LPMDB lpMDB, const std::string& folder,
                                          std::set<std::string>& met) {
    std::string current = folder;
    for (;;) {
        ULONG ulType = 0;
        LPMAPIFOLDER lpFolder = nullptr;
        auto* lpID = reinterpret_cast<LPENTRYID>(const_cast<char*>(current.data()));
        if (FAILED(lpMDB->OpenEntry((ULONG)current.size(), lpID, nullptr, 0, &ulType,
                                    reinterpret_cast<LPUNKNOWN*>(&lpFolder))))
            return;
        SizedSPropTagArray(1, tags) = {1, {PR_PARENT_ENTRYID}};
        ULONG cValues = 0;
        LPSPropValue lpValues = nullptr;
        HRESULT hr = lpFolder->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), 0, &cValues, &lpValues);
        lpFolder->Release();
        const bool bParent = SUCCEEDED(hr) && ulType == MAPI_FOLDER && cValues == 1 && lpValues != nullptr &&
                             lpValues[0].ulPropTag == PR_PARENT_ENTRYID && lpValues[0].Value.bin.cb > 0;
        if (bParent)
            current.assign(reinterpret_cast<const char*>(lpValues[0].Value.bin.lpb),
                           lpValues[0].Value.bin.cb);
        MAPIFreeBuffer(lpValues);
        // The climb ends at the root, which is its own parent, or at a folder already met.
        if (!bParent || !met.insert(current).second)
            return;
    }
}

HRESULT CStoreFolderSelection::ListSubFolders(LPMDB lpMDB, ULONG cbEntryID, LPBYTE lpbEntryID,
                                              std::vector<std::string>& children) {
    children.clear();
    ULONG ulType = 0;
    LPMAPIFOLDER lpFolder = nullptr;
    HRESULT hr = lpMDB->OpenEntry(cbEntryID, reinterpret_cast<LPENTRYID>(lpbEntryID), nullptr,
                                  MAPI_BEST_ACCESS, &ulType, reinterpret_cast<LPUNKNOWN*>(&lpFolder));
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "OpenEntry() failed: hr = 0x%08lx\n", (ULONG)hr);
        return hr;
    }
    if (ulType != MAPI_FOLDER) {
        QTRACE(TRACE_ERROR, "Invalid object type!\n");
        lpFolder->Release();
        return E_UNEXPECTED;
    }
    LPMAPITABLE lpTable = nullptr;
    LPSRowSet lpRows = nullptr;
    SizedSPropTagArray(1, columns) = {1, {PR_ENTRYID}};
    do {
        hr = lpFolder->GetHierarchyTable(0, &lpTable);
        if (FAILED(hr)) {
            QTRACE(TRACE_ERROR, "GetHierarchyTable() failed: hr = 0x%08lx\n", (ULONG)hr);
            lpTable = nullptr;
            break;
        }
        hr = lpTable->SetColumns(reinterpret_cast<LPSPropTagArray>(&columns), 0);
        if (FAILED(hr)) {
            QTRACE(TRACE_ERROR, "SetColumns() failed: hr = 0x%08lx\n", (ULONG)hr);
            break;
        }
        for (;;) {
            FreeProws(lpRows);
            lpRows = nullptr;
            hr = lpTable->QueryRows(kRowBatch, 0, &lpRows);
            if (FAILED(hr)) {
                QTRACE(TRACE_ERROR, "QueryRows() failed: hr = 0x%08lx\n", (ULONG)hr);
                break;
            }
            if (lpRows == nullptr) {
                QTRACE(TRACE_ERROR, "QueryRows() failed: pRopws == NULL\n");
                break;
            }
            if (lpRows->cRows == 0)
                break;
            for (ULONG r = 0; r < lpRows->cRows; ++r) {
                const SRow& row = lpRows->aRow[r];
                if (row.cValues < 1 || row.lpProps[0].ulPropTag != PR_ENTRYID)
                    continue;
                const SBinary& id = row.lpProps[0].Value.bin;
                children.emplace_back(reinterpret_cast<const char*>(id.lpb), id.cb);
            }
        }
    } while (false);
    FreeProws(lpRows);
    if (lpTable != nullptr)
        lpTable->Release();
    lpFolder->Release();
    return hr;
}

HRESULT CStoreFolderSelection::IsReceiveFolder(LPMDB lpMDB, ULONG cbEntryID, LPBYTE lpbEntryID,
                                               BOOL* pbReceive) {
    *pbReceive = FALSE;
    ULONG cbInbox = 0;
    LPENTRYID lpInbox = nullptr;
    HRESULT hr = lpMDB->GetReceiveFolder(nullptr, 0, &cbInbox, &lpInbox, nullptr);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "GetReceiveFolder() failed: hr = 0x%08lx\n", (ULONG)hr);
        return hr;
    }
    ULONG ulResult = FALSE;
    hr = lpMDB->CompareEntryIDs(cbInbox, lpInbox, cbEntryID, reinterpret_cast<LPENTRYID>(lpbEntryID), 0,
                                &ulResult);
    MAPIFreeBuffer(lpInbox);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "CompareEntryIDs() failed: hr = 0x%08lx\n", (ULONG)hr);
        return hr;
    }
    *pbReceive = ulResult != FALSE;
    return hr;
}

HRESULT CStoreFolderSelection::DoInsertFolder(ULONG cbEntryID, LPBYTE lpbEntryID, CObjectMap* pKnown,
                                              LPMDB lpMDB, CStoreInfo* pStore) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CStoreFolderSelection::DoInsertFolder", hr);
    const struct {
        bool bMissing;
        LPCSTR pszTrace;
    } checks[] = {{lpMDB == nullptr, "Failure: Invalid store specified!\n"},
                  {pStore == nullptr, "Failure: Invalid store info specified!\n"},
                  {cbEntryID == 0, "Failure: Invalid folder key (count) specified!\n"},
                  {lpbEntryID == nullptr, "Failure: Invalid folder key (data) specified!\n"}};
    for (const auto& check : checks) {
        if (check.bMissing) {
            QTRACE(TRACE_ERROR, check.pszTrace);
            hr = E_INVALIDARG;
            return hr;
        }
    }
    CConfigInfo* pConfig = m_pPage->GetPageConfiguration();
    DWORD dwType = pConfig != nullptr ? pConfig->GetConfigType() : 0;
    ULONG ulType = 0;
    LPMAPIFOLDER lpFolder = nullptr;
    hr = lpMDB->OpenEntry(cbEntryID, reinterpret_cast<LPENTRYID>(lpbEntryID), nullptr, MAPI_BEST_ACCESS,
                          &ulType, reinterpret_cast<LPUNKNOWN*>(&lpFolder));
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "Failed to open folder!\n");
        return hr;
    }
    if (ulType != MAPI_FOLDER) {
        QTRACE(TRACE_ERROR, "Invalid object type!\n");
        lpFolder->Release();
        hr = S_OK;
        return hr;
    }
    SizedSPropTagArray(1, tags) = {1, {PR_CONTAINER_CLASS_A}};
    ULONG cValues = 0;
    LPSPropValue lpValues = nullptr;
    BOOL bMatch = FALSE;
    do {
        hr = lpFolder->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), 0, &cValues, &lpValues);
        if (FAILED(hr)) {
            QTRACE(TRACE_ERROR, "GetProps() failed: hr = 0x%08lx\n", (ULONG)hr);
            break;
        }
        hr = S_OK;
        if (cValues < 1 || lpValues == nullptr)
            break;
        const SPropValue& value = lpValues[0];
        BOOL bHasClass = value.ulPropTag == PR_CONTAINER_CLASS_A && value.Value.lpszA != nullptr;
        if (dwType == 3) {
            if (bHasClass) {
                bMatch = strcasecmp(value.Value.lpszA, "IPF.Note") == 0;
            } else if (value.ulPropTag == CHANGE_PROP_TYPE(PR_CONTAINER_CLASS_A, PT_ERROR)) {
                hr = IsReceiveFolder(lpMDB, cbEntryID, lpbEntryID, &bMatch);
                if (FAILED(hr))
                    break;
            }
        } else {
            LPCSTR pszClass = nullptr;
            if (!GetFolderClassFilter(dwType, &pszClass)) {
                QTRACE(TRACE_ERROR, "Failure: Invalid configuartion Type %d\n", (int)dwType);
                break;
            }
            bMatch = bHasClass && strcasecmp(value.Value.lpszA, pszClass) == 0;
        }
        if (!bMatch)
            break;
        BOOL bPresent = FALSE;
        hr = pKnown != nullptr ? pKnown->IsObjectPresent(cbEntryID, lpbEntryID, &bPresent) : S_OK;
        if (FAILED(hr)) {
            QTRACE(TRACE_ERROR, "IsObjectPresent() failed: hr = 0x%08lx\n", (ULONG)hr);
            break;
        }
        if (bPresent)
            break;
        hr = pStore->AddFolder(dwType, lpMDB, cbEntryID, lpbEntryID);
        if (FAILED(hr))
            QTRACE(TRACE_ERROR, "AddFolder() failed: hr = 0x%08lx\n", (ULONG)hr);
    } while (false);
    MAPIFreeBuffer(lpValues);
    lpFolder->Release();
    return hr;
}

void CStoreFolderSelection::OnDelFolder() {
    TRACE_FUNC_VOID("CStoreFolderSelection::OnDelFolder");
    CWaitCursor wait;
    CListBox* pStores = m_pPage->GetStoreList();
    CListBox* pFolders = m_pPage->GetFolderList();
    int nFolderSel = pFolders != nullptr ? pFolders->GetCurSel() : LB_ERR;
    if (nFolderSel < 0)
        return;
    int nStoreSel = pStores != nullptr ? pStores->GetCurSel() : LB_ERR;
    if (nStoreSel < 0) {
        QTRACE(TRACE_ERROR, "No store is selected!\n");
        return;
    }
    CConfigInfo* pConfig = m_pPage->GetPageConfiguration();
    if (pConfig == nullptr) {
        QTRACE(TRACE_ERROR, "No configuration info object!\n");
        return;
    }
    if (pConfig->GetDocument() == nullptr) {
        QTRACE(TRACE_ERROR, "Document pointer not set!\n");
        return;
    }
    if (!m_pPage->ConfirmDiscardResults())
        return;
    CStoreInfo* pStore = pConfig->GetStore((int)pStores->GetItemData(nStoreSel));
    if (pStore == nullptr)
        return;
    auto nFolder = (int)pFolders->GetItemData(nFolderSel);
    // Only a list filled from this very store names positions in its folder list.
    if (pStore != m_pListedStore || nFolder >= pStore->GetFolderCount()) {
        QTRACE(TRACE_ERROR, "Folder list does not belong to the selected store!\n");
        EmptyFolderList();
        m_pPage->EnableDialog();
        pStore->Release();
        return;
    }
    HRESULT hr = pStore->DeleteFolder(nFolder);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "DeleteFolder() failed: hr = 0x%08lx\n", (ULONG)hr);
        ShowError(m_pPage->GetPageWindow(), "Deletion failed", "The folder could not be removed.", 137, 138);
        pStore->Release();
        return;
    }
    pFolders->DeleteString(nFolderSel);
    int nCount = pFolders->GetCount();
    if (nFolderSel < nCount)
        pFolders->SetCurSel(nFolderSel);
    else if (nCount > 0)
        pFolders->SetCurSel(nCount - 1);
    OnSelchangeStoreList();
    pConfig->NotifyConfigChange(nullptr);
    MarkDocumentModified(pConfig);
    m_pPage->EnableDialog();
    pStore->Release();
}
