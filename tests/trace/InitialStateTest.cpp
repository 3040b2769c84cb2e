// The trace state of a fresh process, before InitTrace.
#include <gtest/gtest.h>

#include "trace/Trace.h"

TEST(TraceInitialState, OnlyErrorsBeforeStartUp) {
    EXPECT_EQ(GetTraceLevel(), TRACE_ERROR);
    EXPECT_TRUE(TraceEnabled(TRACE_ERROR));
    EXPECT_FALSE(TraceEnabled(TRACE_WARNING));
    EXPECT_FALSE(TraceEnabled(TRACE_CALL));
}
