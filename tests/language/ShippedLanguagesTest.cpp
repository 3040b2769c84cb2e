// The language files shipped with the program, installed as the install step does, answer every
// text number the program asks for, in both languages.
#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <vector>

#include "language/LanguageDict.h"
#include "language/LanguageSettings.h"
#include "platform/win32/Registry.h"
#include "tests/language/LanguageTestSupport.h"
#include "tests/support/FailingFlush.h"
#include "tools/install/Install.h"

using qrvtest::Take;

namespace {

// The numbers of the text id list; each line holds a number and the name the code uses for it.
std::vector<LONG> ReadTextIDs() {
    std::vector<LONG> ids;
    std::ifstream in(QRV_TEXT_IDS_FILE);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line[0] != '#')
            ids.push_back(std::stol(line));
    }
    return ids;
}

std::string Text(LONG textID) {
    LPSTR psz = nullptr;
    EXPECT_EQ(GetLanguageText(&psz, textID), S_OK) << "text " << textID;
    return Take(psz);
}

class ShippedLanguagesTest : public ::testing::Test {
protected:
    void SetUp() override { CloseLanguageModule(); }
    void TearDown() override { CloseLanguageModule(); }
    qrvtest::TempRoot m_root;
};

TEST_F(ShippedLanguagesTest, InstalledLanguagesAnswerEveryTextOfTheProgram) {
    std::vector<LONG> ids = ReadTextIDs();
    ASSERT_GT(ids.size(), 150u);

    std::string error;
    ASSERT_EQ(RunInstall(QRV_LANGUAGE_DIR, error), S_OK) << error;

    ASSERT_EQ(InitLanguageModule(), S_OK);
    ASSERT_EQ(LoadLanguages(2057), S_OK);
    for (LONG language : {2057, 1031}) {
        SCOPED_TRACE(language);
        SetDefaultLanguageID(language);
        for (LONG id : ids)
            EXPECT_NE(Text(id), "<null>");
    }
    // The selection dialog lists both, named in the display language.
    CLanguageDict dict;
    LONG count = 0;
    CLanguageInfo* list = nullptr;
    ASSERT_EQ(dict.GetSupportedLanguageList("Quorvel", 1031, &count, &list, "*.lng"), S_OK);
    ASSERT_EQ(count, 2);
    LPSTR name = nullptr;
    EXPECT_EQ(list[1].GetLocalizedLanguageName(&name), S_OK);
    EXPECT_EQ(list[1].GetLanguageID(), 1031);
    EXPECT_EQ(Take(name), "Deutsch");
    delete[] list;

    // Spot checks that the numbers carry the right texts.
    SetDefaultLanguageID(2057);
    EXPECT_EQ(Text(113), "<no subject>");
    SetDefaultLanguageID(1031);
    EXPECT_EQ(Text(99), "Such-Ergebnis");
}

TEST_F(ShippedLanguagesTest, InstallStartsTheUserInTheDefaultLanguageButKeepsAChosenOne) {
    auto stored = [] {
        HKEY key = nullptr;
        DWORD value = 0, type = 0, cb = sizeof value;
        EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\Ostrany\\Quorvel", 0, KEY_READ, &key),
                  ERROR_SUCCESS);
        EXPECT_EQ(RegQueryValueExA(key, "CurrentLanguageID", nullptr, &type, (LPBYTE)&value, &cb),
                  ERROR_SUCCESS);
        EXPECT_EQ(type, (DWORD)REG_DWORD);
        RegCloseKey(key);
        return value;
    };
    std::string error;
    ASSERT_EQ(RunInstall(QRV_LANGUAGE_DIR, error), S_OK) << error;
    EXPECT_EQ(stored(), 2057u);
    ASSERT_EQ(InitLanguageModule(), S_OK);
    SetDefaultLanguageID(1031);
    ASSERT_EQ(RunInstall(QRV_LANGUAGE_DIR, error), S_OK) << error;
    EXPECT_EQ(stored(), 1031u);
}

TEST_F(ShippedLanguagesTest, InstallRefusesADirectoryWithoutLanguageFiles) {
    std::string error;
    EXPECT_EQ(RunInstall(m_root.Path() + "/empty/", error), E_FAIL);
    EXPECT_NE(error.find("no language files"), std::string::npos) << error;
    HKEY key = nullptr;
    EXPECT_NE(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Ostrany\\Quorvel", 0, KEY_READ, &key),
              ERROR_SUCCESS);
}

TEST_F(ShippedLanguagesTest, InstallThatCannotWriteNamesTheFileAndTheReason) {
    // The machine root named by a file: every folder below it is out of reach.
    const std::string file = m_root.WriteFile("root-file", "x");
    ASSERT_EQ(::setenv("QUORVEL_ROOT", file.c_str(), 1), 0);
    std::string error;
    const HRESULT hr = RunInstall(QRV_LANGUAGE_DIR, error);
    ASSERT_EQ(::setenv("QUORVEL_ROOT", m_root.Path().c_str(), 1), 0);
    EXPECT_EQ(hr, E_FAIL);
    EXPECT_EQ(error, "languages: cannot write HKLM\\Software\\Ostrany\\Quorvel\\LangDir: " + file +
                         "/registry: Not a directory (error 1013)");

    // The user's language written but not flushed to disk is not installed.
    {
        qrvtest::FailingFlush failing(S_IFDIR, EIO, "HKEY_CURRENT_USER");
        EXPECT_EQ(RunInstall(QRV_LANGUAGE_DIR, error), E_FAIL);
    }
    EXPECT_EQ(0u, error.find("languages: cannot write HKCU\\SOFTWARE\\Ostrany\\Quorvel\\CurrentLanguageID: " +
                             m_root.Path() + "/registry/HKEY_CURRENT_USER.reg"))
        << error;

    // A damaged hive is named as such: it is never overwritten.
    m_root.WriteFile("registry/HKEY_LOCAL_MACHINE.reg", "not a hive\n[\n");
    EXPECT_EQ(RunInstall(QRV_LANGUAGE_DIR, error), E_FAIL);
    EXPECT_NE(error.find(m_root.Path() + "/registry/HKEY_LOCAL_MACHINE.reg: the file is damaged"),
              std::string::npos)
        << error;
}

}  // namespace
