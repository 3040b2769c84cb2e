// Dialogs from templates: controls by id, reflected notifications, the modal hook, the default
// button, modeless and child dialogs, and message boxes.
#include <gtest/gtest.h>

#include <wx/frame.h>

#include "platform/afx/wnd/Controls.h"
#include "platform/afx/wnd/Dialog.h"
#include "platform/afx/wnd/MessageBoxUi.h"
#include "tests/platform_afxwnd/WxEnvironment.h"

namespace {

constexpr UINT kTemplate = 7200;
constexpr UINT kChildTemplate = 7201;
constexpr UINT IDC_NAME = 1001;
constexpr UINT IDC_CHECK = 1002;
constexpr UINT IDC_LIST = 1003;
constexpr UINT IDC_APPLY = 1004;

void RegisterTemplates() {
    std::vector<DLGITEMDEF> items = {{"EDIT", "", IDC_NAME, 7, 7, 120, 14, WS_BORDER | ES_AUTOHSCROLL},
                                     {"BUTTON", "Check", IDC_CHECK, 7, 25, 80, 10, BS_AUTOCHECKBOX},
                                     {"LISTBOX", "", IDC_LIST, 7, 40, 120, 40, LBS_SORT | LBS_NOTIFY},
                                     {"BUTTON", "Apply", IDC_APPLY, 140, 40, 50, 14, BS_PUSHBUTTON},
                                     {"BUTTON", "OK", IDOK, 140, 7, 50, 14, BS_DEFPUSHBUTTON},
                                     {"BUTTON", "Cancel", IDCANCEL, 140, 24, 50, 14, BS_PUSHBUTTON}};
    AfxRegisterDialogTemplate({kTemplate, DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU, 0, 0, 0, 200,
                               100, "Dialog", "MS Sans Serif", 8, items});
    AfxRegisterDialogTemplate({kChildTemplate,
                               WS_CHILD,
                               0,
                               10,
                               20,
                               100,
                               50,
                               nullptr,
                               "MS Sans Serif",
                               8,
                               {{"STATIC", "Label", 2001, 5, 5, 60, 8, SS_LEFT}}});
}

// A check box that handles its own clicks before its parent hears of them.
class CSelfButton : public CButton {
public:
    void OnClickedSelf() { ++m_nReflected; }
    int m_nReflected = 0;
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CSelfButton, CButton)
ON_CONTROL_REFLECT(BN_CLICKED, &CSelfButton::OnClickedSelf)
END_MESSAGE_MAP()

class CNameDlg : public CDialog {
public:
    CNameDlg() : CDialog(kTemplate) {}
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        SetWindowText("Name");
        m_list.SubclassDlgItem(IDC_LIST, this);
        m_check.SubclassDlgItem(IDC_CHECK, this);
        for (const char* s : {"beta", "Alpha", "gamma"})
            m_list.SetItemData(m_list.AddString(s), (DWORD_PTR)(s[0] | 0x20));
        GetDlgItem(IDOK)->EnableWindow(FALSE);
        if (m_bEndAtOnce)
            EndDialog(77);
        return TRUE;
    }
    void OnNameChange() {
        CString s;
        GetDlgItemText(IDC_NAME, s);
        GetDlgItem(IDOK)->EnableWindow(!s.IsEmpty());
    }
    void OnApply() { ++m_nApplied; }
    void OnCheck() { ++m_nParentSawCheck; }
    void OnOK() override {
        GetDlgItemText(IDC_NAME, m_strName);
        CDialog::OnOK();
    }
    CListBox m_list;
    CSelfButton m_check;
    CString m_strName;
    int m_nApplied = 0;
    int m_nParentSawCheck = 0;
    bool m_bEndAtOnce = false;
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CNameDlg, CDialog)
ON_EN_CHANGE(IDC_NAME, &CNameDlg::OnNameChange)
ON_BN_CLICKED(IDC_APPLY, &CNameDlg::OnApply)
ON_BN_CLICKED(IDC_CHECK, &CNameDlg::OnCheck)
END_MESSAGE_MAP()

class DialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        QRV_REQUIRE_TOOLKIT();
        RegisterTemplates();
        AfxClearShownMessageBoxes();
    }
    void TearDown() override {
        AfxSetModalHook(nullptr);
        AfxSetMessageBoxHook(nullptr);
        AfxPumpMessages();
    }
};

