// Views and form views.
#include "platform/afx/wnd/View.h"

#include <wx/eventfilter.h>
#include <wx/panel.h>
#include <wx/scrolwin.h>

#include "platform/afx/wnd/Dialog.h"
#include "platform/afx/wnd/DocTemplate.h"
#include "platform/afx/wnd/Document.h"
#include "platform/afx/wnd/FrameWnd.h"
#include "platform/afx/wnd/Gdi.h"
#include "platform/afx/wnd/Resources.h"
#include "platform/afx/wnd/WxText.h"

IMPLEMENT_DYNAMIC(CView, CWnd)
IMPLEMENT_DYNAMIC(CFormView, CView)

BEGIN_MESSAGE_MAP(CView, CWnd)
ON_WM_CREATE()
ON_WM_DESTROY()
END_MESSAGE_MAP()

BEGIN_MESSAGE_MAP(CFormView, CView)
ON_WM_CREATE()
END_MESSAGE_MAP()

namespace {

// Watches the user's clicks and keyboard moves while views exist: the view that the user works in
// becomes its frame's active view, so the menu's and toolbar's commands reach it and its document.
// The innermost view wins (a form view inside a pane view), as commands for the form go to the form
// first. The focus counts only when the user's Tab key moved it: a window that puts the focus on a
// control of its own as it opens does not take the commands away. Nothing is consumed.
class CViewActivationWatch : public wxEventFilter {
public:
    int FilterEvent(wxEvent& event) override {
        const wxEventType type = event.GetEventType();
        if (type == wxEVT_LEFT_DOWN || type == wxEVT_RIGHT_DOWN || type == wxEVT_MIDDLE_DOWN) {
            m_bKeyboardMove = false;
            CView::ActivateViewOf(dynamic_cast<wxWindow*>(event.GetEventObject()));
        } else if (type == wxEVT_KEY_DOWN) {
            const auto& key = static_cast<const wxKeyEvent&>(event);
            m_bKeyboardMove = key.GetKeyCode() == WXK_TAB;
        } else if (type == wxEVT_KEY_UP) {
            // The toolkit moves the focus while the key is down.
            m_bKeyboardMove = false;
        } else if (type == wxEVT_SET_FOCUS && m_bKeyboardMove) {
            m_bKeyboardMove = false;
            CView::ActivateViewOf(dynamic_cast<wxWindow*>(event.GetEventObject()));
        }
        return Event_Skip;
    }

private:
    bool m_bKeyboardMove = false;
};

// Kept for the whole run: the toolkit holds it while any view exists.
CViewActivationWatch* const g_pActivationWatch = new CViewActivationWatch;
int g_nViews = 0;

}  // namespace

CView::CView() {
    if (g_nViews++ == 0)
        wxEvtHandler::AddFilter(g_pActivationWatch);
}

CView::~CView() {
    if (m_pDocument != nullptr)
        m_pDocument->RemoveView(this);
    if (--g_nViews == 0)
        wxEvtHandler::RemoveFilter(g_pActivationWatch);
}

void CView::ActivateViewOf(wxWindow* pWx) {
    for (; pWx != nullptr && !pWx->IsTopLevel(); pWx = pWx->GetParent()) {
        auto* pView = dynamic_cast<CView*>(CWnd::FromWxWindow(pWx));
        if (pView == nullptr)
            continue;
        if (pView->m_bDestroying)
            return;
        if (CFrameWnd* pFrame = pView->GetParentFrame())
            pFrame->SetActiveView(pView);
        return;
    }
}

CFrameWnd* CView::GetParentFrame() const {
    for (CWnd* p = GetParent(); p != nullptr; p = p->GetParent())
        if (auto* pFrame = dynamic_cast<CFrameWnd*>(p))
            return pFrame;
    return nullptr;
}

void CView::OnInitialUpdate() {
    OnUpdate(nullptr, 0, nullptr);
}

void CView::OnUpdate(CView*, LPARAM, CObject*) {
    Invalidate(TRUE);
}

void CView::OnActivateView(BOOL, CView*, CView*) {}

BOOL CView::OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) {
    if (CWnd::OnCmdMsg(nID, nCode, pExtra, pHandlerInfo))
        return TRUE;
    return m_pDocument != nullptr && m_pDocument->OnCmdMsg(nID, nCode, pExtra, pHandlerInfo);
}

