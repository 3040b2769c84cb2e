// The store password dialog shows its whole explanation in every shipped language.
#include <gtest/gtest.h>

#include <wx/stattext.h>

#include "language/LanguageSettings.h"
#include "platform/afx/wnd/MessageBoxUi.h"
#include "resources/ProfileTemplates.h"
#include "tests/ui_input/InputFixture.h"
#include "ui/StorePasswordDlg.h"

namespace qrvtest {
namespace {

class PasswordDialogTextTest : public InputFixture {
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
};

TEST_F(PasswordDialogTextTest, ExplanationIsShownWholeInGermanAndEnglish) {
    RegisterProfileResources();
    for (LONG lLanguage : {1031L, 2057L}) {
        SCOPED_TRACE(lLanguage);
        ASSERT_EQ(S_OK, SetDefaultLanguageID(lLanguage));
        bool bChecked = false;
        AfxSetModalHook([&](CWnd* pDlg) {
            Settle(20);
            CWnd* pText = pDlg->GetDlgItem(IDC_STORE_PWD_EXPLANATION);
            CString strText;
            pText->GetWindowText(strText);
            EXPECT_NE(std::string::npos,
                      std::string(strText.GetString()).find(lLanguage == 1031 ? "Kennwort" : "password"));
            const CRect rcText = ChildRect(pDlg, IDC_STORE_PWD_EXPLANATION);
            // How tall the toolkit's own word wrapping makes this text at the control's width.
            auto* pProbe =
                new wxStaticText(pDlg->GetWxWindow(), wxID_ANY, wxString::FromUTF8(strText.GetString()));
            pProbe->SetFont(pText->GetWxWindow()->GetFont());
            pProbe->Wrap(rcText.Width());
            const int nNeeded = pProbe->GetBestSize().y;
            pProbe->Destroy();
            EXPECT_GE(rcText.Height(), nNeeded) << strText.GetString();
            // Nothing lies over the text, and everything stays inside the dialog.
            CRect rcClient;
            pDlg->GetClientRect(&rcClient);
            for (int nID : {IDC_STORE_PWD_LABEL, IDC_STORE_PWD_EDIT, IDOK, IDCANCEL}) {
                const CRect rc = ChildRect(pDlg, nID);
                EXPECT_GE(rc.top, rcText.bottom) << nID;
                EXPECT_LE(rc.bottom, rcClient.bottom) << nID;
            }
            EXPECT_GE(ChildRect(pDlg, IDOK).top, ChildRect(pDlg, IDC_STORE_PWD_EDIT).bottom);
            bChecked = true;
            return IDCANCEL;
        });
        CStorePasswordDlg dlg(nullptr, nullptr);
        EXPECT_EQ(IDCANCEL, dlg.DoModal());
        EXPECT_TRUE(bChecked);
    }
    AfxSetModalHook(nullptr);
}

}  // namespace
}  // namespace qrvtest
