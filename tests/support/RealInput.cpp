// The real pointer and keyboard for window tests, and the guard that keeps such tests alone.
#include "tests/support/RealInput.h"

#include <gtest/gtest.h>
#include <wx/utils.h>

#include <cstdlib>
#include <cstring>

// Last: the X headers' macros would clash with the names of the headers above.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

namespace qrvtest {

RealInput::RealInput() : m_bAllowed(Allowed()) {
    if (!m_bAllowed)
        ADD_FAILURE() << "this test makes real input but ctest may run other tests beside it on the "
                         "display: list it under REAL_INPUT of qrv_tests_alone in its CMakeLists.txt";
}

bool RealInput::Allowed() {
    const char* lpsz = std::getenv("QRV_REAL_INPUT");
    return lpsz != nullptr && std::strcmp(lpsz, "1") == 0;
}

bool RealInput::MouseMove(long x, long y) {
    return m_bAllowed && m_sim.MouseMove(x, y);
}

bool RealInput::MouseClick(int nButton) {
    return m_bAllowed && m_sim.MouseClick(nButton);
}

bool RealInput::MouseDblClick(int nButton) {
    return m_bAllowed && m_sim.MouseDblClick(nButton);
}

bool RealInput::Char(int nKey, int nModifiers) {
    return m_bAllowed && m_sim.Char(nKey, nModifiers);
}

void RealInput::ServerButton(const CPoint& pt, bool bPress) {
    ServerButtons(pt, {bPress});
}

void RealInput::ServerClick(const CPoint& pt) {
    ServerButtons(pt, {true, false});
}

void RealInput::ServerButtons(const CPoint& pt, std::initializer_list<bool> presses) {
    if (!m_bAllowed)
        return;
    // What the program asked for so far (a window gone, a page shown) is done first.
    XSync(wxGetX11Display(), False);
    Display* pDisplay = XOpenDisplay(nullptr);
    ASSERT_NE(nullptr, pDisplay);
    XTestFakeMotionEvent(pDisplay, -1, pt.x, pt.y, CurrentTime);
    for (const bool bPress : presses)
        XTestFakeButtonEvent(pDisplay, 1, bPress ? True : False, CurrentTime);
    XSync(pDisplay, False);
    XCloseDisplay(pDisplay);
}

}  // namespace qrvtest
