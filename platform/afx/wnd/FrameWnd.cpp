// The frame window over the toolkit's frame: menus, accelerators, bars, views and routing.
#include "platform/afx/wnd/FrameWnd.h"

#include <wx/accel.h>
#include <wx/app.h>
#include <wx/frame.h>
#include <wx/log.h>
#include <wx/menu.h>
#include <wx/statusbr.h>
#include <wx/toolbar.h>
#include <wx/utils.h>

#include <algorithm>

#include "platform/afx/wnd/ControlBars.h"
#include "platform/afx/wnd/DocTemplate.h"
#include "platform/afx/wnd/Document.h"
#include "platform/afx/wnd/Menu.h"
#include "platform/afx/wnd/Resources.h"
#include "platform/afx/wnd/View.h"
#include "platform/afx/wnd/WinApp.h"
#include "platform/afx/wnd/WxText.h"

IMPLEMENT_DYNAMIC(CFrameWnd, CWnd)

BEGIN_MESSAGE_MAP(CFrameWnd, CWnd)
ON_WM_CREATE()
ON_WM_CLOSE()
ON_WM_DESTROY()
ON_WM_SIZE()
ON_WM_INITMENU()
ON_WM_INITMENUPOPUP()
ON_UPDATE_COMMAND_UI(ID_VIEW_TOOLBAR, &CFrameWnd::OnUpdateControlBarMenu)
ON_UPDATE_COMMAND_UI(ID_VIEW_STATUS_BAR, &CFrameWnd::OnUpdateControlBarMenu)
ON_COMMAND_RANGE(ID_VIEW_TOOLBAR, ID_VIEW_STATUS_BAR, &CFrameWnd::OnBarCheck)
ON_UPDATE_COMMAND_UI(ID_INDICATOR_CAPS, &CFrameWnd::OnUpdateKeyIndicator)
ON_UPDATE_COMMAND_UI(ID_INDICATOR_NUM, &CFrameWnd::OnUpdateKeyIndicator)
ON_UPDATE_COMMAND_UI(ID_INDICATOR_SCRL, &CFrameWnd::OnUpdateKeyIndicator)
END_MESSAGE_MAP()

namespace {

// Applies a command state to a menu item.
class CMenuCmdUI : public CCmdUI {
public:
    wxMenuItem* m_pItem = nullptr;
    void Enable(BOOL bOn) override {
        CCmdUI::Enable(bOn);
        if (m_pItem != nullptr)
            m_pItem->Enable(bOn != FALSE);
    }
    void SetCheck(int nCheck) override {
        CCmdUI::SetCheck(nCheck);
        if (m_pItem != nullptr && m_pItem->IsCheckable())
            m_pItem->Check(nCheck != 0);
    }
    void SetText(LPCSTR lpszText) override {
        if (m_pItem != nullptr)
            m_pItem->SetItemLabel(ToWx(CMenu::CleanMenuText(lpszText)));
    }
};

int ToWxKey(WORD key) {
    switch (key) {
        case VK_BACK:
            return WXK_BACK;
        case VK_DELETE:
            return WXK_DELETE;
        case VK_INSERT:
            return WXK_INSERT;
        default:
            if (key >= VK_F1 && key < VK_F1 + 12)
                return WXK_F1 + (key - VK_F1);
            return key;
    }
}

}  // namespace

CFrameWnd::CFrameWnd() = default;

CFrameWnd::~CFrameWnd() = default;

BOOL CFrameWnd::PreCreateWindow(CREATESTRUCT& cs) {
    return CWnd::PreCreateWindow(cs);
}

