// Header bitmaps of the six form views and the sixteen-pixel icons of the Properties page.
#include "resources/FormPictures.h"

#include <algorithm>

#include <wx/bitmap.h>
#include <wx/dcmemory.h>
#include <wx/font.h>

#include "platform/afx/wnd/Resources.h"
#include "resources/FormResource.h"

namespace {

const wxColour kInk(40, 48, 64);
const wxColour kPaper(250, 250, 246);

// A band that fades from the item type's colour to the paper colour, with a small emblem on the
// left. The header sits on a 24-bit bitmap, as the form templates expect.
wxBitmap MakeHeader(int cx, int cy, const wxColour& tone, const wxString& glyph) {
    wxBitmap bitmap(cx, cy, 24);
    wxMemoryDC dc(bitmap);
    for (int x = 0; x < cx; ++x) {
        const int f = cx > 1 ? x * 255 / (cx - 1) : 0;
        const wxColour c((unsigned char)((tone.Red() * (255 - f) + kPaper.Red() * f) / 255),
                         (unsigned char)((tone.Green() * (255 - f) + kPaper.Green() * f) / 255),
                         (unsigned char)((tone.Blue() * (255 - f) + kPaper.Blue() * f) / 255));
        dc.SetPen(wxPen(c));
        dc.DrawLine(x, 0, x, cy);
    }
    const int d = std::min(cy, 50) - 8;
    dc.SetPen(wxPen(kPaper, 2));
    dc.SetBrush(*wxTRANSPARENT_BRUSH);
    dc.DrawRoundedRectangle(4, 4, d, d, 6);
    dc.SetFont(wxFont(wxFontInfo(d / 2).Bold()));
    dc.SetTextForeground(kPaper);
    const wxSize text = dc.GetTextExtent(glyph);
    dc.DrawText(glyph, 4 + (d - text.x) / 2, 4 + (d - text.y) / 2);
    dc.SelectObject(wxNullBitmap);
    return bitmap;
}

// A 16 x 16 icon on a transparent background.
template <class Draw>
wxBitmap MakeIcon(Draw draw) {
    wxBitmap bitmap(16, 16, 32);
    bitmap.UseAlpha();
    {
        wxMemoryDC dc(bitmap);
        dc.SetBackground(wxBrush(wxColour(255, 255, 255)));
        dc.Clear();
        draw(dc);
    }
    return bitmap;
}

wxBitmap MakeTypeIcon(const wxColour& tone, const wxString& label) {
    return MakeIcon([&](wxDC& dc) {
        dc.SetPen(wxPen(tone));
        dc.SetBrush(wxBrush(tone));
        dc.DrawRoundedRectangle(0, 1, 16, 14, 3);
        dc.SetFont(wxFont(wxFontInfo(7).Bold()));
        dc.SetTextForeground(kPaper);
        const wxSize text = dc.GetTextExtent(label);
        dc.DrawText(label, (16 - text.x) / 2, (16 - text.y) / 2);
    });
}

// The mark of the compared properties: a ticked box, or an empty one.
wxBitmap MakeMark(bool bOn) {
    return MakeIcon([bOn](wxDC& dc) {
        dc.SetPen(wxPen(kInk));
        dc.SetBrush(wxBrush(kPaper));
        dc.DrawRectangle(3, 4, 10, 10);
        if (bOn) {
            dc.SetPen(wxPen(wxColour(24, 140, 64), 2));
            dc.DrawLine(5, 8, 7, 11);
            dc.DrawLine(7, 11, 12, 5);
        }
    });
}

}  // namespace

void RegisterFormPictures() {
    AfxRegisterBitmap(IDB_HEADER_CONTACTS, [] { return MakeHeader(517, 47, wxColour(32, 96, 160), "@"); });
    AfxRegisterBitmap(IDB_HEADER_CALENDAR, [] { return MakeHeader(517, 47, wxColour(160, 64, 48), "31"); });
    AfxRegisterBitmap(IDB_HEADER_MAIL, [] { return MakeHeader(517, 47, wxColour(32, 128, 136), "M"); });
    AfxRegisterBitmap(IDB_HEADER_NOTE, [] { return MakeHeader(50, 50, wxColour(200, 160, 32), "N"); });
    AfxRegisterBitmap(IDB_HEADER_TASK, [] { return MakeHeader(517, 47, wxColour(72, 128, 48), "T"); });
    AfxRegisterBitmap(IDB_HEADER_JOURNAL, [] { return MakeHeader(50, 50, wxColour(96, 64, 144), "J"); });

    AfxRegisterIcon(IDI_TYPE_INTEGER, [] { return MakeTypeIcon(wxColour(48, 96, 168), "1"); });
    AfxRegisterIcon(IDI_TYPE_FLOAT, [] { return MakeTypeIcon(wxColour(64, 120, 184), ".5"); });
    AfxRegisterIcon(IDI_TYPE_CURRENCY, [] { return MakeTypeIcon(wxColour(40, 136, 72), "$"); });
    AfxRegisterIcon(IDI_TYPE_TIME, [] { return MakeTypeIcon(wxColour(176, 96, 40), "t"); });
    AfxRegisterIcon(IDI_TYPE_BOOLEAN, [] { return MakeTypeIcon(wxColour(128, 64, 144), "?"); });
    AfxRegisterIcon(IDI_TYPE_STRING, [] { return MakeTypeIcon(wxColour(40, 48, 64), "a"); });
    AfxRegisterIcon(IDI_TYPE_BINARY, [] { return MakeTypeIcon(wxColour(112, 112, 112), "01"); });
    AfxRegisterIcon(IDI_MARK_OFF, [] { return MakeMark(false); });
    AfxRegisterIcon(IDI_MARK_ON, [] { return MakeMark(true); });
    AfxRegisterIcon(IDI_PROP_HEADER, [] { return MakeMark(true); });
}
