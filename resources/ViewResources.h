// The configuration list's type icons and the templates of the language, create and rename dialogs.
#pragma once

#define IDD_CREATE_CONFIGURATION 186
#define IDD_SELECT_LANGUAGE 191
#define IDD_RENAME_CONFIGURATION 197

#define IDC_LANGUAGE_LIST 1017
#define IDC_CREATE_NAME_LABEL 1042
#define IDC_CREATE_NAME 1043
#define IDC_CREATE_TYPE_LABEL 1045
#define IDC_CREATE_TYPE 1046
#define IDC_RENAME_OLD_LABEL 1068
#define IDC_RENAME_OLD_NAME 1069
#define IDC_RENAME_NEW_LABEL 1070
#define IDC_RENAME_NEW_NAME 1071

// The six item-type icons of the configuration list (16 x 16).
#define IDI_TYPE_APPOINTMENT 137
#define IDI_TYPE_CONTACT 139
#define IDI_TYPE_MAIL 141
#define IDI_TYPE_JOURNAL 142
#define IDI_TYPE_NOTE 144
#define IDI_TYPE_TASK 148

// Registers the templates 186, 191 and 197 and the icons above.
void RegisterViewResources();