wxWindow* CFrameWnd::CreateWxPeer(wxWindow* pParent, const CREATESTRUCT& cs) {
    long style = wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX | wxMINIMIZE_BOX | wxCLIP_CHILDREN;
    if (cs.style & WS_THICKFRAME)
        style |= wxRESIZE_BORDER | wxMAXIMIZE_BOX;
    // An empty rectangle asks for the default position and size.
    wxPoint pos = cs.cx <= 0 ? wxDefaultPosition : wxPoint(cs.x, cs.y);
    wxSize size = cs.cx <= 0 ? wxSize(800, 600) : wxSize(cs.cx, cs.cy);
    return new wxFrame(pParent, wxID_ANY, ToWx(cs.lpszName), pos, size, style);
}

BOOL CFrameWnd::LoadFrame(UINT nIDResource, DWORD dwDefaultStyle, CWnd* pParentWnd,
                          CCreateContext* pContext) {
    m_nIDHelp = nIDResource;
    // The title is the first part of the document string.
    std::string docString = AfxLoadString(nIDResource);
    m_strTitle = docString.substr(0, docString.find('\n')).c_str();
    m_pCreateContext = pContext;
    CRect rect(0, 0, 0, 0);
    BOOL bOk = Create(nullptr, m_strTitle, dwDefaultStyle, rect, pParentWnd, 0, pContext);
    m_pCreateContext = nullptr;
    if (!bOk) {
        // Without a window nothing else frees the object (with one, destruction did).
        if (!m_bHadWindow)
            delete this;
        return FALSE;
    }
    return TRUE;
}

void CFrameWnd::BindWxEvents() {
    CWnd::BindWxEvents();
    HWND h = m_hWnd;
    auto* pFrame = static_cast<wxFrame*>(m_pWx);
    pFrame->Bind(wxEVT_MENU, [h](wxCommandEvent& e) {
        if (!AfxIsWindow(h)) {
            e.Skip();
            return;
        }
        AfxSendMessage(h, WM_COMMAND, MAKEWPARAM(AfxWxIdToCommand(e.GetId()), 0), 0);
    });
    pFrame->Bind(wxEVT_MENU_OPEN, [h](wxMenuEvent& e) {
        CWnd* p = CWnd::FromHandle(h);
        if (p == nullptr)
            return;
        wxMenu* pMenu = e.GetMenu();
        auto* pFrameWx = static_cast<wxFrame*>(p->GetWxWindow());
        if (pMenu == nullptr || pFrameWx->GetMenuBar() == nullptr)
            return;
        // A popup menu of a child window reaches the frame too, but it is its owner's: the frame's
        // command states (which disable what the frame cannot route) are not for its items.
        wxMenu* pTop = pMenu;
        while (pTop->GetParent() != nullptr)
            pTop = pTop->GetParent();
        if (pTop->GetMenuBar() == nullptr && pTop->GetInvokingWindow() != nullptr &&
            pTop->GetInvokingWindow() != pFrameWx)
            return;
        // A drop-down of the menu bar opens: the bar is being activated.
        int nIndex = pFrameWx->GetMenuBar()->FindMenu(pMenu->GetTitle());
        if (pMenu->GetParent() == nullptr)
            p->SendMessage(WM_INITMENU, reinterpret_cast<WPARAM>(CMenu::FromWx(pFrameWx->GetMenuBar())));
        if (CWnd::FromHandle(h) != nullptr)
            p->SendMessage(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(CMenu::FromWx(pMenu)),
                           MAKELPARAM(nIndex < 0 ? 0 : nIndex, 0));
    });
    pFrame->Bind(wxEVT_MENU_HIGHLIGHT, [h](wxMenuEvent& e) {
        auto* p = dynamic_cast<CFrameWnd*>(CWnd::FromHandle(h));
        if (p == nullptr)
            return;
        CString prompt;
        if (e.GetMenuId() >= 0)
            p->GetMessageString(AfxWxIdToCommand(e.GetMenuId()), prompt);
        p->SetMessageText(prompt);
    });
    pFrame->Bind(wxEVT_MENU_CLOSE, [h](wxMenuEvent&) {
        if (auto* p = dynamic_cast<CFrameWnd*>(CWnd::FromHandle(h)))
            p->SetMessageText((UINT)AFX_IDS_IDLEMESSAGE);
    });
}

