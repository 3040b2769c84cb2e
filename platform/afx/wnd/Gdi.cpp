// Fonts, bitmaps and drawing contexts over the toolkit's fonts and device contexts.
#include "platform/afx/wnd/Gdi.h"

#include <wx/bitmap.h>
#include <wx/dcclient.h>
#include <wx/dcmemory.h>
#include <wx/dcscreen.h>
#include <wx/font.h>
#include <wx/settings.h>
#include <wx/window.h>

#include <algorithm>
#include <cstring>

#include "platform/afx/wnd/Resources.h"
#include "platform/afx/wnd/Wnd.h"
#include "platform/afx/wnd/WxText.h"

static wxColour ToColour(COLORREF c) {
    return wxColour(GetRValue(c), GetGValue(c), GetBValue(c));
}

COLORREF GetSysColor(int nIndex) {
    wxSystemColour which = wxSYS_COLOUR_WINDOW;
    switch (nIndex) {
        case COLOR_WINDOWTEXT:
            which = wxSYS_COLOUR_WINDOWTEXT;
            break;
        case COLOR_HIGHLIGHT:
            which = wxSYS_COLOUR_HIGHLIGHT;
            break;
        case COLOR_HIGHLIGHTTEXT:
            which = wxSYS_COLOUR_HIGHLIGHTTEXT;
            break;
        case COLOR_BTNFACE:
            which = wxSYS_COLOUR_BTNFACE;
            break;
        case COLOR_GRAYTEXT:
            which = wxSYS_COLOUR_GRAYTEXT;
            break;
        default:
            break;
    }
    wxColour c = wxSystemSettings::GetColour(which);
    return RGB(c.Red(), c.Green(), c.Blue());
}

CSize AfxGetDialogBaseUnits(const wxWindow* pWx) {
    // The average width of the Latin letters and the line height, as dialog units are defined.
    static const char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    if (pWx == nullptr)
        return CSize(6, 13);
    wxSize ext = pWx->GetTextExtent(kLetters);
    int cx = (ext.x / 26 + 1) / 2;
    int cy = pWx->GetCharHeight();
    return CSize(cx > 0 ? cx : 6, cy > 0 ? cy : 13);
}

// ----- CFont -----

CFont::CFont() = default;
CFont::~CFont() = default;

BOOL CFont::CreateFontIndirect(const LOGFONT* lf) {
    if (lf == nullptr)
        return FALSE;
    int height = lf->lfHeight < 0 ? -lf->lfHeight : lf->lfHeight;
    // Character height in pixels to points at the usual 96 pixels per inch.
    int points = height > 0 ? (height * 72 + 48) / 96 : wxNORMAL_FONT->GetPointSize();
    wxFontInfo info(points > 0 ? points : 9);
    if (lf->lfFaceName[0] != '\0' && std::strcmp(lf->lfFaceName, "MS Sans Serif") != 0)
        info.FaceName(ToWx(lf->lfFaceName));
    info.Bold(lf->lfWeight >= FW_BOLD)
        .Italic(lf->lfItalic != 0)
        .Underlined(lf->lfUnderline != 0)
        .Strikethrough(lf->lfStrikeOut != 0);
    m_font = std::make_unique<wxFont>(info);
    return m_font->IsOk();
}

BOOL CFont::CreatePointFont(int nPointSize, LPCSTR lpszFaceName) {
    wxFontInfo info(nPointSize > 0 ? nPointSize / 10 : 9);
    if (lpszFaceName != nullptr && *lpszFaceName && std::strcmp(lpszFaceName, "MS Sans Serif") != 0)
        info.FaceName(ToWx(lpszFaceName));
    m_font = std::make_unique<wxFont>(info);
    return m_font->IsOk();
}

BOOL CFont::GetLogFont(LOGFONT* lf) const {
    if (lf == nullptr || !m_font)
        return FALSE;
    std::memset(lf, 0, sizeof *lf);
    lf->lfHeight = -(m_font->GetPointSize() * 96 + 36) / 72;
    lf->lfWeight = m_font->GetWeight() >= wxFONTWEIGHT_BOLD ? FW_BOLD : FW_NORMAL;
    lf->lfItalic = m_font->GetStyle() == wxFONTSTYLE_ITALIC;
    lf->lfUnderline = m_font->GetUnderlined();
    lf->lfStrikeOut = m_font->GetStrikethrough();
    CString face = FromWx(m_font->GetFaceName());
    std::strncpy(lf->lfFaceName, face.GetString(), sizeof lf->lfFaceName - 1);
    return TRUE;
}

BOOL CFont::DeleteObject() {
    BOOL had = m_font != nullptr;
    m_font.reset();
    return had;
}

void CFont::SetWxFont(const wxFont& font) {
    m_font = std::make_unique<wxFont>(font);
}

// ----- CBitmap -----

CBitmap::CBitmap() = default;
CBitmap::~CBitmap() = default;

