// %NAME% expansion of environment variables.
#include "platform/win32/Environment.h"

#include <cstdlib>
#include <cstring>
#include <string>

DWORD ExpandEnvironmentStringsA(LPCSTR src, LPSTR dst, DWORD size) {
    if (!src) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::string out;
    const char* p = src;
    while (*p) {
        if (*p == '%') {
            const char* close = std::strchr(p + 1, '%');
            if (close && close > p + 1) {
                std::string name(p + 1, close);
                if (const char* value = std::getenv(name.c_str())) {
                    out += value;
                    p = close + 1;
                    continue;
                }
                // An unknown name stays as it is written.
                out.append(p, close + 1);
                p = close + 1;
                continue;
            }
        }
        out += *p++;
    }
    DWORD needed = (DWORD)out.size() + 1;
    if (dst && size >= needed)
        std::memcpy(dst, out.c_str(), needed);
    else if (dst && size > 0)
        dst[0] = 0;  // never a cut name: the caller sees the size and must not use the text
    return needed;
}
