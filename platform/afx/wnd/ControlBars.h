// Control bars of a frame: the toolbar (flat buttons with tooltips and flyby prompts), the
// status bar with its indicator panes, and the rebar band that holds the toolbar.
#pragma once

#include <vector>

#include "platform/afx/wnd/Wnd.h"

class CFrameWnd;

class CControlBar : public CWnd {
    DECLARE_DYNAMIC(CControlBar)
public:
    DWORD GetBarStyle() const { return m_dwBarStyle; }
    void SetBarStyle(DWORD dwStyle) { m_dwBarStyle = dwStyle; }
    CFrameWnd* GetParentFrame() const;

protected:
    DWORD m_dwBarStyle = 0;
};

class CToolBar : public CControlBar {
    DECLARE_DYNAMIC(CToolBar)
public:
    CToolBar();
    ~CToolBar() override;

    BOOL CreateEx(CWnd* pParentWnd, DWORD dwCtrlStyle = TBSTYLE_FLAT,
                  DWORD dwStyle = WS_CHILD | WS_VISIBLE | CBRS_ALIGN_TOP, CRect rcBorders = CRect(0, 0, 0, 0),
                  UINT nID = AFX_IDW_TOOLBAR);
    // Adds the buttons and pictures of toolbar resource nIDResource.
    BOOL LoadToolBar(UINT nIDResource);
    int GetCount() const { return (int)m_commands.size(); }
    UINT GetItemID(int nIndex) const;
    // The state the last idle pass gave a button (tests read it back).
    BOOL IsButtonEnabled(UINT nID) const;
    // The tooltip text a button currently carries.
    CString GetButtonTip(UINT nID) const;
    // Asks the owner for a button's tooltip (TTN_NEEDTEXTA, tooltip control id 0), the way a
    // tooltip does just before it shows; returns the text given, empty when nobody answered.
    CString FetchToolTip(UINT nID);
    // FetchToolTip, and the button carries the text from then on.
    CString RequestToolTip(UINT nID);
    void OnUpdateCmdUI(CWnd* pTarget, BOOL bDisableIfNoHndler) override;

protected:
    wxWindow* CreateWxPeer(wxWindow* pParent, const CREATESTRUCT& cs) override;
    // Has the toolkit fetch each button's tooltip whenever it shows it.
    void ConnectToolTips();
    std::vector<UINT> m_commands;
};

class CStatusBar : public CControlBar {
    DECLARE_DYNAMIC(CStatusBar)
public:
    using CWnd::Create;
    BOOL Create(CWnd* pParentWnd, DWORD dwStyle = WS_CHILD | WS_VISIBLE | CBRS_BOTTOM,
                UINT nID = AFX_IDW_STATUS_BAR);
    BOOL SetIndicators(const UINT* lpIDArray, int nIDCount);
    int GetCount() const { return (int)m_ids.size(); }
    UINT GetItemID(int nIndex) const;
    BOOL SetPaneText(int nIndex, LPCSTR lpszNewText, BOOL bUpdate = TRUE);
    CString GetPaneText(int nIndex) const;
    void OnUpdateCmdUI(CWnd* pTarget, BOOL bDisableIfNoHndler) override;

protected:
    wxWindow* CreateWxPeer(wxWindow* pParent, const CREATESTRUCT& cs) override;
    std::vector<UINT> m_ids;
};

// The band holder. The toolkit's frame already gives the toolbar its own row at the top, so the
// rebar keeps its bands as a list and places each bar in that row.
class CReBar : public CControlBar {
    DECLARE_DYNAMIC(CReBar)
public:
    using CWnd::Create;
    BOOL Create(CWnd* pParentWnd, DWORD dwCtrlStyle = RBS_BANDBORDERS,
                DWORD dwStyle = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | CBRS_ALIGN_TOP,
                UINT nID = AFX_IDW_REBAR);
    BOOL AddBar(CWnd* pBar, LPCSTR pszText = nullptr, class CBitmap* pbmp = nullptr,
                DWORD dwStyle = RBBS_GRIPPERALWAYS | RBBS_FIXEDBMP);
    int GetBandCount() const { return (int)m_bands.size(); }

protected:
    std::vector<CWnd*> m_bands;
};
