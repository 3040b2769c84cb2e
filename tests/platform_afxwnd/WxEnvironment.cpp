// The toolkit is started once per test program, before the first test.
#include "tests/platform_afxwnd/WxEnvironment.h"

namespace {
[[maybe_unused]] ::testing::Environment* const g_env =
    ::testing::AddGlobalTestEnvironment(new qrvtest::ToolkitEnvironment("test_afxwnd"));
}  // namespace
