// A fresh machine root with the program installed, and the application started on it.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "tests/support/TempRoot.h"
#include "tests/support/ToolkitEnvironment.h"
#include "ui/Quorvel.h"

class CCmdTarget;
class CConfigView;
class CMainFrame;
class CQuorvelDoc;
class CQuorvelView;
class CSelectionMarkListCtrl;

namespace qrvtest {

class UiFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Writes "CurrentLanguageID" under the user's program key (creating the key).
    void SetRegistryLanguage(DWORD dwType, const void* pData, DWORD cbData);
    // Points the language directory at a copy of the program's language files below the root,
    // with the line of text nTextID replaced in the English file (nTextID < 0: no change).
    void UseLanguageCopy(LONG nTextID, const std::string& text);
    // Starts the application with these arguments; its InitInstance result.
    BOOL Start(std::initializer_list<const char*> args = {});
    // Closes the main window, ends the application and deletes it, as the end of the program does.
    void ShutDown();
    CMainFrame* Frame() const;
    // Runs pending events and posted messages for a while (painting, idle).
    void Settle(int milliseconds = 50);

    // The started program's panes, configuration list and document.
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

    std::unique_ptr<TempRoot> m_root;
    CQuorvelApp* m_pApp = nullptr;
    std::vector<std::string> m_args;
    std::vector<char*> m_argv;
};

}  // namespace qrvtest
