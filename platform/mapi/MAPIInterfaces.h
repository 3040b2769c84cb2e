// The message-store service's object interfaces: sessions, stores, folders, messages, tables, admin.
#pragma once

#include "platform/mapi/MAPIDefs.h"
#include "platform/win32/Unknown.h"

// Interface ids, with the public values of the interfaces they stand for.
extern const IID IID_IMAPISession;
extern const IID IID_IMAPITable;
extern const IID IID_IMAPIProp;
extern const IID IID_IMsgStore;
extern const IID IID_IMessage;
extern const IID IID_IMAPIContainer;
extern const IID IID_IMAPIFolder;
extern const IID IID_IProfAdmin;
extern const IID IID_IMsgServiceAdmin;
extern const IID IID_IMAPIProgress;
typedef const IID* LPCIID;

struct IMAPIFolder;
typedef IMAPIFolder* LPMAPIFOLDER;

// A progress sink that callers may pass to long operations. The service never calls back into it
// (operations here are fast and atomic); the type exists so that calls keep their usual shape.
struct IMAPIProgress : public IUnknown {
    virtual HRESULT Progress(ULONG ulValue, ULONG ulCount, ULONG ulTotal) = 0;
};
typedef IMAPIProgress* LPMAPIPROGRESS;

// A table: a set of rows with a chosen set of columns, read forwards in batches.
struct IMAPITable : public IUnknown {
    // Chooses the columns (and their order) of the rows QueryRows hands out.
    virtual HRESULT SetColumns(LPSPropTagArray lpPropTagArray, ULONG ulFlags) = 0;
    // Hands out a copy of the current column set (free it with MAPIFreeBuffer).
    virtual HRESULT QueryColumns(ULONG ulFlags, LPSPropTagArray* lpPropTagArray) = 0;
    // The number of rows that pass the restriction.
    virtual HRESULT GetRowCount(ULONG ulFlags, ULONG* lpulCount) = 0;
    // Moves the cursor; only BOOKMARK_BEGINNING and BOOKMARK_CURRENT with a forward count are kept.
    virtual HRESULT SeekRow(ULONG bkOrigin, LONG lRowCount, LONG* lplRowsSought) = 0;
    // Keeps only the rows that pass lpRestriction (null removes the restriction); rewinds the cursor.
    virtual HRESULT Restrict(LPSRestriction lpRestriction, ULONG ulFlags) = 0;
    // Hands out up to lRowCount rows from the cursor and advances it; an empty set at the end.
    virtual HRESULT QueryRows(LONG lRowCount, ULONG ulFlags, LPSRowSet* lppRows) = 0;
};
typedef IMAPITable* LPMAPITABLE;

// An object with properties.
struct IMAPIProp : public IUnknown {
    // Commits changes made with SetProps/DeleteProps (messages; other objects save at once).
    virtual HRESULT SaveChanges(ULONG ulFlags) = 0;
    // Reads the given properties (all of them when lpPropTagArray is null) into one MAPI buffer.
    // Missing ones come back as PT_ERROR values and the call answers MAPI_W_ERRORS_RETURNED.
    virtual HRESULT GetProps(LPSPropTagArray lpPropTagArray, ULONG ulFlags, ULONG* lpcValues,
                             LPSPropValue* lppPropArray) = 0;
    virtual HRESULT GetPropList(ULONG ulFlags, LPSPropTagArray* lppPropTagArray) = 0;
    virtual HRESULT SetProps(ULONG cValues, LPSPropValue lpPropArray, LPSPropProblemArray* lppProblems) = 0;
    virtual HRESULT DeleteProps(LPSPropTagArray lpPropTagArray, LPSPropProblemArray* lppProblems) = 0;
    // Maps names to the store's property ids (from 0x8000); MAPI_CREATE makes ids for new names.
    // A null name list with cPropNames 0 asks for every named property the store knows.
    virtual HRESULT GetNamesFromIDs(LPSPropTagArray* lppPropTags, LPGUID lpPropSetGuid, ULONG ulFlags,
                                    ULONG* lpcPropNames, LPMAPINAMEID** lpppPropNames) = 0;
    virtual HRESULT GetIDsFromNames(ULONG cPropNames, LPMAPINAMEID* lppPropNames, ULONG ulFlags,
                                    LPSPropTagArray* lppPropTags) = 0;
};
typedef IMAPIProp* LPMAPIPROP;

