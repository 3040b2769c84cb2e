// Resource ids of the program: templates, menus, toolbars, pictures and strings.
#pragma once

#define IDD_ABOUTBOX 100
#define IDR_MAINFRAME 102
#define IDD_FV_TASK 196
#define IDB_ABOUT_BOTTOM 202
#define IDB_ABOUT_TOP 205

#define IDC_ABOUT_BITMAP_BOTTOM 1080
#define IDC_ABOUT_OWNER 1081
#define IDC_ABOUT_LINK 1088

// Commands shared by the document, the frame and the views.
#define ID_CURRENT_CONFIG_CHANGED 32771
#define ID_ADD_CONFIGURATION 32772
#define ID_DELETE_CONFIGURATION 32773
#define ID_CHANGE_LANGUAGE 32777
#define ID_RENAME_CONFIGURATION 32782
#define ID_HELP_CONTENTS 32783
#define ID_ACTIONS_START 1007
#define IDC_CONFIG_LIST 1001
