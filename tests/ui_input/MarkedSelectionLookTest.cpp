// A selected entry of the result tree shows on the screen whether it is marked: a marked entry
// keeps its grey text on the selection, an unmarked one is written in white.
#include <gtest/gtest.h>

#include <wx/app.h>
#include <wx/image.h>
#include <wx/toplevel.h>

#include <cstdlib>
#include <string>

#include "platform/afx/wnd/Gdi.h"
#include "tests/support/WindowPicture.h"
#include "tests/ui_input/InputFixture.h"
#include "ui/FormViews.h"
#include "ui/ItemInfo.h"
#include "ui/SearchResultPP.h"

namespace qrvtest {
namespace {

struct TextPixels {
    int nWhite = 0;
    int nGrey = 0;
};

class MarkedSelectionLookTest : public InputFixture {
protected:
    // Counts the pixels of the item's label, as the screen shows it, that are white or close to the
    // grey text colour. The label's edge is left out: the selection's focus frame runs there.
    TextPixels LookAt(CSearchResultPP* pPage, HTREEITEM hItem) {
        CResultTree& tree = pPage->GetTree();
        wxGetTopLevelParent(tree.GetWxWindow())->Raise();
        tree.SelectItem(hItem);
        tree.SetFocus();
        // The toolkit's tree lays out and repaints a changed selection when the program is idle.
        for (int i = 0; i < 5; ++i) {
            wxTheApp->ProcessIdle();
            Settle(40);
        }
        EXPECT_EQ(hItem, tree.GetSelectedItem());
        CRect rc;
        EXPECT_TRUE(tree.GetItemRect(hItem, &rc, TRUE));
        tree.ClientToScreen(&rc);
        rc.left += 3;
        rc.top += 3;
        rc.right -= 3;
        rc.bottom -= 3;
        const wxImage image = qrvtest::ScreenPixels(rc);
        const COLORREF crGrey = GetSysColor(COLOR_GRAYTEXT);
        TextPixels pixels;
        for (int y = 0; y < image.GetHeight(); ++y)
            for (int x = 0; x < image.GetWidth(); ++x) {
                const int r = image.GetRed(x, y);
                const int g = image.GetGreen(x, y);
                const int b = image.GetBlue(x, y);
                if (r > 235 && g > 235 && b > 235)
                    ++pixels.nWhite;
                if (std::abs(r - GetRValue(crGrey)) + std::abs(g - GetGValue(crGrey)) +
                        std::abs(b - GetBValue(crGrey)) <
                    24)
                    ++pixels.nGrey;
            }
        return pixels;
    }
};

TEST_F(MarkedSelectionLookTest, SelectedMarkedEntryStaysGrey) {
    AddMail({"Quarterly review", "Ann", 100});
    AddMail({"Quarterly review", "Ann", 200});
    FVPagedView* pView = ShowForm(m_pConfig);
    CSearchResultPP* pPage = Start(pView);
    ASSERT_NE(nullptr, pPage);
    CResultTree& tree = pPage->GetTree();
    ASSERT_EQ(1u, Roots(tree).size());
    const HTREEITEM hPivot = Roots(tree)[0];
    const HTREEITEM hMarked = Children(tree, hPivot)[0];
    ASSERT_TRUE(Info(tree, hMarked)->bDelete);

    const TextPixels pivot = LookAt(pPage, hPivot);
    EXPECT_GT(pivot.nWhite, 10);
    const TextPixels marked = LookAt(pPage, hMarked);
    EXPECT_EQ(0, marked.nWhite);
    // The strike-out line alone is a run of grey pixels as wide as the text.
    EXPECT_GT(marked.nGrey, 20);
    if (HasFailure())
        SaveScreenshot(&tree, "ui_input/marked_selection.png");
    CloseForm(pView);
}

}  // namespace
}  // namespace qrvtest
