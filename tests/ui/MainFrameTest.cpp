// The main frame: fixed size and splitter, routing to the panes, command states, prompts, the
// texts of menus and tooltips, help and the About box.
#include <wx/toplevel.h>

#include <string>

#include "model/QuorvelDoc.h"
#include "platform/afx/wnd/ControlBars.h"
#include "platform/afx/wnd/Controls.h"
#include "platform/afx/wnd/Dialog.h"
#include "platform/afx/wnd/Gdi.h"
#include "platform/afx/wnd/HtmlHelp.h"
#include "platform/afx/wnd/Menu.h"
#include "platform/afx/wnd/MessageBoxUi.h"
#include "platform/afx/wnd/Resources.h"
#include "resources/Resource.h"
#include "tests/ui/UiFixture.h"
#include "ui/ColorStatic.h"
#include "ui/ConfigView.h"
#include "ui/FrameTexts.h"
#include "ui/MainFrm.h"
#include "ui/QuorvelView.h"

namespace {

using qrvtest::UiFixture;

TEST_F(UiFixture, FrameIsSizedFromTheFormTemplateOrByDefaultAndNeitherItNorTheSplitBarCanBeMoved) {
    ASSERT_TRUE(Start());
    CMainFrame* pFrame = Frame();
    EXPECT_EQ(pFrame->GetWxWindow()->GetWindowStyleFlag() & wxRESIZE_BORDER, 0);
    CDialog probe;
    ASSERT_TRUE(probe.Create(IDD_FV_TASK, pFrame));
    CRect form;
    probe.GetWindowRect(&form);
    probe.DestroyWindow();
    CFixedSplitterWnd& splitter = pFrame->GetSplitter();
    int cxRight = 0, cyRow = 0, cxLeft = 0, nMin = 0;
    splitter.GetColumnInfo(1, cxRight, nMin);
    splitter.GetColumnInfo(0, cxLeft, nMin);
    splitter.GetRowInfo(0, cyRow, nMin);
    EXPECT_EQ(cxLeft, 150);
    EXPECT_EQ(cxRight,
              form.Width() + 10 + GetSystemMetrics(SM_CYHSCROLL) + 2 * GetSystemMetrics(SM_CXBORDER));
    EXPECT_EQ(cyRow, form.Height() + 10 + GetSystemMetrics(SM_CXVSCROLL) + 2 * GetSystemMetrics(SM_CYBORDER));

    const int barX = cxLeft + splitter.GetSplitterWidth() / 2;
    splitter.SendMessage(WM_LBUTTONDOWN, 1, MAKELPARAM(barX, 20));
    splitter.SendMessage(WM_MOUSEMOVE, 1, MAKELPARAM(barX + 60, 20));
    splitter.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(barX + 60, 20));
    splitter.SendMessage(WM_LBUTTONDBLCLK, 1, MAKELPARAM(barX, 20));
    int after = 0;
    splitter.GetColumnInfo(0, after, nMin);
    EXPECT_EQ(after, cxLeft);
    EXPECT_FALSE(splitter.IsTracking());

    // Without the form template the default sizes serve.
    ShutDown();
    ASSERT_NE(nullptr, AfxFindDialogTemplate(IDD_FV_TASK));
    const DLGTEMPLATEDEF formTemplate = *AfxFindDialogTemplate(IDD_FV_TASK);
    AfxUnregisterDialogTemplate(IDD_FV_TASK);
    BOOL bStarted = Start();
    if (bStarted)
        Frame()->GetSplitter().GetColumnInfo(1, cxRight, nMin);
    // Put the template back for the tests that follow in this program.
    AfxRegisterDialogTemplate(formTemplate);
    ASSERT_TRUE(bStarted);
    EXPECT_EQ(cxRight, 818 + GetSystemMetrics(SM_CYHSCROLL) + 2 * GetSystemMetrics(SM_CXBORDER));
}

