// The cleanup of the Search results page: marked entries collected by store and folder, deleted.
#include <algorithm>
#include <cstdlib>
#include <map>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "engine/CleanupCheck.h"
#include "engine/CleanupFolder.h"
#include "engine/DrawerMapList.h"
#include "engine/EntryList.h"
#include "engine/EntryReference.h"
#include "engine/ScopedRef.h"
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

const char kInternalErrorCaption[] = "Internal error occured";
const char kIncompleteCaption[] = "Cleanup incomplete";
const char kSkippedText[] =
    "%1!lu! duplicate group(s) were left as they are because the store changed since the search:\n\n"
    "%2!lu! in a folder that was removed or replaced,\n%3!lu! whose kept entry no longer exists,\n"
    "%4!lu! with a marked entry that no longer exists,\n%5!lu! with a marked entry that no longer "
    "matches the kept entry.\n\nNothing of these groups was deleted. Search again to review them.";
const char kPartlyText[] =
    "%1!lu! duplicate group(s) were cleaned only in part because the store changed during the cleanup: "
    "their marked entries in earlier folders were deleted, the others were left as they are:\n\n"
    "%2!lu! in a folder that was removed or replaced,\n%3!lu! whose kept entry no longer exists,\n"
    "%4!lu! with a marked entry that no longer exists,\n%5!lu! with a marked entry that no longer "
    "matches the kept entry.\n\nSearch again to review them.";
const char kNotDeletedText[] =
    "%1!lu! marked entries were not deleted: their folder no longer holds them, or the folder was "
    "removed or replaced since the search.";
const char kStaleText[] =
    "The search result no longer matches the configuration: its stores or folders changed since the "
    "search. Nothing was deleted.\n\nPlease search again.";
const char kStoreBusyText[] =
    "The message store is in use by another program (error code 0x%1!08lx!). The cleanup stopped there: "
    "of the marked entries, %2!lu! had been deleted before, and no others were deleted.\n\nPlease try "
    "again later, when the other program has let go of the store.";
const char kInternalErrorText[] =
    "An internal error occured. Please consult the trace file and contact the support.\n\nWe are sorry "
    "for the inconvenience.";

// Another program holds the store's lock longer than SQLite waits for it: the user is told so,
// whichever step met it, and how far the run had come. False for any other failure.
BOOL ShowIfStoreBusy(CWnd* pParent, HRESULT hr, ULONG ulDeleted) {
    if (hr != MAPI_E_BUSY)
        return FALSE;
    ShowErrorWithArgs(pParent, kIncompleteCaption, kStoreBusyText, 174, 179, (ULONG)hr, ulDeleted);
    return TRUE;
}

void SetCleanupProgress(FVBase* pOwner, ULONG ulDone, ULONG ulTotal) {
    if (pOwner != nullptr && ulTotal != 0)
        pOwner->SetProgress((int)(ulDone * 100u / ulTotal));
}

}  // namespace

CSearchResultPP::CCleanupStore::~CCleanupStore() {
    free(lpCompared);
    if (lpMDB != nullptr)
        lpMDB->Release();
    if (lpSession != nullptr) {
        lpSession->Logoff(0, 0, 0);
        lpSession->Release();
    }
}

