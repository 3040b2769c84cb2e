// The file-backed registry on a temporary machine root.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/win32/Registry.h"
#include "tests/support/TempRoot.h"

namespace {

void SetString(HKEY key, const char* name, const std::string& value) {
    ASSERT_EQ(RegSetValueExA(key, name, 0, REG_SZ, (const BYTE*)value.c_str(), (DWORD)value.size() + 1),
              ERROR_SUCCESS);
}

HKEY Create(HKEY root, const char* path) {
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyExA(root, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                              nullptr),
              ERROR_SUCCESS);
    return key;
}

}  // namespace

TEST(Registry, StringAndDwordValuesPersistInTheHiveFile) {
    qrvtest::TempRoot root;
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

    std::string hive = root.ReadFile("registry/HKEY_LOCAL_MACHINE.reg");
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

    // The other hives are separate.
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Ostrany\\Quorvel", 0, KEY_READ, &key),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(key, nullptr);
}

TEST(Registry, QueryInfoGivesTheLongestValueForTheLanguageNameBuffer) {
    qrvtest::TempRoot root;
    HKEY key = Create(HKEY_LOCAL_MACHINE, "Software\\Ostrany\\Languages\\2057");
    SetString(key, "2057", "English");
    SetString(key, "1031", "German (Germany)");
    HKEY sub = Create(key, "Child");
    RegCloseKey(sub);
    DWORD subKeys = 0, values = 0, maxValueLen = 0, maxNameLen = 0, maxSubLen = 0;
    ASSERT_EQ(RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subKeys, &maxSubLen, nullptr, &values,
                               &maxNameLen, &maxValueLen, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(subKeys, 1u);
    EXPECT_EQ(maxSubLen, 5u);
    EXPECT_EQ(values, 2u);
    EXPECT_EQ(maxNameLen, 4u);
    EXPECT_EQ(maxValueLen, strlen("German (Germany)") + 1);
    RegCloseKey(key);
}

TEST(Registry, SmallBufferAndSizeQuery) {
    qrvtest::TempRoot root;
    HKEY key = Create(HKEY_CURRENT_USER, "Software\\Test");
    SetString(key, "Name", "0123456789");
    DWORD cb = 4;
    char buf[4];
    EXPECT_EQ(RegQueryValueExA(key, "Name", nullptr, nullptr, (LPBYTE)buf, &cb), ERROR_MORE_DATA);
    EXPECT_EQ(cb, 11u);
    cb = 0;
    EXPECT_EQ(RegQueryValueExA(key, "Name", nullptr, nullptr, nullptr, &cb), ERROR_SUCCESS);
    EXPECT_EQ(cb, 11u);
    EXPECT_EQ(RegQueryValueExA(key, "Missing", nullptr, nullptr, nullptr, &cb), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_FILE_NOT_FOUND);
    DWORD wrongSize = 1;
    EXPECT_EQ(RegSetValueExA(key, "D", 0, REG_DWORD, (const BYTE*)&wrongSize, 2), ERROR_INVALID_PARAMETER);
    RegCloseKey(key);
}

TEST(Registry, AccessRightsOfTheHandleAreEnforced) {
    qrvtest::TempRoot root;
    RegCloseKey(Create(HKEY_CURRENT_USER, "SOFTWARE\\Ostrany\\Quorvel"));
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\Ostrany\\Quorvel", 0, KEY_READ, &key),
              ERROR_SUCCESS);
    DWORD v = 1;
    EXPECT_EQ(RegSetValueExA(key, "CurrentLanguageID", 0, REG_DWORD, (const BYTE*)&v, 4),
              ERROR_ACCESS_DENIED);
    RegCloseKey(key);
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\Ostrany\\Quorvel", 0, KEY_SET_VALUE, &key),
              ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExA(key, "CurrentLanguageID", 0, REG_DWORD, (const BYTE*)&v, 4), ERROR_SUCCESS);
    RegCloseKey(key);
}

TEST(Registry, TextsWithSpecialCharactersSurviveTheFile) {
    qrvtest::TempRoot root;
    HKEY key = Create(HKEY_CLASSES_ROOT, "Outlook.Application\\CLSID");
    std::string tricky = "quote\" back\\slash\nnew line\ttab \x01 \xC3\xA9";
    SetString(key, "", tricky);  // the default value
    SetString(key, "name with \"quotes\"", "x");
    BYTE bin[] = {0, 1, 0xFE, 0xFF};
    ASSERT_EQ(RegSetValueExA(key, "Bin", 0, REG_BINARY, bin, sizeof bin), ERROR_SUCCESS);
    RegCloseKey(key);
    // Another process would read the file afresh: make sure this one does too by changing roots.
    std::string saved = root.ReadFile("registry/HKEY_CLASSES_ROOT.reg");
    {
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
}

TEST(Registry, ChangesByAnotherWriterAreSeen) {
    qrvtest::TempRoot root;
    HKEY key = Create(HKEY_LOCAL_MACHINE, "Software\\A");
    SetString(key, "V", "one");
    // Another process rewrites the hive file (an install step, an editor).
    root.WriteFile("registry/HKEY_LOCAL_MACHINE.reg", "[Software\\A]\n\"V\"=sz:\"two, longer\"\n");
    char buf[32];
    DWORD cb = sizeof buf;
    ASSERT_EQ(RegQueryValueExA(key, "V", nullptr, nullptr, (LPBYTE)buf, &cb), ERROR_SUCCESS);
    EXPECT_STREQ(buf, "two, longer");
    RegCloseKey(key);
}

TEST(Registry, DamagedHiveIsReportedAndNeverOverwritten) {
    qrvtest::TempRoot root;
    std::string damaged = "[Software\\A]\n\"V\"=sz:\"unterminated\n";
    root.WriteFile("registry/HKEY_LOCAL_MACHINE.reg", damaged);
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\A", 0, KEY_READ, &key), ERROR_BADDB);
    EXPECT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\B", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                              nullptr),
              ERROR_BADDB);
    EXPECT_EQ(root.ReadFile("registry/HKEY_LOCAL_MACHINE.reg"), damaged);
}

TEST(Registry, EnumerateAndDelete) {
    qrvtest::TempRoot root;
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
    cch = sizeof name;
    DWORD type = 0;
    ASSERT_EQ(RegEnumValueA(key, 0, name, &cch, nullptr, &type, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_STREQ(name, "x");
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

TEST(Registry, InvalidHandlesAndNames) {
    qrvtest::TempRoot root;
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
