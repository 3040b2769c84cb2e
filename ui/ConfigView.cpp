// The left pane of the main window.
#include "ui/ConfigView.h"

#include "trace/Trace.h"
#include "ui/QuorvelDocHost.h"

IMPLEMENT_DYNCREATE(CConfigView, CView)

BEGIN_MESSAGE_MAP(CConfigView, CView)
END_MESSAGE_MAP()

CConfigView::CConfigView() {
    TRACE_CTOR("CConfigView");
}

CConfigView::~CConfigView() {
    TRACE_DTOR("CConfigView");
}

CQuorvelDoc* CConfigView::GetQuorvelDoc() const {
    auto* pHost = dynamic_cast<CQuorvelDocHost*>(GetDocument());
    return pHost ? pHost->GetQuorvelDoc() : nullptr;
}

void CConfigView::OnLanguageChanged() {
    TRACE_FUNC_VOID("CConfigView::OnLanguageChanged");
}
