// Resource ids of the form views and their pages: templates, controls, header pictures and icons.
#pragma once

// Form view templates, one per item type (the host view gives the same numbers as control ids).
#define IDD_FV_CONTACTS 131
#define IDD_FV_MAIL 189
#define IDD_FV_CALENDAR 193
#define IDD_FV_JOURNAL 194
#define IDD_FV_NOTE 195
#ifndef IDD_FV_TASK
#define IDD_FV_TASK 196
#endif

// Page templates.
#define IDD_PP_GENERAL 153
#define IDD_PP_PROPERTIES 154
#define IDD_PP_SEARCH_RESULTS 188
#define IDD_UPDATE_RESULT_LIST 207

// Header pictures of the form views (the mail, calendar, note, task and journal pictures share
// their numbers with the templates).
#define IDB_HEADER_CONTACTS 157
#define IDB_HEADER_MAIL 189
#define IDB_HEADER_CALENDAR 193
#define IDB_HEADER_JOURNAL 194
#define IDB_HEADER_NOTE 195
#define IDB_HEADER_TASK 196

// Icons of the Properties page: the property-type images, the two marks and the header image.
#define IDI_PROP_HEADER 161
#define IDI_TYPE_INTEGER 177
#define IDI_TYPE_FLOAT 178
#define IDI_TYPE_CURRENCY 179
#define IDI_TYPE_TIME 180
#define IDI_TYPE_BOOLEAN 181
#define IDI_TYPE_STRING 182
#define IDI_TYPE_BINARY 183
#define IDI_MARK_OFF 184
#define IDI_MARK_ON 185

// Controls of the form views.
#define IDC_FV_SEPARATOR 1003
#define IDC_FV_TABS 1004
#define IDC_FV_PROGRESS 1005
#define IDC_FV_ACTIONS_GROUP 1006
#define IDC_FV_START 1007
#define IDC_FV_APPLY 1008
#define IDC_FV_PROGRESS_TEXT 1020

// Controls of the General page.
#define IDC_GEN_MODES_GROUP 1009
#define IDC_GEN_PROFILE_GROUP 1012
#define IDC_GEN_PROFILE_NAME 1013
#define IDC_GEN_PROFILE_LABEL 1014
#define IDC_GEN_SELECT_PROFILE 1015
#define IDC_GEN_FOLDERS_GROUP 1016
#define IDC_GEN_FOLDER_LIST 1017
#define IDC_GEN_ADD_FOLDER 1018
#define IDC_GEN_DEL_FOLDER 1019
#define IDC_GEN_STORES_GROUP 1024
#define IDC_GEN_STORE_LIST 1025
#define IDC_GEN_COMPARE_MODE 1030
#define IDC_GEN_COMPARE_LABEL 1035
#define IDC_GEN_PROCESSING_LABEL 1036
#define IDC_GEN_PROCESSING_MODE 1037

// Controls of the Properties page.
#define IDC_PROP_GROUP 1032
#define IDC_PROP_LIST 1033

// The question text of the update dialog.
#define IDC_UPDATE_QUESTION 1087

// Makes the form views' templates and pictures known to the window layer (once).
void RegisterFormResources();
