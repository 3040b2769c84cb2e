// A language file whose every text is absurdly long (160,000 characters) leaves the program's
// windows within the screen: the main window with its menu bar, and a dialog whose explanation
// grows it.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "platform/afx/wnd/MessageBoxUi.h"
#include "platform/win32/Module.h"
#include "resources/ProfileTemplates.h"
#include "tests/support/LanguageSetup.h"
#include "tests/ui/UiFixture.h"
#include "ui/MainFrm.h"
#include "ui/StorePasswordDlg.h"

namespace qrvtest {
namespace {
class LongTextsTest : public UiFixture {
protected:
    // Every English text of the program grows by 160,000 characters.
    void UseLongTexts() {
        std::istringstream in(m_root->ReadFile(GetProgramDirectory() + "English.lng"));
        std::string content, line;
        const std::string tail(160000, 'W');
        while (std::getline(in, line)) {
            const size_t nTab = line.find('\t');
            if (!line.empty() && line[0] >= '0' && line[0] <= '9' && nTab != std::string::npos &&
                std::stol(line.substr(0, nTab)) < 3000)
                line += " " + tail;
            content += line + "\n";
        }
        m_root->WriteFile("lang/English.lng", content);
        m_root->WriteFile("lang/German.lng", m_root->ReadFile(GetProgramDirectory() + "German.lng"));
        SetLanguageDirectory(m_root->Path() + "/lang/");
    }
    // The window lies on the screen as the toolkit placed it, not only as large as the screen.
    static void ExpectOnScreen(CWnd* pWnd, const char* lpszWhat) {
        CRect rc;
        pWnd->GetWindowRect(&rc);
        EXPECT_GE(rc.left, 0) << lpszWhat;
        EXPECT_GE(rc.top, 0) << lpszWhat;
        EXPECT_LE(rc.right, GetSystemMetrics(SM_CXSCREEN)) << lpszWhat;
        EXPECT_LE(rc.bottom, GetSystemMetrics(SM_CYSCREEN)) << lpszWhat;
    }
};

TEST_F(LongTextsTest, EveryWindowStaysWithinTheScreen) {
    UseLongTexts();
    ASSERT_TRUE(Start());
    Settle(300);
    ASSERT_NE(nullptr, Frame());
    ExpectOnScreen(Frame(), "main window");
    RegisterProfileResources();
    AfxSetModalHook([&](CWnd* pDlg) {
        ExpectOnScreen(pDlg, "store password dialog");
        return IDCANCEL;
    });
    CStorePasswordDlg dlg(nullptr, Frame());
    dlg.DoModal();
}

}  // namespace
}  // namespace qrvtest
