// The wsprintf dialect: every directive the trace texts use, and literal output for bad inserts.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/win32/Format.h"

namespace {

template <class... A>
std::string W(const char* fmt, const A&... a) {
    char buf[WSPRINTF_LIMIT];
    int n = wsprintfA(buf, fmt, a...);
    EXPECT_EQ((size_t)n, std::string(buf).size());
    return buf;
}

}  // namespace

TEST(Format, TraceDirectivesWidthFlagsAndPrecision) {
    EXPECT_EQ(W("hr = 0x%08lx", (HRESULT)0x80004005), "hr = 0x80004005");
    EXPECT_EQ(W("%08lx", (DWORD)0x1F), "0000001f");
    EXPECT_EQ(W("ret = %lx", (HRESULT)0x80004005), "ret = 80004005");
    EXPECT_EQ(W("%lx", (ULONG)0), "0");
    EXPECT_EQ(W("%ld|%d|%i", (LONG)-42, 7, -3), "-42|7|-3");
    EXPECT_EQ(W("%u", (DWORD)4000000000u), "4000000000");
    EXPECT_EQ(W("%02d:%02d:%02d", (WORD)9, (WORD)5, (WORD)0), "09:05:00");
    EXPECT_EQ(W("%04ld", (LONG)7), "0007");
    EXPECT_EQ(W("%04ld", (LONG)-7), "-007");
    EXPECT_EQ(W("%02X%02x", (BYTE)0xAB, (BYTE)0x0c), "AB0c");
    EXPECT_EQ(W("%04lx", (WORD)0xbeef), "beef");
    EXPECT_EQ(W("%c%c", 'o', 'k'), "ok");
    EXPECT_EQ(W("[%s]", "text"), "[text]");
    EXPECT_EQ(W("name=%S", u"Gr\u00fc\u00dfe"),
              "name=Gr\xC3\xBC\xC3\x9F"
              "e");
    EXPECT_EQ(W("%%d"), "%d");
    EXPECT_EQ(W("|%5s|%-5s|", "ab", "cd"), "|   ab|cd   |");
    EXPECT_EQ(W("|%5d|%-5d|%05d|", 42, 42, -42), "|   42|42   |-0042|");
    EXPECT_EQ(W("%#x %#X %#x", 255, 255, 0), "0xff 0XFF 0");
    EXPECT_EQ(W("%.3s", "abcdef"), "abc");
    EXPECT_EQ(W("%.5d", 42), "00042");
    EXPECT_EQ(W("%o", 8), "10");
}

TEST(Format, ThirtyTwoBitNumbersAndPointersInFullWidth) {
    // A negative 32-bit value printed in hex shows its 32-bit pattern, as the trace texts expect.
    EXPECT_EQ(W("%lx", (LONG)-1), "ffffffff");
    EXPECT_EQ(W("%x", -1), "ffffffff");
    EXPECT_EQ(W("%lu", (LONG)-1), "4294967295");
    // Wider values are read as 32 bits unless the directive asks for 64.
    EXPECT_EQ(W("%lx", (uint64_t)0x1234567890ull), "34567890");
    EXPECT_EQ(W("%I64x", (uint64_t)0x1234567890ull), "1234567890");
    EXPECT_EQ(W("%I64d", (int64_t)-5000000000ll), "-5000000000");
    EXPECT_EQ(W("%hd", 70000), "4464");
    EXPECT_EQ(W("%d", INT32_MIN), "-2147483648");
    void* p = reinterpret_cast<void*>((uintptr_t)0x7ffe12345678ull);
    EXPECT_EQ(W("(%08lx)", p), "(7ffe12345678)");
    EXPECT_EQ(W("%p", p), sizeof(void*) == 8 ? "00007FFE12345678" : "12345678");
    EXPECT_EQ(W("%08lx", nullptr), "00000000");
    EXPECT_EQ(W("%p", (ULONG_PTR)0x10), sizeof(void*) == 8 ? "0000000000000010" : "00000010");
    EXPECT_EQ(W("%p", -1), "%p");
}

