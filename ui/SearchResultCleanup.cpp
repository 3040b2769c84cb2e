// The cleanup of the Search results page: marked entries collected by store and folder, deleted.
#include <cstdlib>
#include <new>

#include "engine/EntryList.h"
#include "engine/EntryReference.h"
#include "engine/StoreIndex2FolderList.h"
#include "model/ConfigInfo.h"
#include "model/ErrorBoxes.h"
#include "model/FolderInfo.h"
#include "model/StoreInfo.h"
#include "platform/afx/wnd/WaitCursor.h"
#include "platform/mapi/MAPIX.h"
#include "trace/Trace.h"
#include "ui/FVBase.h"
#include "ui/SearchResultPP.h"

namespace {

template <class T>
struct Ref {
    T* p = nullptr;
    ~Ref() {
        if (p != nullptr)
            p->Release();
    }
    void Reset() {
        if (p != nullptr)
            p->Release();
        p = nullptr;
    }
};

const char kInternalErrorCaption[] = "Internal error occured";
const char kInternalErrorText[] =
    "An internal error occured. Please consult the trace file and contact the support.\n\nWe are sorry "
    "for the inconvenience.";

void SetCleanupProgress(FVBase* pOwner, ULONG ulDone, ULONG ulTotal) {
    if (pOwner != nullptr && ulTotal != 0)
        pOwner->SetProgress((int)(ulDone * 100u / ulTotal));
}

}  // namespace

HRESULT CSearchResultPP::DoCleanup() {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CSearchResultPP::DoCleanup", hr);
    CWaitCursor wait;
    // What the run holds itself: a successful close deletes the page in the middle of the run.
    FVBase* pOwner = m_pOwner;
    Ref<CConfigInfo> config{GetConfigInfo()};
    if (config.p == nullptr) {
        QTRACE(TRACE_ERROR, "GetConfigInfo() failed.\n");
        return hr;
    }
    if (pOwner != nullptr)
        pOwner->StartCleanup();
    BOOL bClosed = FALSE;
    BOOL bOwnerRestored = FALSE;
    BOOL bMAPIInitialized = FALSE;
    Ref<CStoreIndex2FolderList> deletions;
    Ref<CEntryList> folderList;

    // Runs to the end of the run on every path.
    auto finish = [&]() {
        folderList.Reset();
        deletions.Reset();
        if (bMAPIInitialized)
            MAPIUninitialize();
        config.Reset();
        if (!bClosed && !bOwnerRestored && pOwner != nullptr)
            pOwner->EndCleanup();
        return hr;
    };

    deletions.p = new (std::nothrow) CStoreIndex2FolderList;
    if (deletions.p == nullptr) {
        hr = E_OUTOFMEMORY;
        QTRACE(TRACE_ERROR, "new() feiled: Unable to allocate deletion list!\n");
        ShowError(this, hr);
        return finish();
    }
    deletions.p->AddRef();

    ULONG ulRoots = 0;
    for (HTREEITEM hRoot = m_treeDuplicates.GetRootItem(); hRoot != nullptr;
         hRoot = m_treeDuplicates.GetNextSiblingItem(hRoot))
        ++ulRoots;
    const ULONG ulTotal = 2 * ulRoots;
    ULONG ulDone = 0;

    // Collecting: the children of every group; the group's pivot is never deleted.
    for (HTREEITEM hRoot = m_treeDuplicates.GetRootItem(); hRoot != nullptr;
         hRoot = m_treeDuplicates.GetNextSiblingItem(hRoot)) {
        for (HTREEITEM hChild = m_treeDuplicates.GetChildItem(hRoot); hChild != nullptr;
             hChild = m_treeDuplicates.GetNextSiblingItem(hChild)) {
            ItemInfo* pInfo = GetItemInfo(hChild);
            if (pInfo == nullptr) {
                QTRACE(TRACE_ERROR, "Failure: Found NULL drawer info structure!\n");
                ShowError(this, kInternalErrorCaption, kInternalErrorText, 146, 147);
                return finish();
            }
            if (pInfo->pEntry == nullptr) {
                QTRACE(TRACE_ERROR, "Failure: Found NULL reference inside drawer info structure!\n");
                ShowError(this, kInternalErrorCaption, kInternalErrorText, 146, 147);
                return finish();
            }
            if (pInfo->bDelete) {
                hr = deletions.p->Insert(pInfo->pEntry);
                if (FAILED(hr)) {
                    QTRACE(TRACE_ERROR, "pList->Insert() failed: hr = 0x%08lx\n", hr);
                    ShowError(this, hr);
                    return finish();
                }
            }
        }
        SetCleanupProgress(pOwner, ++ulDone, ulTotal);
    }

    hr = MAPIInitialize(nullptr);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "MAPIInitialize() failed: hr = 0x%08lx\n", hr);
        ShowErrorWithArgs(this, "Unable to initialize", "Failed to initialize MAPI interface.", 148, 149,
                          (ULONG)hr);
        return finish();
    }
    bMAPIInitialized = TRUE;

    // Deleting: one call per folder, stores and folders in ascending order.
    hr = deletions.p->GetFirstEntryList(&folderList.p);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "GetFirstEntryList() failed:hr = 0x%08lx\n", hr);
        return finish();
    }
    while (folderList.p != nullptr) {
        hr = DeleteDuplicates(folderList.p);
        if (FAILED(hr)) {
            QTRACE(TRACE_ERROR, "DeleteDuplicates() failed: hr = 0x%08lx\n", hr);
            return finish();
        }
        SetCleanupProgress(pOwner, ++ulDone, ulTotal);
        folderList.Reset();
        hr = deletions.p->GetNextEntryList(&folderList.p);
        if (FAILED(hr)) {
            QTRACE(TRACE_ERROR, "GetNextEntryList() failed:hr = 0x%08lx\n", hr);
            return finish();
        }
    }

    // All folders done.
    if (pOwner != nullptr)
        pOwner->EndCleanup();
    BOOL bCanClose = FALSE;
    HRESULT hrClose = pOwner != nullptr ? pOwner->CanClosePP(PAGE_ID_SEARCH_RESULTS, &bCanClose) : E_FAIL;
    if (SUCCEEDED(hrClose) && bCanClose) {
        // Deletes the page before it returns: from here on only the run's own holdings are used.
        hrClose = pOwner->DemandClosePP(PAGE_ID_SEARCH_RESULTS);
        if (FAILED(hrClose))
            QTRACE(TRACE_ERROR, "DemandClosePP() failed: hr = 0x%08lx\n", hrClose);
        else
            bClosed = TRUE;
    }
    if (!bClosed)
        EmptyTreeCtrl();
    config.p->SetSearchResult(nullptr);
    // The owner's controls were restored above already.
    bOwnerRestored = TRUE;
    return finish();
}