BOOL CSearchResultPP::CollectGroups(std::vector<CCleanupGroup>& groups) {
    // One walk over the tree: each group's record and its children's, in order.
    std::vector<HTREEITEM> roots, children;
    m_treeDuplicates.GetChildItems(TVI_ROOT, roots);
    groups.reserve(roots.size());
    ULONG ulDone = 0;
    const ULONG ulTotal = 2 * (ULONG)roots.size();
    for (HTREEITEM hRoot : roots) {
        ItemInfo* pRoot = GetItemInfo(hRoot);
        m_treeDuplicates.GetChildItems(hRoot, children);
        CCleanupGroup group;
        group.pKept = pRoot != nullptr ? pRoot->pEntry : nullptr;
        for (HTREEITEM hChild : children) {
            ItemInfo* pInfo = GetItemInfo(hChild);
            if (pInfo == nullptr) {
                QTRACE(TRACE_ERROR, "Failure: Found NULL drawer info structure!\n");
                ShowError(this, kInternalErrorCaption, kInternalErrorText, 146, 147);
                return FALSE;
            }
            if (pInfo->pEntry == nullptr) {
                QTRACE(TRACE_ERROR, "Failure: Found NULL reference inside drawer info structure!\n");
                ShowError(this, kInternalErrorCaption, kInternalErrorText, 146, 147);
                return FALSE;
            }
            if (pInfo->bDelete)
                group.marked.push_back(pInfo->pEntry);
        }
        if (!group.marked.empty()) {
            // Without its kept entry a group cannot be checked: nothing of it may go.
            if (group.pKept == nullptr) {
                QTRACE(TRACE_ERROR, "Failure: Found NULL drawer info structure!\n");
                ShowError(this, kInternalErrorCaption, kInternalErrorText, 146, 147);
                return FALSE;
            }
            groups.push_back(std::move(group));
        }
        SetCleanupProgress(m_pOwner, ++ulDone, ulTotal);
    }
    return TRUE;
}

HRESULT CSearchResultPP::OpenCleanupStore(CConfigInfo* pConfig, CStoreInfo* pStore, int nStore,
                                          CCleanupStore** ppStore) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CSearchResultPP::OpenCleanupStore", hr);
    *ppStore = nullptr;
    auto found = m_pRun->stores.find(nStore);
    if (found != m_pRun->stores.end()) {
        if (found->second.lpMDB != nullptr)
            *ppStore = &found->second;
        return hr;
    }
    CCleanupStore& opened = m_pRun->stores[nStore];
    // A store taken out of the profile, or another file at its place now, is not the store the
    // search read: its groups are left as they are, and the user is told with the others. Its
    // columns are built only for the store the search read, since named ones are looked up in it.
    auto gone = [&]() {
        QTRACE(TRACE_WARNING, "Store %d is no longer the one searched: hr = 0x%08lx\n", nStore, hr);
        hr = S_OK;
        return hr;
    };
    hr = RetrieveSession(pConfig, &opened.lpSession);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "RetrieveSession() failed: hr = 0x%08lx\n", hr);
        ShowErrorWithArgs(this, "Error",
                          "Failed to open MAPI session (Error code 0x%1!08lx!). May be caused by a wrong "
                          "profile password.",
                          150, 151, (ULONG)hr);
        m_pRun->stores.erase(nStore);
        return hr;
    }
    hr = OpenStore(opened.lpSession, pStore, &opened.lpMDB, TRUE);
    if (hr == MAPI_E_UNKNOWN_ENTRYID || hr == MAPI_E_NOT_FOUND)
        return gone();
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "OpenStore() failed: hr = 0x%08lx\n", hr);
        m_pRun->stores.erase(nStore);
        if (ShowIfStoreBusy(this, hr, m_pRun->ulDeleted))
            return hr;
        ShowErrorWithArgs(
            this, "Error",
            "Failed to open MAPI store (Error code 0x%1!08lx!). May be caused by a wrong password.", 152, 153,
            (ULONG)hr);
        return hr;
    }
    hr = pConfig->BuildPropTagArray(nStore, &opened.lpCompared);
    if (hr == MAPI_E_UNKNOWN_ENTRYID || hr == MAPI_E_NOT_FOUND) {
        opened.lpMDB->Release();
        opened.lpMDB = nullptr;
        return gone();
    }
    if (FAILED(hr) || opened.lpCompared == nullptr || opened.lpCompared->cValues == 0) {
        if (SUCCEEDED(hr))
            hr = E_UNEXPECTED;
        QTRACE(TRACE_ERROR, "BuildPropTagArray() failed: hr = 0x%08lx\n", hr);
        m_pRun->stores.erase(nStore);
        if (!ShowIfStoreBusy(this, hr, m_pRun->ulDeleted))
            ShowError(this, hr);
        return hr;
    }
    *ppStore = &opened;
    return hr;
}