int CView::OnCreate(LPCREATESTRUCT lpcs) {
    auto* pContext = lpcs ? static_cast<CCreateContext*>(lpcs->lpCreateParams) : nullptr;
    if (pContext != nullptr && pContext->m_pCurrentDoc != nullptr)
        pContext->m_pCurrentDoc->AddView(this);
    return 0;
}

void CView::OnDestroy() {
    m_bDestroying = TRUE;
    // A form view closed inside its pane leaves the pane active: the document's commands keep a
    // road to the document.
    if (CFrameWnd* pFrame = GetParentFrame())
        if (pFrame->GetActiveView() == this) {
            pFrame->SetActiveView(nullptr, FALSE);
            CView* pOuter = nullptr;
            for (CWnd* p = GetParent(); p != nullptr && p != pFrame; p = p->GetParent())
                if ((pOuter = dynamic_cast<CView*>(p)) != nullptr)
                    break;
            if (pOuter != nullptr && !pOuter->m_bDestroying)
                pFrame->SetActiveView(pOuter);
        }
    if (m_pDocument != nullptr)
        m_pDocument->RemoveView(this);
}

void CView::OnPaint() {
    CPaintDC dc(this);
    OnDraw(&dc);
}

void CView::PostNcDestroy() {
    // Views belong to their window.
    delete this;
}

CFormView::CFormView(UINT nIDTemplate) : m_nIDTemplate(nIDTemplate) {}

namespace {
// Pixels per scroll step (a line of the scroll bar's arrows and of the mouse wheel).
constexpr int kScrollStep = 8;

wxScrolled<wxPanel>* Scrolled(wxWindow* pWx) {
    return dynamic_cast<wxScrolled<wxPanel>*>(pWx);
}
}  // namespace

wxWindow* CFormView::CreateWxPeer(wxWindow* pParent, const CREATESTRUCT& cs) {
    if (pParent == nullptr)
        return nullptr;
    auto* p = new wxScrolled<wxPanel>(pParent, WxWindowId(cs.hMenu), wxPoint(cs.x, cs.y),
                                      wxSize(cs.cx, cs.cy), PanelStyle(cs) | wxHSCROLL | wxVSCROLL);
    // A control that takes the focus is scrolled into view by the toolkit.
    p->SetScrollRate(kScrollStep, kScrollStep);
    return p;
}

int CFormView::OnCreate(LPCREATESTRUCT lpcs) {
    if (CView::OnCreate(lpcs) == -1)
        return -1;
    const DLGTEMPLATEDEF* pTemplate = AfxFindDialogTemplate(m_nIDTemplate);
    if (pTemplate == nullptr)
        return -1;
    if (!AfxCreateDlgControls(this, *pTemplate))
        return -1;
    if (auto* p = Scrolled(m_pWx)) {
        const CSize size = AfxDialogTemplateSize(p, *pTemplate);
        p->SetVirtualSize(size.cx, size.cy);
    }
    return 0;
}

CSize CFormView::GetTotalSize() const {
    auto* p = Scrolled(m_pWx);
    if (p == nullptr)
        return CSize(0, 0);
    const wxSize size = p->GetVirtualSize();
    return CSize(size.x, size.y);
}

CPoint CFormView::GetScrollPosition() const {
    auto* p = Scrolled(m_pWx);
    if (p == nullptr)
        return CPoint(0, 0);
    const wxPoint pt = p->CalcUnscrolledPosition(wxPoint(0, 0));
    return CPoint(pt.x, pt.y);
}

void CFormView::ScrollToPosition(CPoint pt) {
    if (auto* p = Scrolled(m_pWx))
        p->Scroll(pt.x / kScrollStep, pt.y / kScrollStep);
}

void CFormView::OnPrepareDC(CDC* pDC) {
    auto* p = Scrolled(m_pWx);
    if (p != nullptr && pDC != nullptr && pDC->GetWxDC() != nullptr)
        p->DoPrepareDC(*pDC->GetWxDC());
}

void CFormView::OnInitialUpdate() {
    CView::OnInitialUpdate();
}
