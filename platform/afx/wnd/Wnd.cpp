// Window handles, the posted-message queue and CWnd's message handling over the toolkit.
#include "platform/afx/wnd/Wnd.h"

#include <wx/app.h>
#include <wx/apptrait.h>
#include <wx/display.h>
#include <wx/eventfilter.h>
#include <wx/evtloop.h>
#include <wx/panel.h>
#include <wx/settings.h>
#include <wx/textentry.h>
#include <wx/timer.h>
#include <wx/toplevel.h>
#include <wx/utils.h>
#include <wx/weakref.h>
#include <wx/window.h>

#include <gtk/gtk.h>

#include <algorithm>
#include <chrono>
#include <deque>
#include <map>
#include <memory>
#include <thread>
#include <unordered_map>

#include "platform/afx/wnd/BusyPeriod.h"
#include "platform/afx/wnd/Gdi.h"
#include "platform/afx/wnd/Menu.h"
#include "platform/afx/wnd/WxText.h"

IMPLEMENT_DYNAMIC(CWnd, CCmdTarget)

BEGIN_MESSAGE_MAP(CWnd, CCmdTarget)
ON_WM_CLOSE()
END_MESSAGE_MAP()

namespace {

// A drawing context the toolkit lends for one event; it stays the toolkit's.
class CLentDC : public CDC {
public:
    explicit CLentDC(wxDC* pDC) { m_pDC = pDC; }
};

struct PostedMessage {
    HWND hWnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

struct WindowTable {
    std::unordered_map<HWND, CWnd*> byHandle;
    std::unordered_map<const wxWindow*, CWnd*> byWx;
    std::map<HWND, std::map<UINT_PTR, std::unique_ptr<wxTimer>>> timers;
    // Handles count up and are never reused: a stale handle can never name a newer window.
    uintptr_t nextHandle = 0x10000;
    std::deque<PostedMessage> posted;
    bool pumpScheduled = false;
};

WindowTable& Table() {
    static WindowTable table;
    return table;
}

void DeliverPosted() {
    WindowTable& t = Table();
    t.pumpScheduled = false;
    // Only what was queued before this turn: messages posted by the handlers wait for the next.
    size_t n = t.posted.size();
    for (size_t i = 0; i < n && !t.posted.empty(); ++i) {
        PostedMessage m = t.posted.front();
        t.posted.pop_front();
        AfxSendMessage(m.hWnd, m.message, m.wParam, m.lParam);
    }
}

void SchedulePump() {
    WindowTable& t = Table();
    if (t.pumpScheduled || wxTheApp == nullptr)
        return;
    t.pumpScheduled = true;
    wxTheApp->CallAfter([] { DeliverPosted(); });
}

}  // namespace

// ----- global sending and posting -----

LRESULT AfxSendMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    CWnd* pWnd = CWnd::FromHandle(hWnd);
    if (pWnd == nullptr)
        return 0;
    return pWnd->WindowProc(message, wParam, lParam);
}

BOOL AfxPostMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!AfxIsWindow(hWnd))
        return FALSE;
    Table().posted.push_back(PostedMessage{hWnd, message, wParam, lParam});
    SchedulePump();
    return TRUE;
}

BOOL AfxIsWindow(HWND hWnd) {
    return hWnd != nullptr && Table().byHandle.count(hWnd) != 0;
}

namespace {

// The window manager's close requests come with the drawing events; while a busy thread lets the
// toolkit draw, they are refused, so no window goes away under the work in progress, and held for
// when the work is over.
class CDrawingOnlyFilter : public wxEventFilter {
public:
    int FilterEvent(wxEvent& event) override {
        if (event.GetEventType() == wxEVT_CLOSE_WINDOW) {
            AfxHoldClose(wxDynamicCast(event.GetEventObject(), wxWindow),
                         !static_cast<wxCloseEvent&>(event).CanVeto());
            return Event_Ignore;
        }
        if (event.GetEventCategory() == wxEVT_CATEGORY_USER_INPUT)
            return Event_Ignore;
        return Event_Skip;
    }
};

}  // namespace

void AfxPaintNow() {
    if (wxTheApp == nullptr || wxTheApp->GetTraits() == nullptr)
        return;
    wxEventLoopBase* pLoop = wxEventLoopBase::GetActive();
    std::unique_ptr<wxEventLoopBase> temporary;
    if (pLoop == nullptr) {
        temporary.reset(wxTheApp->GetTraits()->CreateEventLoop());
        pLoop = temporary.get();
    }
    if (pLoop == nullptr || pLoop->IsYielding())
        return;
    CDrawingOnlyFilter filter;
    wxEvtHandler::AddFilter(&filter);
    pLoop->YieldFor(wxEVT_CATEGORY_UI);
    wxEvtHandler::RemoveFilter(&filter);
    // The toolkit keeps the input it did not deliver for its next turn, which comes once the work
    // is over and would apply it to whatever the screen shows then.
    AfxDropHeldInput();
}

