// The real-input tests' fixture: the results fixture's profile, store and form host, plus clicks
// with the real pointer.
#pragma once

#include <functional>

#include "platform/afx/wnd/Geometry.h"
#include "tests/ui_results/ResultsFixture.h"

class CWnd;

namespace qrvtest {

class InputFixture : public ResultsFixture {
protected:
    // Clicks at a screen point over pTarget until bDone holds. A click may be lost while another
    // test's window briefly lies over this one on a shared display, so it is tried a few times.
    bool ClickUntil(CWnd* pTarget, const CPoint& pt, const std::function<bool()>& bDone);
};

}  // namespace qrvtest
