// The escape conversion shared by the dialogs and boxes that show texts of the language files.
#include "language/ReplaceNewlineChar.h"

#include <cstdlib>
#include <cstring>

#include "trace/Trace.h"

HRESULT ReplaceNewlineChar(LPSTR* ppszText, LPCSTR pszSource) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("ReplaceNewlineChar", hr);
    if (pszSource == nullptr || ppszText == nullptr) {
        QTRACE(TRACE_ERROR, "Invalid source specified!\n");
        hr = E_INVALIDARG;
        return hr;
    }
    const size_t cbSource = std::strlen(pszSource);
    // The result is never longer than the source: every escape shrinks.
    *ppszText = static_cast<LPSTR>(calloc(cbSource + 1, 1));
    if (*ppszText == nullptr) {
        QTRACE(TRACE_ERROR, "malloc() failed: Unable to allocate memory for string!\n");
        hr = E_OUTOFMEMORY;
        return hr;
    }
    char* pOut = *ppszText;
    bool bEscape = false;
    for (size_t i = 0; i < cbSource; ++i) {
        const char c = pszSource[i];
        if (!bEscape) {
            if (c == '\\')
                bEscape = true;
            else
                *pOut++ = c;
            continue;
        }
        if (c == 'n')
            *pOut++ = '\n';
        else if (c == '\\' || c == '\r' || c == '\b')
            *pOut++ = c;
        bEscape = false;
    }
    return hr;
}
