// A document frame: command routing through view, document, frame and application, command states
// at menu opening and at idle, menus, tooltips, prompts, bar toggles, the title, the movable splitter,
// form views made from templates, and the desktop's close requests during busy work.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include <wx/app.h>
#include <wx/dialog.h>
#include <wx/menu.h>
#include <wx/timer.h>
#include <wx/toolbar.h>
#include <wx/window.h>

#include <gtk/gtk.h>

#include "platform/afx/wnd/BusyPeriod.h"
#include "platform/afx/wnd/ControlBars.h"
#include "platform/afx/wnd/Controls.h"
#include "platform/afx/wnd/DocTemplate.h"
#include "platform/afx/wnd/Document.h"
#include "platform/afx/wnd/FrameWnd.h"
#include "platform/afx/wnd/Menu.h"
#include "platform/afx/wnd/MessageBoxUi.h"
#include "platform/afx/wnd/Resources.h"
#include "platform/afx/wnd/SplitterWnd.h"
#include "platform/afx/wnd/View.h"
#include "platform/afx/wnd/WaitCursor.h"
#include "platform/afx/wnd/WinApp.h"
#include "tests/platform_afxwnd/WxEnvironment.h"

namespace {

std::vector<std::string> g_log;

constexpr UINT kRes = 7100;
constexpr UINT kFormTemplate = 7101;
constexpr UINT kViewCmd = 40001;     // handled by the view, the document and the frame
constexpr UINT kDocCmd = 40002;      // handled by the document (with a state handler) and the frame
constexpr UINT kFrameCmd = 40003;    // the frame's handler, no state handler
constexpr UINT kAppCmd = 40004;      // application only
constexpr UINT kNobodyCmd = 40005;   // no handler at all
constexpr UINT kOffCmd = 40006;      // the frame's handler, disabled by its state handler
constexpr UINT kOnCmd = 40007;       // enabled by the frame's state handler
constexpr UINT kCheckedCmd = 40008;  // checked by the frame's state handler
constexpr UINT IDC_FORM_EDIT = 1201;
constexpr UINT IDC_FORM_BUTTON = 1202;

class CTestDoc : public CDocument {
    DECLARE_DYNCREATE(CTestDoc)
public:
    void OnViewCmd() { g_log.push_back("doc:view"); }
    void OnDocCmd() { g_log.push_back("doc:doc"); }
    void OnUpdateDocCmd(CCmdUI* pCmdUI) { pCmdUI->Enable(m_bDocEnabled); }
    BOOL m_bDocEnabled = TRUE;
    DECLARE_MESSAGE_MAP()
};
IMPLEMENT_DYNCREATE(CTestDoc, CDocument)
BEGIN_MESSAGE_MAP(CTestDoc, CDocument)
ON_COMMAND(kViewCmd, &CTestDoc::OnViewCmd)
ON_COMMAND(kDocCmd, &CTestDoc::OnDocCmd)
ON_UPDATE_COMMAND_UI(kDocCmd, &CTestDoc::OnUpdateDocCmd)
END_MESSAGE_MAP()

class CTestForm : public CFormView {
    DECLARE_DYNCREATE(CTestForm)
public:
    CTestForm() : CFormView(kFormTemplate) {}
    void OnViewCmd() { g_log.push_back("view:view"); }
    void OnButton() { g_log.push_back("view:button"); }
    DECLARE_MESSAGE_MAP()
};
IMPLEMENT_DYNCREATE(CTestForm, CFormView)
BEGIN_MESSAGE_MAP(CTestForm, CFormView)
ON_COMMAND(kViewCmd, &CTestForm::OnViewCmd)
ON_BN_CLICKED(IDC_FORM_BUTTON, &CTestForm::OnButton)
END_MESSAGE_MAP()

class CTestFrame : public CFrameWnd {
    DECLARE_DYNCREATE(CTestFrame)
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
    void OnViewCmd() { g_log.push_back("frame:view"); }
    void OnDocCmd() { g_log.push_back("frame:doc"); }
    void OnFrameCmd() { g_log.push_back("frame:frame"); }
    void OnOffCmd() { g_log.push_back("frame:off"); }
    void OnUpdateOn(CCmdUI* p) { p->Enable(TRUE); }
    void OnUpdateOff(CCmdUI* p) { p->Enable(FALSE); }
    void OnUpdateChecked(CCmdUI* p) { p->SetCheck(1); }
    BOOL OnTip(UINT, NMHDR* pNMHDR, LRESULT*) {
        auto* tt = reinterpret_cast<TOOLTIPTEXTA*>(pNMHDR);
        if (pNMHDR->idFrom != kFrameCmd)
            return FALSE;
        std::snprintf(tt->szText, sizeof tt->szText, "%s", m_tip.c_str());
        tt->lpszText = tt->szText;
        return TRUE;
    }
    void GetMessageString(UINT nID, CString& rMessage) const override {
        if (nID == kOnCmd)
            rMessage = "Turns it on";
    }
    CToolBar m_toolBar;
    CStatusBar m_statusBar;
    std::string m_tip = "frame tip";
    DECLARE_MESSAGE_MAP()
};
IMPLEMENT_DYNCREATE(CTestFrame, CFrameWnd)
BEGIN_MESSAGE_MAP(CTestFrame, CFrameWnd)
ON_WM_CREATE()
ON_COMMAND(kViewCmd, &CTestFrame::OnViewCmd)
ON_COMMAND(kDocCmd, &CTestFrame::OnDocCmd)
ON_COMMAND(kFrameCmd, &CTestFrame::OnFrameCmd)
ON_COMMAND(kOffCmd, &CTestFrame::OnOffCmd)
ON_COMMAND(kOnCmd, &CTestFrame::OnFrameCmd)
ON_COMMAND(kCheckedCmd, &CTestFrame::OnFrameCmd)
ON_UPDATE_COMMAND_UI(kOnCmd, &CTestFrame::OnUpdateOn)
ON_UPDATE_COMMAND_UI(kOffCmd, &CTestFrame::OnUpdateOff)
ON_UPDATE_COMMAND_UI(kCheckedCmd, &CTestFrame::OnUpdateChecked)
ON_NOTIFY_EX(TTN_NEEDTEXTA, 0, &CTestFrame::OnTip)
END_MESSAGE_MAP()

class CTestApp : public CWinApp {
public:
    CTestApp() : CWinApp("FrameTest") {}
    void OnAppCmd() { g_log.push_back("app:app"); }
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CTestApp, CWinApp)
ON_COMMAND(kAppCmd, &CTestApp::OnAppCmd)
END_MESSAGE_MAP()

// The text of the first label inside a widget.
std::string LabelTextIn(GtkWidget* pWidget) {
    if (GTK_IS_LABEL(pWidget))
        return gtk_label_get_text(GTK_LABEL(pWidget));
    std::string text;
    if (GTK_IS_CONTAINER(pWidget)) {
        GList* pChildren = gtk_container_get_children(GTK_CONTAINER(pWidget));
        for (GList* p = pChildren; p != nullptr && text.empty(); p = p->next)
            text = LabelTextIn(GTK_WIDGET(p->data));
        g_list_free(pChildren);
    }
    return text;
}

// The tooltip the toolkit would show for a toolbar button now, asked as the toolkit asks just
// before it shows one; empty when it would show none.
std::string ToolTipShownFor(CToolBar& bar, UINT nID) {
    auto* pBar = static_cast<wxToolBar*>(bar.GetWxWindow());
    auto* pToolbar = static_cast<GtkWidget*>(pBar->GetHandle());
    while (pToolbar != nullptr && !GTK_IS_TOOLBAR(pToolbar))
        pToolbar = GTK_IS_BIN(pToolbar) ? gtk_bin_get_child(GTK_BIN(pToolbar)) : nullptr;
    if (pToolbar == nullptr)
        return "(no toolbar)";
    GtkToolItem* pItem =
        gtk_toolbar_get_nth_item(GTK_TOOLBAR(pToolbar), pBar->GetToolPos(AfxCommandToWxId(nID)));
    GtkWidget* pButton = gtk_bin_get_child(GTK_BIN(pItem));
    // A tooltip makes its window when it is made.
    GList* pBefore = gtk_window_list_toplevels();
    GObject* pTooltip = G_OBJECT(g_object_new(GTK_TYPE_TOOLTIP, nullptr));
    GList* pAfter = gtk_window_list_toplevels();
    GtkWidget* pTipWindow = nullptr;
    for (GList* p = pAfter; p != nullptr; p = p->next)
        if (g_list_find(pBefore, p->data) == nullptr)
            pTipWindow = GTK_WIDGET(p->data);
    g_list_free(pBefore);
    g_list_free(pAfter);
    gboolean bShown = FALSE;
    if (gtk_widget_get_has_tooltip(pButton))
        g_signal_emit_by_name(pButton, "query-tooltip", 1, 1, FALSE, pTooltip, &bShown);
    const std::string text = bShown && pTipWindow != nullptr ? LabelTextIn(pTipWindow) : std::string();
    g_object_unref(pTooltip);
    return text;
}

class FrameTest : public ::testing::Test {
protected:
    void SetUp() override {
        QRV_REQUIRE_TOOLKIT();
        g_log.clear();
        AfxRegisterString(kRes, "Routing\n\nRoute\n\n.rte\nRouting.Document\nRouting Document");
        std::vector<MENUITEMDEF> commands = {{kFrameCmd, "Frame\a command\tCtrl+F", {}},
                                             {0, nullptr, {}},
                                             {kNobodyCmd, "Nobody", {}},
                                             {kDocCmd, "Doc", {}},
                                             {kAppCmd, "App", {}},
                                             {kOnCmd, "On", {}},
                                             {kOffCmd, "Off", {}},
                                             {kCheckedCmd, "Checked", {}, true},
                                             {ID_VIEW_TOOLBAR, "Toolbar", {}, true}};
        AfxRegisterMenu(MENUDEF{kRes, {MENUITEMDEF{0, "&File", commands}}});
        AfxRegisterToolBar(TOOLBARDEF{kRes, 16, 15, {kOnCmd, kOffCmd, 0, kFrameCmd, kNobodyCmd}, 0});
        std::vector<DLGITEMDEF> items = {{"EDIT", "start", IDC_FORM_EDIT, 5, 5, 100, 12, WS_BORDER},
                                         {"BUTTON", "Go", IDC_FORM_BUTTON, 110, 5, 40, 14, BS_PUSHBUTTON}};
        AfxRegisterDialogTemplate(
            {kFormTemplate, WS_CHILD, 0, 0, 0, 200, 100, nullptr, "MS Sans Serif", 8, items});
        m_pApp = new CTestApp;
        m_pApp->AddDocTemplate(new CSingleDocTemplate(kRes, RUNTIME_CLASS(CTestDoc),
                                                      RUNTIME_CLASS(CTestFrame), RUNTIME_CLASS(CTestForm)));
        m_pApp->OnFileNew();
        m_pFrame = dynamic_cast<CTestFrame*>(m_pApp->m_pMainWnd);
        ASSERT_NE(m_pFrame, nullptr);
        m_pDoc = dynamic_cast<CTestDoc*>(m_pFrame->GetActiveDocument());
        ASSERT_NE(m_pDoc, nullptr);
    }
    void TearDown() override {
        if (m_pApp != nullptr && m_pApp->m_pMainWnd != nullptr)
            m_pApp->m_pMainWnd->DestroyWindow();
        AfxPumpMessages();
        delete m_pApp;
    }
    void Send(UINT nID) { m_pFrame->SendMessage(WM_COMMAND, nID, 0); }
    CMenu* OpenMenu() {
        CMenu* pPopup = m_pFrame->GetMenu()->GetSubMenu(0);
        m_pFrame->SendMessage(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(pPopup), 0);
        return pPopup;
    }

