// Opening a found item in the mail client through its automation object model.
//
// The Search results page derives from this class: it keeps the page's application and namespace
// objects and carries the operations that drive the mail client by late-bound dispatch calls.
// The page's own OnOpenEntry finds the caret item of its tree and its configuration and hands
// both to OpenEntry.
#pragma once

#include "platform/automation/Dispatch.h"
#include "platform/win32/WinTypes.h"

class CConfigInfo;
class CEntryReference;
class CWnd;

class COpenItemInOutlook {
public:
    COpenItemInOutlook();
    // Releases the application object, then the namespace.
    virtual ~COpenItemInOutlook();
    COpenItemInOutlook(const COpenItemInOutlook&) = delete;
    COpenItemInOutlook& operator=(const COpenItemInOutlook&) = delete;

    // Opens the entry in the mail client: logs on with the configuration's profile on the first
    // call, then finds the item by its entry id and its store's entry id and displays it. The
    // result is the code of the first step that failed.
    HRESULT OpenEntry(CConfigInfo* pConfig, CEntryReference* pEntry);
    // Starts (or attaches to) the mail client and logs its namespace on to the profile; S_OK at
    // once when a session exists. pszPassword null: no password.
    HRESULT InitOutlookSession(LPCSTR pszProfile, LPCSTR pszPassword);
    // The member's dispatch id, looked up by name.
    static HRESULT GetDispID(IDispatch* pDispatch, LPCSTR pszName, DISPID* pDispID);
    // Tells the user that an item did not open, with the error box for the code. A prompt of the
    // mail client that the user cancelled is the user's choice, not a failure to report.
    static void ShowOpenFailure(CWnd* pParent, HRESULT hr);

    // The item for the hex texts of the store's and the item's entry ids, with one reference for
    // the caller; *ppItem is written only on success.
    virtual HRESULT DisplayItem(IDispatch* pItem);
    virtual HRESULT GetItem(LPCSTR pszStoreID, LPCSTR pszEntryID, IDispatch** ppItem);

    BOOL HasOutlookSession() const { return m_pNameSpace != nullptr; }

protected:
    IDispatch* m_pApplication;
    IDispatch* m_pNameSpace;
};
