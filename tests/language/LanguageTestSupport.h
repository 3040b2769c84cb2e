// Helpers of the language tests: language files in a temporary root, registry entries, trace capture.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "platform/win32/WinTypes.h"
#include "tests/support/TempRoot.h"

namespace qrvtest {

// A language file of format version 0 for id lLanguageID, followed by the given body lines.
std::string LanguageFileText(LONG lLanguageID, const std::vector<std::string>& body);

// Writes "LangDir" for the product "Quorvel" (local machine hive).
void SetLanguageDirectory(const std::string& directory);
// Writes the name of lLanguageID as read in display language lDisplay.
void SetLanguageName(LONG lDisplay, LONG lLanguageID, const std::string& name);

// Collects every trace piece written while it lives, at the given trace level.
class TraceCapture {
public:
    explicit TraceCapture(LONG level = 4);
    ~TraceCapture();
    TraceCapture(const TraceCapture&) = delete;
    TraceCapture& operator=(const TraceCapture&) = delete;

    std::string Text() const;
    bool Contains(const std::string& piece) const;

private:
    mutable std::mutex m_lock;
    std::string m_text;
    LONG m_previousLevel;
    bool m_previousEcho;
};

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
