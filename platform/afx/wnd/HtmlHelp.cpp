// Help books over the toolkit's HTML help controller.
#include "platform/afx/wnd/HtmlHelp.h"

#include <wx/filesys.h>
#include <wx/fs_zip.h>
#include <wx/html/helpctrl.h>

#include <sys/stat.h>
#include <memory>
#include <string>

#include "platform/afx/wnd/WxText.h"

namespace {
std::unique_ptr<wxHtmlHelpController>& Controller() {
    static std::unique_ptr<wxHtmlHelpController> controller;
    return controller;
}

bool Exists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}
}  // namespace

HWND HtmlHelpA(HWND, LPCSTR pszFile, UINT uCommand, DWORD_PTR) {
    if (uCommand == HH_CLOSE_ALL) {
        if (Controller()) {
            if (wxFrame* pFrame = Controller()->GetFrame())
                pFrame->Close(true);
            Controller().reset();
        }
        return nullptr;
    }
    if (uCommand != HH_DISPLAY_TOC || pszFile == nullptr)
        return nullptr;
    std::string book = pszFile;
    if (book.size() > 4 && book.compare(book.size() - 4, 4, ".chm") == 0)
        book = book.substr(0, book.size() - 4) + ".htb";
    // A missing book is reported by the viewer, as the help system does.
    static bool zipHandler = false;
    if (!zipHandler) {
        wxFileSystem::AddHandler(new wxZipFSHandler);
        zipHandler = true;
    }
    if (!Controller())
        Controller() = std::make_unique<wxHtmlHelpController>(wxHF_DEFAULT_STYLE);
    if (!Exists(book) || !Controller()->AddBook(wxFileName(ToWx(book.c_str())), false)) {
        Controller()->DisplayContents();
        return nullptr;
    }
    Controller()->DisplayContents();
    return nullptr;
}

BOOL AfxIsHelpOpen() {
    return Controller() && Controller()->GetFrame() != nullptr;
}
