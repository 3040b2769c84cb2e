// Template dialogs under a window manager: they come up centred and as large as laid out, also
// when another dialog has just closed.
#include <gtest/gtest.h>

#include <unistd.h>
#include <wx/window.h>

#include <string>

#include "language/LanguageSettings.h"
#include "platform/afx/wnd/MessageBoxUi.h"
#include "platform/afx/wnd/Wnd.h"
#include "resources/ProfileTemplates.h"
#include "tests/support/TempRoot.h"
#include "tests/support/ToolkitEnvironment.h"
#include "tests/ui_placement/WindowManager.h"
#include "tools/install/Install.h"
#include "trace/Trace.h"
#include "ui/StorePasswordDlg.h"

// Last: the X headers define names the system's own headers use.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <gdk/gdkx.h>
#include <gtk/gtk.h>

namespace {

qrvtest::CWindowManager* g_pManager = nullptr;

class PlacementEnvironment : public qrvtest::ToolkitEnvironment {
public:
    PlacementEnvironment() : qrvtest::ToolkitEnvironment("test_ui_placement") {}
    void TearDown() override {
        qrvtest::ToolkitEnvironment::TearDown();
        delete g_pManager;
        g_pManager = nullptr;
    }

protected:
    void BeforeStart() override {
        SetTraceLevel(TRACE_ERROR);
        g_pManager = new qrvtest::CWindowManager;
    }
    void OnStarted() override { RegisterProfileResources(); }
};
[[maybe_unused]] ::testing::Environment* const g_env =
    ::testing::AddGlobalTestEnvironment(new PlacementEnvironment);

// One turn of the toolkit's own loop (the window manager's answers arrive there) and of the
// framework's queue.
void Pump() {
    while (g_main_context_iteration(nullptr, FALSE)) {
    }
    AfxPumpMessages();
}

// Where a shown dialog's client area is on the screen, as the X server has it.
struct ShownPlace {
    int x = 0;
    int y = 0;
    int cx = 0;
    int cy = 0;
};

bool HasFrameExtents(Display* pDisplay, Window window) {
    Atom type = None;
    int format = 0;
    unsigned long nItems = 0, nAfter = 0;
    unsigned char* pData = nullptr;
    const int rc = XGetWindowProperty(pDisplay, window, XInternAtom(pDisplay, "_NET_FRAME_EXTENTS", False), 0,
                                      4, False, XA_CARDINAL, &type, &format, &nItems, &nAfter, &pData);
    if (pData != nullptr)
        XFree(pData);
    return rc == Success && nItems == 4;
}

// Shows the dialog as a modal run would, waits until the window manager has framed it and the
// toolkit's last word on its size and place has reached the server, and reads where it is.
ShownPlace ShowAndMeasure(CWnd* pDlg) {
    wxWindow* pWx = pDlg->GetWxWindow();
    pWx->Show();
    Display* pDisplay = gdk_x11_get_default_xdisplay();
    Window window = 0;
    for (int i = 0; i < 300; ++i) {
        Pump();
        GdkWindow* pGdk = gtk_widget_get_window(pWx->GetHandle());
        window = pGdk != nullptr ? gdk_x11_window_get_xid(pGdk) : 0;
        XWindowAttributes attributes{};
        if (window != 0 && XGetWindowAttributes(pDisplay, window, &attributes) &&
            attributes.map_state == IsViewable && HasFrameExtents(pDisplay, window))
            break;
        usleep(10000);
    }
    for (int i = 0; i < 30; ++i) {
        Pump();
        XSync(pDisplay, False);
        usleep(10000);
    }
    ShownPlace place;
    XWindowAttributes attributes{};
    if (window == 0 || !XGetWindowAttributes(pDisplay, window, &attributes))
        return place;
    Window child = 0;
    XTranslateCoordinates(pDisplay, window, DefaultRootWindow(pDisplay), 0, 0, &place.x, &place.y, &child);
    place.cx = attributes.width;
    place.cy = attributes.height;
    return place;
}

class DialogPlacementTest : public ::testing::Test {
protected:
    void SetUp() override {
        QRV_REQUIRE_TOOLKIT();
        if (g_pManager == nullptr || !g_pManager->IsRunning())
            GTEST_SKIP() << "no window manager (openbox) to run under";
        std::string error;
        ASSERT_TRUE(SUCCEEDED(RunInstall("", error))) << error;
        ASSERT_EQ(S_OK, InitLanguageModule());
        // German: its explanation needs a line more than the template leaves, so the dialog grows.
        ASSERT_EQ(S_OK, LoadLanguages(1031));
        ASSERT_EQ(S_OK, SetDefaultLanguageID(1031));
    }
    void TearDown() override {
        if (!qrvtest::ToolkitRunning())
            return;
        AfxSetModalHook(nullptr);
        AfxPumpMessages();
        CloseLanguageModule();
    }

    qrvtest::TempRoot m_root;
};

// A dialog shown while the toolkit does not yet know the size of the window manager's frame (none
// of its kind shown yet, or the last one's frame taken off as it closed) came up in the screen's
// corner with the size of its template, its buttons cut off below. Three in a row, as each one's
// closing changes what the toolkit knows for the next.
TEST_F(DialogPlacementTest, EachStorePasswordDialogComesUpCentredAndWhole) {
    Display* pDisplay = gdk_x11_get_default_xdisplay();
    const int cxScreen = DisplayWidth(pDisplay, DefaultScreen(pDisplay));
    const int cyScreen = DisplayHeight(pDisplay, DefaultScreen(pDisplay));
    for (int nRun = 1; nRun <= 3; ++nRun) {
        SCOPED_TRACE("dialog " + std::to_string(nRun));
        wxSize laidOut;
        ShownPlace place;
        CRect rcCancel;
        AfxSetModalHook([&](CWnd* pDlg) {
            laidOut = pDlg->GetWxWindow()->GetClientSize();
            place = ShowAndMeasure(pDlg);
            if (CWnd* pCancel = pDlg->GetDlgItem(IDCANCEL)) {
                pCancel->GetWindowRect(&rcCancel);
                pDlg->ScreenToClient(&rcCancel);
            }
            pDlg->GetWxWindow()->Hide();
            return IDCANCEL;
        });
        CStorePasswordDlg dlg(nullptr, nullptr);
        ASSERT_EQ(IDCANCEL, dlg.DoModal());
        EXPECT_GT(laidOut.y, rcCancel.bottom);
        EXPECT_EQ(laidOut.x, place.cx);
        EXPECT_EQ(laidOut.y, place.cy);
        // Centred on the screen (there is no main window), give or take the frame's caption.
        EXPECT_NEAR(cxScreen / 2, place.x + place.cx / 2, 25);
        EXPECT_NEAR(cyScreen / 2, place.y + place.cy / 2, 25);
        // Let the window manager take the frame off before the next one comes.
        for (int i = 0; i < 20; ++i) {
            Pump();
            usleep(10000);
        }
    }
}

}  // namespace
