// Buttons, statics, edits, list boxes, combo boxes, progress bars and tab controls.
#include "platform/afx/wnd/Controls.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/combobox.h>
#include <wx/gauge.h>
#include <wx/listbox.h>
#include <wx/notebook.h>
#include <wx/panel.h>
#include <wx/radiobut.h>
#include <wx/statbmp.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <gtk/gtk.h>

#include <cctype>
#include <cstdlib>
#include <string>

#include "platform/afx/wnd/Gdi.h"
#include "platform/afx/wnd/WxText.h"

IMPLEMENT_DYNAMIC(CButton, CWnd)
IMPLEMENT_DYNAMIC(CStatic, CWnd)
IMPLEMENT_DYNAMIC(CEdit, CWnd)
IMPLEMENT_DYNAMIC(CListBox, CWnd)
IMPLEMENT_DYNAMIC(CComboBox, CWnd)
IMPLEMENT_DYNAMIC(CProgressCtrl, CWnd)
IMPLEMENT_DYNAMIC(CTabCtrl, CWnd)

namespace {
wxPoint Pos(const CREATESTRUCT& cs) {
    return wxPoint(cs.x, cs.y);
}
wxSize Size(const CREATESTRUCT& cs) {
    return wxSize(cs.cx > 0 ? cs.cx : -1, cs.cy > 0 ? cs.cy : -1);
}
long Border(const CREATESTRUCT& cs) {
    if (cs.dwExStyle & WS_EX_CLIENTEDGE)
        return wxBORDER_SUNKEN;
    return (cs.style & WS_BORDER) ? wxBORDER_SIMPLE : 0;
}
}  // namespace

BOOL AfxCreateTemplateControl(CWnd* pCtrl, const DLGITEMDEF& item, const CRect& rect, CWnd* pParent) {
    if (pCtrl == nullptr)
        return FALSE;
    DWORD style = (item.style | WS_CHILD) & ~(DWORD)WS_VISIBLE;
    if (!item.bHidden)
        style |= WS_VISIBLE;
    // The object goes with its window only once it has one; a failed creation leaves it to us.
    if (!pCtrl->CreateEx(item.exStyle, item.lpszClass, item.lpszText, style, rect, pParent, item.nID)) {
        delete pCtrl;
        return FALSE;
    }
    pCtrl->SetAutoDeleteWrapper(TRUE);
    return TRUE;
}

UINT AfxGetDefaultButtonID(CWnd* pDialog) {
    if (pDialog == nullptr || pDialog->GetWxWindow() == nullptr)
        return 0;
    UINT nFallback = 0;
    for (wxWindow* w : pDialog->GetWxWindow()->GetChildren()) {
        auto* pButton = dynamic_cast<CButton*>(CWnd::FromWxWindow(w));
        if (pButton == nullptr || !pButton->IsWindowVisible())
            continue;
        if ((pButton->GetStyle() & BS_TYPEMASK) == BS_DEFPUSHBUTTON)
            return (UINT)pButton->GetDlgCtrlID();
        if (pButton->GetDlgCtrlID() == IDOK)
            nFallback = IDOK;
    }
    return nFallback;
}

// ----- CButton -----

BOOL CButton::Create(LPCSTR lpszCaption, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
    return CWnd::Create("BUTTON", lpszCaption, dwStyle, rect, pParentWnd, nID);
}

wxWindow* CButton::CreateWxPeer(wxWindow* pParent, const CREATESTRUCT& cs) {
    if (pParent == nullptr)
        return nullptr;
    wxString text = ToWx(cs.lpszName);
    switch (cs.style & BS_TYPEMASK) {
        case BS_CHECKBOX:
        case BS_AUTOCHECKBOX:
            return new wxCheckBox(pParent, WxWindowId(cs.hMenu), text, Pos(cs), Size(cs));
        case BS_RADIOBUTTON:
        case BS_AUTORADIOBUTTON:
            return new wxRadioButton(pParent, WxWindowId(cs.hMenu), text, Pos(cs), Size(cs),
                                     (cs.style & WS_GROUP) ? wxRB_GROUP : 0);
        case BS_GROUPBOX:
            return new wxStaticBox(pParent, WxWindowId(cs.hMenu), text, Pos(cs), Size(cs));
        default:
            return new wxButton(pParent, WxWindowId(cs.hMenu), text, Pos(cs), Size(cs));
    }
}

