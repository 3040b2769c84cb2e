// Why the program's language files could not be loaded at start-up, told on the error output.
#pragma once

#include <string>

#include "platform/win32/WinTypes.h"

// One line that says what keeps the language files from loading and what mends it, found by
// looking at the registry and the language folder as the language module reads them; hr is the
// language module's result, named when no cause is found.
std::string DescribeLanguageStartFailure(HRESULT hr);
