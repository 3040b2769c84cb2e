// Clock readings and FILETIME conversions.
#include "platform/win32/SystemTime.h"

#include <chrono>
#include <ctime>

namespace {

// 100-ns intervals between 1601-01-01 and 1970-01-01.
constexpr uint64_t kEpochDelta = 116444736000000000ull;

void FromTm(const std::tm& tm, long millis, SYSTEMTIME* st) {
    st->wYear = (WORD)(tm.tm_year + 1900);
    st->wMonth = (WORD)(tm.tm_mon + 1);
    st->wDayOfWeek = (WORD)tm.tm_wday;
    st->wDay = (WORD)tm.tm_mday;
    st->wHour = (WORD)tm.tm_hour;
    st->wMinute = (WORD)tm.tm_min;
    st->wSecond = (WORD)tm.tm_sec;
    st->wMilliseconds = (WORD)millis;
}

void Now(bool local, SYSTEMTIME* st) {
    if (!st)
        return;
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    std::tm tm{};
    time_t secs = ts.tv_sec;
    if (local)
        localtime_r(&secs, &tm);
    else
        gmtime_r(&secs, &tm);
    FromTm(tm, ts.tv_nsec / 1000000, st);
}

}  // namespace

void GetLocalTime(SYSTEMTIME* st) {
    Now(true, st);
}

void GetSystemTime(SYSTEMTIME* st) {
    Now(false, st);
}

void GetSystemTimeAsFileTime(FILETIME* ft) {
    if (!ft)
        return;
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    uint64_t v = (uint64_t)ts.tv_sec * 10000000ull + (uint64_t)ts.tv_nsec / 100 + kEpochDelta;
    ft->dwLowDateTime = (DWORD)v;
    ft->dwHighDateTime = (DWORD)(v >> 32);
}

DWORD GetTickCount() {
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now().time_since_epoch());
    return (DWORD)ms.count();
}

BOOL SystemTimeToFileTime(const SYSTEMTIME* st, FILETIME* ft) {
    if (!st || !ft || st->wMonth < 1 || st->wMonth > 12 || st->wDay < 1 || st->wDay > 31 || st->wHour > 23 ||
        st->wMinute > 59 || st->wSecond > 59 || st->wMilliseconds > 999 || st->wYear < 1601 ||
        st->wYear > 30827) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    using namespace std::chrono;
    year_month_day ymd{year{st->wYear}, month{st->wMonth}, day{st->wDay}};
    if (!ymd.ok()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    int64_t days = sys_days(ymd).time_since_epoch().count();
    int64_t secs = days * 86400 + st->wHour * 3600 + st->wMinute * 60 + st->wSecond;
    int64_t v = secs * 10000000 + (int64_t)st->wMilliseconds * 10000 + (int64_t)kEpochDelta;
    ft->dwLowDateTime = (DWORD)(uint64_t)v;
    ft->dwHighDateTime = (DWORD)((uint64_t)v >> 32);
    return TRUE;
}

BOOL FileTimeToSystemTime(const FILETIME* ft, SYSTEMTIME* st) {
    if (!ft || !st) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    uint64_t v = ((uint64_t)ft->dwHighDateTime << 32) | ft->dwLowDateTime;
    if (v >= 0x8000000000000000ull) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    using namespace std::chrono;
    int64_t rel = (int64_t)v - (int64_t)kEpochDelta;  // may be negative: before 1970
    int64_t secs = rel >= 0 ? rel / 10000000 : -((-rel + 9999999) / 10000000);
    int64_t rest = rel - secs * 10000000;
    int64_t days = secs >= 0 ? secs / 86400 : -((-secs + 86399) / 86400);
    int64_t sod = secs - days * 86400;
    year_month_day ymd{sys_days{std::chrono::days{days}}};
    weekday wd{sys_days{std::chrono::days{days}}};
    st->wYear = (WORD)(int)ymd.year();
    st->wMonth = (WORD)(unsigned)ymd.month();
    st->wDay = (WORD)(unsigned)ymd.day();
    st->wDayOfWeek = (WORD)wd.c_encoding();
    st->wHour = (WORD)(sod / 3600);
    st->wMinute = (WORD)(sod / 60 % 60);
    st->wSecond = (WORD)(sod % 60);
    st->wMilliseconds = (WORD)(rest / 10000);
    return TRUE;
}
