// Start-up and shut-down of the application on a fresh machine root.
#include <sys/wait.h>
#include <wx/image.h>
#include <wx/window.h>

#include <fstream>
#include <sstream>

#include "language/LanguageSettings.h"
#include "model/ConfigInfo.h"
#include "model/QuorvelDoc.h"
#include "platform/afx/wnd/Menu.h"
#include "platform/afx/wnd/MessageBoxUi.h"
#include "platform/automation/ComInit.h"
#include "platform/win32/Handle.h"
#include "platform/win32/Registry.h"
#include "platform/win32/SingleInstance.h"
#include "resources/Resource.h"
#include "tests/support/LanguageSetup.h"
#include "tests/support/WindowPicture.h"
#include "tests/ui/UiFixture.h"
#include "ui/MainFrm.h"

namespace {

using qrvtest::UiFixture;

CString PopupText(CMainFrame* pFrame, int nPos) {
    CString text;
    pFrame->GetMenu()->GetMenuString((UINT)nPos, text, MF_BYPOSITION);
    return text;
}

CString FrameTitle(CMainFrame* pFrame) {
    CString title;
    pFrame->GetWindowText(title);
    return title;
}

std::vector<CString> ConfigNames(CQuorvelDoc* pDoc) {
    std::vector<CString> names;
    POSITION pos = nullptr;
    CConfigInfo* pConfig = nullptr;
    for (BOOL more = pDoc->GetFirstConfiguration(pos, &pConfig); more && pConfig != nullptr;
         more = pDoc->GetNextConfiguration(pos, &pConfig)) {
        names.push_back(pConfig->GetConfigName());
        pConfig->Release();
        pConfig = nullptr;
    }
    return names;
}

TEST_F(UiFixture, StartsOnFreshRootWithWindowBarsPanesAndEnglishTexts) {
    ASSERT_TRUE(Start());
    CMainFrame* pFrame = Frame();
    ASSERT_NE(pFrame, nullptr);
    EXPECT_TRUE(pFrame->IsWindowVisible());
    EXPECT_NE(m_pApp->m_hMutex, nullptr);
    EXPECT_TRUE(m_pApp->m_bComInitialized);
    ASSERT_NE(pFrame->GetLeftPane(), nullptr);
    ASSERT_NE(pFrame->GetRightPane(), nullptr);
    EXPECT_EQ(PopupText(pFrame, 0), CString("&File"));
    EXPECT_EQ(PopupText(pFrame, 3), CString("&?"));
    EXPECT_EQ(FrameTitle(pFrame), CString("Untitled - Quorvel"));
    EXPECT_EQ(ConfigNames(m_pApp->GetDocument()),
              (std::vector<CString>{"E-Mails", "Contacts", "Appointments", "Tasks"}));
    EXPECT_TRUE(AfxGetShownMessageBoxes().empty());
    // The document type is known to the shell.
    HKEY hKey = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, ".qrv", 0, KEY_READ, &hKey), ERROR_SUCCESS);
    RegCloseKey(hKey);
}

