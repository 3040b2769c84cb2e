// Fuzzes the formatters with templates from untrusted text (language files supply them).
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "platform/win32/Format.h"
#include "platform/win32/Memory.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    // The first byte chooses how many of the fixed arguments are passed; the rest is the template.
    size_t count = data[0] % 8;
    std::string tmpl(reinterpret_cast<const char*>(data + 1), size - 1);
    static const WCHAR wide[] = u"wide \u00e9";
    int number = -123456;
    const FormatArg args[] = {FormatArg(number), FormatArg("text"),
                              FormatArg(wide),   FormatArg(&number),
                              FormatArg(2.5),    FormatArg((uint64_t)0xFFFFFFFFFFull),
                              FormatArg('c'),    FormatArg((const char*)nullptr)};

    // Exactly the platform's buffer size on the heap, so any write past it is caught.
    std::unique_ptr<char[]> buf(new char[WSPRINTF_LIMIT]);
    int n = wvsprintfA(buf.get(), tmpl.c_str(), args, count);
    if (n < 0 || (size_t)n >= WSPRINTF_LIMIT || std::strlen(buf.get()) != (size_t)n)
        __builtin_trap();

    std::string full = FormatTextV(tmpl.c_str(), args, count);
    if (full.compare(0, (size_t)n, buf.get(), (size_t)n) != 0)
        __builtin_trap();  // the cut text is a prefix of the whole one

    std::string message = FormatMessageText(tmpl.c_str(), args, count);
    char* block = nullptr;
    DWORD len = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_STRING, tmpl.c_str(), 0,
                               0, reinterpret_cast<LPSTR>(&block), 0, args, count);
    if (block && message != std::string(block, len))
        __builtin_trap();
    LocalFree(block);
    return 0;
}