void AfxPaintFrameNow(CWnd* pWnd) {
    wxWindow* pWx = pWnd != nullptr ? pWnd->GetWxWindow() : nullptr;
    wxWindow* pTop = pWx != nullptr ? wxGetTopLevelParent(pWx) : nullptr;
    auto* pWidget = pTop != nullptr ? static_cast<GtkWidget*>(pTop->GetHandle()) : nullptr;
    GdkFrameClock* pClock =
        pWidget != nullptr && pWx->IsShownOnScreen() ? gtk_widget_get_frame_clock(pWidget) : nullptr;
    // A window not on screen gets no frames to wait for.
    if (pClock == nullptr) {
        AfxPaintNow();
        return;
    }
    bool bDrawn = false;
    const gulong nHandler = g_signal_connect(
        pClock, "after-paint",
        G_CALLBACK(+[](GdkFrameClock*, gpointer pDrawn) { *static_cast<bool*>(pDrawn) = true; }), &bDrawn);
    // Two frames at 60 per second: a window with nothing to draw does not hold the work longer.
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(34);
    AfxPaintNow();
    while (!bDrawn && std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        AfxPaintNow();
    }
    g_signal_handler_disconnect(pClock, nHandler);
}

size_t AfxGetPostedMessageCount() {
    return Table().posted.size();
}

void AfxPumpMessages() {
    // Bounded, so a handler that keeps posting to itself cannot hang a test.
    for (int round = 0; round < 1000; ++round) {
        if (wxTheApp != nullptr)
            wxTheApp->ProcessPendingEvents();
        if (Table().posted.empty())
            break;
        DeliverPosted();
    }
}

CRect AfxGetWorkArea(const CWnd* pWnd) {
    const wxWindow* pWx = pWnd != nullptr ? pWnd->GetWxWindow() : nullptr;
    const int nDisplay = pWx != nullptr ? wxDisplay::GetFromWindow(pWx) : wxNOT_FOUND;
    const wxRect area = wxDisplay(nDisplay == wxNOT_FOUND ? 0u : (unsigned)nDisplay).GetClientArea();
    return CRect(area.x, area.y, area.x + area.width, area.y + area.height);
}

int GetSystemMetrics(int nIndex) {
    switch (nIndex) {
        case SM_CXSCREEN:
            return wxGetDisplaySize().x;
        case SM_CYSCREEN:
            return wxGetDisplaySize().y;
        case SM_CXVSCROLL: {
            int v = wxSystemSettings::GetMetric(wxSYS_VSCROLL_X);
            return v > 0 ? v : 16;
        }
        case SM_CYHSCROLL: {
            int v = wxSystemSettings::GetMetric(wxSYS_HSCROLL_Y);
            return v > 0 ? v : 16;
        }
        case SM_CXBORDER:
        case SM_CYBORDER:
            return 1;
        default:
            return 0;
    }
}

BOOL SystemParametersInfo(UINT uiAction, UINT, void* pvParam, UINT) {
    if (uiAction != SPI_GETWORKAREA || pvParam == nullptr)
        return FALSE;
    const wxRect area = wxDisplay().GetClientArea();
    *static_cast<RECT*>(pvParam) = RECT{area.x, area.y, area.x + area.width, area.y + area.height};
    return TRUE;
}

// ----- CWnd -----

CWnd::CWnd() = default;

CWnd::~CWnd() {
    if (m_hWnd != nullptr)
        DestroyWindow();
}

CWnd* CWnd::FromHandle(HWND hWnd) {
    if (hWnd == nullptr)
        return nullptr;
    auto& map = Table().byHandle;
    auto it = map.find(hWnd);
    return it == map.end() ? nullptr : it->second;
}

CWnd* CWnd::FromWxWindow(const wxWindow* pWx) {
    auto& map = Table().byWx;
    auto it = map.find(pWx);
    return it == map.end() ? nullptr : it->second;
}

BOOL CWnd::AttachWx(wxWindow* pWx) {
    if (pWx == nullptr || m_hWnd != nullptr)
        return FALSE;
    WindowTable& t = Table();
    m_hWnd = reinterpret_cast<HWND>(t.nextHandle);
    t.nextHandle += 4;
    m_pWx = pWx;
    m_bHadWindow = TRUE;
    t.byHandle[m_hWnd] = this;
    t.byWx[pWx] = this;
    BindWxEvents();
    return TRUE;
}

