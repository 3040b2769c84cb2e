// Starts and ends openbox on the test display.
#include "tests/ui_placement/WindowManager.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace qrvtest {

namespace {

// A window manager that complies with the window manager hints names its check window on the
// root window.
bool ScreenIsManaged(Display* pDisplay) {
    const Atom check = XInternAtom(pDisplay, "_NET_SUPPORTING_WM_CHECK", False);
    Atom type = None;
    int format = 0;
    unsigned long nItems = 0, nAfter = 0;
    unsigned char* pData = nullptr;
    const int rc = XGetWindowProperty(pDisplay, DefaultRootWindow(pDisplay), check, 0, 1, False, XA_WINDOW,
                                      &type, &format, &nItems, &nAfter, &pData);
    const bool bManaged = rc == Success && type == XA_WINDOW && nItems == 1;
    if (pData != nullptr)
        XFree(pData);
    return bManaged;
}

}  // namespace

CWindowManager::CWindowManager() {
    Display* pDisplay = XOpenDisplay(nullptr);
    if (pDisplay == nullptr)
        return;
    char program[] = "openbox";
    char option[] = "--sm-disable";
    char* argv[] = {program, option, nullptr};
    if (posix_spawnp(&m_pid, "openbox", nullptr, nullptr, argv, environ) != 0) {
        m_pid = -1;
        XCloseDisplay(pDisplay);
        return;
    }
    for (int i = 0; i < 500 && !m_bRunning; ++i) {
        if (waitpid(m_pid, nullptr, WNOHANG) == m_pid) {
            m_pid = -1;
            break;
        }
        m_bRunning = ScreenIsManaged(pDisplay);
        if (!m_bRunning)
            usleep(10000);
    }
    XCloseDisplay(pDisplay);
}

CWindowManager::~CWindowManager() {
    if (m_pid <= 0)
        return;
    kill(m_pid, SIGTERM);
    waitpid(m_pid, nullptr, 0);
}

}  // namespace qrvtest
