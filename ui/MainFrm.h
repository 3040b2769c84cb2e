// The main window: toolbar, status bar and the fixed two-pane splitter, every text in the
// current language, and the routing of the configuration commands to the panes.
#pragma once

#include "platform/afx/wnd/ControlBars.h"
#include "platform/afx/wnd/FrameWnd.h"
#include "ui/FixedSplitterWnd.h"
#include "ui/QuorvelToolBar.h"

class CConfigView;
class CQuorvelView;

// Runs the language dialog for the frame; IDOK with the chosen language id. The language dialog
// installs itself here; without one the change of language is cancelled.
using LanguageChooser = int (*)(CWnd* pParent, LONG* plLanguageID);
void SetLanguageChooser(LanguageChooser pfnChooser);

class CMainFrame : public CFrameWnd {
    DECLARE_DYNCREATE(CMainFrame)
public:
    CMainFrame();
    ~CMainFrame() override;

    CConfigView* GetLeftPane() const;
    CQuorvelView* GetRightPane() const;

    BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) override;
    BOOL PreCreateWindow(CREATESTRUCT& cs) override;
    BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
    void GetMessageString(UINT nID, CString& rMessage) const override;
    BOOL OnCreateClient(LPCREATESTRUCT lpcs, CCreateContext* pContext) override;
    void OnUpdateFrameTitle(BOOL bAddToTitle) override;

    void LoadPopupMenuTexts(CMenu* pMenu);
    void LoadMenuTexts();
    // Resolves "\\", "\a", "\t" in place; any other escaped character is dropped with its
    // backslash, as is a backslash at the end.
    static HRESULT ReplaceEscapeChars(LPSTR pszText);
    // Steps 2 to 6 of a change of language, once a language was chosen.
    void ApplyLanguage(LONG lLanguageID);
    void AdjustFrameSize();

    int OnCreate(LPCREATESTRUCT lpcs);
    void OnInitMenu(CMenu* pMenu);
    BOOL OnToolTipText(UINT id, NMHDR* pNMHDR, LRESULT* pResult);
    void OnChangeLanguage();
    void OnUpdateFileSave(CCmdUI* pCmdUI);
    // Save when no view is active: the state above enables it whenever the document is modified.
    void OnFileSave();
    void OnAddConfiguration();
    void OnUpdateAddConfiguration(CCmdUI* pCmdUI);
    void OnDeleteConfiguration();
    void OnRenameConfiguration();
    void OnUpdateRenameConfiguration(CCmdUI* pCmdUI);

    CQuorvelToolBar& GetToolBar() { return m_wndToolBar; }
    CStatusBar& GetStatusBarWnd() { return m_wndStatusBar; }
    CFixedSplitterWnd& GetSplitter() { return m_wndSplitter; }

protected:
    // Makes template 196 as an invisible child to learn its size; FALSE without the template.
    BOOL MeasureFormTemplate(CSize& size);
    // Sends a command to the left pane's window (nothing without one).
    void SendToLeftPane(UINT nID);

    CFixedSplitterWnd m_wndSplitter;
    CStatusBar m_wndStatusBar;
    CQuorvelToolBar m_wndToolBar;
    CReBar m_wndReBar;

    DECLARE_MESSAGE_MAP()
};