void CWnd::Detach() {
    WindowTable& t = Table();
    t.timers.erase(m_hWnd);
    t.byHandle.erase(m_hWnd);
    if (m_pWx != nullptr)
        t.byWx.erase(m_pWx);
    m_hWnd = nullptr;
    m_pWx = nullptr;
}

void CWnd::BindWxEvents() {
    HWND h = m_hWnd;
    m_pWx->Bind(wxEVT_SIZE, [h](wxSizeEvent& e) {
        e.Skip();
        if (CWnd* p = CWnd::FromHandle(h)) {
            wxSize s = p->m_pWx->GetClientSize();
            p->SendMessage(WM_SIZE, 0, MAKELPARAM(s.x, s.y));
        }
    });
    m_pWx->Bind(wxEVT_DESTROY, [h](wxWindowDestroyEvent& e) {
        e.Skip();
        CWnd* p = CWnd::FromHandle(h);
        // The toolkit took the window down by itself (its parent went): finish our side.
        if (p != nullptr && e.GetEventObject() == p->m_pWx)
            p->DestroyTree();
    });
    auto mouse = [h](UINT msg) {
        return [h, msg](wxMouseEvent& e) {
            CWnd* p = CWnd::FromHandle(h);
            if (p == nullptr || p->FindMessageEntry(msg, 0, 0) == nullptr) {
                e.Skip();
                return;
            }
            UINT flags = (e.LeftIsDown() ? 0x1 : 0) | (e.RightIsDown() ? 0x2 : 0) |
                         (e.ShiftDown() ? 0x4 : 0) | (e.ControlDown() ? 0x8 : 0);
            p->SendMessage(msg, flags, MAKELPARAM(e.GetX(), e.GetY()));
        };
    };
    m_pWx->Bind(wxEVT_LEFT_DOWN, mouse(WM_LBUTTONDOWN));
    m_pWx->Bind(wxEVT_LEFT_UP, mouse(WM_LBUTTONUP));
    m_pWx->Bind(wxEVT_LEFT_DCLICK, mouse(WM_LBUTTONDBLCLK));
    m_pWx->Bind(wxEVT_MOTION, mouse(WM_MOUSEMOVE));
    m_pWx->Bind(wxEVT_RIGHT_DOWN, mouse(WM_RBUTTONDOWN));
    m_pWx->Bind(wxEVT_SET_CURSOR, [h](wxSetCursorEvent& e) {
        CWnd* p = CWnd::FromHandle(h);
        if (p == nullptr || p->FindMessageEntry(WM_SETCURSOR, 0, 0) == nullptr) {
            e.Skip();
            return;
        }
        p->SendMessage(WM_SETCURSOR, (WPARAM)p, 0);
        e.Skip();
    });
    m_pWx->Bind(wxEVT_ERASE_BACKGROUND, [h](wxEraseEvent& e) {
        CWnd* p = CWnd::FromHandle(h);
        if (p == nullptr || e.GetDC() == nullptr || p->FindMessageEntry(WM_ERASEBKGND, 0, 0) == nullptr) {
            e.Skip();
            return;
        }
        // The handler erased, or chose to leave the background as it is: the toolkit does nothing.
        CLentDC dc(e.GetDC());
        p->SendMessage(WM_ERASEBKGND, reinterpret_cast<WPARAM>(&dc));
    });
    m_pWx->Bind(wxEVT_PAINT, [h](wxPaintEvent& e) {
        CWnd* p = CWnd::FromHandle(h);
        if (p == nullptr || p->FindMessageEntry(WM_PAINT, 0, 0) == nullptr) {
            e.Skip();
            return;
        }
        p->SendMessage(WM_PAINT);
    });
    if (m_pWx->IsTopLevel()) {
        m_pWx->Bind(wxEVT_CLOSE_WINDOW, [h](wxCloseEvent& e) {
            CWnd* p = CWnd::FromHandle(h);
            if (p == nullptr) {
                e.Skip();
                return;
            }
            p->SendMessage(WM_CLOSE);
            // Still there: the window declined to close (or must go regardless).
            if (CWnd* still = CWnd::FromHandle(h)) {
                if (e.CanVeto())
                    e.Veto();
                else
                    still->DestroyWindow();
            }
        });
    }
}

