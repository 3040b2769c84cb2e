// Helpers of the language tests: language files in a temporary root, heap texts, trace capture.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/win32/WinTypes.h"
#include "tests/support/LanguageSetup.h"
#include "tests/support/TempRoot.h"
#include "tests/support/TraceCapture.h"

namespace qrvtest {

// The contents of a heap text from the language services, or "<null>"; frees the text.
inline std::string Take(LPSTR psz) {
    std::string text = psz != nullptr ? std::string(psz) : std::string("<null>");
    std::free(psz);
    return text;
}

// The language classes trace every call: the program's output stays quiet, and tests look at it
// through TraceCapture where it matters.
inline const QuietTrace g_quietLanguageTrace;

// A fresh machine root; language files written to its "lang" directory.
class LanguageFilesTest : public ::testing::Test {
protected:
    std::string Write(const std::string& name, const std::string& content) {
        return m_root.WriteFile("lang/" + name, content);
    }
    // Under a name of its own.
    std::string Write(const std::string& content) {
        return Write("f" + std::to_string(m_next++) + ".lng", content);
    }
    std::string Dir() const { return m_root.Path() + "/lang"; }
    TempRoot m_root;
    int m_next = 0;
};

}  // namespace qrvtest
