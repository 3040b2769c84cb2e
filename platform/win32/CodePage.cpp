// UTF-8 <-> UTF-16 conversion and the platform's code-page calls over it.
#include "platform/win32/CodePage.h"

#include <cstring>

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Decodes one code point at s[i]; invalid sequences (overlong, surrogates, beyond U+10FFFF, cut
// off) yield U+FFFD and advance by one byte.
char32_t DecodeUtf8(std::string_view s, size_t& i, bool& bad) {
    unsigned char c = (unsigned char)s[i];
    if (c < 0x80) {
        ++i;
        return c;
    }
    size_t need;
    char32_t cp;
    char32_t min;
    if ((c & 0xE0) == 0xC0) {
        need = 1;
        cp = c & 0x1F;
        min = 0x80;
    } else if ((c & 0xF0) == 0xE0) {
        need = 2;
        cp = c & 0x0F;
        min = 0x800;
    } else if ((c & 0xF8) == 0xF0) {
        need = 3;
        cp = c & 0x07;
        min = 0x10000;
    } else {
        ++i;
        bad = true;
        return kReplacement;
    }
    for (size_t k = 1; k <= need; ++k) {
        if (i + k >= s.size() || ((unsigned char)s[i + k] & 0xC0) != 0x80) {
            ++i;
            bad = true;
            return kReplacement;
        }
        cp = (cp << 6) | ((unsigned char)s[i + k] & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++i;
        bad = true;
        return kReplacement;
    }
    i += need + 1;
    return cp;
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += (char)cp;
    } else if (cp < 0x800) {
        out += (char)(0xC0 | (cp >> 6));
        out += (char)(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += (char)(0xE0 | (cp >> 12));
        out += (char)(0x80 | ((cp >> 6) & 0x3F));
        out += (char)(0x80 | (cp & 0x3F));
    } else {
        out += (char)(0xF0 | (cp >> 18));
        out += (char)(0x80 | ((cp >> 12) & 0x3F));
        out += (char)(0x80 | ((cp >> 6) & 0x3F));
        out += (char)(0x80 | (cp & 0x3F));
    }
}

std::u16string ToUtf16(std::string_view text, bool& bad) {
    std::u16string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        char32_t cp = DecodeUtf8(text, i, bad);
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += (char16_t)(0xD800 | (cp >> 10));
            out += (char16_t)(0xDC00 | (cp & 0x3FF));
        } else {
            out += (char16_t)cp;
        }
    }
    return out;
}

std::string ToUtf8(std::u16string_view text, bool& bad) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = kReplacement;
            bad = true;
        }
        AppendUtf8(out, c);
    }
    return out;
}

bool KnownCodePage(UINT cp) {
    return cp == CP_ACP || cp == CP_OEMCP || cp == CP_UTF8;
}

}  // namespace

std::u16string Utf8ToUtf16(std::string_view text) {
    bool bad = false;
    return ToUtf16(text, bad);
}

std::string Utf16ToUtf8(std::u16string_view text) {
    bool bad = false;
    return ToUtf8(text, bad);
}

size_t WideLength(const WCHAR* text) {
    size_t n = 0;
    if (text)
        while (text[n])
            ++n;
    return n;
}

int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR src, int srcLen, LPWSTR dst, int dstLen) {
    if (!KnownCodePage(codePage) || !src || srcLen < -1 || srcLen == 0 || dstLen < 0 ||
        (dstLen > 0 && !dst)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    size_t len = srcLen == -1 ? std::strlen(src) + 1 : (size_t)srcLen;
    bool bad = false;
    std::u16string wide = ToUtf16(std::string_view(src, len), bad);
    if (bad && (flags & MB_ERR_INVALID_CHARS)) {
        SetLastError(ERROR_NO_UNICODE_TRANSLATION);
        return 0;
    }
    if (dstLen == 0)
        return (int)wide.size();
    if (wide.size() > (size_t)dstLen) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(dst, wide.data(), wide.size() * sizeof(WCHAR));
    return (int)wide.size();
}

int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR src, int srcLen, LPSTR dst, int dstLen,
                        LPCSTR /*defaultChar*/, BOOL* usedDefaultChar) {
    if (!KnownCodePage(codePage) || !src || srcLen < -1 || srcLen == 0 || dstLen < 0 ||
        (dstLen > 0 && !dst)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    size_t len = srcLen == -1 ? WideLength(src) + 1 : (size_t)srcLen;
    bool bad = false;
    std::string narrow = ToUtf8(std::u16string_view(src, len), bad);
    if (usedDefaultChar)
        *usedDefaultChar = FALSE;  // UTF-8 can say everything; broken input becomes U+FFFD instead
    if (bad && (flags & WC_ERR_INVALID_CHARS)) {
        SetLastError(ERROR_NO_UNICODE_TRANSLATION);
        return 0;
    }
    if (dstLen == 0)
        return (int)narrow.size();
    if (narrow.size() > (size_t)dstLen) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(dst, narrow.data(), narrow.size());
    return (int)narrow.size();
}