int CFrameWnd::OnCreate(LPCREATESTRUCT lpcs) {
    auto* pFrame = static_cast<wxFrame*>(m_pWx);
    if (const MENUDEF* pMenu = AfxFindMenu(m_nIDHelp))
        pFrame->SetMenuBar(CMenu::BuildMenuBar(*pMenu));
    if (const ACCELTABLEDEF* pAccel = AfxFindAccelerators(m_nIDHelp)) {
        std::vector<wxAcceleratorEntry> entries;
        for (const ACCELDEF& a : pAccel->entries) {
            int flags = ((a.fVirt & FCONTROL) ? wxACCEL_CTRL : 0) | ((a.fVirt & FSHIFT) ? wxACCEL_SHIFT : 0) |
                        ((a.fVirt & FALT) ? wxACCEL_ALT : 0);
            entries.emplace_back(flags, ToWxKey(a.key), AfxCommandToWxId(a.cmd));
        }
        pFrame->SetAcceleratorTable(wxAcceleratorTable((int)entries.size(), entries.data()));
    }
    if (const wxBitmap* pIcon = AfxFindIconResource(m_nIDHelp)) {
        wxIcon icon;
        icon.CopyFromBitmap(*pIcon);
        pFrame->SetIcon(icon);
    }
    auto* pContext = static_cast<CCreateContext*>(lpcs ? lpcs->lpCreateParams : nullptr);
    if (!OnCreateClient(lpcs, pContext))
        return -1;
    RecalcLayout();
    return 0;
}

BOOL CFrameWnd::OnCreateClient(LPCREATESTRUCT, CCreateContext* pContext) {
    if (pContext != nullptr && pContext->m_pNewViewClass != nullptr)
        return CreateView(pContext, AFX_IDW_PANE_FIRST) != nullptr;
    return TRUE;
}

CWnd* CFrameWnd::CreateView(CCreateContext* pContext, UINT nID) {
    if (pContext == nullptr || pContext->m_pNewViewClass == nullptr)
        return nullptr;
    CObject* pObject = pContext->m_pNewViewClass->CreateObject();
    auto* pView = dynamic_cast<CWnd*>(pObject);
    if (pView == nullptr) {
        delete pObject;
        return nullptr;
    }
    wxSize s = m_pWx->GetClientSize();
    if (!pView->Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE, CRect(0, 0, s.x, s.y), this, nID, pContext))
        return nullptr;  // a view that failed has destroyed itself
    return pView;
}

void CFrameWnd::SetActiveView(CView* pViewNew, BOOL bNotify) {
    CView* pViewOld = m_pViewActive;
    if (pViewNew == pViewOld)
        return;
    m_pViewActive = pViewNew;
    if (bNotify && pViewOld != nullptr)
        pViewOld->OnActivateView(FALSE, pViewNew, pViewOld);
    if (bNotify && pViewNew != nullptr)
        pViewNew->OnActivateView(TRUE, pViewNew, pViewOld);
}

CDocument* CFrameWnd::GetActiveDocument() {
    if (m_pViewActive != nullptr)
        return m_pViewActive->GetDocument();
    return nullptr;
}

BOOL CFrameWnd::OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) {
    // The road: active view (and its document), the frame, the application.
    CView* pView = m_pViewActive;
    if (pView != nullptr && pView->OnCmdMsg(nID, nCode, pExtra, pHandlerInfo))
        return TRUE;
    if (CWnd::OnCmdMsg(nID, nCode, pExtra, pHandlerInfo))
        return TRUE;
    CWinApp* pApp = AfxGetApp();
    return pApp != nullptr && pApp->OnCmdMsg(nID, nCode, pExtra, pHandlerInfo);
}

