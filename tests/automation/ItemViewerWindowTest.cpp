// The item viewer window under a real display: Display opens it with the item's class, subject
// and properties, read-only, a long text cut on one line, and closing it removes it. An item of a protected
// store first brings up the mail client's own password prompt.
#include <gtest/gtest.h>

#include <wx/listctrl.h>
#include <wx/textctrl.h>
#include <wx/wx.h>

#include "platform/afx/wnd/MessageBoxUi.h"
#include "platform/afx/wnd/Wnd.h"
#include "platform/automation/HexKey.h"
#include "platform/automation/ItemViewerWindow.h"
#include "platform/automation/MailItem.h"
#include "platform/automation/StorePasswordWindow.h"
#include "platform/mapi/StoreAdmin.h"
#include "tests/automation/AutomationTestSupport.h"
#include "tests/support/ToolkitEnvironment.h"

namespace {

[[maybe_unused]] ::testing::Environment* const g_env =
    ::testing::AddGlobalTestEnvironment(new qrvtest::ToolkitEnvironment("test_item_viewer"));

wxWindow* FindViewer() {
    for (wxWindow* pWindow : wxTopLevelWindows) {
        if (pWindow->GetName() == ITEMVIEWER_WINDOW_NAME && !pWindow->IsBeingDeleted())
            return pWindow;
    }
    return nullptr;
}

void RunPendingEvents() {
    for (int i = 0; i < 20; ++i) {
        wxTheApp->ProcessPendingEvents();
        wxTheApp->ProcessIdle();
        wxYield();
    }
}

TEST(ItemViewerWindow, DisplayShowsTheItemReadOnly) {
    QRV_REQUIRE_TOOLKIT();
    CItemSnapshot snapshot;
    snapshot.messageClass = "IPM.Contact";
    snapshot.subject = "Anna M\xC3\xBCller";
    snapshot.properties.push_back({0x0037001F, "0x0037001F", "PT_UNICODE", "Anna M\xC3\xBCller"});
    snapshot.properties.push_back({0x0E080003, "0x0E080003", "PT_LONG", "512"});
    IDispatch* pItem = new CMailItem(snapshot);
    IItemViewer* pPrevious = SetItemViewer(ItemViewerWindow());

    ASSERT_EQ(S_OK, autotest::Call(pItem, "Display", DISPATCH_METHOD, {autotest::Bool(false)}));
    pItem->Release();  // the window keeps its own copy of what it shows
    RunPendingEvents();

    wxWindow* pViewer = FindViewer();
    ASSERT_NE(nullptr, pViewer);
    EXPECT_TRUE(pViewer->IsShown());
    EXPECT_EQ(wxString::FromUTF8("Anna M\xC3\xBCller - Item"), pViewer->GetLabel());
    auto* pClass = dynamic_cast<wxTextCtrl*>(wxWindow::FindWindowByName(ITEMVIEWER_CLASS_NAME, pViewer));
    auto* pSubject = dynamic_cast<wxTextCtrl*>(wxWindow::FindWindowByName(ITEMVIEWER_SUBJECT_NAME, pViewer));
    auto* pList = dynamic_cast<wxListCtrl*>(wxWindow::FindWindowByName(ITEMVIEWER_PROPERTIES_NAME, pViewer));
    ASSERT_NE(nullptr, pClass);
    ASSERT_NE(nullptr, pSubject);
    ASSERT_NE(nullptr, pList);
    EXPECT_EQ("IPM.Contact", pClass->GetValue());
    EXPECT_FALSE(pClass->IsEditable());
    EXPECT_EQ(wxString::FromUTF8("Anna M\xC3\xBCller"), pSubject->GetValue());
    EXPECT_FALSE(pSubject->IsEditable());
    ASSERT_EQ(2, pList->GetItemCount());
    EXPECT_EQ("0x0037001F", pList->GetItemText(0, 0));
    EXPECT_EQ("PT_LONG", pList->GetItemText(1, 1));
    EXPECT_EQ("512", pList->GetItemText(1, 2));

    pViewer->Close();
    RunPendingEvents();
    EXPECT_EQ(nullptr, FindViewer());

    // A subject in lines, far longer than any place shows, is shown on one line, cut to the room of
    // each place (title 100 characters before " - Item", field 1,000, list cell 260), the last
    // character an ellipsis, in the title, the subject field and the property list.
    std::string subject = "First line\n";
    while (subject.size() < 20000)
        subject += "Zw\xC3\xB6lf\r\n";
    snapshot.subject = snapshot.properties[0].value = subject;
    ASSERT_EQ(S_OK, ItemViewerWindow()->ShowItem(snapshot, false));
    RunPendingEvents();
    pViewer = FindViewer();
    ASSERT_NE(nullptr, pViewer);
    pSubject = dynamic_cast<wxTextCtrl*>(wxWindow::FindWindowByName(ITEMVIEWER_SUBJECT_NAME, pViewer));
    pList = dynamic_cast<wxListCtrl*>(wxWindow::FindWindowByName(ITEMVIEWER_PROPERTIES_NAME, pViewer));
    wxString title = pViewer->GetLabel();
    EXPECT_TRUE(title.EndsWith(" - Item", &title)) << title;
    const struct {
        wxString text;
        size_t nChars;
    } places[] = {{title, 100}, {pSubject->GetValue(), 1000}, {pList->GetItemText(0, 2), 260}};
    for (const auto& place : places) {
        const wxString& text = place.text;
        EXPECT_TRUE(text.StartsWith(wxString::FromUTF8("First line Zw\xC3\xB6lf  Zw"))) << text;
        EXPECT_EQ(text.length(), place.nChars) << text;
        EXPECT_EQ(text.find_first_of("\r\n"), wxString::npos);
        EXPECT_EQ(text.find(wxUniChar(0x2026)), text.length() - 1) << text;
    }
    pViewer->Close();
    RunPendingEvents();
    SetItemViewer(pPrevious);
}

// A profile whose second store is protected, with one item in it; the real viewer and prompt.
class ProtectedStoreWindowTest : public autotest::SessionTest {
protected:
    void SetUp() override {
        QRV_REQUIRE_TOOLKIT();
        SessionTest::SetUp();
        MakeProfile("Work", "", "work.pst", "Work Store");
        AddStore("Work", "", "vault.pst", "Vault", "open sesame");
        mapitest::Ref<IMAPISession> session(Logon("Work"));
        m_vaultId = StoreEntryId(session, "Vault");
        m_vaultHex = BytesToHex(m_vaultId);
        session->Logoff(0, 0, 0);
        mapitest::Ref<IMsgStore> vault;
        ASSERT_EQ(S_OK, HrOpenStoreFile("vault.pst", "open sesame", MAPI_BEST_ACCESS, &vault));
        mapitest::Ref<IMAPIFolder> inbox(OpenNamedFolder(vault, "Inbox"));
        m_itemHex = BytesToHex(AddMessage(inbox, "IPM.Note", "Locked away"));
        SetItemViewer(ItemViewerWindow());
        m_pPreviousPrompt = SetStorePasswordPrompt(StorePasswordWindow());
        ASSERT_EQ(S_OK, autotest::Call(m_pSession, "Logon", DISPATCH_METHOD,
                                       {autotest::Text("Work"), autotest::NullText(), autotest::Bool(false),
                                        autotest::Bool(false)}));
        // The prompt is answered as a person would: the typed text into its password field, then OK
        // (no answers left: Cancel).
        AfxSetModalHook([this](CWnd* pDialog) {
            CString message;
            pDialog->GetDlgItemText(STOREPASSWORD_MESSAGE_ID, message);
            m_messages.emplace_back(message.GetString());
            CWnd* pEdit = pDialog->GetDlgItem(STOREPASSWORD_EDIT_ID);
            EXPECT_TRUE(pDialog->GetWxWindow()->IsTopLevel());
            EXPECT_TRUE(pEdit != nullptr && pEdit->GetWxWindow()->HasFlag(wxTE_PASSWORD));
            UINT nButton = IDCANCEL;
            if (!m_answers.empty() && pEdit != nullptr) {
                pEdit->SetWindowText(m_answers.front().c_str());
                m_answers.erase(m_answers.begin());
                nButton = IDOK;
            }
            pDialog->SendMessage(WM_COMMAND, MAKEWPARAM(nButton, BN_CLICKED), 0);
            return AFX_MODAL_KEEP;
        });
    }
    void TearDown() override {
        AfxSetModalHook(nullptr);
        SetStorePasswordPrompt(m_pPreviousPrompt);
        while (wxWindow* pViewer = FindViewer()) {
            pViewer->Close();
            RunPendingEvents();
        }
        SessionTest::TearDown();
    }
    // GetItemFromID and Display, as the program opens an item; the first failure's code.
    HRESULT OpenAndDisplay() {
        VARIANT result;
        VariantInit(&result);
        HRESULT hr = autotest::Call(m_pSession, "GetItemFromID", DISPATCH_METHOD,
                                    {autotest::Text(m_itemHex), autotest::Text(m_vaultHex)}, &result);
        if (SUCCEEDED(hr)) {
            hr = autotest::Call(result.pdispVal, "Display", DISPATCH_METHOD, {autotest::Bool(false)});
            VariantClear(&result);
        }
        RunPendingEvents();
        return hr;
    }

