// Message maps without windows: inheritance, ranges, handler queries, toolkit ids, templates'
// strings and the command line.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "platform/afx/wnd/DocTemplate.h"
#include "platform/afx/wnd/Menu.h"
#include "platform/afx/wnd/Resources.h"
#include "platform/afx/wnd/WinApp.h"
#include "platform/afx/wnd/Wnd.h"

namespace {

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

class CMessageWnd : public CWnd {
public:
    LRESULT OnCustom(WPARAM wParam, LPARAM lParam) { return (LRESULT)(wParam + (WPARAM)lParam); }
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CMessageWnd, CWnd)
ON_MESSAGE(WM_APP + 5, &CMessageWnd::OnCustom)
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
    CMessageWnd wnd;
    // Called directly the handler answers; through a handle that does not exist nothing runs.
    EXPECT_EQ(wnd.WindowProc(WM_APP + 5, 2, 3), 5);
    EXPECT_EQ(AfxSendMessage(nullptr, WM_APP + 5, 2, 3), 0);
    EXPECT_FALSE(AfxPostMessage(nullptr, WM_APP + 5, 2, 3));
    EXPECT_EQ(AfxGetPostedMessageCount(), 0u);
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