void CButton::BindWxEvents() {
    CWnd::BindWxEvents();
    HWND h = m_hWnd;
    auto clicked = [h](wxCommandEvent&) {
        if (CWnd* p = CWnd::FromHandle(h))
            p->NotifyParentCommand(BN_CLICKED);
    };
    m_pWx->Bind(wxEVT_BUTTON, clicked);
    m_pWx->Bind(wxEVT_CHECKBOX, clicked);
    m_pWx->Bind(wxEVT_RADIOBUTTON, clicked);
}

int CButton::GetCheck() const {
    if (auto* p = dynamic_cast<wxCheckBox*>(m_pWx))
        return p->GetValue() ? BST_CHECKED : BST_UNCHECKED;
    if (auto* p = dynamic_cast<wxRadioButton*>(m_pWx))
        return p->GetValue() ? BST_CHECKED : BST_UNCHECKED;
    return BST_UNCHECKED;
}

void CButton::SetCheck(int nCheck) {
    if (auto* p = dynamic_cast<wxCheckBox*>(m_pWx))
        p->SetValue(nCheck != 0);
    else if (auto* p2 = dynamic_cast<wxRadioButton*>(m_pWx))
        p2->SetValue(nCheck != 0);
}

void CButton::Click() {
    if (m_pWx == nullptr || !m_pWx->IsEnabled())
        return;
    // An automatic check box or radio button changes its state the way a click does.
    if (auto* p = dynamic_cast<wxCheckBox*>(m_pWx)) {
        if ((m_dwStyle & BS_TYPEMASK) == BS_AUTOCHECKBOX)
            p->SetValue(!p->GetValue());
    } else if (auto* p2 = dynamic_cast<wxRadioButton*>(m_pWx)) {
        if ((m_dwStyle & BS_TYPEMASK) == BS_AUTORADIOBUTTON)
            p2->SetValue(true);
    }
    NotifyParentCommand(BN_CLICKED);
}

// ----- CStatic -----

BOOL CStatic::Create(LPCSTR lpszText, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
    return CWnd::Create("STATIC", lpszText, dwStyle, rect, pParentWnd, nID);
}

wxWindow* CStatic::CreateWxPeer(wxWindow* pParent, const CREATESTRUCT& cs) {
    if (pParent == nullptr)
        return nullptr;
    DWORD type = (DWORD)cs.style & 0x1F;
    if (type == SS_BLACKFRAME) {
        auto* p = new wxPanel(pParent, WxWindowId(cs.hMenu), Pos(cs), Size(cs), wxBORDER_SIMPLE);
        return p;
    }
    if (type == SS_BITMAP || type == SS_ICON) {
        // A picture control names its image in the template as "#<resource id>".
        const wxBitmap* pImage = nullptr;
        if (cs.lpszName != nullptr && cs.lpszName[0] == '#') {
            UINT nID = (UINT)std::strtoul(cs.lpszName + 1, nullptr, 10);
            pImage = type == SS_ICON ? AfxFindIconResource(nID) : AfxFindBitmapResource(nID);
        }
        wxSize size = Size(cs);
        if (pImage != nullptr && (type == SS_ICON || cs.cx <= 0))
            size = pImage->GetSize();
        auto* pBitmap =
            new wxStaticBitmap(pParent, WxWindowId(cs.hMenu), pImage ? *pImage : wxNullBitmap, Pos(cs), size);
        // A picture that fills its control follows the control's size, the template's and any later.
        if (type == SS_BITMAP && (cs.style & SS_REALSIZECONTROL) && pImage != nullptr && pImage->IsOk()) {
            const wxImage original = pImage->ConvertToImage();
            auto fit = [pBitmap, original](const wxSize& to) {
                if (to.x > 0 && to.y > 0 && pBitmap->GetBitmap().GetSize() != to)
                    pBitmap->SetBitmap(wxBitmap(original.Scale(to.x, to.y, wxIMAGE_QUALITY_HIGH)));
            };
            fit(size);
            pBitmap->Bind(wxEVT_SIZE, [pBitmap, fit](wxSizeEvent& e) {
                e.Skip();
                fit(pBitmap->GetSize());
            });
        }
        return pBitmap;
    }
    long style = Border(cs) | wxST_NO_AUTORESIZE;
    if (type == SS_CENTER)
        style |= wxALIGN_CENTER_HORIZONTAL;
    else if (type == SS_RIGHT)
        style |= wxALIGN_RIGHT;
    if (cs.style & SS_SUNKEN)
        style |= wxBORDER_SUNKEN;
    return new wxStaticText(pParent, WxWindowId(cs.hMenu), ToWx(cs.lpszName), Pos(cs), Size(cs), style);
}

