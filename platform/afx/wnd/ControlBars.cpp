// Toolbar, status bar and rebar over the toolkit's bars.
#include "platform/afx/wnd/ControlBars.h"

#include <wx/bitmap.h>
#include <wx/frame.h>
#include <wx/statusbr.h>
#include <wx/toolbar.h>

#include <cstring>
#include <map>

#include "platform/afx/wnd/FrameWnd.h"
#include "platform/afx/wnd/Menu.h"
#include "platform/afx/wnd/Resources.h"
#include "platform/afx/wnd/WxText.h"

IMPLEMENT_DYNAMIC(CControlBar, CWnd)
IMPLEMENT_DYNAMIC(CToolBar, CControlBar)
IMPLEMENT_DYNAMIC(CStatusBar, CControlBar)
IMPLEMENT_DYNAMIC(CReBar, CControlBar)

CFrameWnd* CControlBar::GetParentFrame() const {
    for (CWnd* p = GetParent(); p != nullptr; p = p->GetParent())
        if (auto* pFrame = dynamic_cast<CFrameWnd*>(p))
            return pFrame;
    return nullptr;
}

// ----- toolbar -----

namespace {
class CToolCmdUI : public CCmdUI {
public:
    wxToolBar* m_pBar = nullptr;
    void Enable(BOOL bOn) override {
        CCmdUI::Enable(bOn);
        if (m_pBar != nullptr && m_pBar->GetToolEnabled(AfxCommandToWxId(m_nID)) != (bOn != FALSE))
            m_pBar->EnableTool(AfxCommandToWxId(m_nID), bOn != FALSE);
    }
    void SetCheck(int nCheck) override {
        CCmdUI::SetCheck(nCheck);
        if (m_pBar != nullptr)
            m_pBar->ToggleTool(AfxCommandToWxId(m_nID), nCheck != 0);
    }
};
}  // namespace

CToolBar::CToolBar() = default;

CToolBar::~CToolBar() {
    if (CFrameWnd* pFrame = GetParentFrame())
        pFrame->RemoveControlBar(this);
}

wxWindow* CToolBar::CreateWxPeer(wxWindow* pParent, const CREATESTRUCT& cs) {
    if (pParent == nullptr)
        return nullptr;
    long style = wxTB_HORIZONTAL | wxTB_NODIVIDER;
    if (m_dwBarStyle & TBSTYLE_FLAT)
        style |= wxTB_FLAT;
    return new wxToolBar(pParent, WxWindowId(cs.hMenu), wxDefaultPosition, wxDefaultSize, style);
}

BOOL CToolBar::CreateEx(CWnd* pParentWnd, DWORD dwCtrlStyle, DWORD dwStyle, CRect, UINT nID) {
    m_dwBarStyle = (dwStyle & 0xFFFF) | (dwCtrlStyle & TBSTYLE_FLAT);
    if (!Create(nullptr, nullptr, dwStyle | WS_VISIBLE, CRect(), pParentWnd, nID))
        return FALSE;
    auto* pBar = static_cast<wxToolBar*>(m_pWx);
    HWND h = m_hWnd;
    pBar->Bind(wxEVT_TOOL_ENTER, [h](wxCommandEvent& e) {
        auto* p = dynamic_cast<CToolBar*>(CWnd::FromHandle(h));
        if (p == nullptr) {
            e.Skip();
            return;
        }
        if (CFrameWnd* pFrame = p->GetParentFrame())
            pFrame->OnToolEnter(p, e.GetSelection() < 0 ? -1 : (int)AfxWxIdToCommand(e.GetSelection()));
    });
    if (auto* pFrame = dynamic_cast<wxFrame*>(pParentWnd->GetWxWindow()))
        pFrame->SetToolBar(pBar);
    if (CFrameWnd* pFrame = GetParentFrame())
        pFrame->AddControlBar(this);
    return TRUE;
}

