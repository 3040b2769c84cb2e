// The main frame: fixed size and splitter, routing to the panes, command states, prompts.
#include <wx/toplevel.h>

#include "model/QuorvelDoc.h"
#include "platform/afx/wnd/Dialog.h"
#include "platform/afx/wnd/Menu.h"
#include "platform/afx/wnd/MessageBoxUi.h"
#include "platform/afx/wnd/Resources.h"
#include "platform/win32/Registry.h"
#include "resources/QuorvelResources.h"
#include "resources/Resource.h"
#include "tests/ui/UiFixture.h"
#include "ui/ConfigView.h"
#include "ui/MainFrm.h"
#include "ui/QuorvelView.h"

namespace {

using qrvtest::UiFixture;

TEST_F(UiFixture, FrameIsSizedFromTheFormTemplateAndCannotBeResized) {
    ASSERT_TRUE(Start());
    CMainFrame* pFrame = Frame();
    EXPECT_EQ(pFrame->GetWxWindow()->GetWindowStyleFlag() & wxRESIZE_BORDER, 0);
    CDialog probe;
    ASSERT_TRUE(probe.Create(IDD_FV_TASK, pFrame));
    CRect form;
    probe.GetWindowRect(&form);
    probe.DestroyWindow();
    int cxRight = 0, cyRow = 0, cxLeft = 0, nMin = 0;
    pFrame->GetSplitter().GetColumnInfo(1, cxRight, nMin);
    pFrame->GetSplitter().GetColumnInfo(0, cxLeft, nMin);
    pFrame->GetSplitter().GetRowInfo(0, cyRow, nMin);
    EXPECT_EQ(cxLeft, 150);
    EXPECT_EQ(cxRight,
              form.Width() + 10 + GetSystemMetrics(SM_CYHSCROLL) + 2 * GetSystemMetrics(SM_CXBORDER));
    EXPECT_EQ(cyRow, form.Height() + 10 + GetSystemMetrics(SM_CXVSCROLL) + 2 * GetSystemMetrics(SM_CYBORDER));
}

TEST_F(UiFixture, SplitBarCannotBeDragged) {
    ASSERT_TRUE(Start());
    CFixedSplitterWnd& splitter = Frame()->GetSplitter();
    int before = 0, nMin = 0;
    splitter.GetColumnInfo(0, before, nMin);
    int barX = before + splitter.GetSplitterWidth() / 2;
    splitter.SendMessage(WM_LBUTTONDOWN, 1, MAKELPARAM(barX, 20));
    splitter.SendMessage(WM_MOUSEMOVE, 1, MAKELPARAM(barX + 60, 20));
    splitter.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(barX + 60, 20));
    splitter.SendMessage(WM_LBUTTONDBLCLK, 1, MAKELPARAM(barX, 20));
    int after = 0;
    splitter.GetColumnInfo(0, after, nMin);
    EXPECT_EQ(after, before);
    EXPECT_FALSE(splitter.IsTracking());
}

TEST_F(UiFixture, WithoutTheFormTemplateTheDefaultSizesServe) {
    RegisterQuorvelResources();
    AfxUnregisterDialogTemplate(IDD_FV_TASK);
    BOOL bStarted = Start();
    int cxRight = 0, nMin = 0;
    if (bStarted)
        Frame()->GetSplitter().GetColumnInfo(1, cxRight, nMin);
    // Put the template back for the tests that follow in this program.
    AfxRegisterDialogTemplate(DLGTEMPLATEDEF{IDD_FV_TASK,
                                             WS_CHILD | WS_BORDER,
                                             WS_EX_CONTROLPARENT,
                                             0,
                                             0,
                                             331,
                                             306,
                                             nullptr,
                                             "MS Sans Serif",
                                             8,
                                             {}});
    ASSERT_TRUE(bStarted);
    EXPECT_EQ(cxRight, 818 + GetSystemMetrics(SM_CYHSCROLL) + 2 * GetSystemMetrics(SM_CXBORDER));
}

TEST_F(UiFixture, ConfigurationChangedReachesTheRightPaneWhateverViewIsActive) {
    ASSERT_TRUE(Start());
    CMainFrame* pFrame = Frame();
    CQuorvelView* pRight = pFrame->GetRightPane();
    EXPECT_EQ(pFrame->GetActiveView(), pFrame->GetLeftPane());
    int before = pRight->GetConfigChangeCount();
    m_pApp->GetDocument()->SetCurrentConfigID(42);
    pFrame->PostMessage(WM_COMMAND, ID_CURRENT_CONFIG_CHANGED, 0);
    AfxPumpMessages();
    EXPECT_EQ(pRight->GetConfigChangeCount(), before + 1);
    EXPECT_EQ(pRight->GetShownConfigID(), 42u);
    // File New resets the document; the right pane follows the new list's first row, not the old id.
    pFrame->SendMessage(WM_COMMAND, ID_FILE_NEW, 0);
    AfxPumpMessages();
    EXPECT_NE(pRight->GetShownConfigID(), 42u);
    EXPECT_EQ(pRight->GetShownConfigID(), m_pApp->GetDocument()->GetCurrentConfigID());
}