void CStatic::BindWxEvents() {
    CWnd::BindWxEvents();
    if (!(m_dwStyle & SS_NOTIFY))
        return;
    HWND h = m_hWnd;
    m_pWx->Bind(wxEVT_LEFT_UP, [h](wxMouseEvent& e) {
        e.Skip();
        if (CWnd* p = CWnd::FromHandle(h))
            p->NotifyParentCommand(STN_CLICKED);
    });
}

BOOL CStatic::SetBitmap(UINT nIDBitmap) {
    auto* p = dynamic_cast<wxStaticBitmap*>(m_pWx);
    const wxBitmap* pBmp = AfxFindBitmapResource(nIDBitmap);
    if (p == nullptr || pBmp == nullptr)
        return FALSE;
    p->SetBitmap(*pBmp);
    return TRUE;
}

// ----- CEdit -----

BOOL CEdit::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
    return CWnd::Create("EDIT", nullptr, dwStyle, rect, pParentWnd, nID);
}

wxWindow* CEdit::CreateWxPeer(wxWindow* pParent, const CREATESTRUCT& cs) {
    if (pParent == nullptr)
        return nullptr;
    long style = Border(cs);
    if (cs.style & ES_MULTILINE)
        style |= wxTE_MULTILINE;
    if (cs.style & ES_PASSWORD)
        style |= wxTE_PASSWORD;
    if (cs.style & ES_READONLY)
        style |= wxTE_READONLY;
    return new wxTextCtrl(pParent, WxWindowId(cs.hMenu), ToWx(cs.lpszName), Pos(cs), Size(cs), style);
}

void CEdit::BindWxEvents() {
    CWnd::BindWxEvents();
    HWND h = m_hWnd;
    m_pWx->Bind(wxEVT_TEXT, [h](wxCommandEvent&) {
        if (CWnd* p = CWnd::FromHandle(h))
            p->NotifyParentCommand(EN_CHANGE);
    });
    m_pWx->Bind(wxEVT_KILL_FOCUS, [h](wxFocusEvent& e) {
        e.Skip();
        if (CWnd* p = CWnd::FromHandle(h))
            p->NotifyParentCommand(EN_KILLFOCUS);
    });
}

void CEdit::SetLimitText(UINT nMax) {
    m_nLimit = nMax;
    if (auto* p = dynamic_cast<wxTextCtrl*>(m_pWx))
        p->SetMaxLength(nMax);
}

void CEdit::SetSel(int nStart, int nEnd) {
    if (auto* p = dynamic_cast<wxTextCtrl*>(m_pWx))
        p->SetSelection(nStart, nEnd);
}

void CEdit::GetSel(int& nStart, int& nEnd) const {
    long from = 0, to = 0;
    if (auto* p = dynamic_cast<wxTextCtrl*>(m_pWx))
        p->GetSelection(&from, &to);
    nStart = (int)from;
    nEnd = (int)to;
}

void CEdit::ReplaceSel(LPCSTR lpszNewText) {
    if (auto* p = dynamic_cast<wxTextCtrl*>(m_pWx))
        p->WriteText(ToWx(lpszNewText));
}

void CEdit::SetReadOnly(BOOL bReadOnly) {
    if (auto* p = dynamic_cast<wxTextCtrl*>(m_pWx))
        p->SetEditable(!bReadOnly);
}

void CEdit::SetWindowTextNoNotify(LPCSTR lpszText) {
    if (auto* p = dynamic_cast<wxTextCtrl*>(m_pWx))
        p->ChangeValue(ToWx(lpszText));
}

// ----- CListBox -----

BOOL CListBox::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
    return CWnd::Create("LISTBOX", nullptr, dwStyle, rect, pParentWnd, nID);
}

