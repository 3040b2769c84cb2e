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

// The desktop libraries under the toolkit (font configuration, the session bus, the type system)
// keep process-wide caches they never free; only their own allocations are excused here.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n"
           "leak:libdbus-1.so\n"
           "leak:libglib-2.0.so\n"
           "leak:libgobject-2.0.so\n"
           "leak:libgio-2.0.so\n"
           "leak:libgtk-3.so\n"
           "leak:libgdk-3.so\n"
           "leak:libpango-1.0.so\n"
           "leak:libpangoft2-1.0.so\n"
           "leak:libcairo.so\n"
           "leak:libharfbuzz.so\n"
           "leak:libatk-bridge-2.0.so\n"
           "leak:libatspi.so\n";
}
