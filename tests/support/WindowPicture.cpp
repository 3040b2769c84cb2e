// Pictures of windows as the screen shows them, saved for people to look at or read back.
#include "tests/support/WindowPicture.h"

#include <gtest/gtest.h>
#include <wx/bitmap.h>
#include <wx/dcmemory.h>
#include <wx/dcscreen.h>
#include <wx/image.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <vector>

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

wxImage ClientPixels(CWnd& wnd, const CRect& rcClient) {
    CRect rc = rcClient;
    wnd.ClientToScreen(&rc);
    return ScreenPixels(rc);
}

wxImage ScreenPixels(const CRect& rc) {
    const std::string pattern = (std::filesystem::temp_directory_path() / "qrv-pixels-XXXXXX").string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = ::mkstemp(name.data());
    if (fd < 0) {
        ADD_FAILURE() << "no temporary file for the picture";
        return wxImage();
    }
    ::close(fd);
    const std::string path(name.data());
    const std::string command = "import -silent -window root -crop " + std::to_string(rc.Width()) + "x" +
                                std::to_string(rc.Height()) + "+" + std::to_string(rc.left) + "+" +
                                std::to_string(rc.top) + " +repage -depth 8 ppm:'" + path + "'";
    EXPECT_EQ(0, std::system(command.c_str())) << command;
    if (wxImage::FindHandler(wxBITMAP_TYPE_PNM) == nullptr)
        wxImage::AddHandler(new wxPNMHandler);
    wxImage image;
    EXPECT_TRUE(image.LoadFile(path, wxBITMAP_TYPE_PNM)) << path;
    std::filesystem::remove(path);
    return image;
}

}  // namespace qrvtest
