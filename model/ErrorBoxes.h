// Error and message boxes whose caption and text come from the language files by text id.
#pragma once

#include "platform/win32/Format.h"
#include "platform/win32/WinTypes.h"

class CWnd;

// An exclamation box with an OK button. Each text id's language text replaces its default; both
// texts are traced at level 0 once the box is closed.
void ShowError(CWnd* pParent, LPCSTR pszDefCaption, LPCSTR pszDefText, LONG nCaptionID, LONG nTextID);
// A box for a result code: own texts for MAPI_E_NOT_FOUND and E_OUTOFMEMORY, otherwise the
// language's template filled with the system's text for the code (%1) and the code (%2).
void ShowError(CWnd* pParent, HRESULT hr);
// As ShowError with texts, the text being a message template ("%1!08lx!") filled from the
// arguments. An insert without an argument, or of another type, is written as it stands.
void ShowErrorWithArgsV(CWnd* pParent, LPCSTR pszDefCaption, LPCSTR pszDefText, LONG nCaptionID, LONG nTextID,
                        const FormatArg* pArgs, size_t nArgs);
template <class... A>
void ShowErrorWithArgs(CWnd* pParent, LPCSTR pszDefCaption, LPCSTR pszDefText, LONG nCaptionID, LONG nTextID,
                       const A&... args) {
    if constexpr (sizeof...(A) == 0) {
        ShowErrorWithArgsV(pParent, pszDefCaption, pszDefText, nCaptionID, nTextID, nullptr, 0);
    } else {
        const FormatArg argArray[] = {FormatArg(args)...};
        ShowErrorWithArgsV(pParent, pszDefCaption, pszDefText, nCaptionID, nTextID, argArray, sizeof...(A));
    }
}
// A box of the caller's style (MB_YESNO | MB_ICONQUESTION ...); returns the button pressed.
int ShowMessage(CWnd* pParent, LPCSTR pszDefCaption, LPCSTR pszDefText, LONG nCaptionID, LONG nTextID,
                UINT nStyle);

// Text ids of the result-code box.
#define IDS_ERR_NOT_FOUND_CAPTION 158
#define IDS_ERR_NOT_FOUND_TEXT 159
#define IDS_ERR_LOW_MEMORY_CAPTION 130
#define IDS_ERR_LOW_MEMORY_TEXT 131
#define IDS_ERR_GENERAL_CAPTION 134
#define IDS_ERR_GENERAL_TEMPLATE 135