long CWnd::PanelStyle(const CREATESTRUCT& cs) {
    long style = wxTAB_TRAVERSAL | ((cs.style & WS_BORDER) ? wxBORDER_SIMPLE : wxBORDER_NONE);
    if (cs.dwExStyle & WS_EX_CLIENTEDGE)
        style = (style & ~wxBORDER_MASK) | wxBORDER_SUNKEN;
    return style;
}

wxWindow* CWnd::CreateWxPeer(wxWindow* pParent, const CREATESTRUCT& cs) {
    if (pParent == nullptr)
        return nullptr;
    return new wxPanel(pParent, WxWindowId(cs.hMenu), wxPoint(cs.x, cs.y), wxSize(cs.cx, cs.cy),
                       PanelStyle(cs));
}

BOOL CWnd::PreCreateWindow(CREATESTRUCT&) {
    return TRUE;
}

BOOL CWnd::Create(LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                  CWnd* pParentWnd, UINT nID, CCreateContext* pContext) {
    return CreateEx(0, lpszClassName, lpszWindowName, dwStyle, rect, pParentWnd, nID, pContext);
}

BOOL CWnd::CreateEx(DWORD dwExStyle, LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle,
                    const RECT& rect, CWnd* pParentWnd, UINT nID, CCreateContext* pContext) {
    if (m_hWnd != nullptr)
        return FALSE;
    CREATESTRUCT cs{};
    cs.dwExStyle = dwExStyle;
    cs.lpCreateParams = pContext;
    cs.hwndParent = pParentWnd ? pParentWnd->m_hWnd : nullptr;
    cs.hMenu = nID;
    cs.x = rect.left;
    cs.y = rect.top;
    cs.cx = rect.right - rect.left;
    cs.cy = rect.bottom - rect.top;
    cs.style = (LONG)dwStyle;
    cs.lpszName = lpszWindowName;
    cs.lpszClass = lpszClassName;
    if (!PreCreateWindow(cs))
        return FALSE;
    // A window smaller than nothing (a layout whose margins exceed a small parent) is empty, as on
    // the desktop; the toolkit refuses a negative size.
    cs.cx = std::max(0, cs.cx);
    cs.cy = std::max(0, cs.cy);
    wxWindow* pWx = CreateWxPeer(pParentWnd ? pParentWnd->m_pWx : nullptr, cs);
    if (pWx == nullptr)
        return FALSE;
    m_dwStyle = (DWORD)cs.style;
    m_dwExStyle = cs.dwExStyle;
    m_nDlgCtrlID = nID;
    if (!(cs.style & WS_VISIBLE) && !pWx->IsTopLevel())
        pWx->Hide();
    AttachWx(pWx);
    HWND h = m_hWnd;
    if (SendMessage(WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
        if (CWnd* p = FromHandle(h))
            p->DestroyWindow();
        return FALSE;
    }
    return TRUE;
}

void CWnd::DestroyTree() {
    HWND h = m_hWnd;
    if (h == nullptr)
        return;
    SendMessage(WM_DESTROY);
    // Children first, through toolkit-only containers that carry no object of their own.
    std::vector<HWND> children;
    std::vector<wxWindow*> pending;
    if (FromHandle(h) == this && m_pWx != nullptr)
        pending.assign(m_pWx->GetChildren().begin(), m_pWx->GetChildren().end());
    while (!pending.empty()) {
        wxWindow* w = pending.back();
        pending.pop_back();
        if (CWnd* c = FromWxWindow(w))
            children.push_back(c->m_hWnd);
        else
            pending.insert(pending.end(), w->GetChildren().begin(), w->GetChildren().end());
    }
    for (HWND hc : children)
        if (CWnd* c = FromHandle(hc))
            c->DestroyTree();
    if (FromHandle(h) != this)
        return;
    Detach();
    PostNcDestroy();  // may delete this
}

BOOL CWnd::DestroyWindow() {
    if (m_hWnd == nullptr)
        return FALSE;
    wxWeakRef<wxWindow> ref(m_pWx);
    DestroyTree();  // may delete this: only locals from here on
    if (ref) {
        wxWindow* w = ref.get();
        w->Hide();
        if (w->IsTopLevel()) {
            w->Destroy();
        } else if (wxTheApp != nullptr) {
            // The toolkit window may be inside one of its own event handlers: delete it later.
            wxTheApp->CallAfter([ref] {
                if (ref)
                    delete ref.get();
            });
        } else {
            delete w;
        }
    }
    return TRUE;
}

void CWnd::PostNcDestroy() {
    if (m_bAutoDeleteWrapper)
        delete this;
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return AfxSendMessage(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return AfxPostMessage(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT lResult = 0;
    if (!OnWndMsg(message, wParam, lParam, &lResult))
        lResult = DefWindowProc(message, wParam, lParam);
    return lResult;
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    if (message == WM_COMMAND) {
        BOOL b = OnCommand(wParam, lParam);
        *pResult = b;
        return b;
    }
    if (message == WM_NOTIFY) {
        LRESULT lResult = 0;
        BOOL b = OnNotify(wParam, lParam, &lResult);
        *pResult = lResult;
        return b;
    }
    const AFX_MSGMAP_ENTRY* pEntry = FindMessageEntry(message, 0, 0);
    if (pEntry == nullptr)
        return FALSE;
    // The handler may destroy this window and delete this object.
    return pEntry->pfn(this, wParam, lParam, nullptr, pResult);
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM) {
    UINT nID = LOWORD(wParam);
    int nCode = HIWORD(wParam);
    return OnCmdMsg(nID, nCode, nullptr, nullptr);
}

BOOL CWnd::OnNotify(WPARAM, LPARAM lParam, LRESULT* pResult) {
    NMHDR* pNMHDR = reinterpret_cast<NMHDR*>(lParam);
    if (pNMHDR == nullptr)
        return FALSE;
    AFX_NOTIFY notify{pResult, pNMHDR};
    // Tooltip requests come from the tooltip control, whose own control id is always 0; the
    // tool they ask about is in idFrom.
    UINT nID = pNMHDR->code == TTN_NEEDTEXTA ? 0 : (UINT)pNMHDR->idFrom;
    return OnCmdMsg(nID, MAKELONG(pNMHDR->code, WM_NOTIFY), &notify, nullptr);
}

LRESULT CWnd::DefWindowProc(UINT, WPARAM, LPARAM) {
    return 0;
}

void CWnd::OnUpdateCmdUI(CWnd*, BOOL) {}

int CWnd::OnCreate(LPCREATESTRUCT) {
    return 0;
}

void CWnd::OnClose() {
    DestroyWindow();
}

void CWnd::OnPaint() {
    CPaintDC dc(this);
}

BOOL CWnd::OnEraseBkgnd(CDC* pDC) {
    if (pDC == nullptr || pDC->GetWxDC() == nullptr || m_pWx == nullptr)
        return FALSE;
    const wxColour colour = m_pWx->GetBackgroundColour();
    CRect rc;
    GetClientRect(&rc);
    pDC->FillSolidRect(&rc, RGB(colour.Red(), colour.Green(), colour.Blue()));
    return TRUE;
}

BOOL CWnd::OnSetCursor(CWnd*, UINT, UINT) {
    return FALSE;
}

CWnd* CWnd::GetParent() const {
    if (m_pWx == nullptr)
        return nullptr;
    for (wxWindow* w = m_pWx->GetParent(); w != nullptr; w = w->GetParent())
        if (CWnd* p = FromWxWindow(w))
            return p;
    return nullptr;
}

CWnd* CWnd::GetTopLevelParent() const {
    if (m_pWx == nullptr)
        return nullptr;
    return FromWxWindow(wxGetTopLevelParent(m_pWx));
}

CWnd* CWnd::GetDlgItem(int nID) const {
    if (m_pWx == nullptr)
        return nullptr;
    std::vector<wxWindow*> pending(m_pWx->GetChildren().begin(), m_pWx->GetChildren().end());
    for (size_t i = 0; i < pending.size(); ++i) {
        CWnd* c = FromWxWindow(pending[i]);
        if (c != nullptr) {
            if ((int)c->m_nDlgCtrlID == nID)
                return c;
        } else if (!pending[i]->IsTopLevel()) {
            pending.insert(pending.end(), pending[i]->GetChildren().begin(), pending[i]->GetChildren().end());
        }
    }
    return nullptr;
}

int CWnd::GetDlgCtrlID() const {
    return (int)m_nDlgCtrlID;
}

int CWnd::SetDlgCtrlID(int nID) {
    int old = (int)m_nDlgCtrlID;
    m_nDlgCtrlID = (UINT)nID;
    return old;
}

BOOL CWnd::SubclassDlgItem(UINT nID, CWnd* pParent) {
    if (pParent == nullptr || m_hWnd != nullptr)
        return FALSE;
    CWnd* pOld = pParent->GetDlgItem((int)nID);
    if (pOld == nullptr || pOld == this)
        return pOld == this;
    wxWindow* w = pOld->m_pWx;
    DWORD style = pOld->m_dwStyle;
    // The layer's own wrapper gives the window up to the system's object.
    pOld->Detach();
    if (pOld->m_bAutoDeleteWrapper)
        delete pOld;
    m_dwStyle = style;
    m_nDlgCtrlID = nID;
    return AttachWx(w);
}

void CWnd::SetWindowText(LPCSTR lpszString) {
    if (m_pWx == nullptr)
        return;
    // An edit field's text is its value; setting it notifies the parent, as typing does.
    if (auto* pEntry = dynamic_cast<wxTextEntry*>(m_pWx))
        pEntry->SetValue(ToWx(lpszString));
    else
        m_pWx->SetLabel(ToWx(lpszString));
}

void CWnd::GetWindowText(CString& rString) const {
    if (m_pWx == nullptr)
        rString = CString();
    else if (auto* pEntry = dynamic_cast<wxTextEntry*>(m_pWx))
        rString = FromWx(pEntry->GetValue());
    else
        rString = FromWx(m_pWx->GetLabel());
}

int CWnd::GetWindowText(LPSTR lpszStringBuf, int nMaxCount) const {
    if (lpszStringBuf == nullptr || nMaxCount <= 0)
        return 0;
    CString s;
    GetWindowText(s);
    int n = s.GetLength() < nMaxCount - 1 ? s.GetLength() : nMaxCount - 1;
    // Never cut a character in half.
    while (n > 0 && n < s.GetLength() && (((unsigned char)s.GetString()[n]) & 0xC0) == 0x80)
        --n;
    std::memcpy(lpszStringBuf, s.GetString(), (size_t)n);
    lpszStringBuf[n] = '\0';
    return n;
}

int CWnd::GetWindowTextLength() const {
    CString s;
    GetWindowText(s);
    return s.GetLength();
}

void CWnd::SetDlgItemText(int nID, LPCSTR lpszString) {
    if (CWnd* p = GetDlgItem(nID))
        p->SetWindowText(lpszString);
}

int CWnd::GetDlgItemText(int nID, CString& rString) const {
    rString = CString();
    if (CWnd* p = GetDlgItem(nID))
        p->GetWindowText(rString);
    return rString.GetLength();
}

UINT CWnd::GetDlgItemInt(int nID, BOOL* lpTrans, BOOL bSigned) const {
    CString s;
    GetDlgItemText(nID, s);
    char* end = nullptr;
    long long v = std::strtoll(s.GetString(), &end, 10);
    BOOL ok = s.GetLength() > 0 && end != nullptr && *end == '\0' && (bSigned || v >= 0);
    if (lpTrans != nullptr)
        *lpTrans = ok;
    return ok ? (UINT)v : 0;
}

void CWnd::SetDlgItemInt(int nID, UINT nValue, BOOL bSigned) {
    char buf[32];
    std::snprintf(buf, sizeof buf, bSigned ? "%d" : "%u", bSigned ? (int)nValue : nValue);
    SetDlgItemText(nID, buf);
}

BOOL CWnd::EnableWindow(BOOL bEnable) {
    if (m_pWx == nullptr)
        return FALSE;
    BOOL wasDisabled = !m_pWx->IsThisEnabled();
    m_pWx->Enable(bEnable != FALSE);
    return wasDisabled;
}

BOOL CWnd::IsWindowEnabled() const {
    return m_pWx != nullptr && m_pWx->IsThisEnabled();
}

BOOL CWnd::ShowWindow(int nCmdShow) {
    if (m_pWx == nullptr)
        return FALSE;
    BOOL wasVisible = m_pWx->IsShown();
    m_pWx->Show(nCmdShow != SW_HIDE);
    if (nCmdShow != SW_HIDE)
        m_dwStyle |= WS_VISIBLE;
    else
        m_dwStyle &= ~(DWORD)WS_VISIBLE;
    return wasVisible;
}

BOOL CWnd::IsWindowVisible() const {
    return m_pWx != nullptr && m_pWx->IsShown();
}

BOOL CWnd::ModifyStyle(DWORD dwRemove, DWORD dwAdd, UINT) {
    DWORD old = m_dwStyle;
    m_dwStyle = (m_dwStyle & ~dwRemove) | dwAdd;
    return old != m_dwStyle;
}

void CWnd::SetRedraw(BOOL bRedraw) {
    if (m_pWx == nullptr)
        return;
    if (!bRedraw && !m_pWx->IsFrozen())
        m_pWx->Freeze();
    else if (bRedraw && m_pWx->IsFrozen())
        m_pWx->Thaw();
}

void CWnd::DragAcceptFiles(BOOL bAccept) {
    if (m_pWx != nullptr)
        m_pWx->DragAcceptFiles(bAccept != FALSE);
}

void CWnd::MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint) {
    if (m_pWx == nullptr)
        return;
    // Smaller than nothing is empty, as on the desktop: the toolkit refuses a negative size and
    // takes -1 for the window's own.
    m_pWx->SetSize(x, y, std::max(0, nWidth), std::max(0, nHeight), wxSIZE_ALLOW_MINUS_ONE);
    if (bRepaint)
        m_pWx->Refresh();
}

void CWnd::MoveWindow(LPCRECT lpRect, BOOL bRepaint) {
    if (lpRect != nullptr)
        MoveWindow(lpRect->left, lpRect->top, lpRect->right - lpRect->left, lpRect->bottom - lpRect->top,
                   bRepaint);
}

BOOL CWnd::SetWindowPos(const CWnd* pWndInsertAfter, int x, int y, int cx, int cy, UINT nFlags) {
    if (m_pWx == nullptr)
        return FALSE;
    wxRect r = m_pWx->GetRect();
    if (!(nFlags & SWP_NOMOVE)) {
        r.x = x;
        r.y = y;
    }
    if (!(nFlags & SWP_NOSIZE)) {
        r.width = std::max(0, cx);
        r.height = std::max(0, cy);
    }
    m_pWx->SetSize(r, wxSIZE_ALLOW_MINUS_ONE);
    if (!(nFlags & SWP_NOZORDER) && pWndInsertAfter == nullptr)
        m_pWx->Raise();
    if (nFlags & SWP_SHOWWINDOW)
        ShowWindow(SW_SHOW);
    if (nFlags & SWP_HIDEWINDOW)
        ShowWindow(SW_HIDE);
    return TRUE;
}

BOOL CWnd::BringWindowToTop() {
    if (m_pWx == nullptr)
        return FALSE;
    m_pWx->Raise();
    return TRUE;
}

void CWnd::GetWindowRect(LPRECT lpRect) const {
    if (lpRect == nullptr)
        return;
    if (m_pWx == nullptr) {
        *lpRect = RECT{0, 0, 0, 0};
        return;
    }
    wxRect r = m_pWx->GetScreenRect();
    *lpRect = RECT{r.x, r.y, r.x + r.width, r.y + r.height};
}

void CWnd::GetClientRect(LPRECT lpRect) const {
    if (lpRect == nullptr)
        return;
    wxSize s = m_pWx ? m_pWx->GetClientSize() : wxSize(0, 0);
    *lpRect = RECT{0, 0, s.x, s.y};
}

void CWnd::ClientToScreen(LPPOINT lpPoint) const {
    if (m_pWx == nullptr || lpPoint == nullptr)
        return;
    wxPoint p = m_pWx->ClientToScreen(wxPoint(lpPoint->x, lpPoint->y));
    lpPoint->x = p.x;
    lpPoint->y = p.y;
}

void CWnd::ClientToScreen(LPRECT lpRect) const {
    if (lpRect == nullptr)
        return;
    ClientToScreen(reinterpret_cast<LPPOINT>(&lpRect->left));
    ClientToScreen(reinterpret_cast<LPPOINT>(&lpRect->right));
}

void CWnd::ScreenToClient(LPPOINT lpPoint) const {
    if (m_pWx == nullptr || lpPoint == nullptr)
        return;
    wxPoint p = m_pWx->ScreenToClient(wxPoint(lpPoint->x, lpPoint->y));
    lpPoint->x = p.x;
    lpPoint->y = p.y;
}

void CWnd::ScreenToClient(LPRECT lpRect) const {
    if (lpRect == nullptr)
        return;
    ScreenToClient(reinterpret_cast<LPPOINT>(&lpRect->left));
    ScreenToClient(reinterpret_cast<LPPOINT>(&lpRect->right));
}

void CWnd::CenterWindow(CWnd* pAlternateOwner) {
    if (m_pWx == nullptr)
        return;
    if (auto* pTop = dynamic_cast<wxTopLevelWindow*>(m_pWx)) {
        if (pAlternateOwner != nullptr)
            pTop->CentreOnParent();
        else
            pTop->CentreOnScreen();
    } else {
        m_pWx->CentreOnParent();
    }
}

void CWnd::MapDialogRect(LPRECT lpRect) const {
    if (lpRect == nullptr)
        return;
    CSize base = AfxGetDialogBaseUnits(m_pWx);
    lpRect->left = lpRect->left * base.cx / 4;
    lpRect->right = lpRect->right * base.cx / 4;
    lpRect->top = lpRect->top * base.cy / 8;
    lpRect->bottom = lpRect->bottom * base.cy / 8;
}

void CWnd::Invalidate(BOOL bErase) {
    if (m_pWx != nullptr)
        m_pWx->Refresh(bErase != FALSE);
}

void CWnd::InvalidateRect(LPCRECT lpRect, BOOL bErase) {
    if (m_pWx == nullptr)
        return;
    if (lpRect == nullptr) {
        m_pWx->Refresh(bErase != FALSE);
        return;
    }
    wxRect r(lpRect->left, lpRect->top, lpRect->right - lpRect->left, lpRect->bottom - lpRect->top);
    m_pWx->Refresh(bErase != FALSE, &r);
}

void CWnd::UpdateWindow() {
    if (m_pWx != nullptr)
        m_pWx->Update();
}

void CWnd::ValidateRect(LPCRECT) {}

CWnd* CWnd::SetFocus() {
    CWnd* pOld = GetFocus();
    if (m_pWx != nullptr)
        m_pWx->SetFocus();
    return pOld;
}

CWnd* CWnd::GetFocus() {
    for (wxWindow* w = wxWindow::FindFocus(); w != nullptr; w = w->GetParent())
        if (CWnd* p = FromWxWindow(w))
            return p;
    return nullptr;
}

UINT_PTR CWnd::SetTimer(UINT_PTR nIDEvent, UINT nElapse, void*) {
    if (m_hWnd == nullptr)
        return 0;
    HWND h = m_hWnd;
    auto timer = std::make_unique<wxTimer>();
    timer->Bind(wxEVT_TIMER, [h, nIDEvent](wxTimerEvent&) { AfxSendMessage(h, WM_TIMER, nIDEvent, 0); });
    timer->Start((int)nElapse);
    Table().timers[h][nIDEvent] = std::move(timer);
    return nIDEvent;
}

BOOL CWnd::KillTimer(UINT_PTR nIDEvent) {
    auto it = Table().timers.find(m_hWnd);
    if (it == Table().timers.end())
        return FALSE;
    return it->second.erase(nIDEvent) != 0;
}

CMenu* CWnd::GetMenu() const {
    return nullptr;
}

void CWnd::DrawMenuBar() {
    if (m_pWx != nullptr)
        m_pWx->Refresh();
}

int CWnd::MessageBox(LPCSTR lpszText, LPCSTR lpszCaption, UINT nType) {
    return ::MessageBoxA(m_hWnd, lpszText, lpszCaption, nType);
}

CFont* CWnd::GetFont() const {
    return m_pFont;
}

void CWnd::SetFont(CFont* pFont, BOOL bRedraw) {
    m_pFont = pFont;
    if (m_pWx != nullptr && pFont != nullptr && pFont->GetWxFont() != nullptr) {
        m_pWx->SetFont(*pFont->GetWxFont());
        if (bRedraw)
            m_pWx->Refresh();
    }
}

void CWnd::NotifyParentCommand(UINT nCode) {
    HWND h = m_hWnd;
    const AFX_MSGMAP_ENTRY* pEntry = FindMessageEntry(WM_REFLECT_BASE + WM_COMMAND, nCode, 0);
    if (pEntry != nullptr) {
        LRESULT r = 0;
        pEntry->pfn(this, 0, 0, nullptr, &r);
        return;
    }
    CWnd* pParent = GetParent();
    if (pParent != nullptr && AfxIsWindow(h))
        pParent->SendMessage(WM_COMMAND, MAKEWPARAM(m_nDlgCtrlID, nCode), reinterpret_cast<LPARAM>(h));
}

LRESULT CWnd::NotifyParent(NMHDR* pNMHDR) {
    if (pNMHDR == nullptr)
        return 0;
    pNMHDR->hwndFrom = m_hWnd;
    pNMHDR->idFrom = m_nDlgCtrlID;
    LRESULT lResult = 0;
    const AFX_MSGMAP_ENTRY* pEntry = FindMessageEntry(WM_REFLECT_BASE + WM_NOTIFY, pNMHDR->code, 0);
    if (pEntry != nullptr) {
        AFX_NOTIFY notify{&lResult, pNMHDR};
        pEntry->pfn(this, 0, 0, &notify, &lResult);
        return lResult;
    }
    CWnd* pParent = GetParent();
    if (pParent == nullptr)
        return 0;
    return pParent->SendMessage(WM_NOTIFY, m_nDlgCtrlID, reinterpret_cast<LPARAM>(pNMHDR));
}
