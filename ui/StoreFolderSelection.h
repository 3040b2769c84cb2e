// The store and folder operations of the General settings page: which store of the profile is
// searched, which of its folders, and adding and removing folders through the folder picker.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "platform/afx/wnd/BusyPeriod.h"
#include "platform/afx/wnd/Controls.h"
#include "platform/mapi/MAPIInterfaces.h"

class CConfigInfo;
class CObjectMap;
class CStoreInfo;

// What the operations need of the page that owns the two lists (store list 1025, folder list
// 1017). The page forwards its handlers of those lists and of buttons 1018/1019 here.
class IStoreFolderPage {
public:
    virtual ~IStoreFolderPage() = default;
    // The page's window: the parent of the dialogs and message boxes.
    virtual CWnd* GetPageWindow() = 0;
    // The configuration on the page (no reference added), or null.
    virtual CConfigInfo* GetPageConfiguration() = 0;
    virtual CListBox* GetStoreList() = 0;
    virtual CListBox* GetFolderList() = 0;
    // Asks the owner form view whether a cached search result may go; FALSE without an owner
    // view or when the user refuses.
    virtual BOOL ConfirmDiscardResults() = 0;
    // Drops the cached search result when the folders it numbers changed without asking (they
    // vanished from the store). A page with an owner form view has the view do it, so that the
    // Search results page, which shows that result, goes with it.
    virtual void DiscardResults(CConfigInfo* pConfig);
    virtual void EnableDialog() = 0;
};

// The folder-class filter of the picker for a configuration type, and whether the type is known.
BOOL GetFolderClassFilter(DWORD dwConfigType, LPCSTR* ppszFilter);

class CStoreFolderSelection {
public:
    explicit CStoreFolderSelection(IStoreFolderPage* pPage);
    virtual ~CStoreFolderSelection();
    CStoreFolderSelection(const CStoreFolderSelection&) = delete;
    CStoreFolderSelection& operator=(const CStoreFolderSelection&) = delete;

    // Lists the configuration's stores and selects the current one (the profile's default store
    // when none was chosen); it does not open the store.
    HRESULT FillStoreList();
    // Makes the selected store current, opens it (asking for its password while it refuses),
    // lists its folders by path and drops folders that no longer exist.
    void OnSelchangeStoreList();
    void OnAddFolder();
    void OnDelFolder();
    void OnSelchangeFolderList();

    // Adds the folder (when it holds the configuration's item type) and then, depth first, every
    // folder below it that does; each folder once, at any depth and on a cycle of folders.
    virtual HRESULT InsertSubFolders(CObjectMap* pKnown, LPMAPISESSION lpSession, LPMDB lpMDB,
                                     CStoreInfo* pStore, ULONG cbEntryID, LPBYTE lpbEntryID);
    HRESULT DoInsertFolder(ULONG cbEntryID, LPBYTE lpbEntryID, CObjectMap* pKnown, LPMDB lpMDB,
                           CStoreInfo* pStore);

protected:
    void EmptyFolderList();
    void MarkDocumentModified(CConfigInfo* pConfig);
    // Adds the entry ids of the folders above a folder, up to the root, to 'met'.
    void MarkAncestors(LPMDB lpMDB, const std::string& folder, std::set<std::string>& met);
    // The entry ids of a folder's sub-folders, in the order of its hierarchy table.
    HRESULT ListSubFolders(LPMDB lpMDB, ULONG cbEntryID, LPBYTE lpbEntryID,
                           std::vector<std::string>& children);
    HRESULT IsReceiveFolder(LPMDB lpMDB, ULONG cbEntryID, LPBYTE lpbEntryID, BOOL* pbReceive);

    // The busy period of adding folders, while it runs: the walk and the listing after it give the
    // toolkit a turn through it now and then, so the window is drawn while they run.
    class CBusyScope {
    public:
        explicit CBusyScope(CBusyPeriod*& rpBusy) : m_rpBusy(rpBusy) { m_rpBusy = &m_period; }
        ~CBusyScope() { m_rpBusy = nullptr; }
        CBusyScope(const CBusyScope&) = delete;
        CBusyScope& operator=(const CBusyScope&) = delete;

    private:
        CBusyPeriod*& m_rpBusy;
        CBusyPeriod m_period;
    };

    IStoreFolderPage* m_pPage;
    CBusyPeriod* m_pBusy = nullptr;
    // The store whose folders the folder list shows (a reference is held), or null: the list's
    // item data are positions in this store's folder list and nowhere else.
    CStoreInfo* m_pListedStore = nullptr;
};
