// Starts the toolkit once per window test program, when there is a display to start it on.
#include "tests/support/ToolkitEnvironment.h"

#include <cstdlib>

#include "platform/afx/wnd/WinApp.h"

namespace qrvtest {

namespace {
bool g_running = false;
}  // namespace

ToolkitEnvironment::ToolkitEnvironment(const char* lpszProgram) : m_program(lpszProgram) {
    m_argv[0] = m_program.data();
}

void ToolkitEnvironment::SetUp() {
    if (std::getenv("DISPLAY") == nullptr && std::getenv("WAYLAND_DISPLAY") == nullptr)
        return;
    BeforeStart();
    g_running = AfxWinInit(1, m_argv) != FALSE;
    if (g_running)
        OnStarted();
}

void ToolkitEnvironment::TearDown() {
    if (g_running)
        AfxWinTerm();
    g_running = false;
}

bool ToolkitRunning() {
    return g_running;
}

}  // namespace qrvtest
