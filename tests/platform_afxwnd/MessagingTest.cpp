// Message maps (inheritance, ranges, handler queries, toolkit ids, templates' strings, the command
// line); sending, posting, vanished windows and windows that delete themselves in their own handler.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include <wx/frame.h>

#include "platform/afx/wnd/DocTemplate.h"
#include "platform/afx/wnd/Menu.h"
#include "platform/afx/wnd/Resources.h"
#include "platform/afx/wnd/WinApp.h"
#include "platform/afx/wnd/Wnd.h"
#include "tests/platform_afxwnd/WxEnvironment.h"

namespace {

constexpr UINT WM_TEST = WM_USER + 1;
constexpr UINT WM_SUICIDE = WM_USER + 2;
constexpr UINT kDestroySelfCmd = 41001;

std::vector<int> g_seen;
int g_deleted = 0;

class CProbeWnd : public CWnd {
public:
    explicit CProbeWnd(int tag) : m_tag(tag) {}
    ~CProbeWnd() override { ++g_deleted; }
    LRESULT OnTest(WPARAM wParam, LPARAM) {
        g_seen.push_back(m_tag * 100 + (int)wParam);
        // A handler that posts again: the new message waits for the next turn.
        if (wParam == 1)
            PostMessage(WM_TEST, 2, 0);
        return m_tag;
    }
    LRESULT OnSuicide(WPARAM, LPARAM) {
        DestroyWindow();  // deletes this object through PostNcDestroy
        return 7;
    }
    void OnDestroySelf() {
        g_seen.push_back(-m_tag);
        DestroyWindow();
    }
    void PostNcDestroy() override { delete this; }
    int m_tag;
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CProbeWnd, CWnd)
ON_MESSAGE(WM_TEST, &CProbeWnd::OnTest)
ON_MESSAGE(WM_SUICIDE, &CProbeWnd::OnSuicide)
ON_COMMAND(kDestroySelfCmd, &CProbeWnd::OnDestroySelf)
END_MESSAGE_MAP()

class MessagingTest : public ::testing::Test {
protected:
    void SetUp() override {
        QRV_REQUIRE_TOOLKIT();
        g_seen.clear();
        g_deleted = 0;
        m_pTop = new wxFrame(nullptr, wxID_ANY, "host");
        ASSERT_TRUE(m_host.AttachWx(m_pTop));
    }
    void TearDown() override {
        if (m_host.m_hWnd != nullptr)
            m_host.DestroyWindow();
        AfxPumpMessages();
    }
    CProbeWnd* MakeChild(int tag) {
        auto* p = new CProbeWnd(tag);
        EXPECT_TRUE(
            p->Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE, CRect(0, 0, 10, 10), &m_host, 100 + tag));
        return p;
    }
    CWnd m_host;
    wxFrame* m_pTop = nullptr;
};

TEST_F(MessagingTest, SendRunsAtOncePostWaitsForTheLoopAndPostsFromHandlersWaitATurn) {
    CProbeWnd* a = MakeChild(1);
    CProbeWnd* b = MakeChild(2);
    EXPECT_EQ(a->SendMessage(WM_TEST, 0, 0), 1);
    EXPECT_EQ(g_seen, (std::vector<int>{100}));
    EXPECT_TRUE(a->PostMessage(WM_TEST, 5, 0));
    EXPECT_EQ(g_seen.size(), 1u);
    EXPECT_EQ(AfxGetPostedMessageCount(), 1u);
    AfxPumpMessages();
    EXPECT_EQ(g_seen, (std::vector<int>{100, 105}));
    // The message a handler posts runs after the others of its turn.
    g_seen.clear();
    a->PostMessage(WM_TEST, 1, 0);
    b->PostMessage(WM_TEST, 3, 0);
    AfxPumpMessages();
    EXPECT_EQ(g_seen, (std::vector<int>{101, 203, 102}));
}

TEST_F(MessagingTest, VanishedWindowGetsNothingAndItsHandleIsNeverReused) {
    CProbeWnd* p = MakeChild(1);
    HWND h = p->m_hWnd;
    p->PostMessage(WM_TEST, 9, 0);
    p->DestroyWindow();  // deletes p
    EXPECT_EQ(g_deleted, 1);
    EXPECT_FALSE(AfxIsWindow(h));
    AfxPumpMessages();
    EXPECT_TRUE(g_seen.empty());
    EXPECT_FALSE(AfxPostMessage(h, WM_TEST, 1, 0));
    EXPECT_EQ(AfxSendMessage(h, WM_TEST, 1, 0), 0);
    CProbeWnd* q = MakeChild(2);
    EXPECT_NE(q->m_hWnd, h);
    EXPECT_EQ(CWnd::FromHandle(h), nullptr);
}

