// UTF-8 to the toolkit's strings, with replacement characters for bytes that are not UTF-8.
#include "platform/afx/wnd/WxText.h"

namespace {

// The length of the well-formed UTF-8 sequence at p (at most n bytes), 0 when there is none.
// Overlong forms, surrogates and values past U+10FFFF are not well-formed.
size_t SequenceLength(const unsigned char* p, size_t n, wxUint32& code) {
    const unsigned char c = p[0];
    size_t len;
    wxUint32 min;
    if (c < 0x80) {
        code = c;
        return 1;
    } else if (c >= 0xC2 && c <= 0xDF) {
        len = 2, code = c & 0x1F, min = 0x80;
    } else if (c >= 0xE0 && c <= 0xEF) {
        len = 3, code = c & 0x0F, min = 0x800;
    } else if (c >= 0xF0 && c <= 0xF4) {
        len = 4, code = c & 0x07, min = 0x10000;
    } else {
        return 0;
    }
    if (n < len)
        return 0;
    for (size_t i = 1; i < len; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (p[i] & 0x3F);
    }
    if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    return len;
}

}  // namespace

wxString WxFromUtf8(const char* pch, size_t cch) {
    if (pch == nullptr || cch == 0)
        return wxString();
    // Most texts are plain ASCII (a large result tree has hundreds of thousands of labels): those
    // are widened in one pass instead of being checked and decoded as UTF-8.
    const unsigned char* p = reinterpret_cast<const unsigned char*>(pch);
    size_t nAscii = 0;
    while (nAscii < cch && p[nAscii] < 0x80)
        ++nAscii;
    if (nAscii == cch)
        return wxString::FromAscii(pch, cch);
    wxString text = wxString::FromUTF8(pch, cch);
    if (!text.empty())
        return text;
    // Not UTF-8 as a whole: decode what is, and put one replacement character for each byte that
    // starts no well-formed sequence.
    text.reserve(cch);
    size_t i = 0;
    while (i < cch) {
        wxUint32 code = 0;
        size_t len = SequenceLength(p + i, cch - i, code);
        if (len == 0) {
            text += wxUniChar(0xFFFD);
            ++i;
            // The continuation bytes of a broken sequence belong to the same replacement.
            while (i < cch && (p[i] & 0xC0) == 0x80)
                ++i;
            continue;
        }
        text += wxUniChar(code);
        i += len;
    }
    return text;
}
