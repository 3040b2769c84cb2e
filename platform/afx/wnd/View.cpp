// Views and form views.
#include "platform/afx/wnd/View.h"

#include <wx/panel.h>

#include "platform/afx/wnd/Dialog.h"
#include "platform/afx/wnd/DocTemplate.h"
#include "platform/afx/wnd/Document.h"
#include "platform/afx/wnd/FrameWnd.h"
#include "platform/afx/wnd/Gdi.h"
#include "platform/afx/wnd/Resources.h"

IMPLEMENT_DYNAMIC(CView, CWnd)
IMPLEMENT_DYNAMIC(CFormView, CView)

BEGIN_MESSAGE_MAP(CView, CWnd)
ON_WM_CREATE()
ON_WM_DESTROY()
END_MESSAGE_MAP()

BEGIN_MESSAGE_MAP(CFormView, CView)
ON_WM_CREATE()
END_MESSAGE_MAP()

CView::CView() = default;

CView::~CView() {
    if (m_pDocument != nullptr)
        m_pDocument->RemoveView(this);
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
    if (CFrameWnd* pFrame = GetParentFrame())
        if (pFrame->GetActiveView() == this)
            pFrame->SetActiveView(nullptr, FALSE);
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

wxWindow* CFormView::CreateWxPeer(wxWindow* pParent, const CREATESTRUCT& cs) {
    return CView::CreateWxPeer(pParent, cs);
}

int CFormView::OnCreate(LPCREATESTRUCT lpcs) {
    if (CView::OnCreate(lpcs) == -1)
        return -1;
    const DLGTEMPLATEDEF* pTemplate = AfxFindDialogTemplate(m_nIDTemplate);
    if (pTemplate == nullptr)
        return -1;
    return AfxCreateDlgControls(this, *pTemplate) ? 0 : -1;
}

void CFormView::OnInitialUpdate() {
    CView::OnInitialUpdate();
}
