// The cleanup of the Search results page: marked entries collected by store and folder, deleted.
#include <cstdlib>
#include <map>
#include <new>
#include <utility>
#include <vector>

#include "engine/DrawerMapList.h"
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
#include "ui/CleanupCheck.h"
#include "ui/FVBase.h"
#include "ui/ScopedRef.h"
#include "ui/SearchResultPP.h"

namespace {

const char kInternalErrorCaption[] = "Internal error occured";
const char kIncompleteCaption[] = "Cleanup incomplete";
const char kSkippedText[] =
    "%1!lu! duplicate group(s) were left as they are because the store changed since the search:\n\n"
    "%2!lu! in a folder that was removed or replaced,\n%3!lu! whose kept entry no longer exists,\n"
    "%4!lu! with a marked entry that no longer exists,\n%5!lu! with a marked entry that no longer "
    "matches the kept entry.\n\nNothing of these groups was deleted. Search again to review them.";
const char kNotDeletedText[] =
    "%1!lu! marked entries were not deleted: their folder no longer holds them, or the folder was "
    "removed or replaced since the search.";
const char kStaleText[] =
    "The search result no longer matches the configuration: its stores or folders changed since the "
    "search. Nothing was deleted.\n\nPlease search again.";
const char kInternalErrorText[] =
    "An internal error occured. Please consult the trace file and contact the support.\n\nWe are sorry "
    "for the inconvenience.";

void SetCleanupProgress(FVBase* pOwner, ULONG ulDone, ULONG ulTotal) {
    if (pOwner != nullptr && ulTotal != 0)
        pOwner->SetProgress((int)(ulDone * 100u / ulTotal));
}

}  // namespace

CSearchResultPP::CCleanupStore::~CCleanupStore() {
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

HRESULT CSearchResultPP::CheckGroups(CConfigInfo* pConfig, std::vector<CCleanupGroup>& groups) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CSearchResultPP::CheckGroups", hr);
    // Groups never span stores: each store is looked at once, with its own columns.
    std::map<int, std::vector<CCleanupGroup*>> byStore;
    for (CCleanupGroup& group : groups)
        byStore[(int)group.pKept->GetStoreIndex()].push_back(&group);
    for (auto& [nStore, storeGroups] : byStore) {
        Ref<CStoreInfo> store{pConfig->GetStore(nStore)};
        if (store.p == nullptr) {
            for (CCleanupGroup* pGroup : storeGroups)
                pGroup->skip = CleanupSkip::FolderChanged;
            continue;
        }
        LPSPropTagArray lpCompared = nullptr;
        hr = pConfig->BuildPropTagArray(nStore, &lpCompared);
        if (FAILED(hr) || lpCompared == nullptr || lpCompared->cValues == 0) {
            free(lpCompared);
            if (SUCCEEDED(hr))
                hr = E_UNEXPECTED;
            QTRACE(TRACE_ERROR, "BuildPropTagArray() failed: hr = 0x%08lx\n", hr);
            ShowError(this, hr);
            return hr;
        }
        Ref<IMAPISession> session;
        Ref<IMsgStore> mdb;
        hr = RetrieveSession(pConfig, &session.p);
        if (FAILED(hr)) {
            free(lpCompared);
            QTRACE(TRACE_ERROR, "RetrieveSession() failed: hr = 0x%08lx\n", hr);
            ShowErrorWithArgs(this, "Error",
                              "Failed to open MAPI session (Error code 0x%1!08lx!). May be caused by a wrong "
                              "profile password.",
                              150, 151, (ULONG)hr);
            return hr;
        }
        // Opened for the deletion that follows: the store read for the check deletes too.
        hr = OpenStore(session.p, store.p, &mdb.p, TRUE);
        if (SUCCEEDED(hr))
            hr = CheckStoreGroups(pConfig, mdb.p, store.p, nStore, pConfig->GetResultReview(), lpCompared,
                                  storeGroups);
        else
            ShowErrorWithArgs(
                this, "Error",
                "Failed to open MAPI store (Error code 0x%1!08lx!). May be caused by a wrong password.", 152,
                153, (ULONG)hr);
        free(lpCompared);
        if (SUCCEEDED(hr) && m_pRun != nullptr) {
            CCleanupStore& kept = m_pRun->stores[nStore];
            std::swap(kept.lpSession, session.p);
            std::swap(kept.lpMDB, mdb.p);
        }
        mdb.Reset();
        if (session.p != nullptr)
            session.p->Logoff(0, 0, 0);
        if (FAILED(hr)) {
            QTRACE(TRACE_ERROR, "Checking store %d failed: hr = 0x%08lx\n", nStore, hr);
            return hr;
        }
    }
    return hr;
}

