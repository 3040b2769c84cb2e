// Dialog templates of the Search results page and of the search progress dialog.
#include "resources/ResultTemplates.h"

#include "platform/afx/wnd/Resources.h"

namespace {

// The templates carry the German texts; the language files replace them at run time.
constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;

void RegisterResultPage() {
    const DWORD kTree = kChild | WS_BORDER | WS_TABSTOP | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT |
                        TVS_SHOWSELALWAYS | TVS_NOTOOLTIPS;
    const DWORD kReadOnlyEdit = kChild | ES_READONLY | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL;
    // The actions group stays hidden: the page runs its actions through the Execute command only.
    AfxRegisterDialogTemplate(DLGTEMPLATEDEF{
        IDD_PP_SEARCH_RESULTS,
        WS_CHILD | DS_CONTROL,
        WS_EX_CONTROLPARENT,
        0,
        0,
        310,
        201,
        nullptr,
        "MS Sans Serif",
        8,
        {{"BUTTON", "Duplikate", IDC_RES_DUPLICATES_GROUP, 7, 7, 296, 186, kChild | BS_GROUPBOX},
         {"SysTreeView32", "", IDC_RES_TREE, 12, 16, 155, 171, kTree},
         {"BUTTON", "Informationen", IDC_RES_INFO_GROUP, 172, 15, 126, 80, kChild | BS_GROUPBOX},
         {"STATIC", "Datenspeicher:", IDC_RES_STORE_LABEL, 175, 25, 120, 8, kChild | SS_LEFT},
         {"EDIT", "", IDC_RES_STORE, 175, 34, 120, 14, kReadOnlyEdit},
         {"STATIC", "Ordner:", IDC_RES_FOLDER_LABEL, 175, 55, 120, 8, kChild | SS_LEFT},
         {"EDIT", "", IDC_RES_FOLDER, 175, 64, 120, 14, kReadOnlyEdit},
         {"BUTTON", "Aktionen", IDC_RES_ACTIONS_GROUP, 172, 94, 126, 71, WS_CHILD | WS_DISABLED | BS_GROUPBOX,
          0, true},
         {"STATIC", "Aktion:", IDC_RES_ACTION_LABEL, 175, 109, 120, 8, WS_CHILD | WS_DISABLED | SS_LEFT, 0,
          true},
         {"COMBOBOX", "", IDC_RES_ACTION, 175, 116, 120, 115,
          WS_CHILD | WS_DISABLED | CBS_DROPDOWNLIST | CBS_SORT | WS_VSCROLL | WS_TABSTOP, 0, true},
         {"BUTTON", "Ausführen", IDC_RES_EXECUTE, 200, 137, 50, 14, WS_CHILD | WS_DISABLED | WS_TABSTOP, 0,
          true},
         {"BUTTON", "Delete", IDC_RES_DELETE, 187, 116, 91, 44, kChild | WS_TABSTOP},
         {"BUTTON", "Button1", IDC_RES_CLOSE, 187, 172, 91, 14, kChild | WS_TABSTOP}}});
}

void RegisterProgressDialog() {
    const DWORD kBar = kChild | WS_BORDER | PBS_SMOOTH;
    AfxRegisterDialogTemplate(DLGTEMPLATEDEF{
        IDD_SEARCH_PROGRESS,
        WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME,
        0,
        0,
        0,
        369,
        65,
        "Suchfortschritt",
        "MS Sans Serif",
        8,
        {{"STATIC", "Datenspeicher:", IDC_PROGRESS_STORES_LABEL, 7, 6, 355, 8, kChild | SS_LEFT},
         {"msctls_progress32", "", IDC_PROGRESS_STORES, 7, 15, 355, 7, kBar},
         {"STATIC", "Ordner:", IDC_PROGRESS_FOLDERS_LABEL, 7, 24, 355, 8, kChild | SS_LEFT},
         {"msctls_progress32", "", IDC_PROGRESS_FOLDERS, 7, 32, 355, 7, kBar},
         {"STATIC", "Eintrag:", IDC_PROGRESS_ITEMS_LABEL, 7, 41, 355, 8, kChild | SS_LEFT},
         {"msctls_progress32", "", IDC_PROGRESS_ITEMS, 7, 50, 355, 7, kBar},
         {"BUTTON", "OK", IDOK, 251, 26, 50, 14, WS_CHILD | BS_DEFPUSHBUTTON, 0, true},
         {"BUTTON", "Abbrechen", IDCANCEL, 186, 28, 50, 14, WS_CHILD | BS_PUSHBUTTON, 0, true}}});
}

}  // namespace

void RegisterResultResources() {
    RegisterResultPage();
    RegisterProgressDialog();
}
