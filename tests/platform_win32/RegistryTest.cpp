// The file-backed registry on a temporary machine root: values, buffers, enumeration, rights, hive files.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/win32/Registry.h"
#include "tests/support/TempRoot.h"

namespace {

constexpr LSTATUS kKeyDeleted = 1018;  // ERROR_KEY_DELETED

class Registry : public ::testing::Test {
protected:
    HKEY Create(HKEY root, const char* path) {
        HKEY key = nullptr;
        EXPECT_EQ(RegCreateKeyExA(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        return key;
    }
    void SetString(HKEY key, const char* name, const std::string& value) {
        ASSERT_EQ(RegSetValueExA(key, name, 0, REG_SZ, (const BYTE*)value.c_str(), (DWORD)value.size() + 1),
                  ERROR_SUCCESS);
    }
    qrvtest::TempRoot m_root;
};

TEST_F(Registry, StringAndDwordValuesPersistInTheHiveFile) {
    DWORD disposition = 0;
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Ostrany\\Quorvel", 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &key, &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, (DWORD)REG_CREATED_NEW_KEY);
    SetString(key, "LangDir", "/opt/quorvel/lang");
    DWORD id = 2057;
    ASSERT_EQ(RegSetValueExA(key, "CurrentLanguageID", 0, REG_DWORD, (const BYTE*)&id, 4), ERROR_SUCCESS);
    RegCloseKey(key);

    std::string hive = m_root.ReadFile("registry/HKEY_LOCAL_MACHINE.reg");
    EXPECT_NE(hive.find("[Software\\Ostrany\\Quorvel]"), std::string::npos);
    EXPECT_NE(hive.find("\"LangDir\"=sz:\"/opt/quorvel/lang\""), std::string::npos);
    EXPECT_NE(hive.find("\"CurrentLanguageID\"=dword:00000809"), std::string::npos);

    // Names are case-insensitive; both separators work.
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE/ostrany\\QUORVEL", 0, KEY_READ, &key),
              ERROR_SUCCESS);
    char buf[64];
    DWORD type = 0, cb = sizeof buf;
    ASSERT_EQ(RegQueryValueExA(key, "langdir", nullptr, &type, (LPBYTE)buf, &cb), ERROR_SUCCESS);
    EXPECT_EQ(type, (DWORD)REG_SZ);
    EXPECT_STREQ(buf, "/opt/quorvel/lang");
    EXPECT_EQ(cb, strlen("/opt/quorvel/lang") + 1);
    DWORD read = 0;
    cb = sizeof read;
    ASSERT_EQ(RegQueryValueExA(key, "CurrentLanguageID", nullptr, &type, (LPBYTE)&read, &cb), ERROR_SUCCESS);
    EXPECT_EQ(type, (DWORD)REG_DWORD);
    EXPECT_EQ(read, 2057u);
    RegCloseKey(key);
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Ostrany\\Quorvel", 0, KEY_READ, &key),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(key, nullptr);
}

// A caller's buffer too small for a value or a name gets nothing written and learns the size needed.
TEST_F(Registry, BuffersAreMeasuredRefusedWhenTooSmallAndFilledWhenTheyFit) {
    HKEY key = Create(HKEY_CURRENT_USER, "Software\\Test");
    RegCloseKey(Create(key, "Child"));
    SetString(key, "Value", "0123456789");
    char data[16];
    std::memset(data, '#', sizeof data);
    DWORD cb = 4;
    EXPECT_EQ(RegQueryValueExA(key, "Value", nullptr, nullptr, (LPBYTE)data, &cb), ERROR_MORE_DATA);
    EXPECT_EQ(cb, 11u);
    cb = 0;
    EXPECT_EQ(RegQueryValueExA(key, "Value", nullptr, nullptr, nullptr, &cb), ERROR_SUCCESS);
    EXPECT_EQ(cb, 11u);
    EXPECT_EQ(RegQueryValueExA(key, "Missing", nullptr, nullptr, nullptr, &cb), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_FILE_NOT_FOUND);
    DWORD wrongSize = 1;
    EXPECT_EQ(RegSetValueExA(key, "D", 0, REG_DWORD, (const BYTE*)&wrongSize, 2), ERROR_INVALID_PARAMETER);

    // Enumerated data: measured alone, one byte short, just room enough.
    char name[8];
    DWORD cch = sizeof name;
    DWORD type = 0;
    cb = 0;
    ASSERT_EQ(RegEnumValueA(key, 0, name, &cch, nullptr, &type, nullptr, &cb), ERROR_SUCCESS);
    EXPECT_EQ(cb, 11u);
    EXPECT_EQ(type, (DWORD)REG_SZ);
    cch = sizeof name;
    cb = 10;
    EXPECT_EQ(RegEnumValueA(key, 0, name, &cch, nullptr, nullptr, (LPBYTE)data, &cb), ERROR_MORE_DATA);
    EXPECT_EQ(cb, 11u);
    EXPECT_EQ(data[0], '#');
    cch = sizeof name;
    ASSERT_EQ(RegEnumValueA(key, 0, name, &cch, nullptr, nullptr, (LPBYTE)data, &cb), ERROR_SUCCESS);
    EXPECT_STREQ(data, "0123456789");

    // Names need room for their NUL and report their length without it.
    std::memset(name, '#', sizeof name);
    cch = 5;
    EXPECT_EQ(RegEnumKeyExA(key, 0, name, &cch, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);
    EXPECT_EQ(cch, 5u);
    EXPECT_EQ(name[0], '#');
    cch = 6;
    ASSERT_EQ(RegEnumKeyExA(key, 0, name, &cch, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_STREQ(name, "Child");
    EXPECT_EQ(cch, 5u);
    cch = 5;
    EXPECT_EQ(RegEnumValueA(key, 0, name, &cch, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);
    cch = 6;
    ASSERT_EQ(RegEnumValueA(key, 0, name, &cch, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_STREQ(name, "Value");
    EXPECT_EQ(cch, 5u);
    RegCloseKey(key);
}

// The language list sizes its name buffer from the longest value; keys have no class and no write
// time, and a caller's stale class buffer must not come back as if it were one.
TEST_F(Registry, QueryInfoGivesTheLongestNamesAndValuesAndNoClass) {
    HKEY key = Create(HKEY_LOCAL_MACHINE, "Software\\Ostrany\\Languages\\2057");
    SetString(key, "2057", "English");
    SetString(key, "1031", "German (Germany)");
    RegCloseKey(Create(key, "Child"));
    DWORD subKeys = 0, values = 0, maxValueLen = 0, maxNameLen = 0, maxSubLen = 0;
    char keyClass[8] = "stale";
    DWORD cchClass = sizeof keyClass;
    FILETIME written{7, 7};
    ASSERT_EQ(RegQueryInfoKeyA(key, keyClass, &cchClass, nullptr, &subKeys, &maxSubLen, nullptr, &values,
                               &maxNameLen, &maxValueLen, nullptr, &written),
              ERROR_SUCCESS);
    EXPECT_EQ(subKeys, 1u);
    EXPECT_EQ(maxSubLen, 5u);
    EXPECT_EQ(values, 2u);
    EXPECT_EQ(maxNameLen, 4u);
    EXPECT_EQ(maxValueLen, strlen("German (Germany)") + 1);
    EXPECT_STREQ(keyClass, "");
    EXPECT_EQ(cchClass, 0u);
    EXPECT_EQ(written.dwHighDateTime, 0u);
    char name[16];
    DWORD cchName = sizeof name;
    std::strcpy(keyClass, "stale");
    cchClass = sizeof keyClass;
    written = FILETIME{7, 7};
    ASSERT_EQ(RegEnumKeyExA(key, 0, name, &cchName, nullptr, keyClass, &cchClass, &written), ERROR_SUCCESS);
    EXPECT_STREQ(keyClass, "");
    EXPECT_EQ(cchClass, 0u);
    EXPECT_EQ(written.dwLowDateTime, 0u);
    EXPECT_EQ(written.dwHighDateTime, 0u);
    RegCloseKey(key);
}

TEST_F(Registry, ValuesChangeOnlyThroughAWritableHandleOnAKeyThatStillExists) {
    RegCloseKey(Create(HKEY_CURRENT_USER, "SOFTWARE\\Ostrany\\Quorvel"));
    HKEY reader = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\Ostrany\\Quorvel", 0, KEY_READ, &reader),
              ERROR_SUCCESS);
    DWORD v = 1;
    EXPECT_EQ(RegSetValueExA(reader, "CurrentLanguageID", 0, REG_DWORD, (const BYTE*)&v, 4),
              ERROR_ACCESS_DENIED);
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\Ostrany\\Quorvel", 0, KEY_SET_VALUE, &key),
              ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExA(key, "CurrentLanguageID", 0, REG_DWORD, (const BYTE*)&v, 4), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValueA(reader, "CurrentLanguageID"), ERROR_ACCESS_DENIED);

    // Another handle deletes the key: the open handle writes nowhere and says so.
    ASSERT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "SOFTWARE\\Ostrany\\Quorvel"), ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExA(key, "New", 0, REG_DWORD, (const BYTE*)&v, 4), kKeyDeleted);
    EXPECT_EQ(GetLastError(), (DWORD)kKeyDeleted);
    EXPECT_EQ(RegDeleteValueA(key, "CurrentLanguageID"), kKeyDeleted);
    HKEY again = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\Ostrany\\Quorvel", 0, KEY_READ, &again),
              ERROR_FILE_NOT_FOUND);
    RegCloseKey(reader);
    RegCloseKey(key);
}

TEST_F(Registry, TextsWithSpecialCharactersSurviveTheFile) {
    HKEY key = Create(HKEY_CLASSES_ROOT, "Outlook.Application\\CLSID");
    std::string tricky = "quote\" back\\slash\nnew line\ttab \x01 \xC3\xA9";
    SetString(key, "", tricky);  // the default value
    SetString(key, "name with \"quotes\"", "x");
    BYTE bin[] = {0, 1, 0xFE, 0xFF};
    ASSERT_EQ(RegSetValueExA(key, "Bin", 0, REG_BINARY, bin, sizeof bin), ERROR_SUCCESS);
    RegCloseKey(key);
    // Another process would read the file afresh: make sure this one does too by changing roots.
    std::string saved = m_root.ReadFile("registry/HKEY_CLASSES_ROOT.reg");
    qrvtest::TempRoot other;
    other.WriteFile("registry/HKEY_CLASSES_ROOT.reg", saved);
    ASSERT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, "outlook.application\\clsid", 0, KEY_READ, &key),
              ERROR_SUCCESS);
    char buf[128];
    DWORD cb = sizeof buf;
    ASSERT_EQ(RegQueryValueExA(key, nullptr, nullptr, nullptr, (LPBYTE)buf, &cb), ERROR_SUCCESS);
    EXPECT_EQ(std::string(buf), tricky);
    BYTE back[8];
    DWORD type = 0;
    cb = sizeof back;
    ASSERT_EQ(RegQueryValueExA(key, "bin", nullptr, &type, back, &cb), ERROR_SUCCESS);
    EXPECT_EQ(type, (DWORD)REG_BINARY);
    ASSERT_EQ(cb, 4u);
    EXPECT_EQ(std::memcmp(back, bin, 4), 0);
    cb = sizeof buf;
    EXPECT_EQ(RegQueryValueExA(key, "NAME WITH \"QUOTES\"", nullptr, nullptr, (LPBYTE)buf, &cb),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

// Another process rewrites the hive file (an install step, an editor): its changes are seen, and a
// file it left damaged is reported and never overwritten.
TEST_F(Registry, HiveFilesWrittenByOthersAreReadAgainAndDamagedOnesKept) {
    HKEY key = Create(HKEY_LOCAL_MACHINE, "Software\\A");
    SetString(key, "V", "one");
    m_root.WriteFile("registry/HKEY_LOCAL_MACHINE.reg", "[Software\\A]\n\"V\"=sz:\"two, longer\"\n");
    char buf[32];
    DWORD cb = sizeof buf;
    ASSERT_EQ(RegQueryValueExA(key, "V", nullptr, nullptr, (LPBYTE)buf, &cb), ERROR_SUCCESS);
    EXPECT_STREQ(buf, "two, longer");
    RegCloseKey(key);

    std::string damaged = "[Software\\A]\n\"V\"=sz:\"unterminated\n";
    m_root.WriteFile("registry/HKEY_LOCAL_MACHINE.reg", damaged);
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\A", 0, KEY_READ, &key), ERROR_BADDB);
    EXPECT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\B", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                              nullptr),
              ERROR_BADDB);
    EXPECT_EQ(m_root.ReadFile("registry/HKEY_LOCAL_MACHINE.reg"), damaged);
}

// Keys nest no deeper than Windows lets them: a hive line deeper than that, or one whose key name
// holds a NUL, is a damaged line; the deepest key allowed is written and read back.
TEST_F(Registry, KeysTooDeepOrNamedWithANulMakeAHiveDamagedAndTheDeepestAllowedReadsBack) {
    std::string deep;
    for (int i = 0; i < 200000; ++i)
        deep += i ? "\\k" : "k";
    const char nul[] = "[Software\\A\0B]\n\"V\"=sz:\"x\"\n";
    const std::string lines[] = {"[" + deep + "]\n\"V\"=sz:\"x\"\n", std::string(nul, sizeof nul - 1)};
    HKEY key = nullptr;
    for (const std::string& damaged : lines) {
        m_root.WriteFile("registry/HKEY_LOCAL_MACHINE.reg", damaged);
        EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\A", 0, KEY_READ, &key), ERROR_BADDB);
        EXPECT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                  &key, nullptr),
                  ERROR_BADDB);
        EXPECT_EQ(m_root.ReadFile("registry/HKEY_LOCAL_MACHINE.reg"), damaged);
    }

