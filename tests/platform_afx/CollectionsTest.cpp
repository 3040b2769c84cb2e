// CMap walk order, CObArray and CObList: the orders users see and the bounds callers rely on.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "platform/afx/CException.h"
#include "platform/afx/CMap.h"
#include "platform/afx/CObArray.h"
#include "platform/afx/CObList.h"
#include "tests/platform_afx/ArchiveTestSupport.h"

namespace {

class CItem : public CObject {};

bool RaisesInvalidArg(const std::function<void()>& fn) {
    return afxtest::RaisedClass(fn) == RUNTIME_CLASS(CInvalidArgException);
}

typedef CMap<DWORD, DWORD, int, int> CNumberMap;

std::vector<DWORD> WalkKeys(const CNumberMap& map) {
    std::vector<DWORD> keys;
    POSITION pos = map.GetStartPosition();
    while (pos != nullptr) {
        DWORD key;
        int value;
        map.GetNextAssoc(pos, key, value);
        keys.push_back(key);
    }
    return keys;
}

}  // namespace

TEST(CMapTest, WalkRunsThroughBucketsInOrderNewestFirstWithinABucket) {
    CNumberMap map;
    EXPECT_EQ(map.GetHashTableSize(), 17u);
    EXPECT_EQ(map.GetStartPosition(), nullptr);
    // Running numbers 1..40: bucket = (n >> 4) % 17, so 1..15 share bucket 0, 16..31 bucket 1,
    // 32..40 bucket 2; each bucket lists its numbers newest first.
    for (DWORD n = 1; n <= 40; ++n) {
        map[n] = (int)n;
    }
    std::vector<DWORD> expected;
    for (auto [newest, oldest] : {std::pair<DWORD, DWORD>{15, 1}, {31, 16}, {40, 32}}) {
        for (DWORD n = newest; n >= oldest; --n) {
            expected.push_back(n);
        }
    }
    EXPECT_EQ(WalkKeys(map), expected);

    // Keys 17 * 16 apart share a bucket, ahead of keys in later buckets.
    CNumberMap wrap;
    wrap[16] = 1;       // bucket 1
    wrap[0] = 2;        // bucket 0
    wrap[17 * 16] = 3;  // bucket 0, newer
    wrap[18 * 16] = 4;  // bucket 1, newer
    EXPECT_EQ(WalkKeys(wrap), (std::vector<DWORD>{17 * 16, 0, 18 * 16, 16}));
}

TEST(CMapTest, StoringAgainReplacesInPlaceRemovalUnlinksAndBucketCountIsChosenWhenEmpty) {
    CNumberMap map;
    map.SetAt(1, 10);
    map.SetAt(2, 20);
    map.SetAt(3, 30);
    map.SetAt(1, 11);  // already present: keeps its place (last in bucket 0's chain)
    EXPECT_EQ(WalkKeys(map), (std::vector<DWORD>{3, 2, 1}));
    int value = 0;
    EXPECT_TRUE(map.Lookup(1, value));
    EXPECT_EQ(value, 11);
    EXPECT_EQ(map.GetCount(), 3);
    EXPECT_TRUE(map.RemoveKey(2));
    EXPECT_FALSE(map.RemoveKey(2));
    EXPECT_FALSE(map.Lookup(2, value));
    EXPECT_EQ(WalkKeys(map), (std::vector<DWORD>{3, 1}));
    map.RemoveAll();
    EXPECT_TRUE(map.IsEmpty());
    EXPECT_EQ(map.GetStartPosition(), nullptr);

    // Emptied, the map takes another bucket count, which decides the order from then on.
    map.InitHashTable(2);
    map[0x10] = 1;  // bucket 1
    map[0x20] = 2;  // bucket 0
    EXPECT_EQ(WalkKeys(map), (std::vector<DWORD>{0x20, 0x10}));
    map.InitHashTable(17);  // ignored: the map is not empty
    EXPECT_EQ(map.GetHashTableSize(), 2u);
}

