// Moves the frame over a second display connection after every request of the program's own.
#include "tests/ui_views/FrameMover.h"

#include <wx/window.h>

#include <X11/Xlib.h>
#include <gdk/gdkx.h>
#include <gtk/gtk.h>

namespace qrvtest {

namespace {

// The hook Xlib calls takes no context of its own.
Display* g_pOther = nullptr;
Window g_frame = 0;
Window g_holder = 0;
int g_xHome = 0;
int g_yHome = 0;
int g_nMoves = 0;

// A step on each move, so that no two requests see the frame at the same place.
int AfterRequest(Display*) {
    const int nStep = 1 + g_nMoves++ % 97;
    XMoveWindow(g_pOther, g_holder, g_xHome + 3 * nStep, g_yHome + 2 * nStep);
    XSync(g_pOther, False);
    return 0;
}

}  // namespace

CFrameMover::CFrameMover(wxWindow* pFrame) {
    g_pOther = XOpenDisplay(DisplayString(gdk_x11_get_default_xdisplay()));
    if (g_pOther == nullptr)
        return;
    g_frame = gdk_x11_window_get_xid(gtk_widget_get_window(pFrame->GetHandle()));
    XWindowAttributes attributes{};
    XGetWindowAttributes(g_pOther, g_frame, &attributes);
    g_xHome = attributes.x;
    g_yHome = attributes.y;
    g_nMoves = 0;
    // The frame is moved inside a window of this connection, as a window manager's decoration
    // holds it: moving the holder sends the program no event, so any number of moves is safe.
    const Window root = DefaultRootWindow(g_pOther);
    g_holder = XCreateSimpleWindow(g_pOther, root, g_xHome, g_yHome, (unsigned)attributes.width,
                                   (unsigned)attributes.height, 0, 0, 0);
    XMapWindow(g_pOther, g_holder);
    XReparentWindow(g_pOther, g_frame, g_holder, 0, 0);
    XSync(g_pOther, False);
    XSetAfterFunction(gdk_x11_get_default_xdisplay(), &AfterRequest);
}

CFrameMover::~CFrameMover() {
    if (g_pOther == nullptr)
        return;
    XSetAfterFunction(gdk_x11_get_default_xdisplay(), nullptr);
    XReparentWindow(g_pOther, g_frame, DefaultRootWindow(g_pOther), g_xHome, g_yHome);
    XDestroyWindow(g_pOther, g_holder);
    XCloseDisplay(g_pOther);
    g_pOther = nullptr;
}

bool CFrameMover::IsOpen() const {
    return g_pOther != nullptr;
}

}  // namespace qrvtest