namespace {
// The toolkit reports a user's choice in a single-selection list only when its index differs from
// the index it last reported or the program last selected, and it keeps that index when items are
// added above it (a sorted list), removed or cleared. A click on the entry that has moved onto the
// remembered index would then be dropped as "no change". The record is made to name what the list
// really shows after every change the program makes.
class CWxListBox : public wxListBox {
public:
    using wxListBox::wxListBox;

protected:
    int DoInsertItems(const wxArrayStringsAdapter& items, unsigned int pos, void** clientData,
                      wxClientDataType type) override {
        int n = wxListBox::DoInsertItems(items, pos, clientData, type);
        RememberShownSelection();
        return n;
    }
    void DoDeleteOneItem(unsigned int n) override {
        wxListBox::DoDeleteOneItem(n);
        RememberShownSelection();
    }
    void DoClear() override {
        wxListBox::DoClear();
        RememberShownSelection();
    }
    void DoSetSelection(int n, bool select) override {
        wxListBox::DoSetSelection(n, select);
        RememberShownSelection();
    }

private:
    void RememberShownSelection() {
        if (HasMultipleSelection()) {
            GetSelections(m_oldSelections);
            return;
        }
        m_oldSelections.clear();
        const int nSel = GetSelection();
        if (nSel != wxNOT_FOUND)
            m_oldSelections.push_back(nSel);
    }
};
}  // namespace

wxWindow* CListBox::CreateWxPeer(wxWindow* pParent, const CREATESTRUCT& cs) {
    if (pParent == nullptr)
        return nullptr;
    long style = Border(cs) | wxLB_NEEDED_SB;
    if (cs.style & LBS_SORT)
        style |= wxLB_SORT;
    if (cs.style & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL))
        style |= (cs.style & LBS_EXTENDEDSEL) ? wxLB_EXTENDED : wxLB_MULTIPLE;
    return new CWxListBox(pParent, WxWindowId(cs.hMenu), Pos(cs), Size(cs), 0, nullptr, style);
}

void CListBox::BindWxEvents() {
    CWnd::BindWxEvents();
    HWND h = m_hWnd;
    m_pWx->Bind(wxEVT_LISTBOX, [h](wxCommandEvent&) {
        CWnd* p = CWnd::FromHandle(h);
        if (p != nullptr && (p->GetStyle() & LBS_NOTIFY))
            p->NotifyParentCommand(LBN_SELCHANGE);
    });
    m_pWx->Bind(wxEVT_LISTBOX_DCLICK, [h](wxCommandEvent&) {
        CWnd* p = CWnd::FromHandle(h);
        if (p != nullptr && (p->GetStyle() & LBS_NOTIFY))
            p->NotifyParentCommand(LBN_DBLCLK);
    });
}

static wxListBox* LB(wxWindow* w) {
    return dynamic_cast<wxListBox*>(w);
}

// List boxes and combo boxes keep their items in a toolkit item container and answer the same
// questions about them the same way; both report a failure as -1.
static_assert(LB_ERR == CB_ERR);

static int ItemCount(const wxItemContainer* p) {
    return p ? (int)p->GetCount() : LB_ERR;
}

static int SelectedItem(const wxItemContainer* p) {
    if (p == nullptr)
        return LB_ERR;
    int n = p->GetSelection();
    return n == wxNOT_FOUND ? LB_ERR : n;
}

static int ItemText(const wxItemContainer* p, int nIndex, CString& rString) {
    rString = CString();
    if (p == nullptr || nIndex < 0 || nIndex >= (int)p->GetCount())
        return LB_ERR;
    rString = FromWx(p->GetString((unsigned)nIndex));
    return rString.GetLength();
}

// The search starts after nIndexStart and wraps around, ignoring case.
static int FindItemExact(const wxItemContainer* p, int nIndexStart, LPCSTR lpszFind) {
    if (p == nullptr || lpszFind == nullptr)
        return LB_ERR;
    int n = (int)p->GetCount();
    wxString find = ToWx(lpszFind);
    for (int k = 1; k <= n; ++k) {
        int i = ((nIndexStart < 0 ? -1 : nIndexStart) + k) % n;
        if (p->GetString((unsigned)i).IsSameAs(find, false))
            return i;
    }
    return LB_ERR;
}

int CListBox::AddString(LPCSTR lpszItem) {
    wxListBox* p = LB(m_pWx);
    return p ? p->Append(ToWx(lpszItem)) : LB_ERR;
}

int CListBox::InsertString(int nIndex, LPCSTR lpszItem) {
    wxListBox* p = LB(m_pWx);
    if (p == nullptr)
        return LB_ERR;
    if (nIndex < 0 || nIndex > (int)p->GetCount())
        nIndex = (int)p->GetCount();
    return p->Insert(ToWx(lpszItem), (unsigned)nIndex);
}

int CListBox::DeleteString(UINT nIndex) {
    wxListBox* p = LB(m_pWx);
    if (p == nullptr || nIndex >= p->GetCount())
        return LB_ERR;
    p->Delete(nIndex);
    return (int)p->GetCount();
}

