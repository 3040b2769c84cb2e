// Dialogs made from our own templates: modal (with a test hook instead of a person), modeless,
// and child dialogs that serve as pages inside another window.
#pragma once

#include "platform/afx/wnd/Resources.h"
#include "platform/afx/wnd/Wnd.h"

class CDialog : public CWnd {
    DECLARE_DYNAMIC(CDialog)
public:
    using CWnd::Create;
    CDialog();
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    ~CDialog() override;

    // Runs the dialog until EndDialog; returns its result, or -1 when it could not be made.
    virtual INT_PTR DoModal();
    // Creates a modeless (or, for a template with WS_CHILD, a child) dialog.
    virtual BOOL Create(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();
    void EndDialog(int nResult);
    BOOL IsEnded() const { return m_bEnded; }
    int GetResult() const { return m_nModalResult; }
    UINT GetTemplateID() const { return m_nIDTemplate; }
    void OnClose();

    UINT m_nIDHelp = 0;

protected:
    wxWindow* CreateWxPeer(wxWindow* pParent, const CREATESTRUCT& cs) override;
    void BindWxEvents() override;
    BOOL CreateFromTemplate(CWnd* pParentWnd, BOOL bModal);

    UINT m_nIDTemplate = 0;
    CWnd* m_pParentWnd = nullptr;
    int m_nModalResult = -1;
    BOOL m_bEnded = FALSE;
    BOOL m_bShowingModal = FALSE;
    // The client size the dialog was laid out with, given again when it first shows.
    CSize m_sizeLaidOut;
    BOOL m_bPlacePending = FALSE;

    DECLARE_MESSAGE_MAP()
};

// Makes the controls of a template inside pParent, at their positions converted from dialog
// units with pParent's font, each with a control object of the class that suits it.
BOOL AfxCreateDlgControls(CWnd* pParent, const DLGTEMPLATEDEF& def);
// A template's size in pixels for a window's font.
CSize AfxDialogTemplateSize(const wxWindow* pWx, const DLGTEMPLATEDEF& def);
