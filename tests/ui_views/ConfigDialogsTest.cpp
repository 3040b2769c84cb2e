// The language, create and rename dialogs: their texts, their quiet validation and their results.
#include <filesystem>
#include <string>

#include "language/LanguageSettings.h"
#include "platform/afx/wnd/Controls.h"
#include "platform/afx/wnd/MessageBoxUi.h"
#include "resources/ViewResources.h"
#include "tests/ui_views/ViewsFixture.h"
#include "ui/CreateConfigDlg.h"
#include "ui/LanguageDlg.h"
#include "ui/MainFrm.h"
#include "ui/RenameConfigDlg.h"

namespace {

using qrvtest::ViewsFixture;

template <class T>
T* Item(CWnd* pDialog, int nID) {
    return dynamic_cast<T*>(pDialog->GetDlgItem(nID));
}

std::string Text(CWnd* pWnd) {
    CString text;
    pWnd->GetWindowText(text);
    return text.GetString();
}

TEST_F(ViewsFixture, CreateDialogOffersTheSixTypesSortedAndTakesANameOfBlanks) {
    AfxSetModalHook([](CWnd* pWnd) {
        auto* pDlg = dynamic_cast<CCreateConfiguration*>(pWnd);
        if (pDlg == nullptr)
            return IDCANCEL;
        EXPECT_EQ("Add configuration", Text(pDlg));
        auto* pCombo = Item<CComboBox>(pDlg, IDC_CREATE_TYPE);
        // Sorted by name, each with its item type.
        std::string types;
        for (int i = 0; i < pCombo->GetCount(); ++i) {
            CString s;
            pCombo->GetLBText(i, s);
            types += std::string(s.GetString()) + "=" + std::to_string(pCombo->GetItemData(i)) + " ";
        }
        EXPECT_EQ("Appointments=2 Contacts=1 E-mail=3 Journals=6 Notes=4 Tasks=5 ", types);
        // Preselected: the alphabetically first type. An empty name keeps the dialog open, quietly.
        EXPECT_EQ(0, pCombo->GetCurSel());
        pDlg->OnOK();
        EXPECT_FALSE(pDlg->IsEnded());
        // A name of blanks is taken as typed.
        Item<CEdit>(pDlg, IDC_CREATE_NAME)->SetWindowText("  ");
        pCombo->SetCurSel(4);
        pDlg->OnOK();
        return AFX_MODAL_KEEP;
    });
    CCreateConfiguration dlg(Frame());
    ASSERT_EQ(IDOK, dlg.DoModal());
    EXPECT_TRUE(AfxGetShownMessageBoxes().empty());
    EXPECT_EQ(CString("  "), dlg.GetName());
    EXPECT_EQ(4u, dlg.GetType());
}

TEST_F(ViewsFixture, RenameDialogEnablesOkOnlyForAnotherNonEmptyName) {
    AfxSetModalHook([](CWnd* pWnd) {
        auto* pDlg = dynamic_cast<CChangeConfigNameDlg*>(pWnd);
        EXPECT_EQ("Rename configuration", Text(pDlg));
        EXPECT_EQ("Tasks", Text(pDlg->GetDlgItem(IDC_RENAME_OLD_NAME)));
        auto* pEdit = Item<CEdit>(pDlg, IDC_RENAME_NEW_NAME);
        CWnd* pOK = pDlg->GetDlgItem(IDOK);
        EXPECT_EQ("Tasks", Text(pEdit));
        EXPECT_FALSE(pOK->IsWindowEnabled());
        // A change of case alone counts; empty and the old name do not.
        for (auto [text, bEnabled] :
             {std::pair{"tasks", true}, {"", false}, {"Tasks", false}, {"Jobs", true}}) {
            pEdit->SetWindowText(text);
            pDlg->OnChangeNewName();
            EXPECT_EQ(bEnabled, (bool)pOK->IsWindowEnabled()) << text;
        }
        pDlg->OnOK();
        return AFX_MODAL_KEEP;
    });
    CChangeConfigNameDlg dlg("Tasks", Frame());
    ASSERT_EQ(IDOK, dlg.DoModal());
    EXPECT_EQ(CString("Jobs"), dlg.GetNewName());
}

TEST_F(ViewsFixture, LanguageDialogListsLanguagesByNameAndOffersOnlyAnotherOne) {
    ASSERT_EQ(2057, GetCurrentLanguageID());
    AfxSetModalHook([](CWnd* pWnd) {
        auto* pDlg = dynamic_cast<CSelectLanguageDlg*>(pWnd);
        EXPECT_EQ("Select language", Text(pDlg));
        auto* pList = Item<CListBox>(pDlg, IDC_LANGUAGE_LIST);
        EXPECT_EQ(2, pList->GetCount());
        CString first, second;
        pList->GetText(0, first);
        pList->GetText(1, second);
        EXPECT_LT(std::string(first), std::string(second));
        // The current language is selected, and choosing it again is no choice.
        EXPECT_EQ(2057, (LONG)pList->GetItemData(pList->GetCurSel()));
        EXPECT_FALSE(pDlg->GetDlgItem(IDOK)->IsWindowEnabled());
        pDlg->OnDblClkLanguage();
        EXPECT_FALSE(pDlg->IsEnded());
        pList->SetCurSel(1 - pList->GetCurSel());
        pDlg->OnSelChangeLanguage();
        EXPECT_TRUE(pDlg->GetDlgItem(IDOK)->IsWindowEnabled());
        pDlg->OnDblClkLanguage();
        return AFX_MODAL_KEEP;
    });
    CSelectLanguageDlg dlg(Frame());
    ASSERT_EQ(IDOK, dlg.DoModal());
    EXPECT_EQ(1031, dlg.GetSelectedLanguageID());

    // With the language directory naming an empty folder nothing can be listed: the dialog closes
    // cancelled before it is seen.
    UseLanguageCopy(-1, "");
    std::filesystem::remove(m_root->Path() + "/lang/English.lng");
    std::filesystem::remove(m_root->Path() + "/lang/German.lng");
    bool bHookRan = false;
    AfxSetModalHook([&](CWnd* pWnd) {
        bHookRan = !dynamic_cast<CDialog*>(pWnd)->IsEnded();
        return AFX_MODAL_KEEP;
    });
    CSelectLanguageDlg empty(Frame());
    EXPECT_EQ(IDCANCEL, empty.DoModal());
    EXPECT_FALSE(bHookRan);
    EXPECT_EQ(0, empty.GetSelectedLanguageID());
}

}  // namespace
