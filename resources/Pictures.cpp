// Pictures drawn with the toolkit's drawing context, so they are ours and scale cleanly.
#include "resources/Pictures.h"

#include <wx/dcmemory.h>
#include <wx/font.h>
#include <wx/image.h>

namespace {

const wxColour kInk(40, 48, 64);
const wxColour kPaper(250, 250, 246);
const wxColour kAccent(214, 120, 38);
const wxColour kTeal(32, 128, 136);
const wxColour kTransparent(255, 0, 255);

// A page with a folded corner, the base of the document pictures.
void DrawPage(wxDC& dc, int x) {
    wxPoint outline[] = {{x + 3, 1}, {x + 9, 1}, {x + 12, 4}, {x + 12, 14}, {x + 3, 14}};
    dc.SetPen(wxPen(kInk));
    dc.SetBrush(wxBrush(kPaper));
    dc.DrawPolygon(5, outline);
    dc.DrawLine(x + 9, 1, x + 9, 4);
    dc.DrawLine(x + 9, 4, x + 12, 4);
}

void DrawNew(wxDC& dc, int x) {
    DrawPage(dc, x);
    dc.SetPen(wxPen(kAccent, 2));
    dc.DrawLine(x + 13, 0, x + 13, 5);
    dc.DrawLine(x + 11, 2, x + 15, 2);
}

void DrawOpen(wxDC& dc, int x) {
    dc.SetPen(wxPen(kInk));
    dc.SetBrush(wxBrush(wxColour(236, 196, 92)));
    wxPoint back[] = {{x + 1, 3}, {x + 5, 3}, {x + 6, 5}, {x + 13, 5}, {x + 13, 13}, {x + 1, 13}};
    dc.DrawPolygon(6, back);
    dc.SetBrush(wxBrush(wxColour(250, 218, 120)));
    wxPoint front[] = {{x + 1, 13}, {x + 4, 7}, {x + 15, 7}, {x + 13, 13}};
    dc.DrawPolygon(4, front);
}

void DrawSave(wxDC& dc, int x) {
    dc.SetPen(wxPen(kInk));
    dc.SetBrush(wxBrush(kTeal));
    dc.DrawRectangle(x + 1, 1, 14, 13);
    dc.SetBrush(wxBrush(kPaper));
    dc.DrawRectangle(x + 4, 1, 8, 5);
    dc.SetBrush(wxBrush(wxColour(200, 210, 215)));
    dc.DrawRectangle(x + 4, 9, 8, 5);
}

void DrawList(wxDC& dc, int x) {
    dc.SetPen(wxPen(kInk));
    dc.SetBrush(wxBrush(kPaper));
    dc.DrawRectangle(x + 1, 2, 11, 11);
    dc.SetPen(wxPen(kTeal));
    for (int y = 5; y <= 10; y += 2)
        dc.DrawLine(x + 3, y, x + 10, y);
}

void DrawAdd(wxDC& dc, int x) {
    DrawList(dc, x);
    dc.SetPen(wxPen(wxColour(46, 150, 64), 2));
    dc.DrawLine(x + 13, 8, x + 13, 15);
    dc.DrawLine(x + 10, 11, x + 16, 11);
}

void DrawDelete(wxDC& dc, int x) {
    DrawList(dc, x);
    dc.SetPen(wxPen(wxColour(196, 40, 40), 2));
    dc.DrawLine(x + 9, 8, x + 15, 14);
    dc.DrawLine(x + 15, 8, x + 9, 14);
}

void DrawRename(wxDC& dc, int x) {
    DrawList(dc, x);
    dc.SetPen(wxPen(kAccent, 2));
    dc.DrawLine(x + 8, 14, x + 15, 7);
    dc.SetPen(wxPen(kInk));
    dc.DrawLine(x + 7, 14, x + 9, 14);
}

void DrawAbout(wxDC& dc, int x) {
    dc.SetPen(wxPen(kInk));
    dc.SetBrush(wxBrush(wxColour(60, 110, 200)));
    dc.DrawCircle(x + 8, 7, 7);
    dc.SetPen(wxPen(*wxWHITE, 2));
    dc.DrawLine(x + 8, 6, x + 8, 11);
    dc.DrawPoint(x + 8, 3);
    dc.DrawLine(x + 8, 3, x + 8, 4);
}

wxBitmap WithTransparency(const wxBitmap& bmp) {
    wxImage image = bmp.ConvertToImage();
    image.SetMaskColour(kTransparent.Red(), kTransparent.Green(), kTransparent.Blue());
    return wxBitmap(image);
}

}  // namespace

wxBitmap MakeToolbarStrip() {
    const int cx = 16, cy = 15, n = 7;
    wxBitmap bmp(cx * n, cy);
    {
        wxMemoryDC dc(bmp);
        dc.SetBackground(wxBrush(kTransparent));
        dc.Clear();
        void (*draw[n])(wxDC&, int) = {DrawNew,    DrawOpen,   DrawSave, DrawAdd,
                                       DrawDelete, DrawRename, DrawAbout};
        for (int i = 0; i < n; ++i)
            draw[i](dc, i * cx);
    }
    return WithTransparency(bmp);
}

wxBitmap MakeFrameIcon(int nSize) {
    wxBitmap bmp(nSize, nSize);
    {
        wxMemoryDC dc(bmp);
        dc.SetBackground(wxBrush(kTransparent));
        dc.Clear();
        // Two overlapping cards: one item and its duplicate.
        int s = nSize;
        dc.SetPen(wxPen(kInk, s / 16 + 1));
        dc.SetBrush(wxBrush(kTeal));
        dc.DrawRoundedRectangle(s / 10, s / 10, s * 6 / 10, s * 6 / 10, s / 10);
        dc.SetBrush(wxBrush(kAccent));
        dc.DrawRoundedRectangle(s * 3 / 10, s * 3 / 10, s * 6 / 10, s * 6 / 10, s / 10);
        dc.SetPen(wxPen(*wxWHITE, s / 16 + 1));
        dc.DrawLine(s * 4 / 10, s * 5 / 10, s * 8 / 10, s * 5 / 10);
        dc.DrawLine(s * 4 / 10, s * 7 / 10, s * 7 / 10, s * 7 / 10);
    }
    return WithTransparency(bmp);
}

wxBitmap MakeAboutBanner(int cx, int cy) {
    wxBitmap bmp(cx, cy);
    wxMemoryDC dc(bmp);
    dc.GradientFillLinear(wxRect(0, 0, cx, cy), kTeal, kPaper, wxEAST);
    dc.SetTextForeground(*wxWHITE);
    dc.SetFont(wxFontInfo(cy * 2 / 5).Bold());
    dc.DrawText("Quorvel", cy / 3, (cy - dc.GetCharHeight()) / 2);
    return bmp;
}

wxBitmap MakeAboutFooter(int cx, int cy) {
    wxBitmap bmp(cx, cy);
    wxMemoryDC dc(bmp);
    dc.GradientFillLinear(wxRect(0, 0, cx, cy), kPaper, kAccent, wxEAST);
    return bmp;
}
