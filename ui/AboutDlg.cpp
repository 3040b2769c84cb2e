// The About box: texts in the current language, and the bottom picture on the dialog's edge.
#include "ui/AboutDlg.h"

#include <cstdlib>

#include "language/LanguageSettings.h"
#include "trace/Trace.h"

#define IDD_ABOUT_BOX 100
#define IDC_ABOUT_BOTTOM_PICTURE 1080
#define IDC_ABOUT_OWNER_LINE 1081
#define IDC_ABOUT_WEB_LINK 1088

#define ID_ABOUT_CAPTION 54
#define ID_ABOUT_COPYRIGHT 55
#define ID_ABOUT_LINK 56

namespace {
const char* const kDefaultCaption = "About Quorvel";
const char* const kDefaultOwner = "Copyright (C) Ostrany. All rights reserved.";
const char* const kDefaultLink = "www.ostrany.example";
}  // namespace

BEGIN_MESSAGE_MAP(CAboutDlg, CDialog)
ON_WM_SIZE()
END_MESSAGE_MAP()

CAboutDlg::CAboutDlg(CWnd* pParent) : CDialog(IDD_ABOUT_BOX, pParent) {
    TRACE_CTOR("CAboutDlg");
}

CAboutDlg::~CAboutDlg() {
    TRACE_DTOR("CAboutDlg");
}

void CAboutDlg::DoDataExchange() {
    if (m_wndLink.GetSafeHwnd() == nullptr)
        m_wndLink.SubclassDlgItem(IDC_ABOUT_WEB_LINK, this);
    if (m_wndOwner.GetSafeHwnd() == nullptr)
        m_wndOwner.SubclassDlgItem(IDC_ABOUT_OWNER_LINE, this);
    if (m_wndBottomBitmap.GetSafeHwnd() == nullptr)
        m_wndBottomBitmap.SubclassDlgItem(IDC_ABOUT_BOTTOM_PICTURE, this);
}

BOOL CAboutDlg::OnInitDialog() {
    BOOL bResult = TRUE;
    TRACE_FUNC_BOOL("CAboutDlg::OnInitDialog", bResult);
    CDialog::OnInitDialog();
    DoDataExchange();
    LoadTexts();
    m_wndLink.MakeRoomForText();
    m_wndOwner.MakeRoomForText();
    // The bottom picture ends where the dialog's client area ends, whatever the font made of the
    // template's dialog units.
    PlaceBottomPicture();
    return bResult;
}

void CAboutDlg::PlaceBottomPicture() {
    if (m_wndBottomBitmap.GetSafeHwnd() == nullptr)
        return;
    CRect rcClient, rcPicture;
    GetClientRect(&rcClient);
    m_wndBottomBitmap.GetWindowRect(&rcPicture);
    ScreenToClient(&rcPicture);
    // The window may end up larger than its template (a long link, the desktop's smallest width
    // for a dialog): the picture still spans it and meets its bottom edge.
    const int dy = rcClient.bottom - rcPicture.bottom;
    if (dy != 0 || rcPicture.left != rcClient.left || rcPicture.Width() != rcClient.Width())
        m_wndBottomBitmap.SetWindowPos(nullptr, rcClient.left, rcPicture.top + dy, rcClient.Width(),
                                       rcPicture.Height(), SWP_NOZORDER);
}

void CAboutDlg::OnSize(UINT nType, int cx, int cy) {
    CDialog::OnSize(nType, cx, cy);
    PlaceBottomPicture();
}

HRESULT CAboutDlg::LoadTexts() {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CAboutDlg::LoadTexts", hr);
    LPSTR pszText = nullptr;
    HRESULT hrText = GetLanguageText(&pszText, ID_ABOUT_CAPTION);
    if (FAILED(hrText))
        QTRACE(TRACE_ERROR, "GetLanguageText(ID_ABOUT_CAPTION) failed: hr = 0x%08lx\n", hrText);
    SetWindowText(pszText != nullptr ? pszText : kDefaultCaption);
    free(pszText);

    pszText = nullptr;
    hrText = GetLanguageText(&pszText, ID_ABOUT_COPYRIGHT);
    if (FAILED(hrText))
        QTRACE(TRACE_ERROR, "GetLanguageText(ID_ABOUT_COPYRIGHT) failed: hr = 0x%08lx\n", hrText);
    m_wndOwner.SetText(pszText != nullptr ? pszText : kDefaultOwner);
    m_wndOwner.SetHeight(12);
    m_wndOwner.SetWeight(700);
    free(pszText);

    pszText = nullptr;
    hrText = GetLanguageText(&pszText, ID_ABOUT_LINK);
    if (FAILED(hrText))
        QTRACE(TRACE_ERROR, "GetLanguageText(ID_ABOUT_LINK) failed: hr = 0x%08lx\n", hrText);
    m_wndLink.SetText(pszText != nullptr ? pszText : kDefaultLink);
    m_wndLink.SetHeight(24);
    m_wndLink.SetWeight(700);
    free(pszText);
    return hr;
}
