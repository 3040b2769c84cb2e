// The dialog test fixture: toolkit once per program; root, install, languages and MAPI per test.
#include "tests/ui_dialogs/DialogFixture.h"

#include "language/LanguageSettings.h"
#include "platform/afx/wnd/WinApp.h"
#include "platform/mapi/MAPITags.h"
#include "resources/ProfileTemplates.h"
#include "tests/support/ToolkitEnvironment.h"
#include "tools/install/Install.h"
#include "trace/Trace.h"

namespace dlgtest {

namespace {
class DialogEnvironment : public qrvtest::ToolkitEnvironment {
public:
    DialogEnvironment() : qrvtest::ToolkitEnvironment("test_ui_dialogs") {}

protected:
    // Errors only: the dialogs trace every call.
    void BeforeStart() override { SetTraceLevel(TRACE_ERROR); }
    void OnStarted() override { RegisterProfileResources(); }
};
[[maybe_unused]] ::testing::Environment* const g_env =
    ::testing::AddGlobalTestEnvironment(new DialogEnvironment);
}  // namespace

void DialogTest::SetUp() {
    QRV_REQUIRE_TOOLKIT();
    mapitest::MapiTest::SetUp();
    std::string error;
    ASSERT_TRUE(SUCCEEDED(RunInstall("", error))) << error;
    ASSERT_EQ(S_OK, InitLanguageModule());
    ASSERT_EQ(S_OK, LoadLanguages(2057));
    AfxClearShownMessageBoxes();
    AfxSetMessageBoxHook([this](const AfxShownMessageBox& box) {
        m_boxes.push_back(box);
        return IDOK;
    });
    SetUiServices(&m_ui);
}

void DialogTest::TearDown() {
    if (!qrvtest::ToolkitRunning())
        return;
    SetUiServices(nullptr);
    AfxSetModalHook(nullptr);
    AfxSetMessageBoxHook(nullptr);
    AfxPumpMessages();
    CloseLanguageModule();
    mapitest::MapiTest::TearDown();
}

void DialogTest::OnModal(std::function<int(CWnd*)> f) {
    AfxSetModalHook([this, f](CWnd* pDialog) {
        ++m_nModalRuns;
        return f(pDialog);
    });
}

std::string DialogTest::Text(CWnd* pDlg, int nID) {
    CWnd* pCtrl = nID == 0 ? pDlg : pDlg->GetDlgItem(nID);
    if (pCtrl == nullptr)
        return "<no control>";
    CString text;
    pCtrl->GetWindowText(text);
    return text.GetString();
}

std::vector<std::string> DialogTest::ListTexts(CWnd* pDlg, int nID) {
    std::vector<std::string> texts;
    auto* pList = dynamic_cast<CListBox*>(pDlg->GetDlgItem(nID));
    for (int i = 0; pList != nullptr && i < pList->GetCount(); ++i) {
        CString text;
        pList->GetText(i, text);
        texts.emplace_back(text.GetString());
    }
    return texts;
}

HTREEITEM DialogTest::FindPath(CTreeCtrl& tree, const std::string& path) {
    HTREEITEM hItem = tree.GetRootItem();
    for (size_t start = 0;;) {
        const size_t end = path.find('\\', start);
        const std::string name = path.substr(start, end == std::string::npos ? end : end - start);
        while (hItem != nullptr && std::string(tree.GetItemText(hItem)) != name)
            hItem = tree.GetNextSiblingItem(hItem);
        if (hItem == nullptr || end == std::string::npos)
            return hItem;
        hItem = tree.GetChildItem(hItem);
        start = end + 1;
    }
}

std::string DialogTest::MakeFolder(LPMAPIFOLDER parent, const std::string& name,
                                   const std::string& containerClass) {
    mapitest::Ref<IMAPIFolder> folder;
    EXPECT_EQ(S_OK, parent->CreateFolder(FOLDER_GENERIC, name.c_str(), nullptr, nullptr, 0, &folder));
    if (folder.p == nullptr)
        return {};
    if (!containerClass.empty()) {
        SPropValue cls{};
        cls.ulPropTag = PR_CONTAINER_CLASS_A;
        cls.Value.lpszA = const_cast<char*>(containerClass.c_str());
        EXPECT_EQ(S_OK, folder->SetProps(1, &cls, nullptr));
    }
    return BinaryProp(folder, PR_ENTRYID);
}

std::string DialogTest::ProfileKey(const std::string& profile) {
    mapitest::Ref<IProfAdmin> admin;
    EXPECT_EQ(S_OK, MAPIAdminProfiles(0, &admin));
    mapitest::Ref<IMAPITable> table;
    EXPECT_EQ(S_OK, admin->GetProfileTable(0, &table));
    SizedSPropTagArray(2, columns) = {2, {PR_DISPLAY_NAME_A, PR_INSTANCE_KEY}};
    EXPECT_EQ(S_OK, table->SetColumns(reinterpret_cast<LPSPropTagArray>(&columns), 0));
    mapitest::Rows rows;
    EXPECT_EQ(S_OK, table->QueryRows(100, 0, &rows.p));
    for (ULONG i = 0; rows.p != nullptr && i < rows.p->cRows; ++i)
        if (profile == rows.p->aRow[i].lpProps[0].Value.lpszA)
            return mapitest::Bytes(rows.p->aRow[i].lpProps[1].Value.bin);
    ADD_FAILURE() << "no profile " << profile;
    return {};
}

}  // namespace dlgtest
