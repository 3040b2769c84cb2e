// Starts the toolkit once for the window tests; without a display they skip, else fail without it.
#pragma once

#include <gtest/gtest.h>

#include "tests/support/ToolkitEnvironment.h"