    CTestApp* m_pApp = nullptr;
    CTestFrame* m_pFrame = nullptr;
    CTestDoc* m_pDoc = nullptr;
};

TEST_F(FrameTest, FirstEnabledHandlerOnTheRoadRunsAndTheDocumentOnlyBehindAnActiveView) {
    CView* pView = m_pFrame->GetActiveView();
    ASSERT_NE(pView, nullptr);
    for (UINT nID : {kViewCmd, kDocCmd, kFrameCmd, kAppCmd})
        Send(nID);
    EXPECT_EQ(g_log, (std::vector<std::string>{"view:view", "doc:doc", "frame:frame", "app:app"}));
    g_log.clear();
    m_pFrame->SetActiveView(nullptr);
    Send(kViewCmd);
    Send(kDocCmd);
    EXPECT_EQ(g_log, (std::vector<std::string>{"frame:view", "frame:doc"}));

    // Disabled menu commands do not run; a control's notification (lParam names the control) is
    // not a menu command.
    g_log.clear();
    m_pFrame->SetActiveView(pView);
    m_pDoc->m_bDocEnabled = FALSE;
    Send(kOffCmd);
    Send(kDocCmd);
    EXPECT_TRUE(g_log.empty());
    m_pFrame->SendMessage(WM_COMMAND, MAKEWPARAM(kOffCmd, BN_CLICKED), (LPARAM)m_pFrame->m_hWnd);
    EXPECT_EQ(g_log, (std::vector<std::string>{"frame:off"}));
}

TEST_F(FrameTest, StateComesFromFirstStateHandlerElseFromHandlerExistence) {
    m_pDoc->m_bDocEnabled = FALSE;
    CMenu* pPopup = OpenMenu();
    const struct {
        UINT nID;
        UINT nState;
    } states[] = {
        {kFrameCmd, 0}, {kAppCmd, 0},         {kNobodyCmd, MF_GRAYED},   {kDocCmd, MF_GRAYED},
        {kOnCmd, 0},    {kOffCmd, MF_GRAYED}, {kCheckedCmd, MF_CHECKED}, {ID_VIEW_TOOLBAR, MF_CHECKED}};
    for (const auto& s : states)
        EXPECT_EQ(pPopup->GetMenuState(s.nID, MF_BYCOMMAND), s.nState) << s.nID;
    // Toolbar buttons follow at idle.
    m_pApp->OnIdle(0);
    EXPECT_TRUE(m_pFrame->m_toolBar.IsButtonEnabled(kOnCmd));
    EXPECT_FALSE(m_pFrame->m_toolBar.IsButtonEnabled(kOffCmd));
    EXPECT_TRUE(m_pFrame->m_toolBar.IsButtonEnabled(kFrameCmd));
    EXPECT_FALSE(m_pFrame->m_toolBar.IsButtonEnabled(kNobodyCmd));
}

TEST_F(FrameTest, MenuAndTitleFromResourceMenuRelabelledAndControlCharactersDropped) {
    CMenu* pBar = m_pFrame->GetMenu();
    ASSERT_NE(pBar, nullptr);
    ASSERT_EQ(pBar->GetMenuItemCount(), 1u);
    CMenu* pFile = pBar->GetSubMenu(0);
    ASSERT_NE(pFile, nullptr);
    EXPECT_EQ(pFile->GetMenuItemID(0), kFrameCmd);
    EXPECT_EQ(pFile->GetMenuItemID(1), 0u);
    MENUITEMINFO info{};
    ASSERT_TRUE(pBar->GetMenuItemInfo(0, &info, TRUE));
    EXPECT_EQ(info.hSubMenu, pFile);
    CString text;
    pFile->GetMenuString(kFrameCmd, text, MF_BYCOMMAND);
    EXPECT_EQ(text, CString("Frame command\tCtrl+F"));

    EXPECT_TRUE(pBar->ModifyMenu(0, MF_BYPOSITION | MF_STRING, 0, "&Datei"));
    EXPECT_FALSE(pBar->ModifyMenu(4, MF_BYPOSITION | MF_STRING, 0, "beyond"));
    EXPECT_TRUE(pFile->ModifyMenu(kNobodyCmd, MF_BYCOMMAND | MF_STRING, kNobodyCmd, "\u00D6ffnen\a\r\n"));
    pBar->GetMenuString(0, text, MF_BYPOSITION);
    EXPECT_EQ(text, CString("&Datei"));
    pFile->GetMenuString(kNobodyCmd, text, MF_BYCOMMAND);
    EXPECT_EQ(text, CString("\u00D6ffnen"));  // multi-byte letters stay whole
    // Relabelling keeps the drop-down under the bar item.
    EXPECT_EQ(pBar->GetSubMenu(0), pFile);

    // The title shows the document before the application's title from the same resource.
    m_pDoc->SetTitle("Sample");
    m_pFrame->GetWindowText(text);
    EXPECT_EQ(text, CString("Sample - Routing"));
}

TEST_F(FrameTest, ToolbarTooltipsFlybyPromptsAndToggle) {
    EXPECT_EQ(m_pFrame->m_toolBar.RequestToolTip(kFrameCmd), CString("frame tip"));
    EXPECT_EQ(m_pFrame->m_toolBar.GetButtonTip(kFrameCmd), CString("frame tip"));
    EXPECT_TRUE(m_pFrame->m_toolBar.RequestToolTip(kOnCmd).IsEmpty());
    m_pFrame->OnToolEnter(&m_pFrame->m_toolBar, (int)kOnCmd);
    EXPECT_EQ(m_pFrame->m_statusBar.GetPaneText(0), CString("Turns it on"));
    m_pFrame->OnToolEnter(&m_pFrame->m_toolBar, -1);
    EXPECT_TRUE(m_pFrame->m_statusBar.GetPaneText(0).IsEmpty());

    // The toolkit shows the text the frame gives when the tooltip shows, not the one the button
    // got when the pointer came to it (a language change in between), and none where none is given.
    m_pFrame->OnToolEnter(&m_pFrame->m_toolBar, (int)kFrameCmd);
    m_pFrame->m_tip = "Rahmen";
    EXPECT_EQ(ToolTipShownFor(m_pFrame->m_toolBar, kFrameCmd), "Rahmen");
    EXPECT_EQ(ToolTipShownFor(m_pFrame->m_toolBar, kOnCmd), "");

    // The view command toggles the toolbar and its menu check.
    ASSERT_TRUE(m_pFrame->m_toolBar.IsWindowVisible());
    Send(ID_VIEW_TOOLBAR);
    EXPECT_FALSE(m_pFrame->m_toolBar.IsWindowVisible());
    EXPECT_EQ(OpenMenu()->GetMenuState(ID_VIEW_TOOLBAR, MF_BYCOMMAND), 0u);
    Send(ID_VIEW_TOOLBAR);
    EXPECT_TRUE(m_pFrame->m_toolBar.IsWindowVisible());
}

TEST_F(FrameTest, FormViewIsMadeFromItsTemplate) {
    auto* pForm = dynamic_cast<CTestForm*>(m_pFrame->GetActiveView());
    ASSERT_NE(pForm, nullptr);
    CString text;
    pForm->GetDlgItemText(IDC_FORM_EDIT, text);
    EXPECT_EQ(text, CString("start"));
    dynamic_cast<CButton*>(pForm->GetDlgItem(IDC_FORM_BUTTON))->Click();
    EXPECT_EQ(g_log, (std::vector<std::string>{"view:button"}));
    EXPECT_EQ(pForm->GetDocument(), m_pDoc);
}

TEST_F(FrameTest, WaitCursorRequestsBalance) {
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

TEST_F(FrameTest, PlainSplitterBarFollowsTheMouse) {
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

TEST_F(FrameTest, AChildsPopupMenuKeepsItsItemsWhenItOpens) {
    // The frame cannot route this command; the child that shows the popup handles it itself, while
    // in the frame's own popup it is greyed, as the frame cannot carry it out.
    const int nWxId = AfxCommandToWxId(kNobodyCmd);
    for (bool bChild : {true, false}) {
        wxMenu popup;
        popup.Append(nWxId, "Mark");
        popup.SetInvokingWindow(bChild ? m_pFrame->GetActiveView()->GetWxWindow() : m_pFrame->GetWxWindow());
        wxMenuEvent open(wxEVT_MENU_OPEN, 0, &popup);
        m_pFrame->GetWxWindow()->ProcessWindowEvent(open);
        EXPECT_EQ(popup.IsEnabled(nWxId), bChild);
        popup.SetInvokingWindow(nullptr);
    }
}

// The desktop's request to close a top-level window, as its close button or Alt+F4 sends it: it
// waits in the toolkit's queue for the next turn.
void AskDesktopToClose(wxWindow* pTopLevel) {
    auto* pWidget = static_cast<GtkWidget*>(pTopLevel->GetHandle());
    GdkWindow* pWindow = pWidget != nullptr ? gtk_widget_get_window(pWidget) : nullptr;
    ASSERT_NE(pWindow, nullptr);
    GdkEvent* pEvent = gdk_event_new(GDK_DELETE);
    pEvent->any.window = GDK_WINDOW(g_object_ref(pWindow));
    pEvent->any.send_event = TRUE;
    gdk_display_put_event(gdk_window_get_display(pWindow), pEvent);
    gdk_event_free(pEvent);
}

TEST_F(FrameTest, ADesktopCloseDuringBusyWorkWaitsForItsEndAndTakesTheSavePrompt) {
    m_pFrame->ShowWindow(SW_SHOW);
    AfxPaintNow();
    m_pDoc->SetModifiedFlag(TRUE);
    const HWND hFrame = m_pFrame->GetSafeHwnd();
    int nAnswer = IDCANCEL, nPrompts = 0;
    AfxSetMessageBoxHook([&](const AfxShownMessageBox&) {
        ++nPrompts;
        return nAnswer;
    });
    struct HookReset {
        ~HookReset() { AfxSetMessageBoxHook(nullptr); }
    } hookReset;
    // Asked twice during the work (the user tries again): one close when it is over, and the user
    // can still keep the window by cancelling the save prompt.
    {
        CBusyPeriod outer;
        {
            CBusyPeriod inner;
            AskDesktopToClose(m_pFrame->GetWxWindow());
            inner.PaintNow(false);
        }
        AskDesktopToClose(m_pFrame->GetWxWindow());
        outer.PaintNow(false);
        AfxPumpMessages();
        EXPECT_EQ(nPrompts, 0);
    }
    AfxPumpMessages();
    EXPECT_EQ(nPrompts, 1);
    ASSERT_TRUE(AfxIsWindow(hFrame));

    // A drawing turn outside busy work refuses the close for that turn only.
    AskDesktopToClose(m_pFrame->GetWxWindow());
    AfxPaintNow();
    EXPECT_EQ(nPrompts, 1);
    AfxPumpMessages();
    EXPECT_EQ(nPrompts, 2);
    ASSERT_TRUE(AfxIsWindow(hFrame));

    // Asked of the work's progress window, which the work then takes away: the close was meant for
    // the window the work ran in.
    nAnswer = IDNO;
    {
        CBusyPeriod busy;
        auto* pProgress = new wxDialog(m_pFrame->GetWxWindow(), wxID_ANY, "Progress");
        pProgress->Show();
        busy.PaintFrameNow(m_pFrame);
        AskDesktopToClose(pProgress);
        busy.PaintNow(false);
        pProgress->Destroy();
    }
    AfxPumpMessages();
    EXPECT_EQ(nPrompts, 3);
    EXPECT_FALSE(AfxIsWindow(hFrame));
}

TEST_F(FrameTest, ADesktopCloseThatComesDueUnderAModalDialogWaitsForTheDialogsEnd) {
    m_pFrame->ShowWindow(SW_SHOW);
    AfxPaintNow();
    m_pDoc->SetModifiedFlag(TRUE);
    const HWND hFrame = m_pFrame->GetSafeHwnd();
    // A save prompt under the dialog is counted and cancelled, so the window stays either way.
    bool bDialogRuns = false, bLiveAtDialogEnd = false;
    int nPromptsUnderDialog = 0, nPromptsAfter = 0;
    AfxSetMessageBoxHook([&](const AfxShownMessageBox&) {
        ++(bDialogRuns ? nPromptsUnderDialog : nPromptsAfter);
        return bDialogRuns ? IDCANCEL : IDNO;
    });
    struct HookReset {
        ~HookReset() { AfxSetMessageBoxHook(nullptr); }
    } hookReset;

    // The close is asked during the work, which ends inside the loop of a dialog it opened (a
    // report at the end of a search); the dialog stays open for several retries of the close.
    std::optional<CBusyPeriod> busy;
    wxTimer dialogEnd, guard;
    wxDialog* pDialog = nullptr;
    wxTheApp->CallAfter([&] {
        busy.emplace();
        AskDesktopToClose(m_pFrame->GetWxWindow());
        busy->PaintNow(false);
        wxDialog dialog(m_pFrame->GetWxWindow(), wxID_ANY, "Report");
        pDialog = &dialog;
        dialog.CallAfter([&] {
            busy.reset();
            dialogEnd.StartOnce(500);
        });
        dialogEnd.Bind(wxEVT_TIMER, [&dialog](wxTimerEvent&) { dialog.EndModal(wxID_OK); });
        bDialogRuns = true;
        dialog.ShowModal();
        bDialogRuns = false;
        pDialog = nullptr;
        bLiveAtDialogEnd = AfxIsWindow(hFrame);
    });
    // The frame's end leaves the program's loop; a close that never comes must not hang the test.
    guard.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
        if (pDialog != nullptr)
            pDialog->EndModal(wxID_CANCEL);
        wxTheApp->ExitMainLoop();
    });
    guard.StartOnce(5000);
    m_pApp->Run();
    guard.Stop();

    EXPECT_EQ(nPromptsUnderDialog, 0);
    EXPECT_TRUE(bLiveAtDialogEnd);
    EXPECT_EQ(nPromptsAfter, 1);
    EXPECT_FALSE(AfxIsWindow(hFrame));
}

}  // namespace
