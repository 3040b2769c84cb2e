// The language files shipped with the program, installed as the install step does, answer every
// text number the program asks for, in both languages.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "language/LanguageDict.h"
#include "language/LanguageSettings.h"
#include "platform/win32/Registry.h"
#include "tests/language/LanguageTestSupport.h"
#include "tools/install/Install.h"

using qrvtest::HeapText;
using qrvtest::TempRoot;

namespace {

struct TextID {
    LONG id;
    std::string name;
};

std::vector<TextID> ReadTextIDs() {
    std::vector<TextID> ids;
    std::ifstream in(QRV_TEXT_IDS_FILE);
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream fields(line);
        TextID entry{0, ""};
        fields >> entry.id >> entry.name;
        ids.push_back(entry);
    }
    return ids;
}

class ShippedLanguagesTest : public ::testing::Test {
protected:
    void SetUp() override { CloseLanguageModule(); }
    void TearDown() override { CloseLanguageModule(); }
    TempRoot m_root;
};

TEST_F(ShippedLanguagesTest, InstalledLanguagesAnswerEveryTextOfTheProgram) {
    std::vector<TextID> ids = ReadTextIDs();
    ASSERT_GT(ids.size(), 150u);

    std::string error;
    ASSERT_EQ(RunInstall(QRV_LANGUAGE_DIR, error), S_OK) << error;

    ASSERT_EQ(InitLanguageModule(), S_OK);
    ASSERT_EQ(LoadLanguages(2057), S_OK);
    for (LONG language : {2057, 1031}) {
        SetDefaultLanguageID(language);
        for (const TextID& entry : ids) {
            LPSTR psz = nullptr;
            EXPECT_EQ(GetLanguageText(&psz, entry.id), S_OK)
                << "language " << language << ", text " << entry.id;
            HeapText text(psz);
            EXPECT_NE(text.Str(), "<null>");
        }
    }
    // The selection dialog lists both, named in the display language.
    CLanguageDict dict;
    LONG count = 0;
    CLanguageInfo* list = nullptr;
    ASSERT_EQ(dict.GetSupportedLanguageList("Quorvel", 1031, &count, &list, "*.lng"), S_OK);
    ASSERT_EQ(count, 2);
    LPSTR name = nullptr;
    ASSERT_EQ(list[1].GetLocalizedLanguageName(&name), S_OK);
    HeapText german(name);
    EXPECT_EQ(list[1].GetLanguageID(), 1031);
    EXPECT_EQ(german.Str(), "Deutsch");
    delete[] list;

    // Spot checks that the numbers carry the right texts.
    SetDefaultLanguageID(2057);
    LPSTR psz = nullptr;
    ASSERT_EQ(GetLanguageText(&psz, 113), S_OK);
    HeapText noSubject(psz);
    EXPECT_EQ(noSubject.Str(), "<no subject>");
    SetDefaultLanguageID(1031);
    ASSERT_EQ(GetLanguageText(&psz, 99), S_OK);
    HeapText results(psz);
    EXPECT_EQ(results.Str(), "Such-Ergebnis");
}

TEST_F(ShippedLanguagesTest, InstallRefusesADirectoryWithoutLanguageFiles) {
    std::string error;
    EXPECT_EQ(RunInstall(m_root.Path() + "/empty/", error), E_FAIL);
    EXPECT_NE(error.find("no language files"), std::string::npos) << error;
    HKEY key = nullptr;
    EXPECT_NE(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Ostrany\\Quorvel", 0, KEY_READ, &key),
              ERROR_SUCCESS);
}

}  // namespace
