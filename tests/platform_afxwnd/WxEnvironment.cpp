// The toolkit is started once per test program, before the first test.
#include "tests/platform_afxwnd/WxEnvironment.h"

#include <cstdlib>

#include "platform/afx/wnd/WinApp.h"

namespace {
bool g_running = false;

class WxEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        if (std::getenv("DISPLAY") == nullptr && std::getenv("WAYLAND_DISPLAY") == nullptr)
            return;
        static char arg0[] = "test_afxwnd";
        static char* argv[] = {arg0, nullptr};
        g_running = AfxWinInit(1, argv) != FALSE;
    }
    void TearDown() override {
        if (g_running)
            AfxWinTerm();
        g_running = false;
    }
};

[[maybe_unused]] ::testing::Environment* const g_env = ::testing::AddGlobalTestEnvironment(new WxEnvironment);
}  // namespace

namespace qrvtest {
bool ToolkitRunning() {
    return g_running;
}
}  // namespace qrvtest
