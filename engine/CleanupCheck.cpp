// The cleanup's check of each group against the store as it is now, one table read per folder.
#include "engine/CleanupCheck.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "engine/DrawerMap.h"
#include "engine/EntryReference.h"
#include "engine/ScopedRef.h"
#include "engine/SortDrawer.h"
#include "model/ConfigInfo.h"
#include "model/FolderInfo.h"
#include "model/ResultReview.h"
#include "model/StoreInfo.h"
#include "platform/mapi/MAPIX.h"
#include "trace/Trace.h"

namespace {

// Rows are asked for in batches of this many.
constexpr LONG kRowBatch = 2000;

// An entry's id where its reference keeps it; the groups hold the references while the check runs.
std::string_view IdOf(const CEntryReference* pEntry) {
    const SBinary id = pEntry->EntryIDView();
    return id.lpb != nullptr ? std::string_view(reinterpret_cast<const char*>(id.lpb), id.cb)
                             : std::string_view("", 0);
}

// Entry ids of one store share their leading bytes and differ in the last ones: hashing those
// alone is as good and costs a fraction of hashing the whole id.
struct CIdTailHash {
    size_t operator()(std::string_view id) const {
        const size_t tail = std::min<size_t>(id.size(), 16);
        return std::hash<std::string_view>()(id.substr(id.size() - tail)) ^ id.size();
    }
};

// What the store holds now of one folder's entries: each found entry's row (the entry id, then
// the compared values), by entry id. The row sets are kept for the rows' life.
struct CFolderValues {
    bool bSearched = false;             // the folder at the position is the one the search read
    std::vector<std::string_view> ids;  // the groups' own copies
    std::unordered_map<std::string_view, const SRow*, CIdTailHash> rows;  // keys point into the row sets
    std::vector<std::unique_ptr<SRowSet, void (*)(LPSRowSet)>> sets;
};

// Reads the rows of the named entries of one opened folder: one restriction of its contents table
// to the entry ids (an OR of equalities), the rows fetched in batches.
HRESULT ReadFolderValues(IMAPIFolder* lpFolder, LPSPropTagArray lpCompared, CFolderValues& values) {
    HRESULT hr = S_OK;
    if (values.ids.empty())
        return hr;
    std::vector<ULONG> columnTags(lpCompared->cValues + 2);
    auto* lpColumns = reinterpret_cast<LPSPropTagArray>(columnTags.data());
    lpColumns->cValues = lpCompared->cValues + 1;
    lpColumns->aulPropTag[0] = PR_ENTRYID;
    std::memcpy(&lpColumns->aulPropTag[1], lpCompared->aulPropTag, lpCompared->cValues * sizeof(ULONG));

    std::vector<SPropValue> idValues(values.ids.size());
    std::vector<SRestriction> equalities(values.ids.size());
    for (size_t i = 0; i < values.ids.size(); ++i) {
        idValues[i].ulPropTag = PR_ENTRYID;
        idValues[i].Value.bin.cb = (ULONG)values.ids[i].size();
        idValues[i].Value.bin.lpb = reinterpret_cast<LPBYTE>(const_cast<char*>(values.ids[i].data()));
        equalities[i].rt = RES_PROPERTY;
        equalities[i].res.resProperty.relop = RELOP_EQ;
        equalities[i].res.resProperty.ulPropTag = PR_ENTRYID;
        equalities[i].res.resProperty.lpProp = &idValues[i];
    }
    SRestriction anyOf{};
    anyOf.rt = RES_OR;
    anyOf.res.resOr.cRes = (ULONG)equalities.size();
    anyOf.res.resOr.lpRes = equalities.data();

    Ref<IMAPITable> table;
    hr = lpFolder->GetContentsTable(0, &table.p);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "GetContentsTable() failed: hr = 0x%08lx\n", hr);
        return hr;
    }
    hr = table.p->SetColumns(lpColumns, 0);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "SetColumns() failed: hr = 0x%08lx\n", hr);
        return hr;
    }
    hr = table.p->Restrict(&anyOf, 0);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "Restrict() failed: hr = 0x%08lx\n", hr);
        return hr;
    }
    values.rows.reserve(values.ids.size());
    for (;;) {
        LPSRowSet lpRows = nullptr;
        hr = table.p->QueryRows(kRowBatch, 0, &lpRows);
        if (FAILED(hr)) {
            QTRACE(TRACE_ERROR, "QueryRows() failed: hr = 0x%08lx\n", hr);
            return hr;
        }
        if (lpRows == nullptr || lpRows->cRows == 0) {
            FreeProws(lpRows);
            break;
        }
        values.sets.emplace_back(lpRows, &FreeProws);
        for (ULONG r = 0; r < lpRows->cRows; ++r) {
            const SRow& row = lpRows->aRow[r];
            if (row.cValues != lpColumns->cValues || row.lpProps == nullptr ||
                row.lpProps[0].ulPropTag != PR_ENTRYID)
                continue;
            const SBinary& id = row.lpProps[0].Value.bin;
            values.rows[std::string_view(reinterpret_cast<const char*>(id.lpb), id.cb)] = &row;
        }
    }
    return S_OK;
}

