// A frame's bars and menus: states at menu opening and at idle, tooltips, prompts, bar toggles,
// the movable splitter and form views made from templates.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <wx/menu.h>
#include <wx/window.h>

#include "platform/afx/wnd/ControlBars.h"
#include "platform/afx/wnd/Controls.h"
#include "platform/afx/wnd/DocTemplate.h"
#include "platform/afx/wnd/Document.h"
#include "platform/afx/wnd/FrameWnd.h"
#include "platform/afx/wnd/Menu.h"
#include "platform/afx/wnd/SplitterWnd.h"
#include "platform/afx/wnd/View.h"
#include "platform/afx/wnd/WaitCursor.h"
#include "platform/afx/wnd/WinApp.h"
#include "tests/platform_afxwnd/WxEnvironment.h"

namespace {

constexpr UINT kRes = 7300;
constexpr UINT kFormTemplate = 7301;
constexpr UINT kOnCmd = 42001;       // enabled by its state handler
constexpr UINT kOffCmd = 42002;      // disabled by its state handler
constexpr UINT kHandledCmd = 42003;  // handler, no state handler
constexpr UINT kOrphanCmd = 42004;   // neither
constexpr UINT kCheckedCmd = 42005;  // checked by its state handler
constexpr UINT IDC_FORM_EDIT = 1201;
constexpr UINT IDC_FORM_BUTTON = 1202;

int g_clicks = 0;

class CBarDoc : public CDocument {
    DECLARE_DYNCREATE(CBarDoc)
};
IMPLEMENT_DYNCREATE(CBarDoc, CDocument)

class CBarForm : public CFormView {
    DECLARE_DYNCREATE(CBarForm)
public:
    CBarForm() : CFormView(kFormTemplate) {}
    void OnButton() { ++g_clicks; }
    DECLARE_MESSAGE_MAP()
};
IMPLEMENT_DYNCREATE(CBarForm, CFormView)
BEGIN_MESSAGE_MAP(CBarForm, CFormView)
ON_BN_CLICKED(IDC_FORM_BUTTON, &CBarForm::OnButton)
END_MESSAGE_MAP()

class CBarFrame : public CFrameWnd {
    DECLARE_DYNCREATE(CBarFrame)
public:
    int OnCreate(LPCREATESTRUCT lpcs) {
        if (CFrameWnd::OnCreate(lpcs) == -1)
            return -1;
        if (!m_toolBar.CreateEx(this) || !m_toolBar.LoadToolBar(kRes))
            return -1;
        m_toolBar.SetBarStyle(m_toolBar.GetBarStyle() | CBRS_TOOLTIPS | CBRS_FLYBY);
        static const UINT indicators[] = {ID_SEPARATOR, ID_INDICATOR_CAPS};
        if (!m_statusBar.Create(this) || !m_statusBar.SetIndicators(indicators, 2))
            return -1;
        return 0;
    }
    void OnOn() {}
    void OnOff() {}
    void OnHandled() {}
    void OnUpdateOn(CCmdUI* p) { p->Enable(TRUE); }
    void OnUpdateOff(CCmdUI* p) { p->Enable(FALSE); }
    void OnUpdateChecked(CCmdUI* p) { p->SetCheck(1); }
    BOOL OnTip(UINT, NMHDR* pNMHDR, LRESULT*) {
        auto* tt = reinterpret_cast<TOOLTIPTEXTA*>(pNMHDR);
        if (pNMHDR->idFrom != kHandledCmd)
            return FALSE;
        std::snprintf(tt->szText, sizeof tt->szText, "frame tip");
        tt->lpszText = tt->szText;
        return TRUE;
    }
    void GetMessageString(UINT nID, CString& rMessage) const override {
        if (nID == kOnCmd)
            rMessage = "Turns it on";
    }
    CToolBar m_toolBar;
    CStatusBar m_statusBar;
    DECLARE_MESSAGE_MAP()
};
IMPLEMENT_DYNCREATE(CBarFrame, CFrameWnd)
BEGIN_MESSAGE_MAP(CBarFrame, CFrameWnd)
ON_WM_CREATE()
ON_COMMAND(kOnCmd, &CBarFrame::OnOn)
ON_COMMAND(kOffCmd, &CBarFrame::OnOff)
ON_COMMAND(kHandledCmd, &CBarFrame::OnHandled)
ON_COMMAND(kCheckedCmd, &CBarFrame::OnHandled)
ON_UPDATE_COMMAND_UI(kOnCmd, &CBarFrame::OnUpdateOn)
ON_UPDATE_COMMAND_UI(kOffCmd, &CBarFrame::OnUpdateOff)
ON_UPDATE_COMMAND_UI(kCheckedCmd, &CBarFrame::OnUpdateChecked)
ON_NOTIFY_EX(TTN_NEEDTEXTA, 0, &CBarFrame::OnTip)
END_MESSAGE_MAP()

void RegisterResources() {
    AfxRegisterString(kRes, "Bars\n\n\n\n\n\n");
    AfxRegisterMenu(MENUDEF{kRes,
                            {MENUITEMDEF{0,
                                         "&Commands",
                                         {{kOnCmd, "On", {}},
                                          {kOffCmd, "Off", {}},
                                          {kHandledCmd, "Handled", {}},
                                          {kOrphanCmd, "Orphan", {}},
                                          {kCheckedCmd, "Checked", {}, true},
                                          {ID_VIEW_TOOLBAR, "Toolbar", {}, true}}}}});
    AfxRegisterToolBar(TOOLBARDEF{kRes, 16, 15, {kOnCmd, kOffCmd, 0, kHandledCmd, kOrphanCmd}, 0});
    AfxRegisterDialogTemplate(
        DLGTEMPLATEDEF{kFormTemplate,
                       WS_CHILD,
                       0,
                       0,
                       0,
                       200,
                       100,
                       nullptr,
                       "MS Sans Serif",
                       8,
                       {{"EDIT", "start", IDC_FORM_EDIT, 5, 5, 100, 12, WS_BORDER},
                        {"BUTTON", "Go", IDC_FORM_BUTTON, 110, 5, 40, 14, BS_PUSHBUTTON}}});
}

class FrameBarsTest : public ::testing::Test {
protected:
    void SetUp() override {
        QRV_REQUIRE_DISPLAY();
        RegisterResources();
        g_clicks = 0;
        m_pApp = new CWinApp("BarsTest");
        m_pApp->AddDocTemplate(new CSingleDocTemplate(kRes, RUNTIME_CLASS(CBarDoc), RUNTIME_CLASS(CBarFrame),
                                                      RUNTIME_CLASS(CBarForm)));
        m_pApp->OnFileNew();
        m_pFrame = dynamic_cast<CBarFrame*>(m_pApp->m_pMainWnd);
        ASSERT_NE(m_pFrame, nullptr);
    }
    void TearDown() override {
        if (m_pApp != nullptr && m_pApp->m_pMainWnd != nullptr)
            m_pApp->m_pMainWnd->DestroyWindow();
        AfxPumpMessages();
        delete m_pApp;
    }
    CWinApp* m_pApp = nullptr;
    CBarFrame* m_pFrame = nullptr;
};

TEST_F(FrameBarsTest, OpeningAMenuAsksEveryItemForItsState) {
    CMenu* pPopup = m_pFrame->GetMenu()->GetSubMenu(0);
    m_pFrame->SendMessage(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(pPopup), 0);
    EXPECT_EQ(pPopup->GetMenuState(kOnCmd, MF_BYCOMMAND), 0u);
    EXPECT_EQ(pPopup->GetMenuState(kOffCmd, MF_BYCOMMAND), (UINT)MF_GRAYED);
    EXPECT_EQ(pPopup->GetMenuState(kHandledCmd, MF_BYCOMMAND), 0u);
    EXPECT_EQ(pPopup->GetMenuState(kOrphanCmd, MF_BYCOMMAND), (UINT)MF_GRAYED);
    EXPECT_EQ(pPopup->GetMenuState(kCheckedCmd, MF_BYCOMMAND), (UINT)MF_CHECKED);
    EXPECT_EQ(pPopup->GetMenuState(ID_VIEW_TOOLBAR, MF_BYCOMMAND), (UINT)MF_CHECKED);
}

TEST_F(FrameBarsTest, IdleUpdatesToolbarButtons) {
    m_pApp->OnIdle(0);
    EXPECT_TRUE(m_pFrame->m_toolBar.IsButtonEnabled(kOnCmd));
    EXPECT_FALSE(m_pFrame->m_toolBar.IsButtonEnabled(kOffCmd));
    EXPECT_TRUE(m_pFrame->m_toolBar.IsButtonEnabled(kHandledCmd));
    EXPECT_FALSE(m_pFrame->m_toolBar.IsButtonEnabled(kOrphanCmd));
}

TEST_F(FrameBarsTest, ToolbarTooltipsAndFlybyPrompts) {
    EXPECT_EQ(m_pFrame->m_toolBar.RequestToolTip(kHandledCmd), CString("frame tip"));
    EXPECT_EQ(m_pFrame->m_toolBar.GetButtonTip(kHandledCmd), CString("frame tip"));
    EXPECT_TRUE(m_pFrame->m_toolBar.RequestToolTip(kOnCmd).IsEmpty());
    m_pFrame->OnToolEnter(&m_pFrame->m_toolBar, (int)kOnCmd);
    EXPECT_EQ(m_pFrame->m_statusBar.GetPaneText(0), CString("Turns it on"));
    m_pFrame->OnToolEnter(&m_pFrame->m_toolBar, -1);
    EXPECT_TRUE(m_pFrame->m_statusBar.GetPaneText(0).IsEmpty());
}

TEST_F(FrameBarsTest, ViewCommandTogglesTheToolbar) {
    ASSERT_TRUE(m_pFrame->m_toolBar.IsWindowVisible());
    m_pFrame->SendMessage(WM_COMMAND, ID_VIEW_TOOLBAR, 0);
    EXPECT_FALSE(m_pFrame->m_toolBar.IsWindowVisible());
    CMenu* pPopup = m_pFrame->GetMenu()->GetSubMenu(0);
    m_pFrame->SendMessage(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(pPopup), 0);
    EXPECT_EQ(pPopup->GetMenuState(ID_VIEW_TOOLBAR, MF_BYCOMMAND), 0u);
    m_pFrame->SendMessage(WM_COMMAND, ID_VIEW_TOOLBAR, 0);
    EXPECT_TRUE(m_pFrame->m_toolBar.IsWindowVisible());
}

TEST_F(FrameBarsTest, FormViewIsMadeFromItsTemplate) {
    auto* pForm = dynamic_cast<CBarForm*>(m_pFrame->GetActiveView());
    ASSERT_NE(pForm, nullptr);
    CString text;
    pForm->GetDlgItemText(IDC_FORM_EDIT, text);
    EXPECT_EQ(text, CString("start"));
    dynamic_cast<CButton*>(pForm->GetDlgItem(IDC_FORM_BUTTON))->Click();
    EXPECT_EQ(g_clicks, 1);
    EXPECT_EQ(pForm->GetDocument(), m_pFrame->GetActiveDocument());
}

TEST_F(FrameBarsTest, WaitCursorRequestsBalance) {
    int before = AfxGetWaitCursorCount();
    {
        CWaitCursor outer;
        m_pFrame->BeginWaitCursor();
        EXPECT_EQ(AfxGetWaitCursorCount(), before + 2);
        m_pFrame->EndWaitCursor();
    }
    EXPECT_EQ(AfxGetWaitCursorCount(), before);
    AfxEndWaitCursor();  // one too many does not go negative
    EXPECT_EQ(AfxGetWaitCursorCount(), 0);
}

TEST_F(FrameBarsTest, PlainSplitterBarFollowsTheMouse) {
    CSplitterWnd splitter;
    ASSERT_TRUE(splitter.CreateStatic(m_pFrame, 1, 2, WS_CHILD | WS_VISIBLE, 5000));
    splitter.MoveWindow(0, 0, 400, 300);
    splitter.SetColumnInfo(0, 100, 10);
    splitter.RecalcLayout();
    int cx = 0, nMin = 0;
    splitter.GetColumnInfo(0, cx, nMin);
    ASSERT_EQ(cx, 100);
    splitter.SendMessage(WM_LBUTTONDOWN, 1, MAKELPARAM(102, 10));
    EXPECT_TRUE(splitter.IsTracking());
    splitter.SendMessage(WM_MOUSEMOVE, 1, MAKELPARAM(160, 10));
    splitter.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(160, 10));
    splitter.GetColumnInfo(0, cx, nMin);
    EXPECT_EQ(cx, 160);
    int cxRight = 0;
    splitter.GetColumnInfo(1, cxRight, nMin);
    EXPECT_EQ(cxRight, 400 - 160 - splitter.GetSplitterWidth());
    // A press beside the bar starts nothing.
    splitter.SendMessage(WM_LBUTTONDOWN, 1, MAKELPARAM(20, 10));
    EXPECT_FALSE(splitter.IsTracking());
    splitter.DestroyWindow();
}

}  // namespace

