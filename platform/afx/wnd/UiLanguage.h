// The framework's own texts (its prompts, file dialog titles and buttons) in the program's
// language, from the toolkit's own translations.
#pragma once

#include <functional>

#include "platform/afx/CString.h"
#include "platform/win32/WinTypes.h"

// Tells the framework the program's current language (a Windows language id); asked again before
// every text, so a language change shows at the next prompt. No provider: the toolkit's English.
using UiLanguageProvider = std::function<WORD()>;
void AfxSetUiLanguageProvider(UiLanguageProvider provider);
// Brings the toolkit's translations to the provider's language now (the texts below do it too).
void AfxFollowProgramLanguage();

// The language code of the toolkit's translations for a language id ("de" for 1031), or null
// where the toolkit's English serves.
const char* AfxToolkitLanguageCode(WORD wLanguageID);

// One of the toolkit's own English texts in the program's current language (the text itself where
// no translation is installed).
CString AfxFrameworkText(const char* pszEnglish);
// The same for a text with one "%s", which takes pszInsert (inserted as it stands, never read as
// a format).
CString AfxFrameworkText(const char* pszEnglish, LPCSTR pszInsert);
