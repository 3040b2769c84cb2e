// The frame's active view, which carries the document's commands: it follows the view the user
// clicks into or gives the keyboard, and a cancelled File New or File Open leaves one.
#include <gtest/gtest.h>

#include <wx/event.h>
#include <wx/window.h>

#include <filesystem>
#include <string>

#include "model/QuorvelDoc.h"
#include "platform/afx/wnd/MessageBoxUi.h"
#include "resources/FormResource.h"
#include "resources/Resource.h"
#include "tests/support/RealInput.h"
#include "tests/ui/UiFixture.h"
#include "ui/ConfigView.h"
#include "ui/FVBase.h"
#include "ui/MainFrm.h"
#include "ui/QuorvelToolBar.h"
#include "ui/QuorvelView.h"

namespace qrvtest {
namespace {

// The state a menu item gets when its drop-down opens (no handler on the road: disabled).
BOOL MenuItemEnabled(CFrameWnd* pFrame, UINT nID) {
    CCmdUI state;
    state.m_nID = nID;
    state.DoUpdate(pFrame, TRUE);
    return state.m_bEnabled;
}

// Delivers an event of the toolkit's to the window, as a click, a key or a focus change does.
void Deliver(CWnd* pWnd, wxEvent&& event) {
    event.SetEventObject(pWnd->GetWxWindow());
    pWnd->GetWxWindow()->GetEventHandler()->ProcessEvent(event);
}

wxKeyEvent TabKey() {
    wxKeyEvent event(wxEVT_KEY_DOWN);
    event.m_keyCode = WXK_TAB;
    return event;
}

using ActiveViewTest = UiFixture;

TEST_F(ActiveViewTest, SaveAsReachesTheDocumentAfterACancelledNewOrOpen) {
    ASSERT_TRUE(Start());
    CMainFrame* pFrame = Frame();
    CQuorvelDoc* pDoc = Doc();
    Deliver(Right(), wxMouseEvent(wxEVT_LEFT_DOWN));
    ASSERT_EQ(pFrame->GetActiveView(), Right());
    AfxSetMessageBoxHook([](const AfxShownMessageBox&) { return IDCANCEL; });
    std::string target;
    int nSaveDialogs = 0;
    AfxSetFileDialogHook([&](BOOL bOpen, CString& name) {
        if (bOpen)
            return FALSE;
        ++nSaveDialogs;
        name = target.c_str();
        return TRUE;
    });
    const UINT commands[] = {ID_FILE_NEW, ID_FILE_OPEN};
    for (UINT nCommand : commands) {
        SCOPED_TRACE(nCommand);
        pDoc->SetModifiedFlag(TRUE);
        AfxClearShownMessageBoxes();
        pFrame->SendMessage(WM_COMMAND, nCommand, 0);
        // New asked to save and was cancelled there; Open was cancelled in its file dialog.
        EXPECT_EQ(AfxGetShownMessageBoxes().size(), nCommand == ID_FILE_NEW ? 1u : 0u);
        ASSERT_TRUE(pDoc->IsModified());
        EXPECT_EQ(pFrame->GetActiveView(), Right());
        m_pApp->OnIdle(0);
        EXPECT_TRUE(pFrame->GetToolBar().IsButtonEnabled(ID_FILE_SAVE));
        EXPECT_TRUE(MenuItemEnabled(pFrame, ID_FILE_SAVE_AS));

        // Sent as the menu sends it.
        target = m_root->Path() + "/after-" + std::to_string(nCommand) + ".qrv";
        const int nBefore = nSaveDialogs;
        pFrame->SendMessage(WM_COMMAND, ID_FILE_SAVE_AS, 0);
        EXPECT_EQ(nSaveDialogs, nBefore + 1);
        EXPECT_TRUE(std::filesystem::exists(target));
        EXPECT_FALSE(pDoc->IsModified());
        m_pApp->OnIdle(0);
        EXPECT_FALSE(pFrame->GetToolBar().IsButtonEnabled(ID_FILE_SAVE));
        EXPECT_TRUE(MenuItemEnabled(pFrame, ID_FILE_SAVE_AS));
    }
}

TEST_F(ActiveViewTest, TheViewClickedOrTabbedIntoBecomesActiveAndAClosedFormLeavesItsPane) {
    ASSERT_TRUE(Start());
    CMainFrame* pFrame = Frame();
    ASSERT_EQ(pFrame->GetActiveView(), Left());

    // A click into the right pane, then the Tab key into the list of the left one; the program
    // moving the keyboard moves nothing.
    Deliver(Right(), wxMouseEvent(wxEVT_LEFT_DOWN));
    EXPECT_EQ(pFrame->GetActiveView(), Right());
    Deliver(&List(), wxFocusEvent(wxEVT_SET_FOCUS));
    EXPECT_EQ(pFrame->GetActiveView(), Right());
    Deliver(Right(), TabKey());
    Deliver(&List(), wxFocusEvent(wxEVT_SET_FOCUS));
    EXPECT_EQ(pFrame->GetActiveView(), Left());
    Deliver(Right(), wxFocusEvent(wxEVT_SET_FOCUS));
    EXPECT_EQ(pFrame->GetActiveView(), Left());

    // A click on a control of the form view shown in the right pane makes the form view active
    // (commands for the form reach it first); when the form closes its pane takes over.
    FVBase* pForm = Right()->GetCurrentForm();
    ASSERT_NE(pForm, nullptr);
    CWnd* pStart = pForm->GetDlgItem(IDC_FV_START);
    ASSERT_NE(pStart, nullptr);
    Deliver(pStart, wxMouseEvent(wxEVT_LEFT_DOWN));
    EXPECT_EQ(pFrame->GetActiveView(), pForm);
    Doc()->SetCurrentConfigID(0);
    pFrame->SendMessage(WM_COMMAND, ID_CURRENT_CONFIG_CHANGED, 0);
    Settle(20);
    EXPECT_EQ(Right()->GetCurrentForm(), nullptr);
    EXPECT_EQ(pFrame->GetActiveView(), Right());
}

TEST_F(ActiveViewTest, ARealClickAndARealTabMoveTheActiveView) {
    ASSERT_TRUE(Start());
    CMainFrame* pFrame = Frame();
    Settle(100);
    FVBase* pForm = Right()->GetCurrentForm();
    ASSERT_NE(pForm, nullptr);
    CWnd* pTabs = pForm->GetDlgItem(IDC_FV_TABS);
    ASSERT_NE(pTabs, nullptr);
    qrvtest::RealInput sim;
    auto click = [&](CWnd* pWnd, wxPoint pt) {
        pt = pWnd->GetWxWindow()->ClientToScreen(pt);
        sim.MouseMove(pt.x, pt.y);
        Settle(20);
        sim.MouseClick();
        Settle(50);
    };

    // On the tab of the page that shows already: the click changes nothing else.
    click(pTabs, wxPoint(12, 8));
    EXPECT_EQ(pFrame->GetActiveView(), pForm);
    // Below the last row of the list.
    click(&List(), wxPoint(20, List().GetWxWindow()->GetClientSize().y - 10));
    EXPECT_EQ(pFrame->GetActiveView(), Left());
    // The Tab key takes the keyboard out of the list, the left pane's only control.
    sim.Char(WXK_TAB);
    Settle(50);
    EXPECT_EQ(pFrame->GetActiveView(), pForm);
}

}  // namespace
}  // namespace qrvtest