void CListBox::ResetContent() {
    if (wxListBox* p = LB(m_pWx))
        p->Clear();
}

int CListBox::GetCount() const {
    return ItemCount(LB(m_pWx));
}

int CListBox::GetCurSel() const {
    return SelectedItem(LB(m_pWx));
}

int CListBox::SetCurSel(int nSelect) {
    wxListBox* p = LB(m_pWx);
    if (p == nullptr)
        return LB_ERR;
    if (nSelect < 0 || nSelect >= (int)p->GetCount()) {
        p->SetSelection(wxNOT_FOUND);
        return nSelect == -1 ? 0 : LB_ERR;
    }
    p->SetSelection(nSelect);
    return nSelect;
}

int CListBox::GetText(int nIndex, CString& rString) const {
    return ItemText(LB(m_pWx), nIndex, rString);
}

int CListBox::GetTextLen(int nIndex) const {
    CString s;
    return GetText(nIndex, s);
}

int CListBox::SetItemData(int nIndex, DWORD_PTR dwItemData) {
    wxListBox* p = LB(m_pWx);
    if (p == nullptr || nIndex < 0 || nIndex >= (int)p->GetCount())
        return LB_ERR;
    p->SetClientData((unsigned)nIndex, reinterpret_cast<void*>(dwItemData));
    return 0;
}

DWORD_PTR CListBox::GetItemData(int nIndex) const {
    wxListBox* p = LB(m_pWx);
    if (p == nullptr || nIndex < 0 || nIndex >= (int)p->GetCount())
        return (DWORD_PTR)LB_ERR;
    return reinterpret_cast<DWORD_PTR>(p->GetClientData((unsigned)nIndex));
}

int CListBox::FindStringExact(int nIndexStart, LPCSTR lpszFind) const {
    return FindItemExact(LB(m_pWx), nIndexStart, lpszFind);
}

int CListBox::GetSel(int nIndex) const {
    wxListBox* p = LB(m_pWx);
    if (p == nullptr || nIndex < 0 || nIndex >= (int)p->GetCount())
        return LB_ERR;
    return p->IsSelected(nIndex) ? 1 : 0;
}

int CListBox::SetSel(int nIndex, BOOL bSelect) {
    wxListBox* p = LB(m_pWx);
    if (p == nullptr)
        return LB_ERR;
    if (nIndex == -1) {
        for (unsigned i = 0; i < p->GetCount(); ++i)
            bSelect ? p->SetSelection((int)i) : p->Deselect((int)i);
        return 0;
    }
    if (nIndex < 0 || nIndex >= (int)p->GetCount())
        return LB_ERR;
    bSelect ? p->SetSelection(nIndex) : p->Deselect(nIndex);
    return 0;
}

int CListBox::GetSelCount() const {
    wxListBox* p = LB(m_pWx);
    if (p == nullptr)
        return LB_ERR;
    wxArrayInt sel;
    return p->GetSelections(sel);
}

int CListBox::GetSelItems(int nMaxItems, LPINT rgIndex) const {
    wxListBox* p = LB(m_pWx);
    if (p == nullptr || rgIndex == nullptr)
        return LB_ERR;
    wxArrayInt sel;
    int n = p->GetSelections(sel);
    int k = 0;
    for (; k < n && k < nMaxItems; ++k)
        rgIndex[k] = sel[(size_t)k];
    return k;
}

// ----- CComboBox -----

BOOL CComboBox::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
    return CWnd::Create("COMBOBOX", nullptr, dwStyle, rect, pParentWnd, nID);
}

wxWindow* CComboBox::CreateWxPeer(wxWindow* pParent, const CREATESTRUCT& cs) {
    if (pParent == nullptr)
        return nullptr;
    // A template gives a combo box the height of its open list: the closed box is one line.
    wxSize size(cs.cx > 0 ? cs.cx : -1, -1);
    if ((cs.style & 0x3) == CBS_DROPDOWNLIST)
        return new wxChoice(pParent, WxWindowId(cs.hMenu), Pos(cs), size);
    return new wxComboBox(pParent, WxWindowId(cs.hMenu), wxString(), Pos(cs), size, 0, nullptr,
                          wxCB_DROPDOWN);
}

