// Resource ids of the Search results page and the search progress dialog.
#pragma once

// Templates.
#define IDD_PP_SEARCH_RESULTS 188
#define IDD_SEARCH_PROGRESS 192

// Controls of the Search results page.
#define IDC_RES_ACTIONS_GROUP 1006
#define IDC_RES_DUPLICATES_GROUP 1050
#define IDC_RES_TREE 1051
#define IDC_RES_INFO_GROUP 1052
#define IDC_RES_STORE_LABEL 1053
#define IDC_RES_STORE 1054
#define IDC_RES_FOLDER_LABEL 1055
#define IDC_RES_FOLDER 1056
#define IDC_RES_ACTION_LABEL 1057
#define IDC_RES_ACTION 1058
#define IDC_RES_EXECUTE 1059
#define IDC_RES_DELETE 1086
#define IDC_RES_CLOSE 1089
// The two entries of the tree's context menu.
#define ID_RES_MARK_ITEM 1090
#define ID_RES_UNMARK_ITEM 1091

// Controls of the search progress dialog.
#define IDC_PROGRESS_STORES_LABEL 1053
#define IDC_PROGRESS_FOLDERS_LABEL 1055
#define IDC_PROGRESS_STORES 1064
#define IDC_PROGRESS_FOLDERS 1065
#define IDC_PROGRESS_ITEMS_LABEL 1066
#define IDC_PROGRESS_ITEMS 1067

// Makes the two templates known to the window layer (again after a test replaced one).
void RegisterResultResources();
