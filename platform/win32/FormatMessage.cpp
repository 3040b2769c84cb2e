// FormatMessage: numbered inserts over a counted argument list, from a template or a system text.
#include <cstring>
#include <string>

#include "platform/win32/Format.h"
#include "platform/win32/FormatSink.h"
#include "platform/win32/Memory.h"

namespace {

// Writes the insert %<number>[!spec!] starting at p (just after the '%'); returns the position
// after it. An insert that cannot be filled is copied literally.
const char* PutInsert(std::string& out, const char* start, const char* p, const FormatArg* args,
                      size_t count) {
    unsigned number = (unsigned)(*p++ - '0');
    if (*p >= '0' && *p <= '9')
        number = number * 10 + (unsigned)(*p++ - '0');
    std::string spec = "s";
    if (*p == '!') {
        const char* close = std::strchr(p + 1, '!');
        if (!close) {
            // An unclosed directive: copy the rest as it stands.
            out.append(start);
            return start + std::strlen(start);
        }
        spec.assign(p + 1, close);
        p = close + 1;
    }
    bool ok = number >= 1 && number <= count && !spec.empty() && spec.find('%') == std::string::npos;
    if (ok) {
        std::string piece;
        qrvfmt::StringSink sink(piece);
        size_t used = 0;
        std::string directive = "%" + spec;
        ok = qrvfmt::FormatInto(sink, directive.c_str(), &args[number - 1], 1, &used) && used == 1;
        if (ok)
            out += piece;
    }
    if (!ok)
        out.append(start, (size_t)(p - start));
    return p;
}

bool Expand(std::string& out, const char* tmpl, const FormatArg* args, size_t count) {
    const char* p = tmpl;
    while (*p) {
        if (*p != '%') {
            out += *p++;
            continue;
        }
        const char* start = p++;
        if (*p >= '1' && *p <= '9') {
            p = PutInsert(out, start, p, args, count);
        } else if (*p == '0') {
            break;  // %0 ends the message without a final line break
        } else if (*p == 'n') {
            out += '\n';
            ++p;
        } else if (*p == '%' || *p == '.' || *p == '!' || *p == ' ') {
            out += *p++;
        } else if (*p == 0) {
            out += '%';
        } else {
            out += '%';
            out += *p++;
        }
    }
    return true;
}

}  // namespace

std::string FormatMessageText(const char* tmpl, const FormatArg* args, size_t count) {
    std::string out;
    if (tmpl)
        Expand(out, tmpl, args, count);
    return out;
}

DWORD FormatMessageA(DWORD flags, LPCVOID source, DWORD messageId, DWORD /*languageId*/, LPSTR buffer,
                     DWORD size, const FormatArg* args, size_t count) {
    const char* tmpl = nullptr;
    if (flags & FORMAT_MESSAGE_FROM_STRING) {
        tmpl = static_cast<const char*>(source);
    } else if (flags & FORMAT_MESSAGE_FROM_SYSTEM) {
        tmpl = GetSystemMessageText(messageId);
        if (!tmpl) {
            SetLastError(ERROR_MR_MID_NOT_FOUND);
            return 0;
        }
    }
    if (!tmpl || !buffer) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::string text;
    if (flags & FORMAT_MESSAGE_IGNORE_INSERTS)
        text = tmpl;
    else
        Expand(text, tmpl, args, count);
    if (text.empty()) {
        // The platform reports an empty result as a failure; nothing is allocated for it.
        if (flags & FORMAT_MESSAGE_ALLOCATE_BUFFER)
            *reinterpret_cast<char**>(buffer) = nullptr;
        SetLastError(ERROR_SUCCESS);
        return 0;
    }
    if (flags & FORMAT_MESSAGE_ALLOCATE_BUFFER) {
        size_t bytes = text.size() + 1 > size ? text.size() + 1 : size;
        char* block = static_cast<char*>(LocalAlloc(LMEM_FIXED, bytes));
        *reinterpret_cast<char**>(buffer) = block;
        if (!block)
            return 0;
        std::memcpy(block, text.c_str(), text.size() + 1);
        return (DWORD)text.size();
    }
    if (text.size() + 1 > size) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return (DWORD)text.size();
}
