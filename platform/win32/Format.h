// The wsprintf/FormatMessage text formatters, type-safe: arguments travel as a counted FormatArg list.
#pragma once

#include <array>
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>

#include "platform/win32/WinTypes.h"

// One argument of a formatted text. It remembers what it was made from, so a directive that does
// not fit its argument can be written literally instead of reinterpreting memory. A text argument
// refers to the caller's characters: they must outlive the FormatArg (true for any argument list
// built and used within one call).
class FormatArg {
public:
    enum class Kind : uint8_t { Signed, Unsigned, Char, Bool, Str, WStr, Ptr, Double };

    FormatArg(bool b) : m_kind(Kind::Bool), m_size(1) { m_u = b ? 1 : 0; }
    FormatArg(char c) : m_kind(Kind::Char), m_size(1) { m_i = (unsigned char)c; }
    template <class T>
    requires(std::integral<T> && !std::same_as<T, bool> && !std::same_as<T, char>) FormatArg(T v)
        : m_kind(std::is_signed_v<T> ? Kind::Signed : Kind::Unsigned), m_size(sizeof(T)) {
        if constexpr (std::is_signed_v<T>)
            m_i = (int64_t)v;
        else
            m_u = (uint64_t)v;
    }
    template <class E>
    requires std::is_enum_v<E> FormatArg(E v) : FormatArg(static_cast<std::underlying_type_t<E>>(v)) {}
    FormatArg(double d) : m_kind(Kind::Double), m_size(sizeof(double)) { m_d = d; }
    FormatArg(float f) : FormatArg((double)f) {}

    FormatArg(const char* s) : m_kind(Kind::Str), m_size(0) { m_s = s; }
    FormatArg(char* s) : FormatArg((const char*)s) {}
    FormatArg(std::string_view s) : m_kind(Kind::Str), m_size(0), m_hasLength(true), m_length(s.size()) {
        m_s = s.data() ? s.data() : "";
    }
    FormatArg(const std::string& s) : FormatArg(std::string_view(s)) {}
    FormatArg(const WCHAR* w) : m_kind(Kind::WStr), m_size(0) { m_w = w; }
    FormatArg(WCHAR* w) : FormatArg((const WCHAR*)w) {}
    FormatArg(std::u16string_view w) : m_kind(Kind::WStr), m_size(0), m_hasLength(true), m_length(w.size()) {
        m_w = w.data() ? w.data() : u"";
    }
    FormatArg(const std::u16string& w) : FormatArg(std::u16string_view(w)) {}
    // Any class that converts to a narrow text (a string class of the framework layer).
    template <class T>
    requires(std::is_class_v<T>&& std::is_convertible_v<const T&, const char*> &&
             !std::is_convertible_v<const T&, std::string_view>) FormatArg(const T& s)
        : FormatArg(static_cast<const char*>(s)) {}

    FormatArg(std::nullptr_t) : m_kind(Kind::Ptr), m_size(sizeof(void*)) { m_p = nullptr; }
    template <class T>
    requires(!std::is_same_v<std::remove_cv_t<T>, char> && !std::is_same_v<std::remove_cv_t<T>, WCHAR>)
        FormatArg(T* p)
        : m_kind(Kind::Ptr), m_size(sizeof(void*)) {
        m_p = (const void*)p;
    }

    Kind GetKind() const { return m_kind; }
    // Size in bytes of the integer type the argument was made from.
    size_t GetSize() const { return m_size; }
    int64_t AsSigned() const { return m_i; }
    uint64_t AsUnsigned() const { return m_u; }
    double AsDouble() const { return m_d; }
    const char* AsStr() const { return m_s; }
    const WCHAR* AsWStr() const { return m_w; }
    const void* AsPtr() const { return m_p; }
    // Strings made from a view or a string object carry their length; others end at their NUL.
    bool HasLength() const { return m_hasLength; }
    size_t Length() const { return m_length; }

private:
    Kind m_kind;
    uint8_t m_size;
    bool m_hasLength = false;
    size_t m_length = 0;
    union {
        int64_t m_i;
        uint64_t m_u;
        double m_d;
        const char* m_s;
        const WCHAR* m_w;
        const void* m_p;
    };
};

// Output limit of wsprintfA/wvsprintfA, including the terminating NUL.
constexpr size_t WSPRINTF_LIMIT = 1024;

