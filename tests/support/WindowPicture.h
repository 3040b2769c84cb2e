// Pictures of windows as the screen shows them: saved for people to look at after a test run, or
// read back for a test to compare.
#pragma once

#include <wx/image.h>

#include <string>

class CWnd;
class CRect;

namespace qrvtest {

// Saves what the screen shows inside the window's rectangle as a PNG file at path (making its
// folder); returns path.
std::string SaveWindowPicture(CWnd* pWnd, const std::string& path);

// What the X server shows inside a rectangle of the window's client area, read by the desktop's
// screen grabber into a file of its own (runs of tests side by side never read each other's).
wxImage ClientPixels(CWnd& wnd, const CRect& rcClient);
// The same for a rectangle in screen coordinates. Read from the X server: a screen context of the
// toolkit may hand back what the screen showed when it was first read.
wxImage ScreenPixels(const CRect& rcScreen);

}  // namespace qrvtest
