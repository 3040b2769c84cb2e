// The store list and folder list operations of the General settings page.
#include "ui/StoreFolderSelection.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "model/ConfigInfo.h"
#include "model/ErrorBoxes.h"
#include "model/FolderInfo.h"
#include "model/ObjectMap.h"
#include "model/QuorvelDoc.h"
#include "model/Session.h"
#include "model/StoreInfo.h"
#include "platform/afx/wnd/BusyPeriod.h"
#include "platform/afx/wnd/WaitCursor.h"
#include "platform/mapi/MAPIFunctions.h"
#include "platform/mapi/MAPITags.h"
#include "trace/Trace.h"
#include "ui/SelectMAPIFolderDlg.h"
#include "ui/StoreFolderSelectionPaths.h"
#include "ui/StoreOpenErrorBox.h"
#include "ui/StorePasswordDlg.h"

namespace {
// The logon of the store selection: a session of its own for the named profile; MAPI may ask
// for the profile password, and gives up quickly when it is busy.
const ULONG kSelectLogonFlags = MAPI_NEW_SESSION | MAPI_EXPLICIT_PROFILE | MAPI_EXTENDED | MAPI_NO_MAIL |
                                MAPI_PASSWORD_UI | MAPI_TIMEOUT_SHORT;

ULONG_PTR WindowHandle(CWnd* pWnd) {
    return pWnd != nullptr ? reinterpret_cast<ULONG_PTR>(pWnd->GetSafeHwnd()) : 0;
}
}  // namespace

BOOL GetFolderClassFilter(DWORD dwConfigType, LPCSTR* ppszFilter) {
    static const LPCSTR filters[] = {"IPF.Contact",    "IPF.Appointment", nullptr,
                                     "IPF.StickyNote", "IPF.Task",        "IPF.Journal"};
    *ppszFilter = nullptr;
    if (dwConfigType < 1 || dwConfigType > 6)
        return FALSE;
    *ppszFilter = filters[dwConfigType - 1];
    return TRUE;
}

void IStoreFolderPage::DiscardResults(CConfigInfo* pConfig) {
    if (pConfig != nullptr)
        pConfig->SetSearchResult(nullptr);
}

CStoreFolderSelection::CStoreFolderSelection(IStoreFolderPage* pPage) : m_pPage(pPage) {
    TRACE_CTOR("CStoreFolderSelection");
}

CStoreFolderSelection::~CStoreFolderSelection() {
    TRACE_DTOR("CStoreFolderSelection");
    if (m_pListedStore != nullptr)
        m_pListedStore->Release();
}

void CStoreFolderSelection::EmptyFolderList() {
    if (CListBox* pFolders = m_pPage->GetFolderList())
        pFolders->ResetContent();
    if (m_pListedStore != nullptr)
        m_pListedStore->Release();
    m_pListedStore = nullptr;
}

void CStoreFolderSelection::MarkDocumentModified(CConfigInfo* pConfig) {
    if (pConfig != nullptr && pConfig->GetDocument() != nullptr)
        pConfig->GetDocument()->SetModifiedFlag(TRUE);
}

