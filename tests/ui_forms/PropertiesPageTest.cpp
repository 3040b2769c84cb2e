// The Properties page on a real store: the rows, toggling a mark, the discard question, the marks
// kept across showings, and the names after a change of language.
#include <algorithm>
#include <string>
#include <vector>

#include <wx/listctrl.h>

#include "language/LanguageSettings.h"
#include "model/PropertyID.h"
#include "model/PropertyList.h"
#include "platform/afx/wnd/MessageBoxUi.h"
#include "resources/FormResource.h"
#include "tests/ui_forms/FormsFixture.h"
#include "ui/FormViews.h"

namespace {

using qrvtest::CountingObserver;
using qrvtest::FormsFixture;
using qrvtest::ResultPageStandIn;

class PropertiesPageTest : public FormsFixture {
protected:
    FVPagedView* ShowReady(DWORD dwType) {
        CConfigInfo* pConfig = MakeConfig(dwType);
        ChooseProfile(pConfig);
        AddInbox(pConfig);
        return ShowForm(pConfig);
    }
    static CPropertyID* RowProperty(CPropertyOptionsPP& page, int nRow) {
        return reinterpret_cast<CPropertyID*>(page.GetListCtrl().GetItemData(nRow));
    }
    static void DoubleClick(CPropertyOptionsPP& page, int nRow) {
        NMLISTVIEW nm{};
        nm.hdr.code = NM_DBLCLK;
        nm.iItem = nRow;
        page.GetListCtrl().NotifyParent(&nm.hdr);
    }
    // The selected flags of the configuration's properties, in the list's walk order.
    std::vector<BOOL> Marks() {
        std::vector<BOOL> marks;
        CPropertyList* pList = nullptr;
        m_pConfig->GetPropertyList(&pList);
        CPropertyID* pProp = nullptr;
        for (pList->GetFirstProperty(&pProp); pProp != nullptr; pList->GetNextProperty(&pProp)) {
            marks.push_back(pProp->IsSelected());
            pProp->Release();
            pProp = nullptr;
        }
        pList->Release();
        return marks;
    }
};

TEST_F(PropertiesPageTest, ListsTheComparablePropertiesSortedAndRenamesThemWithTheLanguage) {
    FVPagedView* pView = ShowReady(CONFIG_TYPE_CONTACT);
    ASSERT_NE(nullptr, pView);
    CPropertyOptionsPP& page = pView->GetPropertiesPage();
    CPropertyListCtrl& list = page.GetListCtrl();
    ASSERT_GT(list.GetItemCount(), 0);
    EXPECT_TRUE(list.IsWindowEnabled());
    EXPECT_EQ(2, list.GetColumnCount());
    EXPECT_EQ((DWORD)LVS_REPORT, list.GetStyle() & LVS_TYPEMASK);
    EXPECT_NE(0u, list.GetStyle() & LVS_SHOWSELALWAYS);
    EXPECT_EQ((DWORD)(LVS_EX_FULLROWSELECT | LVS_EX_SUBITEMIMAGES),
              list.GetExtendedStyle() & (LVS_EX_FULLROWSELECT | LVS_EX_SUBITEMIMAGES));
    EXPECT_EQ(CString("Property tag"), list.GetColumnText(0));
    EXPECT_EQ(CString("Type"), list.GetColumnText(1));
    std::vector<std::string> english;
    for (int i = 0; i < list.GetItemCount(); ++i) {
        ASSERT_NE(nullptr, RowProperty(page, i)) << i;
        english.emplace_back((LPCSTR)list.GetItemText(i, 0));
        EXPECT_FALSE(english.back().empty()) << i;
        EXPECT_TRUE(i == 0 || list.GetItemText(i - 1, 0).CompareNoCase(list.GetItemText(i, 0)) <= 0) << i;
    }
    EXPECT_EQ(PROP_IMAGE_STRING, CPropertyOptionsPP::GetTypeImage(PT_UNICODE));
    EXPECT_EQ(PROP_IMAGE_TIME, CPropertyOptionsPP::GetTypeImage(PT_SYSTIME));
    EXPECT_EQ(PROP_IMAGE_UNSELECTED, CPropertyOptionsPP::GetTypeImage(PT_CLSID));

    ASSERT_EQ(S_OK, SetDefaultLanguageID(1031));
    EXPECT_EQ(S_OK, page.OnLanguageChange());
    EXPECT_EQ(CString("Eigenschaft"), list.GetColumnText(0));
    EXPECT_EQ(CString("Typ"), list.GetColumnText(1));
    EXPECT_EQ("Eigenschaften", ControlText(&page, IDC_PROP_GROUP));
    int nRenamed = 0;
    for (int i = 0; i < list.GetItemCount(); ++i)
        nRenamed += english[(size_t)i] != (LPCSTR)list.GetItemText(i, 0) ? 1 : 0;
    EXPECT_GT(nRenamed, 0);
    SetDefaultLanguageID(2057);
    CloseForm(pView);
}

TEST_F(PropertiesPageTest, OnlyAClickOnTheMarkWhereTheListDrawsItToggles) {
    FVPagedView* pView = ShowReady(CONFIG_TYPE_CONTACT);
    ASSERT_NE(nullptr, pView);
    pView->GetTabCtrl().SetCurSel(1);
    NMHDR hdr{};
    hdr.code = TCN_SELCHANGE;
    pView->GetTabCtrl().NotifyParent(&hdr);
    Settle(50);
    CPropertyOptionsPP& page = pView->GetPropertiesPage();
    CPropertyListCtrl& list = page.GetListCtrl();
    ASSERT_GT(list.GetItemCount(), 1);
    CPropertyID* pProp = RowProperty(page, 0);
    const BOOL bBefore = pProp->IsSelected();
    CRect rcIcon, rcLabel;
    ASSERT_TRUE(list.GetItemRect(0, &rcIcon, LVIR_ICON));
    ASSERT_TRUE(list.GetItemRect(0, &rcLabel, LVIR_LABEL));
    list.SimulateClick(CPoint(rcLabel.left + 20, rcLabel.top + 6));
    EXPECT_EQ(bBefore, pProp->IsSelected());
    list.SimulateClick(CPoint(rcIcon.left + 1, rcIcon.top + 6));  // left of the box
    EXPECT_EQ(bBefore, pProp->IsSelected());
    list.SimulateClick(CPoint(rcIcon.left + 7, rcIcon.top + 6));
    EXPECT_NE(bBefore, pProp->IsSelected());

    // The mark's box fills pixels 3 to 13 of its image; the toolkit says where it draws the image.
    auto* pWx = dynamic_cast<wxListCtrl*>(list.GetWxWindow());
    ASSERT_NE(nullptr, pWx);
    for (int nRow : {0, 1}) {
        wxRect rImage;
        ASSERT_TRUE(pWx->GetSubItemRect(nRow, 0, rImage, wxLIST_RECT_ICON));
        const int yMark = rImage.y + rImage.height / 2;
        pProp = RowProperty(page, nRow);
        const BOOL bShown = pProp->IsSelected();
        list.SimulateClick(CPoint(rImage.x + 6, yMark));  // the box's left part
        EXPECT_NE(bShown, pProp->IsSelected()) << nRow;
        list.SimulateClick(CPoint(rImage.x + 12, yMark));  // its right part
        EXPECT_EQ(bShown, pProp->IsSelected()) << nRow;
    }
    CloseForm(pView);
}

TEST_F(PropertiesPageTest, ADoubleClickTogglesTheMarkKeptAcrossShowingsAndAsksBeforeDroppingAResult) {
    ResultPageStandIn standIn;
    FVPagedView* pView = ShowReady(CONFIG_TYPE_CONTACT);
    ASSERT_NE(nullptr, pView);
    // A new configuration starts with the marks of Defaults.ini: some, not all.
    const std::vector<BOOL> defaults = Marks();
    EXPECT_TRUE(std::any_of(defaults.begin(), defaults.end(), [](BOOL b) { return b != FALSE; }));
    CPropertyOptionsPP* pPage = &pView->GetPropertiesPage();
    ASSERT_GT(pPage->GetListCtrl().GetItemCount(), 2);
    CPropertyID* pProp = RowProperty(*pPage, 0);
    const BOOL bBefore = pProp->IsSelected();
    CountingObserver observer;
    m_pConfig->Advise(&observer);
    m_doc.SetModifiedFlag(FALSE);
    DoubleClick(*pPage, 0);
    EXPECT_NE(bBefore, pProp->IsSelected());
    EXPECT_TRUE(m_doc.IsModified());
    EXPECT_EQ(1, observer.nCalls);
    DoubleClick(*pPage, -1);  // outside the rows
    EXPECT_EQ(1, observer.nCalls);
    m_pConfig->Unadvise(&observer);
    DoubleClick(*pPage, 1);
    DoubleClick(*pPage, 2);
    const std::vector<BOOL> chosen = Marks();
    EXPECT_NE(defaults, chosen);
    CloseForm(pView);
    pView = ShowForm(m_pConfig);
    ASSERT_NE(nullptr, pView);
    EXPECT_EQ(chosen, Marks());

    // With a result shown, declining the question changes nothing.
    pView->SendMessage(WM_COMMAND, IDC_FV_START, 0);
    ASSERT_TRUE(pView->HasSearchResults());
    pPage = &pView->GetPropertiesPage();
    pProp = RowProperty(*pPage, 0);
    const BOOL bShown = pProp->IsSelected();
    m_doc.SetModifiedFlag(FALSE);
    AfxSetModalHook([](CWnd*) { return IDCANCEL; });
    DoubleClick(*pPage, 0);
    EXPECT_EQ(bShown, pProp->IsSelected());
    EXPECT_FALSE(m_doc.IsModified());
    EXPECT_TRUE(pView->HasSearchResults());
    AfxSetModalHook([](CWnd*) { return IDOK; });
    DoubleClick(*pPage, 0);
    EXPECT_NE(bShown, pProp->IsSelected());
    EXPECT_FALSE(pView->HasSearchResults());
    CloseForm(pView);
}

TEST_F(PropertiesPageTest, APropertyWhoseNameTheLanguageLacksIsListedUnderItsTag) {
    // The given name's text (KeyTable.ini: 0x3a06001e=3000) is missing from the language.
    UseLanguageCopy([](std::string& english) {
        const size_t pos = english.find("\n3000\t");
        ASSERT_NE(std::string::npos, pos);
        english.erase(pos, english.find('\n', pos + 1) - pos);
    });
    FVPagedView* pView = ShowReady(CONFIG_TYPE_CONTACT);
    ASSERT_NE(nullptr, pView);
    CPropertyOptionsPP& page = pView->GetPropertiesPage();
    CPropertyListCtrl& list = page.GetListCtrl();
    int nRow = -1;
    for (int i = 0; i < list.GetItemCount(); ++i)
        if (list.GetItemText(i, 0) == CString("0x3a06001e"))
            nRow = i;
    ASSERT_GE(nRow, 0);
    // Its mark is shown and can be changed like any other.
    CPropertyID* pProp = RowProperty(page, nRow);
    const BOOL bBefore = pProp->IsSelected();
    DoubleClick(page, nRow);
    EXPECT_NE(bBefore, pProp->IsSelected());
    CloseForm(pView);
}

}  // namespace
