// The dialogs with explanations and headers show their whole texts in every shipped language: the
// templates are sized for the English texts.
#include <gtest/gtest.h>

#include <wx/stattext.h>

#include <string>
#include <utility>
#include <vector>

#include "language/LanguageSettings.h"
#include "platform/afx/wnd/MessageBoxUi.h"
#include "resources/ProfileTemplates.h"
#include "tests/ui_input/InputFixture.h"
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

}  // namespace
}  // namespace qrvtest
