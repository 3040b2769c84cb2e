// The cleanup's look at the store as it is now: each group is deleted from only when it still is one.
#pragma once

#include <vector>

#include "platform/mapi/MAPIDefs.h"
#include "platform/mapi/MAPIInterfaces.h"

class CConfigInfo;
class CEntryReference;
class CResultReview;
class CStoreInfo;

// Why a group is left as it is.
enum class CleanupSkip {
    None,
    FolderChanged,  // a folder of the group was removed, or its position names another folder now
    KeptMissing,    // the kept entry no longer exists in its folder
    MarkedMissing,  // a marked entry no longer exists in its folder
    ValuesDiffer,   // a marked entry's compared values no longer equal the kept entry's
};

// One group as the cleanup takes it from the result page: its kept entry and the entries marked
// for deletion. The page's tree records hold the references while the cleanup runs.
struct CCleanupGroup {
    CEntryReference* pKept = nullptr;
    std::vector<CEntryReference*> marked;
    CleanupSkip skip = CleanupSkip::None;
    bool bJudged = false;  // judged whole once already: later judgements take one folder's part
    // The store's change mark of the group's last whole judgement. Judging one folder's part again
    // leaves it: the parts in later folders were judged at this mark and no later.
    ULONGLONG ullMark = 0;
    bool bDeletedFrom = false;  // entries of it were deleted already, in an earlier folder
};

// Whether an entry id names the group's kept item itself: a search that met one item twice (one
// folder named twice) lists it beside itself, and an item is never its own duplicate. Ids that
// differ byte for byte are asked of the store.
bool IsKeptItem(IMsgStore* lpMDB, const CCleanupGroup& group, const SBinary& id);

// Opens the folder at a position of a store's folder list, for reading or (MAPI_MODIFY) for
// deleting, and makes sure it is the folder the search read: its entry id must equal the one the
// review kept. A position or folder that is gone, or that names another folder now, gives S_OK
// with *ppFolder null; other failures are returned (*pulType tells a non-folder object, which is
// released; *pbNoKey, when given, whether the failure was the copy of the folder's key).
HRESULT OpenSearchedFolder(IMsgStore* lpMDB, CStoreInfo* pStore, int nStore, int nFolder,
                           const CResultReview* pReview, ULONG ulFlags, IMAPIFolder** ppFolder,
                           ULONG* pulType, bool* pbNoKey = nullptr);

// Judges the groups of one store against the store as it is now and sets each group's skip.
// Every folder that holds an entry of the groups is read once: its contents table, restricted to
// the groups' entry ids, with the entry id and the compared columns (lpCompared, the search's own
// columns). A marked entry counts as a duplicate only when the index would file it with the kept
// entry now: the same comparison, by the same kind of index level, and not all values empty.
// With nFolder (a folder position), a group judged before is judged by its kept entry and its
// marked entries in that folder only: those are what a deletion of that folder takes, and its
// parts in other folders may be gone by that deletion already. A group judged for the first time
// is judged whole. Groups already skipped are left as they are. A marked entry that is the kept
// item itself is no part of the judgement (and is never deleted).
HRESULT CheckStoreGroups(CConfigInfo* pConfig, IMsgStore* lpMDB, CStoreInfo* pStore, int nStore,
                         const CResultReview* pReview, LPSPropTagArray lpCompared,
                         const std::vector<CCleanupGroup*>& groups, int nFolder = -1);
