// ShowError, ShowErrorWithArgs and ShowMessage over the platform's message box.
#include "model/ErrorBoxes.h"

#include <cctype>
#include <cstdlib>
#include <string>

#include "language/LanguageSettings.h"
#include "language/ReplaceNewlineChar.h"
#include "model/UiServices.h"
#include "platform/afx/CException.h"
#include "platform/mapi/MAPICodes.h"
#include "platform/mapi/StoreAdmin.h"
#include "platform/win32/Memory.h"
#include "platform/win32/MessageBox.h"
#include "trace/Trace.h"

namespace {

const char kDefaultErrorCaption[] = "Error";
const char kDefaultErrorText[] = "An error has occured. Please see log file for details.";

// The native owner of a box: the window layer knows how to get it from a window object.
HWND OwnerOf(CWnd* pParent) {
    IUiServices* pServices = GetUiServices();
    if (pParent == nullptr || pServices == nullptr) {
        return nullptr;
    }
    return reinterpret_cast<HWND>(pServices->GetWindowHandle(pParent));
}

// A language text, or null when the current language has none (the caller's default serves).
// A language file writes a line break as an escape, which a box must not show as it stands; the
// defaults in the code hold real line feeds and are never converted.
LPSTR LookupText(LONG nTextID) {
    LPSTR pszText = nullptr;
    if (FAILED(GetLanguageText(&pszText, nTextID))) {
        free(pszText);
        return nullptr;
    }
    LPSTR pszConverted = nullptr;
    const HRESULT hr = ReplaceNewlineChar(&pszConverted, pszText);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "ReplaceNewlineChar() failed: hr = 0x%08lx\n", (ULONG)hr);
        return pszText;
    }
    free(pszText);
    return pszConverted;
}

// What the platform knows of why a result code came about, as a paragraph after the system's own
// text: "Failed to open MAPI session ... May be caused by a wrong profile password." says nothing
// true of a profile database that cannot be read or is damaged. Empty when there is nothing more.
std::string CauseOfCode(HRESULT hr) {
    std::string cause = FAILED(hr) ? HrProfileDbFailure(hr) : std::string();
    if (cause.empty())
        return cause;
    cause[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(cause[0])));
    return "\n\n" + cause + ".";
}

// The same for a box whose arguments hold the result code.
std::string CauseOf(const FormatArg* pArgs, size_t nArgs) {
    for (size_t i = 0; i < nArgs; ++i) {
        const FormatArg& arg = pArgs[i];
        if ((arg.GetKind() != FormatArg::Kind::Unsigned && arg.GetKind() != FormatArg::Kind::Signed) ||
            arg.GetSize() != sizeof(HRESULT))
            continue;
        std::string cause = CauseOfCode(static_cast<HRESULT>(arg.AsUnsigned() & 0xFFFFFFFFu));
        if (!cause.empty())
            return cause;
    }
    return std::string();
}

void TraceBox(LPCSTR pszCaption, LPCSTR pszText) {
    QTRACE(TRACE_ERROR, "Caption: %s\n", pszCaption);
    QTRACE(TRACE_ERROR, "Text   : %s\n", pszText);
}

}  // namespace

void ShowError(CWnd* pParent, LPCSTR pszDefCaption, LPCSTR pszDefText, LONG nCaptionID, LONG nTextID) {
    TRACE_FUNC_VOID("ShowError");
    LPSTR pszCaption = LookupText(nCaptionID);
    LPSTR pszText = LookupText(nTextID);
    LPCSTR pszShownCaption = pszCaption != nullptr ? pszCaption : pszDefCaption;
    LPCSTR pszShownText = pszText != nullptr ? pszText : pszDefText;
    try {
        MessageBoxA(OwnerOf(pParent), pszShownText, pszShownCaption, MB_OK | MB_ICONEXCLAMATION);
    } catch (CException* e) {
        QTRACE(TRACE_ERROR, "Exception caught!\n");
        e->Delete();
    }
    TraceBox(pszShownCaption, pszShownText);
    free(pszCaption);
    free(pszText);
}

void ShowErrorWithArgsV(CWnd* pParent, LPCSTR pszDefCaption, LPCSTR pszDefText, LONG nCaptionID, LONG nTextID,
                        const FormatArg* pArgs, size_t nArgs) {
    TRACE_FUNC_VOID("ShowErrorWithArgs");
    LPSTR pszCaption = LookupText(nCaptionID);
    LPSTR pszTemplate = LookupText(nTextID);
    LPCSTR pszShownCaption = pszCaption != nullptr ? pszCaption : pszDefCaption;
    LPCSTR pszShownTemplate = pszTemplate != nullptr ? pszTemplate : pszDefText;

    // The template comes from a language file: the formatter writes an insert it cannot fill as
    // it stands instead of reading memory that was never passed.
    LPSTR pszFormatted = nullptr;
    DWORD cch = 0;
    if (pszShownTemplate != nullptr) {
        cch = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_STRING, pszShownTemplate, 0,
                             0, reinterpret_cast<LPSTR>(&pszFormatted), 0, pArgs, nArgs);
    }
    LPCSTR pszShownText = cch != 0 && pszFormatted != nullptr ? pszFormatted : pszShownTemplate;
    const std::string strCause = CauseOf(pArgs, nArgs);
    std::string strShown;
    if (!strCause.empty()) {
        strShown = std::string(pszShownText != nullptr ? pszShownText : "") + strCause;
        pszShownText = strShown.c_str();
    }
    MessageBoxA(OwnerOf(pParent), pszShownText, pszShownCaption, MB_OK | MB_ICONEXCLAMATION);
    TraceBox(pszShownCaption, pszShownText);
    LocalFree(pszFormatted);
    free(pszCaption);
    free(pszTemplate);
}