BOOL CToolBar::LoadToolBar(UINT nIDResource) {
    const TOOLBARDEF* pDef = AfxFindToolBar(nIDResource);
    auto* pBar = static_cast<wxToolBar*>(m_pWx);
    if (pDef == nullptr || pBar == nullptr)
        return FALSE;
    const wxBitmap* pStrip = AfxFindBitmapResource(pDef->nBitmapID);
    pBar->SetToolBitmapSize(wxSize(pDef->cxButton, pDef->cyButton));
    int nImage = 0;
    m_commands = pDef->commands;
    for (UINT id : pDef->commands) {
        if (id == 0) {
            pBar->AddSeparator();
            continue;
        }
        wxBitmap image(pDef->cxButton, pDef->cyButton);
        if (pStrip != nullptr && (nImage + 1) * pDef->cxButton <= pStrip->GetWidth())
            image = pStrip->GetSubBitmap(wxRect(nImage * pDef->cxButton, 0, pDef->cxButton, pDef->cyButton));
        ++nImage;
        pBar->AddTool(AfxCommandToWxId(id), wxString(), image);
    }
    pBar->Realize();
    return TRUE;
}

UINT CToolBar::GetItemID(int nIndex) const {
    return nIndex >= 0 && nIndex < (int)m_commands.size() ? m_commands[(size_t)nIndex] : 0;
}

BOOL CToolBar::IsButtonEnabled(UINT nID) const {
    auto* pBar = static_cast<wxToolBar*>(m_pWx);
    return pBar != nullptr && pBar->GetToolEnabled(AfxCommandToWxId(nID));
}

CString CToolBar::GetButtonTip(UINT nID) const {
    auto* pBar = static_cast<wxToolBar*>(m_pWx);
    return pBar ? FromWx(pBar->GetToolShortHelp(AfxCommandToWxId(nID))) : CString();
}

CString CToolBar::RequestToolTip(UINT nID) {
    TOOLTIPTEXTA tt{};
    tt.hdr.hwndFrom = m_hWnd;
    tt.hdr.idFrom = nID;
    tt.hdr.code = TTN_NEEDTEXTA;
    HWND h = m_hWnd;
    // Whoever answers points lpszText at its text (usually the request's own buffer).
    auto answered = [&tt] { return tt.lpszText != nullptr || tt.szText[0] != '\0'; };
    SendMessage(WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&tt));
    if (!answered() && AfxIsWindow(h)) {
        if (CFrameWnd* pFrame = GetParentFrame())
            pFrame->SendMessage(WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&tt));
    }
    CString text;
    if (answered()) {
        const char* p = tt.lpszText != nullptr ? tt.lpszText : tt.szText;
        size_t n = p == tt.szText ? strnlen(p, sizeof tt.szText) : std::strlen(p);
        text = CString(p, (int)n);
    }
    if (CToolBar* pSelf = dynamic_cast<CToolBar*>(CWnd::FromHandle(h)))
        static_cast<wxToolBar*>(pSelf->m_pWx)->SetToolShortHelp(AfxCommandToWxId(nID), ToWx(text));
    return text;
}

void CToolBar::OnUpdateCmdUI(CWnd* pTarget, BOOL bDisableIfNoHndler) {
    auto* pBar = static_cast<wxToolBar*>(m_pWx);
    HWND h = m_hWnd;
    for (size_t i = 0; i < m_commands.size(); ++i) {
        if (m_commands[i] == 0)
            continue;
        CToolCmdUI state;
        state.m_nID = m_commands[i];
        state.m_nIndex = (UINT)i;
        state.m_pOther = this;
        state.m_pBar = pBar;
        state.DoUpdate(pTarget, bDisableIfNoHndler);
        if (!AfxIsWindow(h))
            return;
    }
}

// ----- status bar -----

namespace {
class CPaneCmdUI : public CCmdUI {
public:
    CStatusBar* m_pBar = nullptr;
    void Enable(BOOL bOn) override {
        CCmdUI::Enable(bOn);
        // An indicator shows its text while on and nothing while off.
        CString text = bOn ? CString(AfxLoadString(m_nID).c_str()) : CString();
        if (m_pBar->GetPaneText((int)m_nIndex) != text)
            m_pBar->SetPaneText((int)m_nIndex, text);
    }
};
}  // namespace

