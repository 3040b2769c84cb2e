// Folder icons, one per folder kind: a folder shape in the kind's colour with a mark of its own.
#include "resources/FolderIcons.h"

#include <wx/bitmap.h>
#include <wx/dcmemory.h>

#include "platform/afx/wnd/Resources.h"

namespace {

// A 16 x 16 folder in a colour, with a one- or two-letter mark; the corners stay transparent.
wxBitmap MakeFolderIcon(const wxColour& colour, const char* pszMark) {
    wxBitmap bitmap(16, 16, 24);
    {
        wxMemoryDC dc(bitmap);
        dc.SetBackground(*wxWHITE_BRUSH);
        dc.Clear();
        dc.SetPen(wxPen(colour.ChangeLightness(60)));
        dc.SetBrush(wxBrush(colour));
        dc.DrawRectangle(1, 2, 6, 3);
        dc.DrawRectangle(1, 4, 14, 11);
        dc.SetTextForeground(*wxWHITE);
        wxFont font(wxFontInfo(6).Family(wxFONTFAMILY_SWISS).Bold());
        dc.SetFont(font);
        wxSize extent = dc.GetTextExtent(pszMark);
        dc.DrawText(pszMark, (16 - extent.x) / 2, 4 + (11 - extent.y) / 2);
    }
    bitmap.SetMask(new wxMask(bitmap, *wxWHITE));
    return bitmap;
}

}  // namespace

void RegisterFolderIcons() {
    const struct {
        unsigned nID;
        unsigned char r, g, b;
        const char* pszMark;
    } icons[] = {{164, 40, 136, 72, "T"},     // tasks
                 {165, 128, 128, 128, "D"},   // drafts
                 {166, 96, 96, 96, "X"},      // deleted items
                 {167, 48, 96, 168, ">"},     // sent items
                 {168, 128, 64, 144, "J"},    // journal
                 {169, 176, 48, 48, "C"},     // calendar
                 {170, 176, 96, 40, "@"},     // contacts
                 {171, 200, 176, 40, "N"},    // notes
                 {172, 216, 176, 72, ""},     // inbox and other mail folders
                 {173, 64, 120, 184, "<"},    // outbox
                 {174, 120, 72, 40, "!"},     // junk e-mail
                 {175, 160, 160, 160, "?"}};  // properties not available
    for (const auto& icon : icons) {
        wxColour colour(icon.r, icon.g, icon.b);
        const char* pszMark = icon.pszMark;
        AfxRegisterIcon(icon.nID, [colour, pszMark] { return MakeFolderIcon(colour, pszMark); });
    }
}
