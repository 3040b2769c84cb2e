// CObjectMap: the order of binary keys, one entry per key, private copies, and clean failures.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/ObjectMap.h"

namespace {

// Exposes the entries in map order, which the operations use but do not hand out.
class CVisibleObjectMap : public CObjectMap {
public:
    std::vector<std::pair<std::vector<BYTE>, std::string>> Entries() const {
        std::vector<std::pair<std::vector<BYTE>, std::string>> out;
        for (const auto& entry : m_map) {
            out.emplace_back(std::vector<BYTE>(entry.first.lpb, entry.first.lpb + entry.first.cb),
                             entry.second != nullptr ? entry.second : "<none>");
        }
        return out;
    }
};

class ObjectMapTest : public ::testing::Test {
protected:
    void TearDown() override { SetObjectMapFailureAfter(-1); }
};

typedef std::vector<BYTE> Key;

HRESULT Insert(CObjectMap& map, Key key, LPCSTR lpszName = nullptr) {
    return map.Insert((ULONG)key.size(), key.data(), lpszName);
}

BOOL IsPresent(const CObjectMap& map, Key key) {
    BOOL bPresent = TRUE;
    EXPECT_EQ(map.IsObjectPresent((ULONG)key.size(), key.data(), &bPresent), S_OK);
    return bPresent;
}

}  // namespace

TEST_F(ObjectMapTest, KeysOrderByLengthThenUnsignedBytes) {
    CVisibleObjectMap map;
    ASSERT_EQ(Insert(map, {0x01, 0x02}), S_OK);
    ASSERT_EQ(Insert(map, {0x01, 0x01, 0x01}), S_OK);
    ASSERT_EQ(Insert(map, {0x00, 0xFF}), S_OK);
    ASSERT_EQ(Insert(map, {0x80}), S_OK);
    auto entries = map.Entries();
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[0].first, (Key{0x80}));
    EXPECT_EQ(entries[1].first, (Key{0x00, 0xFF}));
    EXPECT_EQ(entries[2].first, (Key{0x01, 0x02}));
    EXPECT_EQ(entries[3].first, (Key{0x01, 0x01, 0x01}));

    BYTE b1[] = {1};
    SBinary empty1 = {0, b1};
    SBinary empty2 = {3, nullptr};
    SBinary one = {1, b1};
    EXPECT_TRUE(BinaryKeyLess(empty1, one));
    EXPECT_FALSE(BinaryKeyLess(one, empty1));
    EXPECT_FALSE(BinaryKeyLess(empty1, empty2));
    EXPECT_FALSE(BinaryKeyLess(empty2, empty1));
}

TEST_F(ObjectMapTest, OneEntryPerKeyHeldAsACopyWithTheLatestName) {
    CVisibleObjectMap map;
    Key key = {7, 7};
    EXPECT_EQ(Insert(map, key, "first"), S_OK);
    EXPECT_EQ(Insert(map, key, "second"), S_OK);
    ASSERT_EQ(map.GetCount(), 1u);
    EXPECT_EQ(map.Entries()[0].second, "second");
    EXPECT_EQ(Insert(map, key), S_OK);
    EXPECT_EQ(map.Entries()[0].second, "<none>");

    key[0] = 9;
    EXPECT_TRUE(IsPresent(map, {7, 7}));
    EXPECT_FALSE(IsPresent(map, {9, 7}));
    EXPECT_FALSE(IsPresent(map, {7}));
}

TEST_F(ObjectMapTest, EmptyKeysAndMissingFlagAreRefused) {
    CObjectMap map;
    BYTE byte = 1;
    EXPECT_EQ(map.Insert(0, &byte), E_INVALIDARG);
    EXPECT_EQ(map.Insert(1, nullptr), E_INVALIDARG);
    EXPECT_EQ(map.GetCount(), 0u);
    BOOL bPresent = TRUE;
    EXPECT_EQ(map.IsObjectPresent(0, &byte, &bPresent), E_INVALIDARG);
    EXPECT_FALSE(bPresent);
    EXPECT_EQ(map.IsObjectPresent(1, &byte, nullptr), E_INVALIDARG);
}

TEST_F(ObjectMapTest, InsertingAnotherMapReplacesTheContent) {
    CVisibleObjectMap source;
    Insert(source, {1}, "one");
    Insert(source, {2, 2});
    const auto before = source.Entries();
    EXPECT_EQ(source.Insert(source), S_OK);  // into itself: nothing changes
    EXPECT_EQ(source.Entries(), before);

    CVisibleObjectMap target;
    Insert(target, {3}, "three");
    EXPECT_EQ(target.Insert(source), S_OK);
    EXPECT_EQ(target.Entries(), before);
    CVisibleObjectMap empty;
    EXPECT_EQ(target.Insert(empty), S_OK);
    EXPECT_EQ(target.GetCount(), 0u);
}

TEST_F(ObjectMapTest, FailedCopiesLeaveNothingHalfDone) {
    CVisibleObjectMap map;
    Insert(map, {5}, "kept");
    SetObjectMapFailureAfter(0);  // the key copy
    EXPECT_EQ(Insert(map, {6}, "x"), E_OUTOFMEMORY);
    SetObjectMapFailureAfter(1);  // the name copy, after the key copy
    EXPECT_EQ(Insert(map, {6}, "x"), E_OUTOFMEMORY);
    SetObjectMapFailureAfter(1);  // a name for a key already held: the old name stays
    EXPECT_EQ(Insert(map, {5}, "new"), E_OUTOFMEMORY);
    ASSERT_EQ(map.GetCount(), 1u);
    EXPECT_EQ(map.Entries()[0].second, "kept");

    // A map copy that fails part-way keeps the entries copied before the failure.
    CVisibleObjectMap source;
    Insert(source, {1});
    Insert(source, {2});
    Insert(source, {3});
    SetObjectMapFailureAfter(1);
    EXPECT_EQ(map.Insert(source), E_OUTOFMEMORY);
    ASSERT_EQ(map.GetCount(), 1u);
    EXPECT_EQ(map.Entries()[0].first, (Key{1}));
}