TEST_F(DialogTest, HookReadsAndWorksControlsById) {
    CNameDlg dlg;
    int seen = 0;
    AfxSetModalHook([&](CWnd* pDialog) {
        ++seen;
        CString caption;
        pDialog->GetWindowText(caption);
        EXPECT_EQ(caption, CString("Name"));
        // Controls are placed in dialog units.
        CRect unit(0, 0, 4, 8), okRect, name;
        pDialog->MapDialogRect(&unit);
        pDialog->GetDlgItem(IDOK)->GetWindowRect(&okRect);
        pDialog->GetDlgItem(IDC_NAME)->GetWindowRect(&name);
        pDialog->ScreenToClient(&okRect);
        pDialog->ScreenToClient(&name);
        EXPECT_EQ(okRect.left, 140 * unit.right / 4);
        EXPECT_EQ(name.left, 7 * unit.right / 4);
        EXPECT_EQ(okRect.top, 7 * unit.bottom / 8);
        CWnd* pOk = pDialog->GetDlgItem(IDOK);
        EXPECT_FALSE(pOk->IsWindowEnabled());
        BOOL ok = FALSE;
        pDialog->SetDlgItemText(IDC_NAME, "12");
        EXPECT_EQ(pDialog->GetDlgItemInt(IDC_NAME, &ok), 12u);
        EXPECT_TRUE(ok);
        pDialog->SetDlgItemText(IDC_NAME, "12a");
        pDialog->GetDlgItemInt(IDC_NAME, &ok);
        EXPECT_FALSE(ok);
        // Typing a name enabled OK through the EN_CHANGE handler; emptying it disables OK again.
        EXPECT_TRUE(pOk->IsWindowEnabled());
        pDialog->SetDlgItemText(IDC_NAME, "");
        EXPECT_FALSE(pOk->IsWindowEnabled());
        pDialog->SetDlgItemText(IDC_NAME, "Contacts 2");
        EXPECT_TRUE(pOk->IsWindowEnabled());
        auto* pList = dynamic_cast<CListBox*>(pDialog->GetDlgItem(IDC_LIST));
        EXPECT_EQ(pList, &dlg.m_list);
        // Sorted, and each entry keeps its own item data.
        CString first;
        pList->GetText(0, first);
        EXPECT_EQ(first, CString("Alpha"));
        EXPECT_EQ(pList->GetItemData(0), (DWORD_PTR)'a');
        EXPECT_EQ(pList->GetItemData(2), (DWORD_PTR)'g');
        dynamic_cast<CButton*>(pDialog->GetDlgItem(IDC_APPLY))->Click();
        dlg.m_check.Click();
        EXPECT_EQ(dlg.m_check.GetCheck(), BST_CHECKED);
        dynamic_cast<CButton*>(pOk)->Click();
        return AFX_MODAL_KEEP;
    });
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(seen, 1);
    EXPECT_EQ(dlg.m_strName, CString("Contacts 2"));
    EXPECT_EQ(dlg.m_nApplied, 1);
    // The reflected notification stays with the control.
    EXPECT_EQ(dlg.m_check.m_nReflected, 1);
    EXPECT_EQ(dlg.m_nParentSawCheck, 0);
    EXPECT_EQ(dlg.m_hWnd, nullptr);
    EXPECT_EQ(dlg.m_list.m_hWnd, nullptr);
}

TEST_F(DialogTest, DisabledDefaultButtonIgnoresClicksButNotCommands) {
    CNameDlg dlg;
    AfxSetModalHook([&](CWnd* pDialog) {
        EXPECT_EQ(AfxGetDefaultButtonID(pDialog), (UINT)IDOK);
        dynamic_cast<CButton*>(pDialog->GetDlgItem(IDOK))->Click();
        EXPECT_FALSE(dlg.IsEnded());
        // A command sent directly still reaches OnOK: only the keyboard and mouse check the button.
        pDialog->SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        EXPECT_TRUE(dlg.IsEnded());
        return AFX_MODAL_KEEP;
    });
    EXPECT_EQ(dlg.DoModal(), IDOK);
}

TEST_F(DialogTest, HookResultEndsTheDialogUnlessItEndedBeforeShowing) {
    int hooked = 0;
    AfxSetModalHook([&](CWnd*) {
        ++hooked;
        return IDCANCEL;
    });
    CNameDlg dlg;
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_TRUE(dlg.m_strName.IsEmpty());
    CNameDlg ended;
    ended.m_bEndAtOnce = true;
    EXPECT_EQ(ended.DoModal(), 77);
    EXPECT_EQ(hooked, 1);
    CDialog missing(9999);
    EXPECT_EQ(missing.DoModal(), -1);
}

TEST_F(DialogTest, ModelessAndChildDialogsLiveInsideTheirParent) {
    CWnd host;
    ASSERT_TRUE(host.AttachWx(new wxFrame(nullptr, wxID_ANY, "host")));
    // A modeless dialog hides when it ends and takes its controls along when destroyed.
    CNameDlg dlg;
    ASSERT_TRUE(dlg.Create(kTemplate, &host));
    dlg.ShowWindow(SW_SHOW);
    EXPECT_TRUE(dlg.IsWindowVisible());
    dlg.SendMessage(WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(dlg.IsEnded());
    EXPECT_FALSE(dlg.IsWindowVisible());
    EXPECT_EQ(dlg.GetResult(), IDCANCEL);
    dlg.DestroyWindow();
    EXPECT_EQ(dlg.m_check.m_hWnd, nullptr);

    auto* pPage = new CDialog;
    ASSERT_TRUE(pPage->Create(kChildTemplate, &host));
    EXPECT_EQ(pPage->GetParent(), &host);
    EXPECT_FALSE(pPage->IsWindowVisible());
    CString label;
    pPage->GetDlgItemText(2001, label);
    EXPECT_EQ(label, CString("Label"));
    pPage->DestroyWindow();
    delete pPage;
    host.DestroyWindow();
}

TEST_F(DialogTest, MessageBoxesAreAnsweredByTheHookAndRecorded) {
    AfxSetMessageBoxHook(
        [](const AfxShownMessageBox& box) { return (box.type & MB_TYPEMASK) == MB_YESNO ? IDNO : IDOK; });
    EXPECT_EQ(::MessageBoxA(nullptr, "Save?", "Quorvel", MB_YESNO | MB_ICONQUESTION), IDNO);
    EXPECT_EQ(::MessageBoxA(nullptr, "Done", nullptr, MB_OK), IDOK);
    ASSERT_EQ(AfxGetShownMessageBoxes().size(), 2u);
    EXPECT_EQ(AfxGetShownMessageBoxes()[0].text, "Save?");
    EXPECT_EQ(AfxGetShownMessageBoxes()[1].caption, "Error");
}

}  // namespace
