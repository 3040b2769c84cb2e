// The language dictionary: loading languages, text lookups and the list of supported languages.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "language/LanguageDict.h"
#include "tests/language/LanguageTestSupport.h"

using qrvtest::HeapText;
using qrvtest::LanguageFileText;
using qrvtest::SetLanguageDirectory;
using qrvtest::SetLanguageName;
using qrvtest::TempRoot;
using qrvtest::TraceCapture;

namespace {

class LanguageDictTest : public ::testing::Test {
protected:
    std::string Write(const std::string& name, const std::string& content) {
        return m_root.WriteFile("lang/" + name, content);
    }
    std::string Dir() const { return m_root.Path() + "/lang"; }
    static std::string Text(CLanguageDict& dict, LONG languageID, LONG textID) {
        HeapText text(dict.GetLanguageText(languageID, textID));
        return text.Str();
    }
    struct List {
        LONG count = -1;
        CLanguageInfo* entries = nullptr;
        ~List() { delete[] entries; }
        std::string Path(LONG i) {
            LPSTR p = nullptr;
            entries[i].GetFileLocation(&p);
            HeapText t(p);
            return t.Str();
        }
        std::string Name(LONG i) {
            LPSTR p = nullptr;
            entries[i].GetLocalizedLanguageName(&p);
            HeapText t(p);
            return t.Str();
        }
    };
    TempRoot m_root;
};

TEST_F(LanguageDictTest, LoadMakesTextsAvailableByLanguageAndId) {
    std::string en = Write("en.lng", LanguageFileText(2057, {"1 One", "2 Two"}));
    std::string de = Write("de.lng", LanguageFileText(1031, {"1 Eins"}));
    CLanguageDict dict;
    ASSERT_TRUE(dict.Load(en.c_str()));
    ASSERT_TRUE(dict.Load(de.c_str()));
    EXPECT_EQ(Text(dict, 2057, 1), "One");
    EXPECT_EQ(Text(dict, 1031, 1), "Eins");
    EXPECT_EQ(Text(dict, 1031, 2), "<null>");  // missing text of a loaded language
    EXPECT_EQ(Text(dict, 1036, 1), "<null>");  // language not loaded
    EXPECT_NE(dict.GetLanguageObj(2057), nullptr);
    EXPECT_EQ(dict.GetLanguageObj(1036), nullptr);
}

TEST_F(LanguageDictTest, TheLastIdOfTheHeaderDecidesTheLanguageOfTheTexts) {
    std::string path = Write("two.lng", "; L_VER:0\n; L_ID:1031\n; L_ID:2057\n; L_ID:12x\n1 text\n");
    CLanguageDict dict;
    ASSERT_TRUE(dict.Load(path.c_str()));
    EXPECT_EQ(Text(dict, 2057, 1), "text");
    EXPECT_EQ(dict.GetLanguageObj(1031), nullptr);
}

TEST_F(LanguageDictTest, IdOnLine1AloneIsNotEnoughToLoad) {
    std::string path = Write("line1.lng", "; L_VER:0 L_ID:1031\n; comment\n1 text\n");
    TraceCapture trace(0);
    CLanguageDict dict;
    EXPECT_FALSE(dict.Load(path.c_str()));
    EXPECT_TRUE(trace.Contains("Failed to get language number from file '"));
}

TEST_F(LanguageDictTest, HeaderOnlyFileLoadsAsALanguageWithoutTexts) {
    std::string path = Write("header.lng", "; L_VER:0\n; L_ID:1031");
    CLanguageDict dict;
    ASSERT_TRUE(dict.Load(path.c_str()));
    ASSERT_NE(dict.GetLanguageObj(1031), nullptr);
    EXPECT_EQ(dict.GetLanguageObj(1031)->GetTextCount(), 0u);
}

TEST_F(LanguageDictTest, SameIdTwiceKeepsTheTextsOfTheFileLoadedLast) {
    std::string a = Write("a.lng", LanguageFileText(1031, {"1 from a", "2 only a"}));
    std::string b = Write("b.lng", LanguageFileText(1031, {"1 from b"}));
    CLanguageDict dict;
    ASSERT_TRUE(dict.Load(a.c_str()));
    ASSERT_TRUE(dict.Load(b.c_str()));
    EXPECT_EQ(Text(dict, 1031, 1), "from b");
    EXPECT_EQ(Text(dict, 1031, 2), "<null>");
}

TEST_F(LanguageDictTest, FailedReloadKeepsTheLanguageAsItWas) {
    std::string good = Write("good.lng", LanguageFileText(1031, {"1 one", "2 two"}));
    std::string bad = Write("bad.lng", LanguageFileText(1031, {"1 replaced", "oops"}));
    CLanguageDict dict;
    ASSERT_TRUE(dict.Load(good.c_str()));
    TraceCapture trace(0);
    EXPECT_FALSE(dict.Load(bad.c_str()));
    EXPECT_TRUE(trace.Contains("LoadLanguage() failed!\n"));
    EXPECT_EQ(Text(dict, 1031, 1), "one");
    EXPECT_EQ(Text(dict, 1031, 2), "two");
}

TEST_F(LanguageDictTest, RefusedFilesAreNotLoaded) {
    std::string v1 = Write("v1.lng", "; L_VER:1\n; L_ID:1031\n1 x\n");
    CLanguageDict dict;
    TraceCapture trace(1);
    EXPECT_FALSE(dict.Load(v1.c_str()));
    EXPECT_TRUE(trace.Contains("Unable to load language file due."));
    EXPECT_FALSE(dict.Load(nullptr));
    EXPECT_FALSE(dict.Load((m_root.Path() + "/missing.lng").c_str()));
    EXPECT_EQ(dict.GetLanguageObj(1031), nullptr);
}

TEST_F(LanguageDictTest, LanguageFileDirectoryComesFromTheRegistry) {
    CLanguageDict dict;
    LPSTR dir = nullptr;
    EXPECT_EQ(dict.GetLanguageFileDirectory("Quorvel", &dir), E_FAIL);  // nothing installed
    EXPECT_EQ(dir, nullptr);

    SetLanguageDirectory("/opt/quorvel/lang/");
    ASSERT_EQ(dict.GetLanguageFileDirectory("Quorvel", &dir), S_OK);
    HeapText text(dir);
    EXPECT_EQ(text.Str(), "/opt/quorvel/lang/");

    LPSTR used = text.psz;
    EXPECT_EQ(dict.GetLanguageFileDirectory("Quorvel", &used), E_INVALIDARG);
    LPSTR none = nullptr;
    EXPECT_EQ(dict.GetLanguageFileDirectory(nullptr, &none), E_INVALIDARG);
    EXPECT_EQ(dict.GetLanguageFileDirectory("", &none), E_INVALIDARG);
    EXPECT_EQ(dict.GetLanguageFileDirectory("Quorvel", nullptr), E_INVALIDARG);
    EXPECT_EQ(dict.GetLanguageFileDirectory("Other", &none), E_FAIL);
}

TEST_F(LanguageDictTest, LanguageNameIsReadInTheDisplayLanguage) {
    SetLanguageName(2057, 1031, "German");
    SetLanguageName(1031, 1031, "Deutsch");
    CLanguageDict dict;
    LPSTR name = nullptr;
    ASSERT_EQ(dict.GetLanguageName(1031, &name), S_OK);  // display language 0 reads as 2057
    HeapText english(name);
    EXPECT_EQ(english.Str(), "German");
    name = reinterpret_cast<LPSTR>(1);
    EXPECT_EQ(dict.GetLanguageName(1036, &name), E_FAIL);
    EXPECT_EQ(name, nullptr);
    EXPECT_EQ(dict.GetLanguageName(1031, nullptr), E_INVALIDARG);
}

TEST_F(LanguageDictTest, SupportedListHoldsEveryLoadableFileInNameOrder) {
    SetLanguageName(1031, 2057, "Englisch");
    SetLanguageName(1031, 1031, "Deutsch");
    Write("b_german.lng", LanguageFileText(1031, {"1 Eins"}));
    Write("A_english.LNG", LanguageFileText(2057, {"1 One"}));
    Write("c_old.lng", "; L_VER:2\n; L_ID:1031\n");
    Write("d_broken.lng", "no header\n");
    Write("readme.txt", "not a language file\n");
    Write("sub.lng/inner.lng", LanguageFileText(2057, {}));  // a directory matching the mask
    SetLanguageDirectory(Dir());

    CLanguageDict dict;
    List list;
    ASSERT_EQ(dict.GetSupportedLanguageList("Quorvel", 1031, &list.count, &list.entries, "*.lng"), S_OK);
    ASSERT_EQ(list.count, 2);
    EXPECT_EQ(list.entries[0].GetLanguageID(), 2057);
    EXPECT_EQ(list.Path(0), Dir() + "/A_english.LNG");
    EXPECT_EQ(list.Name(0), "Englisch");
    EXPECT_EQ(list.entries[1].GetLanguageID(), 1031);
    EXPECT_EQ(list.Path(1), Dir() + "/b_german.lng");
    EXPECT_EQ(list.Name(1), "Deutsch");
    EXPECT_EQ(dict.GetDisplayLanguage(), 0);
}

TEST_F(LanguageDictTest, TrailingSeparatorListsTheSameFiles) {
    SetLanguageName(2057, 2057, "English");
    Write("en.lng", LanguageFileText(2057, {}));
    CLanguageDict dict;
    for (std::string dir : {Dir(), Dir() + "/", Dir() + "\\"}) {
        List list;
        ASSERT_EQ(dict.BuildSupportedLanguageInfo(dir.c_str(), "*.lng", &list.count, &list.entries), S_OK)
            << dir;
        ASSERT_EQ(list.count, 1) << dir;
        EXPECT_EQ(list.Path(0), Dir() + "/en.lng") << dir;
    }
}

TEST_F(LanguageDictTest, SameIdInTwoFilesIsListedTwice) {
    SetLanguageName(2057, 1031, "German");
    Write("a.lng", LanguageFileText(1031, {}));
    Write("b.lng", LanguageFileText(1031, {}));
    CLanguageDict dict;
    List list;
    ASSERT_EQ(dict.BuildSupportedLanguageInfo(Dir().c_str(), nullptr, &list.count, &list.entries), S_OK);
    ASSERT_EQ(list.count, 2);
    EXPECT_EQ(list.entries[0].GetLanguageID(), 1031);
    EXPECT_EQ(list.entries[1].GetLanguageID(), 1031);
    EXPECT_EQ(list.Name(1), "German");
}

TEST_F(LanguageDictTest, LanguageWithoutANameFailsTheWholeList) {
    SetLanguageName(2057, 2057, "English");
    Write("a.lng", LanguageFileText(2057, {}));
    Write("b.lng", LanguageFileText(1036, {}));
    SetLanguageDirectory(Dir());
    CLanguageDict dict;
    List list;
    EXPECT_EQ(dict.GetSupportedLanguageList("Quorvel", 2057, &list.count, &list.entries, "*.lng"), E_FAIL);
    EXPECT_EQ(list.count, 0);
    EXPECT_EQ(list.entries, nullptr);
}

TEST_F(LanguageDictTest, DisplayLanguageIsRestoredAlsoWhenTheScanFails) {
    Write("a.lng", LanguageFileText(2057, {}));
    SetLanguageDirectory(Dir());
    CLanguageDict dict;
    List list;
    EXPECT_EQ(dict.GetSupportedLanguageList("Quorvel", 1031, &list.count, &list.entries, "*.lng"), E_FAIL);
    EXPECT_EQ(dict.GetDisplayLanguage(), 0);
}

TEST_F(LanguageDictTest, DirectoryWithoutMatchingFilesIsAFailure) {
    Write("readme.txt", "x");
    CLanguageDict dict;
    List list;
    EXPECT_EQ(dict.BuildSupportedLanguageInfo(Dir().c_str(), "*.lng", &list.count, &list.entries), E_FAIL);
    EXPECT_EQ(
        dict.BuildSupportedLanguageInfo((Dir() + "/nowhere").c_str(), "*.lng", &list.count, &list.entries),
        E_FAIL);
    EXPECT_EQ(list.count, 0);
    EXPECT_EQ(list.entries, nullptr);
}

TEST_F(LanguageDictTest, SupportedListChecksItsArguments) {
    CLanguageDict dict;
    List list;
    EXPECT_EQ(dict.GetSupportedLanguageList(nullptr, 2057, &list.count, &list.entries, "*.lng"),
              E_INVALIDARG);
    EXPECT_EQ(dict.GetSupportedLanguageList("", 2057, &list.count, &list.entries, "*.lng"), E_INVALIDARG);
    EXPECT_EQ(dict.GetSupportedLanguageList("Quorvel", 2057, &list.count, &list.entries, nullptr),
              E_INVALIDARG);
    EXPECT_EQ(dict.GetSupportedLanguageList("Quorvel", 2057, &list.count, &list.entries, ""), E_INVALIDARG);
    EXPECT_EQ(dict.GetSupportedLanguageList("Quorvel", 2057, &list.count, nullptr, "*.lng"), E_INVALIDARG);
    EXPECT_EQ(dict.BuildSupportedLanguageInfo(nullptr, "*.lng", &list.count, &list.entries), E_INVALIDARG);
    EXPECT_EQ(dict.BuildSupportedLanguageInfo("", "*.lng", &list.count, &list.entries), E_INVALIDARG);
    EXPECT_EQ(dict.BuildSupportedLanguageInfo(Dir().c_str(), "*.lng", &list.count, nullptr), E_INVALIDARG);
    // Not installed: the directory cannot be found.
    EXPECT_EQ(dict.GetSupportedLanguageList("Quorvel", 2057, &list.count, &list.entries, "*.lng"), E_FAIL);
}

TEST(LanguageInfoTest, EntryHandsOutCopiesAndReportsMissingParts) {
    CLanguageInfo info;
    LPSTR text = reinterpret_cast<LPSTR>(1);
    EXPECT_EQ(info.GetLocalizedLanguageName(&text), E_FAIL);
    EXPECT_EQ(text, nullptr);
    ASSERT_EQ(info.GetFileLocation(&text), S_OK);  // no path: an empty text, not a failure
    EXPECT_STREQ(text, "");
    std::free(text);

    ASSERT_EQ(info.Init("Deutsch", 1031), S_OK);
    EXPECT_EQ(info.GetLanguageID(), 1031);
    ASSERT_EQ(info.GetLocalizedLanguageName(&text), S_OK);
    EXPECT_STREQ(text, "Deutsch");
    std::free(text);

    EXPECT_EQ(info.Init("English", nullptr, 2057), E_INVALIDARG);
    EXPECT_EQ(info.GetLanguageID(), 0);
    EXPECT_EQ(info.Init(nullptr, 2057), E_INVALIDARG);
    ASSERT_EQ(info.Init("English", "/x/en.lng", 2057), S_OK);
    ASSERT_EQ(info.GetFileLocation(&text), S_OK);
    EXPECT_STREQ(text, "/x/en.lng");
    std::free(text);
    EXPECT_EQ(info.GetFileLocation(nullptr), E_INVALIDARG);
    EXPECT_EQ(info.GetLocalizedLanguageName(nullptr), E_INVALIDARG);
}

}  // namespace
