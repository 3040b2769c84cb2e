// The form view tests' fixture: toolkit once per program; root, languages, profile and host per test.
#include "tests/ui_forms/FormsFixture.h"

#include <wx/app.h>
#include <wx/frame.h>

#include <chrono>
#include <thread>

#include "language/LanguageSettings.h"
#include "model/StoreInfo.h"
#include "platform/afx/wnd/MessageBoxUi.h"
#include "platform/afx/wnd/Resources.h"
#include "platform/afx/wnd/WinApp.h"
#include "platform/mapi/MAPITestHooks.h"
#include "platform/mapi/MAPIX.h"
#include "platform/win32/Module.h"
#include "resources/FormResource.h"
#include "tests/platform_mapi/MapiTestSupport.h"
#include "tests/support/LanguageSetup.h"
#include "tests/support/WindowPicture.h"
#include "tools/install/Install.h"
#include "ui/FormViews.h"

namespace qrvtest {

namespace {

[[maybe_unused]] ::testing::Environment* const g_env =
    ::testing::AddGlobalTestEnvironment(new ToolkitEnvironment("test_ui_forms"));

using mapitest::Ref;

// The Search results page stand-in: a page that shows one line and counts its closings.
class CStandInResultPage : public PropertyPageBase {
public:
    CStandInResultPage() : PropertyPageBase(IDD_PP_SEARCH_RESULTS) { ++ResultPageStandIn::s_nCreated; }
    void PrepareClose() override { ++ResultPageStandIn::s_nPrepared; }
};

PropertyPageBase* MakeStandInPage(FVBase*) {
    return new CStandInResultPage;
}

}  // namespace

int ResultPageStandIn::s_nCreated = 0;
int ResultPageStandIn::s_nPrepared = 0;

ResultPageStandIn::ResultPageStandIn() {
    s_nCreated = 0;
    s_nPrepared = 0;
    DLGTEMPLATEDEF page{
        0, WS_CHILD | DS_CONTROL, WS_EX_CONTROLPARENT, 0, 0, 310, 201, nullptr, "MS Sans Serif", 8, {}};
    page.nID = IDD_PP_SEARCH_RESULTS;
    page.items = {{"STATIC", "Ergebnis", 1500, 7, 7, 100, 8, WS_CHILD | WS_VISIBLE}};
    AfxRegisterDialogTemplate(page);
    SetSearchResultPageFactory(&MakeStandInPage);
}

ResultPageStandIn::~ResultPageStandIn() {
    SetSearchResultPageFactory(nullptr);
    AfxUnregisterDialogTemplate(IDD_PP_SEARCH_RESULTS);
}

void FormsFixture::SetUp() {
    QRV_REQUIRE_TOOLKIT();
    m_root = std::make_unique<TempRoot>();
    std::string error;
    ASSERT_TRUE(SUCCEEDED(RunInstall("", error))) << error;
    ASSERT_EQ(S_OK, InitLanguageModule());
    ASSERT_EQ(S_OK, LoadLanguages(2057));
    m_ui = std::make_unique<FakeUiServices>();
    AfxClearShownMessageBoxes();
    AfxSetMessageBoxHook([](const AfxShownMessageBox&) { return IDOK; });
    RegisterFormResources();

    // A profile "work" with one personal folders store.
    CMAPITestHooks::Reset();
    ASSERT_EQ(S_OK, MAPIInitialize(nullptr));
    Ref<IProfAdmin> admin;
    ASSERT_EQ(S_OK, MAPIAdminProfiles(0, &admin));
    ASSERT_EQ(S_OK, admin->CreateProfile("work", nullptr, 0, 0));
    Ref<IMsgServiceAdmin> services;
    ASSERT_EQ(S_OK, admin->AdminServices("work", nullptr, 0, 0, &services));
    ASSERT_EQ(S_OK, services->CreateMsgService("MSPST MS", "Personal", 0, 0));
    Ref<IMAPITable> table;
    mapitest::Rows rows;
    ASSERT_EQ(S_OK, services->GetMsgServiceTable(0, &table));
    ASSERT_EQ(S_OK, table->QueryRows(10, 0, &rows.p));
    ASSERT_EQ(1u, rows.p->cRows);
    MAPIUID uid;
    memcpy(uid.ab, rows.p->aRow[0].lpProps[0].Value.bin.lpb, 16);
    const std::string path = m_root->Path() + "/Personal.pst";
    SPropValue values[2] = {};
    values[0].ulPropTag = PR_PST_PATH;
    values[0].Value.lpszA = const_cast<char*>(path.c_str());
    values[1].ulPropTag = PR_DISPLAY_NAME;
    values[1].Value.lpszA = const_cast<char*>("Personal");
    ASSERT_EQ(S_OK, services->ConfigureMsgService(&uid, 0, 0, 2, values));
    table.reset();
    rows.reset();
    ASSERT_EQ(S_OK, admin->GetProfileTable(0, &table));
    ASSERT_EQ(S_OK, table->QueryRows(10, 0, &rows.p));
    for (ULONG i = 0; i < rows.p->aRow[0].cValues; ++i)
        if (rows.p->aRow[0].lpProps[i].ulPropTag == PR_INSTANCE_KEY) {
            const SBinary& key = rows.p->aRow[0].lpProps[i].Value.bin;
            m_profileKey.assign(key.lpb, key.lpb + key.cb);
        }
    ASSERT_FALSE(m_profileKey.empty());

    auto* pFrame = new wxFrame(nullptr, wxID_ANY, "form host", wxPoint(0, 0), wxSize(720, 720));
    m_pHost = new CWnd;
    ASSERT_TRUE(m_pHost->AttachWx(pFrame));
    pFrame->Show();
}

void FormsFixture::TearDown() {
    if (m_pHost != nullptr) {
        m_pHost->DestroyWindow();
        delete m_pHost;
        m_pHost = nullptr;
    }
    Settle(10);
    if (m_pConfig != nullptr)
        m_pConfig->Release();
    m_pConfig = nullptr;
    m_doc.DeleteContents();
    if (m_root) {
        MAPIUninitialize();
        EXPECT_EQ(0, CMAPITestHooks::InitializeBalance());
        CloseLanguageModule();
    }
    AfxSetMessageBoxHook(nullptr);
    AfxSetModalHook(nullptr);
    m_ui.reset();
    m_root.reset();
}

CConfigInfo* FormsFixture::MakeConfig(DWORD dwType, const char* lpszName) {
    CConfigInfo* pConfig = nullptr;
    EXPECT_EQ(S_OK, CConfigInfo::CreateConfigInfo(lpszName, dwType, &m_doc, &pConfig));
    if (pConfig != nullptr) {
        EXPECT_EQ(S_OK, m_doc.AddConfiguration(pConfig));
    }
    m_pConfig = pConfig;
    return pConfig;
}

void FormsFixture::ChooseProfile(CConfigInfo* pConfig) {
    m_ui->chooser.strName = "work";
    m_ui->chooser.key = m_profileKey;
    ASSERT_EQ(S_OK, pConfig->OnSelectProfile(nullptr));
    ASSERT_EQ(1, pConfig->GetStoreCount());
}

void FormsFixture::AddInbox(CConfigInfo* pConfig) {
    Ref<IMAPISession> session;
    ASSERT_EQ(S_OK, MAPILogonEx(0, "work", nullptr, MAPI_NEW_SESSION | MAPI_EXPLICIT_PROFILE | MAPI_EXTENDED,
                                &session.p));
    Ref<CStoreInfo> store{pConfig->GetStore(0)};
    ASSERT_NE(nullptr, store.p);
    SBinary key{};
    ASSERT_EQ(S_OK, store->GetStoreKey(&key));
    Ref<IMsgStore> mdb;
    ASSERT_EQ(S_OK, session->OpenMsgStore(0, key.cb, reinterpret_cast<LPENTRYID>(key.lpb), nullptr,
                                          MAPI_BEST_ACCESS, &mdb.p));
    free(key.lpb);
    ULONG cbInbox = 0;
    LPENTRYID lpInbox = nullptr;
    ASSERT_EQ(S_OK, mdb->GetReceiveFolder(nullptr, 0, &cbInbox, &lpInbox, nullptr));
    ASSERT_EQ(S_OK, store->AddFolder(mdb.p, cbInbox, reinterpret_cast<LPBYTE>(lpInbox)));
    MAPIFreeBuffer(lpInbox);
    mdb.reset();
    session->Logoff(0, 0, 0);
}

FVPagedView* FormsFixture::ShowForm(CConfigInfo* pConfig) {
    FVBase* pBase = CreateFormView(pConfig->GetConfigType());
    auto* pView = dynamic_cast<FVPagedView*>(pBase);
    EXPECT_NE(nullptr, pView);
    if (pView == nullptr) {
        delete pBase;
        return nullptr;
    }
    EXPECT_EQ(S_OK, pView->SetConfigInfo(pConfig));
    const BOOL bCreated = pView->Create(nullptr, "Contacts", WS_CHILD | WS_VISIBLE, CRect(0, 0, 700, 700),
                                        m_pHost, GetFormViewControlID(pConfig->GetConfigType()));
    EXPECT_TRUE(bCreated);
    if (!bCreated) {
        delete pView;
        return nullptr;
    }
    pView->OnInitialUpdate();
    Settle();
    return pView;
}

void FormsFixture::CloseForm(FVPagedView*& pView) {
    if (pView == nullptr)
        return;
    pView->CloseView();
    pView->DestroyWindow();  // the view deletes itself with its window
    pView = nullptr;
    Settle(10);
}

void FormsFixture::UseLanguageCopy(const std::function<void(std::string& english)>& edit) {
    for (const std::string name : {"English.lng", "German.lng"}) {
        std::string content = m_root->ReadFile(GetProgramDirectory() + name);
        if (name == "English.lng")
            edit(content);
        m_root->WriteFile("lang/" + name, content);
    }
    SetLanguageDirectory(m_root->Path() + "/lang/");
    ASSERT_EQ(S_OK, CloseLanguageModule());
    ASSERT_EQ(S_OK, InitLanguageModule());
    ASSERT_EQ(S_OK, LoadLanguages(2057));
}

void FormsFixture::Settle(int milliseconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    do {
        AfxPumpMessages();
        if (wxTheApp != nullptr)
            wxTheApp->Yield(true);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    } while (std::chrono::steady_clock::now() < end);
    // Once more after the deadline: a loaded machine may have slept past it, and a timer that fell
    // due before it must still have run when the caller looks.
    AfxPumpMessages();
    if (wxTheApp != nullptr)
        wxTheApp->Yield(true);
}

std::string FormsFixture::SaveScreenshot(CWnd* pWnd, const std::string& name) {
    Settle(200);
    return SaveWindowPicture(pWnd, std::string(QRV_ARTIFACT_DIR) + "/" + name);
}

std::string FormsFixture::ControlText(CWnd* pWnd, int nID) {
    CString text;
    if (nID != 0)
        pWnd->GetDlgItemText(nID, text);
    else
        pWnd->GetWindowText(text);
    return (LPCSTR)text;
}

}  // namespace qrvtest
