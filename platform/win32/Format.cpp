// The wsprintf dialect over a counted, typed argument list.
#include "platform/win32/Format.h"

#include <cstdio>
#include <cstring>

#include "platform/win32/CodePage.h"
#include "platform/win32/FormatSink.h"

namespace {

struct Directive {
    bool left = false;   // '-'
    bool alt = false;    // '#'
    bool zero = false;   // '0'
    bool plus = false;   // '+'
    bool space = false;  // ' '
    int width = 0;       // 0: none
    int precision = -1;  // -1: none
    enum Size { Default, Short, Long, Wide, Long64 } size = Default;
    char type = 0;
};

// Parses the directive after a '%' at p; returns the position after it, or null when the text ends
// before a type character.
const char* ParseDirective(const char* p, Directive& d) {
    for (;; ++p) {
        if (*p == '-')
            d.left = true;
        else if (*p == '#')
            d.alt = true;
        else if (*p == '0')
            d.zero = true;
        else if (*p == '+')
            d.plus = true;
        else if (*p == ' ')
            d.space = true;
        else
            break;
    }
    // Widths and precisions are bounded so that a hostile template cannot ask for gigabytes.
    while (*p >= '0' && *p <= '9') {
        if (d.width < 100000)
            d.width = d.width * 10 + (*p - '0');
        ++p;
    }
    if (*p == '.') {
        ++p;
        d.precision = 0;
        while (*p >= '0' && *p <= '9') {
            if (d.precision < 100000)
                d.precision = d.precision * 10 + (*p - '0');
            ++p;
        }
    }
    if (*p == 'h') {
        d.size = Directive::Short;
        ++p;
    } else if (*p == 'l') {
        d.size = Directive::Long;
        ++p;
        if (*p == 'l') {
            d.size = Directive::Long64;
            ++p;
        }
    } else if (*p == 'w') {
        d.size = Directive::Wide;
        ++p;
    } else if (p[0] == 'I' && p[1] == '6' && p[2] == '4') {
        d.size = Directive::Long64;
        p += 3;
    }
    if (*p == 0)
        return nullptr;
    d.type = *p++;
    return p;
}

void Pad(qrvfmt::Sink& out, char c, int n) {
    if (n > 0)
        out.Repeat(c, (size_t)n);
}

// Writes body (already complete) padded to the directive's width.
void PutPadded(qrvfmt::Sink& out, const Directive& d, const char* body, size_t len) {
    int pad = d.width > (int)len ? d.width - (int)len : 0;
    if (!d.left)
        Pad(out, ' ', pad);
    out.Put(body, len);
    if (d.left)
        Pad(out, ' ', pad);
}

// An integer argument as a value of the directive's width. Pointers keep their full width.
bool IntegerValue(const FormatArg& a, const Directive& d, bool isSigned, uint64_t& mag, bool& negative) {
    negative = false;
    switch (a.GetKind()) {
        case FormatArg::Kind::Ptr:
            if (isSigned)
                return false;
            mag = (uint64_t)(uintptr_t)a.AsPtr();
            return true;
        case FormatArg::Kind::Signed:
        case FormatArg::Kind::Unsigned:
        case FormatArg::Kind::Char:
        case FormatArg::Kind::Bool:
            break;
        default:
            return false;
    }
    uint64_t raw = a.GetKind() == FormatArg::Kind::Signed ? (uint64_t)a.AsSigned() : a.AsUnsigned();
    if (d.size == Directive::Long64) {
        if (isSigned && (int64_t)raw < 0) {
            negative = true;
            mag = 0 - raw;
        } else {
            mag = raw;
        }
    } else if (d.size == Directive::Short) {
        if (isSigned) {
            int16_t v = (int16_t)raw;
            negative = v < 0;
            mag = negative ? (uint64_t)(-(int32_t)v) : (uint64_t)v;
        } else {
            mag = (uint16_t)raw;
        }
    } else {
        // The platform reads 32 bits for %d, %ld, %x, %lx: a negative LONG prints as ffffffff.
        if (isSigned) {
            int32_t v = (int32_t)raw;
            negative = v < 0;
            mag = negative ? (uint64_t)(-(int64_t)v) : (uint64_t)v;
        } else {
            mag = (uint32_t)raw;
        }
    }
    return true;
}

bool PutInteger(qrvfmt::Sink& out, const Directive& d, const FormatArg& a) {
    const bool isSigned = d.type == 'd' || d.type == 'i';
    uint64_t mag = 0;
    bool negative = false;
    if (!IntegerValue(a, d, isSigned, mag, negative))
        return false;
    unsigned base = 10;
    const char* digitSet = "0123456789abcdef";
    if (d.type == 'x' || d.type == 'p') {
        base = 16;
    } else if (d.type == 'X') {
        base = 16;
        digitSet = "0123456789ABCDEF";
    } else if (d.type == 'o') {
        base = 8;
    }
    char digits[72];
    int n = 0;
    do {
        digits[n++] = digitSet[mag % base];
        mag /= base;
    } while (mag != 0);
    if (d.precision == 0 && n == 1 && digits[0] == '0')
        n = 0;  // printf: "%.0d" of 0 writes no digit
    char prefix[3] = {0};
    int prefixLen = 0;
    if (negative)
        prefix[prefixLen++] = '-';
    else if (isSigned && d.plus)
        prefix[prefixLen++] = '+';
    else if (isSigned && d.space)
        prefix[prefixLen++] = ' ';
    bool nonZero = n > 0 && !(n == 1 && digits[0] == '0');
    if (d.alt && nonZero && base == 16) {
        prefix[prefixLen++] = '0';
        prefix[prefixLen++] = d.type == 'X' ? 'X' : 'x';
    } else if (d.alt && nonZero && base == 8) {
        prefix[prefixLen++] = '0';
    }
    int zeros = d.precision > n ? d.precision - n : 0;
    int body = prefixLen + zeros + n;
    if (d.zero && !d.left && d.precision < 0 && d.width > body) {
        zeros += d.width - body;
        body = d.width;
    }
    int pad = d.width > body ? d.width - body : 0;
    if (!d.left)
        Pad(out, ' ', pad);
    out.Put(prefix, (size_t)prefixLen);
    Pad(out, '0', zeros);
    for (int i = n - 1; i >= 0; --i)
        out.Put(digits[i]);
    if (d.left)
        Pad(out, ' ', pad);
    return true;
}

// Full-width pointer: "%p" pads to all hexadecimal digits of a pointer.
bool PutPointer(qrvfmt::Sink& out, Directive d, const FormatArg& a) {
    // A pointer, or an unsigned integer holding one (ULONG_PTR); a signed number is not an address.
    if (a.GetKind() != FormatArg::Kind::Ptr && a.GetKind() != FormatArg::Kind::Unsigned)
        return false;
    d.type = 'X';
    d.size = Directive::Long64;
    if (d.precision < 0)
        d.precision = (int)(2 * sizeof(void*));
    return PutInteger(out, d, a);
}

void PutWideText(qrvfmt::Sink& out, const Directive& d, const WCHAR* w, size_t len) {
    if (d.precision >= 0 && (size_t)d.precision < len)
        len = (size_t)d.precision;
    std::string utf8 = Utf16ToUtf8(std::u16string_view(w, len));
    PutPadded(out, d, utf8.data(), utf8.size());
}

bool PutString(qrvfmt::Sink& out, const Directive& d, const FormatArg& a) {
    bool wide =
        d.type == 'S' ? d.size != Directive::Short : (d.size == Directive::Long || d.size == Directive::Wide);
    if (wide) {
        if (a.GetKind() != FormatArg::Kind::WStr)
            return false;
        const WCHAR* w = a.AsWStr();
        if (!w) {
            PutPadded(out, d, "(null)", 6);
            return true;
        }
        size_t len = a.HasLength() ? a.Length() : WideLength(w);
        PutWideText(out, d, w, len);
        return true;
    }
    if (a.GetKind() != FormatArg::Kind::Str)
        return false;
    const char* s = a.AsStr();
    if (!s) {
        PutPadded(out, d, "(null)", 6);
        return true;
    }
    size_t len;
    if (a.HasLength()) {
        len = a.Length();
        if (d.precision >= 0 && (size_t)d.precision < len)
            len = (size_t)d.precision;
    } else if (d.precision >= 0) {
        // Never read past the precision: the text need not be terminated within it.
        const void* end = std::memchr(s, 0, (size_t)d.precision);
        len = end ? (size_t)((const char*)end - s) : (size_t)d.precision;
    } else {
        len = std::strlen(s);
    }
    PutPadded(out, d, s, len);
    return true;
}

bool PutChar(qrvfmt::Sink& out, const Directive& d, const FormatArg& a) {
    uint64_t code;
    switch (a.GetKind()) {
        case FormatArg::Kind::Char:
        case FormatArg::Kind::Signed:
        case FormatArg::Kind::Unsigned:
            code = a.GetKind() == FormatArg::Kind::Signed ? (uint64_t)a.AsSigned() : a.AsUnsigned();
            break;
        default:
            return false;
    }
    bool wide =
        d.type == 'C' ? d.size != Directive::Short : (d.size == Directive::Long || d.size == Directive::Wide);
    if (wide) {
        WCHAR w = (WCHAR)(code & 0xFFFF);
        if (w != 0)
            PutWideText(out, d, &w, 1);
        else
            PutPadded(out, d, "", 0);
        return true;
    }
    char c = (char)(code & 0xFF);
    PutPadded(out, d, &c, c ? 1 : 0);
    return true;
}

bool PutDouble(qrvfmt::Sink& out, const Directive& d, const FormatArg& a) {
    if (a.GetKind() != FormatArg::Kind::Double)
        return false;
    // The directive is rebuilt from parsed, bounded parts, and the argument is a real double.
    char spec[48];
    int precision = d.precision > 300 ? 300 : d.precision;
    int width = d.width > 300 ? 300 : d.width;
    std::snprintf(spec, sizeof spec, "%%%s%s%s%s%s%d.%d%c", d.left ? "-" : "", d.alt ? "#" : "",
                  d.zero ? "0" : "", d.plus ? "+" : "", d.space ? " " : "", width,
                  precision < 0 ? 6 : precision, d.type);
    char buf[700];
    int n = std::snprintf(buf, sizeof buf, spec, a.AsDouble());
    if (n < 0)
        return false;
    out.Put(buf, (size_t)n < sizeof buf ? (size_t)n : sizeof buf - 1);
    return true;
}

bool PutDirective(qrvfmt::Sink& out, const Directive& d, const FormatArg& a) {
    switch (d.type) {
        case 'd':
        case 'i':
        case 'u':
        case 'x':
        case 'X':
        case 'o':
            return PutInteger(out, d, a);
        case 'p':
            return PutPointer(out, d, a);
        case 's':
        case 'S':
            return PutString(out, d, a);
        case 'c':
        case 'C':
            return PutChar(out, d, a);
        case 'e':
        case 'E':
        case 'f':
        case 'F':
        case 'g':
        case 'G':
            return PutDouble(out, d, a);
        default:
            return false;
    }
}

bool IsKnownType(char t) {
    return std::strchr("diuxXopsScCeEfFgG", t) != nullptr;
}

}  // namespace

