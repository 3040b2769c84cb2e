// Pictures of windows as the screen shows them, saved for people to look at after a test run.
#pragma once

#include <string>

class CWnd;

namespace qrvtest {

// Saves what the screen shows inside the window's rectangle as a PNG file at path (making its
// folder); returns path.
std::string SaveWindowPicture(CWnd* pWnd, const std::string& path);

}  // namespace qrvtest
