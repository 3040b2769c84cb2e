// The search progress dialog: texts with and without languages, bars that take only 0 to 100.
#include <wx/image.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "language/LanguageSettings.h"
#include "resources/FormResource.h"
#include "resources/ResultTemplates.h"
#include "tests/support/WindowPicture.h"
#include "tests/ui_results/ResultsFixture.h"
#include "ui/FormViews.h"
#include "ui/SearchProgressDialog.h"
#include "ui/SearchResultPP.h"

// Last: its macros would clash with the names of the headers above.
#include <X11/Xlib.h>

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

    const auto waitPastInterval = [] {
        std::this_thread::sleep_for(CSearchProgressDialog::kPaintInterval + std::chrono::milliseconds(5));
    };
    waitPastInterval();
    pDialog->SetItemProgress(40);
    const int nRepaints = pDialog->GetRepaintCount();
    EXPECT_EQ(2, nRepaints);  // the bar and its label
    waitPastInterval();
    pDialog->SetItemProgress(-1);
    pDialog->SetItemProgress(101);
    pDialog->SetItemProgress(40);  // no change either
    EXPECT_EQ(40, pDialog->GetItemsBar().GetPos());
    EXPECT_EQ(nRepaints, pDialog->GetRepaintCount());  // nothing repainted
    pDialog->SetItemProgress(100);
    EXPECT_EQ(100, pDialog->GetItemsBar().GetPos());
    EXPECT_EQ(nRepaints + 2, pDialog->GetRepaintCount());
    // A change right after a drawing takes its value at once but waits to be drawn until a
    // setter call comes after the interval.
    const auto drawn = std::chrono::steady_clock::now();
    pDialog->SetItemProgress(99);
    pDialog->SetStoreProgress(10);
    EXPECT_EQ(99, pDialog->GetItemsBar().GetPos());
    // (A machine slowed down past the interval may draw it already.)
    if (std::chrono::steady_clock::now() - drawn < CSearchProgressDialog::kPaintInterval) {
        EXPECT_EQ(nRepaints + 2, pDialog->GetRepaintCount());
    }
    waitPastInterval();
    pDialog->SetItemProgress(99);
    EXPECT_EQ(nRepaints + 6, pDialog->GetRepaintCount());
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

// What one look at the dialog saw: the filled part of the items bar (pixels in the fill colour)
// and, per label, its dark (text) and light (background) pixels.
struct DialogLook {
    int nFilled = 0;
    int nDark[3] = {};
    int nLight[3] = {};
    bool bPostedKept = false;
};

// Passes every step to the real dialog. At a quarter and at three quarters of the items the
// search pauses past the dialog's drawing interval, as on a slow store, and the screen is read.
class CWatchedProgress : public ISearchProgress {
public:
    CWatchedProgress(std::unique_ptr<ISearchProgress> dialog, std::vector<DialogLook>& looks)
        : m_dialog(std::move(dialog)), m_looks(looks) {}
    void SetStoreProgress(int nPercent) override { m_dialog->SetStoreProgress(nPercent); }
    void SetFolderProgress(int nPercent) override { m_dialog->SetFolderProgress(nPercent); }
    void SetItemProgress(int nPercent) override {
        const bool bLook = nPercent >= (m_looks.empty() ? 25 : 75) && m_looks.size() < 2;
        if (bLook) {
            std::this_thread::sleep_for(CSearchProgressDialog::kPaintInterval +
                                        std::chrono::milliseconds(20));
            // Something posted waits for the message loop; the dialog's drawing delivers nothing.
            auto* pDialog = dynamic_cast<CSearchProgressDialog*>(m_dialog.get());
            AfxPostMessage(pDialog->GetSafeHwnd(), WM_NULL, 0, 0);
        }
        const size_t nPosted = AfxGetPostedMessageCount();
        m_dialog->SetItemProgress(nPercent);
        if (bLook) {
            m_looks.push_back(Look());
            m_looks.back().bPostedKept = nPosted > 0 && AfxGetPostedMessageCount() == nPosted;
        }
    }

private:
    DialogLook Look() {
        auto* pDialog = dynamic_cast<CSearchProgressDialog*>(m_dialog.get());
        DialogLook look;
        CRect rc;
        pDialog->GetItemsBar().GetWindowRect(&rc);
        const wxImage bar = qrvtest::ScreenPixels(rc);
        for (int y = 0; y < bar.GetHeight(); ++y)
            for (int x = 0; x < bar.GetWidth(); ++x)
                if (bar.GetBlue(x, y) > bar.GetRed(x, y) + 60)
                    ++look.nFilled;
        const int labels[] = {IDC_PROGRESS_STORES_LABEL, IDC_PROGRESS_FOLDERS_LABEL,
                              IDC_PROGRESS_ITEMS_LABEL};
        for (int i = 0; i < 3; ++i) {
            pDialog->GetDlgItem(labels[i])->GetWindowRect(&rc);
            const wxImage label = qrvtest::ScreenPixels(rc);
            for (int y = 0; y < label.GetHeight(); ++y)
                for (int x = 0; x < label.GetWidth(); ++x) {
                    const int sum = label.GetRed(x, y) + label.GetGreen(x, y) + label.GetBlue(x, y);
                    // The label texts are short: the text stands at the left, the rest is blank.
                    look.nDark[i] += sum < 3 * 100 ? (x < 100 ? 1 : 1000) : 0;
                    look.nLight[i] += sum > 3 * 180 ? 1 : 0;
                }
        }
        return look;
    }
    std::unique_ptr<ISearchProgress> m_dialog;
    std::vector<DialogLook>& m_looks;
};

