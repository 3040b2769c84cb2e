// Captures the debugger output of the trace facility for one test and resets its state.
#pragma once

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

#include "platform/win32/DebugOutput.h"
#include "trace/Trace.h"

class TraceTest : public testing::Test {
protected:
    void SetUp() override {
        m_echo = SetDebugOutputEcho(false);
        SetDebugOutputSink([this](const char* text) {
            std::lock_guard<std::mutex> lock(m_lock);
            m_pieces.push_back(text);
        });
        SetTraceLevel(TRACE_CALL);
        SetTraceModule("");
        CloseTraceFile();
    }
    void TearDown() override {
        CloseTraceFile();
        SetDebugOutputSink(nullptr);
        SetDebugOutputEcho(m_echo);
        SetTraceLevel(TRACE_CALL);
        SetTraceModule("");
    }
    std::vector<std::string> Pieces() {
        std::lock_guard<std::mutex> lock(m_lock);
        return m_pieces;
    }
    std::string All() {
        std::string all;
        for (const std::string& p : Pieces())
            all += p;
        return all;
    }
    void Clear() {
        std::lock_guard<std::mutex> lock(m_lock);
        m_pieces.clear();
    }

private:
    std::mutex m_lock;
    std::vector<std::string> m_pieces;
    bool m_echo = true;
};