void CComboBox::BindWxEvents() {
    CWnd::BindWxEvents();
    HWND h = m_hWnd;
    auto sel = [h](wxCommandEvent&) {
        if (CWnd* p = CWnd::FromHandle(h))
            p->NotifyParentCommand(CBN_SELCHANGE);
    };
    m_pWx->Bind(wxEVT_CHOICE, sel);
    m_pWx->Bind(wxEVT_COMBOBOX, sel);
    m_pWx->Bind(wxEVT_TEXT, [h](wxCommandEvent&) {
        if (CWnd* p = CWnd::FromHandle(h))
            p->NotifyParentCommand(CBN_EDITCHANGE);
    });
}

static wxItemContainer* CB(wxWindow* w) {
    return dynamic_cast<wxItemContainer*>(w);
}

int CComboBox::InsertAt(int nIndex, LPCSTR lpszString) {
    wxItemContainer* p = CB(m_pWx);
    if (p == nullptr)
        return CB_ERR;
    wxString text = ToWx(lpszString);
    int n = (int)p->GetCount();
    if (nIndex < 0 || nIndex > n) {
        nIndex = n;
        if (m_dwStyle & CBS_SORT) {
            nIndex = 0;
            while (nIndex < n && p->GetString((unsigned)nIndex).CmpNoCase(text) <= 0)
                ++nIndex;
        }
    }
    p->Insert(text, (unsigned)nIndex);
    m_data.insert(m_data.begin() + nIndex, 0);
    return nIndex;
}

int CComboBox::AddString(LPCSTR lpszString) {
    return InsertAt(-1, lpszString);
}

int CComboBox::InsertString(int nIndex, LPCSTR lpszString) {
    wxItemContainer* p = CB(m_pWx);
    if (p == nullptr)
        return CB_ERR;
    int n = (int)p->GetCount();
    return InsertAt(nIndex < 0 || nIndex > n ? n : nIndex, lpszString);
}

int CComboBox::DeleteString(UINT nIndex) {
    wxItemContainer* p = CB(m_pWx);
    if (p == nullptr || nIndex >= p->GetCount())
        return CB_ERR;
    p->Delete(nIndex);
    m_data.erase(m_data.begin() + nIndex);
    return (int)p->GetCount();
}

void CComboBox::ResetContent() {
    if (wxItemContainer* p = CB(m_pWx))
        p->Clear();
    m_data.clear();
}

int CComboBox::GetCount() const {
    return ItemCount(CB(m_pWx));
}

int CComboBox::GetCurSel() const {
    return SelectedItem(CB(m_pWx));
}

int CComboBox::SetCurSel(int nSelect) {
    wxItemContainer* p = CB(m_pWx);
    if (p == nullptr)
        return CB_ERR;
    if (nSelect < 0 || nSelect >= (int)p->GetCount()) {
        p->SetSelection(wxNOT_FOUND);
        return CB_ERR;
    }
    p->SetSelection(nSelect);
    return nSelect;
}

int CComboBox::GetLBText(int nIndex, CString& rString) const {
    return ItemText(CB(m_pWx), nIndex, rString);
}

int CComboBox::SetItemData(int nIndex, DWORD_PTR dwItemData) {
    if (nIndex < 0 || nIndex >= (int)m_data.size())
        return CB_ERR;
    m_data[(size_t)nIndex] = dwItemData;
    return 0;
}

DWORD_PTR CComboBox::GetItemData(int nIndex) const {
    if (nIndex < 0 || nIndex >= (int)m_data.size())
        return (DWORD_PTR)CB_ERR;
    return m_data[(size_t)nIndex];
}

int CComboBox::FindStringExact(int nIndexStart, LPCSTR lpszFind) const {
    return FindItemExact(CB(m_pWx), nIndexStart, lpszFind);
}

// ----- CProgressCtrl -----

BOOL CProgressCtrl::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
    return CWnd::Create("msctls_progress32", nullptr, dwStyle, rect, pParentWnd, nID);
}

wxWindow* CProgressCtrl::CreateWxPeer(wxWindow* pParent, const CREATESTRUCT& cs) {
    if (pParent == nullptr)
        return nullptr;
    return new wxGauge(pParent, WxWindowId(cs.hMenu), 100, Pos(cs), Size(cs), wxGA_HORIZONTAL | wxGA_SMOOTH);
}

void CProgressCtrl::SetRange(short nLower, short nUpper) {
    SetRange32(nLower, nUpper);
}

void CProgressCtrl::SetRange32(int nLower, int nUpper) {
    m_nLower = nLower;
    m_nUpper = nUpper > nLower ? nUpper : nLower + 1;
    SetPos(m_nPos);
}

