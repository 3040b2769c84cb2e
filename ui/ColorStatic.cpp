// Coloured text controls: centred text in a chosen look, and the clickable web link.
#include "ui/ColorStatic.h"

#include <wx/panel.h>

#include <cstring>

#include "platform/afx/wnd/Gdi.h"
#include "trace/Trace.h"
#include "ui/ShellExecute.h"

#ifndef SW_SHOWMAXIMIZED
#define SW_SHOWMAXIMIZED 3
#endif

IMPLEMENT_DYNAMIC(CColorStatic, CStatic)
IMPLEMENT_DYNAMIC(CHyperlinkStatic, CColorStatic)

BEGIN_MESSAGE_MAP(CColorStatic, CStatic)
ON_WM_PAINT()
END_MESSAGE_MAP()

BEGIN_MESSAGE_MAP(CHyperlinkStatic, CColorStatic)
ON_WM_LBUTTONUP()
END_MESSAGE_MAP()

CColorStatic::CColorStatic() {
    TRACE_CTOR("CColorStatic");
}

CColorStatic::~CColorStatic() {
    TRACE_DTOR("CColorStatic");
}

wxWindow* CColorStatic::CreateWxPeer(wxWindow* pParent, const CREATESTRUCT& cs) {
    // A plain window: the toolkit's native text control would paint its own text over ours.
    return CWnd::CreateWxPeer(pParent, cs);
}

BOOL CColorStatic::SubclassDlgItem(UINT nID, CWnd* pParent) {
    if (pParent == nullptr || GetSafeHwnd() != nullptr)
        return FALSE;
    CWnd* pOld = pParent->GetDlgItem((int)nID);
    if (pOld == nullptr)
        return FALSE;
    CRect rc;
    pOld->GetWindowRect(&rc);
    pParent->ScreenToClient(&rc);
    const DWORD dwStyle = pOld->GetStyle() | WS_CHILD;
    const BOOL bVisible = pOld->IsWindowVisible();
    pOld->DestroyWindow();
    if (!CWnd::Create(nullptr, nullptr, dwStyle & ~(DWORD)WS_BORDER, rc, pParent, nID))
        return FALSE;
    ShowWindow(bVisible ? SW_SHOW : SW_HIDE);
    return TRUE;
}

void CColorStatic::OnPaint() {
    CPaintDC dc(this);
    LOGFONT lf{};
    lf.lfHeight = m_nHeight;
    lf.lfWeight = m_nWeight;
    lf.lfUnderline = (BYTE)m_bUnderline;
    lf.lfQuality = 2;
    std::strcpy(lf.lfFaceName, "Verdana");
    CFont font;
    if (!font.CreateFontIndirect(&lf))
        return;
    CFont* pOldFont = dc.SelectObject(&font);
    CRect rcClient;
    GetClientRect(&rcClient);
    const CSize size = dc.GetTextExtent(m_strText);
    // Centred on the middle of the control; the text cell takes the dialog's face colour.
    const COLORREF crOldBk = dc.SetBkColor(GetSysColor(COLOR_BTNFACE));
    const COLORREF crOldText = dc.SetTextColor(m_crColor);
    const int nOldMode = dc.SetBkMode(OPAQUE);
    dc.TextOut((rcClient.Width() - size.cx) / 2, (rcClient.Height() - size.cy) / 2, m_strText);
    dc.SetBkMode(nOldMode);
    dc.SetTextColor(crOldText);
    dc.SetBkColor(crOldBk);
    dc.SelectObject(pOldFont);
}

CHyperlinkStatic::CHyperlinkStatic() {
    m_bUnderline = TRUE;
}

CString CHyperlinkStatic::GetUrl() const {
    CString strUrl = m_strText;
    // A secure address keeps its own scheme: "http://https://..." would lead nowhere.
    if (std::strncmp(strUrl, "http://", 7) != 0 && std::strncmp(strUrl, "https://", 8) != 0)
        strUrl = CString("http://") + strUrl;
    return strUrl;
}

void CHyperlinkStatic::OnLButtonUp(UINT nFlags, CPoint point) {
    TRACE_FUNC_VOID("CHyperlinkStatic::OnLButtonUp");
    CColorStatic::OnLButtonUp(nFlags, point);
    // The result is not looked at: a desktop without a browser leaves the box as it is.
    ShellExecuteA(this, "open", GetUrl(), nullptr, nullptr, SW_SHOWMAXIMIZED);
}