TEST_F(MessagingTest, WindowMayDeleteItselfInsideItsOwnHandler) {
    CProbeWnd* p = MakeChild(1);
    HWND h = p->m_hWnd;
    EXPECT_EQ(p->SendMessage(WM_SUICIDE), 7);
    EXPECT_EQ(g_deleted, 1);
    EXPECT_FALSE(AfxIsWindow(h));
    // The same through command routing, and with a message still queued for it.
    CProbeWnd* q = MakeChild(3);
    HWND hq = q->m_hWnd;
    q->PostMessage(WM_TEST, 4, 0);
    AfxSendMessage(hq, WM_COMMAND, kDestroySelfCmd, 0);
    EXPECT_EQ(g_deleted, 2);
    AfxPumpMessages();
    EXPECT_EQ(g_seen, (std::vector<int>{-3}));
    // The toolkit destroying the window finishes our side too.
    CProbeWnd* r = MakeChild(4);
    HWND hr = r->m_hWnd;
    delete r->GetWxWindow();
    EXPECT_FALSE(AfxIsWindow(hr));
    EXPECT_EQ(g_deleted, 3);
}

TEST_F(MessagingTest, DestroyingParentTakesChildrenDownFirstAndDropsTheirMessages) {
    CProbeWnd* a = MakeChild(1);
    CProbeWnd* b = MakeChild(2);
    a->PostMessage(WM_TEST, 1, 0);
    b->PostMessage(WM_TEST, 1, 0);
    m_host.DestroyWindow();
    EXPECT_EQ(g_deleted, 2);
    EXPECT_EQ(m_host.m_hWnd, nullptr);
    AfxPumpMessages();
    EXPECT_TRUE(g_seen.empty());
}

std::vector<int> g_calls;

class CBaseTarget : public CCmdTarget {
public:
    void OnShared() { g_calls.push_back(1); }
    void OnBaseOnly() { g_calls.push_back(2); }
    void OnRange(UINT nID) { g_calls.push_back((int)nID); }
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CBaseTarget, CCmdTarget)
ON_COMMAND(100, &CBaseTarget::OnShared)
ON_COMMAND(101, &CBaseTarget::OnBaseOnly)
ON_COMMAND_RANGE(200, 209, &CBaseTarget::OnRange)
END_MESSAGE_MAP()

class CDerivedTarget : public CBaseTarget {
public:
    void OnSharedDerived() { g_calls.push_back(10); }
    void OnNotifyIt(NMHDR* pNMHDR, LRESULT* pResult) {
        g_calls.push_back((int)pNMHDR->idFrom);
        *pResult = 5;
    }
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CDerivedTarget, CBaseTarget)
ON_COMMAND(100, &CDerivedTarget::OnSharedDerived)
ON_NOTIFY(NM_DBLCLK, 300, &CDerivedTarget::OnNotifyIt)
END_MESSAGE_MAP()

TEST(MessageMapTest, DerivedEntryWinsBaseEntriesStillServeNotificationsMatchCodeAndControl) {
    g_calls.clear();
    CDerivedTarget target;
    EXPECT_TRUE(target.OnCmdMsg(100, CN_COMMAND, nullptr, nullptr));
    EXPECT_TRUE(target.OnCmdMsg(101, CN_COMMAND, nullptr, nullptr));
    EXPECT_TRUE(target.OnCmdMsg(205, CN_COMMAND, nullptr, nullptr));
    EXPECT_FALSE(target.OnCmdMsg(210, CN_COMMAND, nullptr, nullptr));
    EXPECT_FALSE(target.OnCmdMsg(100, BN_DOUBLECLICKED, nullptr, nullptr));
    EXPECT_EQ(g_calls, (std::vector<int>{10, 2, 205}));

    g_calls.clear();
    NMHDR hdr{nullptr, 300, NM_DBLCLK};
    LRESULT result = 0;
    AFX_NOTIFY notify{&result, &hdr};
    EXPECT_TRUE(target.OnCmdMsg(300, MAKELONG(NM_DBLCLK, WM_NOTIFY), &notify, nullptr));
    EXPECT_EQ(result, 5);
    EXPECT_FALSE(target.OnCmdMsg(301, MAKELONG(NM_DBLCLK, WM_NOTIFY), &notify, nullptr));
    EXPECT_FALSE(target.OnCmdMsg(300, MAKELONG(NM_CLICK, WM_NOTIFY), &notify, nullptr));
    EXPECT_EQ(g_calls, (std::vector<int>{300}));
}

