// The duplicate search: the members of CConfigInfo that read the chosen folders and fill the index.
//
// FindDuplicates walks the stores, FindStoreDuplicates builds a store's column set and walks its
// folders, FindFolderDuplicates reads one folder's items and files each into the duplicate index
// (see engine/LabelMap.h for the index itself). Every MAPI use is self-contained: each folder, and
// each column-set building, initialises MAPI, logs on and opens the store afresh, and undoes all of
// it on every path, so no session outlives the step that needed it.
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <unordered_set>

#include "engine/DrawerMap.h"
#include "engine/DrawerMapList.h"
#include "engine/EntryReference.h"
#include "model/ConfigInfo.h"
#include "model/FolderInfo.h"
#include "model/Helpers.h"
#include "model/PropertyID.h"
#include "model/PropertyList.h"
#include "model/SearchProgress.h"
#include "model/StoreInfo.h"
#include "model/UiServices.h"
#include "platform/mapi/MAPIFunctions.h"
#include "platform/mapi/StoreAdmin.h"
#include "trace/Trace.h"

namespace {

constexpr ULONG kRowBatch = 100;
constexpr ULONG kUnknownItemCount = 500;

void SetStoreBar(ISearchProgress* pProgress, int nPercent) {
    if (pProgress != nullptr) {
        pProgress->SetStoreProgress(nPercent);
    }
}
void SetFolderBar(ISearchProgress* pProgress, int nPercent) {
    if (pProgress != nullptr) {
        pProgress->SetFolderProgress(nPercent);
    }
}
void SetItemBar(ISearchProgress* pProgress, int nPercent) {
    if (pProgress != nullptr) {
        pProgress->SetItemProgress(nPercent);
    }
}

template <class T>
void ReleaseAndNull(T*& p) {
    if (p != nullptr) {
        p->Release();
        p = nullptr;
    }
}

// Which list and store the last map was opened for. In compare mode 1 the first folder actually
// searched in a store must open the store's own map, also when the folder at index 0 was skipped:
// otherwise the store's items would be filed into the previous store's map and meet its items.
thread_local const CDrawerMapList* t_pMapList = nullptr;
thread_local int t_nMapStore = -1;

// The map the last folder was filed into, and the entry ids of the folders filed into it. When the
// compare mode puts a store's folders together, a folder the store's list names twice (a damaged
// document) would file each of its items twice into one map, and each item would be found a
// duplicate of itself: a folder is read into a map once.
thread_local const CDrawerMap* t_pFiledMap = nullptr;
thread_local std::unordered_set<std::string> t_filedFolders;

void ForgetFiledFolders() {
    t_pFiledMap = nullptr;
    t_filedFolders.clear();
}

// The folder's own entry id as the store hands it out (the saved key may be another form of it);
// the saved key when the folder does not tell.
std::string FolderIdentity(IMAPIFolder* lpFolder, const SBinary& savedKey) {
    SizedSPropTagArray(1, tags) = {1, {PR_ENTRYID}};
    ULONG cValues = 0;
    LPSPropValue lpId = nullptr;
    std::string id;
    if (SUCCEEDED(lpFolder->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), 0, &cValues, &lpId)) &&
        cValues == 1 && lpId != nullptr && lpId->ulPropTag == PR_ENTRYID && lpId->Value.bin.cb != 0)
        id.assign(reinterpret_cast<const char*>(lpId->Value.bin.lpb), lpId->Value.bin.cb);
    else
        id.assign(reinterpret_cast<const char*>(savedKey.lpb), savedKey.cb);
    if (lpId != nullptr)
        MAPIFreeBuffer(lpId);
    return id;
}

// Everything one folder's search holds; released in the documented order on every path.
struct CFolderSearchState {
    CStoreInfo* pStore = nullptr;
    CFolderInfo* pFolder = nullptr;
    SBinary folderKey{0, nullptr};
    LPSPropTagArray lpExtended = nullptr;
    CDrawerMap* pMap = nullptr;
    bool fInitialized = false;
    LPMAPISESSION lpSession = nullptr;
    LPMDB lpMDB = nullptr;
    LPMAPIFOLDER lpFolder = nullptr;
    LPMAPITABLE lpTable = nullptr;
    LPSRowSet lpRows = nullptr;
    LPMESSAGE lpMessage = nullptr;
    LPSPropValue lpValues = nullptr;
    CEntryReference* pReference = nullptr;

