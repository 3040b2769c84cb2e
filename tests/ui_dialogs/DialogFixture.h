// Fixture of the dialog tests: toolkit, fresh root with profiles and stores, language texts.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/afx/wnd/Controls.h"
#include "platform/afx/wnd/MessageBoxUi.h"
#include "tests/platform_mapi/MapiTestSupport.h"
#include "ui/UiServicesImpl.h"

namespace dlgtest {

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
    // The application's own window services: the real dialogs, and no main window here.
    CQuorvelUiServices m_ui;
};

}  // namespace dlgtest
