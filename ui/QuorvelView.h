// CQuorvelView: the right pane; hosts the form view of the document's current configuration.
#pragma once

#include "platform/afx/wnd/View.h"

class CCmdUI;
class CDC;
class CQuorvelDoc;
class FVBase;

// At most one form view lives here, the one of the current configuration's item type. It is
// replaced only when another configuration becomes current (command 32771); a notice for the
// configuration already shown changes nothing, so its pages and results stay.
class CQuorvelView : public CView {
    DECLARE_DYNCREATE(CQuorvelView)
public:
    CQuorvelView();
    ~CQuorvelView() override;

    CQuorvelDoc* GetQuorvelDoc() const;

    BOOL PreCreateWindow(CREATESTRUCT& cs) override;
    void OnInitialUpdate() override;
    void OnDraw(CDC* pDC) override;

    // Command 32771: the document's current configuration changed.
    void OnConfigChange();
    void OnSize(UINT nType, int cx, int cy);
    // With a form view nothing is erased (the result is 0); without, the default erase.
    BOOL OnEraseBkgnd(CDC* pDC);
    void OnPaint();
    void OnUpdateStartClear(CCmdUI* pCmdUI);
    void OnStartClear();
    // Relabels the form view and its pages after a change of language.
    virtual HRESULT OnLanguageChanged();
    void OnAddConfiguration();
    void OnUpdateRenameConfiguration(CCmdUI* pCmdUI);
    void OnRenameConfiguration();

    // The hosted form view, or null.
    FVBase* GetCurrentForm() const { return m_pCurrentForm; }
    // The configuration whose form view was built last; 0 when none.
    ULONG GetConfigID() const { return m_nConfigID; }
    // The current configuration id the last notice found in the document, shown or not.
    ULONG GetShownConfigID() const { return m_ulNoticedConfigID; }
    // How many notices of a new current configuration arrived.
    int GetConfigChangeCount() const { return m_nConfigChanges; }

protected:
    // Takes the hosted form view down: its pages prepare to close, it leaves its configuration's
    // observers, and its window (and with it the object) is destroyed.
    void CloseCurrentForm();
    // One build for the document's current configuration (the body of a notice).
    void ShowCurrentConfiguration();
    // Takes down the form that stayed on screen while its successor was built, as CloseCurrentForm.
    void CloseLeavingForm();

    FVBase* m_pCurrentForm = nullptr;
    // The form of the configuration shown before, kept on screen (out of use) while the next
    // configuration's form is built; null outside a build.
    FVBase* m_pLeavingForm = nullptr;
    ULONG m_nConfigID = 0;
    ULONG m_ulNoticedConfigID = 0;
    // The configuration whose profile-store check failed last and was reported; 0 when none.
    ULONG m_ulCheckFailedID = 0;
    int m_nConfigChanges = 0;
    // A build is running; a notice that arrives meanwhile only sets m_bNoticePending.
    BOOL m_bBuilding = FALSE;
    BOOL m_bNoticePending = FALSE;

    DECLARE_MESSAGE_MAP()
};
