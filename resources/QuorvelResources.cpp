// The program's resources: document string, menu, accelerators, toolbar, pictures, templates.
#include "resources/QuorvelResources.h"

#include "platform/afx/wnd/Resources.h"
#include "resources/FormResource.h"
#include "resources/Pictures.h"
#include "resources/ProfileTemplates.h"
#include "resources/Resource.h"
#include "resources/ViewResources.h"

namespace {

void RegisterStrings() {
    // Title, no document name, new-file name, filter, extension, shell type id and type name.
    AfxRegisterString(
        IDR_MAINFRAME,
        "Quorvel\n\nKonfiguration\nDateityp Quorvel (*.qrv)\n.qrv\nQuorvel.Document\nQRV Document");
    AfxRegisterString(AFX_IDS_APP_TITLE, "Quorvel");
}

void RegisterMenu() {
    const MENUITEMDEF separator{0, nullptr, {}};
    AfxRegisterMenu(MENUDEF{
        IDR_MAINFRAME,
        {MENUITEMDEF{0,
                     "&Datei",
                     {{ID_FILE_NEW, "&Neu\tStrg+N", {}},
                      {ID_FILE_OPEN, "Ö&ffnen...\tStrg+O", {}},
                      {ID_FILE_SAVE, "&Speichern\tStrg+S", {}},
                      {ID_FILE_SAVE_AS, "Speichern &unter...", {}},
                      separator,
                      {ID_APP_EXIT, "&Beenden", {}}}},
         MENUITEMDEF{0,
                     "&Bearbeiten",
                     {{ID_ADD_CONFIGURATION, "Add configuration...", {}},
                      {ID_DELETE_CONFIGURATION, "Delete configuration...", {}},
                      {ID_RENAME_CONFIGURATION, "Rename configuration...", {}}}},
         MENUITEMDEF{0,
                     "&Ansicht",
                     {{ID_VIEW_TOOLBAR, "&Symbolleiste", {}, true},
                      {ID_VIEW_STATUS_BAR, "S&tatusleiste", {}, true},
                      separator,
                      {ID_CHANGE_LANGUAGE, "Change language...", {}}}},
         MENUITEMDEF{
             0,
             "&?",
             {{ID_HELP_CONTENTS, "Inhalt", {}}, separator, {ID_APP_ABOUT, "Inf&o über Quorvel...", {}}}}}});
}

void RegisterAccelerators() {
    // Only commands the program handles get a key: the edit and pane keys stay with the fields.
    AfxRegisterAccelerators(ACCELTABLEDEF{IDR_MAINFRAME,
                                          {{FVIRTKEY | FCONTROL, 'N', ID_FILE_NEW},
                                           {FVIRTKEY | FCONTROL, 'O', ID_FILE_OPEN},
                                           {FVIRTKEY | FCONTROL, 'S', ID_FILE_SAVE}}});
}

void RegisterToolbar() {
    AfxRegisterToolBar(TOOLBARDEF{IDR_MAINFRAME,
                                  16,
                                  15,
                                  {ID_FILE_NEW, ID_FILE_OPEN, ID_FILE_SAVE, 0, ID_ADD_CONFIGURATION,
                                   ID_DELETE_CONFIGURATION, ID_RENAME_CONFIGURATION, 0, ID_APP_ABOUT},
                                  IDR_MAINFRAME});
    AfxRegisterBitmap(IDR_MAINFRAME, [] { return MakeToolbarStrip(); });
    AfxRegisterIcon(IDR_MAINFRAME, [] { return MakeFrameIcon(32); });
    AfxRegisterBitmap(IDB_ABOUT_TOP, [] { return MakeAboutBanner(285, 47); });
    AfxRegisterBitmap(IDB_ABOUT_BOTTOM, [] { return MakeAboutFooter(356, 45); });
}

void RegisterTemplates() {
    // The form views' template: every item-type form has this size (its controls come with the
    // form views).
    AfxRegisterDialogTemplate(DLGTEMPLATEDEF{IDD_FV_TASK,
                                             WS_CHILD | WS_BORDER,
                                             WS_EX_CONTROLPARENT,
                                             0,
                                             0,
                                             331,
                                             306,
                                             nullptr,
                                             "MS Sans Serif",
                                             8,
                                             {}});
    AfxRegisterDialogTemplate(DLGTEMPLATEDEF{
        IDD_ABOUTBOX,
        DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU,
        0,
        0,
        0,
        237,
        150,
        "Info über Quorvel",
        "MS Sans Serif",
        8,
        {{"STATIC", "#102", (UINT)-1, 13, 19, 21, 20, SS_ICON},
         {"STATIC", "#205", (UINT)-1, 40, 15, 190, 29, SS_BITMAP},
         {"STATIC", "", IDC_ABOUT_LINK, 7, 52, 223, 8, SS_NOTIFY | SS_CENTER},
         {"BUTTON", "OK", IDOK, 93, 76, 50, 14, BS_DEFPUSHBUTTON | WS_GROUP},
         {"STATIC", "", IDC_ABOUT_OWNER, 0, 109, 237, 9, SS_CENTER | SS_NOPREFIX},
         {"STATIC", "#202", IDC_ABOUT_BITMAP_BOTTOM, 0, 122, 237, 28, SS_BITMAP | SS_REALSIZECONTROL}}});
}

}  // namespace

void RegisterQuorvelResources() {
    static bool registered = false;
    if (registered)
        return;
    registered = true;
    RegisterStrings();
    RegisterMenu();
    RegisterAccelerators();
    RegisterToolbar();
    RegisterTemplates();
    // The form views' templates replace the measuring template of the same number.
    RegisterFormResources();
    // The profile, store and folder dialogs.
    RegisterProfileResources();
    // The configuration list's icons and its dialogs.
    RegisterViewResources();
}
