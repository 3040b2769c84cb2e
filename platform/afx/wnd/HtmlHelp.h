// Help books shown with the toolkit's HTML help viewer.
#pragma once

#include "platform/afx/wnd/WndDefs.h"

// HH_DISPLAY_TOC opens the book at its table of contents; HH_CLOSE_ALL closes every help
// window. A book named "<name>.chm" is read from "<name>.htb" beside it (the viewer's own book
// format), since compiled help files cannot be read here. Returns the help window, or null.
HWND HtmlHelpA(HWND hwndCaller, LPCSTR pszFile, UINT uCommand, DWORD_PTR dwData);
#define HtmlHelp HtmlHelpA
// Whether a help window is open (tests).
BOOL AfxIsHelpOpen();
