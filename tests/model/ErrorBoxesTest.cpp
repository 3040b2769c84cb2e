// Error and message boxes: texts from the language or defaults, templates, owners and traces.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "model/ErrorBoxes.h"
#include "model/UiServices.h"
#include "platform/mapi/MAPICodes.h"
#include "platform/mapi/MAPIX.h"
#include "platform/win32/MessageBox.h"
#include "tests/model/PropTestSupport.h"
#include "tests/model/UiDoubles.h"

using proptest::TraceCapture;

namespace {

struct Box {
    HWND owner;
    std::string text;
    std::string caption;
    UINT type;
};

const char kDefaultText[] = "An error has occured. Please see log file for details.";

// Window handles of a window layer: the handle of a window object is its address plus one.
class CHandleServices : public qrvtest::FakeUiServices {
public:
    ULONG_PTR GetWindowHandle(CWnd* pWnd) override { return pWnd != nullptr ? (ULONG_PTR)pWnd + 1 : 0; }
};

class ErrorBoxesTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_previous = SetMessageBoxHandler([this](HWND owner, const char* text, const char* caption,
                                                 UINT type) {
            m_boxes.push_back({owner, text != nullptr ? text : "", caption != nullptr ? caption : "", type});
            return m_answer;
        });
    }
    void TearDown() override {
        SetMessageBoxHandler(m_previous);
        proptest::CloseTestLanguage();
    }
    void Language(const std::vector<std::string>& lines) { proptest::LoadTestLanguage(m_root, 6201, lines); }
    const Box& Last() { return m_boxes.at(m_boxes.size() - 1); }  // throws (and fails) without a box

    qrvtest::TempRoot m_root;
    MessageBoxHandler m_previous;
    std::vector<Box> m_boxes;
    int m_answer = IDOK;
};

TEST_F(ErrorBoxesTest, DefaultsServeWithoutALanguageAndBothTextsAreTraced) {
    {
        TraceCapture trace;
        ShowError(nullptr, "Caption", "Something failed.", 5001, 5002);
        ASSERT_EQ(1u, m_boxes.size());
        EXPECT_EQ("Something failed.", Last().text);
        EXPECT_EQ("Caption", Last().caption);
        EXPECT_EQ(MB_OK | MB_ICONEXCLAMATION, Last().type);
        EXPECT_EQ(nullptr, Last().owner);
        EXPECT_TRUE(trace.Contains("Caption: Caption\n"));
        EXPECT_TRUE(trace.Contains("Text   : Something failed.\n"));
    }
    Language({"5001\tLanguage caption", "5002\tLanguage text"});
    ShowError(nullptr, "Caption", "Text", 5001, 5002);
    EXPECT_EQ("Language text", Last().text);
    EXPECT_EQ("Language caption", Last().caption);
    // One text missing: its default stays.
    ShowError(nullptr, "Caption", "Text", 5001, 5003);
    EXPECT_EQ("Text", Last().text);
    EXPECT_EQ("Language caption", Last().caption);
}

TEST_F(ErrorBoxesTest, OwnerIsTheParentsWindowAndMessageBoxesAnswer) {
    CHandleServices services;
    CWnd* pParent = reinterpret_cast<CWnd*>(0x1000);
    ShowError(pParent, "C", "T", 1, 2);
    EXPECT_EQ(reinterpret_cast<HWND>(0x1001), Last().owner);
    ShowError(nullptr, "C", "T", 1, 2);
    EXPECT_EQ(nullptr, Last().owner);
    // A message box has the caller's style and answers the button pressed.
    m_answer = IDNO;
    EXPECT_EQ(IDNO, ShowMessage(pParent, "Question", "Delete?", 9001, 9002, MB_YESNO | MB_ICONQUESTION));
    EXPECT_EQ(MB_YESNO | MB_ICONQUESTION, Last().type);
    EXPECT_EQ(reinterpret_cast<HWND>(0x1001), Last().owner);
}

TEST_F(ErrorBoxesTest, TemplateIsFilledOnlyFromItsArguments) {
    ShowErrorWithArgs(nullptr, "Error", "Failed to mark element: Error code 0x%1!08lx!.", 9101, 9102,
                      E_FAIL);  // an HRESULT, as callers pass it
    EXPECT_EQ("Failed to mark element: Error code 0x80004005.", Last().text);
    ShowErrorWithArgs(nullptr, "Error", "No inserts at all.", 9101, 9102);
    EXPECT_EQ("No inserts at all.", Last().text);

    // A language file is not trusted: inserts without arguments or of another type stay as written.
    Language({"9102\tStore %1 failed (0x%2!08lx!) at %3!s! %4", "9103\tCount %1!d! of %2!s!"});
    ShowErrorWithArgs(nullptr, "Error", "unused", 9101, 9102, "Archive", (DWORD)0x8004011D);
    EXPECT_EQ("Store Archive failed (0x8004011d) at %3!s! %4", Last().text);
    ShowErrorWithArgs(nullptr, "Error", "unused", 9101, 9103, "seven", 7);
    EXPECT_EQ("Count %1!d! of %2!s!", Last().text);
}

