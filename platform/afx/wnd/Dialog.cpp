// Dialogs over the toolkit's dialog (or, for child templates, a plain panel).
#include "platform/afx/wnd/Dialog.h"

#include <wx/dialog.h>
#include <wx/panel.h>

#include "platform/afx/wnd/Controls.h"
#include "platform/afx/wnd/Gdi.h"
#include "platform/afx/wnd/MessageBoxUi.h"
#include "platform/afx/wnd/WinApp.h"
#include "platform/afx/wnd/WxText.h"

IMPLEMENT_DYNAMIC(CDialog, CWnd)

BEGIN_MESSAGE_MAP(CDialog, CWnd)
ON_COMMAND(IDOK, &CDialog::OnOK)
ON_COMMAND(IDCANCEL, &CDialog::OnCancel)
ON_WM_CLOSE()
END_MESSAGE_MAP()

namespace {

CWnd* MakeControlObject(const DLGITEMDEF& item) {
    std::string cls = item.lpszClass ? item.lpszClass : "";
    for (char& c : cls)
        c = (char)std::toupper((unsigned char)c);
    if (cls == "BUTTON")
        return new CButton;
    if (cls == "STATIC")
        return new CStatic;
    if (cls == "EDIT")
        return new CEdit;
    if (cls == "LISTBOX")
        return new CListBox;
    if (cls == "COMBOBOX")
        return new CComboBox;
    if (cls == "SYSLISTVIEW32")
        return new CListCtrl;
    if (cls == "SYSTREEVIEW32")
        return new CTreeCtrl;
    if (cls == "SYSTABCONTROL32")
        return new CTabCtrl;
    if (cls == "MSCTLS_PROGRESS32")
        return new CProgressCtrl;
    return new CStatic;
}

}  // namespace

CSize AfxDialogTemplateSize(const wxWindow* pWx, const DLGTEMPLATEDEF& def) {
    CSize base = AfxGetDialogBaseUnits(pWx);
    return CSize(def.cx * base.cx / 4, def.cy * base.cy / 8);
}

BOOL AfxCreateDlgControls(CWnd* pParent, const DLGTEMPLATEDEF& def) {
    if (pParent == nullptr || pParent->GetWxWindow() == nullptr)
        return FALSE;
    CSize base = AfxGetDialogBaseUnits(pParent->GetWxWindow());
    for (const DLGITEMDEF& item : def.items) {
        CWnd* pCtrl = MakeControlObject(item);
        CRect rect(item.x * base.cx / 4, item.y * base.cy / 8, (item.x + item.cx) * base.cx / 4,
                   (item.y + item.cy) * base.cy / 8);
        if (!AfxCreateTemplateControl(pCtrl, item, rect, pParent))
            return FALSE;
    }
    return TRUE;
}

CDialog::CDialog() = default;

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd)
    : m_nIDHelp(nIDTemplate), m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd) {}

CDialog::~CDialog() {
    if (m_hWnd != nullptr)
        DestroyWindow();
}

wxWindow* CDialog::CreateWxPeer(wxWindow* pParent, const CREATESTRUCT& cs) {
    if (cs.style & WS_CHILD) {
        if (pParent == nullptr)
            return nullptr;
        long style = wxTAB_TRAVERSAL | ((cs.style & WS_BORDER) ? wxBORDER_SIMPLE : wxBORDER_NONE);
        return new wxPanel(pParent, WxWindowId(cs.hMenu), wxPoint(cs.x, cs.y), wxDefaultSize, style);
    }
    long style = wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX;
    if (cs.style & WS_THICKFRAME)
        style |= wxRESIZE_BORDER;
    return new wxDialog(pParent ? wxGetTopLevelParent(pParent) : nullptr, wxID_ANY, ToWx(cs.lpszName),
                        wxDefaultPosition, wxDefaultSize, style);
}

