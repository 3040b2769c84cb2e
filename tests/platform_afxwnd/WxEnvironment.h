// Starts the toolkit once for the window tests; tests skip themselves when there is no display.
#pragma once

#include <gtest/gtest.h>

#include "tests/support/ToolkitEnvironment.h"

#define QRV_REQUIRE_DISPLAY()                              \
    do {                                                   \
        if (!qrvtest::ToolkitRunning())                    \
            GTEST_SKIP() << "no display for window tests"; \
    } while (0)
