// Runs the engine tests with errors-only tracing, the program's default, unless a test asks for more.
#include "trace/Trace.h"

namespace {
const LONG g_previous = SetTraceLevel(TRACE_ERROR);
}
