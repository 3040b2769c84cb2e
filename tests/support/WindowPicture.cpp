// Pictures of windows as the screen shows them, saved for people to look at after a test run.
#include "tests/support/WindowPicture.h"

#include <wx/bitmap.h>
#include <wx/dcmemory.h>
#include <wx/dcscreen.h>
#include <wx/image.h>

#include <filesystem>

#include "platform/afx/wnd/Wnd.h"

namespace qrvtest {

std::string SaveWindowPicture(CWnd* pWnd, const std::string& path) {
    CRect rc;
    pWnd->GetWindowRect(&rc);
    wxBitmap bitmap(rc.Width(), rc.Height(), 24);
    {
        wxScreenDC screen;
        wxMemoryDC memory(bitmap);
        memory.Blit(0, 0, rc.Width(), rc.Height(), &screen, rc.left, rc.top);
    }
    if (wxImage::FindHandler(wxBITMAP_TYPE_PNG) == nullptr)
        wxImage::AddHandler(new wxPNGHandler);
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    bitmap.SaveFile(path, wxBITMAP_TYPE_PNG);
    return path;
}

}  // namespace qrvtest