    ~CFolderSearchState() {
        std::free(folderKey.lpb);
        ReleaseAndNull(pStore);
        ReleaseAndNull(pFolder);
        ReleaseAndNull(lpTable);
        if (lpValues != nullptr) {
            MAPIFreeBuffer(lpValues);
        }
        ReleaseAndNull(lpMessage);
        ReleaseAndNull(lpFolder);
        ReleaseAndNull(lpMDB);
        if (lpSession != nullptr) {
            lpSession->Logoff(0, 0, 0);
            ReleaseAndNull(lpSession);
        }
        FreeProws(lpRows);
        ReleaseAndNull(pReference);
        std::free(lpExtended);
        ReleaseAndNull(pMap);
        if (fInitialized) {
            MAPIUninitialize();
        }
    }
};

// What the column-set building holds.
struct CColumnSetState {
    CStoreInfo* pStore = nullptr;
    CPropertyList* pPropList = nullptr;
    CPropertyID* pProp = nullptr;
    bool fInitialized = false;
    LPMAPISESSION lpSession = nullptr;
    LPMDB lpMDB = nullptr;

    ~CColumnSetState() {
        ReleaseAndNull(pProp);
        ReleaseAndNull(pPropList);
        ReleaseAndNull(pStore);
        ReleaseAndNull(lpMDB);
        if (lpSession != nullptr) {
            lpSession->Logoff(0, 0, 0);
            ReleaseAndNull(lpSession);
        }
        if (fInitialized) {
            MAPIUninitialize();
        }
    }
};

// Has the store's whole-file check, when it ends, report a damaged store.
void AdviseStoreCheck(IMsgStore* lpMDB) {
    const HRESULT hrAdvise = HrAdviseStoreCheck(lpMDB, [](HRESULT hrCheck) {
        if (hrCheck == MAPI_E_CORRUPT_STORE) {
            QTRACE(TRACE_ERROR, "The store failed its integrity check: hr = 0x%08lx\n", hrCheck);
            ReportStoreCheckFailure(hrCheck);
        }
    });
    if (FAILED(hrAdvise)) {
        QTRACE(TRACE_ERROR, "HrAdviseStoreCheck() failed: hr = 0x%08lx\n", hrAdvise);
    }
}

}  // namespace

HRESULT CConfigInfo::FindDuplicates(CDrawerMapList** ppList, CWnd* pParent) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("FindDuplicates", hr);
    if (ppList == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid list pointer specified!\n");
        return hr = E_INVALIDARG;
    }
    *ppList = nullptr;
    CDrawerMapList* pList = new (std::nothrow) CDrawerMapList((LONG)m_dwCompareMode, 10);
    if (pList == nullptr) {
        QTRACE(TRACE_ERROR, "new() failed: Unable to allocate DrawerMapList\n");
        return hr = E_OUTOFMEMORY;
    }
    *ppList = pList;
    pList->AddRef();
    m_ulEntryNumber = 1;
    t_pMapList = nullptr;
    t_nMapStore = -1;
    ForgetFiledFolders();

    const int nStores = GetStoreCount();
    std::unique_ptr<ISearchProgress> progress;
    if (IUiServices* pServices = GetUiServices()) {
        progress = pServices->CreateSearchProgress(pParent);
    }
    ISearchProgress* pProgress = progress.get();
    for (int pass = 0; pass < 2; ++pass) {
        SetStoreBar(pProgress, 0);
        SetFolderBar(pProgress, 0);
        SetItemBar(pProgress, 0);
    }

    for (int i = 0; i < nStores; ++i) {
        SetStoreBar(pProgress, i * 100 / nStores);
        CStoreInfo* pStore = GetStore(i);
        if (pStore == nullptr) {
            continue;
        }
        if (pStore->GetFolderCount() > 0) {
            hr = FindStoreDuplicates(i, pList, pProgress);
            if (FAILED(hr)) {
                QTRACE(TRACE_ERROR, "FindStoreDuplicates() failed: hr = 0x%08lx\n", hr);
                pStore->Release();
                break;
            }
        }
        pStore->Release();
    }
    t_pMapList = nullptr;
    t_nMapStore = -1;
    ForgetFiledFolders();
    return hr;
}