// Formats into buf (at least WSPRINTF_LIMIT bytes); output is cut at 1023 characters plus NUL, never
// inside a UTF-8 sequence. Returns the number of characters written, without the NUL.
//
// Directives: %[-][#][0][width][.precision][h|l|I64]type with type one of d i u x X o c C s S p e f g
// and %%. %s takes a narrow text, %S (and %ls, %ws) a wide text (written as UTF-8); a null text is
// written as "(null)". Integers are taken as 32-bit unless the directive says h (16-bit) or I64; a
// pointer is always written in full width. A directive that has no argument or whose argument has
// the wrong kind is written literally and consumes that argument.
int wvsprintfA(char* buf, const char* fmt, const FormatArg* args, size_t count);

// The same with an explicit buffer size (the result is cut at size - 1 characters).
int wvnsprintfA(char* buf, size_t size, const char* fmt, const FormatArg* args, size_t count);

// The same without a length limit.
std::string FormatTextV(const char* fmt, const FormatArg* args, size_t count);

// Packs the arguments of a variadic call into a FormatArg array (empty for no argument).
template <class... A>
std::array<FormatArg, sizeof...(A)> MakeFormatArgs(const A&... a) {
    return std::array<FormatArg, sizeof...(A)>{FormatArg(a)...};
}

template <class... A>
int wsprintfA(char* buf, const char* fmt, const A&... a) {
    if constexpr (sizeof...(A) == 0) {
        return wvsprintfA(buf, fmt, nullptr, 0);
    } else {
        const FormatArg args[] = {FormatArg(a)...};
        return wvsprintfA(buf, fmt, args, sizeof...(A));
    }
}

template <class... A>
std::string FormatText(const char* fmt, const A&... a) {
    if constexpr (sizeof...(A) == 0) {
        return FormatTextV(fmt, nullptr, 0);
    } else {
        const FormatArg args[] = {FormatArg(a)...};
        return FormatTextV(fmt, args, sizeof...(A));
    }
}

// ---------------------------------------------------------------------------------------------
// FormatMessage

#define FORMAT_MESSAGE_ALLOCATE_BUFFER 0x00000100
#define FORMAT_MESSAGE_IGNORE_INSERTS 0x00000200
#define FORMAT_MESSAGE_FROM_STRING 0x00000400
#define FORMAT_MESSAGE_FROM_HMODULE 0x00000800
#define FORMAT_MESSAGE_FROM_SYSTEM 0x00001000
#define FORMAT_MESSAGE_ARGUMENT_ARRAY 0x00002000
#define FORMAT_MESSAGE_MAX_WIDTH_MASK 0x000000FF

// FormatMessageA(flags, source, messageId, languageId, buffer, size, args, count)
//
// The message is either the template `source` (FORMAT_MESSAGE_FROM_STRING) or the system text of the
// result code `messageId` (FORMAT_MESSAGE_FROM_SYSTEM; languageId is accepted and not used, the
// texts are English). Inserts: %1 .. %99, each optionally followed by !printf-directive! (for
// example %1!08lx!, default !s!), plus %n (line feed), %0 (end), %% %. %! and %space. An insert whose
// number has no argument, or whose directive does not fit its argument, is written literally.
// FORMAT_MESSAGE_ARGUMENT_ARRAY is accepted and changes nothing: arguments are always an array.
//
// With FORMAT_MESSAGE_ALLOCATE_BUFFER, `buffer` is really a char** that receives a LocalAlloc block
// (freed with LocalFree) and `size` is the minimum size to allocate; otherwise the text is written
// into buffer (size bytes). Returns the number of characters stored without the NUL, or 0 with the
// last error set (ERROR_INSUFFICIENT_BUFFER, ERROR_MR_MID_NOT_FOUND, ERROR_INVALID_PARAMETER).
#define ERROR_MR_MID_NOT_FOUND 317L
DWORD FormatMessageA(DWORD flags, LPCVOID source, DWORD messageId, DWORD languageId, LPSTR buffer, DWORD size,
                     const FormatArg* args = nullptr, size_t count = 0);

// The template form as a string: the formatted text, inserts as above.
std::string FormatMessageText(const char* tmpl, const FormatArg* args, size_t count);
template <class... A>
std::string FormatMessageString(const char* tmpl, const A&... a) {
    if constexpr (sizeof...(A) == 0) {
        return FormatMessageText(tmpl, nullptr, 0);
    } else {
        const FormatArg args[] = {FormatArg(a)...};
        return FormatMessageText(tmpl, args, sizeof...(A));
    }
}

// The system text of a result code or Win32 error code, or null when there is none. Texts end in a
// line feed (where the platform's end in a line break).
const char* GetSystemMessageText(DWORD code);
