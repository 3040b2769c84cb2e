// The real pointer and keyboard for window tests, and the guard that keeps such tests alone.
#pragma once

#include <wx/uiaction.h>

#include <initializer_list>

#include "platform/afx/wnd/Geometry.h"

namespace qrvtest {

// Every test that moves the real pointer or presses real keys makes its input through this class
// (the build refuses the toolkit's simulator and the display's test extension elsewhere). Such a
// test must have the display to itself, or its clicks land in another test's window and another's
// in its own: listed under REAL_INPUT of qrv_tests_alone in CMake, ctest runs it alone and tells
// it so. Unlisted, its first input fails the test and goes nowhere.
class RealInput {
public:
    RealInput();

    bool MouseMove(long x, long y);
    bool MouseClick(int nButton = wxMOUSE_BTN_LEFT);
    bool MouseDblClick(int nButton = wxMOUSE_BTN_LEFT);
    bool Char(int nKey, int nModifiers = wxMOD_NONE);

    // One press or release of the left button at a screen point, made at the display server
    // before this returns: the program sees it only when its toolkit next reads its queue.
    void ServerButton(const CPoint& pt, bool bPress);
    void ServerClick(const CPoint& pt);

    // Whether ctest runs this test alone on its display.
    static bool Allowed();

private:
    // The pointer to pt, then the left button pressed (true) or released, in one go.
    void ServerButtons(const CPoint& pt, std::initializer_list<bool> presses);

    bool m_bAllowed;
    wxUIActionSimulator m_sim;
};

}  // namespace qrvtest
