// Environment expansion, clock readings and the program's own path.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/win32/Environment.h"
#include "platform/win32/MachineRoot.h"
#include "platform/win32/Module.h"
#include "platform/win32/SystemTime.h"
#include "tests/support/TempRoot.h"

TEST(ExpandEnvironmentStrings, ReplacesKnownNamesKeepsTheRestAndReportsTheSizeNeeded) {
    setenv("QRV_TEST_DIR", "/var/log", 1);
    unsetenv("QRV_TEST_MISSING");
    char buf[MAX_PATH];
    DWORD n = ExpandEnvironmentStringsA("%QRV_TEST_DIR%/trace.log", buf, sizeof buf);
    EXPECT_STREQ(buf, "/var/log/trace.log");
    EXPECT_EQ(n, strlen(buf) + 1);
    ExpandEnvironmentStringsA("%QRV_TEST_MISSING%/x 100% %%", buf, sizeof buf);
    EXPECT_STREQ(buf, "%QRV_TEST_MISSING%/x 100% %%");
    // Too small: the size needed, and no cut name to be used by mistake.
    setenv("QRV_TEST_LONG", std::string(300, 'x').c_str(), 1);
    std::memset(buf, 'Z', sizeof buf);
    EXPECT_EQ(ExpandEnvironmentStringsA("%QRV_TEST_LONG%", buf, sizeof buf), 301u);
    EXPECT_EQ(buf[0], '\0');
    EXPECT_EQ(ExpandEnvironmentStringsA(nullptr, buf, sizeof buf), 0u);
}

TEST(SystemTime, FileTimeRoundTripAndClockReadings) {
    SYSTEMTIME st{2024, 2, 0, 29, 13, 45, 30, 250};
    FILETIME ft;
    ASSERT_TRUE(SystemTimeToFileTime(&st, &ft));
    SYSTEMTIME back{};
    ASSERT_TRUE(FileTimeToSystemTime(&ft, &back));
    st.wDayOfWeek = 4;  // a Thursday, filled in on the way back
    EXPECT_EQ(0, std::memcmp(&st, &back, sizeof st));
    SYSTEMTIME epoch{1970, 1, 0, 1, 0, 0, 0, 0};
    ASSERT_TRUE(SystemTimeToFileTime(&epoch, &ft));
    EXPECT_EQ(((uint64_t)ft.dwHighDateTime << 32) | ft.dwLowDateTime, 116444736000000000ull);
    SYSTEMTIME bad{2023, 2, 0, 29, 0, 0, 0, 0};
    EXPECT_FALSE(SystemTimeToFileTime(&bad, &ft));
    GetLocalTime(&st);
    EXPECT_GE(st.wYear, 2020);
    EXPECT_LE(st.wHour, 23);
    DWORD a = GetTickCount();
    EXPECT_LE(a, GetTickCount());
}

TEST(MachineRoot, FollowsTheEnvironmentAndTheProgramKnowsItsOwnPath) {
    qrvtest::TempRoot root;
    EXPECT_EQ(GetMachineRoot(), root.Path());
    EXPECT_EQ(GetWindowsDirectoryPath(), root.Path() + "/windows");
    char small[4];
    EXPECT_EQ(GetWindowsDirectoryA(small, sizeof small), root.Path().size() + 9);
    char buf[MAX_PATH * 4];
    DWORD n = GetModuleFileNameA(nullptr, buf, sizeof buf);
    ASSERT_GT(n, 0u);
    std::string path(buf, n);
    EXPECT_EQ(path.rfind(GetProgramDirectory(), 0), 0u);
    EXPECT_NE(path.find("test_win32"), std::string::npos);
    char tiny[5];
    EXPECT_EQ(GetModuleFileNameA(nullptr, tiny, sizeof tiny), 5u);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(tiny[4], '\0');
}
