// The About box: texts in the current language, the look of the owner line and the link, where
// the link leads, and the bottom picture on the dialog's edge.
#include <sys/stat.h>

#include <wx/statbmp.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "language/LanguageSettings.h"
#include "platform/afx/wnd/MessageBoxUi.h"
#include "resources/QuorvelResources.h"
#include "tests/ui_forms/FormsFixture.h"
#include "ui/AboutDlg.h"
#include "ui/ShellExecute.h"

namespace {

using qrvtest::FormsFixture;

class AboutBoxTest : public FormsFixture {
protected:
    void SetUp() override {
        FormsFixture::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        RegisterQuorvelResources();
        SetShellExecuteHook([this](LPCSTR lpszVerb, LPCSTR lpszFile, int nShow) -> INT_PTR {
            m_opened.push_back(std::string(lpszVerb) + " " + lpszFile + " " + std::to_string(nShow));
            return 42;
        });
    }
    void TearDown() override {
        SetShellExecuteHook(nullptr);
        FormsFixture::TearDown();
    }
    std::vector<std::string> m_opened;
};

TEST_F(AboutBoxTest, ShowsTheLanguageTextsInTheirLookAndALinkClickOpensTheAddress) {
    CAboutDlg dlg(m_pHost);
    int nRuns = 0;
    AfxSetModalHook([&](CWnd* pWnd) {
        ++nRuns;
        auto* pDlg = dynamic_cast<CAboutDlg*>(pWnd);
        EXPECT_NE(nullptr, pDlg);
        if (pDlg == nullptr)
            return IDCANCEL;
        EXPECT_EQ("About Quorvel", ControlText(pDlg));
        CColorStatic& owner = pDlg->GetOwnerCtrl();
        EXPECT_EQ(CString("Copyright (C) Ostrany. All rights reserved."), owner.GetText());
        EXPECT_EQ(12, owner.GetHeight());
        EXPECT_EQ(700, owner.GetWeight());
        EXPECT_FALSE(owner.IsUnderlined());
        EXPECT_EQ(RGB(0, 128, 255), owner.GetColor());
        CHyperlinkStatic& link = pDlg->GetLinkCtrl();
        EXPECT_EQ(24, link.GetHeight());
        EXPECT_EQ(700, link.GetWeight());
        EXPECT_TRUE(link.IsUnderlined());
        // The controls paint their own text, never the template's.
        EXPECT_EQ("", ControlText(&link));
        // The bottom picture meets the bottom of the client area.
        CRect rcClient, rcPicture;
        pDlg->GetClientRect(&rcClient);
        pDlg->GetDlgItem(1080)->GetWindowRect(&rcPicture);
        pDlg->ScreenToClient(&rcPicture);
        EXPECT_EQ(rcClient.bottom, rcPicture.bottom);
        link.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
        link.SetText("www.ostrany.example");
        link.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
        link.SetText("http://ostrany.example/a b");
        link.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
        return IDOK;
    });
    EXPECT_EQ(IDOK, dlg.DoModal());
    EXPECT_EQ(1, nRuns);
    // A secure address keeps its scheme; anything else gets "http://" in front, once.
    const std::vector<std::string> expected = {"open https://www.ostrany.example/quorvel 3",
                                               "open http://www.ostrany.example 3",
                                               "open http://ostrany.example/a b 3"};
    EXPECT_EQ(expected, m_opened);
}

// The link starts the desktop's opener found on the search path; here a stand-in that records its
// arguments and its process id, and ends only when the test lets it.
TEST_F(AboutBoxTest, LinkStartsTheOpenerWithoutWaitingAndCollectsItWhenItEnds) {
    SetShellExecuteHook(nullptr);
    const std::string dir = m_root->Path() + "/opener";
    const std::string script = m_root->WriteFile("opener/xdg-open",
                                                 "#!/bin/sh\n"
                                                 "printf '%s' \"$#\" > '" +
                                                     dir +
                                                     "/argc'\n"
                                                     "printf '%s' \"$1\" > '" +
                                                     dir +
                                                     "/arg'\n"
                                                     "echo $$ > '" +
                                                     dir + "/pid.new' && mv '" + dir + "/pid.new' '" + dir +
                                                     "/pid'\n"
                                                     "i=0\n"
                                                     "while [ ! -e '" +
                                                     dir +
                                                     "/release' ] && [ $i -lt 100 ]; do\n"
                                                     "  sleep 0.05; i=$((i+1))\n"
                                                     "done\n");
    ASSERT_EQ(0, chmod(script.c_str(), 0755));
    const std::string strOldPath = getenv("PATH") != nullptr ? getenv("PATH") : "";
    setenv("PATH", (dir + ":" + strOldPath).c_str(), 1);
    const char kUrl[] = "http://ostrany.example/a b;$(touch x)`id`&|'\"<>*\\";

    CAboutDlg dlg(m_pHost);
    AfxSetModalHook([&](CWnd* pWnd) {
        auto* pDlg = dynamic_cast<CAboutDlg*>(pWnd);
        if (pDlg == nullptr)
            return IDCANCEL;
        pDlg->GetLinkCtrl().SetText(kUrl);
        pDlg->GetLinkCtrl().SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
        return IDOK;
    });
    dlg.DoModal();
    setenv("PATH", strOldPath.c_str(), 1);

    auto read = [&](const char* name) { return m_root->ReadFile(dir + "/" + name); };
    for (int i = 0; i < 500 && !std::filesystem::exists(dir + "/pid"); ++i)
        Settle(10);
    ASSERT_TRUE(std::filesystem::exists(dir + "/pid"));
    const pid_t pid = std::stoi(read("pid"));
    const std::string proc = "/proc/" + std::to_string(pid);
    // The box came back while the opener still waits: it runs, and is no zombie.
    EXPECT_TRUE(std::filesystem::exists(proc));
    EXPECT_EQ(std::string::npos, m_root->ReadFile(proc + "/stat").find(") Z")) << "already ended";
    EXPECT_EQ("1", read("argc"));
    EXPECT_EQ(kUrl, read("arg"));

    m_root->WriteFile("opener/release", "");
    for (int i = 0; i < 500 && std::filesystem::exists(proc); ++i)
        Settle(10);
    EXPECT_FALSE(std::filesystem::exists(proc)) << "the ended opener was not collected";
}

TEST_F(AboutBoxTest, MissingTextsFallBackToTheBuiltInOnes) {
    ASSERT_EQ(S_OK, SetDefaultLanguageID(1234));  // a language that is not there
    CAboutDlg dlg(m_pHost);
    AfxSetModalHook([&](CWnd* pWnd) {
        auto* pDlg = dynamic_cast<CAboutDlg*>(pWnd);
        if (pDlg == nullptr)
            return IDCANCEL;
        EXPECT_EQ("About Quorvel", ControlText(pDlg));
        EXPECT_FALSE(pDlg->GetOwnerCtrl().GetText().IsEmpty());
        EXPECT_EQ(CString("http://www.ostrany.example"), pDlg->GetLinkCtrl().GetUrl());
        EXPECT_EQ(12, pDlg->GetOwnerCtrl().GetHeight());
        return IDOK;
    });
    dlg.DoModal();
    SetDefaultLanguageID(2057);
}

// On screen, as the desktop sized it: the bottom picture fills the width of the client area and
// meets its bottom edge.
TEST_F(AboutBoxTest, TheShownBottomPictureSpansTheWidthAndMeetsTheBottomEdge) {
    CAboutDlg dlg(m_pHost);
    ASSERT_TRUE(dlg.Create(100, m_pHost));
    dlg.ShowWindow(SW_SHOW);
    Settle(300);
    EXPECT_TRUE(dlg.IsWindowVisible());
    CRect rcClient, rcPicture;
    dlg.GetClientRect(&rcClient);
    CWnd* pPicture = dlg.GetDlgItem(1080);
    ASSERT_NE(nullptr, pPicture);
    pPicture->GetWindowRect(&rcPicture);
    dlg.ScreenToClient(&rcPicture);
    EXPECT_EQ(rcClient.bottom, rcPicture.bottom);
    EXPECT_EQ(rcClient.left, rcPicture.left);
    EXPECT_EQ(rcClient.right, rcPicture.right);
    // The picture itself, not only its control.
    auto* pBitmap = dynamic_cast<wxStaticBitmap*>(pPicture->GetWxWindow());
    ASSERT_NE(nullptr, pBitmap);
    EXPECT_EQ(wxSize(rcPicture.Width(), rcPicture.Height()), pBitmap->GetBitmap().GetSize());
    EXPECT_FALSE(SaveScreenshot(&dlg, "about_box.png").empty());
    dlg.DestroyWindow();
}

}  // namespace
