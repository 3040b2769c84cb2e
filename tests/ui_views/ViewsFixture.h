// The main window started on a fresh root with the demo profile, and handles on its two panes.
#pragma once

#include <string>
#include <vector>

#include "tests/ui/UiFixture.h"

class CConfigView;
class CQuorvelView;
class CSelectionMarkListCtrl;
class CQuorvelDoc;
class CCmdTarget;

namespace qrvtest {

class ViewsFixture : public UiFixture {
protected:
    // Makes the demo profile and starts the program with both panes.
    void SetUp() override;
    CConfigView* Left() const;
    CQuorvelView* Right() const;
    CSelectionMarkListCtrl& List() const;
    CQuorvelDoc* Doc() const;
    // The names in the list, top to bottom.
    std::vector<std::string> RowNames() const;
    // Selects a row the way a click does (the list's notice reaches the view), then lets the
    // posted messages run.
    void ClickRow(int nRow);
    // Whether the command's user-interface element is enabled, as the target decides.
    static BOOL IsEnabled(CCmdTarget* pTarget, UINT nID);
};

}  // namespace qrvtest