enum class Color : uint16_t { Red = 3 };

// A string class of the framework layer reaches the formatter through its text conversion.
struct TextHolder {
    std::string text;
    operator const char*() const { return text.c_str(); }
};

TEST(Format, StringKindsEnumsBooleansAndClassesConvertibleToText) {
    std::string s = "std";
    std::u16string w = u"wide";
    EXPECT_EQ(W("%s %S", s, w), "std wide");
    EXPECT_EQ(W("%ls|%ws|%hs", u"a", u"b", "c"), "a|b|c");
    const char* none = nullptr;
    const WCHAR* wnone = nullptr;
    EXPECT_EQ(W("%s %S", none, wnone), "(null) (null)");
    // Precision bounds the read: the text need not be terminated within it.
    char unterminated[3] = {'x', 'y', 'z'};
    EXPECT_EQ(W("%.3s", (const char*)unterminated), "xyz");
    // An unpaired surrogate does not break the output.
    const WCHAR broken[] = {u'a', 0xD800, u'b', 0};
    EXPECT_EQ(W("%S", broken),
              "a\xEF\xBF\xBD"
              "b");
    EXPECT_EQ(W("%d %d", Color::Red, true), "3 1");
    TextHolder h{"held"};
    EXPECT_EQ(W("[%s]", h), "[held]");
    EXPECT_EQ(FormatText("%s/%s", h, h), "held/held");
}

TEST(Format, BadInsertsAreWrittenLiterally) {
    EXPECT_EQ(W("value %d and %s"), "value %d and %s");
    // Fewer arguments than directives: the rest stays as written.
    EXPECT_EQ(W("%d-%d-%08lx", 1), "1-%d-%08lx");
    // Wrong kinds: a number for %s, a text for %d, a narrow text for %S; each consumes its argument.
    EXPECT_EQ(W("%s|%d|%S|%d", 5, "five", "narrow", 6), "%s|%d|%S|6");
    int x = 0;
    EXPECT_EQ(W("%d", &x), "%d");
    // %n never writes through an argument.
    int written = 123;
    EXPECT_EQ(W("ab%n", &written), "ab%n");
    EXPECT_EQ(written, 123);
    // Unknown directives and a directive cut off by the end of the text.
    EXPECT_EQ(W("%y %q", 1, 2), "%y %q");
    EXPECT_EQ(W("50%"), "50%");
    EXPECT_EQ(W("50%-0"), "50%-0");
    // A floating-point value needs a floating-point directive.
    EXPECT_EQ(W("%d %.2f", 1.5, 2.25), "%d 2.25");
}

TEST(Format, OutputIsCutAt1024BytesNeverSplittingAUtf8SequenceUnlessUnbounded) {
    std::string big(2000, 'a');
    char buf[WSPRINTF_LIMIT + 16];
    std::memset(buf, 'Z', sizeof buf);
    EXPECT_EQ(wsprintfA(buf, "%s", big), 1023);
    EXPECT_EQ(buf[1023], '\0');
    EXPECT_EQ(buf[1024], 'Z');  // nothing written past the limit
    EXPECT_EQ(wsprintfA(buf, "%99999d", 1), 1023);
    // 1022 ASCII bytes then a 2-byte character: only one byte of room is left for it.
    std::string text(1022, 'a');
    text += "\xC3\xA9";
    EXPECT_EQ(wsprintfA(buf, "%s", text), 1022);
    EXPECT_EQ(std::string(buf), std::string(1022, 'a'));
    char small[6];
    EXPECT_EQ(wvnsprintfA(small, sizeof small, "abcdefgh", nullptr, 0), 5);
    EXPECT_STREQ(small, "abcde");
    std::string longer(3000, 'b');
    EXPECT_EQ(FormatText("<%s>", longer).size(), 3002u);
    EXPECT_EQ(FormatText("%d items", 3), "3 items");
    auto args = MakeFormatArgs(1, "two");
    EXPECT_EQ(FormatTextV("%d %s", args.data(), args.size()), "1 two");
}
