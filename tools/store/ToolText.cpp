// Text forms of the store tool: type names, GUIDs, hex, times and result codes.
#include "tools/store/ToolText.h"

#include <cstdio>
#include <cstring>

#include "platform/mapi/MAPICodes.h"
#include "platform/mapi/StoreAdmin.h"

namespace qrvstore {

namespace {

struct CTypeName {
    ULONG m_type;
    const char* m_name;
};

const CTypeName kTypes[] = {
    {PT_I2, "PT_I2"},
    {PT_LONG, "PT_LONG"},
    {PT_R4, "PT_R4"},
    {PT_DOUBLE, "PT_DOUBLE"},
    {PT_CURRENCY, "PT_CURRENCY"},
    {PT_APPTIME, "PT_APPTIME"},
    {PT_BOOLEAN, "PT_BOOLEAN"},
    {PT_I8, "PT_I8"},
    {PT_STRING8, "PT_STRING8"},
    {PT_UNICODE, "PT_UNICODE"},
    {PT_SYSTIME, "PT_SYSTIME"},
    {PT_CLSID, "PT_CLSID"},
    {PT_BINARY, "PT_BINARY"},
    {PT_MV_I2, "PT_MV_I2"},
    {PT_MV_LONG, "PT_MV_LONG"},
    {PT_MV_R4, "PT_MV_R4"},
    {PT_MV_DOUBLE, "PT_MV_DOUBLE"},
    {PT_MV_CURRENCY, "PT_MV_CURRENCY"},
    {PT_MV_APPTIME, "PT_MV_APPTIME"},
    {PT_MV_I8, "PT_MV_I8"},
    {PT_MV_STRING8, "PT_MV_STRING8"},
    {PT_MV_UNICODE, "PT_MV_UNICODE"},
    {PT_MV_SYSTIME, "PT_MV_SYSTIME"},
    {PT_MV_CLSID, "PT_MV_CLSID"},
    {PT_MV_BINARY, "PT_MV_BINARY"},
};

// Other spellings accepted on input.
const CTypeName kAliases[] = {
    {PT_I2, "PT_SHORT"},        {PT_LONG, "PT_I4"},           {PT_R4, "PT_FLOAT"},
    {PT_DOUBLE, "PT_R8"},       {PT_I8, "PT_LONGLONG"},       {PT_STRING8, "PT_TSTRING"},
    {PT_MV_I2, "PT_MV_SHORT"},  {PT_MV_LONG, "PT_MV_I4"},     {PT_MV_R4, "PT_MV_FLOAT"},
    {PT_MV_DOUBLE, "PT_MV_R8"}, {PT_MV_I8, "PT_MV_LONGLONG"},
};

struct CCodeName {
    HRESULT m_hr;
    const char* m_name;
    const char* m_hint;
};

const CCodeName kCodes[] = {
    {MAPI_E_FAILONEPROVIDER, "MAPI_E_FAILONEPROVIDER",
     "the store is password-protected; give its --password"},
    {MAPI_E_NOT_FOUND, "MAPI_E_NOT_FOUND", "not found"},
    {MAPI_E_CORRUPT_STORE, "MAPI_E_CORRUPT_STORE", "the file is damaged or is not a message store"},
    {MAPI_E_COLLISION, "MAPI_E_COLLISION", "it exists already"},
    {MAPI_E_LOGON_FAILED, "MAPI_E_LOGON_FAILED", "wrong profile or profile password"},
    {MAPI_E_NO_ACCESS, "MAPI_E_NO_ACCESS", "access denied (or the name is taken)"},
    {MAPI_E_BUSY, "MAPI_E_BUSY", "the file is busy in another process"},
    {MAPI_E_DISK_ERROR, "MAPI_E_DISK_ERROR", "the file could not be read or written"},
    {MAPI_E_NOT_ENOUGH_DISK, "MAPI_E_NOT_ENOUGH_DISK", "the disk is full"},
    {MAPI_E_VERSION, "MAPI_E_VERSION", "the store was made by a later version"},
    {MAPI_E_INVALID_ENTRYID, "MAPI_E_INVALID_ENTRYID", "not an entry id of this store"},
    {MAPI_E_INVALID_PARAMETER, "MAPI_E_INVALID_PARAMETER", "invalid argument"},
    {MAPI_E_NOT_ENOUGH_MEMORY, "MAPI_E_NOT_ENOUGH_MEMORY", "out of memory"},
    {MAPI_E_INVALID_TYPE, "MAPI_E_INVALID_TYPE", "a value of a type a store cannot keep"},
};

// Days since 1601-01-01 for a civil date (proleptic Gregorian).
LONGLONG DaysFromCivil(LONGLONG y, unsigned m, unsigned d) {
    y -= m <= 2;
    const LONGLONG era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    LONGLONG since1970 = era * 146097 + static_cast<LONGLONG>(doe) - 719468;
    return since1970 + 134774;  // days from 1601-01-01 to 1970-01-01
}

void CivilFromDays(LONGLONG days1601, LONGLONG& y, unsigned& m, unsigned& d) {
    LONGLONG z = days1601 - 134774 + 719468;
    const LONGLONG era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    y = static_cast<LONGLONG>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y += m <= 2;
}

constexpr LONGLONG kTicksPerSecond = 10000000;
constexpr LONGLONG kTicksPerDay = kTicksPerSecond * 86400;

}  // namespace

std::string DescribeResult(HRESULT hr) {
    char code[16];
    std::snprintf(code, sizeof(code), "0x%08X", static_cast<unsigned>(hr));
    for (const CCodeName& entry : kCodes) {
        if (entry.m_hr == hr) {
            return std::string(code) + " (" + entry.m_name + ": " + entry.m_hint + ")";
        }
    }
    return code;
}

void Check(HRESULT hr, const std::string& what) {
    if (FAILED(hr)) {
        // A profile database that could not be used names itself and the reason.
        std::string why = HrProfileDbFailure(hr);
        throw CToolError(what + " failed: " + DescribeResult(hr) + (why.empty() ? "" : "; " + why));
    }
}

bool TypeFromName(const std::string& name, ULONG& type) {
    for (const CTypeName& entry : kTypes) {
        if (name == entry.m_name) {
            type = entry.m_type;
            return true;
        }
    }
    for (const CTypeName& entry : kAliases) {
        if (name == entry.m_name) {
            type = entry.m_type;
            return true;
        }
    }
    return false;
}

std::string NameOfType(ULONG type) {
    for (const CTypeName& entry : kTypes) {
        if (entry.m_type == type) {
            return entry.m_name;
        }
    }
    return {};
}

bool ParseGuid(const std::string& text, GUID& guid) {
    std::string t = text;
    if (t.size() == 38 && t.front() == '{' && t.back() == '}') {
        t = t.substr(1, 36);
    }
    if (t.size() != 36 || t[8] != '-' || t[13] != '-' || t[18] != '-' || t[23] != '-') {
        return false;
    }
    std::string hex = t.substr(0, 8) + t.substr(9, 4) + t.substr(14, 4) + t.substr(19, 4) + t.substr(24, 12);
    std::string bytes;
    if (!FromHex(hex, bytes) || bytes.size() != 16) {
        return false;
    }
    const auto* b = reinterpret_cast<const unsigned char*>(bytes.data());
    guid.Data1 = (DWORD(b[0]) << 24) | (DWORD(b[1]) << 16) | (DWORD(b[2]) << 8) | b[3];
    guid.Data2 = static_cast<WORD>((b[4] << 8) | b[5]);
    guid.Data3 = static_cast<WORD>((b[6] << 8) | b[7]);
    std::memcpy(guid.Data4, b + 8, 8);
    return true;
}

std::string FormatGuid(const GUID& guid) {
    char text[40];
    std::snprintf(text, sizeof(text), "%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X", guid.Data1,
                  guid.Data2, guid.Data3, guid.Data4[0], guid.Data4[1], guid.Data4[2], guid.Data4[3],
                  guid.Data4[4], guid.Data4[5], guid.Data4[6], guid.Data4[7]);
    return text;
}

std::string ToHex(const std::string& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string hex;
    hex.reserve(bytes.size() * 2);
    for (unsigned char c : bytes) {
        hex.push_back(digits[c >> 4]);
        hex.push_back(digits[c & 15]);
    }
    return hex;
}

bool FromHex(const std::string& hex, std::string& bytes) {
    if (hex.size() % 2 != 0) {
        return false;
    }
    auto value = [](char c) -> int {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    };
    bytes.clear();
    for (size_t i = 0; i < hex.size(); i += 2) {
        int hi = value(hex[i]), lo = value(hex[i + 1]);
        if (hi < 0 || lo < 0) {
            return false;
        }
        bytes.push_back(static_cast<char>(hi * 16 + lo));
    }
    return true;
}

LONGLONG TicksFromDate(int year, int month, int day, int hour, int minute, int second) {
    return DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) * kTicksPerDay +
           (static_cast<LONGLONG>(hour) * 3600 + minute * 60 + second) * kTicksPerSecond;
}