// Whether two values are the same byte for byte, for the types whose index levels key an item by
// its value as it is (strings, binary values, integers, times): identical values of those types are
// always filed together, so the index need not be asked. Other types, floating point among them
// (a NaN equals nothing, not even itself), and missing values are left to the index.
bool SameValue(const SPropValue& a, const SPropValue& b) {
    if (a.ulPropTag != b.ulPropTag)
        return false;
    switch (PROP_TYPE(a.ulPropTag)) {
        case PT_I2:
            return a.Value.i == b.Value.i;
        case PT_LONG:
            return a.Value.l == b.Value.l;
        case PT_BOOLEAN:
            return a.Value.b == b.Value.b;
        case PT_I8:
            return a.Value.li.QuadPart == b.Value.li.QuadPart;
        case PT_CURRENCY:
            return a.Value.cur.int64 == b.Value.cur.int64;
        case PT_SYSTIME:
            return a.Value.ft.dwLowDateTime == b.Value.ft.dwLowDateTime &&
                   a.Value.ft.dwHighDateTime == b.Value.ft.dwHighDateTime;
        case PT_STRING8:
            return a.Value.lpszA != nullptr && b.Value.lpszA != nullptr &&
                   std::strcmp(a.Value.lpszA, b.Value.lpszA) == 0;
        case PT_UNICODE:
            return a.Value.lpszW != nullptr && b.Value.lpszW != nullptr &&
                   std::u16string_view(a.Value.lpszW) == std::u16string_view(b.Value.lpszW);
        case PT_BINARY:
            return a.Value.bin.cb == b.Value.bin.cb &&
                   (a.Value.bin.cb == 0 ||
                    (a.Value.bin.lpb != nullptr && b.Value.bin.lpb != nullptr &&
                     std::memcmp(a.Value.bin.lpb, b.Value.bin.lpb, a.Value.bin.cb) == 0));
        default:
            return false;
    }
}

bool SameValues(const SRow& a, const SRow& b) {
    if (a.cValues != b.cValues)
        return false;
    for (ULONG i = 0; i < a.cValues; ++i) {
        if (!SameValue(a.lpProps[i], b.lpProps[i]))
            return false;
    }
    return true;
}

// The compared values of a row as the label the index files.
SRow LabelOf(const SRow* pRow) {
    return SRow{0, pRow->cValues - 1, pRow->lpProps + 1};
}

}  // namespace

bool IsKeptItem(IMsgStore* lpMDB, const CCleanupGroup& group, const SBinary& id) {
    if (group.pKept == nullptr)
        return false;
    const SBinary kept = group.pKept->EntryIDView();
    if (kept.cb == id.cb && (id.cb == 0 || std::memcmp(kept.lpb, id.lpb, id.cb) == 0))
        return true;
    ULONG ulResult = FALSE;
    return lpMDB != nullptr &&
           SUCCEEDED(lpMDB->CompareEntryIDs(kept.cb, reinterpret_cast<LPENTRYID>(kept.lpb), id.cb,
                                            reinterpret_cast<LPENTRYID>(id.lpb), 0, &ulResult)) &&
           ulResult != FALSE;
}