BOOL CFrameWnd::OnCommand(WPARAM wParam, LPARAM lParam) {
    UINT nID = LOWORD(wParam);
    // Menu items and accelerators run only when their command is enabled right now.
    if (lParam == 0 && HIWORD(wParam) == 0) {
        // Only a state handler that says "disabled" stops it; no handler means enabled.
        CCmdUI state;
        state.m_nID = nID;
        state.DoUpdate(this, FALSE);
        if (!state.m_bEnabled)
            return TRUE;
    }
    return CWnd::OnCommand(wParam, lParam);
}

void CFrameWnd::GetMessageString(UINT nID, CString& rMessage) const {
    std::string s = AfxLoadString(nID);
    rMessage = s.substr(0, s.find('\n')).c_str();
}

void CFrameWnd::SetMessageText(LPCSTR lpszText) {
    if (CStatusBar* pBar = GetStatusBar())
        pBar->SetPaneText(0, lpszText);
}

void CFrameWnd::SetMessageText(UINT nID) {
    CString message;
    GetMessageString(nID, message);
    SetMessageText(message);
}

void CFrameWnd::OnUpdateFrameTitle(BOOL bAddToTitle) {
    CDocument* pDoc = GetActiveDocument();
    if (bAddToTitle && pDoc != nullptr)
        UpdateFrameTitleForDocument(pDoc->GetTitle());
    else
        UpdateFrameTitleForDocument(nullptr);
}

void CFrameWnd::UpdateFrameTitleForDocument(LPCSTR lpszDocName) {
    CString title;
    if (lpszDocName != nullptr && *lpszDocName != '\0')
        title = CString(lpszDocName) + " - " + m_strTitle;
    else
        title = m_strTitle;
    CString current;
    GetWindowText(current);
    if (current != title)
        SetWindowText(title);
}

void CFrameWnd::ActivateFrame(int nCmdShow) {
    ShowWindow(nCmdShow == -1 ? SW_SHOW : nCmdShow);
    if (m_pWx != nullptr)
        m_pWx->Raise();
}

void CFrameWnd::RecalcLayout(BOOL) {
    if (m_pWx == nullptr)
        return;
    // The toolkit frame places menu, toolbar and status bar; the pane window fills the rest.
    if (CWnd* pPane = GetDlgItem(AFX_IDW_PANE_FIRST)) {
        wxSize s = m_pWx->GetClientSize();
        pPane->MoveWindow(0, 0, s.x, s.y, FALSE);
    }
}

void CFrameWnd::OnIdleUpdateCmdUI() {
    std::vector<CControlBar*> bars = m_bars;
    HWND h = m_hWnd;
    for (CControlBar* pBar : bars) {
        if (!AfxIsWindow(h))
            return;
        if (std::find(m_bars.begin(), m_bars.end(), pBar) != m_bars.end() && pBar->IsWindowVisible())
            pBar->OnUpdateCmdUI(this, TRUE);
    }
}

void CFrameWnd::OnToolEnter(CToolBar* pBar, int nID) {
    if (pBar == nullptr)
        return;
    if (nID < 0) {
        if (pBar->GetBarStyle() & CBRS_FLYBY)
            SetMessageText((UINT)AFX_IDS_IDLEMESSAGE);
        return;
    }
    if (pBar->GetBarStyle() & CBRS_TOOLTIPS)
        pBar->RequestToolTip((UINT)nID);
    if (pBar->GetBarStyle() & CBRS_FLYBY) {
        CString prompt;
        GetMessageString((UINT)nID, prompt);
        SetMessageText(prompt);
    }
}

CMenu* CFrameWnd::GetMenu() const {
    auto* pFrame = static_cast<wxFrame*>(m_pWx);
    return pFrame ? CMenu::FromWx(pFrame->GetMenuBar()) : nullptr;
}

