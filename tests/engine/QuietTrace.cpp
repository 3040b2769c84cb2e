// Runs the engine tests with errors-only tracing, the program's default, and no debugger echo.
#include "tests/support/TraceCapture.h"

namespace {
const qrvtest::QuietTrace g_quiet;
}