HRESULT CStoreFolderSelection::FillStoreList() {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CStoreFolderSelection::FillStoreList", hr);
    CConfigInfo* pConfig = m_pPage->GetPageConfiguration();
    CListBox* pStores = m_pPage->GetStoreList();
    if (pConfig == nullptr) {
        QTRACE(TRACE_ERROR, "Missing configuration information!\n");
        hr = E_INVALIDARG;
        return hr;
    }
    // The folder list shows the folders of one store record. A store list read afresh (another
    // profile) holds new records only: folders shown from an old one belong to nothing listed.
    if (m_pListedStore != nullptr && !pConfig->HoldsStore(m_pListedStore))
        EmptyFolderList();
    if (!pConfig->IsProfileSelected() || pStores == nullptr)
        return hr;
    LONG lCurrent = pConfig->GetCurrentStoreIndex();
    if (lCurrent < 0) {
        HRESULT hrDefault = pConfig->GetDefaultStoreIndex(&lCurrent);
        if (FAILED(hrDefault)) {
            QTRACE(TRACE_ERROR, "GetDefaultStoreIndex() failed: hr = 0x%08lx\n", (ULONG)hrDefault);
            lCurrent = -1;
        }
        if (lCurrent >= 0)
            pConfig->SetCurrentStoreIndex(lCurrent);
    }
    pStores->ResetContent();
    for (int i = 0; i < pConfig->GetStoreCount(); ++i) {
        CStoreInfo* pStore = pConfig->GetStore(i);
        if (pStore == nullptr) {
            QTRACE(TRACE_ERROR, "GetStore() failed: Store object is NULL!\n");
            hr = E_UNEXPECTED;
            return hr;
        }
        CString strName = pStore->GetStoreName();
        int nItem = pStores->AddString(strName.IsEmpty() ? "<?>" : strName.GetString());
        pStore->Release();
        if (nItem < 0) {
            QTRACE(TRACE_ERROR, "Failed to add store name!\n");
            hr = E_UNEXPECTED;
            return hr;
        }
        pStores->SetItemData(nItem, (DWORD_PTR)i);
        if (i == lCurrent)
            pStores->SetCurSel(nItem);
    }
    return hr;
}

