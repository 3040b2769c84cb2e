// Language texts of the dialogs.
#include "ui/DialogTexts.h"

#include <cstdlib>

#include "language/LanguageSettings.h"
#include "trace/Trace.h"

CString GetDialogText(LONG nTextID, LPCSTR pszIDName, LPCSTR pszDefault) {
    LPSTR pszText = nullptr;
    HRESULT hr = GetLanguageText(&pszText, nTextID);
    if (FAILED(hr) || pszText == nullptr) {
        QTRACE(TRACE_ERROR, "GetLanguageText(%s) failed: hr = 0x%08lx\n", pszIDName, (ULONG)hr);
        std::free(pszText);
        return CString(pszDefault);
    }
    CString strText(pszText);
    std::free(pszText);
    return strText;
}

BOOL FetchDialogText(LONG nTextID, CString& rText, HRESULT* phr) {
    LPSTR pszText = nullptr;
    HRESULT hr = GetLanguageText(&pszText, nTextID);
    if (SUCCEEDED(hr) && pszText == nullptr)
        hr = E_FAIL;
    if (phr != nullptr)
        *phr = hr;
    if (FAILED(hr)) {
        std::free(pszText);
        return FALSE;
    }
    rText = pszText;
    std::free(pszText);
    return TRUE;
}