TEST(CMapTest, TextKeysCompareByContent) {
    CMap<CString, LPCSTR, int, int> map;
    map["alpha"] = 1;
    std::string key = "alpha";  // another buffer with the same text
    int value = 0;
    EXPECT_TRUE(map.Lookup(key.c_str(), value));
    EXPECT_EQ(value, 1);
    EXPECT_FALSE(map.Lookup("Alpha", value));
}

TEST(CObArrayTest, GrowsInsertsAndRemovesInPlaceAndRefusesIndexesOutside) {
    CItem a, b, c;
    CObArray array;
    EXPECT_EQ(array.Add(&a), 0);
    EXPECT_EQ(array.Add(&c), 1);
    array.InsertAt(1, &b);
    ASSERT_EQ(array.GetSize(), 3);
    EXPECT_EQ((std::vector<CObject*>{array[0], array[1], array[2]}), (std::vector<CObject*>{&a, &b, &c}));
    array.RemoveAt(0);
    EXPECT_EQ(array.GetAt(0), &b);
    array.SetAtGrow(4, &a);
    EXPECT_EQ(array.GetSize(), 5);
    EXPECT_EQ(array.GetAt(3), nullptr);
    EXPECT_EQ(array.GetUpperBound(), 4);
    CObArray copy;
    copy.Copy(array);
    EXPECT_EQ(copy.Append(array), 5);
    EXPECT_EQ(copy.GetSize(), 10);

    // Indexes outside are refused and change nothing.
    EXPECT_TRUE(RaisesInvalidArg([&] { array.GetAt(5); }));
    EXPECT_TRUE(RaisesInvalidArg([&] { array.GetAt(-1); }));
    EXPECT_TRUE(RaisesInvalidArg([&] { array.SetAt(7, &a); }));
    EXPECT_TRUE(RaisesInvalidArg([&] { array.RemoveAt(4, 2); }));
    EXPECT_EQ(array.GetSize(), 5);
}

TEST(CObListTest, WalksBothWaysEditsAtPositionsAndTakesItselfOnce) {
    CItem a, b, c, d;
    CObList list;
    list.AddTail(&b);
    list.AddHead(&a);
    POSITION posC = list.AddTail(&c);
    list.InsertBefore(posC, &d);
    std::vector<CObject*> forward;
    for (POSITION pos = list.GetHeadPosition(); pos != nullptr;) {
        forward.push_back(list.GetNext(pos));
    }
    EXPECT_EQ(forward, (std::vector<CObject*>{&a, &b, &d, &c}));
    std::vector<CObject*> backward;
    for (POSITION pos = list.GetTailPosition(); pos != nullptr;) {
        backward.push_back(list.GetPrev(pos));
    }
    EXPECT_EQ(backward, (std::vector<CObject*>{&c, &d, &b, &a}));

    POSITION posB = list.Find(&b);
    ASSERT_NE(posB, nullptr);
    EXPECT_EQ(list.Find(&b, posB), nullptr);
    list.RemoveAt(posB);
    EXPECT_EQ(list.GetCount(), 3);
    EXPECT_EQ(list.GetAt(list.FindIndex(1)), &d);
    EXPECT_EQ(list.FindIndex(3), nullptr);
    EXPECT_EQ(list.RemoveHead(), &a);
    EXPECT_EQ(list.RemoveTail(), &c);
    EXPECT_EQ(list.GetHead(), &d);
    EXPECT_EQ(list.GetTail(), &d);
    list.RemoveAll();
    EXPECT_TRUE(list.IsEmpty());
    EXPECT_TRUE(RaisesInvalidArg([&] { list.RemoveHead(); }));

    // Adding a list to itself doubles it once.
    list.AddTail(&a);
    list.AddTail(&b);
    list.AddTail(&list);
    EXPECT_EQ(list.GetCount(), 4);
    list.AddHead(&list);
    EXPECT_EQ(list.GetCount(), 8);
    EXPECT_EQ(list.GetAt(list.FindIndex(2)), &a);
}
