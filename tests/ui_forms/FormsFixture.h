// A machine root with the program installed, a real profile with one store, and a form view host.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "model/ConfigInfo.h"
#include "model/QuorvelDoc.h"
#include "tests/model/UiDoubles.h"
#include "tests/support/TempRoot.h"
#include "tests/support/ToolkitEnvironment.h"

class CWnd;
class FVBase;
class FVPagedView;
class PropertyPageBase;

namespace qrvtest {

class FormsFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A configuration of the item type in the document (one reference held by the fixture).
    CConfigInfo* MakeConfig(DWORD dwType, const char* lpszName = "Test");
    // Chooses the profile "work" for the configuration through the chooser double.
    void ChooseProfile(CConfigInfo* pConfig);
    // Adds the store's inbox to the configuration's first store.
    void AddInbox(CConfigInfo* pConfig);
    // Builds the form view of the configuration's type the way the host view does.
    FVPagedView* ShowForm(CConfigInfo* pConfig);
    void CloseForm(FVPagedView*& pView);
    // Reloads the languages (English current) from copies of the program's language files below
    // the root, the English one changed by edit first.
    void UseLanguageCopy(const std::function<void(std::string& english)>& edit);
    // Runs posted messages and toolkit events for a while.
    void Settle(int milliseconds = 30);
    // Saves a picture of a window below the build's artifact folder; the file's path.
    std::string SaveScreenshot(CWnd* pWnd, const std::string& name);
    // The text of a window, or of its child nID when nID is not 0.
    static std::string ControlText(CWnd* pWnd, int nID = 0);

    std::unique_ptr<TempRoot> m_root;
    std::unique_ptr<FakeUiServices> m_ui;
    CQuorvelDoc m_doc;
    CWnd* m_pHost = nullptr;
    CConfigInfo* m_pConfig = nullptr;
    std::vector<BYTE> m_profileKey;
};

// Installs a Search results page for the form views for its lifetime: a plain page on a small
// template of its own, counting how often one was made.
class ResultPageStandIn {
public:
    ResultPageStandIn();
    ~ResultPageStandIn();
    static int s_nCreated;
    static int s_nPrepared;
};

}  // namespace qrvtest
