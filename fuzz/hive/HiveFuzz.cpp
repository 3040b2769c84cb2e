// Fuzzes the reader of registry hive files: no crash, and what it accepts survives a rewrite.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/win32/RegistryHive.h"

namespace {

bool Same(const qrvreg::Key& a, const qrvreg::Key& b) {
    if (a.values.size() != b.values.size() || a.subKeys.size() != b.subKeys.size())
        return false;
    for (const auto& [name, v] : a.values) {
        auto it = b.values.find(name);
        if (it == b.values.end() || it->second.type != v.type || it->second.data != v.data)
            return false;
    }
    for (const auto& [name, k] : a.subKeys) {
        auto it = b.subKeys.find(name);
        if (it == b.subKeys.end() || !Same(k, it->second))
            return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    qrvreg::Key first;
    if (!qrvreg::Parse(text, first))
        return 0;
    qrvreg::Key second;
    if (!qrvreg::Parse(qrvreg::Serialize(first, "HKEY_CURRENT_USER"), second) || !Same(first, second))
        __builtin_trap();
    return 0;
}
