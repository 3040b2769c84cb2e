// Real mouse clicks reach a control lying over a tab control, whichever tab shows and whenever the
// tab was added.
#include <gtest/gtest.h>

#include <chrono>

#include <wx/app.h>
#include <wx/frame.h>
#include <wx/uiaction.h>

#include "platform/afx/wnd/Controls.h"
#include "tests/platform_afxwnd/WxEnvironment.h"

namespace {

constexpr UINT kButtonID = 41;

class CClickHost : public CWnd {
public:
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
        if (LOWORD(wParam) == kButtonID && HIWORD(wParam) == BN_CLICKED) {
            ++m_nClicks;
            return TRUE;
        }
        return CWnd::OnCommand(wParam, lParam);
    }
    int m_nClicks = 0;
};

// Lets the toolkit run until pDone says so or a generous limit passes.
template <typename Pred>
bool PumpUntil(Pred pDone, int nSeconds = 5) {
    const auto end =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(nSeconds == 0 ? 100 : nSeconds * 1000);
    while (!pDone()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        wxTheApp->Yield(true);
        AfxPumpMessages();
        wxMilliSleep(10);
    }
    return true;
}

class TabClickTest : public ::testing::Test {
protected:
    void SetUp() override {
        QRV_REQUIRE_DISPLAY();
        m_pFrame = new wxFrame(nullptr, wxID_ANY, "tabs", wxPoint(40, 40), wxSize(420, 320));
        ASSERT_TRUE(m_host.AttachWx(m_pFrame));
        ASSERT_TRUE(m_tabs.Create(WS_CHILD | WS_VISIBLE, CRect(10, 10, 390, 270), &m_host, 13));
        m_tabs.InsertItem(0, "General");
        m_tabs.InsertItem(1, "Properties");
        m_pFrame->Show();
        ASSERT_TRUE(PumpUntil([this] { return m_pFrame->IsShownOnScreen(); }));
    }
    void TearDown() override {
        if (m_host.m_hWnd != nullptr)
            m_host.DestroyWindow();
        AfxPumpMessages();
    }
    // Clicks the middle of the button with the real pointer and waits for the command. A click may
    // be lost while another test's window briefly lies over this one on a shared display, so it is
    // tried a few times.
    bool ClickButton(CButton& button) {
        const int nBefore = m_host.m_nClicks;
        for (int nTry = 0; nTry < 5; ++nTry) {
            // Other tests' windows may open over ours; it goes on top before each try.
            m_pFrame->Raise();
            PumpUntil([] { return false; }, 0);
            wxRect r = button.GetWxWindow()->GetScreenRect();
            wxUIActionSimulator sim;
            sim.MouseMove(r.x + r.width / 2, r.y + r.height / 2);
            sim.MouseClick();
            if (PumpUntil([&] { return m_host.m_nClicks > nBefore; }, 2))
                return true;
        }
        return false;
    }
    wxFrame* m_pFrame = nullptr;
    CClickHost m_host;
    CTabCtrl m_tabs;
};

TEST_F(TabClickTest, ButtonShownBeforeItsTabWasAddedTakesClicks) {
    // A page that fills itself before its tab appears (as a search result page does).
    CButton button;
    ASSERT_TRUE(button.Create("Delete", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, CRect(60, 80, 260, 140),
                              &m_host, kButtonID));
    m_tabs.InsertItem(2, "Results");
    m_tabs.SetCurSel(2);
    EXPECT_TRUE(ClickButton(button));
    // Going to another tab and back leaves the button reachable too.
    m_tabs.SetCurSel(0);
    m_tabs.SetCurSel(2);
    EXPECT_TRUE(ClickButton(button));
}

}  // namespace