    std::string path = "k";
    for (int i = 1; i < 511; ++i)
        path += "\\k";
    HKEY parent = Create(HKEY_CURRENT_USER, path.c_str());
    HKEY deepest = Create(parent, "last");
    SetString(deepest, "V", "deep");
    EXPECT_EQ(RegCreateKeyExA(deepest, "below", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, (path + "\\a\\b").c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &key, nullptr),
              ERROR_INVALID_PARAMETER);
    RegCloseKey(deepest);
    RegCloseKey(parent);
    // Read back from the file as another process would.
    const std::string hive = m_root.ReadFile("registry/HKEY_CURRENT_USER.reg");
    m_root.WriteFile("registry/HKEY_CURRENT_USER.reg", hive + "\n");
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, (path + "\\last").c_str(), 0, KEY_READ, &key), ERROR_SUCCESS);
    char buf[16];
    DWORD cb = sizeof buf;
    EXPECT_EQ(RegQueryValueExA(key, "V", nullptr, nullptr, (LPBYTE)buf, &cb), ERROR_SUCCESS);
    EXPECT_STREQ(buf, "deep");
    RegCloseKey(key);
}

TEST_F(Registry, EnumerateInNameOrderAndDelete) {
    HKEY key = Create(HKEY_CURRENT_USER, "Software\\Enum");
    RegCloseKey(Create(key, "beta"));
    RegCloseKey(Create(key, "Alpha"));
    SetString(key, "x", "1");
    char name[32];
    DWORD cch = sizeof name;
    ASSERT_EQ(RegEnumKeyExA(key, 0, name, &cch, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_STREQ(name, "Alpha");
    cch = sizeof name;
    ASSERT_EQ(RegEnumKeyExA(key, 1, name, &cch, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_STREQ(name, "beta");
    cch = sizeof name;
    EXPECT_EQ(RegEnumKeyExA(key, 2, name, &cch, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);
    // A key with sub keys is not deleted.
    EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Enum"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteKeyA(key, "ALPHA"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValueA(key, "X"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValueA(key, "X"), ERROR_FILE_NOT_FOUND);
    DWORD subKeys = 9, values = 9;
    RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, &values, nullptr, nullptr,
                     nullptr, nullptr);
    EXPECT_EQ(subKeys, 1u);
    EXPECT_EQ(values, 0u);
    RegCloseKey(key);
}

TEST_F(Registry, InvalidHandlesAndNames) {
    HKEY key = Create(HKEY_CURRENT_USER, "Software\\X");
    ASSERT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);
    DWORD cb = 0;
    EXPECT_EQ(RegQueryValueExA(key, "a", nullptr, nullptr, nullptr, &cb), ERROR_INVALID_HANDLE);
    HKEY other = nullptr;
    EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\bad]name", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &other, nullptr),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\X", 0, KEY_READ, nullptr), ERROR_INVALID_PARAMETER);
}

}  // namespace
