// The document's files in the running program: a failed File Open leaves the earlier document
// and its name alone, Save As names the file, and the framework's own words follow the language.
#include <gtk/gtk.h>
#include <sys/stat.h>

#include <wx/frame.h>
#include <wx/menu.h>

#include <string>

#include "language/LanguageSettings.h"
#include "model/ConfigInfo.h"
#include "model/QuorvelDoc.h"
#include "platform/afx/wnd/Menu.h"
#include "platform/afx/wnd/MessageBoxUi.h"
#include "resources/Resource.h"
#include "tests/ui_views/ViewsFixture.h"
#include "ui/ConfigView.h"
#include "ui/MainFrm.h"
#include "ui/QuorvelView.h"
#include "ui/SelectionMarkListCtrl.h"

namespace {

using qrvtest::ViewsFixture;

std::vector<std::string> ConfigNames(CQuorvelDoc* pDoc) {
    std::vector<std::string> names;
    POSITION pos = nullptr;
    CConfigInfo* pConfig = nullptr;
    for (BOOL b = pDoc->GetFirstConfiguration(pos, &pConfig); b;
         b = pDoc->GetNextConfiguration(pos, &pConfig)) {
        names.emplace_back(pConfig->GetConfigName().GetString());
        pConfig->Release();
    }
    return names;
}

// The names a saved document file holds, read by a document of its own.
std::vector<std::string> NamesInFile(const std::string& path) {
    CQuorvelDoc doc;
    if (!doc.OnOpenDocument(path.c_str()))
        return {"<unreadable>"};
    return ConfigNames(&doc);
}

CString FrameTitle(CMainFrame* pFrame) {
    CString title;
    pFrame->GetWindowText(title);
    return title;
}

class DocumentFiles : public ViewsFixture {
protected:
    void SetUp() override {
        ViewsFixture::SetUp();
        // A configuration without a profile asks for one when it is shown: the answer is no.
        AfxSetModalHook([](CWnd*) { return IDCANCEL; });
    }
    // Answers the next file dialogs with this name and counts them.
    void AnswerFileDialog(const std::string& path) {
        AfxSetFileDialogHook([this, path](BOOL, CString& rFileName) {
            ++m_nPrompts;
            rFileName = path.c_str();
            return TRUE;
        });
    }
    void Command(UINT nID) {
        Frame()->SendMessage(WM_COMMAND, nID, 0);
        Settle(20);
    }
    // Writes a document of two contact configurations, "Alpha" and "Beta", and opens it.
    std::string OpenTwoConfigurations() {
        CQuorvelDoc doc;
        for (const char* name : {"Alpha", "Beta"}) {
            CConfigInfo* pConfig = nullptr;
            EXPECT_EQ(S_OK, CConfigInfo::CreateConfigInfo(name, 1, &doc, &pConfig));
            doc.AddConfiguration(pConfig);
            pConfig->Release();
        }
        const std::string path = m_root->Path() + "/earlier.qrv";
        EXPECT_TRUE(doc.OnSaveDocument(path.c_str()));
        AnswerFileDialog(path);
        Command(ID_FILE_OPEN);
        return path;
    }
    int m_nPrompts = 0;
};

TEST_F(DocumentFiles, AFailedOpenLeavesTheEarlierDocumentItsNameAndItsListAsTheyWere) {
    const std::string earlier = OpenTwoConfigurations();
    const std::vector<std::string> two = {"Alpha", "Beta"};
    ASSERT_EQ(two, ConfigNames(Doc()));
    ASSERT_EQ(two, RowNames());
    const CString title = FrameTitle(Frame());

    const std::string damaged = m_root->WriteFile("damaged.qrv", std::string("\x02\0\0\0\0\0\0\0", 8));
    const std::string foreign =
        m_root->WriteFile("picture.qrv", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));
    const std::string unreadable = m_root->Path() + "/no-such-folder/missing.qrv";
    const std::string empty = m_root->WriteFile("empty.qrv", "");
    for (const std::string& path : {damaged, foreign, unreadable, empty}) {
        SCOPED_TRACE(path);
        AfxClearShownMessageBoxes();
        AnswerFileDialog(path);
        Command(ID_FILE_OPEN);
        ASSERT_EQ(1u, AfxGetShownMessageBoxes().size());
        // A file that cannot be read is named; it is no invalid config file.
        if (path == unreadable) {
            EXPECT_EQ("File \"" + unreadable + "\" could not be opened for reading.",
                      AfxGetShownMessageBoxes()[0].text);
        }
        EXPECT_EQ(earlier, Doc()->GetPathName().GetString());
        EXPECT_EQ(title, FrameTitle(Frame()));
        EXPECT_FALSE(Doc()->IsModified());
        EXPECT_EQ(two, ConfigNames(Doc()));
        EXPECT_EQ(two, RowNames());
        // Every row still shows its configuration.
        for (int nRow : {1, 0}) {
            ClickRow(nRow);
            EXPECT_EQ((ULONG)List().GetItemData(nRow), Doc()->GetCurrentConfigID());
            EXPECT_NE(nullptr, Right()->GetCurrentForm());
        }
    }
    // Save writes the same document back: nothing of the earlier file is lost.
    m_nPrompts = 0;
    Doc()->SetModifiedFlag(TRUE);
    Command(ID_FILE_SAVE);
    EXPECT_EQ(0, m_nPrompts);
    EXPECT_EQ(two, NamesInFile(earlier));
}

