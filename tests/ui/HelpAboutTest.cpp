// Help contents, the About command and the application's document helpers.
#include "platform/afx/wnd/Controls.h"
#include "platform/afx/wnd/Gdi.h"
#include "platform/afx/wnd/HtmlHelp.h"
#include "platform/afx/wnd/MessageBoxUi.h"
#include "resources/Resource.h"
#include "tests/ui/UiFixture.h"
#include "ui/ColorStatic.h"
#include "ui/MainFrm.h"
#include "ui/QuorvelDocHost.h"

namespace {

using qrvtest::UiFixture;

TEST_F(UiFixture, HelpContentsOpensTheBookBesideTheProgramAndShutDownClosesIt) {
    ASSERT_TRUE(Start());
    Frame()->SendMessage(WM_COMMAND, ID_HELP_CONTENTS, 0);
    EXPECT_TRUE(AfxIsHelpOpen());
    Frame()->DestroyWindow();
    AfxPumpMessages();
    delete m_pApp;
    m_pApp = nullptr;
    EXPECT_FALSE(AfxIsHelpOpen());
}

TEST_F(UiFixture, MissingHelpBookIsNoFailureOfTheProgram) {
    EXPECT_EQ(HtmlHelpA(nullptr, "/nonexistent/Quorvel.chm", HH_DISPLAY_TOC, 0), nullptr);
    HtmlHelpA(nullptr, "Quorvel.chm", HH_CLOSE_ALL, 0);
    EXPECT_FALSE(AfxIsHelpOpen());
}

TEST_F(UiFixture, AboutCommandRunsTheAboutBoxModally) {
    ASSERT_TRUE(Start());
    int shown = 0;
    AfxSetModalHook([&](CWnd* pDialog) {
        ++shown;
        EXPECT_NE(pDialog->GetDlgItem(IDC_ABOUT_LINK), nullptr);
        EXPECT_NE(pDialog->GetDlgItem(IDC_ABOUT_OWNER), nullptr);
        CWnd* pOk = pDialog->GetDlgItem(IDOK);
        EXPECT_NE(pOk, nullptr);
        EXPECT_TRUE(pOk->IsWindowVisible());
        dynamic_cast<CButton*>(pOk)->Click();
        return AFX_MODAL_KEEP;
    });
    Frame()->SendMessage(WM_COMMAND, ID_APP_ABOUT, 0);
    EXPECT_EQ(shown, 1);
}

// Whether a coloured text shows whole in its control.
static void ExpectShownWhole(CColorStatic* pText) {
    ASSERT_NE(nullptr, pText);
    CClientDC dc(pText);
    const CSize size = pText->MeasureText(&dc);
    CRect rc;
    pText->GetClientRect(&rc);
    EXPECT_GT(size.cx, 0);
    EXPECT_LE(size.cx, rc.Width()) << pText->GetText().GetString();
    EXPECT_LE(size.cy, rc.Height()) << pText->GetText().GetString();
}

TEST_F(UiFixture, AboutBoxShowsItsLinkAndOwnerLineWhole) {
    ASSERT_TRUE(Start());
    int shown = 0;
    AfxSetModalHook([&](CWnd* pDialog) {
        ++shown;
        auto* pLink = dynamic_cast<CColorStatic*>(pDialog->GetDlgItem(IDC_ABOUT_LINK));
        auto* pOwner = dynamic_cast<CColorStatic*>(pDialog->GetDlgItem(IDC_ABOUT_OWNER));
        ExpectShownWhole(pLink);
        ExpectShownWhole(pOwner);
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
        return IDOK;
    });
    Frame()->SendMessage(WM_COMMAND, ID_APP_ABOUT, 0);
    EXPECT_EQ(shown, 1);
}

TEST_F(UiFixture, DocumentHelpersFollowTheTemplate) {
    ASSERT_TRUE(Start());
    EXPECT_NE(m_pApp->GetDocumentHost(), nullptr);
    EXPECT_EQ(m_pApp->GetDocument(), m_pApp->GetDocumentHost()->GetQuorvelDoc());
    m_pApp->ResetActiveView();
    EXPECT_EQ(Frame()->GetActiveView(), nullptr);
    // File Open with the dialog cancelled changes nothing and gives the left pane the focus.
    AfxSetFileDialogHook([](BOOL, CString&) { return FALSE; });
    Frame()->SendMessage(WM_COMMAND, ID_FILE_OPEN, 0);
    EXPECT_EQ(m_pApp->GetDocument()->GetConfigurationCount(), 4);
}

}  // namespace
