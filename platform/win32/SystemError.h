// The system's error numbers (errno) as the Win32 error codes the program reports and shows.
#pragma once

#include "platform/win32/WinTypes.h"

// Win32 error codes that only the translation from errno produces.
#define ERROR_TOO_MANY_OPEN_FILES 4L
#define ERROR_NOT_SAME_DEVICE 17L
#define ERROR_WRITE_PROTECT 19L
#define ERROR_WRITE_FAULT 29L
#define ERROR_GEN_FAILURE 31L
#define ERROR_LOCK_VIOLATION 33L
#define ERROR_NOT_SUPPORTED 50L
#define ERROR_DISK_FULL 112L
#define ERROR_DIR_NOT_EMPTY 145L
#define ERROR_BUSY 170L
#define ERROR_FILENAME_EXCED_RANGE 206L
#define ERROR_FILE_TOO_LARGE 223L
#define ERROR_OPERATION_ABORTED 995L
#define ERROR_IO_DEVICE 1117L
#define ERROR_CANT_RESOLVE_FILENAME 1921L

// The Win32 error that means what nErrno means: access denied for EACCES, disk full for ENOSPC,
// and so on. 0 gives ERROR_SUCCESS; a number without a counterpart gives dwUnknown.
DWORD Win32ErrorFromErrno(int nErrno, DWORD dwUnknown = ERROR_GEN_FAILURE);
