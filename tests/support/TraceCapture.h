// Collects what the trace facility writes while it lives, at a chosen trace level.
#pragma once

#include <mutex>
#include <string>

#include "platform/win32/DebugOutput.h"
#include "platform/win32/WinTypes.h"
#include "trace/Trace.h"

namespace qrvtest {

// Sets the trace level, silences the debugger echo and keeps every piece written; all three are
// put back as they were when it goes.
class TraceCapture {
public:
    explicit TraceCapture(LONG level = TRACE_ERROR);
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
    DebugOutputSink m_previousSink;
};

// Keeps a test program's trace output down to errors, with no debugger echo. Its support code
// holds one as a static object, so that the setting is made before the first test runs.
struct QuietTrace {
    QuietTrace() {
        SetTraceLevel(TRACE_ERROR);
        SetDebugOutputEcho(false);
    }
};

}  // namespace qrvtest