class WatchedProgressUi : public FakeUiServices {
public:
    std::unique_ptr<ISearchProgress> CreateSearchProgress(CWnd* pParent) override {
        return std::make_unique<CWatchedProgress>(CreateSearchProgressDialog(pParent), looks);
    }
    std::vector<DialogLook> looks;  // of the last search
};

// Read from the screen in the middle of a search, without the test turning the event loop: the
// labels are written and the items bar fills as the search goes on.
TEST_F(ProgressDialogTest, TheDialogDrawsItsLabelsAndMovingBarsWhileTheSearchRuns) {
    for (DWORD i = 0; i < 120; ++i)
        AddMail({"Subject " + std::to_string(i % 60), "Tom", i});
    ChooserScript chooser = m_ui->chooser;
    m_ui.reset();
    auto* pUi = new WatchedProgressUi;
    pUi->chooser = chooser;
    m_ui.reset(pUi);
    FVPagedView* pView = ShowForm(m_pConfig);
    ASSERT_NE(nullptr, pView);
    ASSERT_NE(nullptr, Start(pView));
    const std::vector<DialogLook>& looks = pUi->looks;
    ASSERT_EQ(2u, looks.size());
    for (const DialogLook& look : looks) {
        EXPECT_TRUE(look.bPostedKept);
        for (int i = 0; i < 3; ++i) {
            EXPECT_GT(look.nDark[i], 10) << "label " << i;
            EXPECT_LT(look.nDark[i], 1000) << "label " << i;
            EXPECT_GT(look.nLight[i], 10) << "label " << i;
        }
    }
    EXPECT_GT(looks[0].nFilled, 0);
    EXPECT_GT(looks[1].nFilled, looks[0].nFilled * 2);
    CloseForm(pView);
}

// A cleanup (and a fill of the tree) drives the form view's progress bar while it keeps the event
// loop from running: the bar shown in the place of Start is drawn, with its label, and fills as the
// work goes on, read from the screen without the test turning the event loop.
TEST_F(ProgressDialogTest, TheFormsCleanupProgressIsDrawnWhileTheCleanupRuns) {
    FVPagedView* pView = ShowForm(m_pConfig);
    ASSERT_NE(nullptr, pView);
    Settle(200);
    auto look = [&](int* pnFilled, int* pnText) {
        CRect rc;
        pView->GetProgressCtrl().GetWindowRect(&rc);
        const wxImage bar = qrvtest::ScreenPixels(rc);
        *pnFilled = 0;
        for (int y = 0; y < bar.GetHeight(); ++y)
            for (int x = 0; x < bar.GetWidth(); ++x)
                *pnFilled += bar.GetBlue(x, y) > bar.GetRed(x, y) + 60 ? 1 : 0;
        pView->GetDlgItem(IDC_FV_PROGRESS_TEXT)->GetWindowRect(&rc);
        const wxImage label = qrvtest::ScreenPixels(rc);
        *pnText = 0;
        for (int y = 0; y < label.GetHeight(); ++y)
            for (int x = 0; x < label.GetWidth(); ++x)
                *pnText += label.GetRed(x, y) + label.GetGreen(x, y) + label.GetBlue(x, y) < 3 * 100 ? 1 : 0;
    };
    ASSERT_EQ(S_OK, pView->StartCleanup());
    // The work goes on past the drawing interval between two steps, as on a large store.
    int nFilled = 0, nText = 0, nFilledLater = 0;
    for (int nPercent : {20, 25, 30}) {
        std::this_thread::sleep_for(CSearchProgressDialog::kPaintInterval + std::chrono::milliseconds(20));
        ASSERT_EQ(S_OK, pView->SetProgress(nPercent));
    }
    look(&nFilled, &nText);
    for (int nPercent : {60, 70, 80}) {
        std::this_thread::sleep_for(CSearchProgressDialog::kPaintInterval + std::chrono::milliseconds(20));
        ASSERT_EQ(S_OK, pView->SetProgress(nPercent));
    }
    look(&nFilledLater, &nText);
    EXPECT_GT(nText, 10);
    EXPECT_GT(nFilled, 0);
    EXPECT_GT(nFilledLater, nFilled * 2);
    EXPECT_EQ(S_OK, pView->EndCleanup());
    CloseForm(pView);
}