TEST_F(UiFixture, EveryAcceleratorHasAHandlerAndAChangedConfigurationReachesTheRightPane) {
    ASSERT_TRUE(Start());
    CMainFrame* pFrame = Frame();
    const ACCELTABLEDEF* pTable = AfxFindAccelerators(IDR_MAINFRAME);
    ASSERT_NE(pTable, nullptr);
    EXPECT_FALSE(pTable->entries.empty());
    for (const ACCELDEF& accel : pTable->entries) {
        AFX_CMDHANDLERINFO info{nullptr};
        EXPECT_TRUE(pFrame->OnCmdMsg(accel.cmd, CN_COMMAND, nullptr, &info)) << "command " << accel.cmd;
    }

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

TEST_F(UiFixture, WithNoActiveViewTheFrameDecidesCommandStatesAndPostsDeleteToTheLeftPane) {
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

    // The frame's Delete makes the left pane active and posts the command to it.
    pFrame->OnDeleteConfiguration();
    EXPECT_EQ(pFrame->GetActiveView(), pFrame->GetLeftPane());
    EXPECT_EQ(AfxGetPostedMessageCount(), 1u);
    AfxPumpMessages();
}

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

std::string Escaped(const char* text) {
    std::string buf(text);
    buf.push_back('\0');
    EXPECT_EQ(CMainFrame::ReplaceEscapeChars(buf.data()), S_OK);
    return std::string(buf.c_str());
}

TEST(ReplaceEscapeChars, ResolvesTheThreeEscapesAndDropsTheRest) {
    EXPECT_EQ(Escaped("&New\\tCtrl+N"), "&New\tCtrl+N");
    EXPECT_EQ(Escaped("a\\\\b"), "a\\b");
    EXPECT_EQ(Escaped("bell\\a"), "bell\a");
    EXPECT_EQ(Escaped("x\\qy"), "xy");
    EXPECT_EQ(Escaped("end\\"), "end");
    EXPECT_EQ(Escaped(""), "");
    EXPECT_EQ(CMainFrame::ReplaceEscapeChars(nullptr), E_INVALIDARG);
}

TEST(FrameTextTables, CommandsAndPopupsWithoutATextHaveNone) {
    EXPECT_EQ(FindMenuTextID(ID_CURRENT_CONFIG_CHANGED), -1);
    EXPECT_EQ(FindPopupTextID(4), -1);
}

TEST_F(UiFixture, TooltipsAndStatusPromptsComeFromTheLanguageAndALongTipIsCutOnACharacterBoundary) {
    // 78 ASCII letters and then two-byte letters: byte 79 falls inside a character.
    std::string text(78, 'x');
    for (int i = 0; i < 10; ++i)
        text += "\xC3\xBC";
    UseLanguageCopy(33, text);
    ASSERT_TRUE(Start());
    CMainFrame* pFrame = Frame();
    EXPECT_EQ(pFrame->GetToolBar().RequestToolTip(ID_FILE_NEW).GetLength(), 78);
    // A tool without a tooltip text is left to the framework.
    TOOLTIPTEXTA tt{};
    tt.hdr.idFrom = ID_VIEW_TOOLBAR;
    tt.hdr.code = TTN_NEEDTEXTA;
    EXPECT_FALSE(AnswerToolTipRequest(&tt.hdr));
    EXPECT_EQ(tt.lpszText, nullptr);

    // A tool's prompt shows in the status bar until the mouse leaves; other strings stay empty.
    CString prompt, other, expected;
    pFrame->GetMessageString(ID_FILE_NEW, prompt);
    EXPECT_FALSE(prompt.IsEmpty());
    pFrame->GetMessageString(AFX_IDS_IDLEMESSAGE, other);
    EXPECT_TRUE(other.IsEmpty());
    pFrame->OnToolEnter(&pFrame->GetToolBar(), ID_FILE_OPEN);
    pFrame->GetMessageString(ID_FILE_OPEN, expected);
    EXPECT_EQ(pFrame->GetStatusBarWnd().GetPaneText(0), expected);
    EXPECT_FALSE(pFrame->GetToolBar().GetButtonTip(ID_FILE_OPEN).IsEmpty());
    pFrame->OnToolEnter(&pFrame->GetToolBar(), -1);
    EXPECT_TRUE(pFrame->GetStatusBarWnd().GetPaneText(0).IsEmpty());
}

TEST_F(UiFixture, EscapedMenuTextFromTheLanguageFile) {
    UseLanguageCopy(0, "F\\\\ile\\x\\a");
    ASSERT_TRUE(Start());
    CString text;
    Frame()->GetMenu()->GetMenuString(0, text, MF_BYPOSITION);
    // The BEL the escape makes is not shown in a menu.
    EXPECT_EQ(text, CString("F\\ile"));
}

// Whether a coloured text shows whole in its control.
void ExpectShownWhole(CColorStatic* pText) {
    ASSERT_NE(nullptr, pText);
    CClientDC dc(pText);
    const CSize size = pText->MeasureText(&dc);
    CRect rc;
    pText->GetClientRect(&rc);
    EXPECT_GT(size.cx, 0);
    EXPECT_LE(size.cx, rc.Width()) << pText->GetText().GetString();
    EXPECT_LE(size.cy, rc.Height()) << pText->GetText().GetString();
}

TEST_F(UiFixture, AboutBoxShowsItsLinkAndOwnerLineWholeAndHelpOpensAndClosesWithTheProgram) {
    ASSERT_TRUE(Start());
    int shown = 0;
    AfxSetModalHook([&](CWnd* pDialog) {
        ++shown;
        auto* pLink = dynamic_cast<CColorStatic*>(pDialog->GetDlgItem(IDC_ABOUT_LINK));
        ExpectShownWhole(pLink);
        ExpectShownWhole(dynamic_cast<CColorStatic*>(pDialog->GetDlgItem(IDC_ABOUT_OWNER)));
        if (pLink != nullptr) {
            // The chosen look stays; only the painting gives way where the text would be cut.
            EXPECT_EQ(24, pLink->GetHeight());
            pLink->SetText("https://www.a-publisher-with-a-long-name.example/products/quorvel/about");
            pLink->MakeRoomForText();
            ExpectShownWhole(pLink);
            // A short text keeps the full height.
            pLink->SetText("q.example");
            CClientDC dc(pLink);
            EXPECT_EQ(24, pLink->GetFittingHeight(&dc));
        }
        CWnd* pOk = pDialog->GetDlgItem(IDOK);
        EXPECT_NE(pOk, nullptr);
        EXPECT_TRUE(pOk->IsWindowVisible());
        dynamic_cast<CButton*>(pOk)->Click();
        return AFX_MODAL_KEEP;
    });
    Frame()->SendMessage(WM_COMMAND, ID_APP_ABOUT, 0);
    EXPECT_EQ(shown, 1);

    // Help contents opens the book beside the program, and shutting down closes it.
    Frame()->SendMessage(WM_COMMAND, ID_HELP_CONTENTS, 0);
    EXPECT_TRUE(AfxIsHelpOpen());
    ShutDown();
    EXPECT_FALSE(AfxIsHelpOpen());
    // A missing book is no failure of the program.
    EXPECT_EQ(HtmlHelpA(nullptr, "/nonexistent/Quorvel.chm", HH_DISPLAY_TOC, 0), nullptr);
    HtmlHelpA(nullptr, "Quorvel.chm", HH_CLOSE_ALL, 0);
    EXPECT_FALSE(AfxIsHelpOpen());
}

}  // namespace