HRESULT CSearchResultPP::DeleteDuplicates(CEntryList* pList) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CSearchResultPP::DeleteDuplicates", hr);
    if (pList == nullptr) {
        hr = E_INVALIDARG;
        return hr;
    }
    SBinaryArray ids{0, nullptr};
    hr = pList->BuildBinArray(&ids);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "BuildBinArray() failed: hr = 0x%08lx\n", hr);
        ShowError(this, hr);
        return hr;
    }
    if (ids.cValues == 0) {
        CEntryList::FreeBinArray(&ids);
        return hr;
    }
    Ref<CConfigInfo> config{GetConfigInfo()};
    Ref<CStoreInfo> store;
    Ref<CFolderInfo> folder;
    Ref<IMAPISession> session;
    Ref<IMsgStore> mdb;
    Ref<IMAPIFolder> mapiFolder;
    SBinary folderKey{0, nullptr};

    auto finish = [&]() {
        free(folderKey.lpb);
        CEntryList::FreeBinArray(&ids);
        mapiFolder.Reset();
        mdb.Reset();
        folder.Reset();
        store.Reset();
        config.Reset();
        if (session.p != nullptr)
            session.p->Logoff(0, 0, 0);
        session.Reset();
        return hr;
    };

    if (config.p == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: No config information object present!\n");
        ShowError(this, kInternalErrorCaption, kInternalErrorText, 146, 147);
        return finish();
    }
    store.p = config.p->GetStore(pList->GetStoreIndex());
    if (store.p == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: No store information object present!\n");
        ShowError(this, kInternalErrorCaption, kInternalErrorText, 146, 147);
        return finish();
    }
    hr = RetrieveSession(config.p, &session.p);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "RetrieveSession() failed: hr = 0x%08lx\n", hr);
        ShowErrorWithArgs(
            this, "Error",
            "Failed to open MAPI session (Error code 0x%1!08lx!). May be caused by a wrong profile "
            "password.",
            150, 151, (ULONG)hr);
        return finish();
    }
    hr = OpenStore(session.p, store.p, &mdb.p, TRUE);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "OpenStore() failed: hr = 0x%08lx\n", hr);
        ShowErrorWithArgs(
            this, "Error",
            "Failed to open MAPI store (Error code 0x%1!08lx!). May be caused by a wrong password.", 152, 153,
            (ULONG)hr);
        return finish();
    }
    hr = store.p->GetFolder(pList->GetFolderIndex(), &folder.p);
    if (FAILED(hr) || folder.p == nullptr) {
        if (SUCCEEDED(hr))
            hr = E_UNEXPECTED;
        QTRACE(TRACE_ERROR, "GetFolder() failed: hr = 0x%08lx!\n", hr);
        ShowError(this, kInternalErrorCaption, kInternalErrorText, 146, 147);
        return finish();
    }
    hr = folder.p->GetFolderKey(&folderKey);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "GetFolderKey() failed: hr = 0x%08lx!\n", hr);
        if (hr == E_OUTOFMEMORY)
            ShowError(this, hr);
        else
            ShowError(this, kInternalErrorCaption, kInternalErrorText, 146, 147);
        return finish();
    }
    ULONG ulType = 0;
    LPUNKNOWN lpUnknown = nullptr;
    hr = mdb.p->OpenEntry(folderKey.cb, reinterpret_cast<LPENTRYID>(folderKey.lpb), nullptr,
                          MAPI_MODIFY | MAPI_BEST_ACCESS, &ulType, &lpUnknown);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "pStore->OpenEntry() failed: hr = 0x%08lx\n", hr);
        ShowError(this, hr);
        return finish();
    }
    if (ulType != MAPI_FOLDER) {
        if (lpUnknown != nullptr)
            lpUnknown->Release();
        QTRACE(TRACE_ERROR, "Wrong type of obejct returned: Expected MAPI_FOLDER (%d), got %d.\n",
               MAPI_FOLDER, (int)ulType);
        ShowError(this, "Wrong object type", "The interface returned an unexpected type of object.", 156,
                  157);
        return finish();
    }
    mapiFolder.p = static_cast<IMAPIFolder*>(lpUnknown);
    // Without DELETE_HARD_DELETE: the items stay recoverable. A warning counts as success.
    hr = mapiFolder.p->DeleteMessages(&ids, 0, nullptr, 0);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "pFolder->DeleteMessages() failed: hr = 0x%08lx\n", hr);
        ShowError(this, hr);
        return finish();
    }
    return finish();
}
