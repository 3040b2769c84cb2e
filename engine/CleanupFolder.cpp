// One folder's deletion of a cleanup: the judgement checked again under the store's write lock.
#include "engine/CleanupFolder.h"

#include <algorithm>
#include <string_view>
#include <unordered_set>

#include "engine/ScopedRef.h"
#include "model/ConfigInfo.h"
#include "platform/mapi/MAPIX.h"
#include "platform/mapi/StoreAdmin.h"
#include "platform/mapi/StoreChanges.h"
#include "trace/Trace.h"

HRESULT JudgeStoreGroups(CConfigInfo* pConfig, IMsgStore* lpMDB, CStoreInfo* pStore, int nStore,
                         const CResultReview* pReview, LPSPropTagArray lpCompared,
                         const std::vector<CCleanupGroup*>& groups) {
    HRESULT hr = HrBeginStoreSnapshot(lpMDB);
    TRACE_FUNC_RESULT("JudgeStoreGroups", hr);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "HrBeginStoreSnapshot() failed: hr = 0x%08lx\n", hr);
        return hr;
    }
    // The mark first: it starts the snapshot, and any commit after it changes the mark the
    // deletions compare with, whatever part of the store that commit touched.
    ULONGLONG ullMark = 0;
    hr = HrGetStoreChangeMark(lpMDB, &ullMark);
    if (SUCCEEDED(hr))
        hr = CheckStoreGroups(pConfig, lpMDB, pStore, nStore, pReview, lpCompared, groups);
    HrEndStoreSnapshot(lpMDB);
    if (FAILED(hr))
        return hr;
    for (CCleanupGroup* pGroup : groups)
        pGroup->ullMark = ullMark;
    return hr;
}

namespace {

// Deletes, recoverably, entries of the folder at nFolder when it still is the one the search
// read; counts those the folder no longer held. An object of another type at the folder's entry id
// deletes nothing and gives S_OK with the step FolderType: the other folders may still go. No lock
// of its own: only a deletion that judged the entries under the store's lock may call it.
HRESULT DeleteFolderEntries(CConfigInfo* pConfig, IMsgStore* lpMDB, CStoreInfo* pStore, int nStore,
                            int nFolder, const CResultReview* pReview, SBinaryArray* pIds,
                            CFolderDeletion& result) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("DeleteFolderEntries", hr);
    // The folder the search read, and no other: a position that names another folder now, or a
    // folder that is gone, is not touched.
    Ref<IMAPIFolder> folder;
    bool bNoKey = false;
    hr = OpenSearchedFolder(lpMDB, pStore, nStore, nFolder, pReview, MAPI_MODIFY | MAPI_BEST_ACCESS,
                            &folder.p, &result.ulType, &bNoKey);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "OpenSearchedFolder() failed: hr = 0x%08lx\n", hr);
        result.failed = bNoKey ? CleanupStep::FolderKey : CleanupStep::OpenFolder;
        return hr;
    }
    if (result.ulType != MAPI_FOLDER) {
        QTRACE(TRACE_ERROR, "Wrong type of object returned: Expected MAPI_FOLDER (%d), got %d.\n",
               MAPI_FOLDER, (int)result.ulType);
        // Nothing of this folder goes; the cleanup goes on with the others.
        result.failed = CleanupStep::FolderType;
        return hr;
    }
    if (folder.p == nullptr) {
        result.ulNotDeleted += pIds->cValues;
        return hr;
    }
    // Without DELETE_HARD_DELETE: the items stay recoverable. Items the folder no longer holds
    // are not deleted (partial completion): the user is told how many.
    ULONG ulBefore = 0;
    const HRESULT hrBefore = pConfig->GetFolderMessageCount(folder.p, &ulBefore);
    hr = folder.p->DeleteMessages(pIds, 0, nullptr, 0);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "DeleteMessages() failed: hr = 0x%08lx\n", hr);
        result.failed = CleanupStep::Delete;
        return hr;
    }
    if (hr == MAPI_W_PARTIAL_COMPLETION) {
        QTRACE(TRACE_WARNING, "DeleteMessages() completed in part.\n");
        ULONG ulAfter = 0;
        ULONG ulNotDeleted = pIds->cValues;
        if (SUCCEEDED(hrBefore) && SUCCEEDED(pConfig->GetFolderMessageCount(folder.p, &ulAfter)) &&
            ulAfter <= ulBefore && ulBefore - ulAfter <= pIds->cValues)
            ulNotDeleted = pIds->cValues - (ulBefore - ulAfter);
        result.ulNotDeleted += ulNotDeleted;
        hr = S_OK;
    }
    return hr;
}

}  // namespace

