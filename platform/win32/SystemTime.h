// Clock readings: local and UTC calendar time, the tick count, FILETIME conversions.
#pragma once

#include "platform/win32/WinTypes.h"

void GetLocalTime(SYSTEMTIME* st);
void GetSystemTime(SYSTEMTIME* st);
void GetSystemTimeAsFileTime(FILETIME* ft);
// Milliseconds since an arbitrary start, monotonic, wrapping at 2^32.
DWORD GetTickCount();
BOOL SystemTimeToFileTime(const SYSTEMTIME* st, FILETIME* ft);
BOOL FileTimeToSystemTime(const FILETIME* ft, SYSTEMTIME* st);
