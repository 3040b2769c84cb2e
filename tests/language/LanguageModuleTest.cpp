// The language module: start-up order, the background loader, lookups by number and shut-down.
//
// The module and its dictionary are process-wide, so every test uses language ids of its own.
#include <atomic>
#include <thread>
#include <vector>

#include "language/LanguageSettings.h"
#include "platform/win32/Registry.h"
#include "tests/language/LanguageTestSupport.h"

using qrvtest::LanguageFileText;
using qrvtest::TraceCapture;

namespace {

// "<id>-<text id>" for every text id 1..count: each text tells which language it came from.
std::vector<std::string> NumberedTexts(LONG languageID, int count) {
    std::vector<std::string> lines;
    for (int i = 1; i <= count; ++i)
        lines.push_back(std::to_string(i) + "\t" + std::to_string(languageID) + "-" + std::to_string(i));
    return lines;
}

class LanguageModuleTest : public ::testing::Test {
protected:
    void SetUp() override {
        CloseLanguageModule();
        qrvtest::SetLanguageDirectory(m_root.Path() + "/lang");
    }
    void TearDown() override { CloseLanguageModule(); }

    void AddLanguage(const std::string& file, LONG languageID, const std::vector<std::string>& body) {
        m_root.WriteFile("lang/" + file, LanguageFileText(languageID, body));
        qrvtest::SetLanguageName(2057, languageID, "Language " + std::to_string(languageID));
    }
    // Languages first..first+count-1 in files "<prefix><n>.lng", each with its numbered texts.
    void AddNumbered(const std::string& prefix, LONG first, int count, int texts) {
        for (int i = 0; i < count; ++i)
            AddLanguage(prefix + std::to_string(i) + ".lng", first + i, NumberedTexts(first + i, texts));
    }
    // The text, or "E_FAIL" for a lookup that failed as it should: with that code and no text.
    static std::string Text(LONG textID) {
        LPSTR psz = nullptr;
        HRESULT hr = GetLanguageText(&psz, textID);
        std::string text = qrvtest::Take(psz);
        if (hr == S_OK)
            return text;
        return hr == E_FAIL && text == "<null>" ? "E_FAIL" : "hr " + std::to_string(hr) + ": " + text;
    }
    // The text in a language, made the default first.
    static std::string Text(LONG languageID, LONG textID) {
        SetDefaultLanguageID(languageID);
        return Text(textID);
    }
    // Starts the module with the preferred language loaded first.
    static HRESULT Start(LONG preferred) {
        HRESULT hr = InitLanguageModule();
        return SUCCEEDED(hr) ? LoadLanguages(preferred) : hr;
    }
    qrvtest::TempRoot m_root;
};

TEST_F(LanguageModuleTest, UseBeforeInitAndAfterCloseFailsCleanly) {
    AddLanguage("a.lng", 5001, {"1 one"});
    TraceCapture trace(0);
    LPSTR text = reinterpret_cast<LPSTR>(1);
    EXPECT_EQ(GetLanguageText(&text, 1), E_FAIL);
    EXPECT_EQ(text, nullptr);
    EXPECT_TRUE(trace.Contains("Please init module first!\n"));
    EXPECT_EQ(LoadLanguages(5001), E_FAIL);
    EXPECT_TRUE(trace.Contains("Language module not initialized!\n"));

    ASSERT_EQ(InitLanguageModule(), S_OK);
    ASSERT_EQ(Start(5001), S_OK);
    EXPECT_EQ(Text(5001, 1), "one");
    EXPECT_EQ(CloseLanguageModule(), S_OK);
    EXPECT_EQ(CloseLanguageModule(), S_OK);
    EXPECT_EQ(Text(1), "E_FAIL");
}

TEST_F(LanguageModuleTest, PreferredLanguageIsAnsweredAtOnceAndTheOthersOnceLoaded) {
    const int kLanguages = 6;
    AddNumbered("l", 5201, kLanguages, 20000);
    ASSERT_EQ(Start(5201), S_OK);
    SetDefaultLanguageID(5201);
    {
        TraceCapture trace(4);
        EXPECT_EQ(Text(7), "5201-7");
        EXPECT_FALSE(trace.Contains("Waiting for language"));
    }
    EXPECT_EQ(Text(20001), "E_FAIL");  // missing text: the caller uses its default
    // Switch to the language the loader reaches last: the lookup waits for it if need be.
    EXPECT_EQ(Text(5201 + kLanguages - 1, 19999), std::to_string(5201 + kLanguages - 1) + "-19999");
    for (int i = 0; i < kLanguages; ++i)
        EXPECT_EQ(Text(5201 + i, 1), std::to_string(5201 + i) + "-1");
}

TEST_F(LanguageModuleTest, PreferredIdWithoutFileLoadsNothingAndASecondLoadChangesNothing) {
    ASSERT_EQ(InitLanguageModule(), S_OK);
    EXPECT_EQ(LoadLanguages(5399), E_FAIL);  // no language file installed yet
    AddLanguage("a.lng", 5301, {"1 one"});
    ASSERT_EQ(LoadLanguages(5399), S_OK);
    AddLanguage("b.lng", 5302, {"1 two"});
    EXPECT_EQ(LoadLanguages(5302), S_OK);  // the loader exists: the table stays as it was
    TraceCapture trace(0);
    for (LONG id : {5399, 5302})
        EXPECT_EQ(Text(id, 1), "E_FAIL") << id;
    EXPECT_TRUE(trace.Contains("Language ID 5399 not found. Try SetDefaultLanguageID() first!\n"));
    EXPECT_EQ(Text(5301, 1), "one");
}

TEST_F(LanguageModuleTest, FailedLoadsEndTheWaitAndLeaveTheTextsOfTheFirstRowOfAnId) {
    AddLanguage("a.lng", 5601, {"1 from a"});
    AddLanguage("b.lng", 5601, {"1 from b", "broken"});
    // Passes the listing (its header is fine) but fails the text pass on its last line.
    std::vector<std::string> body = NumberedTexts(5602, 2000);
    body.push_back("bad line");
    AddLanguage("c.lng", 5602, body);
    AddLanguage("d.lng", 5603, {"1 from d"});
    ASSERT_EQ(Start(5601), S_OK);
    EXPECT_EQ(Text(5601, 1), "from a");
    EXPECT_EQ(Text(5602, 1), "E_FAIL");
    // d.lng comes after b.lng in the loader's pass: once d is there, b has been tried and failed,
    // which must not have touched the texts of a.
    EXPECT_EQ(Text(5603, 1), "from d");
    EXPECT_EQ(Text(5601, 1), "from a");
}

TEST_F(LanguageModuleTest, SetDefaultLanguageIDKeepsTheChoiceOnAFreshMachine) {
    ASSERT_EQ(SetDefaultLanguageID(1031), S_OK);
    EXPECT_EQ(GetCurrentLanguageID(), 1031);
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\Ostrany\\Quorvel", 0, KEY_READ, &key),
              ERROR_SUCCESS);
    DWORD value = 0;
    DWORD type = 0;
    DWORD size = sizeof(value);
    ASSERT_EQ(
        RegQueryValueExA(key, "CurrentLanguageID", nullptr, &type, reinterpret_cast<LPBYTE>(&value), &size),
        ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(value, 1031u);
}

TEST_F(LanguageModuleTest, CloseDuringLoadingStopsTheLoader) {
    AddNumbered("l", 5701, 8, 20000);
    for (int round = 0; round < 3; ++round) {
        ASSERT_EQ(Start(5701), S_OK);
        EXPECT_EQ(CloseLanguageModule(), S_OK);
        EXPECT_EQ(Text(1), "E_FAIL");
    }
    // A module opened again after a stop loads normally.
    ASSERT_EQ(Start(5701), S_OK);
    EXPECT_EQ(Text(5708, 20000), "5708-20000");
}

TEST_F(LanguageModuleTest, LookupsRaceTheLoaderSafely) {
    const int kLanguages = 6;
    const int kTexts = 5000;
    AddNumbered("l", 5801, kLanguages, kTexts);
    // The same languages again under other names: the loader reloads them while lookups run.
    AddNumbered("m", 5801, kLanguages, kTexts);
    ASSERT_EQ(Start(5801), S_OK);

    std::atomic<int> bad{0};
    std::atomic<int> found{0};
    std::vector<std::thread> readers;
    for (int t = 0; t < 4; ++t) {
        readers.emplace_back([&, t] {
            for (int i = 0; i < 300; ++i) {
                LONG textID = 1 + (i * 37 + t) % kTexts;
                LPSTR psz = nullptr;
                if (SUCCEEDED(GetLanguageText(&psz, textID))) {
                    if (!qrvtest::Take(psz).ends_with("-" + std::to_string(textID)))
                        ++bad;
                    ++found;
                }
            }
        });
    }
    for (int i = 0; i < 60; ++i)
        SetDefaultLanguageID(5801 + i % kLanguages);
    for (std::thread& reader : readers)
        reader.join();
    EXPECT_EQ(bad.load(), 0);
    EXPECT_GT(found.load(), 0);
    for (int i = 0; i < kLanguages; ++i)
        EXPECT_EQ(Text(5801 + i, kTexts), std::to_string(5801 + i) + "-" + std::to_string(kTexts));
}

}  // namespace
