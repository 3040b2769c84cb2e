// Sending, posting, vanished windows and windows that delete themselves in their own handler.
#include <gtest/gtest.h>

#include <vector>

#include <wx/frame.h>

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
        QRV_REQUIRE_DISPLAY();
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

}  // namespace