TEST(MessageMapTest, HandlerQueryRunsNothing) {
    g_calls.clear();
    CDerivedTarget target;
    AFX_CMDHANDLERINFO info{nullptr};
    EXPECT_TRUE(target.OnCmdMsg(101, CN_COMMAND, nullptr, &info));
    EXPECT_EQ(info.pTarget, &target);
    EXPECT_TRUE(g_calls.empty());
    CCmdUI state;
    state.m_nID = 209;
    state.DoUpdate(&target, TRUE);
    EXPECT_TRUE(state.m_bEnabled);
    state.m_nID = 299;
    state.DoUpdate(&target, TRUE);
    EXPECT_FALSE(state.m_bEnabled);
    state.DoUpdate(&target, FALSE);
    EXPECT_FALSE(state.m_bEnabled);  // untouched without a handler when not asked to disable
}

TEST(MessageMapTest, WindowMessagesWithoutAWindowGoNowhere) {
    g_seen.clear();
    CProbeWnd wnd(3);
    // Called directly the handler answers; through a handle that does not exist nothing runs.
    EXPECT_EQ(wnd.WindowProc(WM_TEST, 2, 0), 3);
    EXPECT_EQ(AfxSendMessage(nullptr, WM_TEST, 2, 0), 0);
    EXPECT_FALSE(AfxPostMessage(nullptr, WM_TEST, 2, 0));
    EXPECT_EQ(AfxGetPostedMessageCount(), 0u);
    EXPECT_EQ(g_seen, (std::vector<int>{302}));
}

TEST(MessageMapTest, HighCommandIdsGetStableToolkitIds) {
    EXPECT_EQ(AfxCommandToWxId(1007), 1007);
    int a = AfxCommandToWxId(57600);
    int b = AfxCommandToWxId(32771);
    EXPECT_LT(a, 0x7FFF);
    EXPECT_NE(a, b);
    EXPECT_EQ(AfxCommandToWxId(57600), a);
    EXPECT_EQ(AfxWxIdToCommand(a), 57600u);
    EXPECT_EQ(AfxWxIdToCommand(b), 32771u);
    EXPECT_EQ(AfxWxIdToCommand(1007), 1007u);
}

TEST(MessageMapTest, DocumentStringPartsAndCommandLine) {
    AfxRegisterString(
        7500, "Quorvel\n\nKonfiguration\nDateityp Quorvel (*.qrv)\n.qrv\nQuorvel.Document\nQRV Document");
    CSingleDocTemplate tmpl(7500, nullptr, nullptr, nullptr);
    CString s;
    const std::pair<CDocTemplate::DocStringIndex, const char*> parts[] = {
        {CDocTemplate::windowTitle, "Quorvel"},
        {CDocTemplate::docName, ""},
        {CDocTemplate::filterExt, ".qrv"},
        {CDocTemplate::regFileTypeName, "QRV Document"}};
    for (const auto& [index, expected] : parts) {
        EXPECT_TRUE(tmpl.GetDocString(s, index));
        EXPECT_EQ(s, CString(expected)) << index;
    }
    CSingleDocTemplate missing(7501, nullptr, nullptr, nullptr);
    EXPECT_FALSE(missing.GetDocString(s, CDocTemplate::filterExt));
    EXPECT_EQ(tmpl.CreateNewDocument(), nullptr);

    CCommandLineInfo info;
    info.ParseParam("nologo", TRUE, FALSE);
    EXPECT_EQ(info.m_nShellCommand, CCommandLineInfo::FileNew);
    info.ParseParam("/tmp/a.qrv", FALSE, FALSE);
    info.ParseParam("/tmp/b.qrv", FALSE, TRUE);
    EXPECT_EQ(info.m_nShellCommand, CCommandLineInfo::FileOpen);
    EXPECT_EQ(info.m_strFileName, CString("/tmp/a.qrv"));
}

}  // namespace
