// A real window manager on the test display, for the tests of what only shows under one.
#pragma once

#include <sys/types.h>

namespace qrvtest {

// Starts openbox on $DISPLAY (when it is installed) and waits until it manages the screen; ends
// it again when it goes. Must be made before the toolkit starts: the toolkit asks only once
// which window manager hints the screen supports.
class CWindowManager {
public:
    CWindowManager();
    ~CWindowManager();
    CWindowManager(const CWindowManager&) = delete;
    CWindowManager& operator=(const CWindowManager&) = delete;

    bool IsRunning() const { return m_bRunning; }

private:
    pid_t m_pid = -1;
    bool m_bRunning = false;
};

}  // namespace qrvtest
