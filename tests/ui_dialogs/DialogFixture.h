// Fixture of the dialog tests: toolkit, fresh root with profiles and stores, language texts.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "model/UiServices.h"
#include "platform/afx/wnd/Controls.h"
#include "platform/afx/wnd/MessageBoxUi.h"
#include "tests/platform_mapi/MapiTestSupport.h"

namespace dlgtest {

// The window services the model gets in these tests: the real dialogs, no main window.
class CTestUiServices : public IUiServices {
public:
    std::unique_ptr<IProfileChooser> CreateProfileChooser(CWnd* pParent) override;
    std::unique_ptr<IStoreChangesReport> CreateStoreChangesReport(CWnd* pParent) override;
    std::unique_ptr<ISearchProgress> CreateSearchProgress(CWnd*) override { return nullptr; }
    ULONG_PTR GetWindowHandle(CWnd*) override { return 0; }
    void BeginWaitCursor() override {}
    void EndWaitCursor() override {}
    BOOL HasMainWindow() override { return FALSE; }
    void SendCommandToMainWindow(UINT) override {}
    BOOL SendCommandToLeftPane(UINT) override { return FALSE; }
};

class DialogTest : public mapitest::MapiTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // Answers every modal dialog with f (see AfxSetModalHook); counts the dialogs run.
    void OnModal(std::function<int(CWnd*)> f);
    // The text of a control of a dialog.
    static std::string Text(CWnd* pDlg, int nID);
    // The texts of a list box in list order.
    static std::vector<std::string> ListTexts(CWnd* pDlg, int nID);
    // The item of a path of names in a tree ("Contacts\\Friends"), or null.
    static HTREEITEM FindPath(CTreeCtrl& tree, const std::string& path);
    // Makes a sub-folder with a container class (empty: none); returns its entry id.
    std::string MakeFolder(LPMAPIFOLDER parent, const std::string& name, const std::string& containerClass);
    // The PR_INSTANCE_KEY of a profile's row in the profile table.
    std::string ProfileKey(const std::string& profile);

    int m_nModalRuns = 0;
    std::vector<AfxShownMessageBox> m_boxes;
    CTestUiServices m_ui;
};

}  // namespace dlgtest