TEST_F(UiFixture, LanguageFromTheRegistryMustBeANumberWithAFileAndGermanRelabelsTheWindow) {
    SetRegistryLanguage(REG_SZ, "1031", 5);
    EXPECT_EQ(CQuorvelApp::ReadStartLanguageID(), 2057);
    DWORD dwMissing = 1036;
    SetRegistryLanguage(REG_DWORD, &dwMissing, sizeof dwMissing);
    EXPECT_EQ(CQuorvelApp::ReadStartLanguageID(), 2057);
    // Eight bytes are not a 32-bit number either.
    ULONGLONG big = 1031;
    SetRegistryLanguage(REG_BINARY, &big, sizeof big);
    EXPECT_EQ(CQuorvelApp::ReadStartLanguageID(), 2057);
    DWORD dwGerman = 1031;
    SetRegistryLanguage(REG_DWORD, &dwGerman, sizeof dwGerman);
    EXPECT_EQ(CQuorvelApp::ReadStartLanguageID(), 1031);

    // German relabels menus, tooltips and title, and English at run time relabels them back.
    ASSERT_TRUE(Start());
    CMainFrame* pFrame = Frame();
    EXPECT_EQ(GetCurrentLanguageID(), 1031);
    EXPECT_EQ(PopupText(pFrame, 0), CString("&Datei"));
    EXPECT_EQ(PopupText(pFrame, 1), CString("&Bearbeiten"));
    EXPECT_EQ(pFrame->GetToolBar().RequestToolTip(ID_FILE_NEW), CString("Neu"));
    EXPECT_EQ(FrameTitle(pFrame), CString("Unbenannt - Quorvel"));
    pFrame->ApplyLanguage(2057);
    EXPECT_EQ(PopupText(pFrame, 0), CString("&File"));
    EXPECT_EQ(FrameTitle(pFrame), CString("Untitled - Quorvel"));
    EXPECT_EQ(pFrame->GetToolBar().RequestToolTip(ID_FILE_NEW), CString("New"));
    // The items of a popup follow when the menu is next opened.
    CMenu* pBar = pFrame->GetMenu();
    CString text;
    pBar->GetSubMenu(0)->GetMenuString(ID_FILE_NEW, text, MF_BYCOMMAND);
    EXPECT_EQ(text, CString("&Neu\tStrg+N"));
    pFrame->SendMessage(WM_INITMENU, reinterpret_cast<WPARAM>(pBar));
    pBar->GetSubMenu(0)->GetMenuString(ID_FILE_NEW, text, MF_BYCOMMAND);
    EXPECT_EQ(text, CString("&New\tCtrl+N"));
    pBar->GetSubMenu(3)->GetMenuString(ID_APP_ABOUT, text, MF_BYCOMMAND);
    EXPECT_FALSE(text.IsEmpty());
}

TEST_F(UiFixture, SecondInstanceIsRefusedUntilTheFirstReleasesItsMarker) {
    HANDLE hFirst = CreateMutexA(nullptr, FALSE, QRV_INSTANCE_MUTEX);
    ASSERT_NE(hFirst, nullptr);
    EXPECT_FALSE(Start());
    EXPECT_EQ(m_pApp->m_hMutex, nullptr);
    EXPECT_EQ(m_pApp->m_pMainWnd, nullptr);
    ASSERT_EQ(AfxGetShownMessageBoxes().size(), 1u);
    EXPECT_EQ(AfxGetShownMessageBoxes()[0].caption, "The program is already running");
    EXPECT_NE(AfxGetShownMessageBoxes()[0].text.find("only run once"), std::string::npos);
    ShutDown();
    // The first holder keeps its marker: a third start is refused as well.
    EXPECT_FALSE(Start());
    ShutDown();
    CloseHandle(hFirst);

    // A program that ran and ended gives the marker (and COM) back.
    AfxClearShownMessageBoxes();
    ASSERT_TRUE(Start());
    ShutDown();
    EXPECT_EQ(GetComInitCount(), 0);
    ASSERT_TRUE(Start());
    EXPECT_TRUE(AfxGetShownMessageBoxes().empty());
}

TEST_F(UiFixture, AChosenLanguageWithoutItsFileStartsInEnglishAndStaysChosen) {
    DWORD dwGerman = 1031;
    SetRegistryLanguage(REG_DWORD, &dwGerman, sizeof dwGerman);
    UseLanguageCopy(-1, "");
    std::remove((m_root->Path() + "/lang/German.lng").c_str());
    ASSERT_TRUE(Start());
    EXPECT_EQ(GetCurrentLanguageID(), 2057);
    EXPECT_EQ(PopupText(Frame(), 0), CString("&File"));
    HKEY hKey = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\Ostrany\\Quorvel", 0, KEY_READ, &hKey),
              ERROR_SUCCESS);
    DWORD dwStored = 0;
    DWORD cb = sizeof dwStored;
    EXPECT_EQ(RegQueryValueExA(hKey, "CurrentLanguageID", nullptr, nullptr, (LPBYTE)&dwStored, &cb),
              ERROR_SUCCESS);
    RegCloseKey(hKey);
    EXPECT_EQ(dwStored, 1031u);
}

