// The store password dialog and the profile store changes notice.
#include "language/LanguageSettings.h"
#include "model/StoreInfo.h"
#include "tests/ui_dialogs/DialogFixture.h"
#include "ui/ProfileStoreChangesDlg.h"
#include "ui/StorePasswordDlg.h"

using namespace dlgtest;

namespace {

using NoticeDialogs = DialogTest;

CStoreInfo* NewStore(const char* pszName) {
    auto* pStore = new CStoreInfo;
    pStore->AddRef();
    pStore->SetStoreName(pszName);
    return pStore;
}

// The reference count, read without changing it.
ULONG RefCount(CStoreInfo* pStore) {
    pStore->AddRef();
    return pStore->Release();
}

TEST_F(NoticeDialogs, PasswordDialogGivesTheStoreWhatWasTypedAndCancelChangesNothing) {
    const struct {
        const char* pszTyped;
        UINT nMsg;
        WPARAM wParam;
        int nResult;
    } cases[] = {{"open sesame", WM_COMMAND, IDOK, IDOK},
                 // An empty password still marks the store protected.
                 {"", WM_COMMAND, IDOK, IDOK},
                 // Escape and the close box both arrive as Cancel.
                 {"typed", WM_CLOSE, 0, IDCANCEL}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszTyped);
        CStoreInfo* pStore = NewStore("Secret");
        {
            CStorePasswordDlg dlg(pStore, nullptr);
            EXPECT_EQ(2u, RefCount(pStore));
            OnModal([&c](CWnd* pDlg) {
                EXPECT_EQ("Set store password", Text(pDlg, 0));
                // The language text writes its line breaks as escapes.
                EXPECT_EQ(
                    0u,
                    Text(pDlg, IDC_STORE_PWD_EXPLANATION).find("The store is password protected.\n\nEither"));
                EXPECT_TRUE(pDlg->GetDlgItem(IDC_STORE_PWD_EDIT)->GetStyle() & ES_PASSWORD);
                pDlg->GetDlgItem(IDC_STORE_PWD_EDIT)->SetWindowText(c.pszTyped);
                pDlg->SendMessage(c.nMsg, c.wParam, 0);
                return AFX_MODAL_KEEP;
            });
            EXPECT_EQ(c.nResult, dlg.DoModal());
            if (c.nResult == IDOK) {
                EXPECT_EQ(c.pszTyped, std::string(dlg.GetPassword()));
            }
        }
        EXPECT_EQ(1u, RefCount(pStore));
        EXPECT_EQ(c.nResult == IDOK, (bool)pStore->IsPasswordProtected());
        EXPECT_EQ(c.nResult == IDOK ? c.pszTyped : "", std::string(pStore->GetPassword()));
        pStore->Release();
    }

    // Without a store the dialog only records the password.
    OnModal([](CWnd* pDlg) {
        pDlg->GetDlgItem(IDC_STORE_PWD_EDIT)->SetWindowText("x");
        pDlg->SendMessage(WM_COMMAND, IDOK, 0);
        return AFX_MODAL_KEEP;
    });
    CStorePasswordDlg none(nullptr, nullptr);
    EXPECT_EQ(IDOK, none.DoModal());
    EXPECT_EQ("x", std::string(none.GetPassword()));

    // Without language texts the built-in texts show.
    CloseLanguageModule();
    OnModal([](CWnd* pDlg) {
        EXPECT_EQ("Set store password", Text(pDlg, 0));
        EXPECT_EQ("&Cancel", Text(pDlg, IDCANCEL));
        EXPECT_EQ(0u,
                  Text(pDlg, IDC_STORE_PWD_EXPLANATION).find("The store is password protected.\n\nEither"));
        return IDCANCEL;
    });
    CStorePasswordDlg builtIn(nullptr, nullptr);
    EXPECT_EQ(IDCANCEL, builtIn.DoModal());
    InitLanguageModule();
}

TEST_F(NoticeDialogs, ChangesListTheStoresSortedWithTheirOwnReferences) {
    CStoreInfo* pB = NewStore("Beta");
    CStoreInfo* pA = NewStore("Alpha");
    CStoreInfo* pNameless = NewStore("");
    {
        // Before Init it closes unseen.
        CProfileStoreChangesDlg dlg(nullptr);
        OnModal([](CWnd*) { return IDOK; });
        EXPECT_EQ(IDCANCEL, dlg.DoModal());
        EXPECT_EQ(0, m_nModalRuns);
        CStoreInfo* added[] = {pB, nullptr, pA, pB};
        CStoreInfo* removed[] = {pNameless};
        ASSERT_EQ(S_OK, dlg.Init(added, 4, removed, 1));
        EXPECT_EQ(3u, RefCount(pB));
        EXPECT_EQ(2u, RefCount(pNameless));
        OnModal([](CWnd* pDlg) {
            EXPECT_EQ("Profile store changes", Text(pDlg, 0));
            EXPECT_EQ((std::vector<std::string>{"Alpha", "Beta", "Beta"}),
                      ListTexts(pDlg, IDC_CHANGES_ADDED_LIST));
            EXPECT_EQ((std::vector<std::string>{"?"}), ListTexts(pDlg, IDC_CHANGES_REMOVED_LIST));
            std::string explanation = Text(pDlg, IDC_CHANGES_EXPLANATION);
            EXPECT_NE(std::string::npos, explanation.find("accessed.\nSome stores"));
            EXPECT_EQ(std::string::npos, explanation.find('\\'));
            // Cancel is there for Escape, but never shown.
            EXPECT_FALSE(pDlg->GetDlgItem(IDCANCEL)->IsWindowVisible());
            return IDOK;
        });
        EXPECT_EQ(IDOK, dlg.DoModal());

        // A second Init drops what the first one held.
        ASSERT_EQ(S_OK, dlg.Init(nullptr, 0, removed, 1));
        EXPECT_EQ(1u, RefCount(pB));
        EXPECT_EQ(2u, RefCount(pNameless));
        OnModal([](CWnd* pDlg) {
            EXPECT_TRUE(ListTexts(pDlg, IDC_CHANGES_ADDED_LIST).empty());
            EXPECT_EQ("Stores added:", Text(pDlg, IDC_CHANGES_ADDED_HEADER));
            return IDCANCEL;
        });
        EXPECT_EQ(IDCANCEL, dlg.DoModal());

        // Without language texts the built-in texts show.
        CloseLanguageModule();
        OnModal([](CWnd* pDlg) {
            EXPECT_EQ("Profile store changes", Text(pDlg, 0));
            EXPECT_EQ(
                "The profile has been changed since the last time it was accessed.\nSome stores have "
                "been added and/or removed.\n\nThe configuration has been updated.",
                Text(pDlg, IDC_CHANGES_EXPLANATION));
            return IDOK;
        });
        EXPECT_EQ(IDOK, dlg.DoModal());
        InitLanguageModule();
    }
    EXPECT_EQ(1u, RefCount(pNameless));
    pA->Release();
    pB->Release();
    pNameless->Release();
}

}  // namespace