// The toolkit draws at most one frame per refresh of the screen: a display shown just after a frame
// was drawn (as the automatic mode starts its cleanup right after the tree's first paint) would be
// drawn only at a later turn, and the first steps of a cleanup (collecting, then checking the
// store) may not give one for seconds. The display is on screen before the first step.
TEST_F(ProgressDialogTest, TheCleanupProgressShownRightAfterAFrameIsOnScreenBeforeTheFirstStep) {
    FVPagedView* pView = ShowForm(m_pConfig);
    ASSERT_NE(nullptr, pView);
    Settle(200);
    pView->Invalidate(TRUE);
    AfxPaintFrameNow(pView);  // a frame, drawn just now
    ASSERT_EQ(S_OK, pView->StartCleanup());
    CRect rc;
    pView->GetDlgItem(IDC_FV_PROGRESS_TEXT)->GetWindowRect(&rc);
    const wxImage label = qrvtest::ScreenPixels(rc);
    int nText = 0;
    for (int y = 0; y < label.GetHeight(); ++y)
        for (int x = 0; x < label.GetWidth(); ++x)
            nText += label.GetRed(x, y) + label.GetGreen(x, y) + label.GetBlue(x, y) < 3 * 100 ? 1 : 0;
    EXPECT_GT(nText, 10);
    EXPECT_EQ(S_OK, pView->EndCleanup());
    CloseForm(pView);
}

// Counts what a look at the dialog's items bar and labels found: pixels of the colour that covered
// it, and dark (text) pixels of the labels.
struct UncoveredLook {
    int nCoverColour = 0;
    int nText = 0;
};

UncoveredLook LookAtUncovered(CSearchProgressDialog* pDialog) {
    UncoveredLook look;
    const int ids[] = {IDC_PROGRESS_ITEMS, IDC_PROGRESS_STORES_LABEL, IDC_PROGRESS_ITEMS_LABEL};
    for (int id : ids) {
        CRect rc;
        pDialog->GetDlgItem(id)->GetWindowRect(&rc);
        const wxImage image = qrvtest::ScreenPixels(rc);
        for (int y = 0; y < image.GetHeight(); ++y)
            for (int x = 0; x < image.GetWidth(); ++x) {
                const int r = image.GetRed(x, y), g = image.GetGreen(x, y), b = image.GetBlue(x, y);
                look.nCoverColour += r > 200 && g < 60 && b < 60 ? 1 : 0;
                look.nText += id != IDC_PROGRESS_ITEMS && r + g + b < 3 * 100 ? 1 : 0;
            }
    }
    return look;
}

// Another program's window lies over the dialog for a moment and goes, while the search is in a
// stretch where no shown value changes (a window manager that maps the dialog late leaves it just
// as unpainted). The search's calls keep coming, without the test turning the event loop: the
// dialog paints the uncovered part again within its drawing interval.
TEST_F(ProgressDialogTest, AnUncoveredDialogPaintsItselfAgainWhileTheValuesStayTheSame) {
    std::unique_ptr<ISearchProgress> progress = CreateSearchProgressDialog(m_pHost);
    auto* pDialog = dynamic_cast<CSearchProgressDialog*>(progress.get());
    ASSERT_NE(nullptr, pDialog);
    pDialog->SetItemProgress(50);
    pDialog->DrawNow();  // draws the change that may wait: nothing waits from here on
    Settle(200);
    ASSERT_GT(LookAtUncovered(pDialog).nText, 10);

    Display* pDisplay = XOpenDisplay(nullptr);
    ASSERT_NE(nullptr, pDisplay);
    XColor red{};
    red.red = 0xffff;
    ASSERT_NE(0, XAllocColor(pDisplay, DefaultColormap(pDisplay, DefaultScreen(pDisplay)), &red));
    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    attributes.background_pixel = red.pixel;
    CRect rc;
    pDialog->GetWindowRect(&rc);
    const Window cover = XCreateWindow(
        pDisplay, DefaultRootWindow(pDisplay), rc.left, rc.top, unsigned(rc.Width()), unsigned(rc.Height()),
        0, CopyFromParent, InputOutput, CopyFromParent, CWOverrideRedirect | CWBackPixel, &attributes);
    XMapRaised(pDisplay, cover);
    XSync(pDisplay, False);
    ASSERT_GT(LookAtUncovered(pDialog).nCoverColour, 100);
    XDestroyWindow(pDisplay, cover);
    XSync(pDisplay, False);
    XCloseDisplay(pDisplay);

    // Only the search's calls, never a turn of the event loop by the test, until the screen shows
    // the dialog whole again; a loaded display may take its time, so each look follows a few
    // intervals of calls, and the looks go on for a while.
    const int nRepaints = pDialog->GetRepaintCount();
    UncoveredLook look;
    for (int nLook = 0; nLook < 40; ++nLook) {
        const auto until = std::chrono::steady_clock::now() + 3 * CSearchProgressDialog::kPaintInterval;
        while (std::chrono::steady_clock::now() < until) {
            pDialog->SetItemProgress(50);
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        look = LookAtUncovered(pDialog);
        if (look.nCoverColour == 0)
            break;
    }
    EXPECT_EQ(0, look.nCoverColour);
    EXPECT_GT(look.nText, 10);
    // Only the toolkit's own damage was drawn: no control was repainted for it.
    EXPECT_EQ(nRepaints, pDialog->GetRepaintCount());
}

}  // namespace
}  // namespace qrvtest