namespace qrvfmt {

bool FormatInto(Sink& out, const char* fmt, const FormatArg* args, size_t count, size_t* used) {
    bool allFit = true;
    size_t next = 0;
    if (!fmt)
        fmt = "";
    const char* p = fmt;
    while (*p) {
        const char* pct = std::strchr(p, '%');
        if (!pct) {
            out.Put(p, std::strlen(p));
            break;
        }
        out.Put(p, (size_t)(pct - p));
        if (pct[1] == '%') {
            out.Put('%');
            p = pct + 2;
            continue;
        }
        Directive d;
        const char* end = ParseDirective(pct + 1, d);
        if (!end) {
            // A directive cut off by the end of the text stays as it is.
            out.Put(pct, std::strlen(pct));
            allFit = false;
            break;
        }
        bool done = false;
        if (IsKnownType(d.type) && next < count) {
            done = PutDirective(out, d, args[next]);
            ++next;
        }
        if (!done) {
            // No argument, the wrong kind of argument, or an unknown directive ("%n" included):
            // the directive is written as it stands, nothing is read from memory.
            out.Put(pct, (size_t)(end - pct));
            allFit = false;
        }
        p = end;
    }
    if (used)
        *used = next;
    return allFit;
}

}  // namespace qrvfmt

int wvnsprintfA(char* buf, size_t size, const char* fmt, const FormatArg* args, size_t count) {
    if (!buf || size == 0)
        return 0;
    qrvfmt::BufferSink sink(buf, size);
    qrvfmt::FormatInto(sink, fmt, args, count, nullptr);
    return (int)sink.Finish();
}

int wvsprintfA(char* buf, const char* fmt, const FormatArg* args, size_t count) {
    return wvnsprintfA(buf, WSPRINTF_LIMIT, fmt, args, count);
}

std::string FormatTextV(const char* fmt, const FormatArg* args, size_t count) {
    std::string text;
    qrvfmt::StringSink sink(text);
    qrvfmt::FormatInto(sink, fmt, args, count, nullptr);
    return text;
}
