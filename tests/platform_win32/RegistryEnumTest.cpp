// Enumerating and changing registry values: what a caller's buffers receive, and what a handle
// without the right or on a deleted key is refused.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/win32/Registry.h"
#include "tests/support/TempRoot.h"

namespace {

constexpr LSTATUS kKeyDeleted = 1018;  // ERROR_KEY_DELETED

HKEY CreateKey(HKEY root, const char* path, REGSAM access = KEY_ALL_ACCESS) {
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyExA(root, path, 0, nullptr, 0, access, nullptr, &key, nullptr), ERROR_SUCCESS);
    return key;
}

void SetText(HKEY key, const char* name, const std::string& text) {
    ASSERT_EQ(RegSetValueExA(key, name, 0, REG_SZ, (const BYTE*)text.c_str(), (DWORD)text.size() + 1),
              ERROR_SUCCESS);
}

TEST(RegistryEnum, ValueDataIsMeasuredRefusedWhenTooBigAndCopiedWhenItFits) {
    qrvtest::TempRoot root;
    HKEY key = CreateKey(HKEY_CURRENT_USER, "Software\\EnumData");
    SetText(key, "Name", "Quorvel");
    char name[16];
    DWORD cchName = sizeof name;
    DWORD type = 0;
    // Only the size asked for: the text and its NUL.
    DWORD cb = 0;
    ASSERT_EQ(RegEnumValueA(key, 0, name, &cchName, nullptr, &type, nullptr, &cb), ERROR_SUCCESS);
    EXPECT_EQ(cb, 8u);
    EXPECT_EQ(type, (DWORD)REG_SZ);
    // One byte short: nothing written, the size needed reported.
    char data[16];
    std::memset(data, '#', sizeof data);
    cchName = sizeof name;
    cb = 7;
    EXPECT_EQ(RegEnumValueA(key, 0, name, &cchName, nullptr, nullptr, (LPBYTE)data, &cb), ERROR_MORE_DATA);
    EXPECT_EQ(cb, 8u);
    EXPECT_EQ(data[0], '#');
    // Just room enough.
    cchName = sizeof name;
    cb = 8;
    ASSERT_EQ(RegEnumValueA(key, 0, name, &cchName, nullptr, nullptr, (LPBYTE)data, &cb), ERROR_SUCCESS);
    EXPECT_STREQ(data, "Quorvel");
    EXPECT_EQ(cb, 8u);
    RegCloseKey(key);
}

TEST(RegistryEnum, NamesNeedRoomForTheirNulAndReportTheirLengthWithoutIt) {
    qrvtest::TempRoot root;
    HKEY key = CreateKey(HKEY_CURRENT_USER, "Software\\EnumNames");
    RegCloseKey(CreateKey(key, "Child"));
    SetText(key, "Value", "1");
    char name[8];
    std::memset(name, '#', sizeof name);
    DWORD cch = 5;  // "Child" without its NUL
    EXPECT_EQ(RegEnumKeyExA(key, 0, name, &cch, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);
    EXPECT_EQ(cch, 5u);
    EXPECT_EQ(name[0], '#');
    cch = 6;
    ASSERT_EQ(RegEnumKeyExA(key, 0, name, &cch, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_STREQ(name, "Child");
    EXPECT_EQ(cch, 5u);
    cch = 5;  // "Value" without its NUL
    EXPECT_EQ(RegEnumValueA(key, 0, name, &cch, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);
    cch = 6;
    ASSERT_EQ(RegEnumValueA(key, 0, name, &cch, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_STREQ(name, "Value");
    EXPECT_EQ(cch, 5u);
    RegCloseKey(key);
}

TEST(RegistryEnum, KeysHaveNoClassAndNoWriteTime) {
    qrvtest::TempRoot root;
    HKEY key = CreateKey(HKEY_CURRENT_USER, "Software\\EnumClass");
    RegCloseKey(CreateKey(key, "Child"));
    char name[16];
    DWORD cchName = sizeof name;
    char keyClass[8] = "stale";
    DWORD cchClass = sizeof keyClass;
    FILETIME written{7, 7};
    ASSERT_EQ(RegEnumKeyExA(key, 0, name, &cchName, nullptr, keyClass, &cchClass, &written), ERROR_SUCCESS);
    EXPECT_STREQ(keyClass, "");
    EXPECT_EQ(cchClass, 0u);
    EXPECT_EQ(written.dwLowDateTime, 0u);
    EXPECT_EQ(written.dwHighDateTime, 0u);
    std::strcpy(keyClass, "stale");
    cchClass = sizeof keyClass;
    written = FILETIME{7, 7};
    ASSERT_EQ(RegQueryInfoKeyA(key, keyClass, &cchClass, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                               nullptr, nullptr, &written),
              ERROR_SUCCESS);
    EXPECT_STREQ(keyClass, "");
    EXPECT_EQ(cchClass, 0u);
    EXPECT_EQ(written.dwHighDateTime, 0u);
    RegCloseKey(key);
}

TEST(RegistryEnum, ValuesAreChangedOnlyThroughAWritableHandleOnAKeyThatStillExists) {
    qrvtest::TempRoot root;
    HKEY key = CreateKey(HKEY_CURRENT_USER, "Software\\Change");
    SetText(key, "Kept", "1");
    HKEY reader = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Change", 0, KEY_READ, &reader), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValueA(reader, "Kept"), ERROR_ACCESS_DENIED);
    DWORD cb = 0;
    EXPECT_EQ(RegQueryValueExA(key, "Kept", nullptr, nullptr, nullptr, &cb), ERROR_SUCCESS);

    // Another handle deletes the key: the open handle writes nowhere and says so.
    ASSERT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Change"), ERROR_SUCCESS);
    const DWORD one = 1;
    EXPECT_EQ(RegSetValueExA(key, "New", 0, REG_DWORD, (const BYTE*)&one, 4), kKeyDeleted);
    EXPECT_EQ(GetLastError(), (DWORD)kKeyDeleted);
    EXPECT_EQ(RegDeleteValueA(key, "Kept"), kKeyDeleted);
    HKEY again = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Change", 0, KEY_READ, &again),
              ERROR_FILE_NOT_FOUND);
    RegCloseKey(reader);
    RegCloseKey(key);
}

}  // namespace
