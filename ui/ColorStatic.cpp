// Coloured text controls: centred text in a chosen look, and the clickable web link.
#include "ui/ColorStatic.h"

#include <wx/panel.h>

#include <cstring>

#include "platform/afx/wnd/Gdi.h"
#include "trace/Trace.h"
#include "ui/ShellExecute.h"

namespace {
// Below this a text stays cut rather than become unreadable.
constexpr LONG kMinFittingHeight = 8;
}  // namespace

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

BOOL CColorStatic::CreatePaintFont(CFont& font, LONG nHeight) const {
    LOGFONT lf{};
    lf.lfHeight = nHeight;
    lf.lfWeight = m_nWeight;
    lf.lfUnderline = (BYTE)m_bUnderline;
    lf.lfQuality = 2;
    std::strcpy(lf.lfFaceName, "Verdana");
    return font.CreateFontIndirect(&lf);
}

LONG CColorStatic::GetFittingHeight(CDC* pDC) const {
    LONG nHeight = m_nHeight;
    if (pDC == nullptr || m_strText.IsEmpty())
        return nHeight;
    CRect rcClient;
    GetClientRect(&rcClient);
    // A text wider than the control would lose both ends (it is centred): the face this desktop
    // has for "Verdana" may run wider than the one the sizes were chosen for.
    for (; nHeight > kMinFittingHeight; --nHeight) {
        CFont font;
        if (!CreatePaintFont(font, nHeight))
            break;
        CFont* pOld = pDC->SelectObject(&font);
        const CSize size = pDC->GetTextExtent(m_strText);
        pDC->SelectObject(pOld);
        if (size.cx <= rcClient.Width())
            break;
    }
    return nHeight;
}

CSize CColorStatic::MeasureText(CDC* pDC) const {
    CFont font;
    if (pDC == nullptr || !CreatePaintFont(font, GetFittingHeight(pDC)))
        return CSize();
    CFont* pOld = pDC->SelectObject(&font);
    const CSize size = pDC->GetTextExtent(m_strText);
    pDC->SelectObject(pOld);
    return size;
}

void CColorStatic::MakeRoomForText() {
    TRACE_FUNC_VOID("CColorStatic::MakeRoomForText");
    if (GetSafeHwnd() == nullptr || m_strText.IsEmpty())
        return;
    CClientDC dc(this);
    const CSize size = MeasureText(&dc);
    CRect rc;
    GetWindowRect(&rc);
    if (size.cy <= rc.Height())
        return;
    if (CWnd* pParent = GetParent())
        pParent->ScreenToClient(&rc);
    const int nTop = rc.top - (size.cy - rc.Height()) / 2;
    SetWindowPos(nullptr, rc.left, nTop, rc.Width(), size.cy, SWP_NOZORDER);
}

void CColorStatic::OnPaint() {
    CPaintDC dc(this);
    CFont font;
    if (!CreatePaintFont(font, GetFittingHeight(&dc)))
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
