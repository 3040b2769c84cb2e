// The language, create and rename dialogs: their texts, their quiet validation and their results.
#include <gtest/gtest.h>

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

TEST_F(ViewsFixture, CreateDialogOffersTheSixTypesSortedAndRefusesAnEmptyName) {
    ASSERT_TRUE(StartProgram());
    std::vector<std::string> types;
    std::vector<DWORD> data;
    bool bStayedOpen = false;
    AnswerDialogs([&](CWnd* pWnd) {
        auto* pDlg = dynamic_cast<CCreateConfiguration*>(pWnd);
        if (pDlg == nullptr)
            return IDCANCEL;
        EXPECT_EQ("Add configuration", Text(pDlg));
        EXPECT_EQ("Configuration name:", Text(pDlg->GetDlgItem(IDC_CREATE_NAME_LABEL)));
        auto* pCombo = Item<CComboBox>(pDlg, IDC_CREATE_TYPE);
        for (int i = 0; i < pCombo->GetCount(); ++i) {
            CString s;
            pCombo->GetLBText(i, s);
            types.emplace_back(s.GetString());
            data.push_back((DWORD)pCombo->GetItemData(i));
        }
        // Preselected: the alphabetically first type.
        EXPECT_EQ(0, pCombo->GetCurSel());
        pDlg->OnOK();
        bStayedOpen = !pDlg->IsEnded();
        // A name of blanks is taken as typed.
        Item<CEdit>(pDlg, IDC_CREATE_NAME)->SetWindowText("  ");
        pCombo->SetCurSel(4);
        pDlg->OnOK();
        return AFX_MODAL_KEEP;
    });
    CCreateConfiguration dlg(Frame());
    ASSERT_EQ(IDOK, dlg.DoModal());
    EXPECT_TRUE(bStayedOpen);
    EXPECT_TRUE(AfxGetShownMessageBoxes().empty());
    EXPECT_EQ((std::vector<std::string>{"Appointments", "Contacts", "E-mail", "Journals", "Notes", "Tasks"}),
              types);
    EXPECT_EQ((std::vector<DWORD>{2, 1, 3, 6, 4, 5}), data);
    EXPECT_EQ(CString("  "), dlg.GetName());
    EXPECT_EQ(4u, dlg.GetType());
}

TEST_F(ViewsFixture, CreateDialogCancelledGivesNoType) {
    ASSERT_TRUE(StartProgram());
    AnswerDialogs([](CWnd* pWnd) {
        Item<CEdit>(pWnd, IDC_CREATE_NAME)->SetWindowText("Never");
        return IDCANCEL;
    });
    CCreateConfiguration dlg(Frame());
    EXPECT_EQ(IDCANCEL, dlg.DoModal());
    EXPECT_EQ(0u, dlg.GetType());
}

TEST_F(ViewsFixture, RenameDialogEnablesOkOnlyForAnotherNonEmptyName) {
    ASSERT_TRUE(StartProgram());
    std::vector<bool> states;
    AnswerDialogs([&](CWnd* pWnd) {
        auto* pDlg = dynamic_cast<CChangeConfigNameDlg*>(pWnd);
        EXPECT_EQ("Rename configuration", Text(pDlg));
        EXPECT_EQ("Tasks", Text(pDlg->GetDlgItem(IDC_RENAME_OLD_NAME)));
        auto* pEdit = Item<CEdit>(pDlg, IDC_RENAME_NEW_NAME);
        CWnd* pOK = pDlg->GetDlgItem(IDOK);
        EXPECT_EQ("Tasks", Text(pEdit));
        states.push_back(pOK->IsWindowEnabled());
        for (const char* text : {"tasks", "", "Tasks", "Jobs"}) {
            pEdit->SetWindowText(text);
            pDlg->OnChangeNewName();
            states.push_back(pOK->IsWindowEnabled());
        }
        pDlg->OnOK();
        return AFX_MODAL_KEEP;
    });
    CChangeConfigNameDlg dlg("Tasks", Frame());
    ASSERT_EQ(IDOK, dlg.DoModal());
    // Opened: disabled; a change of case alone counts; empty and the old name do not.
    EXPECT_EQ((std::vector<bool>{false, true, false, false, true}), states);
    EXPECT_EQ(CString("Jobs"), dlg.GetNewName());

    AnswerDialogs([](CWnd*) { return IDCANCEL; });
    CChangeConfigNameDlg cancelled("Tasks", Frame());
    EXPECT_EQ(IDCANCEL, cancelled.DoModal());
    EXPECT_TRUE(cancelled.GetNewName().IsEmpty());
}

