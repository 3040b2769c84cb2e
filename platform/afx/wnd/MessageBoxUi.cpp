// The message-box dialog over the toolkit, with the test hooks for boxes and modal dialogs.
#include "platform/afx/wnd/MessageBoxUi.h"

#include <wx/msgdlg.h>
#include <wx/stockitem.h>

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
    wxMessageDialog dlg(pParent, ToWx(box.text.c_str()), ToWx(box.caption.c_str()), style);
    // The buttons speak the program's language, as the text does: labels of the toolkit's own
    // translations, not its stock buttons, which follow the system's locale.
    AfxFollowProgramLanguage();
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
    switch (dlg.ShowModal()) {
        case wxID_OK:
            return (type & MB_TYPEMASK) == MB_RETRYCANCEL ? IDRETRY : IDOK;
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
