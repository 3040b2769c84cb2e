// The X server's current cursor, through the XFixes extension.
#include "tests/ui_results/ScreenCursor.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>

namespace qrvtest {

CScreenCursor::CScreenCursor() {
    Display* display = XOpenDisplay(nullptr);
    int event = 0, error = 0;
    if (display != nullptr && !XFixesQueryExtension(display, &event, &error)) {
        XCloseDisplay(display);
        display = nullptr;
    }
    m_pDisplay = display;
}

CScreenCursor::~CScreenCursor() {
    if (m_pDisplay != nullptr)
        XCloseDisplay(static_cast<Display*>(m_pDisplay));
}

unsigned long CScreenCursor::Shown() const {
    if (m_pDisplay == nullptr)
        return 0;
    XFixesCursorImage* image = XFixesGetCursorImage(static_cast<Display*>(m_pDisplay));
    if (image == nullptr)
        return 0;
    const unsigned long serial = image->cursor_serial;
    XFree(image);
    return serial;
}

}  // namespace qrvtest
