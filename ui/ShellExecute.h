// Opening a document or web address with the desktop's handler, as the shell's "open" verb does.
#pragma once

#include <functional>

#include "platform/afx/AfxTypes.h"
#include "platform/win32/WinTypes.h"

class CWnd;

// "open" on a file or web address: the desktop's opener (xdg-open) runs with the address as its
// one argument, never through a command interpreter, found on the search path. The call returns
// once the opener has started, without waiting for it. Returns a value above 32 on success, as the
// shell does; other verbs are not supported (2). nShowCmd is accepted and left to the desktop.
INT_PTR ShellExecuteA(CWnd* pParent, LPCSTR lpszVerb, LPCSTR lpszFile, LPCSTR lpszParameters,
                      LPCSTR lpszDirectory, int nShowCmd);

// Tests see what would be opened instead of starting a browser; null restores the desktop.
using ShellExecuteHook = std::function<INT_PTR(LPCSTR lpszVerb, LPCSTR lpszFile, int nShowCmd)>;
void SetShellExecuteHook(ShellExecuteHook hook);
