// Helpers of the property-model tests: quiet traces, and a language of their own.
#pragma once

#include <string>
#include <vector>

#include "language/LanguageSettings.h"
#include "platform/win32/WinTypes.h"
#include "tests/model/ArchiveBytes.h"
#include "tests/support/LanguageSetup.h"
#include "tests/support/TempRoot.h"
#include "tests/support/TraceCapture.h"

namespace proptest {

using namespace qrvtest;

// Every function traces; the tests keep the output quiet and look at it through TraceCapture.
inline const QuietTrace s_quietTrace;

// Loads one language (tab-separated "id<TAB>text" lines) from a file below the root and makes it
// current. The module is process-wide: callers pick ids no other test uses and close it after.
inline void LoadTestLanguage(const TempRoot& root, LONG lLanguageID, const std::vector<std::string>& lines) {
    root.WriteFile("lang/test.lng", LanguageFileText(lLanguageID, lines));
    SetLanguageDirectory(root.Path() + "/lang");
    SetLanguageName(2057, lLanguageID, "Test language");
    CloseLanguageModule();
    InitLanguageModule();
    LoadLanguages(lLanguageID);
    SetDefaultLanguageID(lLanguageID);
}
inline void CloseTestLanguage() {
    CloseLanguageModule();
}

}  // namespace proptest