wxWindow* CStatusBar::CreateWxPeer(wxWindow* pParent, const CREATESTRUCT& cs) {
    if (pParent == nullptr)
        return nullptr;
    return new wxStatusBar(pParent, WxWindowId(cs.hMenu), wxSTB_DEFAULT_STYLE);
}

BOOL CStatusBar::Create(CWnd* pParentWnd, DWORD dwStyle, UINT nID) {
    m_dwBarStyle = dwStyle & 0xFFFF;
    if (pParentWnd == nullptr ||
        !CWnd::Create(nullptr, nullptr, dwStyle | WS_VISIBLE, CRect(), pParentWnd, nID))
        return FALSE;
    if (auto* pFrame = dynamic_cast<wxFrame*>(pParentWnd->GetWxWindow()))
        pFrame->SetStatusBar(static_cast<wxStatusBar*>(m_pWx));
    if (CFrameWnd* pFrame = GetParentFrame())
        pFrame->AddControlBar(this);
    return TRUE;
}

BOOL CStatusBar::SetIndicators(const UINT* lpIDArray, int nIDCount) {
    auto* pBar = static_cast<wxStatusBar*>(m_pWx);
    if (pBar == nullptr || lpIDArray == nullptr || nIDCount <= 0)
        return FALSE;
    m_ids.assign(lpIDArray, lpIDArray + nIDCount);
    std::vector<int> widths;
    for (UINT id : m_ids) {
        if (id == ID_SEPARATOR) {
            widths.push_back(-1);
            continue;
        }
        wxSize ext = pBar->GetTextExtent(ToWx(AfxLoadString(id).c_str()));
        widths.push_back(ext.x + 16);
    }
    pBar->SetFieldsCount(nIDCount, widths.data());
    return TRUE;
}

UINT CStatusBar::GetItemID(int nIndex) const {
    return nIndex >= 0 && nIndex < (int)m_ids.size() ? m_ids[(size_t)nIndex] : 0;
}

BOOL CStatusBar::SetPaneText(int nIndex, LPCSTR lpszNewText, BOOL) {
    auto* pBar = static_cast<wxStatusBar*>(m_pWx);
    if (pBar == nullptr || nIndex < 0 || nIndex >= pBar->GetFieldsCount())
        return FALSE;
    pBar->SetStatusText(ToWx(lpszNewText), nIndex);
    return TRUE;
}

CString CStatusBar::GetPaneText(int nIndex) const {
    auto* pBar = static_cast<wxStatusBar*>(m_pWx);
    if (pBar == nullptr || nIndex < 0 || nIndex >= pBar->GetFieldsCount())
        return CString();
    return FromWx(pBar->GetStatusText(nIndex));
}

void CStatusBar::OnUpdateCmdUI(CWnd* pTarget, BOOL) {
    HWND h = m_hWnd;
    for (size_t i = 0; i < m_ids.size(); ++i) {
        if (m_ids[i] == ID_SEPARATOR)
            continue;
        CPaneCmdUI state;
        state.m_nID = m_ids[i];
        state.m_nIndex = (UINT)i;
        state.m_pBar = this;
        state.DoUpdate(pTarget, FALSE);
        if (!AfxIsWindow(h))
            return;
    }
}

// ----- rebar -----

BOOL CReBar::Create(CWnd* pParentWnd, DWORD, DWORD dwStyle, UINT nID) {
    m_dwBarStyle = dwStyle & 0xFFFF;
    m_nDlgCtrlID = nID;
    return pParentWnd != nullptr;
}

BOOL CReBar::AddBar(CWnd* pBar, LPCSTR, CBitmap*, DWORD) {
    if (pBar == nullptr || pBar->GetSafeHwnd() == nullptr)
        return FALSE;
    m_bands.push_back(pBar);
    return TRUE;
}
