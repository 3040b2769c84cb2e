// The user-interface fixture: toolkit once per program, a fresh root and application per test.
#include "tests/ui/UiFixture.h"

#include <wx/app.h>
#include <wx/utils.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "platform/afx/wnd/CmdTarget.h"
#include "platform/afx/wnd/MessageBoxUi.h"
#include "platform/win32/Module.h"
#include "platform/win32/Registry.h"
#include "tests/support/LanguageSetup.h"
#include "tools/install/Install.h"
#include "ui/ConfigView.h"
#include "ui/MainFrm.h"
#include "ui/QuorvelView.h"

namespace qrvtest {

namespace {
[[maybe_unused]] ::testing::Environment* const g_env =
    ::testing::AddGlobalTestEnvironment(new ToolkitEnvironment("test_ui"));
}  // namespace

void UiFixture::SetUp() {
    QRV_REQUIRE_TOOLKIT();
    // The instance lock then lives in the test's own root: parallel tests never see each other.
    unsetenv("XDG_RUNTIME_DIR");
    m_root = std::make_unique<TempRoot>();
    std::string error;
    ASSERT_TRUE(SUCCEEDED(RunInstall("", error))) << error;
    AfxClearShownMessageBoxes();
    AfxSetMessageBoxHook([](const AfxShownMessageBox& box) {
        return (box.type & MB_TYPEMASK) == MB_YESNOCANCEL ? IDNO : IDOK;
    });
}

void UiFixture::TearDown() {
    ShutDown();
    AfxSetMessageBoxHook(nullptr);
    AfxSetModalHook(nullptr);
    AfxSetFileDialogHook(nullptr);
    AfxPumpMessages();
    m_root.reset();
}

void UiFixture::SetRegistryLanguage(DWORD dwType, const void* pData, DWORD cbData) {
    HKEY hKey = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\Ostrany\\Quorvel", 0, nullptr, 0, KEY_WRITE,
                              nullptr, &hKey, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(hKey, "CurrentLanguageID", 0, dwType, static_cast<const BYTE*>(pData), cbData);
    RegCloseKey(hKey);
}

void UiFixture::UseLanguageCopy(LONG nTextID, const std::string& text) {
    for (const char* name : {"English.lng", "German.lng"}) {
        // The root reads an absolute path as it stands.
        std::string content = m_root->ReadFile(GetProgramDirectory() + name);
        if (nTextID >= 0 && std::strcmp(name, "English.lng") == 0) {
            std::string key = "\n" + std::to_string(nTextID) + "\t";
            size_t pos = content.find(key);
            ASSERT_NE(pos, std::string::npos);
            size_t end = content.find('\n', pos + 1);
            content.replace(pos, end - pos, key + text);
        }
        m_root->WriteFile(std::string("lang/") + name, content);
    }
    SetLanguageDirectory(m_root->Path() + "/lang/");
}

BOOL UiFixture::Start(std::initializer_list<const char*> args) {
    m_pApp = new CQuorvelApp;
    m_args.assign({"quorvel"});
    for (const char* a : args)
        m_args.emplace_back(a);
    m_argv.clear();
    for (std::string& a : m_args)
        m_argv.push_back(a.data());
    m_argv.push_back(nullptr);
    m_pApp->m_argc = (int)m_args.size();
    m_pApp->m_argv = m_argv.data();
    return m_pApp->InitInstance();
}

void UiFixture::ShutDown() {
    if (m_pApp == nullptr)
        return;
    if (m_pApp->m_pMainWnd != nullptr)
        m_pApp->m_pMainWnd->DestroyWindow();
    AfxPumpMessages();
    m_pApp->ExitInstance();
    delete m_pApp;
    m_pApp = nullptr;
}

CMainFrame* UiFixture::Frame() const {
    return m_pApp ? dynamic_cast<CMainFrame*>(m_pApp->m_pMainWnd) : nullptr;
}

void UiFixture::Settle(int milliseconds) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    do {
        AfxPumpMessages();
        wxTheApp->Yield(true);
        if (m_pApp != nullptr)
            m_pApp->OnIdle(0);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    } while (std::chrono::steady_clock::now() < end);
    // Once more after the deadline: a loaded machine may have slept past it, and a timer that fell
    // due before it must still have run when the caller looks.
    AfxPumpMessages();
    wxTheApp->Yield(true);
}

CConfigView* UiFixture::Left() const {
    return Frame() ? Frame()->GetLeftPane() : nullptr;
}

CQuorvelView* UiFixture::Right() const {
    return Frame() ? Frame()->GetRightPane() : nullptr;
}

CSelectionMarkListCtrl& UiFixture::List() const {
    return Left()->GetListCtrl();
}

CQuorvelDoc* UiFixture::Doc() const {
    return m_pApp->GetDocument();
}

std::vector<std::string> UiFixture::RowNames() const {
    std::vector<std::string> names;
    for (int i = 0; i < List().GetItemCount(); ++i)
        names.emplace_back(List().GetItemText(i, 1).GetString());
    return names;
}

void UiFixture::ClickRow(int nRow) {
    CSelectionMarkListCtrl& list = List();
    for (int i = 0; i < list.GetItemCount(); ++i)
        if (i != nRow && list.GetItemState(i, LVIS_SELECTED))
            list.SetItemState(i, 0, LVIS_SELECTED);
    list.SetItemState(nRow, LVIS_SELECTED, LVIS_SELECTED);
    NMLISTVIEW nm{};
    nm.hdr.code = LVN_ITEMCHANGED;
    nm.iItem = nRow;
    nm.uNewState = LVIS_SELECTED;
    nm.uChanged = LVIF_STATE;
    list.NotifyParent(&nm.hdr);
    Settle(20);
}

BOOL UiFixture::IsEnabled(CCmdTarget* pTarget, UINT nID) {
    CCmdUI state;
    state.m_nID = nID;
    pTarget->OnCmdMsg(nID, CN_UPDATE_COMMAND_UI, &state, nullptr);
    return state.m_bEnabled;
}

}  // namespace qrvtest