CStatusBar* CFrameWnd::GetStatusBar() const {
    return dynamic_cast<CStatusBar*>(GetControlBar(AFX_IDW_STATUS_BAR));
}

CControlBar* CFrameWnd::GetControlBar(UINT nID) const {
    for (CControlBar* pBar : m_bars)
        if ((UINT)pBar->GetDlgCtrlID() == nID)
            return pBar;
    return nullptr;
}

void CFrameWnd::AddControlBar(CControlBar* pBar) {
    if (pBar != nullptr && std::find(m_bars.begin(), m_bars.end(), pBar) == m_bars.end())
        m_bars.push_back(pBar);
}

void CFrameWnd::RemoveControlBar(CControlBar* pBar) {
    m_bars.erase(std::remove(m_bars.begin(), m_bars.end(), pBar), m_bars.end());
}

void CFrameWnd::OnClose() {
    CWinApp* pApp = AfxGetApp();
    if (pApp != nullptr && pApp->m_pMainWnd == this && !pApp->SaveAllModified())
        return;
    DestroyWindow();
}

void CFrameWnd::OnDestroy() {
    m_pViewActive = nullptr;
}

void CFrameWnd::PostNcDestroy() {
    CWinApp* pApp = AfxGetApp();
    if (pApp != nullptr && pApp->m_pMainWnd == this) {
        pApp->m_pMainWnd = nullptr;
        if (wxTheApp != nullptr && wxTheApp->IsMainLoopRunning())
            wxTheApp->ExitMainLoop();
    }
    delete this;
}

void CFrameWnd::OnSize(UINT, int, int) {
    RecalcLayout();
}

void CFrameWnd::OnInitMenu(CMenu*) {}

void CFrameWnd::OnInitMenuPopup(CMenu* pPopupMenu, UINT, BOOL) {
    if (pPopupMenu == nullptr || pPopupMenu->GetWxMenu() == nullptr)
        return;
    HWND h = m_hWnd;
    wxMenu* pMenu = pPopupMenu->GetWxMenu();
    for (size_t i = 0; i < pMenu->GetMenuItemCount(); ++i) {
        wxMenuItem* pItem = pMenu->FindItemByPosition(i);
        if (pItem->IsSeparator() || pItem->IsSubMenu())
            continue;
        CMenuCmdUI state;
        state.m_nID = AfxWxIdToCommand(pItem->GetId());
        state.m_nIndex = (UINT)i;
        state.m_pMenu = pPopupMenu;
        state.m_pItem = pItem;
        state.DoUpdate(this, TRUE);
        if (!AfxIsWindow(h))
            return;
    }
}

void CFrameWnd::OnUpdateControlBarMenu(CCmdUI* pCmdUI) {
    CControlBar* pBar = GetControlBar(pCmdUI->m_nID);
    if (pBar == nullptr) {
        pCmdUI->ContinueRouting();
        return;
    }
    pCmdUI->SetCheck(pBar->IsWindowVisible() ? 1 : 0);
}

void CFrameWnd::OnBarCheck(UINT nID) {
    CControlBar* pBar = GetControlBar(nID);
    if (pBar == nullptr)
        return;
    pBar->ShowWindow(pBar->IsWindowVisible() ? SW_HIDE : SW_SHOW);
    if (m_pWx != nullptr)
        m_pWx->SendSizeEvent();
}

void CFrameWnd::OnUpdateKeyIndicator(CCmdUI* pCmdUI) {
    wxKeyCode key = WXK_CAPITAL;
    if (pCmdUI->m_nID == ID_INDICATOR_NUM)
        key = WXK_NUMLOCK;
    else if (pCmdUI->m_nID == ID_INDICATOR_SCRL)
        key = WXK_SCROLL;
    bool on = false;
    // Some displays cannot tell the state of a lock key: then it shows as off.
    {
        wxLogNull quiet;
        on = wxGetKeyState(key);
    }
    pCmdUI->Enable(on);
}
