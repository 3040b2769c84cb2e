// The trace state of a fresh process, before InitTrace.
#include <gtest/gtest.h>

#include "trace/Trace.h"

TEST(TraceInitialState, CallFlowLevelAndEmptyModule) {
    EXPECT_EQ(GetTraceLevel(), TRACE_CALL);
    EXPECT_TRUE(TraceEnabled(TRACE_CALL));
    EXPECT_FALSE(TraceEnabled(TRACE_INFO));
}
