// The process-wide resource table.
#include "platform/afx/wnd/Resources.h"

#include <wx/bitmap.h>

#include <map>
#include <memory>

namespace {

struct Picture {
    std::function<wxBitmap()> make;
    std::unique_ptr<wxBitmap> made;
};

struct ResourceTable {
    std::map<UINT, DLGTEMPLATEDEF> dialogs;
    std::map<UINT, MENUDEF> menus;
    std::map<UINT, ACCELTABLEDEF> accels;
    std::map<UINT, TOOLBARDEF> toolbars;
    std::map<UINT, std::string> strings;
    std::map<UINT, Picture> bitmaps;
    std::map<UINT, Picture> icons;
};

ResourceTable& Res() {
    static ResourceTable table;
    return table;
}

// The framework's own strings, as its resources carry them.
const std::map<UINT, std::string>& FrameworkStrings() {
    static const std::map<UINT, std::string> strings = {
        {AFX_IDS_UNTITLED, "Untitled"},
        {ID_INDICATOR_CAPS, "CAP"},
        {ID_INDICATOR_NUM, "NUM"},
        {ID_INDICATOR_SCRL, "SCRL"},
    };
    return strings;
}

const wxBitmap* Make(std::map<UINT, Picture>& map, UINT nID) {
    auto it = map.find(nID);
    if (it == map.end())
        return nullptr;
    if (!it->second.made) {
        wxBitmap bmp = it->second.make();
        if (!bmp.IsOk())
            return nullptr;
        it->second.made = std::make_unique<wxBitmap>(bmp);
    }
    return it->second.made.get();
}

}  // namespace

void AfxRegisterDialogTemplate(const DLGTEMPLATEDEF& def) {
    Res().dialogs[def.nID] = def;
}
void AfxRegisterMenu(const MENUDEF& def) {
    Res().menus[def.nID] = def;
}
void AfxRegisterAccelerators(const ACCELTABLEDEF& def) {
    Res().accels[def.nID] = def;
}
void AfxRegisterToolBar(const TOOLBARDEF& def) {
    Res().toolbars[def.nID] = def;
}
void AfxRegisterString(UINT nID, const char* lpszText) {
    Res().strings[nID] = lpszText ? lpszText : "";
}
void AfxRegisterBitmap(UINT nID, std::function<wxBitmap()> make) {
    Res().bitmaps[nID] = Picture{std::move(make), nullptr};
}
void AfxRegisterIcon(UINT nID, std::function<wxBitmap()> make) {
    Res().icons[nID] = Picture{std::move(make), nullptr};
}
void AfxUnregisterDialogTemplate(UINT nID) {
    Res().dialogs.erase(nID);
}

const DLGTEMPLATEDEF* AfxFindDialogTemplate(UINT nID) {
    auto it = Res().dialogs.find(nID);
    return it == Res().dialogs.end() ? nullptr : &it->second;
}
const MENUDEF* AfxFindMenu(UINT nID) {
    auto it = Res().menus.find(nID);
    return it == Res().menus.end() ? nullptr : &it->second;
}
const ACCELTABLEDEF* AfxFindAccelerators(UINT nID) {
    auto it = Res().accels.find(nID);
    return it == Res().accels.end() ? nullptr : &it->second;
}
const TOOLBARDEF* AfxFindToolBar(UINT nID) {
    auto it = Res().toolbars.find(nID);
    return it == Res().toolbars.end() ? nullptr : &it->second;
}
const wxBitmap* AfxFindBitmapResource(UINT nID) {
    return Make(Res().bitmaps, nID);
}
const wxBitmap* AfxFindIconResource(UINT nID) {
    return Make(Res().icons, nID);
}
std::string AfxLoadString(UINT nID) {
    auto it = Res().strings.find(nID);
    if (it != Res().strings.end())
        return it->second;
    auto fw = FrameworkStrings().find(nID);
    return fw == FrameworkStrings().end() ? std::string() : fw->second;
}
