// CConfigView: the left pane, the list of the document's configurations and their commands.
#pragma once

#include "platform/afx/wnd/Controls.h"
#include "platform/afx/wnd/View.h"
#include "ui/SelectionMarkListCtrl.h"

class CCmdUI;
class CConfigInfo;
class CDC;
class CQuorvelDoc;

// One row per configuration: the item type's icon and the name; each row's item data is the
// configuration id, never its position. Choosing a row makes it the document's current
// configuration, which the right pane then shows. The add, delete and rename commands end here,
// whichever window they start from.
class CConfigView : public CView {
    DECLARE_DYNCREATE(CConfigView)
public:
    CConfigView();
    ~CConfigView() override;

    CQuorvelDoc* GetQuorvelDoc() const;

    BOOL PreCreateWindow(CREATESTRUCT& cs) override;
    BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
    void OnPrepareDC(CDC* pDC);
    void OnInitialUpdate() override;
    void OnDraw(CDC* pDC) override;

    // Makes the first selected row the document's current configuration and tells the frame.
    void OnSelectionChanged();
    BOOL InsertItem(CConfigInfo* pConfig, BOOL bSelect);
    void OnSize(UINT nType, int cx, int cy);
    void OnDestroy();
    // Command 32772: the create dialog, then a new configuration of the chosen name and type.
    void OnAddConfig();
    // Command 32773: removes the marked row's configuration (no confirmation is asked).
    void OnDeleteConfiguration();
    void OnUpdateRenameConfiguration(CCmdUI* pCmdUI);
    void OnRenameConfiguration();
    void OnUpdateStartClear(CCmdUI* pCmdUI);
    void OnStartClear();
    // Relabels the name column after a change of language; E_FAIL when the header cannot be set.
    virtual HRESULT OnLanguageChanged();

    CSelectionMarkListCtrl& GetListCtrl() { return m_wndList; }
    // The list's rectangle: the view's area less a margin of 10 pixels on every side.
    CRect GetListRect() const;

protected:
    // The image of an item type in the list's image list.
    static int GetTypeImage(DWORD dwType);
    // TRUE when a configuration other than ulExceptID already has exactly this name.
    BOOL IsNameInUse(const CString& strName, ULONG ulExceptID);

    BOOL m_bInitialized = FALSE;
    CImageList m_ImageList;
    CSelectionMarkListCtrl m_wndList;
    // Set while the list is (re)filled: filling does not change the current configuration.
    BOOL m_bFilling = FALSE;

    DECLARE_MESSAGE_MAP()
};