void CDialog::BindWxEvents() {
    CWnd::BindWxEvents();
    HWND h = m_hWnd;
    if (!m_pWx->IsTopLevel())
        return;
    // A window manager tells the toolkit the size of its frame only once the window is on its way
    // to the screen. While the toolkit still guesses wrong (no window of the kind shown yet, or the
    // guess spoiled by the frame the manager took off the last dialog it closed), the size and the
    // place given before the showing are lost: the window comes up with its first size in a
    // corner. Given once more when it shows, with the frame known, they hold.
    m_pWx->Bind(wxEVT_SHOW, [h](wxShowEvent& e) {
        e.Skip();
        auto* p = dynamic_cast<CDialog*>(CWnd::FromHandle(h));
        if (p == nullptr || !e.IsShown() || !p->m_bPlacePending)
            return;
        p->m_bPlacePending = FALSE;
        p->m_pWx->SetClientSize(p->m_sizeLaidOut.cx, p->m_sizeLaidOut.cy);
        p->m_pWx->CentreOnParent();
    });
    m_pWx->Bind(wxEVT_CHAR_HOOK, [h](wxKeyEvent& e) {
        auto* p = dynamic_cast<CDialog*>(CWnd::FromHandle(h));
        if (p == nullptr) {
            e.Skip();
            return;
        }
        if (e.GetKeyCode() == WXK_ESCAPE) {
            p->SendMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
            return;
        }
        if (e.GetKeyCode() == WXK_RETURN || e.GetKeyCode() == WXK_NUMPAD_ENTER) {
            // A multi-line edit keeps its Enter; otherwise Enter is the default button.
            auto* pFocus = dynamic_cast<CEdit*>(CWnd::GetFocus());
            if (pFocus == nullptr || !(pFocus->GetStyle() & ES_MULTILINE)) {
                UINT nID = AfxGetDefaultButtonID(p);
                if (nID != 0) {
                    CWnd* pButton = p->GetDlgItem((int)nID);
                    if (pButton == nullptr || pButton->IsWindowEnabled())
                        p->SendMessage(WM_COMMAND, MAKEWPARAM(nID, BN_CLICKED), 0);
                    return;
                }
            }
        }
        e.Skip();
    });
}

BOOL CDialog::CreateFromTemplate(CWnd* pParentWnd, BOOL bModal) {
    const DLGTEMPLATEDEF* pTemplate = AfxFindDialogTemplate(m_nIDTemplate);
    if (pTemplate == nullptr)
        return FALSE;
    if (pParentWnd == nullptr && !(pTemplate->style & WS_CHILD))
        pParentWnd = AfxGetMainWnd();
    m_bEnded = FALSE;
    m_nModalResult = -1;
    DWORD style = pTemplate->style & ~(DWORD)WS_VISIBLE;
    CRect rect(pTemplate->x, pTemplate->y, pTemplate->x, pTemplate->y);
    if (!CWnd::Create(nullptr, pTemplate->lpszCaption, style, rect, pParentWnd, 0, nullptr))
        return FALSE;
    HWND h = m_hWnd;
    CSize size = AfxDialogTemplateSize(m_pWx, *pTemplate);
    m_pWx->SetClientSize(size.cx, size.cy);
    if (style & WS_CHILD) {
        CSize base = AfxGetDialogBaseUnits(m_pWx);
        m_pWx->Move(pTemplate->x * base.cx / 4, pTemplate->y * base.cy / 8);
    }
    if (!AfxCreateDlgControls(this, *pTemplate)) {
        DestroyWindow();
        return FALSE;
    }
    OnInitDialog();
    if (!AfxIsWindow(h))
        return FALSE;
    if (m_pWx->IsTopLevel()) {
        const wxSize client = m_pWx->GetClientSize();
        m_sizeLaidOut = CSize(client.x, client.y);
        m_bPlacePending = TRUE;
        m_pWx->CentreOnParent();
    }
    if (!bModal && (pTemplate->style & WS_VISIBLE))
        ShowWindow(SW_SHOW);
    return TRUE;
}

BOOL CDialog::Create(UINT nIDTemplate, CWnd* pParentWnd) {
    m_nIDTemplate = nIDTemplate;
    if (m_nIDHelp == 0)
        m_nIDHelp = nIDTemplate;
    m_pParentWnd = pParentWnd;
    return CreateFromTemplate(pParentWnd, FALSE);
}

INT_PTR CDialog::DoModal() {
    if (!CreateFromTemplate(m_pParentWnd, TRUE))
        return -1;
    HWND h = m_hWnd;
    if (!m_bEnded) {
        ModalHook& hook = AfxGetModalHook();
        if (hook) {
            int nResult = hook(this);
            if (AfxIsWindow(h) && !m_bEnded)
                EndDialog(nResult == AFX_MODAL_KEEP ? IDCANCEL : nResult);
        } else if (auto* pDlg = dynamic_cast<wxDialog*>(m_pWx)) {
            m_bShowingModal = TRUE;
            pDlg->ShowModal();
            m_bShowingModal = FALSE;
        }
    }
    int nResult = m_nModalResult;
    if (AfxIsWindow(h))
        DestroyWindow();
    return nResult;
}

BOOL CDialog::OnInitDialog() {
    return TRUE;
}

void CDialog::OnOK() {
    EndDialog(IDOK);
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

void CDialog::OnClose() {
    // Closing a dialog through its title bar is Cancel.
    SendMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
}

void CDialog::EndDialog(int nResult) {
    m_nModalResult = nResult;
    m_bEnded = TRUE;
    if (m_bShowingModal) {
        if (auto* pDlg = dynamic_cast<wxDialog*>(m_pWx))
            pDlg->EndModal(nResult);
    } else if (m_pWx != nullptr && m_pWx->IsTopLevel()) {
        m_pWx->Hide();
    }
}
