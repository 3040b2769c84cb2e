// Code-page conversion. The "ANSI code page" of this system is UTF-8.
#pragma once

#include <string>
#include <string_view>

#include "platform/win32/WinTypes.h"

#define CP_ACP 0
#define CP_OEMCP 1
#define CP_UTF8 65001
#define MB_ERR_INVALID_CHARS 0x00000008
#define WC_ERR_INVALID_CHARS 0x00000080

// Invalid input (broken UTF-8, unpaired surrogates) becomes U+FFFD.
std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);
// Length of a NUL-terminated wide text (0 for null).
size_t WideLength(const WCHAR* text);

// The platform's conversion calls; CP_ACP, CP_OEMCP and CP_UTF8 are all UTF-8. A length of -1 means
// "up to and including the NUL". A size of 0 asks for the needed size. Returns the number of units
// written, or 0 with ERROR_INSUFFICIENT_BUFFER, ERROR_INVALID_PARAMETER or (with the *_ERR_INVALID_CHARS
// flag and bad input) ERROR_NO_UNICODE_TRANSLATION.
#define ERROR_NO_UNICODE_TRANSLATION 1113L
int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR src, int srcLen, LPWSTR dst, int dstLen);
int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR src, int srcLen, LPSTR dst, int dstLen,
                        LPCSTR defaultChar, BOOL* usedDefaultChar);
