// CColorStatic and CHyperlinkStatic: text controls painted in a chosen colour, size and weight.
#pragma once

#include "platform/afx/CString.h"
#include "platform/afx/wnd/Controls.h"

// Paints m_strText (never the window text) centred in the "Verdana" face. Setting a text or a
// look does not repaint the control by itself.
class CColorStatic : public CStatic {
    DECLARE_DYNAMIC(CColorStatic)
public:
    CColorStatic();
    ~CColorStatic() override;

    // Takes over a template control: the template's own static is replaced by a window that
    // paints itself, at the same place and with the same id.
    BOOL SubclassDlgItem(UINT nID, CWnd* pParent);

    void SetText(LPCSTR lpszText) { m_strText = lpszText; }
    const CString& GetText() const { return m_strText; }
    void SetColor(COLORREF crColor) { m_crColor = crColor; }
    COLORREF GetColor() const { return m_crColor; }
    void SetHeight(LONG nHeight) { m_nHeight = nHeight; }
    LONG GetHeight() const { return m_nHeight; }
    void SetWeight(LONG nWeight) { m_nWeight = nWeight; }
    LONG GetWeight() const { return m_nWeight; }
    BOOL IsUnderlined() const { return (BYTE)m_bUnderline != 0; }

    // The font height the text is painted in: m_nHeight, or less where the text would not fit
    // the control at that height (measured on pDC).
    LONG GetFittingHeight(CDC* pDC) const;
    // The size of the text cell as it is painted (measured on pDC).
    CSize MeasureText(CDC* pDC) const;

    // Grows the control about its middle to the height of its text cell where it is lower: the
    // text may stand taller than its control, and a control clips what it paints.
    void MakeRoomForText();

    void OnPaint();

protected:
    // Makes the painting font at a height.
    BOOL CreatePaintFont(CFont& font, LONG nHeight) const;
    wxWindow* CreateWxPeer(wxWindow* pParent, const CREATESTRUCT& cs) override;

    CString m_strText;
    COLORREF m_crColor = RGB(0, 128, 255);
    LONG m_nHeight = 14;
    LONG m_nWeight = 400;
    BOOL m_bUnderline = FALSE;

    DECLARE_MESSAGE_MAP()
};

// An underlined coloured text that opens itself as a web address when clicked.
class CHyperlinkStatic : public CColorStatic {
    DECLARE_DYNAMIC(CHyperlinkStatic)
public:
    CHyperlinkStatic();
    void OnLButtonUp(UINT nFlags, CPoint point);
    // The address the text stands for: itself when it starts with "http://" or "https://", else
    // with "http://" in front.
    CString GetUrl() const;

protected:
    DECLARE_MESSAGE_MAP()
};
