// BSTR: length-prefixed, NUL-terminated wide texts that cross the dispatch boundary.
#pragma once

#include <string>
#include <string_view>

#include "platform/automation/ComTypes.h"

typedef OLECHAR* BSTR;

// A copy of a NUL-terminated text; null for a null text (and when memory runs out).
BSTR SysAllocString(const OLECHAR* psz);
// A copy of cch units (which may hold NULs); psz null gives cch zero-filled units.
BSTR SysAllocStringLen(const OLECHAR* psz, UINT cch);
void SysFreeString(BSTR bstr);
// The length in units as allocated (NULs inside count); 0 for null.
UINT SysStringLen(BSTR bstr);
UINT SysStringByteLen(BSTR bstr);

// Conversions between the program's 8-bit (UTF-8) texts and BSTRs. A null text gives a null BSTR.
BSTR BstrFromUtf8(const char* psz);
BSTR BstrFromUtf8(std::string_view text);
std::string Utf8FromBstr(BSTR bstr);
