// The fixed splitter: its mouse handlers deliberately do nothing.
#include "ui/FixedSplitterWnd.h"

IMPLEMENT_DYNAMIC(CFixedSplitterWnd, CSplitterWnd)

BEGIN_MESSAGE_MAP(CFixedSplitterWnd, CSplitterWnd)
ON_WM_LBUTTONDOWN()
ON_WM_LBUTTONUP()
ON_WM_LBUTTONDBLCLK()
ON_WM_MOUSEMOVE()
ON_WM_SETCURSOR()
END_MESSAGE_MAP()

void CFixedSplitterWnd::OnLButtonDown(UINT, CPoint) {}

void CFixedSplitterWnd::OnLButtonUp(UINT, CPoint) {}

void CFixedSplitterWnd::OnLButtonDblClk(UINT, CPoint) {}

void CFixedSplitterWnd::OnMouseMove(UINT, CPoint) {}

BOOL CFixedSplitterWnd::OnSetCursor(CWnd*, UINT, UINT message) {
    return (BOOL)DefWindowProc(WM_SETCURSOR, 0, message);
}