void CProgressCtrl::GetRange(int& nLower, int& nUpper) const {
    nLower = m_nLower;
    nUpper = m_nUpper;
}

int CProgressCtrl::SetPos(int nPos) {
    int old = m_nPos;
    m_nPos = nPos < m_nLower ? m_nLower : (nPos > m_nUpper ? m_nUpper : nPos);
    if (auto* p = dynamic_cast<wxGauge*>(m_pWx)) {
        p->SetRange(m_nUpper - m_nLower);
        p->SetValue(m_nPos - m_nLower);
    }
    return old;
}

int CProgressCtrl::GetPos() const {
    return m_nPos;
}

// ----- CTabCtrl -----

// The strip's own pages are empty stand-ins; showing one (a tab switch) puts its native window on top
// of its siblings, where it would swallow the clicks meant for the caller's page lying over it.
static void LowerTabPlaceholders(wxNotebook* p) {
    for (size_t i = 0; i < p->GetPageCount(); ++i)
        if (wxWindow* pPage = p->GetPage(i))
            pPage->Lower();
}

BOOL CTabCtrl::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
    return CWnd::Create("SysTabControl32", nullptr, dwStyle, rect, pParentWnd, nID);
}

wxWindow* CTabCtrl::CreateWxPeer(wxWindow* pParent, const CREATESTRUCT& cs) {
    if (pParent == nullptr)
        return nullptr;
    return new wxNotebook(pParent, WxWindowId(cs.hMenu), Pos(cs), Size(cs));
}

void CTabCtrl::BindWxEvents() {
    CWnd::BindWxEvents();
    HWND h = m_hWnd;
    m_pWx->Bind(wxEVT_NOTEBOOK_PAGE_CHANGING, [h](wxBookCtrlEvent& e) {
        auto* p = dynamic_cast<CTabCtrl*>(CWnd::FromHandle(h));
        if (p == nullptr || p->m_bSilent)
            return;
        NMHDR hdr{};
        hdr.code = TCN_SELCHANGING;
        if (p->NotifyParent(&hdr) != 0)
            e.Veto();
    });
    m_pWx->Bind(wxEVT_NOTEBOOK_PAGE_CHANGED, [h](wxBookCtrlEvent&) {
        auto* p = dynamic_cast<CTabCtrl*>(CWnd::FromHandle(h));
        if (p == nullptr)
            return;
        if (auto* pBook = dynamic_cast<wxNotebook*>(p->m_pWx))
            LowerTabPlaceholders(pBook);
        if (p->m_bSilent)
            return;
        NMHDR hdr{};
        hdr.code = TCN_SELCHANGE;
        p->NotifyParent(&hdr);
    });
}

LONG CTabCtrl::InsertItem(int nItem, LPCSTR lpszItem) {
    TCITEM item{};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<LPSTR>(lpszItem);
    return InsertItem(nItem, &item);
}

LONG CTabCtrl::InsertItem(int nItem, TCITEM* pItem) {
    auto* p = dynamic_cast<wxNotebook*>(m_pWx);
    if (p == nullptr || pItem == nullptr)
        return -1;
    int n = (int)p->GetPageCount();
    if (nItem < 0 || nItem > n)
        nItem = n;
    // The strip needs a window per tab; the caller's pages lie on top of these empty ones.
    m_bSilent = true;
    auto* pPlaceholder = new wxPanel(p);
    p->InsertPage((size_t)nItem, pPlaceholder, (pItem->mask & TCIF_TEXT) ? ToWx(pItem->pszText) : wxString(),
                  n == 0);
    m_bSilent = false;
    LowerTabPlaceholders(p);
    m_params.insert(m_params.begin() + nItem, (pItem->mask & TCIF_PARAM) ? pItem->lParam : 0);
    return nItem;
}

BOOL CTabCtrl::SetItem(int nItem, TCITEM* pItem) {
    auto* p = dynamic_cast<wxNotebook*>(m_pWx);
    if (p == nullptr || pItem == nullptr || nItem < 0 || nItem >= (int)p->GetPageCount())
        return FALSE;
    if (pItem->mask & TCIF_TEXT)
        p->SetPageText((size_t)nItem, ToWx(pItem->pszText));
    if (pItem->mask & TCIF_PARAM)
        m_params[(size_t)nItem] = pItem->lParam;
    return TRUE;
}

