// The frame window: the top-level window with menu bar, control bars and views; it routes
// commands to the active view, the document, itself and the application.
#pragma once

#include <vector>

#include "platform/afx/wnd/Wnd.h"

class CView;
class CDocument;
class CControlBar;
class CStatusBar;
class CToolBar;
struct CCreateContext;

class CFrameWnd : public CWnd {
    DECLARE_DYNAMIC(CFrameWnd)
public:
    CFrameWnd();
    ~CFrameWnd() override;

    // Creates the frame from resource nIDResource (title, menu, accelerators, icon).
    virtual BOOL LoadFrame(UINT nIDResource, DWORD dwDefaultStyle = WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE,
                           CWnd* pParentWnd = nullptr, CCreateContext* pContext = nullptr);
    BOOL PreCreateWindow(CREATESTRUCT& cs) override;
    virtual BOOL OnCreateClient(LPCREATESTRUCT lpcs, CCreateContext* pContext);
    CWnd* CreateView(CCreateContext* pContext, UINT nID = AFX_IDW_PANE_FIRST);

    CView* GetActiveView() const { return m_pViewActive; }
    // Makes pView the active view; the old one is told it lost activation when bNotify.
    void SetActiveView(CView* pViewNew, BOOL bNotify = TRUE);
    virtual CDocument* GetActiveDocument();

    BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    // The status-bar prompt for a command (the resource string up to its first line feed).
    virtual void GetMessageString(UINT nID, CString& rMessage) const;
    void SetMessageText(LPCSTR lpszText);
    void SetMessageText(UINT nID);
    virtual void OnUpdateFrameTitle(BOOL bAddToTitle);
    void UpdateFrameTitleForDocument(LPCSTR lpszDocName);
    virtual void ActivateFrame(int nCmdShow = -1);
    virtual void RecalcLayout(BOOL bNotify = TRUE);
    // Updates the command states of every control bar (the idle pass).
    void OnIdleUpdateCmdUI();
    // The status prompt or tooltip asked for by the toolbar while the mouse is on button nID
    // (-1: it left); sends the tooltip request and, with CBRS_FLYBY, sets the status prompt.
    void OnToolEnter(CToolBar* pBar, int nID);

    CMenu* GetMenu() const override;
    CStatusBar* GetStatusBar() const;
    CControlBar* GetControlBar(UINT nID) const;
    void AddControlBar(CControlBar* pBar);
    void RemoveControlBar(CControlBar* pBar);
    CString GetTitle() const { return m_strTitle; }
    void SetTitle(LPCSTR lpszTitle) { m_strTitle = lpszTitle; }

    int OnCreate(LPCREATESTRUCT lpcs);
    void OnClose();
    void OnDestroy();
    void OnSize(UINT nType, int cx, int cy);
    void OnInitMenu(CMenu* pMenu);
    void OnInitMenuPopup(CMenu* pPopupMenu, UINT nIndex, BOOL bSysMenu);
    void OnUpdateControlBarMenu(CCmdUI* pCmdUI);
    void OnBarCheck(UINT nID);
    void OnUpdateKeyIndicator(CCmdUI* pCmdUI);
    void PostNcDestroy() override;

protected:
    wxWindow* CreateWxPeer(wxWindow* pParent, const CREATESTRUCT& cs) override;
    void BindWxEvents() override;

    CString m_strTitle;
    UINT m_nIDHelp = 0;
    CView* m_pViewActive = nullptr;
    std::vector<CControlBar*> m_bars;
    CCreateContext* m_pCreateContext = nullptr;

    DECLARE_MESSAGE_MAP()
};
