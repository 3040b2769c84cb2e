// The debugger output: standard error plus a capturable sink.
#include "platform/win32/DebugOutput.h"

#include <unistd.h>

#include <atomic>
#include <cstring>
#include <mutex>

namespace {

std::mutex g_sinkLock;
std::atomic<bool> g_echo{true};

// Never destroyed: objects destroyed at exit still trace on their way out.
DebugOutputSink& Sink() {
    static DebugOutputSink* sink = new DebugOutputSink;
    return *sink;
}

void WriteAll(int fd, const char* text, size_t len) {
    while (len > 0) {
        ssize_t n = ::write(fd, text, len);
        if (n <= 0)
            return;  // the debugger output never fails towards its caller
        text += n;
        len -= (size_t)n;
    }
}

}  // namespace

void OutputDebugStringA(LPCSTR text) {
    if (!text)
        return;
    // One write call per piece keeps a piece whole when threads write at the same time.
    if (g_echo.load(std::memory_order_relaxed))
        WriteAll(STDERR_FILENO, text, std::strlen(text));
    std::lock_guard<std::mutex> lock(g_sinkLock);
    if (DebugOutputSink& sink = Sink())
        sink(text);
}

DebugOutputSink SetDebugOutputSink(DebugOutputSink sink) {
    std::lock_guard<std::mutex> lock(g_sinkLock);
    DebugOutputSink previous = std::move(Sink());
    Sink() = std::move(sink);
    return previous;
}

bool SetDebugOutputEcho(bool echo) {
    return g_echo.exchange(echo);
}
