// Helpers of the language tests: language files in a temporary root, registry entries, trace capture.
#pragma once

#include <string>

#include "platform/win32/WinTypes.h"
#include "tests/support/LanguageSetup.h"
#include "tests/support/TempRoot.h"
#include "tests/support/TraceCapture.h"

namespace qrvtest {

// A heap text from the language services, freed when the holder goes.
struct HeapText {
    LPSTR psz = nullptr;
    HeapText() = default;
    explicit HeapText(LPSTR p) : psz(p) {}
    ~HeapText();
    HeapText(const HeapText&) = delete;
    HeapText& operator=(const HeapText&) = delete;
    std::string Str() const { return psz != nullptr ? std::string(psz) : std::string("<null>"); }
};

}  // namespace qrvtest