std::string FormatTime(LONGLONG ticks) {
    LONGLONG days = ticks / kTicksPerDay;
    LONGLONG rest = ticks % kTicksPerDay;
    if (rest < 0) {
        rest += kTicksPerDay;
        --days;
    }
    LONGLONG y = 0;
    unsigned m = 0, d = 0;
    CivilFromDays(days, y, m, d);
    LONGLONG seconds = rest / kTicksPerSecond;
    LONGLONG fraction = rest % kTicksPerSecond;
    char text[64];
    int n = std::snprintf(text, sizeof(text), "%04lld-%02u-%02uT%02lld:%02lld:%02lld",
                          static_cast<long long>(y), m, d, static_cast<long long>(seconds / 3600),
                          static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
    if (fraction != 0) {
        std::snprintf(text + n, sizeof(text) - static_cast<size_t>(n), ".%07lld",
                      static_cast<long long>(fraction));
    }
    return std::string(text) + "Z";
}

bool ParseTime(const std::string& text, LONGLONG& ticks) {
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0, used = 0;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%n", &y, &mo, &d, &h, &mi, &s, &used) != 6) {
        return false;
    }
    if (mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59 || s > 60 || y < 1601) {
        return false;
    }
    // A day the month does not have (2023-02-30) would silently become a day of the next month.
    LONGLONG year = 0;
    unsigned month = 0, day = 0;
    CivilFromDays(DaysFromCivil(y, static_cast<unsigned>(mo), static_cast<unsigned>(d)), year, month, day);
    if (day != static_cast<unsigned>(d)) {
        return false;
    }
    LONGLONG fraction = 0;
    size_t pos = static_cast<size_t>(used);
    if (pos < text.size() && text[pos] == '.') {
        ++pos;
        int digits = 0;
        while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
            if (digits < 7) {
                fraction = fraction * 10 + (text[pos] - '0');
                ++digits;
            }
            ++pos;
        }
        if (digits == 0) {
            return false;
        }
        for (; digits < 7; ++digits) {
            fraction *= 10;
        }
    }
    if (text.substr(pos) != "Z") {
        return false;
    }
    ticks = TicksFromDate(y, mo, d, h, mi, s) + fraction;
    return true;
}

}  // namespace qrvstore