HRESULT OpenSearchedFolder(IMsgStore* lpMDB, CStoreInfo* pStore, int nStore, int nFolder,
                           const CResultReview* pReview, ULONG ulFlags, IMAPIFolder** ppFolder,
                           ULONG* pulType, bool* pbNoKey) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("OpenSearchedFolder", hr);
    *ppFolder = nullptr;
    if (pulType != nullptr)
        *pulType = MAPI_FOLDER;
    if (pbNoKey != nullptr)
        *pbNoKey = false;
    const std::vector<BYTE>* pSearched =
        pReview != nullptr ? pReview->GetFolderKey(nStore, nFolder) : nullptr;
    if (pSearched == nullptr) {
        QTRACE(TRACE_WARNING, "No entry id of the searched folder %d/%d.\n", nStore, nFolder);
        return hr;
    }
    Ref<CFolderInfo> folder;
    if (FAILED(pStore->GetFolder(nFolder, &folder.p)) || folder.p == nullptr) {
        QTRACE(TRACE_WARNING, "Folder position %d/%d is gone.\n", nStore, nFolder);
        return hr;
    }
    SBinary key{0, nullptr};
    hr = folder.p->GetFolderKey(&key);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "GetFolderKey() failed: hr = 0x%08lx!\n", hr);
        if (pbNoKey != nullptr)
            *pbNoKey = true;
        return hr;
    }
    ULONG ulType = 0;
    LPUNKNOWN lpUnknown = nullptr;
    hr =
        lpMDB->OpenEntry(key.cb, reinterpret_cast<LPENTRYID>(key.lpb), nullptr, ulFlags, &ulType, &lpUnknown);
    free(key.lpb);
    if (hr == MAPI_E_NOT_FOUND) {
        QTRACE(TRACE_WARNING, "Folder %d/%d vanished.\n", nStore, nFolder);
        hr = S_OK;
        return hr;
    }
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "pStore->OpenEntry() failed: hr = 0x%08lx\n", hr);
        return hr;
    }
    if (ulType != MAPI_FOLDER) {
        if (lpUnknown != nullptr)
            lpUnknown->Release();
        if (pulType != nullptr)
            *pulType = ulType;
        return hr;
    }
    auto* lpFolder = static_cast<IMAPIFolder*>(lpUnknown);
    SizedSPropTagArray(1, tags) = {1, {PR_ENTRYID}};
    ULONG cValues = 0;
    LPSPropValue lpId = nullptr;
    BOOL bSame = FALSE;
    if (SUCCEEDED(lpFolder->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), 0, &cValues, &lpId)) &&
        cValues == 1 && lpId != nullptr && lpId->ulPropTag == PR_ENTRYID) {
        ULONG ulResult = FALSE;
        bSame = SUCCEEDED(lpMDB->CompareEntryIDs(
                    lpId->Value.bin.cb, reinterpret_cast<LPENTRYID>(lpId->Value.bin.lpb),
                    (ULONG)pSearched->size(),
                    reinterpret_cast<LPENTRYID>(const_cast<BYTE*>(pSearched->data())), 0, &ulResult)) &&
                ulResult != FALSE;
    }
    if (lpId != nullptr)
        MAPIFreeBuffer(lpId);
    if (!bSame) {
        QTRACE(TRACE_WARNING, "Folder position %d/%d names another folder now.\n", nStore, nFolder);
        lpFolder->Release();
        return hr;
    }
    *ppFolder = lpFolder;
    return hr;
}

