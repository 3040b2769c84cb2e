// The profile chooser over the real profile table: order, preselection, choice, layout.
#include <wx/window.h>

#include <cstdlib>

#include "language/LanguageSettings.h"
#include "model/ConfigInfo.h"
#include "model/QuorvelDoc.h"
#include "model/StoreInfo.h"
#include "tests/ui_dialogs/DialogFixture.h"
#include "ui/ProfileDialog.h"

using namespace dlgtest;

namespace {

class ProfileDialogTest : public DialogTest {
protected:
    void SetUp() override {
        DialogTest::SetUp();
        if (IsSkipped())
            return;
        // Made out of order: the list sorts them.
        MakeProfile("Work", "", "work.pst", "Work Mail");
        MakeProfile("Archive", "", "archive.pst", "Archive Mail");
        MakeProfile("Home", "", "home.pst", "Home Mail");
    }

    static CListBox* List(CWnd* pDlg) { return dynamic_cast<CListBox*>(pDlg->GetDlgItem(IDC_PROFILE_LIST)); }
    static std::string SelectedText(CWnd* pDlg) {
        CString text;
        List(pDlg)->GetText(List(pDlg)->GetCurSel(), text);
        return text.GetString();
    }
    static std::string Key(CProfileDialog& dlg) {
        SBinary key{0, nullptr};
        EXPECT_EQ(S_OK, dlg.GetProfileKey(&key));
        std::string bytes = mapitest::Bytes(key);
        std::free(key.lpb);
        return bytes;
    }
};

TEST_F(ProfileDialogTest, ListsProfilesSortedPreselectsTheFirstAndChoosesOnOkOrDoubleClick) {
    CProfileDialog dlg(nullptr);
    OnModal([](CWnd* pDlg) {
        EXPECT_EQ((std::vector<std::string>{"Archive", "Home", "Work"}), ListTexts(pDlg, IDC_PROFILE_LIST));
        EXPECT_EQ("Select profile", Text(pDlg, 0));
        // Without a key the first profile is preselected.
        EXPECT_EQ(0, List(pDlg)->GetCurSel());
        // OK without a selection keeps the dialog open; a double click chooses like OK.
        List(pDlg)->SetCurSel(-1);
        pDlg->SendMessage(WM_COMMAND, IDOK, 0);
        EXPECT_FALSE(dynamic_cast<CDialog*>(pDlg)->IsEnded());
        List(pDlg)->SetCurSel(2);
        pDlg->SendMessage(WM_COMMAND, MAKEWPARAM(IDC_PROFILE_LIST, LBN_DBLCLK), 0);
        AfxPumpMessages();
        return AFX_MODAL_KEEP;
    });
    EXPECT_EQ(IDOK, dlg.DoModal());
    EXPECT_EQ("Work", std::string(dlg.GetProfileName()));
    EXPECT_EQ(ProfileKey("Work"), Key(dlg));

    // Without its texts the dialog closes unseen.
    CloseLanguageModule();
    CProfileDialog untitled(nullptr);
    EXPECT_EQ(IDCANCEL, untitled.DoModal());
    InitLanguageModule();
    EXPECT_EQ(1, m_nModalRuns);
    EXPECT_TRUE(m_boxes.empty());
}

TEST_F(ProfileDialogTest, PreselectsTheProfileOfTheKeyAndForgetsAStaleKey) {
    const std::string home = ProfileKey("Home");
    std::string gone = home;
    gone[0] ^= 0x5A;
    for (const auto& [bytes, expected] : {std::pair{home, "Home"}, {gone, "Archive"}}) {
        CProfileDialog dlg(nullptr);
        SBinary key = mapitest::Bin(bytes);
        ASSERT_EQ(S_OK, dlg.Init(&key));
        OnModal([expected](CWnd* pDlg) {
            EXPECT_EQ(expected, SelectedText(pDlg));
            return IDCANCEL;
        });
        EXPECT_EQ(IDCANCEL, dlg.DoModal());
        // Cancel hands out nothing; the key to preselect is gone once the list was filled.
        SBinary out{7, nullptr};
        EXPECT_EQ(S_OK, dlg.GetProfileKey(&out));
        EXPECT_EQ(7u, out.cb);
        EXPECT_EQ("", std::string(dlg.GetProfileName()));
    }
    EXPECT_TRUE(m_boxes.empty());
}

TEST_F(ProfileDialogTest, ListAndButtonsFollowTheWindowSize) {
    CProfileDialog dlg(nullptr);
    OnModal([](CWnd* pDlg) {
        auto rect = [pDlg](int nID) {
            CRect rc;
            (nID == 0 ? pDlg : pDlg->GetDlgItem(nID))->GetWindowRect(&rc);
            return rc;
        };
        auto resize = [pDlg](int cx, int cy) {
            pDlg->GetWxWindow()->SetSize(cx, cy);
            pDlg->SendMessage(WM_SIZE, 0, 0);
        };
        const CRect window0 = rect(0), list0 = rect(IDC_PROFILE_LIST), ok0 = rect(IDOK),
                    cancel0 = rect(IDCANCEL);
        // Twice to the same size: a second layout changes nothing.
        for (int i = 0; i < 2; ++i) {
            resize(window0.Width() + 60, window0.Height() + 40);
            const CRect list1 = rect(IDC_PROFILE_LIST), ok1 = rect(IDOK), cancel1 = rect(IDCANCEL);
            EXPECT_EQ(list0.Width() + 60, list1.Width());
            EXPECT_EQ(list0.Height() + 40, list1.Height());
            EXPECT_EQ(list0.left, list1.left);
            EXPECT_EQ(ok0.left + 60 - list0.left, ok1.left - list1.left);
            EXPECT_EQ(cancel1.left, ok1.left);
            EXPECT_EQ(cancel0.top - ok0.top, cancel1.top - ok1.top);
        }
        // The window refuses sizes below its minimum tracking size.
        resize(100, 80);
        EXPECT_GE(rect(0).Width(), 266);
        EXPECT_GE(rect(0).Height(), 210);
        return IDCANCEL;
    });
    dlg.DoModal();
}

TEST_F(ProfileDialogTest, AnEmptyProfileTableLeavesOnlyCancel) {
    mapitest::Ref<IProfAdmin> admin;
    ASSERT_EQ(S_OK, MAPIAdminProfiles(0, &admin));
    for (const char* name : {"Work", "Archive", "Home"})
        ASSERT_EQ(S_OK, admin->DeleteProfile(name, 0));
    CProfileDialog dlg(nullptr);
    OnModal([](CWnd* pDlg) {
        EXPECT_TRUE(ListTexts(pDlg, IDC_PROFILE_LIST).empty());
        EXPECT_FALSE(pDlg->GetDlgItem(IDOK)->IsWindowEnabled());
        return IDCANCEL;
    });
    EXPECT_EQ(IDCANCEL, dlg.DoModal());
}

TEST_F(ProfileDialogTest, ChoosingTheProfileOfAConfigurationReadsItsStores) {
    CQuorvelDoc doc;
    CConfigInfo* pConfig = nullptr;
    ASSERT_EQ(S_OK, CConfigInfo::CreateConfigInfo("Contacts", 1, &doc, &pConfig));
    OnModal([](CWnd* pDlg) {
        List(pDlg)->SetCurSel(1);
        pDlg->SendMessage(WM_COMMAND, IDOK, 0);
        return AFX_MODAL_KEEP;
    });
    ASSERT_EQ(S_OK, pConfig->OnSelectProfile(nullptr));
    EXPECT_EQ("Home", std::string(pConfig->GetProfileName()));
    ASSERT_EQ(1, pConfig->GetStoreCount());
    CStoreInfo* pStore = pConfig->GetStore(0);
    EXPECT_EQ("Home Mail", std::string(pStore->GetStoreName()));
    pStore->Release();

    // The next time the same profile is preselected.
    OnModal([](CWnd* pDlg) {
        EXPECT_EQ("Home", SelectedText(pDlg));
        return IDCANCEL;
    });
    EXPECT_EQ(S_OK, pConfig->OnSelectProfile(nullptr));
    EXPECT_EQ("Home", std::string(pConfig->GetProfileName()));
    pConfig->Release();
}

}  // namespace
