// The configuration list's type icons, drawn in code, and the templates of its three dialogs.
#include "resources/ViewResources.h"

#include <wx/bitmap.h>
#include <wx/dcmemory.h>

#include "platform/afx/wnd/Resources.h"

namespace {

const DWORD kChild = WS_CHILD | WS_VISIBLE;
const DWORD kModal = DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU;
const DWORD kEdit = kChild | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP;

// A 16 x 16 card in the type's colour with a one-letter mark; white stays transparent, so the
// icon sits on any row colour.
wxBitmap MakeTypeIcon(const wxColour& colour, const char* pszMark) {
    wxBitmap bitmap(16, 16, 24);
    {
        wxMemoryDC dc(bitmap);
        dc.SetBackground(*wxWHITE_BRUSH);
        dc.Clear();
        dc.SetPen(wxPen(colour.ChangeLightness(55)));
        dc.SetBrush(wxBrush(colour));
        dc.DrawRoundedRectangle(1, 1, 14, 14, 2);
        dc.SetTextForeground(wxColour(250, 250, 250));
        wxFont font(wxFontInfo(7).Family(wxFONTFAMILY_SWISS).Bold());
        dc.SetFont(font);
        wxSize extent = dc.GetTextExtent(pszMark);
        dc.DrawText(pszMark, (16 - extent.x) / 2, (16 - extent.y) / 2);
    }
    bitmap.SetMask(new wxMask(bitmap, *wxWHITE));
    return bitmap;
}

void RegisterTypeIcons() {
    const struct {
        UINT nID;
        unsigned char r, g, b;
        const char* pszMark;
    } icons[] = {{IDI_TYPE_APPOINTMENT, 176, 48, 48, "A"}, {IDI_TYPE_CONTACT, 176, 96, 40, "C"},
                 {IDI_TYPE_MAIL, 48, 96, 168, "M"},        {IDI_TYPE_JOURNAL, 128, 64, 144, "J"},
                 {IDI_TYPE_NOTE, 184, 160, 24, "N"},       {IDI_TYPE_TASK, 40, 136, 72, "T"}};
    for (const auto& icon : icons) {
        wxColour colour(icon.r, icon.g, icon.b);
        const char* pszMark = icon.pszMark;
        AfxRegisterIcon(icon.nID, [colour, pszMark] { return MakeTypeIcon(colour, pszMark); });
    }
}

void RegisterTemplates() {
    AfxRegisterDialogTemplate(
        DLGTEMPLATEDEF{IDD_CREATE_CONFIGURATION,
                       kModal,
                       0,
                       0,
                       0,
                       186,
                       116,
                       "Konfiguration erstellen",
                       "MS Sans Serif",
                       8,
                       {{"STATIC", "Bezeichnung:", IDC_CREATE_NAME_LABEL, 7, 7, 172, 8, kChild | SS_LEFT},
                        {"EDIT", "", IDC_CREATE_NAME, 7, 15, 172, 14, kEdit},
                        {"STATIC", "Typ:", IDC_CREATE_TYPE_LABEL, 7, 46, 172, 8, kChild | SS_LEFT},
                        {"COMBOBOX", "", IDC_CREATE_TYPE, 7, 54, 172, 83,
                         kChild | CBS_DROPDOWNLIST | CBS_SORT | WS_VSCROLL | WS_TABSTOP},
                        {"BUTTON", "OK", IDOK, 37, 86, 50, 14, kChild | BS_DEFPUSHBUTTON | WS_TABSTOP},
                        {"BUTTON", "Abbrechen", IDCANCEL, 97, 86, 50, 14, kChild | WS_TABSTOP}}});
    AfxRegisterDialogTemplate(DLGTEMPLATEDEF{
        IDD_SELECT_LANGUAGE,
        kModal,
        0,
        0,
        0,
        241,
        217,
        "Sprache wählen...",
        "MS Sans Serif",
        8,
        {{"LISTBOX", "", IDC_LANGUAGE_LIST, 7, 7, 164, 203,
          kChild | LBS_NOTIFY | LBS_SORT | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_BORDER | WS_TABSTOP},
         {"BUTTON", "OK", IDOK, 184, 7, 50, 14, kChild | BS_DEFPUSHBUTTON | WS_TABSTOP},
         {"BUTTON", "Abbrechen", IDCANCEL, 184, 24, 50, 14, kChild | WS_TABSTOP}}});
    AfxRegisterDialogTemplate(
        DLGTEMPLATEDEF{IDD_RENAME_CONFIGURATION,
                       kModal,
                       0,
                       0,
                       0,
                       144,
                       89,
                       "Dialog",
                       "MS Sans Serif",
                       8,
                       {{"STATIC", "&Aktueller Name:", IDC_RENAME_OLD_LABEL, 7, 7, 130, 8, kChild | SS_LEFT},
                        {"EDIT", "", IDC_RENAME_OLD_NAME, 7, 15, 130, 14, kEdit | ES_READONLY},
                        {"STATIC", "&Neuer Name:", IDC_RENAME_NEW_LABEL, 7, 36, 130, 8, kChild | SS_LEFT},
                        {"EDIT", "", IDC_RENAME_NEW_NAME, 7, 45, 130, 14, kEdit},
                        {"BUTTON", "OK", IDOK, 7, 67, 50, 14, kChild | BS_DEFPUSHBUTTON | WS_TABSTOP},
                        {"BUTTON", "Abbrechen", IDCANCEL, 87, 67, 50, 14, kChild | WS_TABSTOP}}});
}

}  // namespace

void RegisterViewResources() {
    RegisterTypeIcons();
    RegisterTemplates();
}
