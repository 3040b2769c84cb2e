// The item viewer window over wxWidgets.
#include "platform/automation/ItemViewerWindow.h"

#include <wx/button.h>
#include <wx/dialog.h>
#include <wx/listctrl.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/wx.h>

#include <algorithm>

#include "platform/afx/wnd/WxText.h"

namespace {

// How much of a text each place shows: the toolkit draws a text of a megabyte garbled, over its
// neighbours, and a window title that long is no title. A text cut short ends in an ellipsis.
constexpr size_t kMaxTitleChars = 100;
constexpr size_t kMaxFieldChars = 1000;
constexpr size_t kMaxCellChars = 260;

// The text on one line (line breaks and tabs as blanks), cut after nMaxChars characters.
wxString ToWxLine(const std::string& text, size_t nMaxChars) {
    // Only what can be shown is converted, with room for the ellipsis to replace.
    const size_t nBytes = std::min(text.size(), (nMaxChars + 1) * 4);
    wxString line = WxFromUtf8(text.data(), nBytes);
    for (wxUniCharRef c : line)
        if (c == '\r' || c == '\n' || c == '\t' || c == '\v' || c == '\f')
            c = ' ';
    if (line.length() > nMaxChars || nBytes < text.size())
        line = line.Left(nMaxChars - 1) + wxUniChar(0x2026);
    return line;
}

class CItemViewerDialog : public wxDialog {
public:
    explicit CItemViewerDialog(const CItemSnapshot& item)
        : wxDialog(nullptr, wxID_ANY, Title(item), wxDefaultPosition, wxSize(720, 520),
                   wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER, ITEMVIEWER_WINDOW_NAME) {
        auto* fields = new wxFlexGridSizer(2, wxSize(8, 6));
        fields->AddGrowableCol(1);
        AddField(fields, "Message class:", item.messageClass, ITEMVIEWER_CLASS_NAME);
        AddField(fields, "Subject:", item.subject, ITEMVIEWER_SUBJECT_NAME);

        auto* list =
            new wxListCtrl(this, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxLC_REPORT | wxLC_SINGLE_SEL,
                           wxDefaultValidator, ITEMVIEWER_PROPERTIES_NAME);
        list->InsertColumn(0, "Property", wxLIST_FORMAT_LEFT, 300);
        list->InsertColumn(1, "Type", wxLIST_FORMAT_LEFT, 110);
        list->InsertColumn(2, "Value", wxLIST_FORMAT_LEFT, 280);
        long row = 0;
        for (const CItemProperty& property : item.properties) {
            row = list->InsertItem(row, ToWxLine(property.name, kMaxCellChars)) + 1;
            list->SetItem(row - 1, 1, ToWxLine(property.type, kMaxCellChars));
            list->SetItem(row - 1, 2, ToWxLine(property.value, kMaxCellChars));
        }

        auto* top = new wxBoxSizer(wxVERTICAL);
        top->Add(fields, 0, wxEXPAND | wxALL, 10);
        top->Add(list, 1, wxEXPAND | wxLEFT | wxRIGHT, 10);
        top->Add(new wxButton(this, wxID_CLOSE), 0, wxALIGN_RIGHT | wxALL, 10);
        SetSizer(top);
        SetEscapeId(wxID_CLOSE);
        Bind(wxEVT_BUTTON, &CItemViewerDialog::OnCloseButton, this, wxID_CLOSE);
        Bind(wxEVT_CLOSE_WINDOW, &CItemViewerDialog::OnClose, this);
    }

private:
    static wxString Title(const CItemSnapshot& item) {
        return (item.subject.empty() ? wxString("(no subject)") : ToWxLine(item.subject, kMaxTitleChars)) +
               " - Item";
    }

    void AddField(wxFlexGridSizer* sizer, const char* label, const std::string& value, const char* name) {
        sizer->Add(new wxStaticText(this, wxID_ANY, label), 0, wxALIGN_CENTER_VERTICAL);
        sizer->Add(new wxTextCtrl(this, wxID_ANY, ToWxLine(value, kMaxFieldChars), wxDefaultPosition,
                                  wxDefaultSize, wxTE_READONLY, wxDefaultValidator, name),
                   1, wxEXPAND);
    }

    void OnCloseButton(wxCommandEvent&) { Close(); }

    // A modeless viewer goes away when closed; a modal one ends its loop and its caller destroys it.
    void OnClose(wxCloseEvent&) {
        if (IsModal())
            EndModal(wxID_CLOSE);
        else
            Destroy();
    }
};

class CItemViewerWindow : public IItemViewer {
public:
    HRESULT ShowItem(const CItemSnapshot& item, bool bModal) override {
        if (wxTheApp == nullptr)
            return E_UNEXPECTED;
        auto* dialog = new CItemViewerDialog(item);
        if (bModal) {
            dialog->ShowModal();
            dialog->Destroy();
            return S_OK;
        }
        dialog->Show();
        dialog->Raise();
        return S_OK;
    }
};

CItemViewerWindow g_viewer;

}  // namespace

IItemViewer* ItemViewerWindow() {
    return &g_viewer;
}
