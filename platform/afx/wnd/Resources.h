// The resource table: dialog templates, menus, accelerators, toolbars, strings and pictures by
// id. The program registers its own resources at start-up; the layer looks them up by id.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/afx/wnd/WndDefs.h"

class wxBitmap;

// One control of a dialog template; positions and sizes in dialog units.
struct DLGITEMDEF {
    const char* lpszClass;  // "BUTTON", "STATIC", "EDIT", "LISTBOX", "COMBOBOX", "SysListView32",
                            // "SysTreeView32", "SysTabControl32", "msctls_progress32"
    const char* lpszText;
    UINT nID;
    int x, y, cx, cy;
    DWORD style;  // WS_VISIBLE is implied, as resource templates give it to every control
    DWORD exStyle = 0;
    bool bHidden = false;  // a control the template keeps invisible
};

struct DLGTEMPLATEDEF {
    UINT nID;
    DWORD style;
    DWORD exStyle;
    int x, y, cx, cy;
    const char* lpszCaption;
    const char* lpszFont;
    int nPointSize;
    std::vector<DLGITEMDEF> items;
};

// A menu item; a separator has id 0 and no text, a popup has items.
struct MENUITEMDEF {
    UINT nID;
    const char* lpszText;
    std::vector<MENUITEMDEF> items;
    bool bCheck = false;  // shows a check mark when its state handler sets one
};

struct MENUDEF {
    UINT nID;
    std::vector<MENUITEMDEF> popups;
};

#define FVIRTKEY 0x01
#define FSHIFT 0x04
#define FCONTROL 0x08
#define FALT 0x10
#define VK_BACK 0x08
#define VK_DELETE 0x2E
#define VK_INSERT 0x2D
#define VK_F1 0x70
#define VK_F6 0x75

struct ACCELDEF {
    BYTE fVirt;
    WORD key;  // a virtual key: 'A'..'Z', '0'..'9' or a VK_ code
    WORD cmd;
};

struct ACCELTABLEDEF {
    UINT nID;
    std::vector<ACCELDEF> entries;
};

// A toolbar: button size, the command of each button (0: separator) and its picture strip.
struct TOOLBARDEF {
    UINT nID;
    int cxButton;
    int cyButton;
    std::vector<UINT> commands;
    UINT nBitmapID;  // a strip with one cxButton x cyButton image per non-separator button
};

void AfxRegisterDialogTemplate(const DLGTEMPLATEDEF& def);
void AfxRegisterMenu(const MENUDEF& def);
void AfxRegisterAccelerators(const ACCELTABLEDEF& def);
void AfxRegisterToolBar(const TOOLBARDEF& def);
void AfxRegisterString(UINT nID, const char* lpszText);
// Pictures are made on first use (the toolkit must be running by then).
void AfxRegisterBitmap(UINT nID, std::function<wxBitmap()> make);
void AfxRegisterIcon(UINT nID, std::function<wxBitmap()> make);
// Drops one resource kind's entry (tests remove a template to see the fallbacks).
void AfxUnregisterDialogTemplate(UINT nID);

const DLGTEMPLATEDEF* AfxFindDialogTemplate(UINT nID);
const MENUDEF* AfxFindMenu(UINT nID);
const ACCELTABLEDEF* AfxFindAccelerators(UINT nID);
const TOOLBARDEF* AfxFindToolBar(UINT nID);
const wxBitmap* AfxFindBitmapResource(UINT nID);
const wxBitmap* AfxFindIconResource(UINT nID);
// The string resource, or an empty text (the framework's own strings are built in).
std::string AfxLoadString(UINT nID);
