// The language dictionary: loading languages, text lookups and the list of supported languages.
#include <cstdlib>
#include <vector>

#include "language/LanguageDict.h"
#include "language/LanguageFile.h"
#include "tests/language/LanguageTestSupport.h"

using qrvtest::LanguageFileText;
using qrvtest::SetLanguageDirectory;
using qrvtest::SetLanguageName;
using qrvtest::Take;

namespace {

class LanguageDictTest : public qrvtest::LanguageFilesTest {
protected:
    static std::string Text(CLanguageDict& dict, LONG languageID, LONG textID) {
        return Take(dict.GetLanguageText(languageID, textID));
    }
    // The list as "<id>=<name>@<file name>" entries, or the failure code.
    static std::vector<std::string> Describe(HRESULT hr, LONG count, CLanguageInfo* list) {
        if (FAILED(hr) || count == 0) {
            EXPECT_EQ(list, nullptr);
            return {FAILED(hr) ? "failed" : "empty"};
        }
        std::vector<std::string> entries;
        for (LONG i = 0; i < count; ++i) {
            LPSTR name = nullptr;
            LPSTR path = nullptr;
            list[i].GetLocalizedLanguageName(&name);
            list[i].GetFileLocation(&path);
            std::string file = Take(path);
            file = file.substr(file.rfind('/') + 1);
            entries.push_back(std::to_string(list[i].GetLanguageID()) + "=" + Take(name) + "@" + file);
        }
        delete[] list;
        return entries;
    }
    std::vector<std::string> Supported(LONG display) {
        LONG count = -1;
        CLanguageInfo* list = nullptr;
        HRESULT hr = m_dict.GetSupportedLanguageList("Quorvel", display, &count, &list, "*.lng");
        return Describe(hr, count, list);
    }
    CLanguageDict m_dict;
};

TEST_F(LanguageDictTest, LoadTakesTheLastIdOfTheHeaderAndServesCopies) {
    ASSERT_TRUE(m_dict.Load(Write("; L_VER:0\n; L_ID:1031\n; L_ID:2057\n; L_ID:12x\n1 One\n").c_str()));
    EXPECT_EQ(m_dict.GetLanguageObj(1031), nullptr);
    ASSERT_TRUE(m_dict.Load(Write(LanguageFileText(1031, {"1 Eins"})).c_str()));
    EXPECT_EQ(Text(m_dict, 2057, 1), "One");
    EXPECT_EQ(Text(m_dict, 1031, 1), "Eins");
    EXPECT_EQ(Text(m_dict, 1031, 2), "<null>");
    EXPECT_EQ(Text(m_dict, 1036, 1), "<null>");
    // A file of only a header whose id ends it without a line feed is listed, but its check reads to
    // its end and the reopened file then reads nothing: it does not load. With the line feed it is
    // a language without texts.
    const std::string headerOnly = Write("; L_VER:0\n; L_ID:1036");
    EXPECT_TRUE(CLanguageFile().IsCapableToLoad(headerOnly.c_str(), nullptr));
    EXPECT_FALSE(m_dict.Load(headerOnly.c_str()));
    EXPECT_EQ(m_dict.GetLanguageObj(1036), nullptr);
    ASSERT_TRUE(m_dict.Load(Write("; L_VER:0\n; L_ID:1036\n").c_str()));
    ASSERT_NE(m_dict.GetLanguageObj(1036), nullptr);
    EXPECT_EQ(m_dict.GetLanguageObj(1036)->GetTextCount(), 0u);
}

TEST_F(LanguageDictTest, ReloadReplacesTheTextsOnlyWhenItSucceeds) {
    std::string good = Write("good.lng", LanguageFileText(1031, {"1 one", "2 two"}));
    std::string other = Write("other.lng", LanguageFileText(1031, {"1 other"}));
    std::string bad = Write("bad.lng", LanguageFileText(1031, {"1 replaced", "oops"}));
    ASSERT_TRUE(m_dict.Load(good.c_str()));
    EXPECT_FALSE(m_dict.Load(bad.c_str()));
    EXPECT_FALSE(m_dict.Load(Write("v1.lng", "; L_VER:1\n; L_ID:1031\n1 new\n").c_str()));
    EXPECT_EQ(Text(m_dict, 1031, 1), "one");
    EXPECT_EQ(Text(m_dict, 1031, 2), "two");
    ASSERT_TRUE(m_dict.Load(other.c_str()));  // the same id loaded again: its texts only
    EXPECT_EQ(Text(m_dict, 1031, 1), "other");
    EXPECT_EQ(Text(m_dict, 1031, 2), "<null>");
}

TEST_F(LanguageDictTest, DirectoryAndNamesComeFromTheRegistry) {
    LPSTR dir = nullptr;
    EXPECT_EQ(m_dict.GetLanguageFileDirectory("Quorvel", &dir), E_FAIL);  // nothing installed
    EXPECT_EQ(dir, nullptr);
    SetLanguageDirectory("/opt/quorvel/lang/");
    ASSERT_EQ(m_dict.GetLanguageFileDirectory("Quorvel", &dir), S_OK);
    EXPECT_EQ(m_dict.GetLanguageFileDirectory("Quorvel", &dir), E_INVALIDARG);  // already holds a text
    EXPECT_EQ(Take(dir), "/opt/quorvel/lang/");

    SetLanguageName(2057, 1031, "German");
    LPSTR name = nullptr;
    ASSERT_EQ(m_dict.GetLanguageName(1031, &name), S_OK);  // display language 0 reads as 2057
    LPSTR german = name;
    EXPECT_EQ(m_dict.GetLanguageName(1036, &name), E_FAIL);
    EXPECT_EQ(name, nullptr);
    EXPECT_EQ(Take(german), "German");
}

TEST_F(LanguageDictTest, SupportedListHoldsEveryLoadableFileInNameOrder) {
    SetLanguageName(1031, 2057, "Englisch");
    SetLanguageName(1031, 1031, "Deutsch");
    Write("b_german.lng", LanguageFileText(1031, {"1 Eins"}));
    Write("A_english.LNG", LanguageFileText(2057, {}));
    Write("c_same_id.lng", LanguageFileText(1031, {}));
    Write("d_old.lng", "; L_VER:2\n; L_ID:1031\n");
    Write("e_broken.lng", "no header\n");
    Write("readme.txt", "not a language file\n");
    Write("sub.lng/inner.lng", LanguageFileText(2057, {}));  // a directory matching the mask
    SetLanguageDirectory(Dir() + "/");
    EXPECT_EQ(Supported(1031),
              (std::vector<std::string>{"2057=Englisch@A_english.LNG", "1031=Deutsch@b_german.lng",
                                        "1031=Deutsch@c_same_id.lng"}));
    EXPECT_EQ(m_dict.GetDisplayLanguage(), 0);
}

TEST_F(LanguageDictTest, TrailingSeparatorListsTheSameFiles) {
    SetLanguageName(2057, 2057, "English");
    Write("en.lng", LanguageFileText(2057, {}));
    for (std::string dir : {Dir(), Dir() + "/", Dir() + "\\"}) {
        LONG count = 0;
        CLanguageInfo* list = nullptr;
        HRESULT hr = m_dict.BuildSupportedLanguageInfo(dir.c_str(), "*.lng", &count, &list);
        EXPECT_EQ(Describe(hr, count, list), std::vector<std::string>{"2057=English@en.lng"}) << dir;
    }
}

TEST_F(LanguageDictTest, ListFailsWholeWhenANameIsMissingAndRestoresTheDisplayLanguage) {
    SetLanguageName(2057, 2057, "English");
    Write("a.lng", LanguageFileText(2057, {}));
    Write("b.lng", LanguageFileText(1036, {}));
    SetLanguageDirectory(Dir());
    EXPECT_EQ(Supported(2057), std::vector<std::string>{"failed"});
    EXPECT_EQ(Supported(1031), std::vector<std::string>{"failed"});
    EXPECT_EQ(m_dict.GetDisplayLanguage(), 0);
    LONG count = 0;
    CLanguageInfo* list = nullptr;
    EXPECT_EQ(m_dict.BuildSupportedLanguageInfo((Dir() + "/none").c_str(), "*.lng", &count, &list), E_FAIL);
    EXPECT_EQ(m_dict.GetSupportedLanguageList("Quorvel", 2057, &count, &list, ""), E_INVALIDARG);
}

TEST(LanguageInfoTest, EntryHandsOutCopiesAndReportsMissingParts) {
    CLanguageInfo info;
    LPSTR text = reinterpret_cast<LPSTR>(1);
    EXPECT_EQ(info.GetLocalizedLanguageName(&text), E_FAIL);
    EXPECT_EQ(text, nullptr);
    ASSERT_EQ(info.GetFileLocation(&text), S_OK);  // no path: an empty text, not a failure
    EXPECT_STREQ(text, "");
    std::free(text);
    EXPECT_EQ(info.Init("English", nullptr, 2057), E_INVALIDARG);
    EXPECT_EQ(info.GetLanguageID(), 0);
}

}  // namespace
