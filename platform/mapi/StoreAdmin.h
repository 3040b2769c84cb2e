// Store-file administration beyond the MAPI surface: for the administration tool and for tests.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/mapi/MAPIInterfaces.h"

// Makes a new store file with the standard folders (MAPI_E_COLLISION when the file exists). A bare
// file name goes to the stores directory of the machine root. An empty password leaves it open.
HRESULT HrCreateStoreFile(const std::string& path, const std::string& displayName,
                          const std::string& password);

// Opens a store file directly, without a profile. A protected store needs its password
// (MAPI_E_FAILONEPROVIDER otherwise). MAPI_MODIFY or MAPI_BEST_ACCESS in ulFlags allow changes.
HRESULT HrOpenStoreFile(const std::string& path, const std::string& password, ULONG ulFlags, LPMDB* lppMDB);

// Why the profile database could not be used, when the last call of this thread failed with hr for
// that reason: the file and the cause, for the user. "" otherwise.
std::string HrProfileDbFailure(HRESULT hr);

// The full path a store-file name stands for (see HrCreateStoreFile).
std::string HrResolveStorePath(const std::string& path);

// Groups many changes into one transaction (nestable): messages created and saved between the two
// calls reach the file together, which makes bulk imports fast. bCommit FALSE drops them all.
HRESULT HrBeginStoreBatch(LPMDB lpMDB);
HRESULT HrEndStoreBatch(LPMDB lpMDB, BOOL bCommit);

// Adds a personal-folders service called lpszDisplayName to the profile of lpServices and configures
// it with the values ConfigureMsgService takes, in one transaction of the profile database: the
// service is there, configured, or not at all. lpUID gets its uid.
HRESULT HrAddConfiguredService(LPSERVICEADMIN lpServices, LPCSTR lpszDisplayName, ULONG cValues,
                               LPSPropValue lpProps, LPMAPIUID lpUID);

// Waits for the whole-file check of the store's file, starting it when this process has not
// checked the file yet: S_OK when sound, MAPI_E_CORRUPT_STORE when damaged (its data may read as
// less than it holds), or why it could not be checked (busy, stopped: no verdict).
HRESULT HrAwaitStoreCheck(LPMDB lpMDB);
// Has fnEnded called with what HrAwaitStoreCheck would give, without waiting: at once on this
// thread when the file's verdict is known, else on the check's own thread as it ends (fnEnded
// must only hand the result on). A search asks for it, so that its result shows at once and a
// damaged store is told when its check ends. A check stopped at exit calls nothing.
HRESULT HrAdviseStoreCheck(LPMDB lpMDB, std::function<void(HRESULT)> fnEnded);
// Ends the running whole-file checks within a second, whatever they are doing, and waits for
// their threads: at the program's exit and the tool's end.
void StopStoreChecks();

// A soft-deleted message, as the store keeps it until it is restored or purged.
struct CDeletedItem {
    std::string m_entryId;
    std::string m_folderEntryId;
    LONGLONG m_deletedOn = 0;  // FILETIME ticks
    std::string m_messageClass;
    std::string m_subject;
};
HRESULT HrListDeletedItems(LPMDB lpMDB, std::vector<CDeletedItem>& items);
// Restore or purge the listed entry ids, or every soft-deleted message when the list is empty.
HRESULT HrRestoreDeletedItems(LPMDB lpMDB, const std::vector<std::string>& entryIds, ULONG* lpulDone);
HRESULT HrPurgeDeletedItems(LPMDB lpMDB, const std::vector<std::string>& entryIds, ULONG* lpulDone);

// Folder changes by the folder's entry id, each in one transaction. The root, the top of the
// store and its standard folders are refused with MAPI_E_NO_ACCESS: the store points at them.
// Deleting removes the folder, the folders below it and every item in them for good. A new name
// that a sibling has already (in any case) gives MAPI_E_COLLISION.
HRESULT HrDeleteFolder(LPMDB lpMDB, const std::string& folderEntryId);
HRESULT HrRenameFolder(LPMDB lpMDB, const std::string& folderEntryId, const std::string& name);

// The folders of a damaged file that no chain of parents links to the root or to the top of the
// store (a folder made the child of its own sub folder takes them all out of every folder table):
// their entry ids, oldest first. A sound store has none. Reads only.
HRESULT HrListFoldersOutOfReach(LPMDB lpMDB, std::vector<std::string>& entryIds);

// Removes the store whose display name is 'display' from a profile (its file stays), in one
// transaction: MAPI_E_NOT_FOUND for an unknown profile or store, MAPI_E_LOGON_FAILED for a wrong
// profile password, MAPI_E_AMBIGUOUS_RECIP when several stores have that name, and
// MAPI_E_NO_ACCESS for the default store while the profile has others.
HRESULT HrRemoveProfileStore(const std::string& profile, const std::string& profilePassword,
                             const std::string& display);
