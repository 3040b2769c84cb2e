// Command routing through view, document, frame and application, and command states.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/afx/wnd/DocTemplate.h"
#include "platform/afx/wnd/Document.h"
#include "platform/afx/wnd/FrameWnd.h"
#include "platform/afx/wnd/Menu.h"
#include "platform/afx/wnd/Resources.h"
#include "platform/afx/wnd/View.h"
#include "platform/afx/wnd/WinApp.h"
#include "tests/platform_afxwnd/WxEnvironment.h"

namespace {

std::vector<std::string> g_log;

constexpr UINT kViewCmd = 40001;    // handled by the view, the document and the frame
constexpr UINT kDocCmd = 40002;     // handled by the document and the frame
constexpr UINT kFrameCmd = 40003;   // frame only
constexpr UINT kAppCmd = 40004;     // application only
constexpr UINT kNobodyCmd = 40005;  // no handler at all
constexpr UINT kDisabledCmd = 40006;
constexpr UINT kResource = 7100;

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

class CTestView : public CView {
    DECLARE_DYNCREATE(CTestView)
public:
    void OnViewCmd() { g_log.push_back("view:view"); }
    DECLARE_MESSAGE_MAP()
};
IMPLEMENT_DYNCREATE(CTestView, CView)
BEGIN_MESSAGE_MAP(CTestView, CView)
ON_COMMAND(kViewCmd, &CTestView::OnViewCmd)
END_MESSAGE_MAP()

class CTestFrame : public CFrameWnd {
    DECLARE_DYNCREATE(CTestFrame)
public:
    void OnViewCmd() { g_log.push_back("frame:view"); }
    void OnDocCmd() { g_log.push_back("frame:doc"); }
    void OnFrameCmd() { g_log.push_back("frame:frame"); }
    void OnDisabledCmd() { g_log.push_back("frame:disabled"); }
    void OnUpdateDisabled(CCmdUI* pCmdUI) { pCmdUI->Enable(FALSE); }
    DECLARE_MESSAGE_MAP()
};
IMPLEMENT_DYNCREATE(CTestFrame, CFrameWnd)
BEGIN_MESSAGE_MAP(CTestFrame, CFrameWnd)
ON_COMMAND(kViewCmd, &CTestFrame::OnViewCmd)
ON_COMMAND(kDocCmd, &CTestFrame::OnDocCmd)
ON_COMMAND(kFrameCmd, &CTestFrame::OnFrameCmd)
ON_COMMAND(kDisabledCmd, &CTestFrame::OnDisabledCmd)
ON_UPDATE_COMMAND_UI(kDisabledCmd, &CTestFrame::OnUpdateDisabled)
END_MESSAGE_MAP()

class CTestApp : public CWinApp {
public:
    CTestApp() : CWinApp("RoutingTest") {}
    void OnAppCmd() { g_log.push_back("app:app"); }
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CTestApp, CWinApp)
ON_COMMAND(kAppCmd, &CTestApp::OnAppCmd)
END_MESSAGE_MAP()

class RoutingTest : public ::testing::Test {
protected:
    void SetUp() override {
        QRV_REQUIRE_DISPLAY();
        g_log.clear();
        AfxRegisterString(kResource, "Routing\n\nRoute\n\n.rte\nRouting.Document\nRouting Document");
        AfxRegisterMenu(
            MENUDEF{kResource,
                    {MENUITEMDEF{0,
                                 "&File",
                                 {MENUITEMDEF{kFrameCmd, "Frame\a command\tCtrl+F", {}},
                                  MENUITEMDEF{0, nullptr, {}}, MENUITEMDEF{kNobodyCmd, "Nobody", {}}}}}});
        m_pApp = new CTestApp;
        m_pApp->AddDocTemplate(new CSingleDocTemplate(kResource, RUNTIME_CLASS(CTestDoc),
                                                      RUNTIME_CLASS(CTestFrame), RUNTIME_CLASS(CTestView)));
        m_pApp->OnFileNew();
        m_pFrame = dynamic_cast<CFrameWnd*>(m_pApp->m_pMainWnd);
        ASSERT_NE(m_pFrame, nullptr);
    }
    void TearDown() override {
        if (m_pApp != nullptr && m_pApp->m_pMainWnd != nullptr)
            m_pApp->m_pMainWnd->DestroyWindow();
        AfxPumpMessages();
        delete m_pApp;
    }
    BOOL Send(UINT nID) { return (BOOL)m_pFrame->SendMessage(WM_COMMAND, nID, 0); }
    BOOL IsEnabled(UINT nID) {
        CCmdUI state;
        state.m_nID = nID;
        state.DoUpdate(m_pFrame, TRUE);
        return state.m_bEnabled;
    }

