// Language files and the registry entries that point the language services at them, for tests.
#pragma once

#include <string>
#include <vector>

#include "platform/win32/WinTypes.h"

namespace qrvtest {

// A language file of format version 0 for id lLanguageID, followed by the given body lines.
std::string LanguageFileText(LONG lLanguageID, const std::vector<std::string>& body);

// Writes "LangDir" for the product "Quorvel" (local machine hive).
void SetLanguageDirectory(const std::string& directory);
// Writes the name of lLanguageID as read in display language lDisplay.
void SetLanguageName(LONG lDisplay, LONG lLanguageID, const std::string& name);

}  // namespace qrvtest