TEST_F(UiFixture, NoLanguageFilesEndsWithoutAMessage) {
    UseLanguageCopy(-1, "");
    std::remove((m_root->Path() + "/lang/English.lng").c_str());
    std::remove((m_root->Path() + "/lang/German.lng").c_str());
    EXPECT_FALSE(Start());
    EXPECT_TRUE(AfxGetShownMessageBoxes().empty());
    EXPECT_EQ(m_pApp->m_hMutex, nullptr);
}

// Without usable language files the program has no texts for a box: it says on the error output
// what keeps them from loading and what mends it, and ends with a failing status.
TEST_F(UiFixture, AStartWithoutUsableLanguageFilesFailsAndSaysWhy) {
    UseLanguageCopy(-1, "");
    auto run = [this]() {
        const std::string errPath = m_root->Path() + "/probe.err";
        const std::string command = std::string("'") + QRV_EXIT_PROBE + "' 2>'" + errPath + "'";
        const int status = std::system(command.c_str());
        std::ifstream in(errPath);
        std::string line, said;
        while (std::getline(in, line))
            if (line.rfind("quorvel: ", 0) == 0)
                said += line + "\n";
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) != 0) << status;
        return said;
    };
    const std::string lang = m_root->Path() + "/lang";
    // One more language file, whose language has no name.
    std::string french = m_root->ReadFile("lang/English.lng");
    french.replace(french.find("L_ID:2057"), 9, "L_ID:1036");
    m_root->WriteFile("lang/French.lng", french);
    EXPECT_EQ(
        "quorvel: " + lang +
            "/French.lng: its language 1036 has no name under "
            "HKEY_LOCAL_MACHINE\\Software\\Ostrany\\Languages\\2057; remove the file, or name the language "
            "there\n",
        run());
    // The language folder moved away.
    ASSERT_EQ(0, std::rename(lang.c_str(), (lang + "-moved").c_str()));
    EXPECT_EQ("quorvel: no language files (*.lng) in " + lang +
                  "/, the registered language folder; run "
                  "qrvinstall to register the language files beside the program\n",
              run());
    // A stray line in the machine's registry hive.
    const std::string hive = m_root->Path() + "/registry/HKEY_LOCAL_MACHINE.reg";
    m_root->WriteFile("registry/HKEY_LOCAL_MACHINE.reg", m_root->ReadFile(hive) + "stray line\n");
    EXPECT_EQ("quorvel: " + hive +
                  ": the file is damaged, so the language files cannot be found; mend or "
                  "remove it, then run qrvinstall to register the language files beside the program\n",
              run());
}

TEST_F(UiFixture, ComFailureShowsItsBoxAndEnds) {
    SetCoInitializeResult(E_FAIL);
    BOOL bStarted = Start();
    SetCoInitializeResult(S_OK);
    EXPECT_FALSE(bStarted);
    EXPECT_FALSE(m_pApp->m_bComInitialized);
    ASSERT_EQ(AfxGetShownMessageBoxes().size(), 1u);
    EXPECT_EQ(AfxGetShownMessageBoxes()[0].caption, "Error");
    EXPECT_EQ(AfxGetShownMessageBoxes()[0].text.rfind("The call to CoInitializeEx() failed", 0), 0u);
}

