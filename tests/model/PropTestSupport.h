// Helpers of the property-model tests: trace capture and a language of their own.
#pragma once

#include <string>
#include <vector>

#include "platform/win32/WinTypes.h"
#include "tests/model/ArchiveBytes.h"
#include "tests/support/TempRoot.h"
#include "tests/support/TraceCapture.h"

namespace proptest {

using namespace qrvtest;

// Loads one language (tab-separated "id<TAB>text" lines) from a file below the root and makes it
// current. The module is process-wide: callers pick ids no other test uses and close it after.
void LoadTestLanguage(const qrvtest::TempRoot& root, LONG lLanguageID, const std::vector<std::string>& lines);
void CloseTestLanguage();

}  // namespace proptest
