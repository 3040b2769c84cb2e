// Mapping a block's pages ahead of use never changes what the block or its neighbours hold.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "engine/PrefaultPages.h"

namespace {

// A pattern that differs from byte to byte and from page to page.
unsigned char PatternAt(size_t i) {
    return static_cast<unsigned char>((i * 131) ^ (i >> 12));
}

TEST(PrefaultPagesTest, KeepsTheBytesOfTheBlockAndAroundIt) {
    // Heap memory shares pages with other blocks: a written buffer is asked for from an odd offset
    // to an odd end, over many pages, and every byte inside and outside that range must stay.
    constexpr size_t cb = 1 << 20;
    std::vector<unsigned char> buffer(cb);
    for (size_t i = 0; i < cb; ++i) {
        buffer[i] = PatternAt(i);
    }
    PrefaultPages(buffer.data() + 13, cb - 1000);
    PrefaultPages(buffer.data() + 4097, 100);  // within a page: nothing whole to ask for
    PrefaultPages(buffer.data(), 0);
    PrefaultPages(nullptr, 4096);
    for (size_t i = 0; i < cb; ++i) {
        ASSERT_EQ(buffer[i], PatternAt(i)) << "byte " << i;
    }
}

}  // namespace