BOOL CBitmap::LoadBitmap(UINT nIDResource) {
    const wxBitmap* pBmp = AfxFindBitmapResource(nIDResource);
    if (pBmp == nullptr)
        return FALSE;
    m_bitmap = std::make_unique<wxBitmap>(*pBmp);
    return TRUE;
}

BOOL CBitmap::CreateCompatibleBitmap(CDC*, int nWidth, int nHeight) {
    if (nWidth <= 0 || nHeight <= 0)
        return FALSE;
    m_bitmap = std::make_unique<wxBitmap>(nWidth, nHeight);
    return m_bitmap->IsOk();
}

BOOL CBitmap::DeleteObject() {
    BOOL had = m_bitmap != nullptr;
    m_bitmap.reset();
    return had;
}

CSize CBitmap::GetSize() const {
    return m_bitmap ? CSize(m_bitmap->GetWidth(), m_bitmap->GetHeight()) : CSize();
}

// ----- CDC -----

CDC::CDC() = default;

CDC::~CDC() {
    if (m_bOwnsDC)
        delete m_pDC;
}

BOOL CDC::CreateCompatibleDC(CDC*) {
    if (m_pDC != nullptr)
        return FALSE;
    m_pDC = new wxMemoryDC();
    m_bOwnsDC = true;
    return TRUE;
}

CBitmap* CDC::SelectObject(CBitmap* pBitmap) {
    CBitmap* pOld = m_pBitmap;
    auto* pMem = dynamic_cast<wxMemoryDC*>(m_pDC);
    if (pMem == nullptr)
        return nullptr;
    if (pBitmap != nullptr && pBitmap->GetWxBitmap() != nullptr)
        pMem->SelectObject(*pBitmap->GetWxBitmap());
    else
        pMem->SelectObject(wxNullBitmap);
    m_pBitmap = pBitmap;
    return pOld;
}

CFont* CDC::SelectObject(CFont* pFont) {
    CFont* pOld = m_pFont;
    m_pFont = pFont;
    if (m_pDC != nullptr && pFont != nullptr && pFont->GetWxFont() != nullptr)
        m_pDC->SetFont(*pFont->GetWxFont());
    return pOld;
}

COLORREF CDC::SetTextColor(COLORREF crColor) {
    COLORREF old = m_crText;
    m_crText = crColor;
    if (m_pDC != nullptr)
        m_pDC->SetTextForeground(ToColour(crColor));
    return old;
}

COLORREF CDC::SetBkColor(COLORREF crColor) {
    COLORREF old = m_crBk;
    m_crBk = crColor;
    if (m_pDC != nullptr)
        m_pDC->SetTextBackground(ToColour(crColor));
    return old;
}

int CDC::SetBkMode(int nBkMode) {
    int old = m_nBkMode;
    m_nBkMode = nBkMode;
    if (m_pDC != nullptr)
        m_pDC->SetBackgroundMode(nBkMode == TRANSPARENT ? wxBRUSHSTYLE_TRANSPARENT : wxBRUSHSTYLE_SOLID);
    return old;
}

void CDC::FillSolidRect(LPCRECT r, COLORREF clr) {
    if (r != nullptr)
        FillSolidRect(r->left, r->top, r->right - r->left, r->bottom - r->top, clr);
}

void CDC::FillSolidRect(int x, int y, int cx, int cy, COLORREF clr) {
    if (m_pDC == nullptr)
        return;
    m_pDC->SetPen(*wxTRANSPARENT_PEN);
    m_pDC->SetBrush(wxBrush(ToColour(clr)));
    m_pDC->DrawRectangle(x, y, cx, cy);
    m_crBk = clr;
}

BOOL CDC::TextOut(int x, int y, LPCSTR lpszString) {
    if (m_pDC == nullptr || lpszString == nullptr)
        return FALSE;
    m_pDC->DrawText(ToWx(lpszString), x, y);
    return TRUE;
}

// The lines DrawText shows: the text's own line breaks, and with DT_WORDBREAK a break before a word
// that would reach past the width; a word wider than the whole width stands on a line of its own.
static wxString BreakLines(const wxDC& dc, const wxString& text, int cx, bool bWordBreak) {
    if (!bWordBreak || text.empty())
        return text;
    wxString result;
    size_t start = 0;
    while (start <= text.length()) {
        size_t end = text.find('\n', start);
        const wxString line = text.substr(start, end == wxString::npos ? wxString::npos : end - start);
        wxString shown;
        size_t pos = 0;
        while (pos < line.length()) {
            // A word runs to its blank; the blanks before the next word go with it.
            size_t wordEnd = line.find(' ', pos);
            wordEnd = wordEnd == wxString::npos ? line.length() : wordEnd;
            const wxString word = line.substr(pos, wordEnd - pos);
            const wxString candidate = shown.empty() ? word : shown + " " + word;
            if (!shown.empty() && dc.GetTextExtent(candidate).x > cx) {
                result += shown + "\n";
                shown = word;
            } else {
                shown = candidate;
            }
            pos = wordEnd;
            while (pos < line.length() && line[pos] == ' ')
                ++pos;
        }
        result += shown;
        if (end == wxString::npos)
            break;
        result += "\n";
        start = end + 1;
    }
    return result;
}

