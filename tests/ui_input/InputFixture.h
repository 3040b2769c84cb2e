// The real-input tests' fixture: the results fixture's profile, store and form host, plus left clicks
// with the real pointer.
#pragma once

#include <functional>

#include "platform/afx/wnd/Geometry.h"
#include "tests/ui_results/ResultsFixture.h"

class CWnd;

namespace qrvtest {

class InputFixture : public ResultsFixture {
protected:
    // Clicks at a screen point over pTarget until bDone holds (tried a few times, see the base).
    bool ClickUntil(CWnd* pTarget, const CPoint& pt, const std::function<bool()>& bDone) {
        return ResultsFixture::ClickUntil(pTarget, pt, false, bDone);
    }
};

}  // namespace qrvtest
