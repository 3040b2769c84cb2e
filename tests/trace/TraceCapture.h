// Captures the debugger output of the trace facility for one test and resets its state.
#pragma once

#include <gtest/gtest.h>

#include <cctype>
#include <mutex>
#include <string>
#include <vector>

#include "platform/win32/DebugOutput.h"
#include "trace/Trace.h"

// True when piece is "hh:mm:ss " + head + a line number + tail, for example head "E[QRV-File.cpp:"
// and tail "] message\n". An empty line number is accepted only when head already holds it.
inline bool IsPrefixed(const std::string& piece, const std::string& head, const std::string& tail) {
    if (piece.size() < 9 + head.size() + tail.size() || piece[8] != ' ')
        return false;
    for (int i = 0; i < 8; ++i) {
        if ((i == 2 || i == 5) ? piece[i] != ':' : !isdigit((unsigned char)piece[i]))
            return false;
    }
    if (piece.compare(9, head.size(), head) != 0)
        return false;
    size_t pos = 9 + head.size();
    while (pos < piece.size() && isdigit((unsigned char)piece[pos]))
        ++pos;
    return piece.compare(pos, std::string::npos, tail) == 0;
}

class TraceTest : public testing::Test {
protected:
    void SetUp() override {
        m_echo = SetDebugOutputEcho(false);
        SetDebugOutputSink([this](const char* text) {
            std::lock_guard<std::mutex> lock(m_lock);
            m_pieces.push_back(text);
        });
        Reset();
    }
    void TearDown() override {
        Reset();
        SetDebugOutputSink(nullptr);
        SetDebugOutputEcho(m_echo);
    }
    static void Reset() {
        CloseTraceFile();
        SetTraceLevel(TRACE_CALL);
        SetTraceModule("");
    }
    // The pieces written since the last call.
    std::vector<std::string> Take() {
        std::vector<std::string> pieces;
        std::lock_guard<std::mutex> lock(m_lock);
        pieces.swap(m_pieces);
        return pieces;
    }
    std::string TakeAll() {
        std::string all;
        for (const std::string& p : Take())
            all += p;
        return all;
    }

private:
    std::mutex m_lock;
    std::vector<std::string> m_pieces;
    bool m_echo = true;
};