TEST_F(FrameBarsTest, AChildsPopupMenuKeepsItsItemsWhenItOpens) {
    // The frame cannot route this command; the child that shows the popup handles it itself.
    CView* pView = m_pFrame->GetActiveView();
    ASSERT_NE(pView, nullptr);
    wxMenu popup;
    popup.Append(AfxCommandToWxId(kOrphanCmd), "Mark");
    popup.SetInvokingWindow(pView->GetWxWindow());
    wxMenuEvent open(wxEVT_MENU_OPEN, 0, &popup);
    m_pFrame->GetWxWindow()->ProcessWindowEvent(open);
    EXPECT_TRUE(popup.IsEnabled(AfxCommandToWxId(kOrphanCmd)));
    popup.SetInvokingWindow(nullptr);

    // The same command in the frame's own popup is greyed, as the frame cannot carry it out.
    wxMenu own;
    own.Append(AfxCommandToWxId(kOrphanCmd), "Mark");
    own.SetInvokingWindow(m_pFrame->GetWxWindow());
    wxMenuEvent openOwn(wxEVT_MENU_OPEN, 0, &own);
    m_pFrame->GetWxWindow()->ProcessWindowEvent(openOwn);
    EXPECT_FALSE(own.IsEnabled(AfxCommandToWxId(kOrphanCmd)));
    own.SetInvokingWindow(nullptr);
}