// A message (an item): its properties only.
struct IMessage : public IMAPIProp {};
typedef IMessage* LPMESSAGE;

// An object that holds others: folders here.
struct IMAPIContainer : public IMAPIProp {
    virtual HRESULT GetContentsTable(ULONG ulFlags, LPMAPITABLE* lppTable) = 0;
    virtual HRESULT GetHierarchyTable(ULONG ulFlags, LPMAPITABLE* lppTable) = 0;
    // Opens a folder or message of the same store by entry id; an empty id opens the root folder.
    virtual HRESULT OpenEntry(ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID lpInterface, ULONG ulFlags,
                              ULONG* lpulObjType, LPUNKNOWN* lppUnk) = 0;
};
typedef IMAPIContainer* LPMAPICONTAINER;

struct IMAPIFolder : public IMAPIContainer {
    virtual HRESULT CreateMessage(LPCIID lpInterface, ULONG ulFlags, LPMESSAGE* lppMessage) = 0;
    // Deletes the listed messages of this folder in one transaction. Without DELETE_HARD_DELETE they
    // stay recoverable. Ids that are not messages of this folder give MAPI_W_PARTIAL_COMPLETION.
    virtual HRESULT DeleteMessages(LPENTRYLIST lpMsgList, ULONG_PTR ulUIParam, LPMAPIPROGRESS lpProgress,
                                   ULONG ulFlags) = 0;
    virtual HRESULT CreateFolder(ULONG ulFolderType, LPCSTR lpszFolderName, LPCSTR lpszFolderComment,
                                 LPCIID lpInterface, ULONG ulFlags, LPMAPIFOLDER* lppFolder) = 0;
};

struct IMsgStore : public IMAPIProp {
    // Opens a folder or message of this store by entry id; an empty id opens the root folder.
    virtual HRESULT OpenEntry(ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID lpInterface, ULONG ulFlags,
                              ULONG* lpulObjType, LPUNKNOWN* lppUnk) = 0;
    // Sets *lpulResult to TRUE when both ids name the same object.
    virtual HRESULT CompareEntryIDs(ULONG cbEntryID1, LPENTRYID lpEntryID1, ULONG cbEntryID2,
                                    LPENTRYID lpEntryID2, ULONG ulFlags, ULONG* lpulResult) = 0;
    // The folder that receives messages of a class (the inbox for every class here). The entry id
    // and the explicit class are MAPI buffers; lppszExplicitClass may be null.
    virtual HRESULT GetReceiveFolder(LPCSTR lpszMessageClass, ULONG ulFlags, ULONG* lpcbEntryID,
                                     LPENTRYID* lppEntryID, LPSTR* lppszExplicitClass) = 0;
};
typedef IMsgStore* LPMDB;