    // Whether a new session of the profile opens the store by itself.
    HRESULT ProfileOpensVault() {
        mapitest::Ref<IMAPISession> session(Logon("Work"));
        mapitest::Ref<IUnknown> store;
        const HRESULT hr = mapitest::OpenById(session.p, m_vaultId, MAPI_BEST_ACCESS, &store.p);
        session->Logoff(0, 0, 0);
        return hr;
    }

    std::string m_vaultId, m_vaultHex, m_itemHex;
    IStorePasswordPrompt* m_pPreviousPrompt = nullptr;
    std::vector<std::string> m_answers;
    std::vector<std::string> m_messages;
};

TEST_F(ProtectedStoreWindowTest, AWrongPasswordIsAskedAgainAndTheRightOneShowsTheItem) {
    m_answers = {"open sesam", "open sesame"};
    ASSERT_EQ(S_OK, OpenAndDisplay());
    ASSERT_EQ(2u, m_messages.size());
    EXPECT_EQ("The store \"Vault\" is password protected. Enter its password:", m_messages[0]);
    EXPECT_EQ("The password is not correct. Enter the password of the store \"Vault\" again:", m_messages[1]);
    wxWindow* pViewer = FindViewer();
    ASSERT_NE(nullptr, pViewer);
    EXPECT_EQ("Locked away - Item", pViewer->GetLabel());
    // Asked once per session, as a mail client asks; the profile has not kept the password.
    EXPECT_EQ(S_OK, OpenAndDisplay());
    EXPECT_EQ(2u, m_messages.size());
    EXPECT_EQ(MAPI_E_FAILONEPROVIDER, ProfileOpensVault());
}

TEST_F(ProtectedStoreWindowTest, CancelOpensNothingAndWithoutAPromptTheStoreStaysShut) {
    EXPECT_EQ(MAPI_E_USER_CANCEL, OpenAndDisplay());
    EXPECT_EQ(1u, m_messages.size());
    SetStorePasswordPrompt(nullptr);
    EXPECT_EQ(MAPI_E_FAILONEPROVIDER, OpenAndDisplay());
    EXPECT_EQ(1u, m_messages.size());
    EXPECT_EQ(nullptr, FindViewer());
}

}  // namespace
