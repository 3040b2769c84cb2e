// The main window's splitter, whose split bar can be neither dragged nor double-clicked.
#pragma once

#include "platform/afx/wnd/SplitterWnd.h"

class CFixedSplitterWnd : public CSplitterWnd {
    DECLARE_DYNAMIC(CFixedSplitterWnd)
public:
    void OnLButtonDown(UINT nFlags, CPoint point);
    void OnLButtonUp(UINT nFlags, CPoint point);
    void OnLButtonDblClk(UINT nFlags, CPoint point);
    void OnMouseMove(UINT nFlags, CPoint point);
    // Cursor requests get the default handling: the split cursor never shows.
    BOOL OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message);

protected:
    DECLARE_MESSAGE_MAP()
};