int ShowMessage(CWnd* pParent, LPCSTR pszDefCaption, LPCSTR pszDefText, LONG nCaptionID, LONG nTextID,
                UINT nStyle) {
    int nResult = 0;
    TRACE_FUNC_RESULT("ShowMessage", nResult);
    LPSTR pszCaption = LookupText(nCaptionID);
    LPSTR pszText = LookupText(nTextID);
    LPCSTR pszShownCaption = pszCaption != nullptr ? pszCaption : pszDefCaption;
    LPCSTR pszShownText = pszText != nullptr ? pszText : pszDefText;
    nResult = MessageBoxA(OwnerOf(pParent), pszShownText, pszShownCaption, nStyle);
    TraceBox(pszShownCaption, pszShownText);
    free(pszCaption);
    free(pszText);
    return nResult;
}

void ShowError(CWnd* pParent, HRESULT hr) {
    TRACE_FUNC_VOID("ShowError");
    if (hr == MAPI_E_NOT_FOUND) {
        ShowError(pParent, kDefaultErrorCaption, kDefaultErrorText, IDS_ERR_NOT_FOUND_CAPTION,
                  IDS_ERR_NOT_FOUND_TEXT);
        return;
    }
    if (hr == E_OUTOFMEMORY) {
        ShowError(pParent, kDefaultErrorCaption, kDefaultErrorText, IDS_ERR_LOW_MEMORY_CAPTION,
                  IDS_ERR_LOW_MEMORY_TEXT);
        return;
    }

    HWND hOwner = OwnerOf(pParent);
    LPSTR pszCaption = LookupText(IDS_ERR_GENERAL_CAPTION);
    LPCSTR pszShownCaption = pszCaption != nullptr ? pszCaption : kDefaultErrorCaption;
    LPSTR pszTemplate = LookupText(IDS_ERR_GENERAL_TEMPLATE);
    if (pszTemplate == nullptr) {
        MessageBoxA(hOwner, kDefaultErrorText, pszShownCaption, MB_OK | MB_ICONEXCLAMATION);
        TraceBox(pszShownCaption, kDefaultErrorText);
        free(pszCaption);
        return;
    }

    LPSTR pszSystem = nullptr;
    DWORD cch =
        FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM, nullptr, (DWORD)hr,
                       (DWORD)(WORD)GetCurrentLanguageID(), reinterpret_cast<LPSTR>(&pszSystem), 0);
    if (cch == 0 || pszSystem == nullptr) {
        QTRACE(TRACE_ERROR, "Failed to retrive error text!\n");
        LocalFree(pszSystem);
        pszSystem = static_cast<LPSTR>(LocalAlloc(LPTR, 1));
        if (pszSystem == nullptr) {
            QTRACE(TRACE_ERROR, "Failed to allocate error text substitute!\n");
            MessageBoxA(hOwner, kDefaultErrorText, pszShownCaption, MB_OK | MB_ICONEXCLAMATION);
            TraceBox(pszShownCaption, kDefaultErrorText);
            free(pszCaption);
            free(pszTemplate);
            return;
        }
    }

    const FormatArg args[] = {FormatArg(static_cast<const char*>(pszSystem)), FormatArg((DWORD)hr)};
    LPSTR pszFormatted = nullptr;
    cch = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_ARGUMENT_ARRAY,
        pszTemplate, 0, 0, reinterpret_cast<LPSTR>(&pszFormatted), 0, args, 2);
    if (cch == 0 || pszFormatted == nullptr) {
        QTRACE(TRACE_ERROR, "Failed to build full message string!\n");
        MessageBoxA(hOwner, kDefaultErrorText, pszShownCaption, MB_OK | MB_ICONEXCLAMATION);
        TraceBox(pszShownCaption, kDefaultErrorText);
    } else {
        const std::string strShown = pszFormatted + CauseOfCode(hr);
        MessageBoxA(hOwner, strShown.c_str(), pszShownCaption, MB_OK | MB_ICONEXCLAMATION);
        TraceBox(pszShownCaption, strShown.c_str());
    }
    LocalFree(pszFormatted);
    LocalFree(pszSystem);
    free(pszCaption);
    free(pszTemplate);
}
