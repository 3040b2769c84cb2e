// What the resizable dialogs need for their layout beyond the window layer: frame metrics
// measured from the dialog itself, and a minimum tracking size the toolkit enforces.
#pragma once

#include "platform/afx/wnd/Wnd.h"

#ifndef SM_CYCAPTION
#define SM_CYCAPTION 4
#endif
#ifndef SM_CXDLGFRAME
#define SM_CXDLGFRAME 7
#endif

// SM_CXDLGFRAME and SM_CYCAPTION of a dialog's own frame (the desktop decides them here, not a
// fixed theme); any other index is answered by GetSystemMetrics.
int GetDialogMetric(const CWnd* pDlg, int nIndex);

// The dialog's window rectangle in its own client coordinates (left and top lie outside the
// client area by the frame and caption).
CRect GetWindowRectInClient(const CWnd* pDlg);

// A child control's window rectangle in the dialog's (or any parent window's) client coordinates;
// a direct child's holds also while the window manager moves the top-level window.
CRect GetChildRectInClient(const CWnd* pDlg, const CWnd* pChild);

// Asks the dialog for its minimum tracking size (WM_GETMINMAXINFO) and has the toolkit refuse
// smaller window sizes from then on.
void ApplyMinTrackSize(CWnd* pDlg);

// Makes a static text control of the dialog tall enough for its whole text broken into lines of
// its width (a translation may need more lines than the template allows). The controls below it
// move down and the dialog grows by what the control grew, but no taller than the work area: a
// text that needs more then scrolls inside the room it got. A text that fits changes nothing.
// Returns the number of pixels the control grew.
int GrowStaticToFitText(CWnd* pDlg, CWnd* pStatic);

// Widens a one-line static text control of the dialog to nMaxWidth pixels when its text is wider
// than the control; a text wider still then breaks into lines and the control grows downwards as
// GrowStaticToFitText does.
void FitStaticToText(CWnd* pDlg, CWnd* pStatic, int nMaxWidth);
