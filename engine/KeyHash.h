// Hashes of the duplicate index's keys, each agreeing with the equality its key order defines.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>

#include "platform/mapi/MAPIDefs.h"
#include "platform/win32/WinTypes.h"

// A level finds its keys through a hash table, so two keys that the key order (KeyOrder.h) treats as
// one must hash alike, or an item would miss its twins and the group would silently split. That is
// why 0.0 and -0.0 hash as one, every NaN hashes as one, and a missing (NULL) pointer key has a hash
// of its own that no empty string or empty binary value is guaranteed to avoid (only equality counts).
namespace keyhash {

constexpr uint64_t kNullHash = 0x9E3779B97F4A7C15ull;

// The finishing mix of a 64-bit value: every input bit reaches every output bit.
inline uint64_t Mix(uint64_t x) {
    x ^= x >> 30;
    x *= 0xBF58476D1CE4E5B9ull;
    x ^= x >> 27;
    x *= 0x94D049BB133111EBull;
    x ^= x >> 31;
    return x;
}

// The bytes read 8 at a time, the count mixed in so that a value and its prefix differ.
inline uint64_t Bytes(const void* p, size_t cb) {
    const auto* b = static_cast<const unsigned char*>(p);
    uint64_t h = Mix(cb + 0x2545F4914F6CDD1Dull);
    while (cb >= 8) {
        uint64_t w;
        std::memcpy(&w, b, 8);
        h = Mix(h ^ w) + 0x9E3779B97F4A7C15ull;
        b += 8;
        cb -= 8;
    }
    if (cb != 0) {
        uint64_t w = 0;
        std::memcpy(&w, b, cb);
        h = Mix(h ^ w ^ (uint64_t(cb) << 56));
    }
    return h;
}

template <class T>
inline uint64_t Floating(T value) {
    if (std::isnan(value)) {
        return kNullHash ^ 0x7FF8;
    }
    if (value == T(0)) {
        return Mix(0);
    }
    const double d = value;
    uint64_t bits;
    std::memcpy(&bits, &d, sizeof(bits));
    return Mix(bits);
}

}  // namespace keyhash

template <class KEY>
struct KeyHash {
    uint64_t operator()(KEY key) const { return keyhash::Mix(uint64_t(int64_t(key))); }
};
template <>
struct KeyHash<float> {
    uint64_t operator()(float key) const { return keyhash::Floating(key); }
};
template <>
struct KeyHash<double> {
    uint64_t operator()(double key) const { return keyhash::Floating(key); }
};
template <>
struct KeyHash<CURRENCY> {
    uint64_t operator()(const CURRENCY& key) const { return keyhash::Bytes(&key, sizeof(key)); }
};
template <>
struct KeyHash<FILETIME> {
    uint64_t operator()(const FILETIME& key) const {
        return keyhash::Mix((uint64_t(key.dwHighDateTime) << 32) | key.dwLowDateTime);
    }
};
template <>
struct KeyHash<char*> {
    uint64_t operator()(const char* key) const {
        return key == nullptr ? keyhash::kNullHash : keyhash::Bytes(key, std::strlen(key));
    }
};
template <>
struct KeyHash<WCHAR*> {
    uint64_t operator()(const WCHAR* key) const {
        if (key == nullptr) {
            return keyhash::kNullHash;
        }
        size_t cch = 0;
        while (key[cch] != 0) {
            ++cch;
        }
        return keyhash::Bytes(key, cch * sizeof(WCHAR));
    }
};
template <>
struct KeyHash<GUID*> {
    uint64_t operator()(const GUID* key) const {
        return key == nullptr ? keyhash::kNullHash : keyhash::Bytes(key, sizeof(GUID));
    }
};
template <>
struct KeyHash<SBinary*> {
    uint64_t operator()(const SBinary* key) const {
        if (key == nullptr) {
            return keyhash::kNullHash;
        }
        if (key->cb == 0 || key->lpb == nullptr) {
            return keyhash::Mix(0x5B1 ^ key->cb);
        }
        return keyhash::Bytes(key->lpb, key->cb);
    }
};
