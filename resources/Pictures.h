// The program's pictures, drawn in code: toolbar buttons, the frame icon and the About bitmaps.
#pragma once

#include <wx/bitmap.h>

// Seven 16 x 15 images side by side: New, Open, Save, Add, Delete, Rename, About.
wxBitmap MakeToolbarStrip();
wxBitmap MakeFrameIcon(int nSize);
wxBitmap MakeAboutBanner(int cx, int cy);
wxBitmap MakeAboutFooter(int cx, int cy);
