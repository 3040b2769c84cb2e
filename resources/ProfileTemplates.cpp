// Dialog templates of the profile chooser, folder picker, store changes and store password.
#include "resources/ProfileTemplates.h"

#include "platform/afx/wnd/Resources.h"
#include "resources/FolderIcons.h"

namespace {

const DWORD kChild = WS_CHILD | WS_VISIBLE;
const DWORD kList =
    kChild | LBS_NOTIFY | LBS_SORT | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_BORDER | WS_TABSTOP;

void RegisterProfileDialog() {
    AfxRegisterDialogTemplate(
        DLGTEMPLATEDEF{162,
                       WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME,
                       0,
                       0,
                       0,
                       298,
                       207,
                       "Dialog",
                       "MS Sans Serif",
                       8,
                       {{"STATIC", "Profile:", 1038, 7, 7, 220, 8, kChild | SS_LEFT},
                        {"LISTBOX", "", 1039, 7, 17, 214, 183, kList},
                        {"BUTTON", "OK", 1, 241, 7, 50, 14, kChild | BS_DEFPUSHBUTTON | WS_TABSTOP},
                        {"BUTTON", "Abbrechen", 2, 241, 24, 50, 14, kChild | WS_TABSTOP}}});
}

void RegisterFolderPicker() {
    AfxRegisterDialogTemplate(DLGTEMPLATEDEF{
        163,
        WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME,
        0,
        0,
        0,
        264,
        230,
        "Dialog",
        "MS Sans Serif",
        8,
        {{"SysTreeView32", "", 1040, 7, 7, 182, 200,
          kChild | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_SHOWSELALWAYS | WS_BORDER |
              WS_TABSTOP},
         {"BUTTON", "Unterordner einbeziehen", 1083, 7, 214, 250, 10, kChild | BS_AUTOCHECKBOX | WS_TABSTOP},
         {"BUTTON", "OK", 1, 207, 7, 50, 14, kChild | BS_DEFPUSHBUTTON | WS_TABSTOP},
         {"BUTTON", "Abbrechen", 2, 207, 24, 50, 14, kChild | WS_TABSTOP}}});
}

void RegisterStoreChanges() {
    // The Cancel button exists for the framework's Escape handling but is never shown.
    AfxRegisterDialogTemplate(
        DLGTEMPLATEDEF{199,
                       DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU,
                       0,
                       0,
                       0,
                       248,
                       278,
                       "Dialog",
                       "MS Sans Serif",
                       8,
                       {{"STATIC", "Erklärung", 1075, 7, 7, 234, 52, kChild | SS_LEFT},
                        {"STATIC", "Hinzugefügt:", 1074, 7, 60, 234, 8, kChild | SS_LEFT},
                        {"LISTBOX", "", 1017, 7, 69, 234, 79, kList},
                        {"STATIC", "Entfernt:", 1076, 7, 161, 80, 8, kChild | SS_LEFT},
                        {"LISTBOX", "", 1025, 7, 169, 234, 79, kList},
                        {"BUTTON", "OK", 1, 191, 257, 50, 14, kChild | BS_DEFPUSHBUTTON | WS_TABSTOP},
                        {"BUTTON", "Abbrechen", 2, 97, 257, 50, 14, WS_CHILD}}});
}

void RegisterStorePassword() {
    AfxRegisterDialogTemplate(
        DLGTEMPLATEDEF{206,
                       DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU,
                       0,
                       0,
                       0,
                       204,
                       98,
                       "Dialog",
                       "MS Sans Serif",
                       8,
                       {{"BUTTON", "OK", 1, 47, 77, 50, 14, kChild | BS_DEFPUSHBUTTON | WS_TABSTOP},
                        {"BUTTON", "Abbrechen", 2, 106, 77, 50, 14, kChild | WS_TABSTOP},
                        {"STATIC", "Erklärung", 1075, 7, 7, 190, 32, kChild | SS_LEFT},
                        {"STATIC", "Kennwort:", 1022, 7, 45, 190, 8, kChild | SS_LEFT},
                        {"EDIT", "", 1084, 7, 52, 190, 14,
                         kChild | ES_PASSWORD | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP}}});
}

}  // namespace

void RegisterProfileResources() {
    RegisterProfileDialog();
    RegisterFolderPicker();
    RegisterStoreChanges();
    RegisterStorePassword();
    RegisterFolderIcons();
}
