// Helpers of the language tests: heap texts and quiet tracing.
#include "tests/language/LanguageTestSupport.h"

#include <cstdlib>

namespace qrvtest {

std::string Take(LPSTR psz) {
    std::string text = psz != nullptr ? std::string(psz) : std::string("<null>");
    std::free(psz);
    return text;
}

}  // namespace qrvtest

namespace {

// The language classes trace every call; tests keep the output quiet and look at it through
// TraceCapture where it matters.
const qrvtest::QuietTrace s_quietTrace;

}  // namespace