void CSearchResultPP::ReportCleanup() {
    if (m_pRun == nullptr)
        return;
    const ULONG* aul = m_pRun->aulSkipped;
    const ULONG ulSkipped = aul[1] + aul[2] + aul[3] + aul[4];
    if (ulSkipped != 0)
        ShowErrorWithArgs(this, kIncompleteCaption, kSkippedText, 174, 175, ulSkipped,
                          aul[(int)CleanupSkip::FolderChanged], aul[(int)CleanupSkip::KeptMissing],
                          aul[(int)CleanupSkip::MarkedMissing], aul[(int)CleanupSkip::ValuesDiffer]);
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

    // Checking: the store may have changed since the search (another program, another window).
    // Only groups that still are what the page shows lose their marked entries.
    if (!groups.empty()) {
        hr = CheckGroups(config.p, groups);
        if (FAILED(hr))
            return finish();
    }
    for (const CCleanupGroup& group : groups) {
        ++run.aulSkipped[(int)group.skip];
        if (group.skip != CleanupSkip::None)
            continue;
        for (CEntryReference* pEntry : group.marked) {
            hr = deletions.p->Insert(pEntry);
            if (FAILED(hr)) {
                QTRACE(TRACE_ERROR, "pList->Insert() failed: hr = 0x%08lx\n", hr);
                ShowError(this, hr);
                return finish();
            }
        }
    }

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
    Ref<CConfigInfo> config{GetConfigInfo()};
    Ref<CStoreInfo> store;
    Ref<IMAPISession> session;
    Ref<IMsgStore> mdb;
    Ref<IMAPIFolder> mapiFolder;

    auto finish = [&]() {
        CEntryList::FreeBinArray(&ids);
        mapiFolder.Reset();
        mdb.Reset();
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
    // The deletion goes through the store the check opened; without one, a store is opened here.
    IMsgStore* lpChecked = nullptr;
    if (m_pRun != nullptr) {
        auto found = m_pRun->stores.find(pList->GetStoreIndex());
        if (found != m_pRun->stores.end())
            lpChecked = found->second.lpMDB;
    }
    if (lpChecked != nullptr) {
        mdb.p = lpChecked;
        mdb.p->AddRef();
    } else {
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
    }
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "OpenStore() failed: hr = 0x%08lx\n", hr);
        ShowErrorWithArgs(
            this, "Error",
            "Failed to open MAPI store (Error code 0x%1!08lx!). May be caused by a wrong password.", 152, 153,
            (ULONG)hr);
        return finish();
    }
    // The folder the search read, and no other: a position that names another folder now, or a
    // folder that is gone, is not touched.
    ULONG ulType = MAPI_FOLDER;
    hr = OpenSearchedFolder(mdb.p, store.p, pList->GetStoreIndex(), pList->GetFolderIndex(),
                            config.p->GetResultReview(), MAPI_MODIFY | MAPI_BEST_ACCESS, &mapiFolder.p,
                            &ulType);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "pStore->OpenEntry() failed: hr = 0x%08lx\n", hr);
        ShowError(this, hr);
        return finish();
    }
    if (ulType != MAPI_FOLDER) {
        QTRACE(TRACE_ERROR, "Wrong type of obejct returned: Expected MAPI_FOLDER (%d), got %d.\n",
               MAPI_FOLDER, (int)ulType);
        ShowError(this, "Wrong object type", "The interface returned an unexpected type of object.", 156,
                  157);
        return finish();
    }
    if (mapiFolder.p == nullptr) {
        if (m_pRun != nullptr)
            m_pRun->ulNotDeleted += ids.cValues;
        return finish();
    }
    // Without DELETE_HARD_DELETE: the items stay recoverable. Items the folder no longer holds
    // are not deleted (partial completion): the user is told how many.
    ULONG ulBefore = 0;
    const HRESULT hrBefore = config.p->GetFolderMessageCount(mapiFolder.p, &ulBefore);
    hr = mapiFolder.p->DeleteMessages(&ids, 0, nullptr, 0);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "pFolder->DeleteMessages() failed: hr = 0x%08lx\n", hr);
        ShowError(this, hr);
        return finish();
    }
    if (hr == MAPI_W_PARTIAL_COMPLETION) {
        QTRACE(TRACE_WARNING, "pFolder->DeleteMessages() completed in part.\n");
        ULONG ulAfter = 0;
        ULONG ulNotDeleted = ids.cValues;
        if (SUCCEEDED(hrBefore) && SUCCEEDED(config.p->GetFolderMessageCount(mapiFolder.p, &ulAfter)) &&
            ulAfter <= ulBefore && ulBefore - ulAfter <= ids.cValues)
            ulNotDeleted = ids.cValues - (ulBefore - ulAfter);
        if (m_pRun != nullptr)
            m_pRun->ulNotDeleted += ulNotDeleted;
        hr = S_OK;
    }
    return finish();
}
