// The dialogs with explanations and headers show their whole texts in every shipped language: the
// templates are sized for the English texts.
#include <gtest/gtest.h>

#include <wx/dialog.h>
#include <wx/scrolwin.h>
#include <wx/stattext.h>
#include <wx/timer.h>

#include <string>
#include <utility>
#include <vector>

#include "language/LanguageSettings.h"
#include "platform/afx/wnd/MessageBoxUi.h"
#include "platform/win32/MessageBox.h"
#include "resources/ProfileTemplates.h"
#include "tests/support/RealInput.h"
#include "tests/ui_input/InputFixture.h"
#include "ui/DialogLayout.h"
#include "ui/ProfileStoreChangesDlg.h"
#include "ui/StorePasswordDlg.h"

namespace qrvtest {
namespace {

class DialogTextFitTest : public InputFixture {
protected:
    static CRect ChildRect(CWnd* pDlg, int nID) {
        CRect rc;
        CWnd* pChild = pDlg->GetDlgItem(nID);
        EXPECT_NE(nullptr, pChild) << nID;
        if (pChild != nullptr) {
            pChild->GetWindowRect(&rc);
            pDlg->ScreenToClient(&rc);
        }
        return rc;
    }
    // The text control is as tall as the toolkit's own word wrapping makes its text at its width,
    // the controls named after it start below it, and everything lies inside the dialog.
    void ExpectShownWhole(CWnd* pDlg, int nText, std::vector<int> below) {
        CWnd* pText = pDlg->GetDlgItem(nText);
        ASSERT_NE(nullptr, pText);
        CString strText;
        pText->GetWindowText(strText);
        const CRect rcText = ChildRect(pDlg, nText);
        auto* pProbe =
            new wxStaticText(pDlg->GetWxWindow(), wxID_ANY, wxString::FromUTF8(strText.GetString()));
        pProbe->SetFont(pText->GetWxWindow()->GetFont());
        pProbe->Wrap(rcText.Width());
        const int nNeeded = pProbe->GetBestSize().y;
        pProbe->Destroy();
        EXPECT_GE(rcText.Height(), nNeeded) << nText << ": " << strText.GetString();
        CRect rcClient;
        pDlg->GetClientRect(&rcClient);
        EXPECT_LE(rcText.right, rcClient.right) << nText;
        for (int nID : below) {
            const CRect rc = ChildRect(pDlg, nID);
            EXPECT_GE(rc.top, rcText.bottom) << nID << " below " << nText;
            EXPECT_LE(rc.bottom, rcClient.bottom) << nID;
        }
    }
    // Shows the dialog once in each language and checks it while it is up.
    void ForEachLanguage(CDialog& dlg, const std::function<void(CWnd*, LONG)>& check) {
        for (LONG lLanguage : {1031L, 2057L}) {
            SCOPED_TRACE(lLanguage);
            ASSERT_EQ(S_OK, SetDefaultLanguageID(lLanguage));
            bool bChecked = false;
            AfxSetModalHook([&](CWnd* pDlg) {
                Settle(20);
                check(pDlg, lLanguage);
                bChecked = true;
                return IDCANCEL;
            });
            dlg.DoModal();
            EXPECT_TRUE(bChecked);
        }
        AfxSetModalHook(nullptr);
    }
};

TEST_F(DialogTextFitTest, StorePasswordAndStoreChangesShowTheirWholeTexts) {
    RegisterProfileResources();
    {
        CStorePasswordDlg dlg(nullptr, nullptr);
        ForEachLanguage(dlg, [&](CWnd* pDlg, LONG lLanguage) {
            CString strText;
            pDlg->GetDlgItem(IDC_STORE_PWD_EXPLANATION)->GetWindowText(strText);
            EXPECT_NE(std::string::npos,
                      std::string(strText.GetString()).find(lLanguage == 1031 ? "Kennwort" : "password"));
            ExpectShownWhole(pDlg, IDC_STORE_PWD_EXPLANATION,
                             {IDC_STORE_PWD_LABEL, IDC_STORE_PWD_EDIT, IDOK, IDCANCEL});
        });
    }
    {
        CProfileStoreChangesDlg dlg(nullptr);
        ASSERT_EQ(S_OK, dlg.Init(nullptr, 0, nullptr, 0));
        ForEachLanguage(dlg, [&](CWnd* pDlg, LONG) {
            ExpectShownWhole(pDlg, IDC_CHANGES_EXPLANATION,
                             {IDC_CHANGES_ADDED_HEADER, IDC_CHANGES_ADDED_LIST, IDC_CHANGES_REMOVED_HEADER,
                              IDC_CHANGES_REMOVED_LIST, IDOK});
            ExpectShownWhole(pDlg, IDC_CHANGES_ADDED_HEADER, {IDC_CHANGES_ADDED_LIST});
            ExpectShownWhole(pDlg, IDC_CHANGES_REMOVED_HEADER, {IDC_CHANGES_REMOVED_LIST, IDOK});
        });
    }
}

TEST_F(DialogTextFitTest, ATextTallerThanTheScreenScrollsInsideADialogOrBoxThatFitsIt) {
    std::string strLong;
    for (int i = 0; i < 150; ++i)
        strLong += "Line " + std::to_string(i) + " of a translation far longer than any screen.\\n";
    UseLanguageCopy([&](std::string& english) {
        const size_t nPos = english.find("\n211\t");
        ASSERT_NE(std::string::npos, nPos);
        english.replace(nPos, english.find('\n', nPos + 1) - nPos, "\n211\t" + strLong);
    });
    RegisterProfileResources();
    const CRect rcWork = AfxGetWorkArea(nullptr);
    auto expectInWorkArea = [&rcWork](const wxRect& r) {
        EXPECT_GE(r.y, rcWork.top);
        EXPECT_LE(r.GetBottom(), rcWork.bottom);
        EXPECT_GT(r.height, rcWork.Height() / 2);
    };
    CStorePasswordDlg dlg(nullptr, nullptr);
    bool bChecked = false;
    AfxSetModalHook([&](CWnd* pDlg) {
        Settle(20);
        expectInWorkArea(pDlg->GetWxWindow()->GetScreenRect());
        CRect rcClient;
        pDlg->GetClientRect(&rcClient);
        for (int nID : {IDC_STORE_PWD_EDIT, IDOK, IDCANCEL})
            EXPECT_LE(ChildRect(pDlg, nID).bottom, rcClient.bottom) << nID;
        // The whole text lies in a pane that scrolls it, above the controls below it.
        wxWindow* pText = pDlg->GetDlgItem(IDC_STORE_PWD_EXPLANATION)->GetWxWindow();
        auto* pPane = dynamic_cast<wxScrolledWindow*>(pText->GetParent());
        EXPECT_NE(nullptr, pPane);
        if (pPane != nullptr) {
            EXPECT_GT(pText->GetSize().y, pPane->GetClientSize().y * 2);
            EXPECT_GE(pPane->GetVirtualSize().y, pText->GetSize().y);
            EXPECT_LE(pPane->GetRect().GetBottom(), ChildRect(pDlg, IDC_STORE_PWD_LABEL).top);
        }
        bChecked = true;
        return IDCANCEL;
    });
    dlg.DoModal();
    AfxSetModalHook(nullptr);
    EXPECT_TRUE(bChecked);

    // A message box with that text: the toolkit's own box would stand taller than the screen.
    AfxInstallMessageBoxUi();
    AfxSetMessageBoxHook(nullptr);
    bool bBoxSeen = false;
    wxTimer timer;
    timer.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
        for (wxWindow* pTop : wxTopLevelWindows) {
            auto* pBox = dynamic_cast<wxDialog*>(pTop);
            if (pBox == nullptr || !pBox->IsModal())
                continue;
            bBoxSeen = true;
            expectInWorkArea(pBox->GetScreenRect());
            pBox->EndModal(wxID_OK);
            return;
        }
        // The toolkit's own box is none of ours: Escape closes it, and the test fails.
        qrvtest::RealInput().Char(WXK_ESCAPE);
        timer.StartOnce(500);
    });
    timer.StartOnce(500);
    std::string strBox = strLong;
    for (size_t nPos = 0; (nPos = strBox.find("\\n", nPos)) != std::string::npos;)
        strBox.replace(nPos, 2, "\n");
    EXPECT_EQ(IDOK, MessageBoxA(nullptr, strBox.c_str(), "Long", MB_OK | MB_ICONEXCLAMATION));
    timer.Stop();
    EXPECT_TRUE(bBoxSeen);
}

}  // namespace
}  // namespace qrvtest
