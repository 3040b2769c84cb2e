// The message-box dialog over the toolkit, with the test hooks for boxes and modal dialogs.
#include "platform/afx/wnd/MessageBoxUi.h"

#include <wx/artprov.h>
#include <wx/button.h>
#include <wx/dialog.h>
#include <wx/msgdlg.h>
#include <wx/sizer.h>
#include <wx/statbmp.h>
#include <wx/stockitem.h>
#include <wx/textctrl.h>

#include <algorithm>

#include "platform/afx/wnd/Gdi.h"
#include "platform/afx/wnd/UiLanguage.h"
#include "platform/afx/wnd/Wnd.h"
#include "platform/afx/wnd/WxText.h"
#include "platform/win32/MessageBox.h"

namespace {
MessageBoxHook& BoxHook() {
    static MessageBoxHook hook;
    return hook;
}
std::vector<AfxShownMessageBox>& Shown() {
    static std::vector<AfxShownMessageBox> shown;
    return shown;
}

// The width the toolkit's own box breaks its text at, about; and the height of its caption,
// icon row margins and buttons around the text.
constexpr int kNativeTextWidth = 400;
constexpr int kBoxChrome = 200;
// The width of the box that scrolls a text too long for the toolkit's own.
constexpr int kScrollingBoxWidth = 600;

// A box for a text the toolkit's own box would show taller than the screen: as tall as the work
// area, the text scrolling inside, the buttons of the style below it.
int ShowScrollingBox(wxWindow* pParent, const wxString& text, const wxString& caption, long style,
                     bool bRetry, const CRect& rcWork) {
    const wxRect work(rcWork.left, rcWork.top, rcWork.Width(), rcWork.Height());
    wxDialog dlg(pParent, wxID_ANY, caption, wxDefaultPosition, wxDefaultSize,
                 wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER);
    auto* pTop = new wxBoxSizer(wxVERTICAL);
    auto* pRow = new wxBoxSizer(wxHORIZONTAL);
    const wxArtID art = (style & wxICON_ERROR)         ? wxART_ERROR
                        : (style & wxICON_QUESTION)    ? wxART_QUESTION
                        : (style & wxICON_EXCLAMATION) ? wxART_WARNING
                        : (style & wxICON_INFORMATION) ? wxART_INFORMATION
                                                       : wxArtID();
    if (!art.empty())
        pRow->Add(new wxStaticBitmap(&dlg, wxID_ANY, wxArtProvider::GetBitmap(art, wxART_MESSAGE_BOX)), 0,
                  wxALL, 10);
    pRow->Add(new wxTextCtrl(&dlg, wxID_ANY, text, wxDefaultPosition, wxDefaultSize,
                             wxTE_MULTILINE | wxTE_READONLY | wxTE_WORDWRAP | wxBORDER_NONE),
              1, wxEXPAND | wxALL, 10);
    pTop->Add(pRow, 1, wxEXPAND);
    auto* pButtons = new wxBoxSizer(wxHORIZONTAL);
    pButtons->AddStretchSpacer();
    auto addButton = [&](int nID, const wxString& label, bool bDefault) {
        auto* pButton = new wxButton(&dlg, nID, label);
        pButton->Bind(wxEVT_BUTTON, [&dlg, nID](wxCommandEvent&) { dlg.EndModal(nID); });
        if (bDefault)
            pButton->SetDefault();
        pButtons->Add(pButton, 0, wxLEFT, 8);
    };
    const bool bSecondDefault = (style & (wxCANCEL_DEFAULT | wxNO_DEFAULT)) != 0;
    if (style & wxYES_NO) {
        addButton(wxID_YES, wxGetStockLabel(wxID_YES), !bSecondDefault);
        addButton(wxID_NO, wxGetStockLabel(wxID_NO), bSecondDefault && !(style & wxCANCEL));
    } else {
        addButton(wxID_OK, wxGetStockLabel(bRetry ? wxID_RETRY : wxID_OK), !bSecondDefault);
    }
    if (style & wxCANCEL)
        addButton(wxID_CANCEL, wxGetStockLabel(wxID_CANCEL), bSecondDefault);
    dlg.SetEscapeId((style & wxCANCEL) ? wxID_CANCEL : (style & wxYES_NO) ? wxID_NO : wxID_OK);
    pTop->Add(pButtons, 0, wxEXPAND | wxALL, 10);
    dlg.SetSizer(pTop);
    const wxSize size(std::min(kScrollingBoxWidth, work.width), work.height);
    dlg.SetMaxSize(work.GetSize());
    dlg.SetSize(work.x + (work.width - size.x) / 2, work.y, size.x, size.y);
    return dlg.ShowModal();
}

int ShowBox(HWND owner, const char* text, const char* caption, UINT type) {
    AfxShownMessageBox box{text ? text : "", caption ? caption : "Error", type};
    Shown().push_back(box);
    if (BoxHook())
        return BoxHook()(box);
    long style = wxCENTRE;
    switch (type & MB_TYPEMASK) {
        case MB_OKCANCEL:
            style |= wxOK | wxCANCEL;
            break;
        case MB_YESNO:
            style |= wxYES_NO;
            break;
        case MB_YESNOCANCEL:
            style |= wxYES_NO | wxCANCEL;
            break;
        case MB_RETRYCANCEL:
            style |= wxOK | wxCANCEL;
            break;
        default:
            style |= wxOK;
            break;
    }
    switch (type & MB_ICONMASK) {
        case MB_ICONHAND:
            style |= wxICON_ERROR;
            break;
        case MB_ICONQUESTION:
            style |= wxICON_QUESTION;
            break;
        case MB_ICONEXCLAMATION:
            style |= wxICON_EXCLAMATION;
            break;
        case MB_ICONASTERISK:
            style |= wxICON_INFORMATION;
            break;
        default:
            break;
    }
    if ((type & MB_DEFMASK) == MB_DEFBUTTON2)
        style |= ((type & MB_TYPEMASK) == MB_OKCANCEL) ? wxCANCEL_DEFAULT : wxNO_DEFAULT;
    CWnd* pOwner = CWnd::FromHandle(owner);
    wxWindow* pParent = pOwner ? pOwner->GetWxWindow() : nullptr;
    // The buttons speak the program's language, as the text does: labels of the toolkit's own
    // translations, not its stock buttons, which follow the system's locale.
    AfxFollowProgramLanguage();
    const CRect rcWork = AfxGetWorkArea(pOwner);
    const wxString wxText = ToWx(box.text.c_str());
    wxMessageDialog dlg(pParent, wxText, ToWx(box.caption.c_str()), style);
    const wxString ok = wxGetStockLabel(wxID_OK);
    const wxString cancel = wxGetStockLabel(wxID_CANCEL);
    switch (type & MB_TYPEMASK) {
        case MB_RETRYCANCEL:
            dlg.SetOKCancelLabels(wxGetStockLabel(wxID_RETRY), cancel);
            break;
        case MB_OKCANCEL:
            dlg.SetOKCancelLabels(ok, cancel);
            break;
        case MB_YESNO:
            dlg.SetYesNoLabels(wxGetStockLabel(wxID_YES), wxGetStockLabel(wxID_NO));
            break;
        case MB_YESNOCANCEL:
            dlg.SetYesNoCancelLabels(wxGetStockLabel(wxID_YES), wxGetStockLabel(wxID_NO), cancel);
            break;
        default:
            dlg.SetOKLabel(ok);
            break;
    }
    const bool bRetry = (type & MB_TYPEMASK) == MB_RETRYCANCEL;
    // The toolkit's own box grows with its text beyond the screen, its buttons out of reach.
    const int nPressed =
        AfxGetWrappedTextHeight(box.text.c_str(), kNativeTextWidth, nullptr) + kBoxChrome > rcWork.Height()
            ? ShowScrollingBox(pParent, wxText, ToWx(box.caption.c_str()), style, bRetry, rcWork)
            : dlg.ShowModal();
    switch (nPressed) {
        case wxID_OK:
            return bRetry ? IDRETRY : IDOK;
        case wxID_YES:
            return IDYES;
        case wxID_NO:
            return IDNO;
        default:
            return IDCANCEL;
    }
}
}  // namespace

void AfxInstallMessageBoxUi() {
    SetMessageBoxHandler(ShowBox);
}

void AfxSetMessageBoxHook(MessageBoxHook hook) {
    BoxHook() = std::move(hook);
}

const std::vector<AfxShownMessageBox>& AfxGetShownMessageBoxes() {
    return Shown();
}

void AfxClearShownMessageBoxes() {
    Shown().clear();
}

void AfxSetModalHook(ModalHook hook) {
    AfxGetModalHook() = std::move(hook);
}

ModalHook& AfxGetModalHook() {
    static ModalHook hook;
    return hook;
}