// A logon to one profile: its stores, and any object in them by entry id.
struct IMAPISession : public IUnknown {
    // Columns: PR_ENTRYID, PR_INSTANCE_KEY, PR_RECORD_KEY, PR_DISPLAY_NAME, PR_DEFAULT_STORE,
    // PR_MDB_PROVIDER, PR_RESOURCE_FLAGS, PR_PROVIDER_DISPLAY, PR_SERVICE_UID, PR_OBJECT_TYPE.
    virtual HRESULT GetMsgStoresTable(ULONG ulFlags, LPMAPITABLE* lppTable) = 0;
    virtual HRESULT OpenMsgStore(ULONG_PTR ulUIParam, ULONG cbEntryID, LPENTRYID lpEntryID,
                                 LPCIID lpInterface, ULONG ulFlags, LPMDB* lppMDB) = 0;
    // Opens a store, folder or message of the profile by its entry id.
    virtual HRESULT OpenEntry(ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID lpInterface, ULONG ulFlags,
                              ULONG* lpulObjType, LPUNKNOWN* lppUnk) = 0;
    virtual HRESULT CompareEntryIDs(ULONG cbEntryID1, LPENTRYID lpEntryID1, ULONG cbEntryID2,
                                    LPENTRYID lpEntryID2, ULONG ulFlags, ULONG* lpulResult) = 0;
    virtual HRESULT SetDefaultStore(ULONG ulFlags, ULONG cbEntryID, LPENTRYID lpEntryID) = 0;
    virtual HRESULT Logoff(ULONG_PTR ulUIParam, ULONG ulFlags, ULONG ulReserved) = 0;
};
typedef IMAPISession* LPMAPISESSION;

// Administration of one profile's message services. A service here is a personal-folders
// service ("MSPST MS") with exactly one store file.
struct IMsgServiceAdmin : public IUnknown {
    // Columns: PR_SERVICE_UID, PR_SERVICE_NAME, PR_DISPLAY_NAME, PR_RESOURCE_FLAGS, PR_INSTANCE_KEY.
    virtual HRESULT GetMsgServiceTable(ULONG ulFlags, LPMAPITABLE* lppTable) = 0;
    virtual HRESULT CreateMsgService(LPCSTR lpszService, LPCSTR lpszDisplayName, ULONG_PTR ulUIParam,
                                     ULONG ulFlags) = 0;
    // Removes the service from the profile; its store file stays on disk.
    virtual HRESULT DeleteMsgService(LPMAPIUID lpUID) = 0;
    // Sets the service's configuration. Understood: PR_PST_PATH (attach or create the store file),
    // PR_DISPLAY_NAME, PR_PST_PW_SZ_NEW (password of a file created now), PR_PST_PW_SZ_OLD (the
    // password the service hands to the store) and PR_PST_REMEMBER_PW (keep that password or not).
    virtual HRESULT ConfigureMsgService(LPMAPIUID lpUID, ULONG_PTR ulUIParam, ULONG ulFlags, ULONG cValues,
                                        LPSPropValue lpProps) = 0;
    // Columns: PR_INSTANCE_KEY (the store's provider key), PR_SERVICE_UID, PR_DISPLAY_NAME,
    // PR_PROVIDER_UID, PR_RESOURCE_TYPE.
    virtual HRESULT GetProviderTable(ULONG ulFlags, LPMAPITABLE* lppTable) = 0;
};
typedef IMsgServiceAdmin* LPSERVICEADMIN;

// Administration of the profiles of the machine.
struct IProfAdmin : public IUnknown {
    // Columns: PR_DISPLAY_NAME, PR_INSTANCE_KEY, PR_DEFAULT_PROFILE.
    virtual HRESULT GetProfileTable(ULONG ulFlags, LPMAPITABLE* lppTable) = 0;
    virtual HRESULT CreateProfile(LPCSTR lpszProfileName, LPCSTR lpszPassword, ULONG_PTR ulUIParam,
                                  ULONG ulFlags) = 0;
    virtual HRESULT DeleteProfile(LPCSTR lpszProfileName, ULONG ulFlags) = 0;
    virtual HRESULT SetDefaultProfile(LPCSTR lpszProfileName, ULONG ulFlags) = 0;
    // Needs the profile's password when it has one.
    virtual HRESULT AdminServices(LPCSTR lpszProfileName, LPCSTR lpszPassword, ULONG_PTR ulUIParam,
                                  ULONG ulFlags, LPSERVICEADMIN* lppServiceAdmin) = 0;
};
typedef IProfAdmin* LPPROFADMIN;
