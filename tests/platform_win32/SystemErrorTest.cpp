// The system's error numbers reach the user as the Win32 error that means the same.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include "platform/win32/Format.h"
#include "platform/win32/SystemError.h"

namespace {

TEST(SystemError, EachErrnoMapsToTheWin32ErrorOfTheSameMeaningWithItsText) {
    const struct {
        int nErrno;
        DWORD dwError;
    } table[] = {
        {0, ERROR_SUCCESS},
        {EACCES, ERROR_ACCESS_DENIED},
        {EPERM, ERROR_ACCESS_DENIED},
        {EISDIR, ERROR_ACCESS_DENIED},
        {ENOENT, ERROR_FILE_NOT_FOUND},
        {ENOTDIR, ERROR_PATH_NOT_FOUND},
        {ENOSPC, ERROR_DISK_FULL},
        {EDQUOT, ERROR_DISK_FULL},
        {EFBIG, ERROR_FILE_TOO_LARGE},
        {EEXIST, ERROR_FILE_EXISTS},
        {ENOTEMPTY, ERROR_DIR_NOT_EMPTY},
        {EBUSY, ERROR_BUSY},
        {ETXTBSY, ERROR_SHARING_VIOLATION},
        {EWOULDBLOCK, ERROR_LOCK_VIOLATION},
        {EROFS, ERROR_WRITE_PROTECT},
        {ENAMETOOLONG, ERROR_FILENAME_EXCED_RANGE},
        {ELOOP, ERROR_CANT_RESOLVE_FILENAME},
        {EXDEV, ERROR_NOT_SAME_DEVICE},
        {EMFILE, ERROR_TOO_MANY_OPEN_FILES},
        {ENOMEM, ERROR_NOT_ENOUGH_MEMORY},
        {EIO, ERROR_IO_DEVICE},
        {EBADF, ERROR_INVALID_HANDLE},
        {EINVAL, ERROR_INVALID_PARAMETER},
        {EINTR, ERROR_OPERATION_ABORTED},
        {ENOTSUP, ERROR_NOT_SUPPORTED},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(std::strerror(row.nErrno));
        EXPECT_EQ(row.dwError, Win32ErrorFromErrno(row.nErrno));
        // The box shows the system's text for it, reached through the result code as well.
        EXPECT_NE(nullptr, GetSystemMessageText(row.dwError));
        EXPECT_NE(nullptr, GetSystemMessageText((DWORD)HRESULT_FROM_WIN32(row.dwError)));
    }
    // An errno is never read as the Win32 error of the same number: 13 is not "The data is invalid".
    EXPECT_STREQ("Access is denied.\n",
                 GetSystemMessageText((DWORD)HRESULT_FROM_WIN32(Win32ErrorFromErrno(13))));
    // A number without a counterpart gives the caller's choice.
    EXPECT_EQ((DWORD)ERROR_GEN_FAILURE, Win32ErrorFromErrno(EHWPOISON));
    EXPECT_EQ((DWORD)ERROR_WRITE_FAULT, Win32ErrorFromErrno(EHWPOISON, ERROR_WRITE_FAULT));
}

}  // namespace
