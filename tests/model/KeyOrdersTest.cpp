// Key orders of GUIDs (bytes in memory) and wide texts (16-bit units).
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "model/KeyOrders.h"

namespace {

GUID FromBytes(std::initializer_list<BYTE> bytes) {
    GUID g{};
    std::copy(bytes.begin(), bytes.end(), reinterpret_cast<BYTE*>(&g));
    return g;
}

// Each pair is in strict order: the first is less, the second is not; a key is never less than
// an equal one.
template <class Key, class Less>
void ExpectOrder(const std::vector<std::pair<Key, Key>>& ordered,
                 const std::vector<std::pair<Key, Key>>& equal, Less less) {
    for (size_t i = 0; i < ordered.size(); ++i) {
        EXPECT_TRUE(less(ordered[i].first, ordered[i].second)) << "pair " << i;
        EXPECT_FALSE(less(ordered[i].second, ordered[i].first)) << "pair " << i;
    }
    for (size_t i = 0; i < equal.size(); ++i)
        EXPECT_FALSE(less(equal[i].first, equal[i].second)) << "equal pair " << i;
}

TEST(KeyOrdersTest, ClsidLessPutsNullFirstAndComparesMemoryBytesUnsigned) {
    GUID a = FromBytes({0x04, 0x20, 0x06, 0x00});  // {00062004-...}
    GUID b = FromBytes({0x29, 0x03, 0x02, 0x00});  // {00020329-...}: first as text, second as bytes
    GUID aCopy = a;
    GUID low = FromBytes({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x7F});
    GUID high = FromBytes({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x80});
    ExpectOrder<const GUID*>({{&a, &b}, {nullptr, &a}, {&low, &high}},
                             {{nullptr, nullptr}, {&a, &a}, {&a, &aCopy}}, ClsidLess);
}

TEST(KeyOrdersTest, WideStringLessComparesUnitsUnsignedAndCaseSensitively) {
    const WCHAR surrogate[] = {0xD83D, 0xDE00, 0};
    ExpectOrder<const WCHAR*>({{u"Zeta", u"alpha"},
                               {u"Key", u"Keywords"},
                               {nullptr, u""},
                               {u"", u"a"},
                               {u"\u00e9", u"\ufffd"},
                               {u"\ud7ff", surrogate}},
                              {{u"Key", u"Key"}, {nullptr, nullptr}}, WideStringLess);
}

}  // namespace