HRESULT CConfigInfo::FindStoreDuplicates(int nStoreIndex, CDrawerMapList* pList, ISearchProgress* pProgress) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("FindStoreDuplicates", hr);
    if (pList == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: pList is NULL!\n");
        return hr = E_INVALIDARG;
    }
    CStoreInfo* pStore = GetStore(nStoreIndex);
    if (pStore == nullptr) {
        QTRACE(TRACE_ERROR, "Failed to get store!\n");
        return hr = E_FAIL;
    }
    LPSPropTagArray lpTags = nullptr;
    hr = BuildPropTagArray(nStoreIndex, &lpTags);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "BuildPropTagArray() failed: hr = 0x%08lx\n", hr);
        std::free(lpTags);
        pStore->Release();
        return hr;
    }
    if (lpTags == nullptr) {
        QTRACE(TRACE_INFO, "No properties were selected.\n");
        pStore->Release();
        return hr;
    }
    const int nFolders = pStore->GetFolderCount();
    if (nFolders != 0) {
        SetFolderBar(pProgress, 0);
        for (int j = 0; j < nFolders; ++j) {
            SetFolderBar(pProgress, j * 100 / nFolders);
            hr = FindFolderDuplicates(nStoreIndex, j, lpTags, pList, pProgress);
            if (FAILED(hr)) {
                QTRACE(TRACE_ERROR, "FindFolderDuplicates() failed: hr = 0x%08lx\n", hr);
                break;
            }
        }
    }
    pStore->Release();
    std::free(lpTags);
    return hr;
}

HRESULT CConfigInfo::GetSelectedPropertyCount(int nStoreIndex, ULONG* pulCount) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("GetSelectedPropertyCount", hr);
    if (pulCount == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid count pointer specified!\n");
        return hr = E_INVALIDARG;
    }
    *pulCount = 0;
    if (nStoreIndex < 0) {
        QTRACE(TRACE_ERROR, "Failure: Negative store index specified!\n");
        return hr = E_INVALIDARG;
    }
    if (nStoreIndex >= GetStoreCount()) {
        QTRACE(TRACE_ERROR, "Failure: Store index out of upper bound!\n");
        return hr = E_INVALIDARG;
    }
    CStoreInfo* pStore = GetStore(nStoreIndex);
    if (pStore == nullptr) {
        QTRACE(TRACE_ERROR, "Got NULL stor info object!\n");
        return hr = E_UNEXPECTED;
    }
    pStore->Release();
    CPropertyList* pPropList = nullptr;
    if (FAILED(hr = GetPropertyList(&pPropList)) || pPropList == nullptr) {
        return hr;
    }
    CPropertyID* pProp = nullptr;
    ULONG ulCount = 0;
    for (hr = pPropList->GetFirstProperty(&pProp); SUCCEEDED(hr) && pProp != nullptr;
         hr = pPropList->GetNextProperty(&pProp)) {
        if (pProp->IsSelected()) {
            ++ulCount;
        }
        ReleaseAndNull(pProp);
    }
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "pPropList->GetFirstProperty() failed: hr = 0x%08lx\n", hr);
    }
    ReleaseAndNull(pProp);
    pPropList->Release();
    if (SUCCEEDED(hr)) {
        *pulCount = ulCount;
    }
    return hr;
}

