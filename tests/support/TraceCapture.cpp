// Collects what the trace facility writes while it lives.
#include "tests/support/TraceCapture.h"

namespace qrvtest {

TraceCapture::TraceCapture(LONG level) {
    m_previousLevel = SetTraceLevel(level);
    m_previousEcho = SetDebugOutputEcho(false);
    // Pieces may come from the threads of the code under test.
    m_previousSink = SetDebugOutputSink([this](const char* text) {
        std::lock_guard<std::mutex> lock(m_lock);
        m_text += text;
    });
}

TraceCapture::~TraceCapture() {
    SetDebugOutputSink(m_previousSink);
    SetDebugOutputEcho(m_previousEcho);
    SetTraceLevel(m_previousLevel);
}

std::string TraceCapture::Text() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_text;
}

bool TraceCapture::Contains(const std::string& piece) const {
    return Text().find(piece) != std::string::npos;
}

}  // namespace qrvtest
