// Text forms the store tool reads and writes: property types, GUIDs, times, hex bytes, errors.
#pragma once

#include <stdexcept>
#include <string>

#include "platform/mapi/MAPIDefs.h"

namespace qrvstore {

// A failure that ends a command: its message for the user and the exit code.
class CToolError : public std::runtime_error {
public:
    CToolError(const std::string& message, int exitCode = 1)
        : std::runtime_error(message), m_exitCode(exitCode) {}
    int ExitCode() const { return m_exitCode; }

private:
    int m_exitCode;
};

// Throws a CToolError naming what failed and why when hr is a failure.
void Check(HRESULT hr, const std::string& what);
// "0x8004011D (MAPI_E_FAILONEPROVIDER: ...)"
std::string DescribeResult(HRESULT hr);

// "PT_UNICODE" <-> 0x001F; false / 0 for a name or type that is not kept in stores.
bool TypeFromName(const std::string& name, ULONG& type);
std::string NameOfType(ULONG type);

// "00062004-0000-0000-C000-000000000046", with or without braces.
bool ParseGuid(const std::string& text, GUID& guid);
std::string FormatGuid(const GUID& guid);

std::string ToHex(const std::string& bytes);
bool FromHex(const std::string& hex, std::string& bytes);

// FILETIME ticks <-> "2024-05-06T07:08:09Z" (with ".fffffff" when there are fractions).
std::string FormatTime(LONGLONG ticks);
bool ParseTime(const std::string& text, LONGLONG& ticks);
LONGLONG TicksFromDate(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);

}  // namespace qrvstore