HRESULT CConfigInfo::BuildPropTagArray(int nStoreIndex, LPSPropTagArray* lppTags) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("BuildPropTagArray", hr);
    if (lppTags == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid tag array pointer specified!\n");
        return hr = E_INVALIDARG;
    }
    *lppTags = nullptr;
    ULONG ulCount = 0;
    hr = GetSelectedPropertyCount(nStoreIndex, &ulCount);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "GetSelectedPropertyCount() failed: hr = 0x%08lx\n", hr);
        return hr;
    }
    if (ulCount == 0) {
        QTRACE(TRACE_WARNING, "No properties were selected!\n");
        return hr;
    }
    auto lpTags = static_cast<LPSPropTagArray>(std::calloc(1, CbNewSPropTagArray(ulCount)));
    if (lpTags == nullptr) {
        QTRACE(TRACE_ERROR, "malloc() failed: Unable to allocate prop tag array!\n");
        return hr = E_OUTOFMEMORY;
    }
    *lppTags = lpTags;

    CColumnSetState state;
    state.pStore = GetStore(nStoreIndex);
    if (state.pStore == nullptr) {
        QTRACE(TRACE_ERROR, "Got NULL stor info object!\n");
        return hr = E_UNEXPECTED;
    }
    if (FAILED(hr = MAPIInitialize())) {
        QTRACE(TRACE_ERROR, "MAPIInitialize() failed: hr = 0x%08lx\n", hr);
        return hr;
    }
    state.fInitialized = true;
    if (FAILED(hr = RetrieveSession(this, &state.lpSession))) {
        QTRACE(TRACE_ERROR, "RetrieveSession() failed: hr = 0x%08lx\n", hr);
        return hr;
    }
    if (FAILED(hr = OpenStore(this, state.lpSession, state.pStore, &state.lpMDB, FALSE))) {
        QTRACE(TRACE_ERROR, "OpenStore() failed: hr = 0x%08lx\n", hr);
        return hr;
    }
    if (FAILED(hr = GetPropertyList(&state.pPropList)) || state.pPropList == nullptr) {
        return hr;
    }
    for (hr = state.pPropList->GetFirstProperty(&state.pProp); SUCCEEDED(hr) && state.pProp != nullptr;
         hr = state.pPropList->GetNextProperty(&state.pProp)) {
        if (state.pProp->IsSelected()) {
            ULONG ulTag = 0;
            hr = state.pProp->GetPropertyID(state.lpMDB, &ulTag);
            if (FAILED(hr)) {
                QTRACE(TRACE_ERROR, "pPropID->GetPropertyID() failed: hr = 0x%08lx\n", hr);
                return hr;
            }
            // The array was sized by the count taken before; a list that grew since must not
            // write past it.
            if (lpTags->cValues < ulCount) {
                lpTags->aulPropTag[lpTags->cValues++] = ulTag;
            }
        }
        ReleaseAndNull(state.pProp);
    }
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "pPropList->GetFirstProperty() failed: hr = 0x%08lx\n", hr);
    }
    return hr;
}

HRESULT CConfigInfo::GetFolderMessageCount(IMAPIFolder* lpFolder, ULONG* pulCount) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("GetFolderMessageCount", hr);
    if (pulCount == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid count pointer specified!\n");
        return hr = E_INVALIDARG;
    }
    *pulCount = 0;
    if (lpFolder == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid folder pointer specified!\n");
        return hr = E_INVALIDARG;
    }
    SizedSPropTagArray(1, tags) = {1, {PR_CONTENT_COUNT}};
    ULONG cValues = 0;
    LPSPropValue lpValue = nullptr;
    hr = lpFolder->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), 0, &cValues, &lpValue);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "GetProps() failed: hr = 0x%08lx\n", hr);
        if (lpValue != nullptr) {
            MAPIFreeBuffer(lpValue);
        }
        return hr;
    }
    if (cValues == 0 || lpValue == nullptr) {
        QTRACE(TRACE_ERROR, "GetProps() failed: No information returned!\n");
        hr = E_FAIL;
    } else if (PROP_ID(lpValue->ulPropTag) != PROP_ID(PR_CONTENT_COUNT)) {
        QTRACE(TRACE_ERROR, "GetProps() failed: Returned property 0x%08lx instead of 0x%08lx!\n",
               lpValue->ulPropTag, (ULONG)PR_CONTENT_COUNT);
        hr = E_FAIL;
    } else if (PROP_TYPE(lpValue->ulPropTag) == PT_ERROR) {
        QTRACE(TRACE_ERROR, "GetProps() failed: Property PR_CONTENT_COUNT not present!\n");
        hr = E_FAIL;
    } else if (PROP_TYPE(lpValue->ulPropTag) == PT_LONG) {
        *pulCount = lpValue->Value.ul;
        hr = S_OK;
    } else {
        QTRACE(TRACE_ERROR, "GetProps() failed: Wrong prperty type %d!\n",
               (int)PROP_TYPE(lpValue->ulPropTag));
        hr = E_FAIL;
    }
    if (lpValue != nullptr) {
        MAPIFreeBuffer(lpValue);
    }
    return hr;
}