    CTestApp* m_pApp = nullptr;
    CFrameWnd* m_pFrame = nullptr;
};

TEST_F(RoutingTest, FirstHandlerOnTheRoadRuns) {
    ASSERT_NE(m_pFrame->GetActiveView(), nullptr);
    Send(kViewCmd);
    Send(kDocCmd);
    Send(kFrameCmd);
    Send(kAppCmd);
    EXPECT_EQ(g_log, (std::vector<std::string>{"view:view", "doc:doc", "frame:frame", "app:app"}));
}

TEST_F(RoutingTest, DocumentIsOnlyReachedBehindAnActiveView) {
    m_pFrame->SetActiveView(nullptr);
    Send(kViewCmd);
    Send(kDocCmd);
    EXPECT_EQ(g_log, (std::vector<std::string>{"frame:view", "frame:doc"}));
}

TEST_F(RoutingTest, StateComesFromFirstStateHandlerElseFromHandlerExistence) {
    auto* pDoc = dynamic_cast<CTestDoc*>(m_pFrame->GetActiveDocument());
    ASSERT_NE(pDoc, nullptr);
    EXPECT_TRUE(IsEnabled(kFrameCmd));
    EXPECT_TRUE(IsEnabled(kAppCmd));
    EXPECT_FALSE(IsEnabled(kNobodyCmd));
    pDoc->m_bDocEnabled = FALSE;
    EXPECT_FALSE(IsEnabled(kDocCmd));
}

TEST_F(RoutingTest, DisabledMenuCommandDoesNotRun) {
    Send(kDisabledCmd);
    auto* pDoc = dynamic_cast<CTestDoc*>(m_pFrame->GetActiveDocument());
    pDoc->m_bDocEnabled = FALSE;
    Send(kDocCmd);
    EXPECT_TRUE(g_log.empty());
    // A control's notification (lParam names the control) is not a menu command.
    m_pFrame->SendMessage(WM_COMMAND, MAKEWPARAM(kDisabledCmd, BN_CLICKED), (LPARAM)m_pFrame->m_hWnd);
    EXPECT_EQ(g_log, (std::vector<std::string>{"frame:disabled"}));
}

TEST_F(RoutingTest, MenuFromResourceIsRelabelledAndControlCharactersDropped) {
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
    EXPECT_TRUE(pFile->ModifyMenu(kNobodyCmd, MF_BYCOMMAND | MF_STRING, kNobodyCmd, "Niemand\x07"));
    pBar->GetMenuString(0, text, MF_BYPOSITION);
    EXPECT_EQ(text, CString("&Datei"));
    pFile->GetMenuString(kNobodyCmd, text, MF_BYCOMMAND);
    EXPECT_EQ(text, CString("Niemand"));
    // Relabelling keeps the drop-down under the bar item.
    EXPECT_EQ(pBar->GetSubMenu(0), pFile);
}

TEST_F(RoutingTest, TitleShowsDocumentBeforeApplicationTitle) {
    CDocument* pDoc = m_pFrame->GetActiveDocument();
    pDoc->SetTitle("Sample");
    CString title;
    m_pFrame->GetWindowText(title);
    EXPECT_EQ(title, CString("Sample - Routing"));
}

}  // namespace
