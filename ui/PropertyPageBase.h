// PropertyPageBase: the common base of the tab pages a form view shows under its tab control.
#pragma once

#include "platform/afx/wnd/Dialog.h"
#include "platform/win32/WinTypes.h"

class CCmdUI;
class CConfigInfo;
class CStoreInfo;
class FVBase;
struct IMAPISession;
struct IMsgStore;

// One row of a page's relabelling table: a child control and the language text it shows.
struct CONTROL_TEXT_ENTRY {
    UINT nControlID;
    UINT nTextID;
};

// A page is a child dialog made from its template, never part of a property sheet: the form view
// shows and hides it as the tab selection changes. The page holds one reference to the
// configuration it edits and knows (without a reference) the form view that owns it.
//
// Calling order: construct; SetConfigInfo; Create (runs OnInitDialog, so the configuration is
// known there but the owner is not yet); SetOwnerView; place and show. Afterwards the form view
// calls OnLanguageChange, OnConfigChange and, before the page goes, PrepareClose.
class PropertyPageBase : public CDialog {
    DECLARE_DYNAMIC(PropertyPageBase)
public:
    explicit PropertyPageBase(UINT nIDTemplate);
    ~PropertyPageBase() override;

    using CDialog::Create;
    BOOL OnInitDialog() override;
    // The page's controls are bound to their members here (there is no data to exchange).
    virtual void DoDataExchange();

    // ---- own virtual operations, in this order ----
    // Relabels the page in the current language and repaints it at once on success.
    virtual HRESULT OnLanguageChange();
    // The configuration changed; the base does nothing.
    virtual HRESULT OnConfigChange();
    // The page is about to go; the base does nothing.
    virtual void PrepareClose();
    // The page's own relabelling; the base has nothing to relabel.
    virtual HRESULT LoadDisplayTexts();
    // Sets each listed control's text to its language text. A row whose text or control is
    // missing keeps its text and makes the call fail; the other rows are still relabelled.
    virtual HRESULT LoadDisplayTexts(const CONTROL_TEXT_ENTRY* pTable, UINT nRows);

    // Releases the held configuration and holds pConfig (with a reference) instead; null allowed.
    void SetConfigInfo(CConfigInfo* pConfig);
    // The held configuration with a reference for the caller, or null.
    CConfigInfo* GetConfigInfo();
    void SetOwnerView(FVBase* pView) { m_pOwnerView = pView; }
    FVBase* GetOwnerView() const { return m_pOwnerView; }

    // MAPI helpers for the pages' own sessions (the failure is traced here).
    HRESULT RetrieveSession(CConfigInfo* pConfig, IMAPISession** lppSession);
    HRESULT OpenStore(IMAPISession* lpSession, CStoreInfo* pStore, IMsgStore** lppMDB, BOOL bModify);

    void OnPaint();
    void OnAddConfiguration();
    void OnDeleteConfiguration();
    void OnRenameConfiguration();
    void OnUpdateAddConfiguration(CCmdUI* pCmdUI);
    void OnUpdateRenameConfiguration(CCmdUI* pCmdUI);

protected:
    // The configuration list does the work of these commands: send it there.
    void ForwardToConfigList(UINT nID);

    CConfigInfo* m_pConfigInfo = nullptr;  // one reference, or null
    FVBase* m_pOwnerView = nullptr;        // not owned, no reference

    DECLARE_MESSAGE_MAP()
};