TEST_F(UiFixture, ComFailureBoxTextComesFromTheLanguageFile) {
    // A changed translation shows: the text is the language's, not the built-in default.
    UseLanguageCopy(125, "COM could not be started here.");
    SetCoInitializeResult(E_FAIL);
    BOOL bStarted = Start();
    SetCoInitializeResult(S_OK);
    EXPECT_FALSE(bStarted);
    ASSERT_EQ(AfxGetShownMessageBoxes().size(), 1u);
    EXPECT_EQ(AfxGetShownMessageBoxes()[0].text, "COM could not be started here.");
}

TEST_F(UiFixture, SaveAndOpenRoundTripTheDocumentAlsoFromTheCommandLine) {
    ASSERT_TRUE(Start());
    CMainFrame* pFrame = Frame();
    CQuorvelDoc* pDoc = m_pApp->GetDocument();
    POSITION pos = nullptr;
    CConfigInfo* pFirst = nullptr;
    ASSERT_TRUE(pDoc->GetFirstConfiguration(pos, &pFirst));
    pDoc->RemoveConfiguration(pFirst->GetConfigID());
    pFirst->Release();
    pDoc->SetModifiedFlag(TRUE);
    std::vector<CString> before = ConfigNames(pDoc);

    std::string path = m_root->Path() + "/saved.qrv";
    int prompts = 0;
    AfxSetFileDialogHook([&](BOOL, CString& name) {
        ++prompts;
        name = path.c_str();
        return TRUE;
    });
    m_pApp->OnIdle(0);
    EXPECT_TRUE(pFrame->GetToolBar().IsButtonEnabled(ID_FILE_SAVE));
    pFrame->SendMessage(WM_COMMAND, ID_FILE_SAVE, 0);
    EXPECT_EQ(prompts, 1);
    EXPECT_FALSE(pDoc->IsModified());
    EXPECT_EQ(FrameTitle(pFrame), CString("saved.qrv - Quorvel"));
    m_pApp->OnIdle(0);
    EXPECT_FALSE(pFrame->GetToolBar().IsButtonEnabled(ID_FILE_SAVE));

    pFrame->SendMessage(WM_COMMAND, ID_FILE_NEW, 0);
    EXPECT_EQ(ConfigNames(pDoc).size(), 4u);
    EXPECT_EQ(FrameTitle(pFrame), CString("Untitled - Quorvel"));
    pFrame->SendMessage(WM_COMMAND, ID_FILE_OPEN, 0);
    EXPECT_EQ(prompts, 2);
    EXPECT_EQ(ConfigNames(pDoc), before);
    EXPECT_EQ(FrameTitle(pFrame), CString("saved.qrv - Quorvel"));
    EXPECT_TRUE(AfxGetShownMessageBoxes().empty());
    // File Open with the dialog cancelled changes nothing: Save, enabled for a modified document,
    // still reaches the document.
    AfxSetFileDialogHook([](BOOL, CString&) { return FALSE; });
    pFrame->SendMessage(WM_COMMAND, ID_FILE_OPEN, 0);
    EXPECT_EQ(ConfigNames(pDoc), before);
    pDoc->SetModifiedFlag(TRUE);
    m_pApp->OnIdle(0);
    EXPECT_TRUE(pFrame->GetToolBar().IsButtonEnabled(ID_FILE_SAVE));
    pFrame->SendMessage(WM_COMMAND, ID_FILE_SAVE, 0);
    EXPECT_FALSE(pDoc->IsModified());

    // Named on the command line, the document is opened without a prompt.
    ShutDown();
    ASSERT_TRUE(Start({path.c_str()}));
    EXPECT_EQ(ConfigNames(m_pApp->GetDocument()), before);
    EXPECT_EQ(FrameTitle(Frame()), CString("saved.qrv - Quorvel"));
    EXPECT_EQ(prompts, 2);
}

TEST_F(UiFixture, MissingDocumentOnTheCommandLineEndsTheStart) {
    EXPECT_FALSE(Start({(m_root->Path() + "/missing.qrv").c_str()}));
    EXPECT_EQ(m_pApp->m_pMainWnd, nullptr);
    EXPECT_FALSE(AfxGetShownMessageBoxes().empty());
}