BOOL CTabCtrl::DeleteItem(int nItem) {
    auto* p = dynamic_cast<wxNotebook*>(m_pWx);
    if (p == nullptr || nItem < 0 || nItem >= (int)p->GetPageCount())
        return FALSE;
    m_bSilent = true;
    p->DeletePage((size_t)nItem);
    m_bSilent = false;
    m_params.erase(m_params.begin() + nItem);
    return TRUE;
}

BOOL CTabCtrl::DeleteAllItems() {
    auto* p = dynamic_cast<wxNotebook*>(m_pWx);
    if (p == nullptr)
        return FALSE;
    m_bSilent = true;
    p->DeleteAllPages();
    m_bSilent = false;
    m_params.clear();
    return TRUE;
}

int CTabCtrl::GetItemCount() const {
    auto* p = dynamic_cast<wxNotebook*>(m_pWx);
    return p ? (int)p->GetPageCount() : 0;
}

int CTabCtrl::GetCurSel() const {
    auto* p = dynamic_cast<wxNotebook*>(m_pWx);
    return p ? p->GetSelection() : -1;
}

int CTabCtrl::SetCurSel(int nItem) {
    auto* p = dynamic_cast<wxNotebook*>(m_pWx);
    if (p == nullptr || nItem < 0 || nItem >= (int)p->GetPageCount())
        return -1;
    int old = p->GetSelection();
    m_bSilent = true;
    p->ChangeSelection((size_t)nItem);
    m_bSilent = false;
    LowerTabPlaceholders(p);
    return old;
}

RECT CTabCtrl::PageInsets() const {
    auto* p = dynamic_cast<wxNotebook*>(m_pWx);
    wxWindow* pPage = p != nullptr && p->GetPageCount() > 0 ? p->GetPage(0) : nullptr;
    if (pPage == nullptr)
        return RECT{2, m_pWx != nullptr ? m_pWx->GetCharHeight() + 16 : 26, 2, 2};
    // Where the toolkit puts its pages, below the row of tabs and the line under the selected one
    // (which a page laid over it would hide): the empty page of each tab lies exactly there.
    auto* pWidget = static_cast<GtkWidget*>(p->GetHandle());
    auto* pPageWidget = static_cast<GtkWidget*>(pPage->GetHandle());
    GtkAllocation book{}, page{};
    gtk_widget_get_allocation(pWidget, &book);
    gtk_widget_get_allocation(pPageWidget, &page);
    const wxSize size = p->GetSize();
    if ((book.width != size.x || book.height != size.y || page.height <= 1) && size.x > 1 && size.y > 1) {
        // Not laid out at its size yet: the toolkit lays it out now, where and as large as it is.
        const wxPoint pos = p->GetPosition();
        GtkAllocation wanted{pos.x, pos.y, size.x, size.y};
        gtk_widget_size_allocate(pWidget, &wanted);
        gtk_widget_get_allocation(pWidget, &book);
        gtk_widget_get_allocation(pPageWidget, &page);
    }
    if (page.height <= 1 || book.height <= 1)
        return RECT{2, p->GetCharHeight() + 16, 2, 2};
    // The notebook draws on its parent's surface: both allocations are in the same coordinates.
    return RECT{page.x - book.x, page.y - book.y, (book.x + book.width) - (page.x + page.width),
                (book.y + book.height) - (page.y + page.height)};
}

int CTabCtrl::TabHeight() const {
    return PageInsets().top;
}

void CTabCtrl::AdjustRect(BOOL bLarger, LPRECT lpRect) {
    if (lpRect == nullptr)
        return;
    const RECT insets = PageInsets();
    int d = bLarger ? -1 : 1;
    lpRect->left += insets.left * d;
    lpRect->right -= insets.right * d;
    lpRect->top += insets.top * d;
    lpRect->bottom -= insets.bottom * d;
}

BOOL CTabCtrl::GetItemRect(int nItem, LPRECT lpRect) const {
    if (lpRect == nullptr)
        return FALSE;
    // Before any tab exists the height of a tab row is still reported, as the common control does.
    int width = 80;
    *lpRect = RECT{nItem * width, 0, (nItem + 1) * width, TabHeight()};
    return nItem == 0 || nItem < GetItemCount();
}

CString CTabCtrl::GetItemText(int nItem) const {
    auto* p = dynamic_cast<wxNotebook*>(m_pWx);
    if (p == nullptr || nItem < 0 || nItem >= (int)p->GetPageCount())
        return CString();
    return FromWx(p->GetPageText((size_t)nItem));
}