TEST_F(DocumentFiles, AFileReadInPartIsOpenedUntitledAndItsListIsExactlyWhatWasRead) {
    const std::string earlier = OpenTwoConfigurations();
    std::string bytes = m_root->ReadFile(earlier);
    // Cut inside the second configuration: the first one is read whole.
    const size_t nSecond = bytes.find("Beta");
    ASSERT_NE(std::string::npos, nSecond);
    const std::string cut = m_root->WriteFile("cut.qrv", bytes.substr(0, nSecond));
    AnswerFileDialog(cut);
    Command(ID_FILE_OPEN);
    EXPECT_EQ(std::vector<std::string>{"Alpha"}, ConfigNames(Doc()));
    EXPECT_EQ(std::vector<std::string>{"Alpha"}, RowNames());
    EXPECT_TRUE(Doc()->GetPathName().IsEmpty());
    EXPECT_TRUE(Doc()->IsModified());
    // Save asks for a name and never writes over either file.
    const std::string named = m_root->Path() + "/rescued.qrv";
    AnswerFileDialog(named);
    m_nPrompts = 0;
    Command(ID_FILE_SAVE);
    EXPECT_EQ(1, m_nPrompts);
    EXPECT_EQ(std::vector<std::string>{"Alpha"}, NamesInFile(named));
    EXPECT_EQ((std::vector<std::string>{"Alpha", "Beta"}), NamesInFile(earlier));
    EXPECT_EQ(bytes.substr(0, nSecond), m_root->ReadFile(cut));
}

TEST_F(DocumentFiles, SaveAsAddsTheExtensionToANameWithoutOneWhateverItsFoldersAreCalled) {
    const std::string folder = m_root->Path() + "/my.documents";
    ASSERT_EQ(0, mkdir(folder.c_str(), 0700));
    AnswerFileDialog(folder + "/report");
    Command(ID_FILE_SAVE_AS);
    EXPECT_EQ(folder + "/report.qrv", Doc()->GetPathName().GetString());
    EXPECT_EQ(4u, NamesInFile(folder + "/report.qrv").size());
    // A name with an extension of its own keeps it.
    AnswerFileDialog(folder + "/report.bak");
    Command(ID_FILE_SAVE_AS);
    EXPECT_EQ(folder + "/report.bak", Doc()->GetPathName().GetString());
    // A saved document's Save As starts at its own file, so Enter saves it in its own folder.
    CString offered;
    AfxSetFileDialogHook([&offered](BOOL, CString& rFileName) {
        offered = rFileName;
        return FALSE;
    });
    Command(ID_FILE_SAVE_AS);
    EXPECT_EQ(folder + "/report.bak", offered.GetString());
}

// The texts a menu item shows, as the toolkit draws them.
std::vector<std::string> ShownTexts(GtkWidget* pWidget) {
    std::vector<std::string> texts;
    if (GTK_IS_LABEL(pWidget))
        texts.emplace_back(gtk_label_get_text(GTK_LABEL(pWidget)));
    if (GTK_IS_CONTAINER(pWidget)) {
        GList* pChildren = gtk_container_get_children(GTK_CONTAINER(pWidget));
        for (GList* p = pChildren; p != nullptr; p = p->next)
            for (const std::string& text : ShownTexts(GTK_WIDGET(p->data)))
                texts.push_back(text);
        g_list_free(pChildren);
    }
    return texts;
}

TEST_F(DocumentFiles, TheFrameworkSpeaksTheProgramsLanguage) {
    Frame()->ApplyLanguage(1031);
    Settle(20);
    auto* pBar = static_cast<wxFrame*>(Frame()->GetWxWindow())->GetMenuBar();
    ASSERT_NE(nullptr, pBar);
    auto shown = [&](UINT nID) {
        Frame()->SendMessage(WM_INITMENU, reinterpret_cast<WPARAM>(Frame()->GetMenu()));
        wxMenuItem* pItem = pBar->FindItem(AfxCommandToWxId(nID));
        return pItem != nullptr ? ShownTexts(pItem->GetMenuItem()) : std::vector<std::string>{};
    };
    // The shortcut as the language file writes it, beside the label.
    EXPECT_EQ((std::vector<std::string>{"Neu", "Strg+N"}), shown(ID_FILE_NEW));
    EXPECT_EQ((std::vector<std::string>{"Speichern", "Strg+S"}), shown(ID_FILE_SAVE));

    // The file dialogs' titles and the save prompt.
    AfxSetFileDialogHook([](BOOL, CString&) { return FALSE; });
    Command(ID_FILE_SAVE_AS);
    EXPECT_EQ(CString("Speichern unter"), AfxGetLastFileDialogTitle());
    Command(ID_FILE_OPEN);
    EXPECT_EQ(CString("Datei öffnen"), AfxGetLastFileDialogTitle());
    AfxSetMessageBoxHook([](const AfxShownMessageBox&) { return IDCANCEL; });
    AfxClearShownMessageBoxes();
    Doc()->SetModifiedFlag(TRUE);
    Command(ID_FILE_NEW);
    ASSERT_EQ(1u, AfxGetShownMessageBoxes().size());
    EXPECT_NE(std::string::npos, AfxGetShownMessageBoxes()[0].text.find("Möchten Sie die Änderungen"))
        << AfxGetShownMessageBoxes()[0].text;

    // Back in English, everything follows at once.
    Frame()->ApplyLanguage(2057);
    Settle(20);
    EXPECT_EQ((std::vector<std::string>{"New", "Ctrl+N"}), shown(ID_FILE_NEW));
    AfxClearShownMessageBoxes();
    Doc()->SetModifiedFlag(TRUE);
    Command(ID_FILE_NEW);
    ASSERT_EQ(1u, AfxGetShownMessageBoxes().size());
    EXPECT_EQ(0u, AfxGetShownMessageBoxes()[0].text.find("Do you want to save changes to "));
    Doc()->SetModifiedFlag(FALSE);
    Command(ID_FILE_OPEN);
    EXPECT_EQ(CString("Open File"), AfxGetLastFileDialogTitle());
}

}  // namespace