int AfxGetWrappedTextHeight(LPCSTR lpszText, int nWidth, const wxFont* pFont) {
    wxScreenDC dc;
    dc.SetFont(pFont != nullptr && pFont->IsOk() ? *pFont
                                                 : wxSystemSettings::GetFont(wxSYS_DEFAULT_GUI_FONT));
    const int nCx = std::max(1, nWidth);
    const wxString text = BreakLines(dc, ToWx(lpszText), nCx, true);
    wxCoord cx = 0;
    wxCoord cy = 0;
    dc.GetMultiLineTextExtent(text, &cx, &cy);
    const wxArrayString lines = wxSplit(text, '\n', '\0');
    // The lines a word wider than the whole width takes besides its own.
    int nExtra = 0;
    for (const wxString& line : lines)
        nExtra += std::max(0, (dc.GetTextExtent(line).x + nCx - 1) / nCx - 1);
    return cy + (lines.empty() ? 0 : nExtra * cy / (int)lines.size());
}

int CDC::DrawText(LPCSTR lpszString, LPRECT r, UINT nFormat) {
    if (m_pDC == nullptr || lpszString == nullptr || r == nullptr)
        return 0;
    const wxString text = BreakLines(*m_pDC, ToWx(lpszString), r->right - r->left,
                                     (nFormat & (DT_WORDBREAK | DT_SINGLELINE)) == DT_WORDBREAK);
    if (nFormat & DT_CALCRECT) {
        // Only measures: the rectangle is made to bound the text, keeping its width when the text
        // breaks at words, as the caller asked for lines of that width.
        wxCoord cx = 0;
        wxCoord cy = 0;
        m_pDC->GetMultiLineTextExtent(text, &cx, &cy);
        if ((nFormat & (DT_WORDBREAK | DT_SINGLELINE)) != DT_WORDBREAK)
            r->right = r->left + cx;
        r->bottom = r->top + cy;
        return cy;
    }
    int align = wxALIGN_LEFT;
    if (nFormat & DT_CENTER)
        align = wxALIGN_CENTER_HORIZONTAL;
    else if (nFormat & DT_RIGHT)
        align = wxALIGN_RIGHT;
    if (nFormat & DT_VCENTER)
        align |= wxALIGN_CENTER_VERTICAL;
    wxRect rect(r->left, r->top, r->right - r->left, r->bottom - r->top);
    m_pDC->DrawLabel(text, rect, align);
    return m_pDC->GetCharHeight();
}

CSize CDC::GetTextExtent(LPCSTR lpszString) const {
    if (m_pDC == nullptr || lpszString == nullptr)
        return CSize();
    wxSize s = m_pDC->GetTextExtent(ToWx(lpszString));
    return CSize(s.x, s.y);
}

void CDC::MoveTo(int x, int y) {
    m_ptCurrent = CPoint(x, y);
}

void CDC::LineTo(int x, int y) {
    if (m_pDC != nullptr) {
        m_pDC->SetPen(wxPen(ToColour(m_crText)));
        m_pDC->DrawLine(m_ptCurrent.x, m_ptCurrent.y, x, y);
    }
    m_ptCurrent = CPoint(x, y);
}

BOOL CDC::BitBlt(int x, int y, int nWidth, int nHeight, CDC* pSrcDC, int xSrc, int ySrc, DWORD) {
    if (m_pDC == nullptr || pSrcDC == nullptr || pSrcDC->m_pDC == nullptr)
        return FALSE;
    return m_pDC->Blit(x, y, nWidth, nHeight, pSrcDC->m_pDC, xSrc, ySrc) ? TRUE : FALSE;
}

CPaintDC::CPaintDC(CWnd* pWnd) {
    if (pWnd != nullptr && pWnd->GetWxWindow() != nullptr) {
        m_pDC = new wxPaintDC(pWnd->GetWxWindow());
        m_bOwnsDC = true;
        if (pWnd->GetFont() != nullptr && pWnd->GetFont()->GetWxFont() != nullptr)
            m_pDC->SetFont(*pWnd->GetFont()->GetWxFont());
        else
            m_pDC->SetFont(pWnd->GetWxWindow()->GetFont());
    }
}

CClientDC::CClientDC(CWnd* pWnd) {
    if (pWnd != nullptr && pWnd->GetWxWindow() != nullptr) {
        m_pDC = new wxClientDC(pWnd->GetWxWindow());
        m_bOwnsDC = true;
        m_pDC->SetFont(pWnd->GetWxWindow()->GetFont());
    }
}
