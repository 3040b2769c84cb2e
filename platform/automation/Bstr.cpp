// BSTR allocation: a 32-bit byte count in front of the text, a NUL behind it.
#include "platform/automation/Bstr.h"

#include <cstdlib>
#include <cstring>

#include "platform/win32/CodePage.h"

namespace {

// The byte count sits right before the first unit, as callers of SysStringByteLen expect.
uint32_t* Prefix(BSTR bstr) {
    return reinterpret_cast<uint32_t*>(reinterpret_cast<char*>(bstr) - sizeof(uint32_t));
}

}  // namespace

BSTR SysAllocStringLen(const OLECHAR* psz, UINT cch) {
    // The count is kept in bytes in 32 bits; refuse lengths whose byte count would not fit.
    if (cch > (0xFFFFFFFFu - sizeof(uint32_t) - sizeof(OLECHAR)) / sizeof(OLECHAR))
        return nullptr;
    const size_t cb = size_t(cch) * sizeof(OLECHAR);
    char* block = static_cast<char*>(std::malloc(sizeof(uint32_t) + cb + sizeof(OLECHAR)));
    if (block == nullptr)
        return nullptr;
    const uint32_t byteCount = static_cast<uint32_t>(cb);
    std::memcpy(block, &byteCount, sizeof(byteCount));
    BSTR bstr = reinterpret_cast<BSTR>(block + sizeof(uint32_t));
    if (psz != nullptr)
        std::memcpy(bstr, psz, cb);
    else
        std::memset(bstr, 0, cb);
    bstr[cch] = 0;
    return bstr;
}

BSTR SysAllocString(const OLECHAR* psz) {
    if (psz == nullptr)
        return nullptr;
    return SysAllocStringLen(psz, static_cast<UINT>(WideLength(psz)));
}

void SysFreeString(BSTR bstr) {
    if (bstr != nullptr)
        std::free(Prefix(bstr));
}

UINT SysStringByteLen(BSTR bstr) {
    if (bstr == nullptr)
        return 0;
    uint32_t byteCount = 0;
    std::memcpy(&byteCount, Prefix(bstr), sizeof(byteCount));
    return byteCount;
}

UINT SysStringLen(BSTR bstr) {
    return SysStringByteLen(bstr) / sizeof(OLECHAR);
}

BSTR BstrFromUtf8(const char* psz) {
    if (psz == nullptr)
        return nullptr;
    return BstrFromUtf8(std::string_view(psz));
}

BSTR BstrFromUtf8(std::string_view text) {
    const std::u16string wide = Utf8ToUtf16(text);
    return SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
}

std::string Utf8FromBstr(BSTR bstr) {
    if (bstr == nullptr)
        return {};
    return Utf16ToUtf8(std::u16string_view(bstr, SysStringLen(bstr)));
}