void CSearchResultPP::ReportCleanup() {
    if (m_pRun == nullptr)
        return;
    // Groups left whole, then groups of which earlier folders' entries went before a later
    // folder's part was left.
    auto report = [&](const ULONG* aul, LPCSTR pszDefText, LONG nTextID) {
        const ULONG ulGroups = aul[1] + aul[2] + aul[3] + aul[4];
        if (ulGroups != 0)
            ShowErrorWithArgs(this, kIncompleteCaption, pszDefText, 174, nTextID, ulGroups,
                              aul[(int)CleanupSkip::FolderChanged], aul[(int)CleanupSkip::KeptMissing],
                              aul[(int)CleanupSkip::MarkedMissing], aul[(int)CleanupSkip::ValuesDiffer]);
    };
    report(m_pRun->aulSkipped, kSkippedText, 175);
    report(m_pRun->aulPartly, kPartlyText, 178);
    if (m_pRun->ulNotDeleted != 0)
        ShowErrorWithArgs(this, kIncompleteCaption, kNotDeletedText, 174, 176, m_pRun->ulNotDeleted);
}

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
    // A result the configuration no longer caches numbers stores and folders as they were: the
    // page must not delete by it, and goes.
    if (m_pResultList != nullptr && !config.p->CachesSearchResult(m_pResultList)) {
        QTRACE(TRACE_ERROR, "The page's search result is no longer the cached one.\n");
        ShowError(this, kIncompleteCaption, kStaleText, 174, 177);
        BOOL bCanClose = FALSE;
        if (pOwner != nullptr && SUCCEEDED(pOwner->CanClosePP(PAGE_ID_SEARCH_RESULTS, &bCanClose)) &&
            bCanClose)
            pOwner->DemandClosePP(PAGE_ID_SEARCH_RESULTS);
        return hr;
    }
    if (pOwner != nullptr)
        pOwner->StartCleanup();
    BOOL bClosed = FALSE;
    BOOL bOwnerRestored = FALSE;
    BOOL bMAPIInitialized = FALSE;
    CCleanupRun run;
    m_pRun = &run;
    Ref<CStoreIndex2FolderList> deletions;
    Ref<CEntryList> folderList;

    // Runs to the end of the run on every path.
    auto finish = [&]() {
        if (!bClosed)
            m_pRun = nullptr;
        folderList.Reset();
        deletions.Reset();
        run.stores.clear();
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

    // Collecting: the marked children of every group; the group's pivot is never deleted.
    std::vector<CCleanupGroup> groups;
    if (!CollectGroups(groups))
        return finish();
    // The collecting pass counted one step per group shown; the deleting pass counts on.
    std::vector<HTREEITEM> roots;
    m_treeDuplicates.GetChildItems(TVI_ROOT, roots);
    const ULONG ulTotal = 2 * (ULONG)roots.size();
    ULONG ulDone = (ULONG)roots.size();

    hr = MAPIInitialize(nullptr);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "MAPIInitialize() failed: hr = 0x%08lx\n", hr);
        ShowErrorWithArgs(this, "Unable to initialize", "Failed to initialize MAPI interface.", 148, 149,
                          (ULONG)hr);
        return finish();
    }
    bMAPIInitialized = TRUE;

    // Every marked entry of every group goes into the deletion list. A store's groups are judged
    // against the store as it is before its first folder's deletion (it may have changed since the
    // search: another program, another window), again in each folder's deletion when someone else
    // committed since, and only those that still are what the page shows are deleted from.
    for (CCleanupGroup& group : groups) {
        for (CEntryReference* pEntry : group.marked) {
            const SBinary id = pEntry->EntryIDView();
            run.groupOf[std::string(reinterpret_cast<const char*>(id.lpb), id.cb)] = &group;
            hr = deletions.p->Insert(pEntry);
            if (FAILED(hr)) {
                QTRACE(TRACE_ERROR, "pList->Insert() failed: hr = 0x%08lx\n", hr);
                ShowError(this, hr);
                return finish();
            }
        }
    }
    run.pGroups = &groups;
    auto countSkipped = [&]() {
        for (const CCleanupGroup& group : groups)
            ++(group.bDeletedFrom ? run.aulPartly : run.aulSkipped)[(int)group.skip];
    };

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
            run.stores.clear();
            countSkipped();
            ReportCleanup();
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

    // All folders done: the user learns what stayed before the page goes.
    run.stores.clear();
    countSkipped();
    ReportCleanup();
    m_pRun = nullptr;
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
    // Deletions are made only inside a cleanup run: there the store's groups are judged first and
    // its write lock is taken for each folder. Outside one nothing may be deleted.
    if (m_pRun == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: No cleanup run in progress!\n");
        CEntryList::FreeBinArray(&ids);
        hr = E_UNEXPECTED;
        return hr;
    }
    Ref<CConfigInfo> config{GetConfigInfo()};
    Ref<CStoreInfo> store;
    auto finish = [&]() {
        CEntryList::FreeBinArray(&ids);
        return hr;
    };
    if (config.p == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: No config information object present!\n");
        ShowError(this, kInternalErrorCaption, kInternalErrorText, 146, 147);
        return finish();
    }
    const int nStore = pList->GetStoreIndex();
    const int nFolder = pList->GetFolderIndex();
    store.p = config.p->GetStore(nStore);
    if (store.p == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: No store information object present!\n");
        ShowError(this, kInternalErrorCaption, kInternalErrorText, 146, 147);
        return finish();
    }
    // The run's store. Its groups are judged once, on a read snapshot before its first folder; each
    // folder's deletion checks under the store's write lock that nobody else committed since, and
    // judges again what they may have changed.
    CCleanupStore* pRunStore = nullptr;
    hr = OpenCleanupStore(config.p, store.p, nStore, &pRunStore);
    if (FAILED(hr))
        return finish();
    std::vector<CMarkedEntry> entries;
    entries.reserve(ids.cValues);
    for (ULONG i = 0; i < ids.cValues; ++i) {
        auto found = m_pRun->groupOf.find(
            std::string(reinterpret_cast<const char*>(ids.lpbin[i].lpb), ids.lpbin[i].cb));
        if (found != m_pRun->groupOf.end())
            entries.emplace_back(ids.lpbin[i], found->second);
    }
    if (pRunStore == nullptr) {
        for (const CMarkedEntry& entry : entries)
            entry.second->skip = CleanupSkip::FolderChanged;
        return finish();
    }
    if (!pRunStore->bJudged) {
        std::vector<CCleanupGroup*> storeGroups;
        for (CCleanupGroup& group : *m_pRun->pGroups) {
            if ((int)group.pKept->GetStoreIndex() == nStore)
                storeGroups.push_back(&group);
        }
        hr = JudgeStoreGroups(config.p, pRunStore->lpMDB, store.p, nStore, config.p->GetResultReview(),
                              pRunStore->lpCompared, storeGroups);
        if (FAILED(hr)) {
            QTRACE(TRACE_ERROR, "JudgeStoreGroups() failed: hr = 0x%08lx\n", hr);
            if (!ShowIfStoreBusy(this, hr, m_pRun->ulDeleted))
                ShowError(this, hr);
            return finish();
        }
        pRunStore->bJudged = TRUE;
    }
    CFolderDeletion deletion;
    hr = DeleteJudgedEntries(config.p, pRunStore->lpMDB, store.p, nStore, nFolder,
                             config.p->GetResultReview(), pRunStore->lpCompared, entries, deletion);
    m_pRun->ulNotDeleted += deletion.ulNotDeleted;
    if (SUCCEEDED(hr) && deletion.failed == CleanupStep::None) {
        ULONG ulPassed = 0;
        for (const CMarkedEntry& entry : entries)
            ulPassed += entry.second->skip == CleanupSkip::None ? 1 : 0;
        m_pRun->ulDeleted += ulPassed - std::min(ulPassed, deletion.ulNotDeleted);
    }
    // The store's lock has gone: the user may take the time to read.
    if (deletion.failed == CleanupStep::FolderType)
        ShowError(this, "Wrong object type", "The interface returned an unexpected type of object.", 156,
                  157);
    else if (FAILED(hr) && !ShowIfStoreBusy(this, hr, m_pRun->ulDeleted)) {
        // A folder key that cannot be had is an internal fault unless memory ran out.
        if (deletion.failed == CleanupStep::FolderKey && hr != E_OUTOFMEMORY)
            ShowError(this, kInternalErrorCaption, kInternalErrorText, 146, 147);
        else
            ShowError(this, hr);
    }
    return finish();
}