TEST_F(UiFixture, CommandStatesFollowTheDocument) {
    ASSERT_TRUE(Start());
    CMainFrame* pFrame = Frame();
    // With no active view the frame's own state handlers decide.
    pFrame->SetActiveView(nullptr);
    CQuorvelDoc* pDoc = m_pApp->GetDocument();
    pDoc->SetCurrentConfigID(0);
    pDoc->SetModifiedFlag(FALSE);
    m_pApp->OnIdle(0);
    CQuorvelToolBar& bar = pFrame->GetToolBar();
    EXPECT_TRUE(bar.IsButtonEnabled(ID_FILE_NEW));
    EXPECT_TRUE(bar.IsButtonEnabled(ID_ADD_CONFIGURATION));
    EXPECT_TRUE(bar.IsButtonEnabled(ID_DELETE_CONFIGURATION));
    EXPECT_FALSE(bar.IsButtonEnabled(ID_RENAME_CONFIGURATION));
    EXPECT_FALSE(bar.IsButtonEnabled(ID_FILE_SAVE));
    pDoc->SetCurrentConfigID(1);
    pDoc->SetModifiedFlag(TRUE);
    m_pApp->OnIdle(0);
    EXPECT_TRUE(bar.IsButtonEnabled(ID_RENAME_CONFIGURATION));
    EXPECT_TRUE(bar.IsButtonEnabled(ID_FILE_SAVE));
}

TEST_F(UiFixture, StatusPromptsComeFromTheLanguageAndOthersStayEmpty) {
    ASSERT_TRUE(Start());
    CMainFrame* pFrame = Frame();
    CString prompt;
    pFrame->GetMessageString(ID_FILE_NEW, prompt);
    EXPECT_FALSE(prompt.IsEmpty());
    CString other;
    pFrame->GetMessageString(AFX_IDS_IDLEMESSAGE, other);
    EXPECT_TRUE(other.IsEmpty());
    pFrame->OnToolEnter(&pFrame->GetToolBar(), ID_FILE_OPEN);
    CString expected;
    pFrame->GetMessageString(ID_FILE_OPEN, expected);
    EXPECT_EQ(pFrame->GetStatusBarWnd().GetPaneText(0), expected);
    EXPECT_FALSE(pFrame->GetToolBar().GetButtonTip(ID_FILE_OPEN).IsEmpty());
    pFrame->OnToolEnter(&pFrame->GetToolBar(), -1);
    EXPECT_TRUE(pFrame->GetStatusBarWnd().GetPaneText(0).IsEmpty());
}

TEST_F(UiFixture, MenuItemsAreRelabelledWhenTheMenuOpens) {
    DWORD dwGerman = 1031;
    SetRegistryLanguage(REG_DWORD, &dwGerman, sizeof dwGerman);
    ASSERT_TRUE(Start());
    CMainFrame* pFrame = Frame();
    CMenu* pBar = pFrame->GetMenu();
    pFrame->ApplyLanguage(2057);
    CString text;
    pBar->GetSubMenu(0)->GetMenuString(ID_FILE_NEW, text, MF_BYCOMMAND);
    EXPECT_EQ(text, CString("&Neu\tStrg+N"));  // items follow at the next activation
    pFrame->SendMessage(WM_INITMENU, reinterpret_cast<WPARAM>(pBar));
    pBar->GetSubMenu(0)->GetMenuString(ID_FILE_NEW, text, MF_BYCOMMAND);
    EXPECT_EQ(text, CString("&New\tCtrl+N"));
    pBar->GetSubMenu(3)->GetMenuString(ID_APP_ABOUT, text, MF_BYCOMMAND);
    EXPECT_FALSE(text.IsEmpty());
}

TEST_F(UiFixture, DeleteCommandFromTheFrameIsPostedToTheLeftPane) {
    ASSERT_TRUE(Start());
    CMainFrame* pFrame = Frame();
    pFrame->SetActiveView(pFrame->GetRightPane());
    // With the right pane active the document is asked first; with none it is the frame.
    pFrame->SetActiveView(nullptr);
    pFrame->OnDeleteConfiguration();
    EXPECT_EQ(pFrame->GetActiveView(), pFrame->GetLeftPane());
    EXPECT_EQ(AfxGetPostedMessageCount(), 1u);
    AfxPumpMessages();
}

}  // namespace

namespace {

using qrvtest::UiFixture;

TEST_F(UiFixture, ClosingAskedToSaveCancelKeepsTheWindowNoClosesIt) {
    ASSERT_TRUE(Start());
    m_pApp->GetDocument()->SetModifiedFlag(TRUE);
    AfxSetMessageBoxHook([](const AfxShownMessageBox&) { return IDCANCEL; });
    Frame()->SendMessage(WM_CLOSE);
    ASSERT_NE(m_pApp->m_pMainWnd, nullptr);
    EXPECT_TRUE(Frame()->IsWindowVisible());
    AfxSetMessageBoxHook([](const AfxShownMessageBox&) { return IDNO; });
    // File Exit takes the same road.
    Frame()->SendMessage(WM_COMMAND, ID_APP_EXIT, 0);
    EXPECT_EQ(m_pApp->m_pMainWnd, nullptr);
    EXPECT_EQ(AfxGetShownMessageBoxes().size(), 2u);
}

TEST_F(UiFixture, EveryAcceleratorHasAHandler) {
    ASSERT_TRUE(Start());
    const ACCELTABLEDEF* pTable = AfxFindAccelerators(IDR_MAINFRAME);
    ASSERT_NE(pTable, nullptr);
    EXPECT_FALSE(pTable->entries.empty());
    for (const ACCELDEF& accel : pTable->entries) {
        AFX_CMDHANDLERINFO info{nullptr};
        EXPECT_TRUE(Frame()->OnCmdMsg(accel.cmd, CN_COMMAND, nullptr, &info)) << "command " << accel.cmd;
    }
}

}  // namespace