HRESULT CheckStoreGroups(CConfigInfo* pConfig, IMsgStore* lpMDB, CStoreInfo* pStore, int nStore,
                         const CResultReview* pReview, LPSPropTagArray lpCompared,
                         const std::vector<CCleanupGroup*>& groups, int nFolder) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CheckStoreGroups", hr);
    if (pConfig == nullptr || lpMDB == nullptr || pStore == nullptr || lpCompared == nullptr ||
        lpCompared->cValues == 0) {
        hr = E_INVALIDARG;
        return hr;
    }
    // What is judged of each group: all its marked entries the first time, one folder's later.
    std::vector<std::vector<const CEntryReference*>> judged(groups.size());
    for (size_t g = 0; g < groups.size(); ++g) {
        const CCleanupGroup* pGroup = groups[g];
        if (pGroup->skip != CleanupSkip::None)
            continue;
        for (const CEntryReference* pEntry : pGroup->marked) {
            if ((!pGroup->bJudged || nFolder < 0 || (int)pEntry->GetFolderIndex() == nFolder) &&
                !IsKeptItem(lpMDB, *pGroup, pEntry->EntryIDView()))
                judged[g].push_back(pEntry);
        }
    }
    // The entry ids to read, by folder position.
    std::map<int, CFolderValues> folders;
    for (size_t g = 0; g < groups.size(); ++g) {
        if (groups[g]->skip != CleanupSkip::None)
            continue;
        folders[(int)groups[g]->pKept->GetFolderIndex()].ids.push_back(IdOf(groups[g]->pKept));
        for (const CEntryReference* pEntry : judged[g])
            folders[(int)pEntry->GetFolderIndex()].ids.push_back(IdOf(pEntry));
    }
    for (auto& [nFolder, values] : folders) {
        Ref<IMAPIFolder> folder;
        hr =
            OpenSearchedFolder(lpMDB, pStore, nStore, nFolder, pReview, MAPI_BEST_ACCESS, &folder.p, nullptr);
        if (FAILED(hr))
            return hr;
        if (folder.p == nullptr)
            continue;
        values.bSearched = true;
        hr = ReadFolderValues(folder.p, lpCompared, values);
        if (FAILED(hr))
            return hr;
    }

    // The index's own levels decide what counts as equal: the kept entries are filed, and a
    // marked entry is a duplicate when its values find its kept entry's drawer.
    Ref<CDrawerMap> index;
    hr = CDrawerMap::CreateDrawerMap(lpCompared, 0, &index.p);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "CreateDrawerMap() failed: hr = 0x%08lx\n", hr);
        return hr;
    }
    auto rowOf = [&](const CEntryReference* pEntry, bool* pbFolderChanged) -> const SRow* {
        const CFolderValues& values = folders.at((int)pEntry->GetFolderIndex());
        if (!values.bSearched) {
            *pbFolderChanged = true;
            return nullptr;
        }
        auto it = values.rows.find(IdOf(pEntry));
        return it != values.rows.end() ? it->second : nullptr;
    };
    std::vector<const SRow*> marks;
    for (size_t g = 0; g < groups.size(); ++g) {
        CCleanupGroup* pGroup = groups[g];
        if (pGroup->skip != CleanupSkip::None)
            continue;
        pGroup->bJudged = true;
        bool bFolderChanged = false;
        const SRow* pKept = rowOf(pGroup->pKept, &bFolderChanged);
        marks.clear();
        for (const CEntryReference* pEntry : judged[g])
            marks.push_back(rowOf(pEntry, &bFolderChanged));
        if (bFolderChanged) {
            pGroup->skip = CleanupSkip::FolderChanged;
            continue;
        }
        if (pKept == nullptr) {
            pGroup->skip = CleanupSkip::KeptMissing;
            continue;
        }
        bool bMissing = false;
        for (const SRow* pRow : marks)
            bMissing = bMissing || pRow == nullptr;
        if (bMissing) {
            pGroup->skip = CleanupSkip::MarkedMissing;
            continue;
        }
        SRow keptLabel = LabelOf(pKept);
        // Items whose values are all empty are never filed by the search: they are no group.
        if (pConfig->ArePropValuesEmpty(keptLabel.cValues, keptLabel.lpProps)) {
            pGroup->skip = CleanupSkip::ValuesDiffer;
            continue;
        }
        bool bIdentical = true;
        for (size_t m = 0; m < marks.size() && bIdentical; ++m) {
            const SRow label = LabelOf(marks[m]);
            bIdentical = SameValues(keptLabel, label);
        }
        if (bIdentical)
            continue;
        Ref<CSortDrawer> keptDrawer;
        hr = index.p->LookupDrawer(&keptLabel, 0, lpCompared, &keptDrawer.p);
        if (FAILED(hr)) {
            QTRACE(TRACE_ERROR, "LookupDrawer() failed: hr = 0x%08lx\n", hr);
            return hr;
        }
        if (keptDrawer.p == nullptr) {
            keptDrawer.p = new (std::nothrow) CSortDrawer();
            if (keptDrawer.p == nullptr) {
                hr = E_OUTOFMEMORY;
                return hr;
            }
            keptDrawer.p->AddRef();
            hr = index.p->InsertDrawer(&keptLabel, 0, lpCompared, &keptDrawer.p);
            if (FAILED(hr)) {
                QTRACE(TRACE_ERROR, "InsertDrawer() failed: hr = 0x%08lx\n", hr);
                return hr;
            }
        }
        for (const SRow* pRow : marks) {
            SRow label = LabelOf(pRow);
            Ref<CSortDrawer> found;
            hr = index.p->LookupDrawer(&label, 0, lpCompared, &found.p);
            if (FAILED(hr)) {
                QTRACE(TRACE_ERROR, "LookupDrawer() failed: hr = 0x%08lx\n", hr);
                return hr;
            }
            if (found.p != keptDrawer.p) {
                pGroup->skip = CleanupSkip::ValuesDiffer;
                break;
            }
        }
    }
    return hr;
}
