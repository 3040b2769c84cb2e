// The left pane of the main window.
#include "ui/ConfigView.h"

#include "resources/Resource.h"
#include "trace/Trace.h"
#include "ui/QuorvelDocHost.h"

IMPLEMENT_DYNCREATE(CConfigView, CView)

BEGIN_MESSAGE_MAP(CConfigView, CView)
ON_COMMAND(ID_DELETE_CONFIGURATION, &CConfigView::OnDeleteConfiguration)
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

void CConfigView::OnDeleteConfiguration() {
    TRACE_FUNC_VOID("CConfigView::OnDeleteConfiguration");
    // The list of configurations, and with it a selected row, comes with the views.
}
