// FormatMessage: numbered inserts, system texts, buffer handling.
#include <gtest/gtest.h>

#include "platform/mapi/MAPICodes.h"
#include "platform/win32/Format.h"
#include "platform/win32/Memory.h"

TEST(FormatMessage, InsertsInAnyOrderBadInsertsStayLiteralAndCallerBuffersAreKept) {
    EXPECT_EQ(FormatMessageString("%2 before %1", "one", "two"), "two before one");
    EXPECT_EQ(FormatMessageString("%1%n%2!d!", "a", 5), "a\n5");
    EXPECT_EQ(FormatMessageString("100%% sure%0 not shown"), "100% sure");
    EXPECT_EQ(FormatMessageString("%1!04lx!-%1!d!", 255), "00ff-255");
    // An insert past the arguments, a directive that does not fit, an unclosed directive.
    EXPECT_EQ(FormatMessageString("Error code 0x%1!08lx!"), "Error code 0x%1!08lx!");
    EXPECT_EQ(FormatMessageString("%1!08lx! and %2", "text"), "%1!08lx! and %2");
    EXPECT_EQ(FormatMessageString("%1!d", 5), "%1!d");
    EXPECT_EQ(FormatMessageString("%1!d%s!", 5), "%1!d%s!");
    EXPECT_EQ(FormatMessageString("%1!n!", 5), "%1!n!");
    EXPECT_EQ(FormatMessageString("trailing %"), "trailing %");
    FormatArg args[] = {FormatArg(42)};
    char buf[8];
    EXPECT_EQ(FormatMessageA(FORMAT_MESSAGE_FROM_STRING, "n=%1!d!", 0, 0, buf, sizeof buf, args, 1), 4u);
    EXPECT_STREQ(buf, "n=42");
    SetLastError(0);
    EXPECT_EQ(FormatMessageA(FORMAT_MESSAGE_FROM_STRING, "far too long", 0, 0, buf, sizeof buf), 0u);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INSUFFICIENT_BUFFER);
    // Inserts ignored: the template as it stands.
    EXPECT_EQ(FormatMessageA(FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_IGNORE_INSERTS, "%1 x", 0, 0, buf,
                             sizeof buf, args, 1),
              4u);
    EXPECT_STREQ(buf, "%1 x");
}

TEST(FormatMessage, ErrorTextTemplateWithSystemText) {
    // The error box's general case: insert 1 the system's text, insert 2 the code.
    char* sys = nullptr;
    ASSERT_GT(FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM, nullptr,
                             (DWORD)MAPI_E_LOGON_FAILED, 2057, (LPSTR)&sys, 0),
              0u);
    FormatArg args[] = {FormatArg((const char*)sys), FormatArg((HRESULT)MAPI_E_LOGON_FAILED)};
    char* full = nullptr;
    DWORD n = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_ARGUMENT_ARRAY,
        "%1(0x%2!08lx!)", 0, 0, (LPSTR)&full, 0, args, 2);
    ASSERT_NE(full, nullptr);
    EXPECT_STREQ(full, "The logon failed.\n(0x80040111)");
    EXPECT_EQ(n, strlen(full));
    LocalFree(full);
    LocalFree(sys);
}

TEST(FormatMessage, SystemTextsForTheCodesTheProgramShowsAndUnknownCodesFail) {
    for (HRESULT hr : {E_FAIL, E_INVALIDARG, E_OUTOFMEMORY, E_UNEXPECTED, E_NOTIMPL, E_ACCESSDENIED,
                       E_NOINTERFACE, MAPI_E_NOT_FOUND, MAPI_E_LOGON_FAILED, MAPI_E_FAILONEPROVIDER,
                       MAPI_E_USER_CANCEL, MAPI_E_NO_SUPPORT, MAPI_E_CORRUPT_STORE, MAPI_E_AMBIGUOUS_RECIP,
                       MAPI_E_CALL_FAILED, MAPI_E_NOT_ENOUGH_MEMORY, MAPI_W_ERRORS_RETURNED}) {
        SCOPED_TRACE(testing::Message() << std::hex << (uint32_t)hr);
        const char* text = GetSystemMessageText((DWORD)hr);
        ASSERT_NE(text, nullptr);
        EXPECT_GT(strlen(text), 3u);
    }
    EXPECT_STREQ(GetSystemMessageText((DWORD)E_FAIL), "Unspecified error\n");
    // A Win32 code wrapped as a result code has the Win32 code's text.
    EXPECT_STREQ(GetSystemMessageText((DWORD)HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)),
                 GetSystemMessageText(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(GetSystemMessageText(0x8004FFFFu), nullptr);
    char* text = reinterpret_cast<char*>(1);
    SetLastError(0);
    EXPECT_EQ(FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM, nullptr,
                             0x8004FFFFu, 0, (LPSTR)&text, 0),
              0u);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_MR_MID_NOT_FOUND);
}
