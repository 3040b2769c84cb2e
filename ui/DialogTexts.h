// Language texts of the dialogs: fetched by id, with the failure traced under the id's name.
#pragma once

#include "platform/afx/CString.h"
#include "platform/win32/WinTypes.h"

// The text of nTextID in the current language. When it cannot be fetched the failure is traced
// as "GetLanguageText(<pszIDName>) failed" and the built-in default comes back instead.
CString GetDialogText(LONG nTextID, LPCSTR pszIDName, LPCSTR pszDefault);

// The text of nTextID, FALSE (and *phr the failure) when the language has none: for the dialogs
// that have no built-in defaults.
BOOL FetchDialogText(LONG nTextID, CString& rText, HRESULT* phr);