HRESULT DeleteJudgedEntries(CConfigInfo* pConfig, IMsgStore* lpMDB, CStoreInfo* pStore, int nStore,
                            int nFolder, const CResultReview* pReview, LPSPropTagArray lpCompared,
                            const std::vector<CMarkedEntry>& entries, CFolderDeletion& result) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("DeleteJudgedEntries", hr);
    result = CFolderDeletion();
    if (entries.empty())
        return hr;
    hr = HrBeginStoreBatch(lpMDB);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "HrBeginStoreBatch() failed: hr = 0x%08lx\n", hr);
        result.failed = CleanupStep::Lock;
        return hr;
    }
    // Every path below ends the batch before it returns; nothing is deleted on a failure.
    auto fail = [&](CleanupStep step) {
        HrEndStoreBatch(lpMDB, FALSE);
        result.failed = step;
        return hr;
    };
    ULONGLONG ullMark = 0;
    hr = HrGetStoreChangeMark(lpMDB, &ullMark);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "HrGetStoreChangeMark() failed: hr = 0x%08lx\n", hr);
        return fail(CleanupStep::Judge);
    }
    // Judged at another mark: someone else committed since, so the judgement no longer tells what
    // the store holds now. Such groups are judged again as this transaction reads them; when
    // nobody else wrote, nothing is read here.
    std::vector<CCleanupGroup*> stale;
    for (const CMarkedEntry& entry : entries) {
        CCleanupGroup* pGroup = entry.second;
        if (pGroup->skip == CleanupSkip::None && pGroup->ullMark != ullMark &&
            std::find(stale.begin(), stale.end(), pGroup) == stale.end())
            stale.push_back(pGroup);
    }
    if (!stale.empty()) {
        hr = CheckStoreGroups(pConfig, lpMDB, pStore, nStore, pReview, lpCompared, stale, nFolder);
        if (FAILED(hr)) {
            QTRACE(TRACE_ERROR, "CheckStoreGroups() failed: hr = 0x%08lx\n", hr);
            return fail(CleanupStep::Judge);
        }
        // The group's mark stays: only this folder's part of it was judged again, and its parts in
        // later folders may have changed before this mark as well, so each later folder judges its
        // own part again too.
    }
    // Each passed item once, and never a group's kept item, whatever the marks list: an item that
    // a search met twice is no duplicate of itself.
    std::vector<SBinary> passedIds;
    std::vector<CCleanupGroup*> passedGroups;
    std::unordered_set<std::string_view> passedSet;
    for (const CMarkedEntry& entry : entries) {
        if (entry.second->skip != CleanupSkip::None || IsKeptItem(lpMDB, *entry.second, entry.first))
            continue;
        if (!passedSet.emplace(reinterpret_cast<const char*>(entry.first.lpb), entry.first.cb).second)
            continue;
        passedIds.push_back(entry.first);
        passedGroups.push_back(entry.second);
    }
    if (passedIds.empty()) {
        HrEndStoreBatch(lpMDB, FALSE);
        return hr;
    }
    SBinaryArray passed{(ULONG)passedIds.size(), passedIds.data()};
    CFolderDeletion deletion;
    hr = DeleteFolderEntries(pConfig, lpMDB, pStore, nStore, nFolder, pReview, &passed, deletion);
    if (FAILED(hr) || deletion.failed != CleanupStep::None) {
        result.ulType = deletion.ulType;
        return fail(deletion.failed);
    }
    hr = HrEndStoreBatch(lpMDB, TRUE);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "HrEndStoreBatch() failed: hr = 0x%08lx\n", hr);
        result.failed = CleanupStep::Commit;
        return hr;
    }
    result.ulNotDeleted = deletion.ulNotDeleted;
    // A group that changes in a later folder is no longer whole: these went.
    if (deletion.ulNotDeleted < passed.cValues) {
        for (CCleanupGroup* pGroup : passedGroups)
            pGroup->bDeletedFrom = true;
    }
    return hr;
}