TEST_F(ErrorBoxesTest, ResultCodeBoxes) {
    for (HRESULT hr : {MAPI_E_NOT_FOUND, E_OUTOFMEMORY, E_FAIL}) {
        ShowError(nullptr, hr);
        EXPECT_EQ(kDefaultText, Last().text) << std::hex << hr;
        EXPECT_EQ("Error", Last().caption);
    }
    EXPECT_EQ(3u, m_boxes.size());

    Language({"130\tLow resources!", "131\tNot enough memory.", "134\tFailure",
              "135\t%1|Error code: 0x%2!08lx!", "158\tNot found", "159\tThe object could not be found."});
    ShowError(nullptr, MAPI_E_NOT_FOUND);
    EXPECT_EQ("The object could not be found.", Last().text);
    EXPECT_EQ("Not found", Last().caption);
    ShowError(nullptr, E_OUTOFMEMORY);
    EXPECT_EQ("Not enough memory.", Last().text);
    EXPECT_EQ("Low resources!", Last().caption);

    ShowError(nullptr, E_INVALIDARG);
    EXPECT_EQ("Failure", Last().caption);
    const std::string text = Last().text;
    EXPECT_NE(std::string::npos, text.find("|Error code: 0x80070057")) << text;
    EXPECT_GT(text.find('|'), 0u) << "the system's text stands before the code";

    // A code the system has no text for: insert 1 is empty.
    ShowError(nullptr, (HRESULT)0x8FFF1234);
    EXPECT_EQ("|Error code: 0x8fff1234", Last().text);
}

TEST_F(ErrorBoxesTest, ShippedTextsShowLineBreaksNeverTheirEscapes) {
    for (const char* pszFile : {"English.lng", "German.lng"}) {
        SCOPED_TRACE(pszFile);
        std::ifstream in(std::string(QRV_LANGUAGE_DIR) + pszFile);
        ASSERT_TRUE(in.good());
        std::vector<std::string> lines;
        std::vector<LONG> ids;
        for (std::string line; std::getline(in, line);) {
            if (line.empty() || line[0] == ';' || line[0] < '0' || line[0] > '9')
                continue;
            lines.push_back(line);
            ids.push_back(std::stol(line));
        }
        ASSERT_GT(ids.size(), 100u);
        Language(lines);
        // Any text may reach a box as its caption or text, through each kind of box.
        for (LONG id : ids) {
            ShowError(nullptr, "Default", "Default", id, id);
            ShowErrorWithArgs(nullptr, "Default", "Default", id, id, "Archive", (DWORD)0x8004010B);
            ShowMessage(nullptr, "Default", "Default", id, id, MB_YESNO);
        }
        ShowError(nullptr, E_FAIL);
        for (const Box& box : m_boxes) {
            EXPECT_EQ(std::string::npos, box.text.find('\\')) << box.text;
            EXPECT_EQ(std::string::npos, box.caption.find('\\')) << box.caption;
        }
        const std::string strGeneral = Last().text;
        EXPECT_NE(std::string::npos, strGeneral.find("\n\n")) << strGeneral;
        EXPECT_EQ(strGeneral.size() - 10, strGeneral.rfind("0x80004005")) << strGeneral;
        m_boxes.clear();
    }
    // The escape is a line break; the defaults in the code keep theirs as written.
    ShowError(nullptr, "Duplicate name", "Default", 139, 140);
    EXPECT_EQ(
        "Der Name f\xc3\xbcr die neue Konfiguration wird bereits verwendet.\nBitte w\xc3\xa4hlen Sie einen "
        "eindeutigen Namen.",
        Last().text);
    ShowError(nullptr, "Caption", "First\\n\nsecond", 9001, 9002);
    EXPECT_EQ("First\\n\nsecond", Last().text);
}

}  // namespace

namespace {

TEST_F(ErrorBoxesTest, ASessionBoxSaysWhatIsWrongWithADamagedProfileDatabase) {
    // A profile without a password in a profile database that is not one: the system's own text
    // blames a password, so the box also says what really failed.
    ASSERT_EQ(S_OK, MAPIInitialize(nullptr));
    const std::string db = m_root.Path() + "/mapi/profiles.db";
    {
        LPPROFADMIN admin = nullptr;
        ASSERT_EQ(S_OK, MAPIAdminProfiles(0, &admin));
        EXPECT_EQ(S_OK, admin->CreateProfile("NoPassword", nullptr, 0, 0));
        admin->Release();
        std::ofstream(db, std::ios::trunc) << std::string(4096, 'x');
    }
    LPMAPISESSION session = nullptr;
    const HRESULT hr = MAPILogonEx(0, "NoPassword", nullptr, MAPI_EXPLICIT_PROFILE, &session);
    MAPIUninitialize();
    ASSERT_TRUE(FAILED(hr));
    ShowErrorWithArgs(nullptr, "Error",
                      "Failed to open MAPI session (Error code 0x%1!08lx!). May be caused by a wrong "
                      "profile password.",
                      150, 151, (ULONG)hr);
    EXPECT_EQ(Last().text,
              "Failed to open MAPI session (Error code 0x8004011b). May be caused by a wrong profile "
              "password.\n\nThe profile database \"" +
                  db + "\" is damaged or is not a profile database.");
    // A box of the result code alone says it too.
    Language({"135\t%1|Error code: 0x%2!08lx!"});
    ShowError(nullptr, hr);
    EXPECT_NE(Last().text.find("0x8004011b\n\nThe profile database \""), std::string::npos) << Last().text;
    // Another failure's box stays as it was.
    ShowErrorWithArgs(nullptr, "Error", "Code 0x%1!08lx!.", 150, 151, (ULONG)MAPI_E_CORRUPT_STORE);
    EXPECT_EQ(Last().text, "Code 0x80040600.");
}

}  // namespace
