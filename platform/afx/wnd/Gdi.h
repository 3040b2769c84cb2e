// Fonts, bitmaps and drawing contexts: the drawing surface the system's painting code uses.
#pragma once

#include <memory>

#include "platform/afx/wnd/Geometry.h"

class wxWindow;
class wxFont;
class wxBitmap;
class wxDC;
class CWnd;
class CDC;

struct LOGFONTA {
    LONG lfHeight;
    LONG lfWidth;
    LONG lfEscapement;
    LONG lfOrientation;
    LONG lfWeight;
    BYTE lfItalic;
    BYTE lfUnderline;
    BYTE lfStrikeOut;
    BYTE lfCharSet;
    BYTE lfOutPrecision;
    BYTE lfClipPrecision;
    BYTE lfQuality;
    BYTE lfPitchAndFamily;
    char lfFaceName[32];
};
typedef LOGFONTA LOGFONT;
#define FW_NORMAL 400
#define FW_BOLD 700
#define TRANSPARENT 1
#define OPAQUE 2
#define SRCCOPY 0x00CC0020u
#define DT_LEFT 0x0000
#define DT_CENTER 0x0001
#define DT_RIGHT 0x0002
#define DT_VCENTER 0x0004
#define DT_WORDBREAK 0x0010
#define DT_SINGLELINE 0x0020
#define DT_CALCRECT 0x0400
#define DT_NOPREFIX 0x0800
#define COLOR_WINDOW 5
#define COLOR_WINDOWTEXT 8
#define COLOR_HIGHLIGHT 13
#define COLOR_HIGHLIGHTTEXT 14
#define COLOR_BTNFACE 15
#define COLOR_GRAYTEXT 17

COLORREF GetSysColor(int nIndex);
// The dialog base units (average character width, character height) of a window's font.
CSize AfxGetDialogBaseUnits(const wxWindow* pWx);

class CFont {
public:
    CFont();
    ~CFont();
    CFont(const CFont&) = delete;
    CFont& operator=(const CFont&) = delete;
    BOOL CreateFontIndirect(const LOGFONT* lpLogFont);
    BOOL CreatePointFont(int nPointSize, LPCSTR lpszFaceName);
    BOOL GetLogFont(LOGFONT* pLogFont) const;
    BOOL DeleteObject();
    const wxFont* GetWxFont() const { return m_font.get(); }
    void SetWxFont(const wxFont& font);

private:
    std::unique_ptr<wxFont> m_font;
};

class CBitmap {
public:
    CBitmap();
    ~CBitmap();
    CBitmap(const CBitmap&) = delete;
    CBitmap& operator=(const CBitmap&) = delete;
    // A bitmap of the resources by id.
    BOOL LoadBitmap(UINT nIDResource);
    BOOL CreateCompatibleBitmap(CDC* pDC, int nWidth, int nHeight);
    BOOL DeleteObject();
    CSize GetSize() const;
    wxBitmap* GetWxBitmap() const { return m_bitmap.get(); }

private:
    std::unique_ptr<wxBitmap> m_bitmap;
};

// A drawing context over a window, a paint event or a memory bitmap.
class CDC {
public:
    CDC();
    virtual ~CDC();
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;

    // Off-screen drawing: a memory context that draws into a selected bitmap.
    BOOL CreateCompatibleDC(CDC* pDC);
    CBitmap* SelectObject(CBitmap* pBitmap);
    CFont* SelectObject(CFont* pFont);
    COLORREF SetTextColor(COLORREF crColor);
    COLORREF SetBkColor(COLORREF crColor);
    int SetBkMode(int nBkMode);
    void FillSolidRect(LPCRECT lpRect, COLORREF clr);
    void FillSolidRect(int x, int y, int cx, int cy, COLORREF clr);
    BOOL TextOut(int x, int y, LPCSTR lpszString);
    int DrawText(LPCSTR lpszString, LPRECT lpRect, UINT nFormat);
    CSize GetTextExtent(LPCSTR lpszString) const;
    void MoveTo(int x, int y);
    void LineTo(int x, int y);
    BOOL BitBlt(int x, int y, int nWidth, int nHeight, CDC* pSrcDC, int xSrc, int ySrc, DWORD dwRop);
    wxDC* GetWxDC() const { return m_pDC; }

protected:
    wxDC* m_pDC = nullptr;
    bool m_bOwnsDC = false;
    COLORREF m_crText = 0;
    COLORREF m_crBk = 0xFFFFFF;
    int m_nBkMode = OPAQUE;
    CPoint m_ptCurrent;
    CFont* m_pFont = nullptr;
    CBitmap* m_pBitmap = nullptr;
};

class CPaintDC : public CDC {
public:
    explicit CPaintDC(CWnd* pWnd);
};

class CClientDC : public CDC {
public:
    explicit CClientDC(CWnd* pWnd);
};

// The height of a text broken into lines of nWidth pixels, as a static text or a message box shows
// it: at its own line breaks and before a word that would reach past the width; a word wider than
// a whole line takes as many lines as it needs. In pFont, or the desktop's default font without one.
int AfxGetWrappedTextHeight(LPCSTR lpszText, int nWidth, const wxFont* pFont);