void CStoreFolderSelection::OnSelchangeStoreList() {
    TRACE_FUNC_VOID("CStoreFolderSelection::OnSelchangeStoreList");
    CWaitCursor wait;
    CListBox* pStores = m_pPage->GetStoreList();
    CListBox* pFolders = m_pPage->GetFolderList();
    CConfigInfo* pConfig = m_pPage->GetPageConfiguration();
    int nSel = pStores != nullptr ? pStores->GetCurSel() : LB_ERR;
    if (nSel < 0) {
        EmptyFolderList();
        m_pPage->EnableDialog();
        return;
    }
    if (pConfig == nullptr || pFolders == nullptr)
        return;
    m_pPage->EnableDialog();
    auto nStore = (int)pStores->GetItemData(nSel);
    CStoreInfo* pStore = pConfig->GetStore(nStore);
    // The list shows nothing until the store's folders are known again: an early end must not
    // leave another store's folders behind entries that would be read as this store's.
    EmptyFolderList();
    // The folder selection went with the entries: the remove button must follow it on every way
    // out, also when the store could not be opened and the list stays empty.
    struct CEnableOnExit {
        IStoreFolderPage* pPage;
        ~CEnableOnExit() { pPage->EnableDialog(); }
    } enableOnExit{m_pPage};
    if (pStore == nullptr) {
        QTRACE(TRACE_ERROR, "Failed to get store!\n");
        return;
    }
    pConfig->SetCurrentStoreIndex(nStore);

    CWnd* pWnd = m_pPage->GetPageWindow();
    LPMAPISESSION lpSession = nullptr;
    LPMDB lpMDB = nullptr;
    std::vector<int> vanished;
    HRESULT hr = MAPIInitialize(nullptr);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "MAPIInitialize() failed: hr = 0x%08lx\n", (ULONG)hr);
        pStore->Release();
        return;
    }
    do {
        CString strProfile = pConfig->GetProfileName();
        CString strPassword = pConfig->GetProfilePassword();
        hr = MAPILogonEx(WindowHandle(pWnd), strProfile,
                         pConfig->HasProfilePassword() ? strPassword.GetString() : nullptr, kSelectLogonFlags,
                         &lpSession);
        if (FAILED(hr)) {
            QTRACE(TRACE_ERROR, "MAPILogonEx() failed: hr = 0x%08lx\n", (ULONG)hr);
            lpSession = nullptr;
            break;
        }
        BOOL bCancelled = FALSE;
        do {
            CStorePasswordDlg dlg(pStore, pWnd);
            hr = OpenStore(pConfig, lpSession, pStore, &lpMDB, FALSE);
            if (hr == MAPI_E_FAILONEPROVIDER && dlg.DoModal() != IDOK)
                bCancelled = TRUE;
        } while (hr == MAPI_E_FAILONEPROVIDER && !bCancelled);
        if (bCancelled) {
            QTRACE(TRACE_ERROR, "User aborted password dialog.\n");
            break;
        }
        if (FAILED(hr)) {
            QTRACE(TRACE_ERROR, "OpenStore() failed: hr = 0x%08lx\n", (ULONG)hr);
            ShowStoreOpenError(pWnd, pStore, hr);
            lpMDB = nullptr;
            break;
        }

        // Every folder the store still holds is listed, also one whose path cannot be followed to
        // the top: the list shows what the configuration searches, and only a listed folder can be
        // removed. The paths share the folders above them, which are read once.
        BOOL bComplete = TRUE;
        CListedFolderPaths paths(lpMDB);
        for (int i = 0; i < pStore->GetFolderCount(); ++i) {
            // Only while folders are added is the window drawn meanwhile: the routine runs also
            // while the page is being made, which must not be drawn half made.
            if (m_pBusy != nullptr && m_pBusy->IsTurnDue())
                m_pBusy->PaintNow(false);
            CFolderInfo* pFolder = nullptr;
            hr = pStore->GetFolder(i, &pFolder);
            if (FAILED(hr)) {
                QTRACE(TRACE_ERROR, "GetFolder() failed: hr = 0x%08lx\n", (ULONG)hr);
                bComplete = FALSE;
                break;
            }
            SBinary key{0, nullptr};
            hr = pFolder->GetFolderKey(&key);
            pFolder->Release();
            if (FAILED(hr)) {
                QTRACE(TRACE_ERROR, "GetFolderKey() failed: hr = 0x%08lx\n", (ULONG)hr);
                bComplete = FALSE;
                break;
            }
            CString strPath;
            hr = paths.GetPath(key, strPath);
            std::free(key.lpb);
            if (hr == S_FOLDER_VANISHED) {
                vanished.push_back(i);
                continue;
            }
            int nItem = pFolders->AddString(strPath);
            if (nItem < 0) {
                QTRACE(TRACE_ERROR, "AddString() failed: Error code %d\n", nItem);
                bComplete = FALSE;
                break;
            }
            pFolders->SetItemData(nItem, (DWORD_PTR)i);
        }
        if (!bComplete) {
            EmptyFolderList();
            break;
        }
        m_pListedStore = pStore;
        m_pListedStore->AddRef();

        if (!vanished.empty()) {
            for (auto it = vanished.rbegin(); it != vanished.rend(); ++it)
                pStore->DeleteFolder(*it);
            // The listed folders behind a removed one moved up in the store's list (the removed
            // positions are in ascending order).
            for (int n = 0; n < pFolders->GetCount(); ++n) {
                auto nIndex = (int)pFolders->GetItemData(n);
                auto nBelow = std::lower_bound(vanished.begin(), vanished.end(), nIndex) - vanished.begin();
                pFolders->SetItemData(n, (DWORD_PTR)(nIndex - nBelow));
            }
            // A cached search result numbers folders by their old positions: a cleanup must not
            // delete by it.
            m_pPage->DiscardResults(pConfig);
            MarkDocumentModified(pConfig);
            ShowError(pWnd, "Folder vanished",
                      "One or more folder(s) have been removed from the store. They were removed from the "
                      "configuration.",
                      172, 173);
        }
    } while (false);

    if (lpMDB != nullptr)
        lpMDB->Release();
    if (lpSession != nullptr) {
        lpSession->Logoff(WindowHandle(pWnd), MAPI_LOGOFF_UI, 0);
        lpSession->Release();
    }
    MAPIUninitialize();
    pStore->Release();
}

void CStoreFolderSelection::OnSelchangeFolderList() {
    TRACE_FUNC_VOID("CStoreFolderSelection::OnSelchangeFolderList");
    m_pPage->EnableDialog();
}
