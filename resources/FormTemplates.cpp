// Dialog templates of the six form views, the General and Properties pages and the update question.
#include <cstdio>

#include "platform/afx/wnd/Resources.h"
#include "resources/FormPictures.h"
#include "resources/FormResource.h"

namespace {

// The templates carry the German texts; the language files replace them at run time. Controls
// are visible unless the template hides them.
constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;

// The six form views share one layout; they differ in the header picture, the length of the
// separator under it, and a few button positions.
struct FormLayout {
    UINT nID;
    UINT nBitmap;
    int yRule;
    int cxRule;
    int xOK;
    int yOK;
    int xStart;
    int yStart;
    int yApply;
    int yProgressText;
    const char* lpszApply;
};

DLGTEMPLATEDEF MakeFormTemplate(const FormLayout& l) {
    static char bitmapNames[6][8];
    static int nNext = 0;
    char* lpszBitmap = bitmapNames[nNext++ % 6];
    std::snprintf(lpszBitmap, 8, "#%u", l.nBitmap);
    return DLGTEMPLATEDEF{
        l.nID,
        WS_CHILD | WS_BORDER,
        WS_EX_CONTROLPARENT,
        0,
        0,
        331,
        306,
        nullptr,
        "MS Sans Serif",
        8,
        {{"BUTTON", "OK", IDOK, l.xOK, l.yOK, 50, 14, WS_CHILD | BS_DEFPUSHBUTTON, 0, true},
         {"STATIC", lpszBitmap, (UINT)-1, 0, 0, 0, 0, kChild | SS_BITMAP},
         {"STATIC", "", IDC_FV_SEPARATOR, 0, l.yRule, l.cxRule, 6, kChild | SS_BLACKFRAME | SS_SUNKEN},
         {"SysTabControl32", "Tab1", IDC_FV_TABS, 7, 39, 320, 220, kChild},
         {"BUTTON", "Aktionen", IDC_FV_ACTIONS_GROUP, 7, 259, 320, 40, kChild | BS_GROUPBOX},
         {"msctls_progress32", "Progress1", IDC_FV_PROGRESS, 13, 278, 307, 8, WS_CHILD | WS_BORDER, 0, true},
         {"BUTTON", "Bereinigung &starten", IDC_FV_START, l.xStart, l.yStart, 75, 14,
          kChild | BS_DEFPUSHBUTTON | WS_TABSTOP},
         {"BUTTON", l.lpszApply, IDC_FV_APPLY, 97, l.yApply, 104, 14, WS_CHILD | WS_DISABLED | WS_TABSTOP, 0,
          true},
         {"STATIC", "Fortschritt", IDC_FV_PROGRESS_TEXT, 13, l.yProgressText, 307, 8, WS_CHILD | WS_GROUP, 0,
          true}}};
}

void RegisterFormViewTemplates() {
    const char* const kApply = "Einstellungen &übernehmen";
    const FormLayout layouts[] = {
        {IDD_FV_CONTACTS, IDB_HEADER_CONTACTS, 28, 256, 159, 36, 13, 273, 272, 269, "#"},
        {IDD_FV_CALENDAR, IDB_HEADER_CALENDAR, 28, 265, 170, 37, 13, 274, 274, 269, kApply},
        {IDD_FV_MAIL, IDB_HEADER_MAIL, 28, 256, 180, 38, 15, 275, 276, 269, kApply},
        {IDD_FV_NOTE, IDB_HEADER_NOTE, 30, 176, 197, 36, 13, 273, 273, 269, kApply},
        {IDD_FV_TASK, IDB_HEADER_TASK, 28, 256, 162, 254, 15, 274, 275, 269, kApply},
        {IDD_FV_JOURNAL, IDB_HEADER_JOURNAL, 30, 229, 165, 36, 13, 273, 273, 268, kApply},
    };
    for (const FormLayout& l : layouts)
        AfxRegisterDialogTemplate(MakeFormTemplate(l));
}

void RegisterPageTemplates() {
    const DWORD kList =
        kChild | LBS_NOTIFY | LBS_SORT | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_BORDER | WS_TABSTOP;
    // Pages are made invisible: the form view shows the one of the selected tab.
    AfxRegisterDialogTemplate(DLGTEMPLATEDEF{
        IDD_PP_GENERAL,
        WS_CHILD | DS_CONTROL | DS_SETFONT,
        WS_EX_CONTROLPARENT,
        0,
        0,
        310,
        201,
        nullptr,
        "MS Sans Serif",
        8,
        {{"BUTTON", "&Modi", IDC_GEN_MODES_GROUP, 7, 7, 295, 63, kChild | BS_GROUPBOX},
         {"STATIC", "&Vergleichsmodus", IDC_GEN_COMPARE_LABEL, 15, 18, 284, 8, kChild | SS_LEFT},
         {"COMBOBOX", "", IDC_GEN_COMPARE_MODE, 15, 27, 284, 170,
          kChild | CBS_DROPDOWNLIST | CBS_SORT | WS_VSCROLL | WS_TABSTOP},
         {"STATIC", "Verarbeitungsmodus:", IDC_GEN_PROCESSING_LABEL, 15, 43, 284, 8, kChild | SS_LEFT},
         {"COMBOBOX", "", IDC_GEN_PROCESSING_MODE, 15, 51, 284, 126,
          kChild | CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP},
         {"BUTTON", "&Profil", IDC_GEN_PROFILE_GROUP, 7, 74, 142, 54, kChild | BS_GROUPBOX},
         {"STATIC", "&Name des Profils:", IDC_GEN_PROFILE_LABEL, 14, 83, 131, 8, kChild | SS_LEFT},
         {"EDIT", "", IDC_GEN_PROFILE_NAME, 14, 91, 131, 14,
          kChild | ES_READONLY | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP},
         {"BUTTON", "Profil &ändern...", IDC_GEN_SELECT_PROFILE, 74, 108, 72, 14, kChild | WS_TABSTOP},
         {"BUTTON", "Datenspeicher", IDC_GEN_STORES_GROUP, 7, 129, 142, 65, kChild | BS_GROUPBOX},
         {"LISTBOX", "", IDC_GEN_STORE_LIST, 12, 141, 131, 46, kList},
         {"BUTTON", "Ordner&liste", IDC_GEN_FOLDERS_GROUP, 154, 74, 149, 120, kChild | BS_GROUPBOX},
         {"LISTBOX", "", IDC_GEN_FOLDER_LIST, 159, 84, 139, 85, kList},
         {"BUTTON", "&Hinzufügen", IDC_GEN_ADD_FOLDER, 163, 173, 50, 14, kChild | WS_TABSTOP},
         {"BUTTON", "&Entfernen", IDC_GEN_DEL_FOLDER, 244, 173, 50, 14, kChild | WS_TABSTOP}}});
    AfxRegisterDialogTemplate(
        DLGTEMPLATEDEF{IDD_PP_PROPERTIES,
                       WS_CHILD | DS_CONTROL | DS_SETFONT,
                       WS_EX_CONTROLPARENT,
                       0,
                       0,
                       310,
                       201,
                       nullptr,
                       "MS Sans Serif",
                       8,
                       {{"BUTTON", "Eigenschaften", IDC_PROP_GROUP, 7, 7, 296, 187, kChild | BS_GROUPBOX},
                        {"SysListView32", "", IDC_PROP_LIST, 14, 15, 282, 174,
                         kChild | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_SORTASCENDING |
                             WS_BORDER | WS_TABSTOP}}});
    AfxRegisterDialogTemplate(
        DLGTEMPLATEDEF{IDD_UPDATE_RESULT_LIST,
                       DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU,
                       0,
                       0,
                       0,
                       186,
                       91,
                       "Dialog",
                       "MS Sans Serif",
                       8,
                       {{"STATIC", "Static", IDC_UPDATE_QUESTION, 7, 7, 172, 58, kChild | SS_LEFT},
                        {"BUTTON", "OK", IDOK, 27, 70, 50, 14, kChild | BS_DEFPUSHBUTTON | WS_TABSTOP},
                        {"BUTTON", "Abbrechen", IDCANCEL, 108, 70, 50, 14, kChild | WS_TABSTOP}}});
}

}  // namespace

void RegisterFormResources() {
    static bool registered = false;
    if (registered)
        return;
    registered = true;
    RegisterFormViewTemplates();
    RegisterPageTemplates();
    RegisterFormPictures();
}
