// The framework's own texts in the program's language, from the toolkit's own translations.
#include "platform/afx/wnd/UiLanguage.h"

#include <wx/translation.h>

#include "platform/afx/wnd/WxText.h"

namespace {

struct LanguageState {
    UiLanguageProvider provider;
    WORD wApplied = 0;
};

LanguageState& State() {
    static LanguageState state;
    return state;
}

// Makes the toolkit translate into the provider's language, once per change of it.
void FollowProgramLanguage() {
    LanguageState& state = State();
    const WORD wLanguage = state.provider ? state.provider() : 0;
    if (wLanguage == state.wApplied)
        return;
    state.wApplied = wLanguage;
    auto* pTranslations = new wxTranslations;
    if (const char* pszCode = AfxToolkitLanguageCode(wLanguage)) {
        pTranslations->SetLanguage(pszCode);
        pTranslations->AddStdCatalog();
    }
    // The toolkit's own windows (file dialogs, stock buttons) follow as well.
    wxTranslations::Set(pTranslations);
}

}  // namespace

void AfxSetUiLanguageProvider(UiLanguageProvider provider) {
    // Applied at the next text: the toolkit may already be gone when the provider goes.
    State().provider = std::move(provider);
}

void AfxFollowProgramLanguage() {
    FollowProgramLanguage();
}

const char* AfxToolkitLanguageCode(WORD wLanguageID) {
    switch (PRIMARYLANGID(wLanguageID)) {
        case 0x02:
            return "bg";
        case 0x03:
            return "ca";
        case 0x04:
            // Traditional Chinese for Taiwan, Hong Kong and Macao; simplified elsewhere.
            return SUBLANGID(wLanguageID) == 0x01 || SUBLANGID(wLanguageID) == 0x03 ||
                           SUBLANGID(wLanguageID) == 0x05
                       ? "zh_TW"
                       : "zh_CN";
        case 0x05:
            return "cs";
        case 0x06:
            return "da";
        case 0x07:
            return "de";
        case 0x08:
            return "el";
        case 0x0A:
            return "es";
        case 0x0B:
            return "fi";
        case 0x0C:
            return "fr";
        case 0x0E:
            return "hu";
        case 0x10:
            return "it";
        case 0x11:
            return "ja";
        case 0x13:
            return "nl";
        case 0x15:
            return "pl";
        case 0x19:
            return "ru";
        case 0x1D:
            return "sv";
        case 0x1F:
            return "tr";
        case 0x21:
            return "id";
        case 0x22:
            return "uk";
        case 0x24:
            return "sl";
        default:
            // English, and languages the toolkit has no texts for.
            return nullptr;
    }
}

CString AfxFrameworkText(const char* pszEnglish) {
    FollowProgramLanguage();
    return FromWx(wxGetTranslation(ToWx(pszEnglish)));
}

CString AfxFrameworkText(const char* pszEnglish, LPCSTR pszInsert) {
    CString text = AfxFrameworkText(pszEnglish);
    const int nAt = text.Find("%s");
    if (nAt >= 0)
        return text.Left(nAt) + (pszInsert != nullptr ? pszInsert : "") + text.Mid(nAt + 2);
    return text;
}
