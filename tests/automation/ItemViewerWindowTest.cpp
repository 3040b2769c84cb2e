// The item viewer window under a real display: Display opens it with the item's class, subject
// and properties, read-only, and closing it removes it.
#include <gtest/gtest.h>

#include <wx/listctrl.h>
#include <wx/textctrl.h>
#include <wx/wx.h>

#include "platform/automation/ItemViewerWindow.h"
#include "platform/automation/MailItem.h"
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
    if (!qrvtest::ToolkitRunning())
        GTEST_SKIP() << "no display";
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
    SetItemViewer(pPrevious);
}

}  // namespace
