// The last-error value belongs to the thread that set it.
#include <gtest/gtest.h>

#include <thread>

#include "platform/win32/WinTypes.h"

TEST(LastError, IsPerThread) {
    SetLastError(ERROR_ACCESS_DENIED);
    DWORD seenByOther = 1;
    std::thread t([&] { seenByOther = GetLastError(); });
    t.join();
    EXPECT_EQ(seenByOther, (DWORD)ERROR_SUCCESS);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_ACCESS_DENIED);
}

TEST(ResultCodes, MacrosMatchTheirDefinitions) {
    EXPECT_TRUE(FAILED(E_FAIL));
    EXPECT_TRUE(SUCCEEDED(S_FALSE));
    EXPECT_EQ((uint32_t)HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED), 0x80070005u);
    EXPECT_EQ(HRESULT_FROM_WIN32(0), S_OK);
    EXPECT_EQ(sizeof(WCHAR), 2u);
    EXPECT_EQ(sizeof(LONG), 4u);
}
