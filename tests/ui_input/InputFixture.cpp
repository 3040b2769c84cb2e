// Real pointer clicks for the real-input tests.
#include "tests/ui_input/InputFixture.h"

#include <wx/toplevel.h>
#include <wx/uiaction.h>

#include <chrono>

#include "platform/afx/wnd/Wnd.h"

namespace qrvtest {

bool InputFixture::ClickUntil(CWnd* pTarget, const CPoint& pt, const std::function<bool()>& bDone) {
    for (int nTry = 0; nTry < 5; ++nTry) {
        // Other tests' windows open at the same place; ours goes on top before each try.
        wxGetTopLevelParent(pTarget->GetWxWindow())->Raise();
        Settle(50);
        wxUIActionSimulator sim;
        sim.MouseMove(pt.x, pt.y);
        sim.MouseClick();
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
        while (std::chrono::steady_clock::now() < end) {
            Settle(10);
            if (bDone())
                return true;
        }
    }
    return false;
}

}  // namespace qrvtest
