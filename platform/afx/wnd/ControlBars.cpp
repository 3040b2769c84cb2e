// Toolbar, status bar and rebar over the toolkit's bars.
#include "platform/afx/wnd/ControlBars.h"

#include <wx/bitmap.h>
#include <wx/frame.h>
#include <wx/statusbr.h>
#include <wx/toolbar.h>

#include <gtk/gtk.h>

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

// The button a tooltip is asked for: the toolbar by handle, as the button's widget may outlive it.
struct ToolTipSource {
    HWND hBar;
    UINT nID;
};

// The toolkit asks for a button's tooltip each time it is about to show one: the text is fetched
// then, so it follows a change of language at once, whatever the button carried when the pointer
// came to it.
gboolean OnQueryToolTip(GtkWidget*, gint, gint, gboolean, GtkTooltip* pTooltip, gpointer pData) {
    const auto* pSource = static_cast<const ToolTipSource*>(pData);
    auto* pBar = dynamic_cast<CToolBar*>(CWnd::FromHandle(pSource->hBar));
    if (pBar == nullptr || !(pBar->GetBarStyle() & CBRS_TOOLTIPS))
        return FALSE;
    const CString text = pBar->FetchToolTip(pSource->nID);
    if (text.IsEmpty())
        return FALSE;
    gtk_tooltip_set_text(pTooltip, ToWx(text).utf8_str());
    return TRUE;
}
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
    ConnectToolTips();
    return TRUE;
}

void CToolBar::ConnectToolTips() {
    auto* pBar = static_cast<wxToolBar*>(m_pWx);
    // The toolkit's toolbar sits in a box of its own.
    auto* pWidget = static_cast<GtkWidget*>(pBar->GetHandle());
    while (pWidget != nullptr && !GTK_IS_TOOLBAR(pWidget))
        pWidget = GTK_IS_BIN(pWidget) ? gtk_bin_get_child(GTK_BIN(pWidget)) : nullptr;
    if (pWidget == nullptr)
        return;
    for (UINT id : m_commands) {
        const int nPos = id != 0 ? pBar->GetToolPos(AfxCommandToWxId(id)) : wxNOT_FOUND;
        GtkToolItem* pItem =
            nPos != wxNOT_FOUND ? gtk_toolbar_get_nth_item(GTK_TOOLBAR(pWidget), nPos) : nullptr;
        GtkWidget* pButton = pItem != nullptr ? gtk_bin_get_child(GTK_BIN(pItem)) : nullptr;
        if (pButton == nullptr)
            continue;
        gtk_widget_set_has_tooltip(pButton, TRUE);
        g_signal_connect_data(
            pButton, "query-tooltip", G_CALLBACK(OnQueryToolTip), new ToolTipSource{m_hWnd, id},
            +[](gpointer pData, GClosure*) { delete static_cast<ToolTipSource*>(pData); }, GConnectFlags(0));
    }
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

CString CToolBar::FetchToolTip(UINT nID) {
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
    if (!answered())
        return CString();
    const char* p = tt.lpszText != nullptr ? tt.lpszText : tt.szText;
    size_t n = p == tt.szText ? strnlen(p, sizeof tt.szText) : std::strlen(p);
    return CString(p, (int)n);
}

CString CToolBar::RequestToolTip(UINT nID) {
    HWND h = m_hWnd;
    const CString text = FetchToolTip(nID);
    // Only the button's record: what the toolkit shows is asked for when it shows it.
    if (CToolBar* pSelf = dynamic_cast<CToolBar*>(CWnd::FromHandle(h))) {
        if (wxToolBarToolBase* pTool = static_cast<wxToolBar*>(pSelf->m_pWx)->FindById(AfxCommandToWxId(nID)))
            pTool->SetShortHelp(ToWx(text));
    }
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
