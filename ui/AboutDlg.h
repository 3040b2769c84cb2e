// CAboutDlg: the About box with the program's icon, two pictures, the owner line and a web link.
#pragma once

#include "platform/afx/wnd/Dialog.h"
#include "ui/ColorStatic.h"

class CAboutDlg : public CDialog {
public:
    explicit CAboutDlg(CWnd* pParent = nullptr);
    ~CAboutDlg() override;

    BOOL OnInitDialog() override;
    void DoDataExchange();
    HRESULT LoadTexts();

    // The bottom picture follows every size the window takes.
    void OnSize(UINT nType, int cx, int cy);

    CHyperlinkStatic& GetLinkCtrl() { return m_wndLink; }
    CColorStatic& GetOwnerCtrl() { return m_wndOwner; }

protected:
    CHyperlinkStatic m_wndLink;
    CColorStatic m_wndOwner;
    CStatic m_wndBottomBitmap;

    // Puts the bottom picture on the client area's bottom edge, as wide as the client area.
    void PlaceBottomPicture();

    DECLARE_MESSAGE_MAP()
};
