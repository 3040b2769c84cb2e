// The escape conversion of the language texts that dialogs and message boxes show: "\n" in a
// language file becomes a line feed.
#pragma once

#include "platform/win32/WinTypes.h"

// *ppszText becomes a malloc copy of pszSource with the escapes resolved, which the caller
// frees: "\n" a line feed, "\\" a backslash, a backslash before a carriage return or backspace
// keeps that byte, any other escaped byte is dropped with its backslash, as is a backslash at the
// end. E_INVALIDARG for a null source (*ppszText untouched), E_OUTOFMEMORY (null text).
HRESULT ReplaceNewlineChar(LPSTR* ppszText, LPCSTR pszSource);
