// The right pane of the main window.
#include "ui/QuorvelView.h"

#include "resources/Resource.h"
#include "trace/Trace.h"
#include "ui/QuorvelDocHost.h"

IMPLEMENT_DYNCREATE(CQuorvelView, CView)

BEGIN_MESSAGE_MAP(CQuorvelView, CView)
ON_COMMAND(ID_CURRENT_CONFIG_CHANGED, &CQuorvelView::OnConfigChange)
END_MESSAGE_MAP()

CQuorvelView::CQuorvelView() {
    TRACE_CTOR("CQuorvelView");
}

CQuorvelView::~CQuorvelView() {
    TRACE_DTOR("CQuorvelView");
}

CQuorvelDoc* CQuorvelView::GetQuorvelDoc() const {
    auto* pHost = dynamic_cast<CQuorvelDocHost*>(GetDocument());
    return pHost ? pHost->GetQuorvelDoc() : nullptr;
}

void CQuorvelView::OnLanguageChanged() {
    TRACE_FUNC_VOID("CQuorvelView::OnLanguageChanged");
}

void CQuorvelView::OnConfigChange() {
    TRACE_FUNC_VOID("CQuorvelView::OnConfigChange");
    ++m_nConfigChanges;
    CQuorvelDoc* pDoc = GetQuorvelDoc();
    m_ulShownConfigID = pDoc ? pDoc->GetCurrentConfigID() : 0;
}
