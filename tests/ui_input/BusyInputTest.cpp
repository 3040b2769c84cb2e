// Clicks made while a search and the fill of its result tree keep the user-interface thread busy
// go, as clicks on a disabled window do: a click on Start does not start a second search once the
// first is over.
#include <gtest/gtest.h>

#include <wx/eventfilter.h>
#include <wx/toplevel.h>
#include <wx/utils.h>

#include <memory>
#include <utility>

#include "platform/afx/wnd/BusyPeriod.h"
#include "resources/FormResource.h"
#include "resources/ResultTemplates.h"
#include "tests/support/RealInput.h"
#include "tests/ui_input/InputFixture.h"
#include "ui/FormViews.h"
#include "ui/SearchProgressDialog.h"
#include "ui/SearchResultPP.h"

namespace qrvtest {
namespace {

CPoint Middle(CWnd* pWnd) {
    CRect rc;
    pWnd->GetWindowRect(&rc);
    return CPoint((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
}

// A left click of the real pointer, at the display server before this returns; the program
// reads it only when its toolkit next looks at the queue.
void ServerClick(const CPoint& pt) {
    RealInput().ServerClick(pt);
}

// The real progress dialog; the first search it shows gets a click at m_pt, either at its first
// step, followed by a turn of the dialog's drawing, or when the search is over and the tree fill
// is next.
class ClickingProgress : public ISearchProgress {
public:
    ClickingProgress(std::unique_ptr<ISearchProgress> dialog, const CPoint* pClickAtStep,
                     const CPoint* pClickAtEnd)
        : m_dialog(std::move(dialog)), m_pClickAtStep(pClickAtStep), m_pClickAtEnd(pClickAtEnd) {}
    ~ClickingProgress() override {
        // After the dialog: a click on it would go to the dialog's window, gone by then.
        m_dialog.reset();
        if (m_pClickAtEnd != nullptr)
            ServerClick(*m_pClickAtEnd);
    }
    void SetStoreProgress(int nPercent) override { m_dialog->SetStoreProgress(nPercent); }
    void SetFolderProgress(int nPercent) override { m_dialog->SetFolderProgress(nPercent); }
    void SetItemProgress(int nPercent) override {
        m_dialog->SetItemProgress(nPercent);
        if (m_pClickAtStep != nullptr) {
            ServerClick(*m_pClickAtStep);
            m_pClickAtStep = nullptr;
            if (auto* pDialog = dynamic_cast<CSearchProgressDialog*>(m_dialog.get()))
                pDialog->DrawNow();
        }
    }

private:
    std::unique_ptr<ISearchProgress> m_dialog;
    const CPoint* m_pClickAtStep;
    const CPoint* m_pClickAtEnd;
};

class ClickingUi : public FakeUiServices {
public:
    std::unique_ptr<ISearchProgress> CreateSearchProgress(CWnd* pParent) override {
        ++nSearches;
        const bool bClick = std::exchange(bArmed, false);
        return std::make_unique<ClickingProgress>(CreateSearchProgressDialog(pParent),
                                                  bClick && bAtStep ? &pt : nullptr,
                                                  bClick && !bAtStep ? &pt : nullptr);
    }
    int nSearches = 0;
    // The next search gets a click at pt: at its first step, or at its end.
    bool bArmed = false;
    bool bAtStep = true;
    CPoint pt;
};

class BusyInputTest : public InputFixture {
protected:
    void SetUp() override {
        InputFixture::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        AddMail({"Budget", "Ann", 100});
        AddMail({"Budget", "Ann", 200});
        ChooserScript chooser = m_ui->chooser;
        m_ui.reset();
        m_pUi = new ClickingUi;
        m_pUi->chooser = chooser;
        m_ui.reset(m_pUi);
        m_pView = ShowForm(m_pConfig);
        ASSERT_NE(nullptr, m_pView);
        wxGetTopLevelParent(m_pView->GetWxWindow())->Raise();
        Settle(100);
    }
    void TearDown() override {
        if (m_pView != nullptr)
            CloseForm(m_pView);
        InputFixture::TearDown();
    }
    ClickingUi* m_pUi = nullptr;
    FVPagedView* m_pView = nullptr;
};

TEST_F(BusyInputTest, AClickOnStartDuringTheSearchStartsNoSecondSearch) {
    CWnd* pStart = m_pView->GetDlgItem(IDC_FV_START);
    ASSERT_NE(nullptr, pStart);
    m_pUi->pt = Middle(pStart);
    m_pUi->bArmed = true;
    ASSERT_NE(nullptr, Start(m_pView));
    Settle(500);
    EXPECT_EQ(1, m_pUi->nSearches);
    // The same click made while nothing runs does search: it was aimed right.
    EXPECT_TRUE(ClickUntil(pStart, m_pUi->pt, [&] { return m_pUi->nSearches == 2; }));
}

// The click comes after the search's last drawing, with the tree fill still to come: no drawing
// turn reads it before the form shows Start again.
TEST_F(BusyInputTest, AClickOnStartDuringTheTreeFillStartsNoSecondSearch) {
    CWnd* pStart = m_pView->GetDlgItem(IDC_FV_START);
    ASSERT_NE(nullptr, pStart);
    m_pUi->pt = Middle(pStart);
    m_pUi->bArmed = true;
    m_pUi->bAtStep = false;
    ASSERT_NE(nullptr, Start(m_pView));
    Settle(500);
    EXPECT_EQ(1, m_pUi->nSearches);
}

// One button event of the real pointer at pt, at the display server before this returns.
void ServerButton(const CPoint& pt, bool bPress) {
    RealInput().ServerButton(pt, bPress);
}

// A busy period in which the toolkit looks at its queue, as a progress display does.
void BusyTurn() {
    CBusyPeriod busy;
    AfxDropHeldInput();
}

// A press that reached Start before the work began keeps its release: the button is not left
// pressed, and the click it makes still counts.
TEST_F(BusyInputTest, TheReleaseOfAPressMadeBeforeTheWorkStays) {
    CWnd* pStart = m_pView->GetDlgItem(IDC_FV_START);
    ASSERT_NE(nullptr, pStart);
    const CPoint pt = Middle(pStart);
    ServerButton(pt, true);
    Settle(200);
    ServerButton(pt, false);
    BusyTurn();
    Settle(500);
    EXPECT_EQ(1, m_pUi->nSearches);
}

// A press dropped in one busy period whose release comes only after it (the button held past the
// work) is forgotten at the period's end: the next busy period keeps the release of a press that
// reached Start before it, and that click counts.
TEST_F(BusyInputTest, APressDroppedInOneBusyPeriodCostsNoLaterClickItsRelease) {
    CWnd* pStart = m_pView->GetDlgItem(IDC_FV_START);
    ASSERT_NE(nullptr, pStart);
    const CPoint pt = Middle(pStart);
    {
        CBusyPeriod busy;
        wxMilliSleep(5);
        ServerButton(pt, true);
        AfxDropHeldInput();
    }
    ServerButton(pt, false);
    Settle(300);
    // The dropped press made no click.
    EXPECT_EQ(0, m_pUi->nSearches);
    ServerButton(pt, true);
    Settle(200);
    ServerButton(pt, false);
    BusyTurn();
    Settle(500);
    EXPECT_EQ(1, m_pUi->nSearches);
}

// The left button's presses and releases that reach any window of the program.
class CButtonWatch : public wxEventFilter {
public:
    CButtonWatch() { wxEvtHandler::AddFilter(this); }
    ~CButtonWatch() override { wxEvtHandler::RemoveFilter(this); }
    int FilterEvent(wxEvent& event) override {
        nDowns += event.GetEventType() == wxEVT_LEFT_DOWN ? 1 : 0;
        nUps += event.GetEventType() == wxEVT_LEFT_UP ? 1 : 0;
        return Event_Skip;
    }
    int nDowns = 0, nUps = 0;
};

// What comes late in a busy period goes with it: the release of a press dropped at an earlier look
// at the queue (no window hears half a click), and a click made after the period's last look,
// which its end drops.
TEST_F(BusyInputTest, InputThatComesLateInTheWorkGoesWithIt) {
    CWnd* pStart = m_pView->GetDlgItem(IDC_FV_START);
    ASSERT_NE(nullptr, pStart);
    const CPoint pt = Middle(pStart);
    CButtonWatch watch;
    const int nRefused = AfxGetRefusedInputCount();
    {
        CBusyPeriod busy;
        wxMilliSleep(5);
        ServerButton(pt, true);
        AfxDropHeldInput();
        ServerButton(pt, false);
        AfxDropHeldInput();
    }
    Settle(300);
    EXPECT_EQ(0, watch.nDowns);
    EXPECT_EQ(0, watch.nUps);
    // The click that went is refused with the bell, never without a sign.
    EXPECT_EQ(nRefused + 1, AfxGetRefusedInputCount());

    {
        CBusyPeriod busy;
        wxMilliSleep(5);
        AfxDropHeldInput();
        ServerClick(pt);
    }
    Settle(500);
    EXPECT_EQ(0, watch.nDowns);
    EXPECT_EQ(0, watch.nUps);
    EXPECT_EQ(0, m_pUi->nSearches);
    EXPECT_EQ(nRefused + 2, AfxGetRefusedInputCount());
}

// A click made before the work began, still waiting when it begins, is no input made during the
// work: it acts once the work is over.
TEST_F(BusyInputTest, AClickMadeBeforeTheWorkBeganStaysForAfterIt) {
    CWnd* pStart = m_pView->GetDlgItem(IDC_FV_START);
    ASSERT_NE(nullptr, pStart);
    const int nRefused = AfxGetRefusedInputCount();
    ServerClick(Middle(pStart));
    // The display server's clock counts milliseconds: the work begins in a later one.
    wxMilliSleep(5);
    BusyTurn();
    Settle(500);
    EXPECT_EQ(1, m_pUi->nSearches);
    EXPECT_EQ(nRefused, AfxGetRefusedInputCount());
}

}  // namespace
}  // namespace qrvtest
