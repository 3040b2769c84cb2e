// Helpers of the property-model tests.
#include "tests/model/PropTestSupport.h"

#include "language/LanguageSettings.h"
#include "tests/support/LanguageSetup.h"

namespace proptest {

void LoadTestLanguage(const qrvtest::TempRoot& root, LONG lLanguageID,
                      const std::vector<std::string>& lines) {
    root.WriteFile("lang/test.lng", qrvtest::LanguageFileText(lLanguageID, lines));
    qrvtest::SetLanguageDirectory(root.Path() + "/lang");
    qrvtest::SetLanguageName(2057, lLanguageID, "Test language");
    CloseLanguageModule();
    InitLanguageModule();
    LoadLanguages(lLanguageID);
    SetDefaultLanguageID(lLanguageID);
}

void CloseTestLanguage() {
    CloseLanguageModule();
}

namespace {

// Every function traces; the tests keep the output quiet and look at it through TraceCapture.
const qrvtest::QuietTrace s_quietTrace;

}  // namespace

}  // namespace proptest
