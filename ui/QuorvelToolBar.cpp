// The toolbar's tooltip handler, the twin of the frame's.
#include "ui/QuorvelToolBar.h"

#include "trace/Trace.h"
#include "ui/FrameTexts.h"

IMPLEMENT_DYNAMIC(CQuorvelToolBar, CToolBar)

BEGIN_MESSAGE_MAP(CQuorvelToolBar, CToolBar)
ON_NOTIFY_EX(TTN_NEEDTEXTA, 0, &CQuorvelToolBar::OnToolTipText)
END_MESSAGE_MAP()

BOOL CQuorvelToolBar::OnToolTipText(UINT, NMHDR* pNMHDR, LRESULT*) {
    BOOL bResult = FALSE;
    TRACE_FUNC_BOOL("CQuorvelToolBar::OnToolTipText", bResult);
    if (pNMHDR == nullptr)
        return bResult;
    bResult = AnswerToolTipRequest(pNMHDR);
    return bResult;
}