HRESULT CConfigInfo::IsSearchPossible(BOOL* pbPossible) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("IsSearchPossible", hr);
    if (pbPossible == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid flag pointer specified!\n");
        return hr = E_INVALIDARG;
    }
    *pbPossible = FALSE;
    const int nStores = GetStoreCount();
    for (int i = 0; i < nStores && !*pbPossible; ++i) {
        CStoreInfo* pStore = GetStore(i);
        if (pStore == nullptr) {
            continue;
        }
        CPropertyList* pPropList = nullptr;
        if (pStore->GetFolderCount() > 0 && SUCCEEDED(GetPropertyList(&pPropList)) && pPropList != nullptr) {
            CPropertyID* pProp = nullptr;
            hr = pPropList->GetFirstProperty(&pProp);
            if (FAILED(hr)) {
                QTRACE(TRACE_ERROR, "GetFirstProperty() failed: hr = 0x%08lx\n", hr);
            }
            while (SUCCEEDED(hr) && pProp != nullptr) {
                const BOOL fSelected = pProp->IsSelected();
                ReleaseAndNull(pProp);
                if (fSelected) {
                    *pbPossible = TRUE;
                    break;
                }
                hr = pPropList->GetNextProperty(&pProp);
                if (FAILED(hr)) {
                    QTRACE(TRACE_ERROR, "GetNextProperty() failed: hr = 0x%08lx\n", hr);
                }
            }
            ReleaseAndNull(pProp);
        }
        ReleaseAndNull(pPropList);
        pStore->Release();
    }
    return hr;
}

