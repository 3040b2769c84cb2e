// The search progress dialog: texts with and without languages, bars that take only 0 to 100.
#include "language/LanguageSettings.h"
#include "resources/ResultTemplates.h"
#include "tests/ui_results/ResultsFixture.h"
#include "ui/FormViews.h"
#include "ui/SearchProgressDialog.h"
#include "ui/SearchResultPP.h"

namespace qrvtest {
namespace {

class ProgressDialogTest : public ResultsFixture {};

TEST_F(ProgressDialogTest, BarsTakeZeroToHundredAndIgnoreTheRest) {
    std::unique_ptr<ISearchProgress> progress = CreateSearchProgressDialog(m_pHost);
    auto* pDialog = dynamic_cast<CSearchProgressDialog*>(progress.get());
    ASSERT_NE(nullptr, pDialog);
    EXPECT_TRUE(pDialog->IsWindowVisible());
    int nLower = -1, nUpper = -1;
    pDialog->GetItemsBar().GetRange(nLower, nUpper);
    EXPECT_EQ(0, nLower);
    EXPECT_EQ(100, nUpper);
    EXPECT_FALSE(pDialog->GetDlgItem(IDOK)->IsWindowVisible());
    EXPECT_FALSE(pDialog->GetDlgItem(IDCANCEL)->IsWindowVisible());

    pDialog->SetItemProgress(40);
    const int nRepaints = pDialog->GetRepaintCount();
    pDialog->SetItemProgress(-1);
    pDialog->SetItemProgress(101);
    EXPECT_EQ(40, pDialog->GetItemsBar().GetPos());
    EXPECT_EQ(nRepaints, pDialog->GetRepaintCount());  // nothing repainted
    pDialog->SetItemProgress(100);
    EXPECT_EQ(100, pDialog->GetItemsBar().GetPos());
    EXPECT_EQ(nRepaints + 2, pDialog->GetRepaintCount());  // the bar and its label
    pDialog->SetItemProgress(0);
    EXPECT_EQ(0, pDialog->GetItemsBar().GetPos());
    pDialog->SetStoreProgress(50);
    pDialog->SetFolderProgress(75);
    EXPECT_EQ(50, pDialog->GetStoresBar().GetPos());
    EXPECT_EQ(75, pDialog->GetFoldersBar().GetPos());
    EXPECT_EQ(0, pDialog->GetItemsBar().GetPos());

    EXPECT_EQ("Progress", ControlText(pDialog));
    EXPECT_EQ("Stores:", ControlText(pDialog, IDC_PROGRESS_STORES_LABEL));
    // The window goes with the object.
    HWND hWnd = pDialog->GetSafeHwnd();
    progress.reset();
    EXPECT_FALSE(AfxIsWindow(hWnd));
}

TEST_F(ProgressDialogTest, WithoutLanguageTextsTheEnglishDefaultsShow) {
    CloseLanguageModule();
    {
        CSearchProgressDialog dialog(m_pHost);
        ASSERT_TRUE(dialog.Create(IDD_SEARCH_PROGRESS, m_pHost));
        EXPECT_EQ("Progress", ControlText(&dialog));
        EXPECT_EQ("Stores:", ControlText(&dialog, IDC_PROGRESS_STORES_LABEL));
        EXPECT_EQ("Folders:", ControlText(&dialog, IDC_PROGRESS_FOLDERS_LABEL));
        EXPECT_EQ("Items:", ControlText(&dialog, IDC_PROGRESS_ITEMS_LABEL));
        // Before it is shown the bars take values already.
        dialog.SetFolderProgress(30);
        EXPECT_EQ(30, dialog.GetFoldersBar().GetPos());
    }
    ASSERT_EQ(S_OK, InitLanguageModule());
    ASSERT_EQ(S_OK, LoadLanguages(2057));
}

// The search shows the real dialog while the page opens, and it is gone afterwards.
class SearchWithProgressUi : public FakeUiServices {
public:
    std::unique_ptr<ISearchProgress> CreateSearchProgress(CWnd* pParent) override {
        ++nMade;
        auto progress = CreateSearchProgressDialog(pParent);
        if (auto* p = dynamic_cast<CSearchProgressDialog*>(progress.get()))
            hLast = p->GetSafeHwnd();
        return progress;
    }
    int nMade = 0;
    HWND hLast = nullptr;
};

TEST_F(ProgressDialogTest, TheSearchOfTheResultsPageShowsAndDropsTheDialog) {
    AddMail({"Twin", "Tom", 1});
    AddMail({"Twin", "Tom", 2});
    // The old services go first: their end unregisters whatever services are installed.
    ChooserScript chooser = m_ui->chooser;
    m_ui.reset();
    auto* pUi = new SearchWithProgressUi;
    pUi->chooser = chooser;
    m_ui.reset(pUi);
    FVPagedView* pView = ShowForm(m_pConfig);
    ASSERT_NE(nullptr, pView);
    CSearchResultPP* pPage = Start(pView);
    ASSERT_NE(nullptr, pPage);
    EXPECT_EQ(1, pUi->nMade);
    EXPECT_NE(nullptr, pUi->hLast);
    EXPECT_FALSE(AfxIsWindow(pUi->hLast));
    CloseForm(pView);
}

}  // namespace
}  // namespace qrvtest
