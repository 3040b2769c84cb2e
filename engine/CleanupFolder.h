// The cleanup's deletion of one folder's marked entries, judged before and, when needed, again
// inside the store's write lock.
#pragma once

#include <utility>
#include <vector>

#include "engine/CleanupCheck.h"
#include "platform/mapi/MAPICodes.h"
#include "platform/mapi/MAPIDefs.h"
#include "platform/mapi/MAPIInterfaces.h"

class CConfigInfo;
class CResultReview;
class CStoreInfo;

// Judges every group of one store, whole, on a read snapshot of the store: outside its write
// lock, so that other programs go on writing while the groups are read. Each group judged
// remembers the store's change mark the snapshot was taken at.
HRESULT JudgeStoreGroups(CConfigInfo* pConfig, IMsgStore* lpMDB, CStoreInfo* pStore, int nStore,
                         const CResultReview* pReview, LPSPropTagArray lpCompared,
                         const std::vector<CCleanupGroup*>& groups);

// Which step of a folder's deletion failed; the caller tells the user once the store's lock is
// gone (a box that waited for the user inside it would hold off every other writer of the store).
enum class CleanupStep {
    None,
    Lock,        // the store's write lock could not be taken
    Judge,       // judging the groups again failed
    FolderKey,   // the folder's key could not be had
    OpenFolder,  // the folder could not be opened
    FolderType,  // the folder's entry id names something that is no folder
    Delete,      // DeleteMessages failed
    Commit,      // the deletions could not be committed
};

struct CFolderDeletion {
    CleanupStep failed = CleanupStep::None;
    ULONG ulType = MAPI_FOLDER;  // with FolderType: the type of object found
    ULONG ulNotDeleted = 0;      // entries that passed but were not deleted (gone from the folder)
};

// One marked entry of the folder with the group it belongs to.
using CMarkedEntry = std::pair<SBinary, CCleanupGroup*>;

// Deletes, recoverably, the marked entries of one folder (the folder at nFolder when it still is
// the one the search read) in one transaction under the store's write lock. Before it deletes, it
// judges again, as read in that transaction, every group of the folder judged at another change
// mark than the store's now: another program committed since, and what it changed may be any
// part of the group. Only entries of groups that passed are deleted, and those groups are marked
// as deleted from. The lock has gone when it returns; on a failure nothing was deleted and
// 'result' names the failed step.
HRESULT DeleteJudgedEntries(CConfigInfo* pConfig, IMsgStore* lpMDB, CStoreInfo* pStore, int nStore,
                            int nFolder, const CResultReview* pReview, LPSPropTagArray lpCompared,
                            const std::vector<CMarkedEntry>& entries, CFolderDeletion& result);