HRESULT CConfigInfo::FindFolderDuplicates(int nStoreIndex, int nFolderIndex, LPSPropTagArray lpTags,
                                          CDrawerMapList* pList, ISearchProgress* pProgress) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("FindFolderDuplicates", hr);
    if (lpTags == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid property tag array specified!\n");
        return hr = E_INVALIDARG;
    }
    if (lpTags->cValues == 0) {
        QTRACE(TRACE_ERROR, "Failure: Empty property tag array specified!\n");
        return hr = E_INVALIDARG;
    }
    if (pList == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid DrawerMapList specified!\n");
        return hr = E_INVALIDARG;
    }
    CFolderSearchState s;
    s.pStore = GetStore(nStoreIndex);
    if (s.pStore == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid store index!\n");
        return hr = E_INVALIDARG;
    }
    hr = s.pStore->GetFolder(nFolderIndex, &s.pFolder);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "pStoreInfo->GetFolder() failed: hr = 0x%08lx\n", hr);
        s.pFolder = nullptr;
        return hr;
    }
    if (s.pFolder == nullptr) {
        QTRACE(TRACE_ERROR, "pStoreInfo->GetFolder() failed: pFolderInfo is NULL\n");
        return hr = S_OK;
    }

    // The three fixed columns every item needs; appended when the compared ones lack them.
    const ULONG aulFixed[3] = {PR_ENTRYID, PR_LAST_MODIFICATION_TIME, PR_SUBJECT};
    ULONG aulPos[3] = {ULONG(-1), ULONG(-1), ULONG(-1)};
    for (ULONG c = 0; c < lpTags->cValues; ++c) {
        for (int k = 0; k < 3; ++k) {
            if (aulPos[k] == ULONG(-1) && lpTags->aulPropTag[c] == aulFixed[k]) {
                aulPos[k] = c;
            }
        }
    }
    ULONG ulAdded = 0;
    for (int k = 0; k < 3; ++k) {
        ulAdded += (aulPos[k] == ULONG(-1)) ? 1 : 0;
    }
    LPSPropTagArray lpColumns = lpTags;
    if (ulAdded != 0) {
        s.lpExtended =
            static_cast<LPSPropTagArray>(std::calloc(1, CbNewSPropTagArray(lpTags->cValues + ulAdded)));
        if (s.lpExtended == nullptr) {
            QTRACE(TRACE_ERROR, "malloc() failed: Unable to allocate temporary property tag array!\n");
            return hr = E_OUTOFMEMORY;
        }
        std::memcpy(s.lpExtended->aulPropTag, lpTags->aulPropTag, lpTags->cValues * sizeof(ULONG));
        s.lpExtended->cValues = lpTags->cValues;
        for (int k = 0; k < 3; ++k) {
            if (aulPos[k] == ULONG(-1)) {
                aulPos[k] = s.lpExtended->cValues;
                s.lpExtended->aulPropTag[s.lpExtended->cValues++] = aulFixed[k];
            }
        }
        lpColumns = s.lpExtended;
    }
    const ULONG ulEntryPos = aulPos[0];
    const ULONG ulTimePos = aulPos[1];
    const ULONG ulSubjectPos = aulPos[2];

    const bool fFirstOfStore = (nFolderIndex == 0) || t_pMapList != pList || t_nMapStore != nStoreIndex;
    if (fFirstOfStore) {
        hr = pList->AddStoreMap(&s.pMap, lpTags);
        if (FAILED(hr)) {
            QTRACE(TRACE_ERROR, "AddStoreMap() failed: hr = 0x%08lx\n", hr);
            s.pMap = nullptr;
            return hr;
        }
    } else {
        hr = pList->AddFolderMap(&s.pMap, lpTags);
        if (FAILED(hr)) {
            QTRACE(TRACE_ERROR, "AddFolderMap() failed: hr = 0x%08lx\n", hr);
            s.pMap = nullptr;
            return hr;
        }
    }
    t_pMapList = pList;
    t_nMapStore = nStoreIndex;

    if (FAILED(hr = MAPIInitialize())) {
        QTRACE(TRACE_ERROR, "MAPIInitialize() failed: hr = 0x%08lx\n", hr);
        return hr;
    }
    s.fInitialized = true;
    if (FAILED(hr = RetrieveSession(this, &s.lpSession))) {
        QTRACE(TRACE_ERROR, "RetrieveSession() failed: hr = 0x%08lx\n", hr);
        return hr;
    }
    if (FAILED(hr = OpenStore(this, s.lpSession, s.pStore, &s.lpMDB, FALSE))) {
        QTRACE(TRACE_ERROR, "OpenStore() failed: hr = 0x%08lx\n", hr);
        return hr;
    }
    if (FAILED(hr = s.pFolder->GetFolderKey(&s.folderKey))) {
        QTRACE(TRACE_ERROR, "GetFolderKey() failed: hr = 0x%08lx\n", hr);
        return hr;
    }
    ULONG ulObjType = 0;
    LPUNKNOWN lpUnknown = nullptr;
    hr = s.lpMDB->OpenEntry(s.folderKey.cb, reinterpret_cast<LPENTRYID>(s.folderKey.lpb), nullptr,
                            MAPI_BEST_ACCESS, &ulObjType, &lpUnknown);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "pStore->OpenEntry() failed: hr = 0x%08lx\n", hr);
        return hr;
    }
    // A saved folder key that names something else must not be used as a folder.
    if (ulObjType != MAPI_FOLDER) {
        lpUnknown->Release();
        hr = E_UNEXPECTED;
        QTRACE(TRACE_ERROR, "pStore->OpenEntry() failed: hr = 0x%08lx\n", hr);
        return hr;
    }
    s.lpFolder = static_cast<LPMAPIFOLDER>(lpUnknown);

    if (s.pMap != t_pFiledMap) {
        ForgetFiledFolders();
        t_pFiledMap = s.pMap;
    }
    bool fFiledAlready = false;
    try {
        fFiledAlready = !t_filedFolders.insert(FolderIdentity(s.lpFolder, s.folderKey)).second;
    } catch (const std::bad_alloc&) {
        QTRACE(TRACE_ERROR, "new() failed: Unable to note the searched folder!\n");
        return hr = E_OUTOFMEMORY;
    }
    if (fFiledAlready) {
        QTRACE(TRACE_WARNING, "Folder %d of store %d was searched already - skipping!\n", nFolderIndex,
               nStoreIndex);
        if (nFolderIndex + 1 == s.pStore->GetFolderCount()) {
            AdviseStoreCheck(s.lpMDB);
        }
        return hr = S_OK;
    }

    ULONG ulItemCount = 0;
    hr = GetFolderMessageCount(s.lpFolder, &ulItemCount);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "GetFolderMessageCount() failed: hr = 0x%08lx\n", hr);
        ulItemCount = kUnknownItemCount;
        hr = S_OK;
    }
    if (FAILED(hr = s.lpFolder->GetContentsTable(0, &s.lpTable))) {
        QTRACE(TRACE_ERROR, "GetContentsTable() failed: hr = 0x%08lx\n", hr);
        return hr;
    }
    if (FAILED(hr = s.lpTable->SetColumns(lpColumns, 0))) {
        QTRACE(TRACE_ERROR, "SetColumns() failed: hr = 0x%08lx\n", hr);
        return hr;
    }

    ULONG ulDone = 0;
    for (;;) {
        FreeProws(s.lpRows);
        s.lpRows = nullptr;
        if (FAILED(hr = s.lpTable->QueryRows(kRowBatch, 0, &s.lpRows))) {
            QTRACE(TRACE_ERROR, "QueryRows() failed: hr = 0x%08lx\n", hr);
            return hr;
        }
        if (s.lpRows == nullptr) {
            QTRACE(TRACE_ERROR, "QueryRows() failed: pRows = NULL\n");
            return hr = S_OK;
        }
        if (s.lpRows->cRows == 0) {
            break;
        }
        for (ULONG r = 0; r < s.lpRows->cRows; ++r) {
            // A count of 0 while rows still come cannot give a percentage: the bar stays put.
            if (ulItemCount != 0) {
                SetItemBar(pProgress, (int)(ulDone * 100 / ulItemCount));
            }
            const SRow& row = s.lpRows->aRow[r];
            if (row.lpProps == nullptr || ulEntryPos >= row.cValues) {
                QTRACE(TRACE_ERROR, "Wrong type in EntryID column: Type is 0x%08lx\n", (ULONG)PT_NULL);
                return hr = E_UNEXPECTED;
            }
            const SPropValue& rowEntry = row.lpProps[ulEntryPos];
            if (PROP_TYPE(rowEntry.ulPropTag) != PT_BINARY) {
                QTRACE(TRACE_ERROR, "Wrong type in EntryID column: Type is 0x%08lx\n",
                       (ULONG)PROP_TYPE(rowEntry.ulPropTag));
                return hr = E_UNEXPECTED;
            }
            if (rowEntry.ulPropTag != PR_ENTRYID) {
                QTRACE(TRACE_ERROR, "Wrong property in EntryID column: Field-ID is is 0x%08lx\n",
                       rowEntry.ulPropTag);
                return hr = E_UNEXPECTED;
            }

            ulObjType = 0;
            lpUnknown = nullptr;
            hr = s.lpFolder->OpenEntry(rowEntry.Value.bin.cb,
                                       reinterpret_cast<LPENTRYID>(rowEntry.Value.bin.lpb), nullptr,
                                       MAPI_BEST_ACCESS, &ulObjType, &lpUnknown);
            if (hr == MAPI_E_NOT_FOUND) {
                // Deleted since the table was read: nothing to compare.
                ++ulDone;
                hr = S_OK;
                continue;
            }
            if (FAILED(hr)) {
                QTRACE(TRACE_ERROR, "pFolder->OpenEntry() failed: hr = 0x%08lx\n", hr);
                return hr;
            }
            s.lpMessage = static_cast<LPMESSAGE>(lpUnknown);

            ULONG cValues = 0;
            hr = s.lpMessage->GetProps(lpColumns, 0, &cValues, &s.lpValues);
            if (FAILED(hr)) {
                QTRACE(TRACE_ERROR, "GetProps() failed: hr = 0x%08lx\n", hr);
                return hr;
            }
            hr = S_OK;  // values with errors are values the item lacks
            if (cValues == 0 || s.lpValues == nullptr) {
                QTRACE(TRACE_WARNING, "Message holds NO properties! Skipping!\n");
                if (s.lpValues != nullptr) {
                    MAPIFreeBuffer(s.lpValues);
                    s.lpValues = nullptr;
                }
                ReleaseAndNull(s.lpMessage);
                ++ulDone;
                continue;
            }
            if (cValues != lpColumns->cValues) {
                QTRACE(TRACE_ERROR, "GetProps() failed: %lu values instead of %lu!\n", cValues,
                       lpColumns->cValues);
                return hr = E_UNEXPECTED;
            }
            const SPropValue& timeValue = s.lpValues[ulTimePos];
            if (PROP_TYPE(timeValue.ulPropTag) != PT_SYSTIME) {
                QTRACE(TRACE_ERROR, "Wrong type in modification time column: Type is 0x%08lx\n",
                       (ULONG)PROP_TYPE(timeValue.ulPropTag));
                return hr = E_UNEXPECTED;
            }
            if (timeValue.ulPropTag != PR_LAST_MODIFICATION_TIME) {
                QTRACE(TRACE_ERROR, "Wrong property in modification time  column: Field-ID is is 0x%08lx\n",
                       timeValue.ulPropTag);
                return hr = E_UNEXPECTED;
            }
            const SPropValue& subjectValue = s.lpValues[ulSubjectPos];
            LPCSTR lpszSubject =
                (PROP_TYPE(subjectValue.ulPropTag) == PT_STRING8) ? subjectValue.Value.lpszA : nullptr;
            // The entry id comes from a value known to be binary: the item's own when it is one,
            // else the table's, checked above.
            const SPropValue& itemEntry = s.lpValues[ulEntryPos];
            const SBinary& entryID =
                (itemEntry.ulPropTag == PR_ENTRYID) ? itemEntry.Value.bin : rowEntry.Value.bin;

            const ULONG ulCompared = cValues - ulAdded;
            if (ArePropValuesEmpty(ulCompared, s.lpValues)) {
                MAPIFreeBuffer(s.lpValues);
                s.lpValues = nullptr;
                ReleaseAndNull(s.lpMessage);
                ++ulDone;
                continue;
            }

            s.pReference = new (std::nothrow) CEntryReference(m_ulEntryNumber);
            if (s.pReference == nullptr) {
                QTRACE(TRACE_ERROR, "new() failed: Unable to create entry reference!\n");
                return hr = E_OUTOFMEMORY;
            }
            s.pReference->AddRef();
            hr = s.pReference->Init(&m_ProfileKey, nStoreIndex, nFolderIndex, &entryID, timeValue.Value.ft,
                                    lpszSubject);
            if (FAILED(hr)) {
                QTRACE(TRACE_ERROR, "pReference->Init() failed: hr = 0x%08lx\n", hr);
                return hr;
            }
            ++m_ulEntryNumber;

            // One pass down the index: the item joins the drawer of its label, or a new drawer
            // labelled with its values is made and filed where the label parts from the others.
            SRow label{0, ulCompared, s.lpValues};
            if (FAILED(hr = s.pMap->InsertEntry(&label, 0, lpTags, s.pReference))) {
                QTRACE(TRACE_ERROR, "rpMap->InsertEntry() failed: hr = 0x%08lx\n", hr);
                return hr;
            }
            ReleaseAndNull(s.pReference);
            MAPIFreeBuffer(s.lpValues);
            s.lpValues = nullptr;
            ReleaseAndNull(s.lpMessage);
            ++ulDone;
        }
    }
    // What the store's folders gave counts only from a sound file: a damaged index reads as fewer
    // items, or none, without an error. The search does not wait for the store's whole-file check
    // (started beside it when its first contents table opened): its result shows at once, the
    // user is told when the check finds damage, and a cleanup's writes wait for the verdict. A
    // check that could not run (busy, stopped) tells nothing.
    if (nFolderIndex + 1 == s.pStore->GetFolderCount()) {
        AdviseStoreCheck(s.lpMDB);
    }
    return hr;
}