TEST_F(ViewsFixture, LanguageDialogListsLanguagesByNameAndOffersOnlyAnotherOne) {
    ASSERT_TRUE(StartProgram());
    ASSERT_EQ(2057, GetCurrentLanguageID());
    std::vector<std::string> names;
    std::vector<LONG> ids;
    std::vector<bool> states;
    bool bDoubleClickIgnored = false;
    AnswerDialogs([&](CWnd* pWnd) {
        auto* pDlg = dynamic_cast<CSelectLanguageDlg*>(pWnd);
        EXPECT_EQ("Select language", Text(pDlg));
        auto* pList = Item<CListBox>(pDlg, IDC_LANGUAGE_LIST);
        int nGerman = -1;
        for (int i = 0; i < pList->GetCount(); ++i) {
            CString s;
            pList->GetText(i, s);
            names.emplace_back(s.GetString());
            ids.push_back((LONG)pList->GetItemData(i));
            if (ids.back() == 1031)
                nGerman = i;
        }
        // The current language is selected, and choosing it again is no choice.
        EXPECT_EQ(2057, (LONG)pList->GetItemData(pList->GetCurSel()));
        states.push_back(pDlg->GetDlgItem(IDOK)->IsWindowEnabled());
        pDlg->OnDblClkLanguage();
        bDoubleClickIgnored = !pDlg->IsEnded();
        pList->SetCurSel(nGerman);
        pDlg->OnSelChangeLanguage();
        states.push_back(pDlg->GetDlgItem(IDOK)->IsWindowEnabled());
        pDlg->OnDblClkLanguage();
        return AFX_MODAL_KEEP;
    });
    CSelectLanguageDlg dlg(Frame());
    ASSERT_EQ(IDOK, dlg.DoModal());
    EXPECT_EQ(1031, dlg.GetSelectedLanguageID());
    EXPECT_TRUE(bDoubleClickIgnored);
    EXPECT_EQ((std::vector<bool>{false, true}), states);
    ASSERT_EQ(2u, names.size());
    EXPECT_LT(names[0], names[1]);

    AnswerDialogs([](CWnd*) { return IDCANCEL; });
    CSelectLanguageDlg cancelled(Frame());
    EXPECT_EQ(IDCANCEL, cancelled.DoModal());
    EXPECT_EQ(0, cancelled.GetSelectedLanguageID());
}

TEST_F(ViewsFixture, LanguageDialogWithoutLanguageFilesClosesCancelled) {
    ASSERT_TRUE(StartProgram());
    // The language directory now names an empty folder: nothing can be listed.
    UseLanguageCopy(-1, "");
    std::filesystem::remove(m_root->Path() + "/lang/English.lng");
    std::filesystem::remove(m_root->Path() + "/lang/German.lng");
    bool bHookRan = false;
    AnswerDialogs([&](CWnd* pWnd) {
        bHookRan = !dynamic_cast<CDialog*>(pWnd)->IsEnded();
        return AFX_MODAL_KEEP;
    });
    CSelectLanguageDlg dlg(Frame());
    EXPECT_EQ(IDCANCEL, dlg.DoModal());
    EXPECT_FALSE(bHookRan);
    EXPECT_EQ(0, dlg.GetSelectedLanguageID());
}

}  // namespace