TEST_F(UiFixture, ScreenshotOfTheMainWindow) {
    ASSERT_TRUE(Start());
    wxWindow* pWx = Frame()->GetWxWindow();
    // On a busy machine the window may take a while to be mapped and painted.
    for (int i = 0; i < 40 && !pWx->IsShownOnScreen(); ++i)
        Settle(50);
    ASSERT_GT(pWx->GetScreenRect().width, 0);
    // The picture is not empty: the toolbar and the panes differ from one flat colour. Other
    // tests share the display and a loaded machine paints late, so grab again until it shows.
    const std::string file = std::string(QRV_ARTIFACT_DIR) + "/quorvel-main-window.png";
    bool varied = false;
    for (int attempt = 0; attempt < 25 && !varied; ++attempt) {
        Settle(200);
        pWx->Raise();
        wxImage image(qrvtest::SaveWindowPicture(Frame(), file), wxBITMAP_TYPE_PNG);
        ASSERT_TRUE(image.IsOk());
        for (int y = 0; y < image.GetHeight() && !varied; y += 3)
            for (int x = 1; x < image.GetWidth() && !varied; x += 3)
                varied =
                    image.GetRed(x, y) != image.GetRed(0, 0) || image.GetGreen(x, y) != image.GetGreen(0, 0);
    }
    EXPECT_TRUE(varied);
}

// The program ends through its framework while its language loader still works through a long
// list of files (each fails only at its last line, after the whole file was read). The shut-down
// must stop the loader at once and close every handle before the program's static objects go.
TEST_F(UiFixture, ProgramExitStopsTheLanguageLoaderAndLeavesNoHandleOpen) {
    UseLanguageCopy(-1, "");
    const int kFiles = 1500;
    std::string body;
    for (int i = 0; i < 2000; ++i)
        body += "1\tx\n";
    body += "not a text line\n";
    for (int i = 0; i < kFiles; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "lang/x%04d.lng", i);
        m_root->WriteFile(name, qrvtest::LanguageFileText(2057, {}) + body);
    }
    const std::string errPath = m_root->Path() + "/probe.err";
    const std::string command = std::string("'") + QRV_EXIT_PROBE + "' 2>'" + errPath + "'";
    const int status = std::system(command.c_str());
    std::ifstream in(errPath);
    std::stringstream err;
    err << in.rdbuf();
    const std::string out = err.str();
    ASSERT_TRUE(WIFEXITED(status)) << out.substr(0, 4000);
    EXPECT_EQ(WEXITSTATUS(status), 0) << out.substr(0, 4000);

    auto count = [&out](const std::string& what, size_t from, size_t to) {
        int n = 0;
        for (size_t pos = out.find(what, from); pos != std::string::npos && pos < to;
             pos = out.find(what, pos + 1))
            ++n;
        return n;
    };
    const std::string kFailed = "Failed to load language (ID:2057";
    const size_t exitPos = out.find("exit-probe: shut-down starts");
    ASSERT_NE(exitPos, std::string::npos) << out.substr(0, 4000);
    // The loader was still at work when the program ended...
    EXPECT_LT(count(kFailed, 0, exitPos), kFiles);
    // ...and finishes at most the file it is reading.
    EXPECT_LE(count(kFailed, exitPos, std::string::npos), 1) << out.substr(exitPos, 2000);
    EXPECT_NE(out.find("exit-probe: 0 handles open"), std::string::npos) << out.substr(exitPos, 2000);
    EXPECT_EQ(out.find("LeakSanitizer"), std::string::npos) << out.substr(exitPos, 8000);
    EXPECT_EQ(out.find("runtime error"), std::string::npos) << out.substr(exitPos, 8000);
}

}  // namespace
